#include "ui/MaintenanceWizard.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "UiFixtures.h"
#include "model/Task.h"
#include "schedule/Scheduler.h"
#include "store/RegFile.h"
#include "store/SafeRegistry.h"
#include "ui/LogModel.h"
#include "ui/MainWindow.h"
#include "ui/TaskListModel.h"

namespace {

class TFakeMaintenancePrompts : public TMaintenancePrompts {
public:
    void Error(const QString& caption, const QString& text) override {
        errors.append(caption + QStringLiteral(" | ") + text);
    }
    bool Confirm(const QString& caption, const QString& text) override {
        asked.append(caption + QStringLiteral(" | ") + text);
        return confirmAnswer;
    }
    QString AskBackupFile(QWidget*, const QString&) override { return {}; }
    QString AskRestoreFile(QWidget*, const QString&) override { return {}; }
    void OpenFolder(const QString& folder) override { opened.append(folder); }

    bool confirmAnswer = true;
    QStringList errors, asked, opened;
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

QString Title(TMaintenanceForm& wizard) {
    return Child<QLabel>(&wizard, "FinishTitleLabel")->text();
}

class MaintenanceWizard : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        // The program's state as it was loaded: two tasks and a group in the store.
        TMainData stored;
        stored.Groups = {QStringLiteral("Office")};
        AddTask(stored, QStringLiteral("Reports"), QStringLiteral("Office")).ID =
            QStringLiteral("ID-REPORTS");
        AddTask(stored, QStringLiteral("Photos")).ID = QStringLiteral("ID-PHOTOS");
        SaveAllSettings(stored);
        data.LoadAll();
    }

