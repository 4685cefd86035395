#include "ui/TaskImportWizard.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <optional>

#include "UiFixtures.h"
#include "legacy/LegacyTestSupport.h"
#include "model/SourceFolders.h"
#include "model/Task.h"
#include "settings/Language.h"
#include "store/RegFile.h"

// Rows in test messages.
static void PrintTo(const TDriveMapRow& row, std::ostream* os) {
    *os << '"' << row.Root.toStdString() << "\" -> \"" << row.Folder.toStdString() << '"';
}

namespace {

const QByteArray kTasks2 = "[HKEY_CURRENT_USER\\Software\\Halvorine\\Ombrisave\\Tasks\\";
const QByteArray kTasks3 = "[HKEY_CURRENT_USER\\Software\\Halvorine\\Ombrisave\\3.0\\Tasks\\";

// Two 2.x tasks as a settings import from the old computer brings them.
const QByteArray kTwoTasks2x =
    "REGEDIT4\r\n\r\n" + kTasks2 +
    "A]\r\n\"Name\"=\"Documents\"\r\n\"ID\"=\"ID-DOCS\"\r\n\"TaskType\"=\"ttSimpleCopy\"\r\n" + kTasks2 +
    "A\\Source]\r\n\"Source\"=\"C:\\\\Data\"\r\n" + kTasks2 +
    "A\\Destination]\r\n\"DestLocal\"=\"D:\\\\Save\"\r\n" + kTasks2 +
    "B]\r\n\"Name\"=\"Mail\"\r\n\"ID\"=\"ID-MAIL\"\r\n\"TaskType\"=\"ttMove\"\r\n";

// A 3.x task with two source folders, compression and encryption.
const QByteArray kOneTask3x =
    "REGEDIT4\r\n\r\n" + kTasks3 +
    "T]\r\n\"Name\"=\"Work\"\r\n\"ID\"=\"ID-WORK\"\r\n\"TaskAction\"=\"taSynchronize\"\r\n" + kTasks3 +
    "T\\Destination]\r\n\"DestLocal\"=\"E:\\\\Mirror\"\r\n" + kTasks3 +
    "T\\Source\\SourceFolders\\1]\r\n\"Folder\"=\"C:\\\\Work\\\\\"\r\n" + kTasks3 +
    "T\\Source\\SourceFolders\\2]\r\n\"Folder\"=\"D:\\\\More\\\\\"\r\n" + kTasks3 +
    "T\\Compress]\r\n\"CompressUse\"=dword:00000001\r\n" + kTasks3 +
    "T\\Encrypt]\r\n\"CryptUse\"=dword:00000001\r\n";

class TFakeImportPrompts : public TImportWizardPrompts {
public:
    QString AskProjectsFile(QWidget*, const QString& fileName) override {
        asked.append(fileName);
        return fileAnswer;
    }
    bool EditDriveMap(QWidget*, TDriveMapRows& rows) override {
        shownRows = rows;
        if (!mapAnswer)
            return false;
        rows = *mapAnswer;
        return true;
    }

