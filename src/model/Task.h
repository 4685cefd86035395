#pragma once

#include <QString>
#include <functional>

#include "model/Filters.h"
#include "model/ScheduleItem.h"
#include "model/SourceFolders.h"
#include "platform/DateTime.h"
#include "settings/AlertTypes.h"

// TTask: one user-defined task, its persisted options, its run-time state and the paths derived from
// them.
//
// Member naming. Every persisted option is a public member named after the value that stores it.
// Where a value name occurs in more than one group of the task (UseDefault, Use, Enabled, FileName,
// Password, Value) the member carries its group as a prefix joined by '_': RunPrograms_UseDefault,
// Dial_UseDefault, HardwareProfile_UseDefault, Bandwidth_UseDefault, Bandwidth_Use, Bandwidth_Value,
// Protection_UseDefault, Protection_Password, Log_UseDefault, Log_Enabled, Log_FileName,
// EventAlerts_UseDefault, Performance_UseDefault, PowerManagement_UseDefault,
// EmailSettings_UseDefault and FolderMonitor_Use. Every other member has the bare value name
// (MaxSize is the Log group's, Reminder the Protection group's, and so on). The alert values are the
// array EventAlerts ([set][event], see settings/AlertTypes.h).
//
// Options of a group with a UseDefault flag are never read directly by the run: the Effective...()
// getters return the program-wide "Tasks Defaults" values when the flag is set, the task's own values
// otherwise.

class TTaskThread;  // the worker of a run, defined by the engine

enum class TTaskAction { taBackup, taSynchronize, taMove };
enum class TDestKind { dkLocal, dkFtp, dkCdDvd, dkEmail };
enum class TVersionsKeepKind { vkNone, vkSameFolder, vkArcFolder };
enum class TDeleteKind { adkLeave, adkDelete, adkDeleteRecycle, adkMoveSameFolder, adkMoveArcFolder };
enum class TErrorResetUnit { ertuSeconds, ertuMinutes, ertuHours, ertuDays };
enum class TBandwidthMeasure { bmkKBits, bmkMBits };

// Stored names of the enumerations ("taBackup", ...).
QString TaskActionName(TTaskAction value);
QString ErrorResetUnitName(TErrorResetUnit value);
QString VersionsKeepKindName(TVersionsKeepKind value);
QString DeleteKindName(TDeleteKind value);
QString BandwidthMeasureName(TBandwidthMeasure value);

// The persisted options of a task except its three lists, with their new-task values.
struct TTaskOptions {
    // Task key
    QString Name;  // the constructor sets the translated "Untitled"
    QString ID;
    QString AuthUser;
    QString AuthPassword;
    TTaskAction TaskAction = TTaskAction::taBackup;

    // Compress
    bool CompressUse = false;
    QString CompressType = QStringLiteral("BUILTIN");
    bool CompressSeparate = false;
    QString CompressFilename;
    QString CompressPassword;
    int CompressLevel = 7;
    // Encryption of the built-in Zip compressor's entries: "PKWARE" (traditional, readable everywhere but
    // weak) or "AES256" (WinZip AES-256).
    QString CompressEncryption = QStringLiteral("PKWARE");

    // Encrypt
    bool CryptUse = false;
    QString CryptType = QStringLiteral("RC4 (128 Bit)");
    QString CryptPassword;

    // ExtendedData
    QString BelongToGroup;
    QString SourceVolLabel;
    QString SourceSerialNum;
    QString DestinationVolLabel;
    QString DestinationSerialNum;
    TDateTime Created = 0;  // the constructor sets the current date-time
    TDateTime LastRun = 0;

