#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "model/Task.h"
#include "platform/SystemTimers.h"
#include "ui/DriveListReader.h"
#include "ui/SettingsControls.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;
class TMainData;
class TMountWatcher;
struct TEmailSettings;
struct TTestEmailResult;
class TScheduler;
class THotKeyEdit;

// The questions and messages of the task properties dialog. The dialog asks them through this
// interface so that tests can answer them without a person.
class TPropertiesPrompts {
public:
    enum class TAnswer { Yes, No, Cancel };
    virtual ~TPropertiesPrompts() = default;
    // A warning with Yes, No and Cancel ("Do you want to correct this setting?").
    virtual TAnswer AskCorrect(const QString& caption, const QString& text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool Confirm(const QString& caption, const QString& text) = 0;
    virtual void Error(const QString& caption, const QString& text) = 0;
    virtual void Information(const QString& caption, const QString& text) = 0;
};

// The prompts as message boxes over parent.
class TWidgetPropertiesPrompts : public TPropertiesPrompts {
public:
    explicit TWidgetPropertiesPrompts(QWidget* parent) : parent_(parent) {}
    TAnswer AskCorrect(const QString& caption, const QString& text) override;
    bool Confirm(const QString& caption, const QString& text) override;
    void Error(const QString& caption, const QString& text) override;
    void Information(const QString& caption, const QString& text) override;

private:
    QWidget* parent_;
};

// Where the dialog's outside services come from. The program sets Scheduler once it exists; tests
// replace the others. An unset member means the program's own service.
struct TPropertiesServices {
    // The media test switches the scheduler's media trigger; without a scheduler it is not offered.
    TScheduler* Scheduler = nullptr;
    // The system task scheduler; nullptr: the user's systemd timers.
    TSystemTimers* Timers = nullptr;
    // The drive list of the media page: the drives and the row of one drive, both on the reader thread.
    TDriveListReader::TListFunction ListDrives;
    TDriveListReader::TReadFunction ReadDrive;
    // The mount table watched for mounts and unmounts, after which the drives are read again; empty:
    // not watched.
    QString MountTable = QStringLiteral("/proc/self/mountinfo");
    // The check of an OnCalendar line; unset: TSystemTimers::CheckCalendar.
    std::function<TSystemTimers::TCalendarCheck(const QString& line)> CheckCalendar;
    // Sends a test e-mail and reports the outcome on the main thread; unset: SendTestEmailAsync.
    std::function<void(const TEmailSettings&, std::function<void(const TTestEmailResult&)>)> SendTestEmail;
    // The browsers of sound files and folders: the chosen path, or empty when cancelled.
    std::function<QString(QWidget* parent, const QString& start)> AskSoundFile;
    std::function<QString(QWidget* parent, const QString& start)> AskFolder;
};
TPropertiesServices& PropertiesServices();
void ResetPropertiesServices();

// The task properties dialog: a page list on the left, the chosen page on the right. It edits a copy
// of the task; OK checks the entries and, when they pass, the caller takes the edited record with
// ApplyTo. The task itself is never touched by the dialog, so Cancel leaves it as it was.
class TTaskPropertiesForm : public QDialog {
    Q_OBJECT
public:
    // Page indexes in navigator order. The pages from pgSchedule to pgMsScheduler are shown below
    // pgAutorun, those from pgRunPrograms to pgEmailSettings below pgAdvanced.
    enum TPage {
        pgGeneral,
        pgSource,
        pgDestination,
        pgFilters,
        pgCompression,
        pgEncryption,
        pgOldVersions,
        pgObsolete,
        pgOptions,
        pgErrorHandling,
        pgAutorun,
        pgSchedule,
        pgSmartDetect,
        pgFolderMonitor,
        pgHotKey,
        pgMsScheduler,
        pgAdvanced,
        pgRunPrograms,
        pgAutoDial,
        pgHardwareProfile,
        pgBandwidth,
        pgTaskPassword,
        pgLogSettings,
        pgEventAlerts,
        pgCpuPerformance,
        pgPowerManagement,
        pgEmailSettings,
        pgCount
    };