    QString fileAnswer;
    QStringList asked;
    std::optional<TDriveMapRows> mapAnswer;
    TDriveMapRows shownRows;
};

template <typename T>
T* Child(QWidget* form, const char* name) {
    T* widget = form->findChild<T*>(QString::fromLatin1(name));
    if (widget == nullptr)
        ADD_FAILURE() << "no control " << name;
    return widget;
}

void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

void ClickRow(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

class TaskImportWizard : public UiTest {
protected:
    void TearDown() override {
        UnloadLanguageFile();
        UiTest::TearDown();
    }

    std::unique_ptr<TTaskImportWizardForm> MakeWizard() {
        auto wizard = std::make_unique<TTaskImportWizardForm>(data, prompts);
        wizard->show();
        return wizard;
    }
    static void StoreLegacy(const QByteArray& text) {
        QString error;
        ASSERT_TRUE(ImportRegText(text, &error)) << error.toStdString();
    }
    // Chooses a program of the list (1 = 1.x ...) and presses Next.
    static void Start(TTaskImportWizardForm& wizard, int source) {
        ClickRow(Child<QListWidget>(&wizard, "SelectListBox"), source - 1);
        Click(wizard.NextButton());
    }
    static QListWidget* Preview(TTaskImportWizardForm& wizard) {
        return Child<QListWidget>(&wizard, "PreviewCheckListBox");
    }
    static QStringList Entries(TTaskImportWizardForm& wizard) {
        QStringList names;
        for (int i = 0; i < Preview(wizard)->count(); ++i)
            names.append(Preview(wizard)->item(i)->text() +
                         (Preview(wizard)->item(i)->checkState() == Qt::Checked ? "+" : "-"));
        return names;
    }
    QStringList TaskNames() const {
        QStringList names;
        for (const auto& task : data.Tasks)
            names.append(task->Name);
        return names;
    }
    // A 1.x projects file at name below the home folder.
    QString ProjectsFile(const std::vector<TProjectSpec>& projects, const QString& name = "Ombrisave.dat") {
        return home.WriteFile(name, ::ProjectsFile(projects));
    }

    TMainData data;
    TFakeImportPrompts prompts;
};

TEST_F(TaskImportWizard, WithNoProgramChosenOnlyCloseLeadsAnywhere) {
    auto wizard = MakeWizard();
    EXPECT_EQ(wizard->windowTitle(), QStringLiteral("Tarnovex Task Import Wizard"));
    EXPECT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgSelect);
    EXPECT_FALSE(wizard->NextButton()->isEnabled());
    EXPECT_FALSE(wizard->BackButton()->isEnabled());
    EXPECT_TRUE(wizard->CloseButton()->isEnabled());
    EXPECT_TRUE(wizard->FinishButton()->isHidden());
    // Next does nothing without a program.
    wizard->Next();
    EXPECT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgSelect);
    EXPECT_EQ(wizard->Step(), 1);
}

TEST_F(TaskImportWizard, Version2xSkipsTheDetailsAndThePreviewFollowsByItself) {
    StoreLegacy(kTwoTasks2x);
    auto wizard = MakeWizard();
    Start(*wizard, 2);
    EXPECT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgPreview);
    EXPECT_EQ(wizard->Step(), 3);
    EXPECT_EQ(wizard->ReadLog(), QStringList{QStringLiteral("Reading Ombrisave 2.x tasks from registry...")});
    EXPECT_EQ(Entries(*wizard), (QStringList{QStringLiteral("Documents+"), QStringLiteral("Mail+")}));
    EXPECT_TRUE(wizard->BackButton()->isEnabled());
    EXPECT_TRUE(wizard->NextButton()->isEnabled());
    EXPECT_TRUE(wizard->CloseButton()->isEnabled());
}

TEST_F(TaskImportWizard, RegistryVersionsWithoutOldKeysSayHowToBringThemIn) {
    auto wizard = MakeWizard();
    Start(*wizard, 3);
    EXPECT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgRead);
    const QStringList log = wizard->ReadLog();
    ASSERT_EQ(log.size(), 3);
    EXPECT_EQ(log[0], QStringLiteral("Reading Ombrisave 3.x tasks from registry..."));
    EXPECT_TRUE(log[2].contains(QStringLiteral("Settings Maintenance Wizard")));
    EXPECT_TRUE(log[2].contains(QStringLiteral("tarnovex-cli import --codepage windows-1252 FILE")));

    // The user may still go on: an empty preview, and an import of nothing stays on its page.
    ASSERT_TRUE(wizard->NextButton()->isEnabled());
    Click(wizard->NextButton());
    EXPECT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgPreview);
    EXPECT_EQ(Preview(*wizard)->count(), 0);
    Click(wizard->NextButton());
    EXPECT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgProcess);
    Click(wizard->NextButton());
    EXPECT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgFinish);
    EXPECT_EQ(Child<QLabel>(wizard.get(), "FinishCountValueLabel")->text(), QStringLiteral("0"));
}