    // Destination
    TDestKind DestType = TDestKind::dkLocal;
    QString DestLocal;
    QString DestFTP_Address;
    QString DestFTP_Folder;
    int DestFTP_Port = 21;
    QString DestFTP_Login;
    QString DestFTP_Password;
    bool DestFTP_PassiveMode = false;
    bool DestFTP_ProxyUse = false;
    QString DestFTP_ProxyAddress;
    int DestFTP_ProxyPort = 21;
    bool DestFTP_ProxyAuthUse = false;
    QString DestFTP_ProxyAuthLogin;
    QString DestFTP_ProxyAuthPassword;
    int DestFTP_ReconnectRetries = 1000;
    int DestFTP_PauseBeforeRetry = 60;
    int DestFTP_TimeOut = 60;
    // How the server is reached: "None" (plain FTP), "TLS" (FTP with explicit TLS) or "SFTP". A task
    // stored without the value, or with one not known, is plain FTP. Certificates (SFTP: host keys) are
    // checked unless DestFTP_AcceptSelfSigned accepts one that no authority signed (a host key not yet
    // known); a host key that contradicts the known one is refused always.
    QString DestFTP_Security = QStringLiteral("None");
    bool DestFTP_AcceptSelfSigned = false;

    // Options
    bool BackupOverwriteNeverDestination = false;
    bool BackupSynchronizeFileDeletions = false;
    bool BackupCopyInUseFiles = false;
    bool BackupCompareAfterCopy = false;
    bool KeepStructureFromRoot = false;
    bool CopyIfSourceLengthIsZero = false;
    bool OptionsDontSkipIfDateEqButSrcBiggerDst = true;
    bool ClearSourceArchiveBit = false;
    bool DisableIndexFiles = false;

    // ErrorHandling
    int MaxNumberOfRetries = 5;
    int PauseBeforeRetry = 1;
    int MaxNumberBeforeStop = 99;
    bool FlagAutoReset = true;
    int FlagAutoResetValue = 1;
    TErrorResetUnit FlagAutoResetUnit = TErrorResetUnit::ertuHours;

    // Versions
    TVersionsKeepKind VersionsKeepType = TVersionsKeepKind::vkNone;
    QString VersionsKeepArcFolder = QStringLiteral("%destination%File Versions Archive");
    bool VersionsKeepArcFolderKeepStruct = false;
    int VersionsKeepFilesNum = 0;

    // Obsolete
    TDeleteKind DeleteKind = TDeleteKind::adkLeave;
    QString ArchiveFolder = QStringLiteral("%destination%Deleted Files Archive");
    bool DeleteEmptyFolders = true;
    bool ArchiveFolderKeepStruct = false;
    int KeepDeletedFilesNum = 0;

    // AutoRun\FolderMonitor (the monitor itself is armed by the triggers)
    bool FolderMonitor_Use = false;
    bool MonitorFileName = false;
    bool MonitorFolderName = false;
    bool MonitorAttributes = false;
    bool MonitorSize = false;
    bool MonitorLastWrite = false;
    bool MonitorSecurity = false;
    bool DoWait = true;
    int WaitSeconds = 30;

    // AutoRun\Schedule (the items are TTask::Schedule)
    bool ScheduleSkipMissed = true;

    // AutoRun\SmartDetect
    bool SmartDetectUse = false;
    QString SmartDetectDriveLetter;
    QString SmartDetectVolumeInfo;
    QString SmartDetectSerialNumber;
    bool SmartDetectNoMediaNoRun = false;

    // AutoRun\HotKey
    quint16 HotKey = 0;
    bool HotKeyBringToFront = false;

    // RunPrograms
    bool RunPrograms_UseDefault = true;
    bool Before = false;
    QString BeforeProgramName;
    bool BeforeWaitProgram = true;
    bool After = false;
    QString AfterProgramName;
    bool AfterWaitProgram = true;

    // Dial
    bool Dial_UseDefault = true;
    QString DialEntry;
    bool DisconnectAfter = true;

    // HardwareProfile
    bool HardwareProfile_UseDefault = true;
    QString SkipList;

    // Bandwidth
    bool Bandwidth_UseDefault = true;
    bool Bandwidth_Use = false;
    int Bandwidth_Value = 1;
    TBandwidthMeasure MeasureKind = TBandwidthMeasure::bmkMBits;

    // Protection
    bool Protection_UseDefault = true;
    QString Protection_Password;
    QString Reminder;

    // Log
    bool Log_UseDefault = true;
    bool Log_Enabled = true;
    QString Log_FileName = QStringLiteral("Tarnovex.log");
    int MaxSize = 0;
    bool IncludeSummary = true;
    bool IncludeFiles = true;
    bool IncludeSkipping = true;
    bool IncludeWarnings = true;
    bool IncludeErrors = true;
    bool IncludeFtp = true;
    bool IncludeConsole = true;

