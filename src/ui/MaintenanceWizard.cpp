#include "ui/MaintenanceWizard.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

#include "legacy/LegacyText.h"
#include "logging/TaskLogger.h"
#include "model/MainData.h"
#include "model/Task.h"
#include "schedule/Scheduler.h"
#include "settings/FormatText.h"
#include "settings/GlobalSettings.h"
#include "store/RegFile.h"
#include "store/SafeRegistry.h"
#include "ui/LogModel.h"
#include "ui/MainWindow.h"
#include "ui/TaskListModel.h"
#include "ui/TranslateForm.h"

namespace {

// Settings files are small; anything larger is not one, and is not read into memory.
constexpr qint64 kMaxSettingsFileSize = 64 * 1024 * 1024;

const QString kRegFilter = QStringLiteral("Registration Files (*.reg);;All files (*)");

// The fixed texts of the wizard's messages (they are not translated).
const QString kErrorCaption = QStringLiteral("Error");
const QString kConfirmationCaption = QStringLiteral("Confirmation");

QString BusyText() {
    return QStringLiteral(
        "Settings cannot be restored while a task is running or its properties are open, because the "
        "restore replaces every task. Wait until the running tasks have finished (or stop them) and try "
        "again.");
}

// Brings the program in line with the store after a restore: every task object is replaced, so the
// views, the loggers and the scheduler let go of the former ones first.
void ReloadSettings(TMainData& data, TMainWindow* window, TScheduler* scheduler) {
    QString selectedId;
    if (window != nullptr) {
        if (const TTask* task = window->SelectedTask())
            selectedId = task->ID;
        window->LogModel().SetLogger(nullptr);
        window->TaskModel().ClearGroup();
    }
    for (const auto& task : data.Tasks) {
        if (scheduler != nullptr)
            scheduler->ForgetTask(*task);
        ForgetLogger(*task);
    }
    LoadGlobalSettings();
    data.LoadAll();
    data.RegisterHotKeys();
    if (scheduler != nullptr)
        scheduler->RebuildAllFolderWatchers();
    if (window == nullptr)
        return;
    // The window selects the stored current task, else the one selected before; the log panel follows
    // the selection only when the task has a logger to show.
    for (const QString& id : {GlobalSettings().Main.CurrentProject, selectedId})
        if (const TTask* task = data.FindTask(id))
            LoggerOf(*task);
    if (GlobalSettings().Main.CurrentProject.isEmpty())
        GlobalSettings().Main.CurrentProject = selectedId;
    window->LoadWindowSettings();
    window->UpdateAll();
}

}  // namespace

// --- prompts ----------------------------------------------------------------------------------------

void TWidgetMaintenancePrompts::Error(const QString& caption, const QString& text) {
    QMessageBox::critical(parent_, caption, text);
}