TEST_F(TaskImportWizard, Version1xNeedsAFileNameOnTheDetailsPage) {
    auto wizard = MakeWizard();
    Start(*wizard, 1);
    ASSERT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgDetails);
    auto* file = Child<QLineEdit>(wizard.get(), "DetailsFileEdit");
    EXPECT_FALSE(wizard->NextButton()->isEnabled());
    QTest::keyClicks(file, QStringLiteral("   "));
    EXPECT_FALSE(wizard->NextButton()->isEnabled());
    QTest::keyClicks(file, QStringLiteral("x.dat"));
    EXPECT_TRUE(wizard->NextButton()->isEnabled());
    file->clear();
    EXPECT_FALSE(wizard->NextButton()->isEnabled());
}

TEST_F(TaskImportWizard, AMissingProjectsFileLeavesTheWizardOnTheReadPage) {
    auto wizard = MakeWizard();
    Start(*wizard, 1);
    const QString missing = home.File(QStringLiteral("nowhere/Ombrisave.dat"));
    Child<QLineEdit>(wizard.get(), "DetailsFileEdit")->setText(missing);
    Click(wizard->NextButton());
    EXPECT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgRead);
    EXPECT_EQ(wizard->ReadLog(),
              (QStringList{QStringLiteral("Reading Ombrisave 1.x projects file \"%1\"...").arg(missing),
                           QStringLiteral("Ombrisave projects file \"%1\" not found.").arg(missing)}));
    // The read is over: the page no longer asks the user to wait.
    EXPECT_TRUE(Child<QLabel>(wizard.get(), "ReadWaitLabel")->isHidden());
    Click(wizard->BackButton());
    EXPECT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgDetails);
    Child<QLineEdit>(wizard.get(), "DetailsFileEdit")->setText(ProjectsFile({TProjectSpec{}}));
    Click(wizard->NextButton());
    EXPECT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgPreview);
}

TEST_F(TaskImportWizard, TheTextsOfA1xFileAreReadInTheChosenCodePage) {
    // "Дом" in Windows-1251; read as Windows-1252 the same bytes are "Äîì".
    TProjectsFileWriter w;
    w.Ini({QStringLiteral("[Settings]")}).Int(1);
    w.Raw(QByteArray("\xC4\xEE\xEC")).Str(QStringLiteral("ID-1")).Str(QStringLiteral("btSimpleCopy"));
    w.Str(QStringLiteral("C:\\Data")).Byte(1).Str(QStringLiteral("D:\\Save"));
    w.Int(0).Str(QStringLiteral("shManual")).Int(0).Ini(QStringList()).Str(QString()).Int(0);
    const QString file = home.WriteFile(QStringLiteral("Ombrisave.dat"), w.Data());

    auto wizard = MakeWizard();
    Start(*wizard, 1);
    Child<QLineEdit>(wizard.get(), "DetailsFileEdit")->setText(file);
    auto* codePage = Child<QComboBox>(wizard.get(), "DetailsCodePageComboBox");
    EXPECT_EQ(codePage->currentData().toString(), QStringLiteral("windows-1252"));
    Click(wizard->NextButton());
    ASSERT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgPreview);
    EXPECT_EQ(Entries(*wizard), QStringList{QString::fromUtf8("Äîì+")});

    // Back to the details, another code page, and the file is read again.
    Click(wizard->BackButton());
    Click(wizard->BackButton());
    ASSERT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgDetails);
    codePage->setCurrentIndex(codePage->findData(QStringLiteral("windows-1251")));
    Click(wizard->NextButton());
    ASSERT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgPreview);
    EXPECT_EQ(Entries(*wizard), QStringList{QString::fromUtf8("Дом+")});
    Click(wizard->NextButton());
    EXPECT_EQ(TaskNames(), QStringList{QString::fromUtf8("Дом")});
}