    // EventAlerts
    bool EventAlerts_UseDefault = true;
    TEventAlerts EventAlerts = NewTaskEventAlerts();

    // Performance
    bool Performance_UseDefault = true;
    quint8 CpuPerformance = 2;

    // PowerManagement
    bool PowerManagement_UseDefault = true;
    bool DontStartOnBatteries = false;
    bool WakeToRun = false;
    QString BatteryMode = QStringLiteral("C");

    // EmailSettings
    bool EmailSettings_UseDefault = true;
    QString SmtpServer;
    int SmtpServerPort = 25;
    bool SmtpServerAuthUse = false;
    QString SmtpServerAuthUser;
    QString SmtpServerAuthPassword;
    QString To;
    QString From;
    QString Subject = QStringLiteral("Automatic Backup Notification");

    static TEventAlerts NewTaskEventAlerts();

    bool operator==(const TTaskOptions&) const = default;
};

// Effective values of the groups with a UseDefault flag.
struct TEffectiveRunPrograms {
    bool Before = false;
    QString BeforeProgramName;
    bool BeforeWaitProgram = false;
    bool After = false;
    QString AfterProgramName;
    bool AfterWaitProgram = false;
};
struct TEffectiveBandwidth {
    bool Use = false;
    int Value = 0;
    TBandwidthMeasure MeasureKind = TBandwidthMeasure::bmkMBits;
};
struct TEffectiveProtection {
    QString Password;
    QString Reminder;
};
struct TEffectiveLog {
    bool Enabled = false;
    QString FileName;
    int MaxSize = 0;
    bool IncludeSummary = false;
    bool IncludeFiles = false;
    bool IncludeSkipping = false;
    bool IncludeWarnings = false;
    bool IncludeErrors = false;
    bool IncludeFtp = false;
    bool IncludeConsole = false;
};
struct TEffectiveEmailSettings {
    QString SmtpServer;
    int SmtpServerPort = 0;
    bool SmtpServerAuthUse = false;
    QString SmtpServerAuthUser;
    QString SmtpServerAuthPassword;
    QString To;  // always the task's own: the recipients come from the alert fields
    QString From;
    QString Subject;
};

// The password dialog behind VerifyEditPassword; the window implements it.
class TPasswordPrompt {
public:
    virtual ~TPasswordPrompt() = default;
    // Shows the password dialog titled title. Its reminder button is enabled only when reminder is
    // not empty and then shows ShowInformation(TTask::ReminderTitle(), reminder). Returns false when
    // the user cancels, true with the typed text when the user confirms.
    virtual bool Ask(const QString& title, const QString& reminder, QString& typed) = 0;
    virtual void ShowInformation(const QString& title, const QString& text) = 0;
    virtual void ShowError(const QString& title, const QString& text) = 0;
};

// File extensions of the compressor and encryptor definitions, looked up by definition name. The
// packing layer installs the real tables; until then the compressor "BUILTIN" has "zip" and every other
// name has no extension. An empty function restores that fallback.
using TExtensionLookup = std::function<QString(const QString& name)>;
void SetCompressorExtensionLookup(TExtensionLookup lookup);
void SetEncryptorExtensionLookup(TExtensionLookup lookup);
QString CompressorExtension(const QString& name);
QString EncryptorExtension(const QString& name);

class TTask : public TTaskOptions {
public:
    // New-task values, a fresh ID and Created = now.
    TTask();

    // Owned lists.
    TSourceFoldersList SourceFolders;
    TTaskFiltersList Filters;
    TTaskScheduleList Schedule;

    // Run-time state, never persisted.
    bool IsRunning = false;
    bool StartedManually = false;
    bool EditLock = false;
    bool Suspended = false;  // the run is paused (set by the engine)
    bool ErrorFlag = false;
    TDateTime ErrorFlagTime = 0;
    TTaskThread* Worker = nullptr;

    // Replaces ID by 21 random characters out of "1234567890ABCDE".
    void GenerateId();