    std::unique_ptr<TMaintenanceForm> MakeWizard(TMainWindow* window = nullptr,
                                                 TScheduler* scheduler = nullptr) {
        auto wizard = std::make_unique<TMaintenanceForm>(data, prompts, nullptr, window, scheduler);
        wizard->show();
        return wizard;
    }
    // Chooses the mode on the first page, the file on the second and goes on.
    static void Run(TMaintenanceForm& wizard, bool backup, const QString& fileName) {
        Click(Child<QRadioButton>(&wizard, backup ? "BackupRadioButton" : "RestoreRadioButton"));
        Click(wizard.NextButton());
        auto* edit = Child<QLineEdit>(&wizard, backup ? "BackupFileEdit" : "RestoreFileEdit");
        edit->clear();
        QTest::keyClicks(edit, fileName);
        Click(wizard.NextButton());
    }
    QStringList TaskNames() const {
        QStringList names;
        for (const auto& task : data.Tasks)
            names.append(task->Name);
        return names;
    }
    static QByteArray Read(const QString& fileName) {
        QFile file(fileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QString StoredString(const QString& key, const QString& name) {
        return TSafeRegistry::ReadStringAt(kProgramRoot + key, name, QStringLiteral("(none)"));
    }

    TMainData data;
    TFakeMaintenancePrompts prompts;
};

TEST_F(MaintenanceWizard, NextNeedsAModeAndBackReturnsToTheChoiceWithTheModeKept) {
    auto wizard = MakeWizard();
    EXPECT_EQ(wizard->windowTitle(), QStringLiteral("Tarnovex Settings Maintenance Wizard"));
    EXPECT_EQ(wizard->objectName(), QStringLiteral("MaintenanceForm"));
    EXPECT_FALSE(wizard->NextButton()->isEnabled());
    EXPECT_FALSE(wizard->BackButton()->isEnabled());
    EXPECT_TRUE(wizard->FinishButton()->isHidden());

    Click(Child<QRadioButton>(wizard.get(), "RestoreRadioButton"));
    EXPECT_TRUE(wizard->NextButton()->isEnabled());
    Click(wizard->NextButton());
    EXPECT_EQ(wizard->Step(), 2);
    EXPECT_EQ(wizard->CurrentPage(), TMaintenanceForm::pgRestoreOptions);
    EXPECT_TRUE(Child<QLineEdit>(wizard.get(), "RestoreFileEdit")->text().isEmpty());
    EXPECT_TRUE(wizard->BackButton()->isEnabled());
    Click(wizard->BackButton());
    EXPECT_EQ(wizard->Step(), 1);
    EXPECT_EQ(wizard->CurrentPage(), TMaintenanceForm::pgWelcome);
    EXPECT_EQ(wizard->Mode(), TMaintenanceForm::mdRestore);

    Click(Child<QRadioButton>(wizard.get(), "BackupRadioButton"));
    Click(wizard->NextButton());
    EXPECT_EQ(wizard->CurrentPage(), TMaintenanceForm::pgBackupOptions);
    EXPECT_EQ(Child<QLineEdit>(wizard.get(), "BackupFileEdit")->text(),
              QStringLiteral("Tarnovex Settings Backup.reg"));
}

TEST_F(MaintenanceWizard, ABackupNeedsAFileNameAndAsksBeforeOverwriting) {
    auto wizard = MakeWizard();
    Run(*wizard, true, QStringLiteral("   "));
    EXPECT_EQ(prompts.errors, QStringList{QStringLiteral("Error | Please enter valid file name!")});
    EXPECT_EQ(wizard->Step(), 2);

    const QString fileName = home.WriteFile(QStringLiteral("old.reg"), "keep me");
    Child<QLineEdit>(wizard.get(), "BackupFileEdit")->setText(fileName);
    prompts.confirmAnswer = false;
    Click(wizard->NextButton());
    EXPECT_EQ(
        prompts.asked,
        QStringList{QStringLiteral("Confirmation | File \"%1\" already exists. Do you want to overwrite it?")
                        .arg(fileName)});
    EXPECT_EQ(wizard->Step(), 2);
    EXPECT_EQ(Read(fileName), QByteArray("keep me"));

    prompts.confirmAnswer = true;
    Click(wizard->NextButton());
    EXPECT_EQ(wizard->Step(), 4);
    EXPECT_TRUE(Read(fileName).startsWith("REGEDIT4\r\n"));
}

TEST_F(MaintenanceWizard, ABackupHoldsTheWholeTreeAndItsFolderOpensFromTheDonePage) {
    // A change the program holds in memory only still reaches the file.
    data.FindTask(QStringLiteral("ID-PHOTOS"))->Name = QStringLiteral("Holiday photos");
    auto wizard = MakeWizard();
    const QString fileName = home.File(QStringLiteral("backup.reg"));
    Run(*wizard, true, fileName);
    ASSERT_EQ(wizard->Step(), 4);
    EXPECT_EQ(Title(*wizard), QStringLiteral("Backup succesfully finished!"));
    EXPECT_FALSE(wizard->NextButton()->isEnabled());
    EXPECT_TRUE(wizard->BackButton()->isEnabled());

    const QByteArray text = Read(fileName);
    EXPECT_EQ(text, ExportRegText());
    EXPECT_TRUE(
        text.contains("[HKEY_CURRENT_USER\\Software\\Halvorine\\Tarnovex\\1.0\\Tasks\\ID-PHOTOS]\r\n"
                      "\"Name\"=\"Holiday photos\"\r\n"));

    auto* open = Child<QPushButton>(wizard.get(), "OpenExplorerButton");
    ASSERT_TRUE(open->isVisible());
    Click(open);
    EXPECT_EQ(prompts.opened, QStringList{home.Path().chopped(1)});
    EXPECT_EQ(wizard->BackupFolder(), home.Path().chopped(1));
}

TEST_F(MaintenanceWizard, ABackupThatCannotBeWrittenSaysSoWithTheReason) {
    auto wizard = MakeWizard();
    const QString fileName = home.File(QStringLiteral("no such folder/backup.reg"));
    Run(*wizard, true, fileName);
    ASSERT_EQ(wizard->Step(), 4);
    EXPECT_TRUE(wizard->Failed());
    EXPECT_EQ(Title(*wizard), QStringLiteral("Backup failed!"));
    EXPECT_TRUE(wizard->FailureReason().contains(fileName)) << wizard->FailureReason().toStdString();
    EXPECT_EQ(Child<QLabel>(wizard.get(), "FinishTextLabel")->text(), wizard->FailureReason());
    EXPECT_FALSE(Child<QPushButton>(wizard.get(), "OpenExplorerButton")->isVisible());
    EXPECT_FALSE(QFile::exists(fileName));
}

TEST_F(MaintenanceWizard, ARestoreNeedsAnExistingFile) {
    auto wizard = MakeWizard();
    Run(*wizard, false, QString());
    EXPECT_EQ(prompts.errors, QStringList{QStringLiteral("Error | File \"\" not found!")});
    EXPECT_EQ(wizard->Step(), 2);
    Child<QLineEdit>(wizard.get(), "RestoreFileEdit")->setText(home.Path());
    Click(wizard->NextButton());
    EXPECT_EQ(prompts.errors.size(), 2);
    EXPECT_EQ(wizard->Step(), 2);
}

TEST_F(MaintenanceWizard, SettingsAndTasksBackedUpChangedAndRestoredAreEqualAgain) {
    GlobalSettings().Performance.SchedulePauseMin = 7;
    TScheduler scheduler(data);
    TMainWindow window(data, &scheduler);
    window.SaveAllSettings();
    ASSERT_TRUE(window.SelectTask(QStringLiteral("ID-REPORTS")));
    const QString fileName = home.File(QStringLiteral("backup.reg"));
    {
        auto wizard = MakeWizard(&window, &scheduler);
        Run(*wizard, true, fileName);
        ASSERT_EQ(Title(*wizard), QStringLiteral("Backup succesfully finished!"));
    }
    const QByteArray backup = Read(fileName);

    // Changed and saved: a task, a group, a preference.
    TTask* reports = data.FindTask(QStringLiteral("ID-REPORTS"));
    reports->Name = QStringLiteral("Changed");
    data.Groups[0] = QStringLiteral("Renamed");
    reports->BelongToGroup = QStringLiteral("Renamed");
    GlobalSettings().Performance.SchedulePauseMin = 30;
    window.UpdateAll();
    window.SaveAllSettings();
    ASSERT_NE(ExportRegText(), backup);
    ASSERT_EQ(window.LogModel().Logger(), FindLogger(*window.SelectedTask()));

    auto wizard = MakeWizard(&window, &scheduler);
    Run(*wizard, false, fileName);
    ASSERT_EQ(wizard->Step(), 4);
    EXPECT_EQ(Title(*wizard), QStringLiteral("Restore succesfully finished!"))
        << wizard->FailureReason().toStdString();

    EXPECT_EQ(ExportRegText(), backup);
    EXPECT_EQ(TaskNames(), (QStringList{QStringLiteral("Photos"), QStringLiteral("Reports")}));
    EXPECT_EQ(data.Groups, QStringList{QStringLiteral("Office")});
    EXPECT_EQ(GlobalSettings().Performance.SchedulePauseMin, 7);
    // The window shows the new task objects; its log panel follows the selected one, and the scheduler
    // knows them.
    QStringList listed;
    for (int row = 0; row < window.TaskModel().rowCount(); ++row)
        listed.append(window.TaskModel().Text(row, TTaskListModel::colName));
    EXPECT_EQ(listed, (QStringList{QStringLiteral("Photos"), QStringLiteral("Reports")}));
    const TTask* selected = window.SelectedTask();
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->ID, QStringLiteral("ID-REPORTS"));
    EXPECT_NE(window.LogModel().Logger(), nullptr);
    EXPECT_EQ(window.LogModel().Logger(), FindLogger(*selected));
    for (const auto& task : data.Tasks)
        EXPECT_NE(scheduler.FolderMonitorOf(*task), nullptr) << task->Name.toStdString();
    // A refresh of the log panel finds only living tasks.
    window.RefreshLog();
}

TEST_F(MaintenanceWizard, ARestoreIsRefusedWhileATaskRuns) {
    const QString fileName = home.WriteFile(QStringLiteral("backup.reg"), ExportRegText());
    data.Tasks[0].IsRunning = true;
    const TTask* running = &data.Tasks[0];
    auto wizard = MakeWizard();
    Run(*wizard, false, fileName);
    ASSERT_EQ(prompts.errors.size(), 1);
    EXPECT_TRUE(prompts.errors[0].startsWith(
        QStringLiteral("Error | Settings cannot be restored while a task is running")));
    EXPECT_EQ(wizard->Step(), 2);
    EXPECT_EQ(&data.Tasks[0], running);

    // The restore itself refuses as well, whoever calls it.
    QString error;
    EXPECT_FALSE(RestoreSettingsFile(fileName, QString(), data, nullptr, nullptr, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(&data.Tasks[0], running);

    data.Tasks[0].IsRunning = false;
    Click(wizard->NextButton());
    EXPECT_EQ(Title(*wizard), QStringLiteral("Restore succesfully finished!"));
}

TEST_F(MaintenanceWizard, AFileTheImporterRejectsFailsTheRestoreAndWritesNothing) {
    const QByteArray before = ExportRegText();
    const QString fileName =
        home.WriteFile(QStringLiteral("bad.reg"),
                       "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Halvorine\\Tarnovex\\1.0\\Main]\r\n"
                       "\"Probe\"=\"written?\"\r\n\"Broken\"=nonsense\r\n");
    const TTask* first = &data.Tasks[0];
    auto wizard = MakeWizard();
    Run(*wizard, false, fileName);
    ASSERT_EQ(wizard->Step(), 4);
    EXPECT_TRUE(wizard->Failed());
    EXPECT_EQ(Title(*wizard), QStringLiteral("Restore failed!"));
    EXPECT_TRUE(wizard->FailureReason().contains(QStringLiteral("line 5")))
        << wizard->FailureReason().toStdString();
    EXPECT_EQ(ExportRegText(), before);
    // Nothing was reloaded either.
    EXPECT_EQ(&data.Tasks[0], first);

    // Back on the done page returns to the choice, the mode kept.
    Click(wizard->BackButton());
    EXPECT_EQ(wizard->Step(), 1);
    EXPECT_EQ(wizard->CurrentPage(), TMaintenanceForm::pgWelcome);
    EXPECT_EQ(wizard->Mode(), TMaintenanceForm::mdRestore);
}

TEST_F(MaintenanceWizard, AFileInTheOldComputersCodePageNeedsThatCodePage) {
    // "Café" in Windows-1252: not UTF-8.
    const QString fileName =
        home.WriteFile(QStringLiteral("old.reg"),
                       "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Halvorine\\Tarnovex\\1.0\\Main]\r\n"
                       "\"Probe\"=\"Caf\xE9\"\r\n");
    auto wizard = MakeWizard();
    Run(*wizard, false, fileName);
    EXPECT_EQ(Title(*wizard), QStringLiteral("Restore failed!"));
    EXPECT_TRUE(wizard->FailureReason().contains(QStringLiteral("code page")));
    EXPECT_EQ(StoredString(QStringLiteral("\\Main"), QStringLiteral("Probe")), QStringLiteral("(none)"));

    Click(wizard->BackButton());
    Click(wizard->NextButton());
    auto* codePage = Child<QComboBox>(wizard.get(), "RestoreCodePageComboBox");
    codePage->setCurrentIndex(codePage->findData(QStringLiteral("windows-1252")));
    ASSERT_GT(codePage->currentIndex(), 0);
    Click(wizard->NextButton());
    EXPECT_EQ(Title(*wizard), QStringLiteral("Restore succesfully finished!"))
        << wizard->FailureReason().toStdString();
    EXPECT_EQ(StoredString(QStringLiteral("\\Main"), QStringLiteral("Probe")), QString::fromUtf8("Café"));

    // A UTF-8 file keeps its texts whatever code page is chosen.
    const QString utf8 =
        home.WriteFile(QStringLiteral("new.reg"),
                       "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Halvorine\\Tarnovex\\1.0\\Main]\r\n"
                       "\"Probe\"=\"Caf\xC3\xA9 au lait\"\r\n");
    Click(wizard->BackButton());
    Click(wizard->NextButton());
    Child<QLineEdit>(wizard.get(), "RestoreFileEdit")->setText(utf8);
    Click(wizard->NextButton());
    EXPECT_EQ(Title(*wizard), QStringLiteral("Restore succesfully finished!"));
    EXPECT_EQ(StoredString(QStringLiteral("\\Main"), QStringLiteral("Probe")),
              QString::fromUtf8("Café au lait"));
}

TEST_F(MaintenanceWizard, ARestoreKeepsWhatTheFileDoesNotNameEvenIfItWasNotSavedYet) {
    const QString fileName = home.WriteFile(QStringLiteral("backup.reg"), ExportRegText());
    // A task the program holds but has not saved yet, and a change of a stored one.
    auto fresh = std::make_unique<TTask>();
    fresh->Name = QStringLiteral("Unsaved");
    fresh->ID = QStringLiteral("ID-UNSAVED");
    data.Tasks.Add(std::move(fresh));
    data.FindTask(QStringLiteral("ID-PHOTOS"))->Name = QStringLiteral("Renamed");
    auto wizard = MakeWizard();
    Run(*wizard, false, fileName);
    ASSERT_EQ(Title(*wizard), QStringLiteral("Restore succesfully finished!"));
    EXPECT_EQ(TaskNames(),
              (QStringList{QStringLiteral("Photos"), QStringLiteral("Reports"), QStringLiteral("Unsaved")}));
}

TEST_F(MaintenanceWizard, TheKeyboardReachesEveryStep) {
    auto wizard = MakeWizard();
    auto* backup = Child<QRadioButton>(wizard.get(), "BackupRadioButton");
    backup->setFocus();
    QTest::keyClick(backup, Qt::Key_Space);
    ASSERT_EQ(wizard->Mode(), TMaintenanceForm::mdBackup);
    QTest::keyClick(backup, Qt::Key_Return);
    ASSERT_EQ(wizard->Step(), 2);
    auto* edit = Child<QLineEdit>(wizard.get(), "BackupFileEdit");
    edit->setText(home.File(QStringLiteral("keys.reg")));
    QTest::keyClick(edit, Qt::Key_Enter);
    ASSERT_EQ(wizard->Step(), 4);
    EXPECT_TRUE(QFile::exists(home.File(QStringLiteral("keys.reg"))));
    // On the done page Enter closes the wizard.
    QTest::keyClick(wizard.get(), Qt::Key_Return);
    EXPECT_FALSE(wizard->isVisible());
}

}  // namespace
