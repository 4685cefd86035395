#include <gtest/gtest.h>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "fixtures/TempHome.h"
#include "settings/Language.h"
#include "ui/TranslateForm.h"

namespace {

// A small form with one control of every kind the language file can translate.
struct TSampleForm {
    QDialog dialog;
    QLabel* label;
    QPushButton* button;
    QCheckBox* check;
    QGroupBox* box;
    QComboBox* combo;
    QButtonGroup* radios;
    QRadioButton* radio[2];
    QPlainTextEdit* memo;
    QTreeWidget* list;
    QTabWidget* tabs;
    QWidget* page;
    QAction* action;

    TSampleForm() {
        dialog.setObjectName(QStringLiteral("SampleForm_2"));
        dialog.setWindowTitle(QStringLiteral("Sample"));
        auto* layout = new QVBoxLayout(&dialog);
        label = new QLabel(QStringLiteral("Label"));
        label->setObjectName(QStringLiteral("NameLabel"));
        button = new QPushButton(QStringLiteral("Button"));
        button->setObjectName(QStringLiteral("OkButton"));
        button->setToolTip(QStringLiteral("Old hint"));
        check = new QCheckBox(QStringLiteral("Check"));
        check->setObjectName(QStringLiteral("UseCheck"));
        box = new QGroupBox(QStringLiteral("Box"));
        box->setObjectName(QStringLiteral("OptionsBox"));
        combo = new QComboBox;
        combo->setObjectName(QStringLiteral("KindCombo"));
        combo->addItems({QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")});
        radios = new QButtonGroup(&dialog);
        radios->setObjectName(QStringLiteral("ModeGroup"));
        radio[0] = new QRadioButton(QStringLiteral("First"));
        radio[1] = new QRadioButton(QStringLiteral("Second"));
        // Added in reverse: the entries are numbered by their ids, not by the order of adding.
        radios->addButton(radio[1], 1);
        radios->addButton(radio[0], 0);
        memo = new QPlainTextEdit(QStringLiteral("line zero\nline one\nline two"));
        memo->setObjectName(QStringLiteral("NoteMemo"));
        list = new QTreeWidget;
        list->setObjectName(QStringLiteral("FilesList"));
        list->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size")});
        tabs = new QTabWidget;
        page = new QWidget;
        page->setObjectName(QStringLiteral("GeneralSheet"));
        tabs->addTab(page, QStringLiteral("General"));
        action = new QAction(QStringLiteral("Action"), &dialog);
        action->setObjectName(QStringLiteral("actRun"));
        for (QWidget* widget : std::initializer_list<QWidget*>{label, button, check, box, combo, radio[0],
                                                               radio[1], memo, list, tabs})
            layout->addWidget(widget);
    }
};

class TranslateFormTest : public TarnovexTest {
protected:
    void TearDown() override {
        UnloadLanguageFile();
        TarnovexTest::TearDown();
    }
    void Load(const QByteArray& ini) {
        home.WriteFile(QStringLiteral("Sample.lng"), ini);
        ASSERT_TRUE(LoadLanguageFile(QStringLiteral("Sample.lng")));
    }
};

TEST_F(TranslateFormTest, EveryKindOfControlTakesItsTextFromTheSectionOfTheWindowName) {
    // The window is named "SampleForm_2": its section is SampleForm, cut before the underscore; section
    // and key names are found in any letter case.
    Load(
        "[sampleform]\n"
        "SampleForm.Caption=Beispiel\n"
        "SampleForm.NameLabel.Caption=Beschriftung\n"
        "SampleForm.OkButton.Caption=Knopf\n"
        "SampleForm.OkButton.Hint=Neuer Hinweis\n"
        "SampleForm.UseCheck.Caption=Haken\n"
        "SampleForm.OptionsBox.Caption=Rahmen\n"
        "SampleForm.KindCombo.Items[0]=Eins\n"
        "SampleForm.KindCombo.Items[2]=Drei\n"
        "SampleForm.KindCombo.Items[5]=Sechs\n"
        "SampleForm.ModeGroup.items[0]=Erste\n"
        "SampleForm.ModeGroup.items[1]=Zweite\n"
        "SampleForm.NoteMemo.lines[0]=Zeile null\n"
        "SampleForm.NoteMemo.lines[1]=\n"
        "SampleForm.FilesList.Columns[1].Caption=Gr\xc3\xb6\xc3\x9f"
        "e\n"
        "SampleForm.GeneralSheet.Caption=Allgemein\n"
        "SampleForm.actRun.Caption=Starten\n"
        "SampleForm.actRun.Hint=Startet die Aufgabe\n");
    TSampleForm form;
    TranslateForm(&form.dialog);

    EXPECT_EQ(form.dialog.windowTitle(), QStringLiteral("Beispiel"));
    EXPECT_EQ(form.label->text(), QStringLiteral("Beschriftung"));
    EXPECT_EQ(form.button->text(), QStringLiteral("Knopf"));
    EXPECT_EQ(form.button->toolTip(), QStringLiteral("Neuer Hinweis"));
    EXPECT_EQ(form.check->text(), QStringLiteral("Haken"));
    EXPECT_EQ(form.box->title(), QStringLiteral("Rahmen"));
    // Entries the file names are replaced, the others stay; the file cannot add entries.
    EXPECT_EQ(form.combo->count(), 3);
    EXPECT_EQ(form.combo->itemText(0), QStringLiteral("Eins"));
    EXPECT_EQ(form.combo->itemText(1), QStringLiteral("Two"));
    EXPECT_EQ(form.combo->itemText(2), QStringLiteral("Drei"));
    EXPECT_EQ(form.radio[0]->text(), QStringLiteral("Erste"));
    EXPECT_EQ(form.radio[1]->text(), QStringLiteral("Zweite"));
    // An empty line value empties the line; a line the file lacks stays.
    EXPECT_EQ(form.memo->toPlainText(), QStringLiteral("Zeile null\n\nline two"));
    EXPECT_EQ(form.list->headerItem()->text(0), QStringLiteral("Name"));
    EXPECT_EQ(form.list->headerItem()->text(1), QString::fromUtf8("Größe"));
    EXPECT_EQ(form.tabs->tabText(0), QStringLiteral("Allgemein"));
    EXPECT_EQ(form.action->text(), QStringLiteral("Starten"));
    EXPECT_EQ(form.action->statusTip(), QStringLiteral("Startet die Aufgabe"));
}

TEST_F(TranslateFormTest, BlankValuesAndMissingFilesLeaveTheDesignedTexts) {
    TSampleForm untouched;
    TranslateForm(&untouched.dialog);  // no language file loaded
    EXPECT_EQ(untouched.dialog.windowTitle(), QStringLiteral("Sample"));
    EXPECT_EQ(untouched.memo->toPlainText(), QStringLiteral("line zero\nline one\nline two"));

    Load(
        "[SampleForm]\n"
        "SampleForm.Caption=   \n"
        "SampleForm.NameLabel.Caption=  \n"
        "SampleForm.OkButton.Hint=\n"
        "SampleForm.KindCombo.Items[1]=\n"
        "[OtherForm]\n"
        "OtherForm.UseCheck.Caption=Wrong section\n"
        "SampleForm.UseCheck.Caption=Wrong section too\n");
    TSampleForm form;
    TranslateForm(&form.dialog);
    EXPECT_EQ(form.dialog.windowTitle(), QStringLiteral("Sample"));
    EXPECT_EQ(form.label->text(), QStringLiteral("Label"));
    EXPECT_EQ(form.button->toolTip(), QStringLiteral("Old hint"));
    EXPECT_EQ(form.combo->itemText(1), QStringLiteral("Two"));
    EXPECT_EQ(form.check->text(), QStringLiteral("Check"));
}

}  // namespace