    // task is only read, except that "Reset Now" clears its error flag at once (run-time state).
    TTaskPropertiesForm(TTask& task, const TMainData& data, TPropertiesPrompts& prompts,
                        QWidget* parent = nullptr);
    // Stops the drive reader and ends a media test this dialog started.
    ~TTaskPropertiesForm() override;

    // The edited record (valid after OK): persisted options and the three lists.
    const TTask& Edited() const { return edited_; }
    // Copies the persisted options and lists of the edited record into task; run-time state stays.
    void ApplyTo(TTask& task) const;

    int CurrentPage() const;
    void SetCurrentPage(int page);

    // The archive name the compressor wants for the task name: the name with its extension replaced by
    // compressorExtension. Empty when the name is blank.
    static QString ArchiveNameFor(const QString& taskName, const QString& compressorExtension);
    // The file extension of a compressor list entry: "zip" for the built-in entry.
    static QString CompressorExtensionOf(const QString& compressorName);

    // OK: runs the checks and closes with OK only when they pass.
    void accept() override;

    // The watcher of the mount table behind the drive list (created when the media page is first
    // shown); tests feed it mount tables.
    TMountWatcher* DriveWatcher() const { return driveWatcher_.get(); }

private:
    void BuildPages();
    QWidget* BuildGeneralPage();
    QWidget* BuildSourcePage();
    QWidget* BuildDestinationPage();
    QWidget* BuildFiltersPage();
    QWidget* BuildCompressionPage();
    QWidget* BuildEncryptionPage();
    QWidget* BuildOldVersionsPage();
    QWidget* BuildObsoletePage();
    QWidget* BuildOptionsPage();
    QWidget* BuildErrorHandlingPage();
    QWidget* BuildSchedulePage();
    QWidget* BuildFolderMonitorPage();
    QWidget* BuildRunProgramsPage();
    QWidget* BuildBandwidthPage();
    QWidget* BuildTaskPasswordPage();
    QWidget* BuildLogSettingsPage();
    QWidget* BuildAutoDialPage();
    QWidget* BuildHardwareProfilePage();
    QWidget* BuildCpuPerformancePage();
    QWidget* BuildPowerManagementPage();
    QWidget* BuildEmailSettingsPage();
    QWidget* BuildAutorunPage();
    QWidget* BuildSmartDetectPage();
    QWidget* BuildHotKeyPage();
    QWidget* BuildMsSchedulerPage();
    QWidget* BuildAdvancedPage();
    QWidget* BuildEventAlertsPage();
    // An overview: a text and a link to each of the pages.
    QWidget* OverviewPage(const QString& text, int firstPage, int lastPage);

    // Controls tied to one field of the record: filled by LoadControls, read back by StoreControls.
    QCheckBox* BoundCheck(const QString& caption, const char* name, bool TTaskOptions::*field);
    QLineEdit* BoundText(const char* name, QString TTaskOptions::*field, bool password = false);
    QSpinBox* BoundSpin(const char* name, int TTaskOptions::*field, int min, int max);
    // A "use the default/common ... settings" box: while it is ticked the group's own controls are off.
    QWidget* DefaultGroup(QVBoxLayout* layout, const QString& caption, const char* name,
                          bool TTaskOptions::*field);

    void LoadControls();
    void StoreControls();  // controls -> edited_ (plain fields; the lists are kept up to date live)
    void UpdateEnabling();
    void UpdateArchiveName();
    void UpdateTitle();
    void OnPageChanged(int page);
    void OnActionChosen(int index);
    void OnDestinationChosen(int index);
    void SetMultipleView(bool multiple);
    void RefreshSourceList();
    void RefreshFilterList();
    void RefreshScheduleList();
    void AddSourceRow();
    void EditSourceRow();
    void RemoveSourceRow();
    void AddFilter(const TTaskFilterItem& item, bool atTop);
    void EditFilter();
    void RemoveFilter();
    void MoveFilter(int delta);
    void RemoveSchedule();
    bool CheckEntries();
    // Yes/No/Cancel warning; true when the user accepts the setting (No).
    bool AskToCorrect(const QString& text, int page, QWidget* focus);
    void LoadErrorState();
    // Media SmartDetect
    void StartDriveReader();
    void AddDriveRow(const TSmartDetectDrive& drive);
    void AddToSmartDetect();
    void TestSmartDetect();
    // Hot key
    void UpdateHotKeyState();
    // MS Task Scheduler
    TSystemTimers& Timers() const;
    void RefreshTimerState();
    void AddOrModifyTimer();
    void RemoveTimer();
    // Event alerts and e-mail tests
    void ShowAlertSet(int set);
    void StoreAlertSet(int set);
    void SendTestEmail(const TEmailSettings& settings);
    QString CompressorName() const;
    bool MultipleView() const { return multipleView_; }