TEST_F(TaskImportWizard, A1xImportAddsTheCheckedProjectsAndEndsOnTheFinishPage) {
    TProjectSpec reports;
    reports.name = QStringLiteral("Reports");
    reports.id = QStringLiteral("ID-R");
    TProjectSpec photos;
    photos.name = QStringLiteral("Photos");
    photos.id = QStringLiteral("ID-P");
    photos.type = QStringLiteral("btSynchronize");
    const QString file = ProjectsFile({reports, photos});

    auto wizard = MakeWizard();
    Start(*wizard, 1);
    Child<QLineEdit>(wizard.get(), "DetailsFileEdit")->setText(file);
    Click(wizard->NextButton());
    ASSERT_EQ(Entries(*wizard), (QStringList{QStringLiteral("Reports+"), QStringLiteral("Photos+")}));
    Click(wizard->NextButton());

    EXPECT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgFinish);
    EXPECT_EQ(wizard->ImportedCount(), 2);
    EXPECT_EQ(Child<QLabel>(wizard.get(), "FinishCountValueLabel")->text(), QStringLiteral("2"));
    EXPECT_EQ(wizard->ImportLog(), (QStringList{QStringLiteral("Task \"Reports\" successfuly imported."),
                                                QStringLiteral("Task \"Photos\" successfuly imported.")}));
    // The Process page passed by itself: the Finish page shows what it logged.
    EXPECT_EQ(Child<QPlainTextEdit>(wizard.get(), "FinishRichEdit")->toPlainText().split(QLatin1Char('\n')),
              wizard->ImportLog());
    ASSERT_EQ(TaskNames(), (QStringList{QStringLiteral("Reports"), QStringLiteral("Photos")}));
    EXPECT_EQ(data.Tasks[0].ID, QStringLiteral("ID-R"));
    EXPECT_EQ(data.Tasks[1].TaskAction, TTaskAction::taSynchronize);
    // The last page: Finish instead of Next, and Close is not offered.
    EXPECT_TRUE(wizard->NextButton()->isHidden());
    EXPECT_FALSE(wizard->FinishButton()->isHidden());
    EXPECT_FALSE(wizard->CloseButton()->isEnabled());
    Click(wizard->FinishButton());
    EXPECT_EQ(wizard->result(), QDialog::Accepted);
}

TEST_F(TaskImportWizard, UncheckingEveryEntryImportsNothing) {
    StoreLegacy(kTwoTasks2x);
    auto wizard = MakeWizard();
    Start(*wizard, 2);
    for (int i = 0; i < Preview(*wizard)->count(); ++i)
        Preview(*wizard)->item(i)->setCheckState(Qt::Unchecked);
    Click(wizard->NextButton());
    EXPECT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgFinish);
    EXPECT_EQ(Child<QLabel>(wizard.get(), "FinishCountValueLabel")->text(), QStringLiteral("0"));
    EXPECT_EQ(data.Tasks.Count(), 0);
}

