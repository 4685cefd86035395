#pragma once

#include <QString>

#include "ui/WizardFrame.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class TMainData;
class TMainWindow;
class TScheduler;

// The messages and file dialogs of the settings maintenance wizard, so that tests can answer them.
class TMaintenancePrompts {
public:
    virtual ~TMaintenancePrompts() = default;
    virtual void Error(const QString& caption, const QString& text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool Confirm(const QString& caption, const QString& text) = 0;
    // The save dialog of the backup file (asks before overwriting), starting with fileName; empty when
    // cancelled.
    virtual QString AskBackupFile(QWidget* parent, const QString& fileName) = 0;
    // The open dialog of the file to restore (existing files only); empty when cancelled.
    virtual QString AskRestoreFile(QWidget* parent, const QString& fileName) = 0;
    // Shows a folder in the desktop's file browser.
    virtual void OpenFolder(const QString& folder) = 0;
};

// The prompts as modal dialogs.
class TWidgetMaintenancePrompts : public TMaintenancePrompts {
public:
    explicit TWidgetMaintenancePrompts(QWidget* parent = nullptr) : parent_(parent) {}
    // The window the message boxes stand over.
    void SetParent(QWidget* parent) { parent_ = parent; }
    void Error(const QString& caption, const QString& text) override;
    bool Confirm(const QString& caption, const QString& text) override;
    QString AskBackupFile(QWidget* parent, const QString& fileName) override;
    QString AskRestoreFile(QWidget* parent, const QString& fileName) override;
    void OpenFolder(const QString& folder) override;

private:
    QWidget* parent_;
};

// Whether a restore would pull the task objects from under a run or an open properties dialog: the
// reload replaces every task object.
bool TasksBusy(const TMainData& data);

// Loads a settings file into the store and brings the program in line with it. codePage names the
// code page of a file that is not UTF-8 (empty: such a file is refused). The whole file is checked
// before anything is written; values of the file replace stored ones, keys and values it does not
// name stay. Then the global settings, the groups and tasks, the hot keys and (when given) the
// scheduler's folder watchers and the window's placement and views are reloaded; the views and the
// scheduler let go of the former task objects first. Refused while TasksBusy. False with the reason
// when nothing was written.
bool RestoreSettingsFile(const QString& fileName, const QString& codePage, TMainData& data,
                         TMainWindow* window, TScheduler* scheduler, QString* error = nullptr);

// Saves the whole settings tree to a settings backup file, or loads one back (see
// RestoreSettingsFile). Four steps in either mode: the choice of the mode, the file, the work (done
// at once) and the outcome; "< &Back" from the options or from the outcome returns to the choice, the
// mode kept.
class TMaintenanceForm : public TWizardFrame {
public:
    enum TMode { mdNone, mdBackup, mdRestore };
    enum TPage { pgWelcome, pgBackupOptions, pgRestoreOptions, pgProcess, pgFinish };
    static constexpr int kLastStep = 4;

    // window and scheduler (when given) follow a restore.
    TMaintenanceForm(TMainData& data, TMaintenancePrompts& prompts, QWidget* parent = nullptr,
                     TMainWindow* window = nullptr, TScheduler* scheduler = nullptr);

    TMode Mode() const;
    int Step() const { return step_; }
    bool Failed() const { return failed_; }
    QString FailureReason() const { return failure_; }
    // The folder of the last backup file, for "Open Explorer".
    QString BackupFolder() const { return backupFolder_; }

    void CheckState();
    void Next();
    void Back();

private:
    void BuildWelcomePage();
    void BuildBackupPage();
    void BuildRestorePage();
    void BuildProcessPage();
    void BuildFinishPage();
    // The checks of "&Next >" on the options page; false keeps the step.
    bool OptionsAccepted();
    void Backup();
    void Restore();
    void ShowStep();

    TMainData& data_;
    TMaintenancePrompts& prompts_;
    TMainWindow* window_;
    TScheduler* scheduler_;
    int step_ = 1;
    bool failed_ = false;
    QString failure_;
    QString backupFolder_;

    QButtonGroup* modes_ = nullptr;
    QRadioButton* backup_ = nullptr;
    QRadioButton* restore_ = nullptr;
    QLineEdit* backupFile_ = nullptr;
    QLineEdit* restoreFile_ = nullptr;
    QComboBox* codePage_ = nullptr;
    QLabel* processTitle_ = nullptr;
    QLabel* finishTitle_ = nullptr;
    QLabel* finishText_ = nullptr;
    QWidget* openExplorer_ = nullptr;
};

// Shows the wizard modally over the window.
void RunMaintenanceWizard(TMainWindow& window, TMainData& data, TScheduler* scheduler);