    TTask& original_;
    TTask edited_;
    const TMainData& data_;
    TPropertiesPrompts& prompts_;
    bool multipleView_ = false;
    int previousPage_ = 0;
    int lastActionIndex_ = 0;
    int lastDestIndex_ = 0;

    QTreeWidget* navigator_ = nullptr;
    std::array<QTreeWidgetItem*, pgCount> navigatorItems_{};
    QStackedWidget* pages_ = nullptr;

    // General
    QLineEdit* name_ = nullptr;
    QComboBox* group_ = nullptr;
    QComboBox* action_ = nullptr;
    QLineEdit* authUser_ = nullptr;
    QLineEdit* authPassword_ = nullptr;
    // Source
    QWidget* singleBox_ = nullptr;
    QWidget* multipleBox_ = nullptr;
    QLineEdit* sourceFolder_ = nullptr;
    QCheckBox* includeSubfolders_ = nullptr;
    QPushButton* toggleView_ = nullptr;
    QTreeWidget* sourceList_ = nullptr;
    // Destination
    QComboBox* destType_ = nullptr;
    QWidget* localBox_ = nullptr;
    QWidget* ftpBox_ = nullptr;
    QPushButton* ftpAdvanced_ = nullptr;
    QLineEdit* destLocal_ = nullptr;
    QLabel* destLocalExpanded_ = nullptr;
    QLineEdit* ftpAddress_ = nullptr;
    QLineEdit* ftpFolder_ = nullptr;
    QSpinBox* ftpPort_ = nullptr;
    QLineEdit* ftpLogin_ = nullptr;
    QLineEdit* ftpPassword_ = nullptr;
    QCheckBox* ftpPassive_ = nullptr;
    QComboBox* ftpSecurity_ = nullptr;
    QCheckBox* ftpAcceptSelfSigned_ = nullptr;
    // Filters
    QListWidget* filterList_ = nullptr;
    // Compression
    QCheckBox* compressUse_ = nullptr;
    QComboBox* compressType_ = nullptr;
    QRadioButton* compressSingle_ = nullptr;
    QRadioButton* compressSeparate_ = nullptr;
    QLineEdit* compressFilename_ = nullptr;
    QLineEdit* compressPassword_ = nullptr;
    QLineEdit* compressPassword2_ = nullptr;
    QSpinBox* compressLevel_ = nullptr;
    QComboBox* compressEncryption_ = nullptr;
    // Encryption
    QCheckBox* cryptUse_ = nullptr;
    QComboBox* cryptType_ = nullptr;
    QLineEdit* cryptPassword_ = nullptr;
    QLineEdit* cryptPassword2_ = nullptr;
    // Old versions
    QComboBox* versionsKind_ = nullptr;
    QLineEdit* versionsFolder_ = nullptr;
    QCheckBox* versionsKeepStruct_ = nullptr;
    QSpinBox* versionsNum_ = nullptr;
    // Obsolete files
    QComboBox* deleteKind_ = nullptr;
    QLineEdit* deletedFolder_ = nullptr;
    QCheckBox* deletedKeepStruct_ = nullptr;
    QCheckBox* deleteEmptyFolders_ = nullptr;
    QSpinBox* deletedNum_ = nullptr;
    // Options
    QCheckBox* optOverwriteNewer_ = nullptr;
    QCheckBox* optSyncDeletions_ = nullptr;
    QCheckBox* optCopyInUse_ = nullptr;
    QCheckBox* optCompare_ = nullptr;
    QCheckBox* optKeepStructure_ = nullptr;
    QCheckBox* optCopyIfZero_ = nullptr;
    QCheckBox* optDontSkipBigger_ = nullptr;
    QCheckBox* optClearArchiveBit_ = nullptr;
    QCheckBox* optDisableIndex_ = nullptr;
    // Error handling
    QSpinBox* retries_ = nullptr;
    QSpinBox* pauseBeforeRetry_ = nullptr;
    QSpinBox* maxErrors_ = nullptr;
    QCheckBox* flagAutoReset_ = nullptr;
    QSpinBox* flagAutoResetValue_ = nullptr;
    QComboBox* flagAutoResetUnit_ = nullptr;
    QLabel* errorState_ = nullptr;
    QPushButton* resetNow_ = nullptr;
    bool resetErrorFlag_ = false;
    // Schedule
    QListWidget* scheduleList_ = nullptr;
    QCheckBox* skipMissed_ = nullptr;
    // Task password
    QCheckBox* protectionDefault_ = nullptr;
    QLineEdit* protectionPassword_ = nullptr;
    QLineEdit* protectionPassword2_ = nullptr;
    QComboBox* measureKind_ = nullptr;
    // Media SmartDetect
    QCheckBox* smartDetectUse_ = nullptr;
    QLineEdit* smartDetectDrive_ = nullptr;
    QLineEdit* smartDetectLabel_ = nullptr;
    QLineEdit* smartDetectSerial_ = nullptr;
    QCheckBox* smartDetectNoMediaNoRun_ = nullptr;
    QTreeWidget* driveList_ = nullptr;
    QPushButton* smartDetectAdd_ = nullptr;
    QPushButton* smartDetectTest_ = nullptr;
    std::unique_ptr<TDriveListReader> driveReader_;
    std::unique_ptr<TMountWatcher> driveWatcher_;
    TScheduler* mediaTestScheduler_ = nullptr;  // the scheduler whose media test this dialog started
    // Hot key
    THotKeyEdit* hotKey_ = nullptr;
    QLabel* hotKeyState_ = nullptr;
    QCheckBox* hotKeyBringToFront_ = nullptr;
    // MS Task Scheduler
    QLabel* timerState_ = nullptr;
    QPushButton* timerAddModify_ = nullptr;
    QPushButton* timerRemove_ = nullptr;
    bool timersAsked_ = false;
    bool timersAvailable_ = false;
    // Event alerts: the controls of the shown set's events.
    QComboBox* alertSet_ = nullptr;
    int shownAlertSet_ = 0;
    TAlertSetControls alerts_{};
    QLineEdit* emailTo_ = nullptr;