bool TWidgetMaintenancePrompts::Confirm(const QString& caption, const QString& text) {
    return QMessageBox::question(parent_, caption, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

QString TWidgetMaintenancePrompts::AskBackupFile(QWidget* parent, const QString& fileName) {
    QFileDialog dialog(parent, QString(), fileName, kRegFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("reg"));
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString TWidgetMaintenancePrompts::AskRestoreFile(QWidget* parent, const QString& fileName) {
    QFileDialog dialog(parent, QString(), fileName, kRegFilter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("reg"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void TWidgetMaintenancePrompts::OpenFolder(const QString& folder) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

// --- restore ----------------------------------------------------------------------------------------

bool TasksBusy(const TMainData& data) {
    for (const auto& task : data.Tasks)
        if (task->IsRunning || task->Worker != nullptr || task->EditLock)
            return true;
    return false;
}

bool RestoreSettingsFile(const QString& fileName, const QString& codePage, TMainData& data,
                         TMainWindow* window, TScheduler* scheduler, QString* error) {
    const auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (TasksBusy(data))
        return fail(BusyText());
    QFile file(fileName);
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("The file \"%1\" cannot be read: %2").arg(fileName, file.errorString()));
    if (file.size() > kMaxSettingsFileSize)
        return fail(QStringLiteral("The file \"%1\" is too large to be a settings file.").arg(fileName));
    const QByteArray bytes = file.readAll();
    QByteArray text;
    QString reason;
    // The code page is for files that are not UTF-8: a file this program wrote keeps its texts.
    if (!Legacy::SettingsFileAsUtf8(bytes, Legacy::IsUtf8(bytes) ? QString() : codePage, text, &reason)) {
        if (codePage.isEmpty())
            return fail(QStringLiteral(
                "The file is not UTF-8 text. If it comes from another computer, choose that "
                "computer's code page (for example Western European (Windows-1252)) under "
                "\"Code page of a file that is not UTF-8\" in the restore options and try again."));
        return fail(reason);
    }
    TRegFileContent content;
    if (!ParseRegText(text, content, &reason))
        return fail(QStringLiteral("The file \"%1\" cannot be loaded: %2. Nothing was changed.")
                        .arg(fileName, reason));
    // The file adds to the settings as the program holds them now, so what it does not name survives the
    // reload even if it was not saved yet.
    if (window != nullptr)
        window->SaveAllSettings();
    else
        SaveAllSettings(data);
    // The import writes the whole file in one transaction.
    if (!ImportRegText(text, &reason))
        return fail(QStringLiteral("The file \"%1\" cannot be loaded: %2.").arg(fileName, reason));
    ReloadSettings(data, window, scheduler);
    return true;
}

// --- the wizard ------------------------------------------------------------------------------------

TMaintenanceForm::TMaintenanceForm(TMainData& data, TMaintenancePrompts& prompts, QWidget* parent,
                                   TMainWindow* window, TScheduler* scheduler)
    : TWizardFrame(QStringLiteral("Settings Maintenance Wizard"), parent),
      data_(data),
      prompts_(prompts),
      window_(window),
      scheduler_(scheduler) {
    setObjectName(QStringLiteral("MaintenanceForm"));
    setWindowTitle(QStringLiteral("Tarnovex Settings Maintenance Wizard"));
    BuildWelcomePage();
    BuildBackupPage();
    BuildRestorePage();
    BuildProcessPage();
    BuildFinishPage();
    connect(NextButton(), &QPushButton::clicked, this, &TMaintenanceForm::Next);
    connect(BackButton(), &QPushButton::clicked, this, &TMaintenanceForm::Back);
    // Wide enough that a backup file's path in the home folder shows whole.
    resize(720, 440);
    SetHelpTopic(QStringLiteral("/files/menus.html#tools"));
    TranslateForm(this);
    ShowStep();
    CheckState();
}

void TMaintenanceForm::BuildWelcomePage() {
    QVBoxLayout* page = AddPage(QStringLiteral("WelcomeTabSheet"), QStringLiteral("WelcomeTitleLabel"),
                                QStringLiteral("Welcome to Settings Maintenance Wizard!"));
    page->addWidget(
        NewLabel(QStringLiteral("WelcomeTextLabel"),
                 QStringLiteral("The settings are the preferences, the window layout, the "
                                "archiver and encryptor definitions, the groups and the tasks.")));
    page->addSpacing(8);
    backup_ = new QRadioButton(QStringLiteral("Backup: Save current settings to a file"));
    backup_->setObjectName(QStringLiteral("BackupRadioButton"));
    restore_ = new QRadioButton(QStringLiteral("Restore: Load settings from a file"));
    restore_->setObjectName(QStringLiteral("RestoreRadioButton"));
    modes_ = new QButtonGroup(this);
    modes_->setObjectName(QStringLiteral("ModeRadioGroup"));
    modes_->addButton(backup_, 0);
    modes_->addButton(restore_, 1);
    // Each choice is as wide as its text: a click far right of the text does not choose it.
    page->addWidget(backup_, 0, Qt::AlignLeft);
    page->addWidget(restore_, 0, Qt::AlignLeft);
    page->addStretch(1);
    page->addWidget(
        NewLabel(QStringLiteral("WelcomeNextLabel"), QStringLiteral("Click Next to continue...")));
    connect(modes_, &QButtonGroup::idToggled, this, [this] { CheckState(); });
}

namespace {

// The three parts of the settings, always all saved and loaded.
QGroupBox* NewWhatBox(const QString& prefix, const QString& title) {
    auto* box = new QGroupBox(title);
    box->setObjectName(prefix + QStringLiteral("WhatGroupBox"));
    auto* layout = new QVBoxLayout(box);
    const std::pair<const char*, const char*> parts[] = {
        {"SettingsCheckBox", "Settings"}, {"TasksCheckBox", "Tasks"}, {"WindowCheckBox", "Window Position"}};
    for (const auto& [name, text] : parts) {
        auto* check = new QCheckBox(QString::fromLatin1(text));
        check->setObjectName(prefix + QString::fromLatin1(name));
        check->setChecked(true);
        check->setEnabled(false);
        layout->addWidget(check);
    }
    return box;
}

QHBoxLayout* FileRow(QLineEdit* edit, QPushButton* browse) {
    auto* row = new QHBoxLayout;
    browse->setAutoDefault(false);
    row->addWidget(edit, 1);
    row->addWidget(browse);
    return row;
}

}  // namespace

void TMaintenanceForm::BuildBackupPage() {
    QVBoxLayout* page = AddPage(QStringLiteral("BackupTabSheet"), QStringLiteral("BackupTitleLabel"),
                                QStringLiteral("Backup options"));
    auto* label = NewLabel(QStringLiteral("BackupFileLabel"), QStringLiteral("Backup file name:"));
    page->addWidget(label);
    backupFile_ = new QLineEdit(QStringLiteral("Tarnovex Settings Backup.reg"));
    backupFile_->setObjectName(QStringLiteral("BackupFileEdit"));
    label->setBuddy(backupFile_);
    auto* browse = new QPushButton(QStringLiteral("Browse..."));
    browse->setObjectName(QStringLiteral("BackupBrowseButton"));
    page->addLayout(FileRow(backupFile_, browse));
    page->addSpacing(12);
    page->addWidget(NewWhatBox(QStringLiteral("Backup"), QStringLiteral("What to backup?")));
    page->addStretch(1);
    page->addWidget(NewLabel(QStringLiteral("BackupNextLabel"), QStringLiteral("Click Next to continue...")));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen = prompts_.AskBackupFile(this, backupFile_->text().trimmed());
        if (!chosen.isEmpty())
            backupFile_->setText(chosen);
    });
}

void TMaintenanceForm::BuildRestorePage() {
    QVBoxLayout* page = AddPage(QStringLiteral("RestoreTabSheet"), QStringLiteral("RestoreTitleLabel"),
                                QStringLiteral("Restore options"));
    auto* label = NewLabel(QStringLiteral("RestoreFileLabel"), QStringLiteral("Restore from file:"));
    page->addWidget(label);
    restoreFile_ = new QLineEdit;
    restoreFile_->setObjectName(QStringLiteral("RestoreFileEdit"));
    label->setBuddy(restoreFile_);
    auto* browse = new QPushButton(QStringLiteral("Browse..."));
    browse->setObjectName(QStringLiteral("RestoreBrowseButton"));
    page->addLayout(FileRow(restoreFile_, browse));
    page->addSpacing(8);

    // Files this program writes are UTF-8; an export made on the old computer is in its code page.
    auto* codePageLabel = NewLabel(QStringLiteral("RestoreCodePageLabel"),
                                   QStringLiteral("Code page of a file that is not UTF-8:"));
    page->addWidget(codePageLabel);
    codePage_ = new QComboBox;
    codePage_->setObjectName(QStringLiteral("RestoreCodePageComboBox"));
    codePage_->addItem(QStringLiteral("None: load UTF-8 files only"), QString());
    FillCodePageCombo(codePage_, QString());
    codePage_->setCurrentIndex(0);
    codePageLabel->setBuddy(codePage_);
    auto* codePageRow = new QHBoxLayout;
    codePageRow->addWidget(codePage_);
    codePageRow->addStretch(1);
    page->addLayout(codePageRow);
    page->addSpacing(12);
    page->addWidget(NewWhatBox(QStringLiteral("Restore"), QStringLiteral("What to restore?")));
    page->addStretch(1);
    page->addWidget(
        NewLabel(QStringLiteral("RestoreNextLabel"), QStringLiteral("Click Next to continue...")));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen = prompts_.AskRestoreFile(this, restoreFile_->text().trimmed());
        if (!chosen.isEmpty())
            restoreFile_->setText(chosen);
    });
}

void TMaintenanceForm::BuildProcessPage() {
    QVBoxLayout* page = AddPage(QStringLiteral("ProcessTabSheet"), QStringLiteral("ProcessTitleLabel"),
                                QStringLiteral("Saving settings to backup..."), &processTitle_);
    page->addStretch(1);
}

void TMaintenanceForm::BuildFinishPage() {
    QVBoxLayout* page = AddPage(QStringLiteral("FinishTabSheet"), QStringLiteral("FinishTitleLabel"),
                                QStringLiteral("Backup succesfully finished!"), &finishTitle_);
    finishText_ = NewLabel(QStringLiteral("FinishTextLabel"), QString());
    finishText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    page->addWidget(finishText_);
    page->addSpacing(12);
    auto* open = new QPushButton(QStringLiteral("Open Explorer"));
    open->setObjectName(QStringLiteral("OpenExplorerButton"));
    open->setAutoDefault(false);
    auto* row = new QHBoxLayout;
    row->addWidget(open);
    row->addStretch(1);
    page->addLayout(row);
    page->addStretch(1);
    openExplorer_ = open;
    connect(open, &QPushButton::clicked, this, [this] { prompts_.OpenFolder(backupFolder_); });
}

// --- state ------------------------------------------------------------------------------------------

TMaintenanceForm::TMode TMaintenanceForm::Mode() const {
    if (backup_->isChecked())
        return mdBackup;
    return restore_->isChecked() ? mdRestore : mdNone;
}

void TMaintenanceForm::CheckState() {
    NextButton()->setEnabled(Mode() != mdNone && step_ < kLastStep);
    BackButton()->setEnabled(step_ >= 2);
}

void TMaintenanceForm::ShowStep() {
    const bool backup = Mode() == mdBackup;
    switch (step_) {
        case 1:
            ShowPage(pgWelcome);
            // The keyboard starts at the choice (the chosen mode when there is one), not at Help.
            (restore_->isChecked() ? restore_ : backup_)->setFocus();
            break;
        case 2:
            ShowPage(backup ? pgBackupOptions : pgRestoreOptions);
            (backup ? backupFile_ : restoreFile_)->setFocus();
            break;
        case 3:
            processTitle_->setText(backup ? QStringLiteral("Saving settings to backup...")
                                          : QStringLiteral("Restoring settings from backup..."));
            ShowPage(pgProcess);
            break;
        default:
            if (backup)
                finishTitle_->setText(failed_ ? QStringLiteral("Backup failed!")
                                              : QStringLiteral("Backup succesfully finished!"));
            else
                finishTitle_->setText(failed_ ? QStringLiteral("Restore failed!")
                                              : QStringLiteral("Restore succesfully finished!"));
            openExplorer_->setVisible(backup && !failed_);
            ShowPage(pgFinish);
            break;
    }
    // On the last page Enter closes the wizard.
    SetDefaultButton(step_ >= kLastStep ? CloseButton() : NextButton());
}

bool TMaintenanceForm::OptionsAccepted() {
    if (Mode() == mdBackup) {
        const QString name = backupFile_->text().trimmed();
        if (name.isEmpty()) {
            prompts_.Error(kErrorCaption, QStringLiteral("Please enter valid file name!"));
            return false;
        }
        if (QFileInfo::exists(name) &&
            !prompts_.Confirm(
                kConfirmationCaption,
                FormatText(QStringLiteral("File \"%s\" already exists. Do you want to overwrite it?"),
                           {name})))
            return false;
        return true;
    }
    const QString name = restoreFile_->text().trimmed();
    if (!QFileInfo(name).isFile()) {
        prompts_.Error(kErrorCaption, FormatText(QStringLiteral("File \"%s\" not found!"), {name}));
        return false;
    }
    if (TasksBusy(data_)) {
        prompts_.Error(kErrorCaption, BusyText());
        return false;
    }
    return true;
}

void TMaintenanceForm::Next() {
    if (Mode() == mdNone || step_ >= kLastStep)
        return;
    if (step_ == 2 && !OptionsAccepted())
        return;
    ++step_;
    ShowStep();
    if (step_ == 3) {
        // The work is synchronous: the page is painted, but no event is served until it is done, so
        // that no run can start between the check of the options and the restore.
        repaint();
        if (Mode() == mdBackup)
            Backup();
        else
            Restore();
        ++step_;
        ShowStep();
    }
    CheckState();
}

void TMaintenanceForm::Back() {
    if (step_ >= 2)
        step_ = 1;
    ShowStep();
    CheckState();
}

void TMaintenanceForm::Backup() {
    failed_ = false;
    failure_.clear();
    const QString fileName = QFileInfo(backupFile_->text().trimmed()).absoluteFilePath();
    backupFolder_ = QFileInfo(fileName).absolutePath();
    // What the program holds in memory (the window's layout, the tasks' last runs) goes into the file too.
    if (window_ != nullptr)
        window_->SaveAllSettings();
    else
        SaveAllSettings(data_);
    QString error;
    if (!ExportRegFile(fileName, kProgramRoot, &error)) {
        failed_ = true;
        failure_ = QStringLiteral("The file \"%1\" could not be written: %2").arg(fileName, error);
        finishText_->setText(failure_);
        return;
    }
    finishText_->setText(QStringLiteral("The settings were saved to \"%1\".").arg(fileName));
}

void TMaintenanceForm::Restore() {
    failed_ = false;
    failure_.clear();
    const QString fileName = QFileInfo(restoreFile_->text().trimmed()).absoluteFilePath();
    QString error;
    if (!RestoreSettingsFile(fileName, codePage_->currentData().toString(), data_, window_, scheduler_,
                             &error)) {
        failed_ = true;
        failure_ = error;
        finishText_->setText(failure_);
        return;
    }
    finishText_->setText(QStringLiteral("The settings were loaded from \"%1\".").arg(fileName));
}

void RunMaintenanceWizard(TMainWindow& window, TMainData& data, TScheduler* scheduler) {
    TWidgetMaintenancePrompts prompts;
    TMaintenanceForm wizard(data, prompts, &window, &window, scheduler);
    prompts.SetParent(&wizard);
    wizard.exec();
}