TEST_F(TaskImportWizard, ImportingAgainAddsTheTasksOnceMoreUnderFreshIds) {
    StoreLegacy(kTwoTasks2x);
    // A task of this computer already holds the ID of the first legacy task.
    auto existing = std::make_unique<TTask>();
    existing->Name = QStringLiteral("Here");
    existing->ID = QStringLiteral("ID-DOCS");
    data.Tasks.Add(std::move(existing));

    auto wizard = MakeWizard();
    Start(*wizard, 2);
    // The space bar unchecks the current entry, as a click on its box does.
    ClickRow(Preview(*wizard), 1);
    QTest::keyClick(Preview(*wizard), Qt::Key_Space);
    ASSERT_EQ(Entries(*wizard), (QStringList{QStringLiteral("Documents+"), QStringLiteral("Mail-")}));
    Click(wizard->NextButton());
    ASSERT_EQ(wizard->ImportedCount(), 1);

    // Back from the finish page to the preview keeps the choices; Next imports again.
    Click(wizard->BackButton());
    EXPECT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgProcess);
    Click(wizard->BackButton());
    EXPECT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgPreview);
    EXPECT_EQ(Entries(*wizard), (QStringList{QStringLiteral("Documents+"), QStringLiteral("Mail-")}));
    Click(wizard->NextButton());
    EXPECT_EQ(wizard->ImportedCount(), 2);
    EXPECT_EQ(Child<QLabel>(wizard.get(), "FinishCountValueLabel")->text(), QStringLiteral("2"));
    EXPECT_EQ(TaskNames(), (QStringList{QStringLiteral("Here"), QStringLiteral("Documents"),
                                        QStringLiteral("Documents")}));
    QSet<QString> ids;
    for (const auto& task : data.Tasks) {
        EXPECT_FALSE(task->ID.isEmpty());
        ids.insert(task->ID);
    }
    EXPECT_EQ(ids.size(), 3);
    EXPECT_EQ(data.Tasks[0].ID, QStringLiteral("ID-DOCS"));
}

TEST_F(TaskImportWizard, ArrivingAtThePreviewByNextChecksEveryEntryAgain) {
    StoreLegacy(kTwoTasks2x);
    auto wizard = MakeWizard();
    Start(*wizard, 2);
    Preview(*wizard)->item(0)->setCheckState(Qt::Unchecked);
    Click(wizard->BackButton());
    ASSERT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgRead);
    Click(wizard->NextButton());
    ASSERT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgPreview);
    EXPECT_EQ(Entries(*wizard), (QStringList{QStringLiteral("Documents+"), QStringLiteral("Mail+")}));
    // Going back did not read again.
    EXPECT_EQ(wizard->ReadLog().size(), 1);
}

TEST_F(TaskImportWizard, ThePreviewDetailsDescribeTheSelectedEntry) {
    StoreLegacy(kOneTask3x);
    auto wizard = MakeWizard();
    Start(*wizard, 3);
    ASSERT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgPreview);
    for (int row = 0; row < TTaskImportWizardForm::kDetailRowCount; ++row)
        EXPECT_EQ(wizard->DetailValue(row), QStringLiteral("-")) << row;

    ClickRow(Preview(*wizard), 0);
    EXPECT_EQ(wizard->DetailValue(TTaskImportWizardForm::drName), QStringLiteral("Work"));
    EXPECT_EQ(wizard->DetailValue(TTaskImportWizardForm::drType), QStringLiteral("Synchronize"));
    EXPECT_EQ(wizard->DetailValue(TTaskImportWizardForm::drSource), QStringLiteral("C:\\Work\\"));
    EXPECT_EQ(wizard->DetailValue(TTaskImportWizardForm::drDestination), QStringLiteral("E:\\Mirror\\"));
    EXPECT_EQ(wizard->DetailValue(TTaskImportWizardForm::drCompression), QStringLiteral("Yes"));
    EXPECT_EQ(wizard->DetailValue(TTaskImportWizardForm::drEncryption), QStringLiteral("Yes"));
    EXPECT_EQ(wizard->DetailValue(TTaskImportWizardForm::drAdditional), QStringLiteral("n/a"));
    // None of the old computer's paths exists here.
    EXPECT_EQ(wizard->DetailValue(TTaskImportWizardForm::drMissing),
              QStringLiteral("C:\\Work\\\nD:\\More\\\nE:\\Mirror"));
    // The label shows the value (with break points for long paths).
    EXPECT_EQ(Child<QLabel>(wizard.get(), "PreviewNameValueLabel")->text(), QStringLiteral("Work"));
}