    std::vector<std::function<void()>> loaders_;
    std::vector<std::function<void()>> storers_;
};

// Opens the properties of an existing task, modally over parent, and writes the edited values into
// task on OK (true). Refuses a running task with an error box and a protected task whose password is
// not given. While the dialog is open the task's EditLock is set. The caller saves the tasks
// (TMainData::SaveAll or SaveAllSettings) and re-arms the task's folder monitor after true.
// prompts may be null: message boxes over parent are used then; passwordPrompt likewise.
bool EditTaskProperties(QWidget* parent, TTask& task, TMainData& data, TPropertiesPrompts* prompts = nullptr,
                        TPasswordPrompt* passwordPrompt = nullptr);

// Creates a new task (in group, with the include-everything filter), opens its properties and, on OK,
// adds it to data (it becomes the current task) and returns it; nullptr on Cancel. The caller saves.
TTask* NewTaskWithProperties(QWidget* parent, TMainData& data, const QString& group = {},
                             TPropertiesPrompts* prompts = nullptr);

// The one-line caption of a schedule item in the schedule list. The program installs the scheduler's
// caption function at start; until then the item's kind name is shown.
using TScheduleCaptionFunction = std::function<QString(const TTaskScheduleItem&)>;
void SetScheduleItemCaption(TScheduleCaptionFunction caption);
QString ScheduleItemCaption(const TTaskScheduleItem& item);

// The page the last dialog closed with OK showed; the next dialog opens there.
int RememberedPropertiesPage();
void SetRememberedPropertiesPage(int page);