    // Whole record under one key of the settings store (key path such as "\...\Tasks\<ID>").
    void SaveToRegistry(const QString& keyPath) const;
    void LoadFromRegistry(const QString& keyPath);

    // Source folders (an index outside the list gives an empty path or false).
    int SourceFolderCount() const { return static_cast<int>(SourceFolders.size()); }
    QString SourceFolderPath(int i) const;  // expanded, trailing '/', cached
    bool IncludeSubfolders(int i) const;
    int FindSourceFolder(const QString& path) const;  // first folder that path lies in, -1 if none

    // Local destination paths.
    QString DestinationFolder(int i) const;  // -1: the destination root
    QString DestinationPathOf(const QString& sourcePath) const;
    QString SourcePathOf(const QString& destinationPath) const;
    QString ArchiveFileName() const;
    QString EncryptedArchiveFileName() const;
    QString WithProcessingExtension(const QString& fileName) const;
    QString VersionsArchiveFolder() const;  // "n/a" unless VersionsKeepType is vkArcFolder
    QString DeletedArchiveFolder() const;   // "n/a" unless DeleteKind is adkMoveArcFolder
    // The ID with its extension (from the last '.') replaced by ".idx"; '/' and NUL become '_', so the
    // name never points outside the folder that holds it.
    QString IndexFileName() const { return IndexFileNameForId(ID); }
    static QString IndexFileNameForId(const QString& id);
    QString ExpandedCompressFilename() const;  // cached

    // FTP destination.
    QString EffectiveFtpHost() const;
    QString EffectiveFtpFolder() const;
    int EffectiveFtpPort() const;
    QString EffectiveFtpLogin() const;
    QString EffectiveFtpPassword() const;
    QString FtpDestinationFolder(int i) const;  // -1: the FTP root
    QString FtpDestinationPathOf(const QString& sourcePath) const;

    // Derived switches.
    bool CompressionActive() const { return CompressUse && TaskAction != TTaskAction::taSynchronize; }
    bool EncryptionActive() const { return CryptUse && TaskAction != TTaskAction::taSynchronize; }
    bool ArchivesApplicable() const;
    void ClearPathCaches() const;

    // Effective values of the UseDefault groups.
    TEffectiveRunPrograms EffectiveRunPrograms() const;
    QString EffectiveDialEntry() const;
    QString EffectiveHardwareSkipList() const;
    TEffectiveBandwidth EffectiveBandwidth() const;
    TEffectiveProtection EffectiveProtection() const;
    TEffectiveLog EffectiveLog() const;
    const TEventAlerts& EffectiveEventAlerts() const;
    const TAlertChannels& EffectiveAlert(TAlertSet set, TAlertEventKind event) const;
    TEffectiveEmailSettings EffectiveEmailSettings() const;

    // The alert set a run uses: Silent in silent mode, else Manual after a start by hand, else Scheduled.
    TAlertSet AlertSet(bool silentMode) const;

    // Display.
    QString ActionCaption() const;
    QString SourceCaption() const;
    QString DestinationCaption() const;
    QString CurrentFileCaption(const QString& workerFile) const;
    QString ProgressPercent(qint64 processed, qint64 total) const;
    int StatusImageIndex() const;

    // Checks.
    QString Validate() const;  // empty: the task may run
    bool VerifyEditPassword(TPasswordPrompt& prompt) const;
    static QString ReminderTitle();  // title of the reminder box

    // Error flag.
    void RaiseErrorFlag(TDateTime now);
    void ClearErrorFlag();
    // ErrorFlagTime plus FlagAutoResetValue units; 0 for a unit out of range.
    TDateTime ErrorFlagResetTime() const;
    // Clears the flag when automatic reset is on and now is at or after the reset time; true if cleared.
    bool ResetErrorFlagIfExpired(TDateTime now);

private:
    struct TPathCache {
        QString Value;
        bool Valid = false;
    };
    mutable TPathCache destRoot_;
    mutable TPathCache ftpRoot_;
    mutable TPathCache versionsFolder_;
    mutable TPathCache deletedFolder_;
    mutable TPathCache compressFilename_;
};

// True when both tasks hold the same persisted values, lists included (run-time state and caches are
// ignored).
bool SamePersistedValues(const TTask& a, const TTask& b);