TEST_F(TaskImportWizard, MappedDrivesMoveTheOldPathsAndThePreviewNamesWhatIsMissing) {
    StoreLegacy(kTwoTasks2x);
    QDir().mkpath(home.File(QStringLiteral("old-c/Data")));
    const QString oldC = home.File(QStringLiteral("old-c/"));
    const QString oldD = home.File(QStringLiteral("old-d"));
    auto wizard = MakeWizard();
    Start(*wizard, 2);
    ClickRow(Preview(*wizard), 0);
    EXPECT_EQ(wizard->DetailValue(TTaskImportWizardForm::drMissing), QStringLiteral("C:\\Data\nD:\\Save"));

    prompts.mapAnswer = TDriveMapRows{{QStringLiteral("C:\\"), oldC}, {QStringLiteral("d:"), oldD}};
    Click(Child<QPushButton>(wizard.get(), "PreviewMapDrivesButton"));
    EXPECT_EQ(wizard->DriveMapRows(), *prompts.mapAnswer);
    EXPECT_TRUE(Child<QLabel>(wizard.get(), "PreviewDriveMapLabel")->text().contains(oldC));
    // The source exists under the mapped folder; the destination's folder does not.
    EXPECT_EQ(wizard->DetailValue(TTaskImportWizardForm::drMissing), oldD + QStringLiteral("/Save"));
    // The preview rows keep the stored texts.
    EXPECT_EQ(wizard->DetailValue(TTaskImportWizardForm::drSource), QStringLiteral("C:\\Data"));

    // The editor opens with the rows in use; cancelling it keeps them.
    prompts.mapAnswer.reset();
    Click(Child<QPushButton>(wizard.get(), "PreviewMapDrivesButton"));
    EXPECT_EQ(prompts.shownRows, wizard->DriveMapRows());

    Click(wizard->NextButton());
    ASSERT_EQ(data.Tasks.Count(), 2);
    ASSERT_EQ(data.Tasks[0].SourceFolders.size(), 1u);
    EXPECT_EQ(data.Tasks[0].SourceFolders[0].Folder, oldC + QStringLiteral("Data"));
    EXPECT_EQ(data.Tasks[0].DestLocal, oldD + QStringLiteral("/Save"));
}

TEST_F(TaskImportWizard, BrowseStartsWithTheDefaultFileNameAndTakesTheChoice) {
    auto wizard = MakeWizard();
    Start(*wizard, 1);
    auto* file = Child<QLineEdit>(wizard.get(), "DetailsFileEdit");
    auto* browse = Child<QPushButton>(wizard.get(), "DetailsBrowseButton");
    Click(browse);  // cancelled
    EXPECT_EQ(prompts.asked, QStringList{QStringLiteral("Ombrisave.dat")});
    EXPECT_EQ(file->text(), QStringLiteral("Ombrisave.dat"));
    EXPECT_TRUE(wizard->NextButton()->isEnabled());

    prompts.fileAnswer = QStringLiteral("/mnt/old/Ombrisave.dat");
    Click(browse);
    EXPECT_EQ(prompts.asked.last(), QStringLiteral("Ombrisave.dat"));
    EXPECT_EQ(file->text(), QStringLiteral("/mnt/old/Ombrisave.dat"));
}

TEST_F(TaskImportWizard, EnterGoesOnAndEscapeCloses) {
    StoreLegacy(kTwoTasks2x);
    auto wizard = MakeWizard();
    auto* list = Child<QListWidget>(wizard.get(), "SelectListBox");
    ClickRow(list, 0);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(wizard->Source(), TTaskImportWizardForm::sr2x);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgPreview);
    QTest::keyClick(Preview(*wizard), Qt::Key_Return);
    EXPECT_EQ(wizard->CurrentPage(), TTaskImportWizardForm::pgFinish);
    EXPECT_EQ(data.Tasks.Count(), 2);
    // A double click on a program is Next too; here the escape key closes the wizard.
    QTest::keyClick(wizard.get(), Qt::Key_Escape);
    EXPECT_FALSE(wizard->isVisible());
}

