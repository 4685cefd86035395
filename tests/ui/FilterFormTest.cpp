#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>
#include <functional>

#include "UiFixtures.h"
#include "settings/Language.h"
#include "ui/FilterForm.h"

namespace {

template <typename T>
T* Child(QWidget* form, const char* name) {
    T* widget = form->findChild<T*>(QString::fromLatin1(name));
    if (!widget)
        ADD_FAILURE() << "no control " << name;
    return widget;
}

void Type(QWidget* form, const char* name, const QString& text) {
    auto* edit = Child<QLineEdit>(form, name);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

void Click(QWidget* form, const char* name) {
    auto* button = Child<QAbstractButton>(form, name);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
}

// An item whose every field differs from a new item's, so that a field a control rounds or resets shows.
TTaskFilterItem Distinct() {
    TTaskFilterItem item;
    item.Enabled = false;
    item.FilterType = TFilterType::fitExclude;
    item.FilterKind = TFilterKind::fikDateTime;
    item.fnKind = TFileNameKind::fnkSingleFile;
    item.fnWildcard = QStringLiteral("*.doc;\"my file.txt\"");
    item.fnSingleFile = QStringLiteral("/home/ann/notes.txt");
    item.frKind = TFolderKind::frkEmpty;
    item.frContains = QStringLiteral("Temp");
    item.dtKind = TDateTimeKind::fidtkCreated;
    item.dtSelector = TDateTimeSelector::fidtsHours;
    item.dtMonths = 7;
    item.dtDays = 40000;  // beyond what the field shows: kept as it is
    item.dtHours = 12;
    item.dtMinutes = 90;
    item.dtDateBetweenStart = DateTime::Encode(2024, 3, 5, 13, 14, 15);  // the time of day is kept
    item.dtDateBetweenEnd = DateTime::Encode(2025, 1, 2);
    item.dtTimeBetweenStart = DateTime::Encode(2026, 2, 1, 8, 30, 0, 250);
    item.dtTimeBetweenEnd = DateTime::Encode(1899, 12, 30, 17, 45, 10);
    item.atReadOnly = true;
    item.atHidden = true;
    item.atEncrypted = true;
    item.szKind = TSizeKind::fiskEqual;
    item.szValue = 321;
    item.szMeasure = TSizeMeasure::szmKilobytes;
    return item;
}

class FilterFormTest : public UiTest {
protected:
    void TearDown() override {
        TFilterForm::AskFile = saved;
        UnloadLanguageFile();
        UiTest::TearDown();
    }

    // Shows the editor of item; the timer is what copies the controls, so tests wait for it.
    std::unique_ptr<TFilterForm> Open(TTaskFilterItem& item) {
        auto form = std::make_unique<TFilterForm>(task, item);
        form->show();
        return form;
    }
    static void WaitForRefresh() { QTest::qWait(TFilterForm::kRefreshMs * 2 + 20); }

    TTask task;
    std::function<QString(QWidget*, const QString&)> saved = TFilterForm::AskFile;
};

// What a user changes on each kind's panel, and what the item then holds.
struct TKindEdit {
    const char* name;
    TFilterKind kind;
    std::function<void(QWidget*)> edit;
    std::function<void(const TTaskFilterItem&)> check;
};

std::vector<TKindEdit> KindEdits() {
    return {
        {"file wildcard", TFilterKind::fikFileName,
         [](QWidget* f) {
             Click(f, "WildcardRadio");
             Type(f, "filterWildcard", QStringLiteral("*.odt *.ods"));
         },
         [](const TTaskFilterItem& i) {
             EXPECT_EQ(i.fnKind, TFileNameKind::fnkWildcard);
             EXPECT_EQ(i.fnWildcard, QStringLiteral("*.odt *.ods"));
         }},
        {"single file", TFilterKind::fikFileName,
         [](QWidget* f) {
             TFilterForm::AskFile = [](QWidget*, const QString&) {
                 return QStringLiteral("/srv/data/report.pdf");
             };
             Click(f, "SingleFileRadio");
             Click(f, "SingleFileBrowse");
         },
         [](const TTaskFilterItem& i) {
             EXPECT_EQ(i.fnKind, TFileNameKind::fnkSingleFile);
             EXPECT_EQ(i.fnSingleFile, QStringLiteral("/srv/data/report.pdf"));
         }},
        {"folder contains", TFilterKind::fikFolderName,
         [](QWidget* f) {
             Click(f, "FolderContainsRadio");
             Type(f, "FolderContainsEdit", QStringLiteral("cache"));
         },
         [](const TTaskFilterItem& i) {
             EXPECT_EQ(i.frKind, TFolderKind::frkContains);
             EXPECT_EQ(i.frContains, QStringLiteral("cache"));
         }},
        {"date between", TFilterKind::fikDateTime,
         [](QWidget* f) {
             Child<QComboBox>(f, "DateKindCombo")->setCurrentIndex(2);
             Click(f, "DateBetweenRadio");
             Child<QDateEdit>(f, "DateEndEdit")->setDate(QDate(2026, 6, 30));
         },
         [](const TTaskFilterItem& i) {
             EXPECT_EQ(i.dtKind, TDateTimeKind::fidtkLastAccessed);
             EXPECT_EQ(i.dtSelector, TDateTimeSelector::fidtsDateBetween);
             EXPECT_DOUBLE_EQ(i.dtDateBetweenEnd, DateTime::Encode(2026, 6, 30));
         }},
        {"time between", TFilterKind::fikDateTime,
         [](QWidget* f) {
             Click(f, "TimeBetweenRadio");
             Child<QTimeEdit>(f, "TimeEndEdit")->setTime(QTime(23, 0, 5));
         },
         [](const TTaskFilterItem& i) {
             EXPECT_EQ(i.dtSelector, TDateTimeSelector::fidtsTimeBetween);
             // The day part of the value stays; the time of day is the one entered.
             EXPECT_TRUE(DateTime::SameTime(i.dtTimeBetweenEnd, DateTime::Encode(1899, 12, 30, 23, 0, 5)));
         }},
        {"attributes", TFilterKind::fikAttributes,
         [](QWidget* f) {
             Click(f, "ReadOnlyCheck");
             Click(f, "SystemCheck");
         },
         [](const TTaskFilterItem& i) {
             EXPECT_FALSE(i.atReadOnly);
             EXPECT_TRUE(i.atSystem);
             EXPECT_TRUE(i.atHidden);
         }},
        {"size", TFilterKind::fikSize,
         [](QWidget* f) {
             Child<QComboBox>(f, "SizeKindCombo")->setCurrentIndex(2);
             auto* value = Child<QSpinBox>(f, "SizeValueSpin");
             value->setFocus();
             value->selectAll();
             QTest::keyClicks(value, QStringLiteral("4"));
             Child<QComboBox>(f, "SizeMeasureCombo")->setCurrentIndex(2);
         },
         [](const TTaskFilterItem& i) {
             EXPECT_EQ(i.szKind, TSizeKind::fiskGreaterThan);
             EXPECT_EQ(i.szValue, 4);
             EXPECT_EQ(i.szMeasure, TSizeMeasure::szmMegabytes);
         }},
    };
}

}  // namespace

TEST_F(FilterFormTest, CancelPutsBackTheItemExactlyAfterEditsOfEveryKind) {
    for (const TKindEdit& change : KindEdits()) {
        SCOPED_TRACE(change.name);
        const TTaskFilterItem before = Distinct();
        TTaskFilterItem item = before;
        auto form = Open(item);
        Child<QComboBox>(form.get(), "KindCombo")->setCurrentIndex(static_cast<int>(change.kind));
        Click(form.get(), "IncludeRadio");
        Click(form.get(), "EnabledCheck");
        change.edit(form.get());
        WaitForRefresh();
        // The item follows the dialog while it is open ...
        EXPECT_EQ(item.FilterKind, change.kind);
        EXPECT_EQ(item.FilterType, TFilterType::fitInclude);
        EXPECT_NE(item, before);
        // ... and Escape puts every field back, those of the other kinds too.
        QTest::keyClick(form.get(), Qt::Key_Escape);
        EXPECT_EQ(form->result(), QDialog::Rejected);
        EXPECT_EQ(item, before);
    }
}

TEST_F(FilterFormTest, OkKeepsTheEditsOfEveryKindAndNothingElse) {
    for (const TKindEdit& change : KindEdits()) {
        SCOPED_TRACE(change.name);
        const TTaskFilterItem before = Distinct();
        TTaskFilterItem item = before;
        auto form = Open(item);
        Child<QComboBox>(form.get(), "KindCombo")->setCurrentIndex(static_cast<int>(change.kind));
        change.edit(form.get());
        // Enter right away: OK takes the controls even before the timer has run.
        QTest::keyClick(form.get(), Qt::Key_Return);
        ASSERT_EQ(form->result(), QDialog::Accepted);
        EXPECT_EQ(item.FilterKind, change.kind);
        change.check(item);
        // Fields no control was touched for keep their values exactly.
        EXPECT_EQ(item.FilterType, before.FilterType);
        EXPECT_EQ(item.Enabled, before.Enabled);
        EXPECT_EQ(item.dtDays, before.dtDays);
        EXPECT_EQ(item.dtDateBetweenStart, before.dtDateBetweenStart);
        EXPECT_EQ(item.dtTimeBetweenStart, before.dtTimeBetweenStart);
    }
}

TEST_F(FilterFormTest, OpeningAndOkWithoutChangesLeavesEveryValueAsItWas) {
    for (TTaskFilterItem before : {Distinct(), TTaskFilterItem()}) {
        TTaskFilterItem item = before;
        auto form = Open(item);
        WaitForRefresh();
        EXPECT_EQ(item, before);
        Click(form.get(), "OkButton");
        EXPECT_EQ(form->result(), QDialog::Accepted);
        EXPECT_EQ(item, before);
    }
}

TEST_F(FilterFormTest, TheInTheLastNumberBelongsToItsUnit) {
    TTaskFilterItem item = Distinct();  // hours 12, months 7
    auto form = Open(item);
    auto* value = Child<QSpinBox>(form.get(), "LastValueSpin");
    auto* unit = Child<QComboBox>(form.get(), "LastUnitCombo");
    EXPECT_EQ(unit->currentIndex(), 2);
    EXPECT_EQ(value->value(), 12);
    value->setValue(30);
    unit->setCurrentIndex(0);  // months: shows the months' own value
    EXPECT_EQ(value->value(), 7);
    value->setValue(2);
    QTest::keyClick(form.get(), Qt::Key_Return);
    EXPECT_EQ(item.dtSelector, TDateTimeSelector::fidtsMonths);
    EXPECT_EQ(item.dtMonths, 2);
    EXPECT_EQ(item.dtHours, 30);
    EXPECT_EQ(item.dtMinutes, 90);
}

TEST_F(FilterFormTest, TheCaptionLineFollowsTheControls) {
    TTaskFilterItem item = MakeIncludeAllFilter();
    auto form = Open(item);
    EXPECT_EQ(form->CaptionText(), FilterCaption(MakeIncludeAllFilter()));
    Type(form.get(), "filterWildcard", QStringLiteral("*.png"));
    Click(form.get(), "ExcludeRadio");
    WaitForRefresh();
    TTaskFilterItem expected = MakeIncludeAllFilter();
    expected.fnWildcard = QStringLiteral("*.png");
    expected.FilterType = TFilterType::fitExclude;
    EXPECT_EQ(form->CaptionText(), FilterCaption(expected));
    EXPECT_EQ(form->CaptionText(), QStringLiteral("Exclude files matching the wildcard: \"*.png\"."));

    Child<QComboBox>(form.get(), "KindCombo")->setCurrentIndex(static_cast<int>(TFilterKind::fikAttributes));
    WaitForRefresh();
    EXPECT_EQ(form->CaptionText(), QStringLiteral("Exclude if no file attributes set."));
    Click(form.get(), "HiddenCheck");
    WaitForRefresh();
    EXPECT_EQ(form->CaptionText(), QStringLiteral("Exclude if file attribute(s) set: Hidden."));
    // Only the chosen kind's panel is shown.
    EXPECT_TRUE(Child<QCheckBox>(form.get(), "HiddenCheck")->isVisible());
    EXPECT_FALSE(Child<QLineEdit>(form.get(), "filterWildcard")->isVisible());
}

TEST_F(FilterFormTest, ControlsOfTheUnchosenOptionAreOff) {
    TTaskFilterItem item = MakeIncludeAllFilter();
    auto form = Open(item);
    EXPECT_TRUE(Child<QLineEdit>(form.get(), "filterWildcard")->isEnabled());
    EXPECT_FALSE(Child<QLineEdit>(form.get(), "SingleFileEdit")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(form.get(), "SingleFileBrowse")->isEnabled());
    Click(form.get(), "SingleFileRadio");
    EXPECT_FALSE(Child<QLineEdit>(form.get(), "filterWildcard")->isEnabled());
    EXPECT_TRUE(Child<QLineEdit>(form.get(), "SingleFileEdit")->isEnabled());
    Child<QComboBox>(form.get(), "KindCombo")->setCurrentIndex(static_cast<int>(TFilterKind::fikDateTime));
    EXPECT_TRUE(Child<QSpinBox>(form.get(), "LastValueSpin")->isEnabled());
    EXPECT_FALSE(Child<QDateEdit>(form.get(), "DateStartEdit")->isEnabled());
    Click(form.get(), "DateBetweenRadio");
    EXPECT_FALSE(Child<QSpinBox>(form.get(), "LastValueSpin")->isEnabled());
    EXPECT_TRUE(Child<QDateEdit>(form.get(), "DateStartEdit")->isEnabled());
    EXPECT_FALSE(Child<QTimeEdit>(form.get(), "TimeStartEdit")->isEnabled());
}

TEST_F(FilterFormTest, TheGermanFileTranslatesTheEditorAndItsCaption) {
    ASSERT_TRUE(LoadLanguageFile(QStringLiteral("German.lng")));
    TTaskFilterItem item = MakeIncludeAllFilter();
    auto form = Open(item);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Dateifilter-Eigenschaften"));
    EXPECT_EQ(Child<QRadioButton>(form.get(), "ExcludeRadio")->text(), QStringLiteral("Aus&schließen"));
    EXPECT_EQ(Child<QComboBox>(form.get(), "KindCombo")->itemText(4), QStringLiteral("Größe"));
    EXPECT_EQ(form->CaptionText(),
              QStringLiteral("Einschließen Dateien, die dem Platzhalter „*.*“ entsprechen."));
}