TEST_F(TaskImportWizard, TheWindowTakesItsTextsFromTheLanguageFile) {
    home.WriteFile(QStringLiteral("Test.lng"),
                   "[TaskImportWizardForm]\n"
                   "TaskImportWizardForm.Caption=Aufgaben-Importassistent\n"
                   "TaskImportWizardForm.SelectListLabel.Caption=Programme:\n"
                   "TaskImportWizardForm.NextButton.Caption=&Weiter >\n");
    ASSERT_TRUE(LoadLanguageFile(QStringLiteral("Test.lng")));
    auto wizard = MakeWizard();
    EXPECT_EQ(wizard->windowTitle(), QStringLiteral("Aufgaben-Importassistent"));
    EXPECT_EQ(Child<QLabel>(wizard.get(), "SelectListLabel")->text(), QStringLiteral("Programme:"));
    EXPECT_EQ(wizard->NextButton()->text(), QStringLiteral("&Weiter >"));
}

// --- the drive map ---------------------------------------------------------------------------------

class DriveMapFormTest : public UiTest {};

QPushButton* OkButton(QWidget& form) {
    return Child<QDialogButtonBox>(&form, "Buttons")->button(QDialogButtonBox::Ok);
}

// Types into the cell editor that has the focus, and lets the table take the text.
void TypeIntoEditor(const QString& text) {
    QTest::keyClicks(QApplication::focusWidget(), text);
}

TEST_F(DriveMapFormTest, OkStaysOpenWithTheReasonUntilEveryRowIsComplete) {
    TDriveMapForm form({{QStringLiteral("C:\\"), QStringLiteral("/mnt/c/")}});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTableWidget* table = form.Table();
    ASSERT_EQ(table->rowCount(), 1);
    // Add opens the new row's first cell for typing.
    Click(Child<QPushButton>(&form, "AddButton"));
    ASSERT_EQ(table->rowCount(), 2);
    TypeIntoEditor(QStringLiteral("D:\\"));

    // A click on OK ends the edit first: the row has no folder yet.
    Click(OkButton(form));
    EXPECT_EQ(table->item(1, 0)->text(), QStringLiteral("D:\\"));
    EXPECT_TRUE(form.ErrorText().startsWith(QStringLiteral("Row 2:"))) << form.ErrorText().toStdString();
    EXPECT_TRUE(form.isVisible());

    // A folder here must be an absolute path.
    table->setFocus();
    table->setCurrentCell(1, 1);
    QTest::keyClicks(table, QStringLiteral("m"));
    TypeIntoEditor(QStringLiteral("nt/d"));
    Click(OkButton(form));
    EXPECT_TRUE(form.ErrorText().contains(QStringLiteral("absolute"))) << form.ErrorText().toStdString();
    table->item(1, 1)->setText(QStringLiteral("/mnt/d"));
    Click(OkButton(form));
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.Rows(), (TDriveMapRows{{QStringLiteral("C:\\"), QStringLiteral("/mnt/c/")},
                                          {QStringLiteral("D:\\"), QStringLiteral("/mnt/d")}}));

    table->setCurrentCell(0, 0);
    Click(Child<QPushButton>(&form, "RemoveButton"));
    EXPECT_EQ(form.Rows(), (TDriveMapRows{{QStringLiteral("D:\\"), QStringLiteral("/mnt/d")}}));
}

TEST_F(DriveMapFormTest, EnterInACellEndsTheEditAndTheNextEnterCloses) {
    TDriveMapForm form({});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTableWidget* table = form.Table();
    ASSERT_EQ(table->rowCount(), 1);
    table->setFocus();
    table->setCurrentCell(0, 0);
    QTest::keyClicks(table, QStringLiteral("E"));
    ASSERT_NE(QApplication::focusWidget(), table);
    TypeIntoEditor(QStringLiteral(":"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("E:"));

    QTest::keyClick(table, Qt::Key_Right);
    QTest::keyClicks(table, QStringLiteral("/"));
    TypeIntoEditor(QStringLiteral("mnt/e"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(form.isVisible());
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.Rows(), (TDriveMapRows{{QStringLiteral("E:"), QStringLiteral("/mnt/e")}}));
}

}  // namespace
