// Storage of a task in the settings store: one key per task, one sub-key per option group, and the
// three lists as numbered sub-keys.

#include <QtEndian>
#include <algorithm>

#include "model/Task.h"
#include "store/SafeRegistry.h"

namespace {

const QString kUseDefault = QStringLiteral("UseDefault");

// The items of a list key in load order. Item keys are written "1", "2", ...; the store lists names
// as text ("10" before "2"), so names made only of digits are taken in numeric order, followed by any
// other names in the order the store lists them.
QStringList ItemKeyOrder(const QStringList& listed) {
    QList<std::pair<qulonglong, QString>> numeric;
    QStringList others;
    for (const QString& name : listed) {
        bool allDigits = !name.isEmpty() && name.size() <= 18;
        for (const QChar c : name)
            allDigits = allDigits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (allDigits)
            numeric.append({name.toULongLong(), name});
        else
            others.append(name);
    }
    std::stable_sort(numeric.begin(), numeric.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList result;
    for (const auto& entry : numeric)
        result.append(entry.second);
    result += others;
    return result;
}

class TTaskWriter {
public:
    explicit TTaskWriter(const QString& keyPath) : root_(keyPath) {}

    void Open(const QString& group) { reg_.OpenKey(group.isEmpty() ? root_ : root_ + '\\' + group, true); }
    TSafeRegistry& Reg() { return reg_; }

    // Opens the list key, removes every item key it holds and returns its path.
    QString ClearList(const QString& group) {
        const QString listPath = root_ + '\\' + group;
        reg_.OpenKey(listPath, true);
        QStringList names;
        reg_.GetKeyNames(names);
        for (const QString& name : names)
            reg_.DeleteKey(listPath + '\\' + name);
        return listPath;
    }

    void Bool(const char* name, bool value) { reg_.WriteBool(QLatin1String(name), value); }
    void Int(const char* name, int value) { reg_.WriteInteger(QLatin1String(name), value); }
    void Str(const char* name, const QString& value) { reg_.WriteString(QLatin1String(name), value); }

private:
    TSafeRegistry reg_;
    QString root_;
};

// Reading: a group key that cannot be opened must give the defaults, not the values of the key that
// happens to be current, so the accessor falls back to the top of the store, where no values live.
class TTaskReader {
public:
    explicit TTaskReader(const QString& keyPath) : root_(keyPath) {}

    void Open(const QString& group) {
        if (!reg_.OpenKeyReadOnly(group.isEmpty() ? root_ : root_ + '\\' + group))
            reg_.CloseKey();
    }
    bool OpenPath(const QString& path) {
        if (reg_.OpenKeyReadOnly(path))
            return true;
        reg_.CloseKey();
        return false;
    }
    const TSafeRegistry& Reg() const { return reg_; }
    QString Root() const { return root_; }
    QStringList KeyNames() const {
        QStringList names;
        if (reg_.HasCurrentKey())
            reg_.GetKeyNames(names);
        return names;
    }

    bool Bool(const char* name, bool def) const { return reg_.ReadBool(QLatin1String(name), def); }
    int Int(const char* name, int def) const { return reg_.ReadInteger(QLatin1String(name), def); }
    QString Str(const char* name) const { return reg_.ReadString(QLatin1String(name), QString()); }

private:
    TSafeRegistry reg_;
    QString root_;
};

void WriteAlerts(TTaskWriter& w, const TEventAlerts& alerts) {
    TSafeRegistry& reg = w.Reg();
    for (int s = 0; s < kAlertSetCount; ++s) {
        for (int e = 0; e < kAlertEventCount; ++e) {
            const TAlertChannels& c = alerts[s][e];
            const QString prefix = QLatin1String(kAlertSetNames[s]) + QLatin1String(kAlertEventNames[e]);
            const auto event = static_cast<TAlertEventKind>(e);
            reg.WriteBool(prefix + QLatin1String("Dialog"), c.Dialog);
            reg.WriteBool(prefix + QLatin1String("Balloon"), c.Balloon);
            reg.WriteBool(prefix + QLatin1String("Sound"), c.Sound);
            reg.WriteString(prefix + QLatin1String("SoundFile"), c.SoundFile);
            if (event != TAlertEventKind::File) {
                reg.WriteBool(prefix + QLatin1String("EmailUse"), c.EmailUse);
                reg.WriteString(prefix + QLatin1String("Email"), c.Email);
            }
            if (event == TAlertEventKind::Finish)
                reg.WriteBool(prefix + QLatin1String("EmailSendLog"), c.EmailSendLog);
        }
    }
}

void ReadAlerts(const TTaskReader& r, TEventAlerts& alerts) {
    const TSafeRegistry& reg = r.Reg();
    for (int s = 0; s < kAlertSetCount; ++s) {
        for (int e = 0; e < kAlertEventCount; ++e) {
            TAlertChannels& c = alerts[s][e];
            const QString prefix = QLatin1String(kAlertSetNames[s]) + QLatin1String(kAlertEventNames[e]);
            const auto event = static_cast<TAlertEventKind>(e);
            c.Dialog = reg.ReadBool(prefix + QLatin1String("Dialog"), event == TAlertEventKind::DiskSpan);
            c.Balloon = reg.ReadBool(prefix + QLatin1String("Balloon"), false);
            c.Sound = reg.ReadBool(prefix + QLatin1String("Sound"), false);
            c.SoundFile = reg.ReadString(prefix + QLatin1String("SoundFile"), QString());
            // Channels an event does not store get their neutral values, so that a loaded task never
            // keeps leftovers of what the record held before.
            c.EmailUse = false;
            c.Email.clear();
            c.EmailSendLog = true;
            if (event != TAlertEventKind::File) {
                c.EmailUse = reg.ReadBool(prefix + QLatin1String("EmailUse"), false);
                c.Email = reg.ReadString(prefix + QLatin1String("Email"), QString());
            }
            if (event == TAlertEventKind::Finish)
                c.EmailSendLog = reg.ReadBool(prefix + QLatin1String("EmailSendLog"), false);
        }
    }
}

}  // namespace

void TTask::SaveToRegistry(const QString& keyPath) const {
    // One transaction per task: the store then commits once instead of once per value, and a task is
    // never left half-written by a crash.
    const TStoreTransaction transaction;
    TTaskWriter w(keyPath);

    w.Open({});
    w.Str("Name", Name);
    w.Str("ID", ID);
    w.Str("AuthUser", AuthUser);
    w.Str("AuthPassword", AuthPassword);
    w.Str("TaskAction", TaskActionName(TaskAction));

    w.Open(QStringLiteral("Compress"));
    w.Bool("CompressUse", CompressUse);
    w.Str("CompressType", CompressType);
    w.Bool("CompressSeparate", CompressSeparate);
    w.Str("CompressFilename", CompressFilename);
    w.Str("CompressPassword", CompressPassword);
    w.Int("CompressLevel", CompressLevel);
    w.Str("CompressEncryption", CompressEncryption);

    w.Open(QStringLiteral("Encrypt"));
    w.Bool("CryptUse", CryptUse);
    w.Str("CryptType", CryptType);
    w.Str("CryptPassword", CryptPassword);

    w.Open(QStringLiteral("ExtendedData"));
    w.Str("BelongToGroup", BelongToGroup);
    w.Str("SourceVolLabel", SourceVolLabel);
    w.Str("SourceSerialNum", SourceSerialNum);
    w.Str("DestinationVolLabel", DestinationVolLabel);
    w.Str("DestinationSerialNum", DestinationSerialNum);
    w.Reg().WriteFloat(QStringLiteral("Created"), Created);
    w.Reg().WriteFloat(QStringLiteral("LastRun"), LastRun);

    {
        const QString listPath = w.ClearList(QStringLiteral("Source\\SourceFolders"));
        for (std::size_t i = 0; i < SourceFolders.size(); ++i) {
            w.Reg().OpenKey(listPath + '\\' + QString::number(i + 1), true);
            SourceFolders[i].SaveToRegistry(w.Reg());
        }
    }

    w.Open(QStringLiteral("Destination"));
    const quint8 destType = static_cast<quint8>(DestType);
    w.Reg().WriteBinary(QStringLiteral("DestType"), &destType, 1);
    w.Str("DestLocal", DestLocal);
    w.Str("DestFTP_Address", DestFTP_Address);
    w.Str("DestFTP_Folder", DestFTP_Folder);
    w.Int("DestFTP_Port", DestFTP_Port);
    w.Str("DestFTP_Login", DestFTP_Login);
    w.Str("DestFTP_Password", DestFTP_Password);
    w.Bool("DestFTP_PassiveMode", DestFTP_PassiveMode);
    w.Bool("DestFTP_ProxyUse", DestFTP_ProxyUse);
    w.Str("DestFTP_ProxyAddress", DestFTP_ProxyAddress);
    w.Int("DestFTP_ProxyPort", DestFTP_ProxyPort);
    w.Bool("DestFTP_ProxyAuthUse", DestFTP_ProxyAuthUse);
    w.Str("DestFTP_ProxyAuthLogin", DestFTP_ProxyAuthLogin);
    w.Str("DestFTP_ProxyAuthPassword", DestFTP_ProxyAuthPassword);
    w.Int("DestFTP_ReconnectRetries", DestFTP_ReconnectRetries);
    w.Int("DestFTP_PauseBeforeRetry", DestFTP_PauseBeforeRetry);
    w.Int("DestFTP_TimeOut", DestFTP_TimeOut);
    w.Str("DestFTP_Security", DestFTP_Security);
    w.Bool("DestFTP_AcceptSelfSigned", DestFTP_AcceptSelfSigned);

    {
        const QString listPath = w.ClearList(QStringLiteral("Filters"));
        for (std::size_t i = 0; i < Filters.size(); ++i) {
            w.Reg().OpenKey(listPath + '\\' + QString::number(i + 1), true);
            Filters[i].SaveToRegistry(w.Reg());
        }
    }

    w.Open(QStringLiteral("Options"));
    w.Bool("BackupOverwriteNeverDestination", BackupOverwriteNeverDestination);
    w.Bool("BackupSynchronizeFileDeletions", BackupSynchronizeFileDeletions);
    w.Bool("BackupCopyInUseFiles", BackupCopyInUseFiles);
    w.Bool("BackupCompareAfterCopy", BackupCompareAfterCopy);
    w.Bool("KeepStructureFromRoot", KeepStructureFromRoot);
    w.Bool("CopyIfSourceLengthIsZero", CopyIfSourceLengthIsZero);
    w.Bool("OptionsDontSkipIfDateEqButSrcBiggerDst", OptionsDontSkipIfDateEqButSrcBiggerDst);
    w.Bool("ClearSourceArchiveBit", ClearSourceArchiveBit);
    w.Bool("DisableIndexFiles", DisableIndexFiles);

    w.Open(QStringLiteral("ErrorHandling"));
    w.Int("MaxNumberOfRetries", MaxNumberOfRetries);
    w.Int("PauseBeforeRetry", PauseBeforeRetry);
    w.Int("MaxNumberBeforeStop", MaxNumberBeforeStop);
    w.Bool("FlagAutoReset", FlagAutoReset);
    w.Int("FlagAutoResetValue", FlagAutoResetValue);
    w.Str("FlagAutoResetUnit", ErrorResetUnitName(FlagAutoResetUnit));

    w.Open(QStringLiteral("Versions"));
    w.Str("VersionsKeepType", VersionsKeepKindName(VersionsKeepType));
    w.Str("VersionsKeepArcFolder", VersionsKeepArcFolder);
    w.Bool("VersionsKeepArcFolderKeepStruct", VersionsKeepArcFolderKeepStruct);
    w.Int("VersionsKeepFilesNum", VersionsKeepFilesNum);

    w.Open(QStringLiteral("Obsolete"));
    w.Str("DeleteKind", DeleteKindName(DeleteKind));
    w.Str("ArchiveFolder", ArchiveFolder);
    w.Bool("DeleteEmptyFolders", DeleteEmptyFolders);
    w.Bool("ArchiveFolderKeepStruct", ArchiveFolderKeepStruct);
    w.Int("KeepDeletedFilesNum", KeepDeletedFilesNum);

    w.Open(QStringLiteral("AutoRun\\FolderMonitor"));
    w.Bool("Use", FolderMonitor_Use);
    w.Bool("MonitorFileName", MonitorFileName);
    w.Bool("MonitorFolderName", MonitorFolderName);
    w.Bool("MonitorAttributes", MonitorAttributes);
    w.Bool("MonitorSize", MonitorSize);
    w.Bool("MonitorLastWrite", MonitorLastWrite);
    w.Bool("MonitorSecurity", MonitorSecurity);
    w.Bool("DoWait", DoWait);
    w.Int("WaitSeconds", WaitSeconds);

    {
        w.Open(QStringLiteral("AutoRun\\Schedule"));
        w.Bool("ScheduleSkipMissed", ScheduleSkipMissed);
        const QString listPath = w.ClearList(QStringLiteral("AutoRun\\Schedule"));
        for (std::size_t i = 0; i < Schedule.size(); ++i) {
            w.Reg().OpenKey(listPath + '\\' + QString::number(i + 1), true);
            Schedule[i].SaveToRegistry(w.Reg());
        }
    }

    w.Open(QStringLiteral("AutoRun\\SmartDetect"));
    w.Bool("SmartDetectUse", SmartDetectUse);
    w.Str("SmartDetectDriveLetter", SmartDetectDriveLetter);
    w.Str("SmartDetectVolumeInfo", SmartDetectVolumeInfo);
    w.Str("SmartDetectSerialNumber", SmartDetectSerialNumber);
    w.Bool("SmartDetectNoMediaNoRun", SmartDetectNoMediaNoRun);

    w.Open(QStringLiteral("AutoRun\\HotKey"));
    uchar hotKey[2];
    qToLittleEndian<quint16>(HotKey, hotKey);
    w.Reg().WriteBinary(QStringLiteral("HotKey"), hotKey, 2);
    w.Bool("HotKeyBringToFront", HotKeyBringToFront);

    w.Open(QStringLiteral("RunPrograms"));
    w.Bool("UseDefault", RunPrograms_UseDefault);
    w.Bool("Before", Before);
    w.Str("BeforeProgramName", BeforeProgramName);
    w.Bool("BeforeWaitProgram", BeforeWaitProgram);
    w.Bool("After", After);
    w.Str("AfterProgramName", AfterProgramName);
    w.Bool("AfterWaitProgram", AfterWaitProgram);

    w.Open(QStringLiteral("Dial"));
    w.Bool("UseDefault", Dial_UseDefault);
    w.Str("DialEntry", DialEntry);
    w.Bool("DisconnectAfter", DisconnectAfter);

    w.Open(QStringLiteral("HardwareProfile"));
    w.Bool("UseDefault", HardwareProfile_UseDefault);
    w.Str("SkipList", SkipList);

    w.Open(QStringLiteral("Bandwidth"));
    w.Bool("UseDefault", Bandwidth_UseDefault);
    w.Bool("Use", Bandwidth_Use);
    w.Int("Value", Bandwidth_Value);
    w.Str("MeasureKind", BandwidthMeasureName(MeasureKind));

    w.Open(QStringLiteral("Protection"));
    w.Bool("UseDefault", Protection_UseDefault);
    w.Str("Password", Protection_Password);
    w.Str("Reminder", Reminder);

    w.Open(QStringLiteral("Log"));
    w.Bool("UseDefault", Log_UseDefault);
    w.Bool("Enabled", Log_Enabled);
    w.Str("FileName", Log_FileName);
    w.Int("MaxSize", MaxSize);
    w.Bool("IncludeSummary", IncludeSummary);
    w.Bool("IncludeFiles", IncludeFiles);
    w.Bool("IncludeSkipping", IncludeSkipping);
    w.Bool("IncludeWarnings", IncludeWarnings);
    w.Bool("IncludeErrors", IncludeErrors);
    w.Bool("IncludeFtp", IncludeFtp);
    w.Bool("IncludeConsole", IncludeConsole);

    w.Open(QStringLiteral("EventAlerts"));
    w.Bool("UseDefault", EventAlerts_UseDefault);
    WriteAlerts(w, EventAlerts);

    w.Open(QStringLiteral("Performance"));
    w.Bool("UseDefault", Performance_UseDefault);
    w.Reg().WriteBinary(QStringLiteral("CpuPerformance"), &CpuPerformance, 1);

    w.Open(QStringLiteral("PowerManagement"));
    w.Bool("UseDefault", PowerManagement_UseDefault);
    w.Bool("DontStartOnBatteries", DontStartOnBatteries);
    w.Bool("WakeToRun", WakeToRun);
    w.Str("BatteryMode", BatteryMode);

    w.Open(QStringLiteral("EmailSettings"));
    w.Bool("UseDefault", EmailSettings_UseDefault);
    w.Str("SmtpServer", SmtpServer);
    w.Int("SmtpServerPort", SmtpServerPort);
    w.Bool("SmtpServerAuthUse", SmtpServerAuthUse);
    w.Str("SmtpServerAuthUser", SmtpServerAuthUser);
    w.Str("SmtpServerAuthPassword", SmtpServerAuthPassword);
    w.Str("To", To);
    w.Str("From", From);
    w.Str("Subject", Subject);
}

void TTask::LoadFromRegistry(const QString& keyPath) {
    TTaskReader r(keyPath);

    r.Open({});
    Name = r.Str("Name");
    ID = r.Str("ID");
    AuthUser = r.Str("AuthUser");
    AuthPassword = r.Str("AuthPassword");
    {
        const QString action = r.Str("TaskAction");
        if (action == QLatin1String("taSynchronize"))
            TaskAction = TTaskAction::taSynchronize;
        else if (action == QLatin1String("taMove"))
            TaskAction = TTaskAction::taMove;
        else if (action == QLatin1String("taBackup") || action == QLatin1String("ttCopy"))
            TaskAction = TTaskAction::taBackup;
    }

    r.Open(QStringLiteral("Compress"));
    CompressUse = r.Bool("CompressUse", false);
    CompressType = r.Str("CompressType");
    CompressSeparate = r.Bool("CompressSeparate", false);
    CompressFilename = r.Str("CompressFilename");
    CompressPassword = r.Str("CompressPassword");
    CompressLevel = r.Int("CompressLevel", 0);
    CompressEncryption = r.Reg().ReadString(QStringLiteral("CompressEncryption"), QStringLiteral("PKWARE"));

    r.Open(QStringLiteral("Encrypt"));
    CryptUse = r.Bool("CryptUse", false);
    CryptType = r.Str("CryptType");
    CryptPassword = r.Str("CryptPassword");

    r.Open(QStringLiteral("ExtendedData"));
    BelongToGroup = r.Str("BelongToGroup");
    SourceVolLabel = r.Str("SourceVolLabel");
    SourceSerialNum = r.Str("SourceSerialNum");
    DestinationVolLabel = r.Str("DestinationVolLabel");
    DestinationSerialNum = r.Str("DestinationSerialNum");
    Created = r.Reg().ReadFloat(QStringLiteral("Created"), 0);
    LastRun = r.Reg().ReadFloat(QStringLiteral("LastRun"), 0);

    SourceFolders.clear();
    {
        const QString listPath = keyPath + QStringLiteral("\\Source\\SourceFolders");
        const QStringList names = r.OpenPath(listPath) ? ItemKeyOrder(r.KeyNames()) : QStringList();
        for (const QString& name : names) {
            TSourceFolder folder;
            r.OpenPath(listPath + '\\' + name);
            folder.LoadFromRegistry(r.Reg());
            SourceFolders.push_back(std::move(folder));
        }
    }

    r.Open(QStringLiteral("Destination"));
    {
        quint8 destType = static_cast<quint8>(DestType);
        r.Reg().ReadBinary(QStringLiteral("DestType"), &destType, 1);
        // A byte beyond the known kinds keeps the kind the task had.
        if (destType <= static_cast<quint8>(TDestKind::dkEmail))
            DestType = static_cast<TDestKind>(destType);
    }
    DestLocal = r.Str("DestLocal");
    DestFTP_Address = r.Str("DestFTP_Address");
    DestFTP_Folder = r.Str("DestFTP_Folder");
    DestFTP_Port = r.Int("DestFTP_Port", DestFTP_Port);
    DestFTP_Login = r.Str("DestFTP_Login");
    DestFTP_Password = r.Str("DestFTP_Password");
    DestFTP_PassiveMode = r.Bool("DestFTP_PassiveMode", false);
    DestFTP_ProxyUse = r.Bool("DestFTP_ProxyUse", false);
    DestFTP_ProxyAddress = r.Str("DestFTP_ProxyAddress");
    DestFTP_ProxyPort = r.Int("DestFTP_ProxyPort", DestFTP_ProxyPort);
    DestFTP_ProxyAuthUse = r.Bool("DestFTP_ProxyAuthUse", false);
    DestFTP_ProxyAuthLogin = r.Str("DestFTP_ProxyAuthLogin");
    DestFTP_ProxyAuthPassword = r.Str("DestFTP_ProxyAuthPassword");
    DestFTP_ReconnectRetries = r.Int("DestFTP_ReconnectRetries", DestFTP_ReconnectRetries);
    DestFTP_PauseBeforeRetry = r.Int("DestFTP_PauseBeforeRetry", DestFTP_PauseBeforeRetry);
    DestFTP_TimeOut = r.Int("DestFTP_TimeOut", DestFTP_TimeOut);
    {
        const QString security = r.Str("DestFTP_Security").trimmed();
        const bool tls = security.compare(QLatin1String("TLS"), Qt::CaseInsensitive) == 0;
        const bool sftp = security.compare(QLatin1String("SFTP"), Qt::CaseInsensitive) == 0;
        DestFTP_Security = tls    ? QStringLiteral("TLS")
                           : sftp ? QStringLiteral("SFTP")
                                  : QStringLiteral("None");
    }
    DestFTP_AcceptSelfSigned = r.Bool("DestFTP_AcceptSelfSigned", false);

    Filters.clear();
    {
        // Filters are read by number, "1" to the count of item keys, whatever the keys are named; a
        // missing number gives an item with the missing defaults.
        const QString listPath = keyPath + QStringLiteral("\\Filters");
        const qsizetype count = r.OpenPath(listPath) ? r.KeyNames().size() : 0;
        for (qsizetype i = 1; i <= count; ++i) {
            TTaskFilterItem item;
            r.OpenPath(listPath + '\\' + QString::number(i));
            item.LoadFromRegistry(r.Reg());
            Filters.push_back(std::move(item));
        }
    }

    r.Open(QStringLiteral("AutoRun\\FolderMonitor"));
    FolderMonitor_Use = r.Bool("Use", false);
    MonitorFileName = r.Bool("MonitorFileName", false);
    MonitorFolderName = r.Bool("MonitorFolderName", false);
    MonitorAttributes = r.Bool("MonitorAttributes", false);
    MonitorSize = r.Bool("MonitorSize", false);
    MonitorLastWrite = r.Bool("MonitorLastWrite", false);
    MonitorSecurity = r.Bool("MonitorSecurity", false);
    DoWait = r.Bool("DoWait", false);
    WaitSeconds = r.Int("WaitSeconds", 0);

    Schedule.clear();
    {
        const QString listPath = keyPath + QStringLiteral("\\AutoRun\\Schedule");
        const bool exists = r.OpenPath(listPath);
        ScheduleSkipMissed = r.Bool("ScheduleSkipMissed", false);
        const QStringList names = exists ? ItemKeyOrder(r.KeyNames()) : QStringList();
        for (const QString& name : names) {
            TTaskScheduleItem item;
            r.OpenPath(listPath + '\\' + name);
            item.LoadFromRegistry(r.Reg());
            Schedule.push_back(item);
        }
    }

    r.Open(QStringLiteral("AutoRun\\SmartDetect"));
    SmartDetectUse = r.Bool("SmartDetectUse", false);
    SmartDetectDriveLetter = r.Str("SmartDetectDriveLetter");
    SmartDetectVolumeInfo = r.Str("SmartDetectVolumeInfo");
    SmartDetectSerialNumber = r.Str("SmartDetectSerialNumber");
    SmartDetectNoMediaNoRun = r.Bool("SmartDetectNoMediaNoRun", false);

    r.Open(QStringLiteral("AutoRun\\HotKey"));
    {
        uchar hotKey[2];
        qToLittleEndian<quint16>(HotKey, hotKey);
        r.Reg().ReadBinary(QStringLiteral("HotKey"), hotKey, 2);
        HotKey = qFromLittleEndian<quint16>(hotKey);
    }
    HotKeyBringToFront = r.Bool("HotKeyBringToFront", false);

    r.Open(QStringLiteral("Options"));
    BackupOverwriteNeverDestination = r.Bool("BackupOverwriteNeverDestination", false);
    BackupSynchronizeFileDeletions = r.Bool("BackupSynchronizeFileDeletions", false);
    BackupCopyInUseFiles = r.Bool("BackupCopyInUseFiles", false);
    BackupCompareAfterCopy = r.Bool("BackupCompareAfterCopy", false);
    KeepStructureFromRoot = r.Bool("KeepStructureFromRoot", false);
    CopyIfSourceLengthIsZero = r.Bool("CopyIfSourceLengthIsZero", false);
    OptionsDontSkipIfDateEqButSrcBiggerDst = r.Bool("OptionsDontSkipIfDateEqButSrcBiggerDst", false);
    ClearSourceArchiveBit = r.Bool("ClearSourceArchiveBit", false);
    DisableIndexFiles = r.Bool("DisableIndexFiles", false);

    r.Open(QStringLiteral("ErrorHandling"));
    MaxNumberOfRetries = r.Int("MaxNumberOfRetries", 0);
    PauseBeforeRetry = r.Int("PauseBeforeRetry", 0);
    MaxNumberBeforeStop = r.Int("MaxNumberBeforeStop", 0);
    FlagAutoReset = r.Bool("FlagAutoReset", false);
    FlagAutoResetValue = r.Int("FlagAutoResetValue", 0);
    {
        const QString unit = r.Str("FlagAutoResetUnit");
        for (auto value : {TErrorResetUnit::ertuSeconds, TErrorResetUnit::ertuMinutes,
                           TErrorResetUnit::ertuHours, TErrorResetUnit::ertuDays})
            if (unit == ErrorResetUnitName(value))
                FlagAutoResetUnit = value;
    }

    r.Open(QStringLiteral("Versions"));
    {
        const QString kind = r.Str("VersionsKeepType");
        VersionsKeepType = TVersionsKeepKind::vkNone;
        for (auto value : {TVersionsKeepKind::vkSameFolder, TVersionsKeepKind::vkArcFolder})
            if (kind == VersionsKeepKindName(value))
                VersionsKeepType = value;
    }
    VersionsKeepArcFolder = r.Str("VersionsKeepArcFolder");
    VersionsKeepArcFolderKeepStruct = r.Bool("VersionsKeepArcFolderKeepStruct", false);
    VersionsKeepFilesNum = r.Int("VersionsKeepFilesNum", 0);

    r.Open(QStringLiteral("Obsolete"));
    {
        const QString kind = r.Str("DeleteKind");
        DeleteKind = TDeleteKind::adkMoveArcFolder;
        for (auto value : {TDeleteKind::adkLeave, TDeleteKind::adkDelete, TDeleteKind::adkDeleteRecycle,
                           TDeleteKind::adkMoveSameFolder})
            if (kind == DeleteKindName(value))
                DeleteKind = value;
    }
    ArchiveFolder = r.Str("ArchiveFolder");
    DeleteEmptyFolders = r.Bool("DeleteEmptyFolders", false);
    ArchiveFolderKeepStruct = r.Bool("ArchiveFolderKeepStruct", false);
    KeepDeletedFilesNum = r.Int("KeepDeletedFilesNum", 0);

    r.Open(QStringLiteral("RunPrograms"));
    RunPrograms_UseDefault = r.Bool("UseDefault", true);
    Before = r.Bool("Before", false);
    BeforeProgramName = r.Str("BeforeProgramName");
    BeforeWaitProgram = r.Bool("BeforeWaitProgram", false);
    After = r.Bool("After", false);
    AfterProgramName = r.Str("AfterProgramName");
    AfterWaitProgram = r.Bool("AfterWaitProgram", false);

    r.Open(QStringLiteral("Dial"));
    Dial_UseDefault = r.Bool("UseDefault", true);
    DialEntry = r.Str("DialEntry");
    DisconnectAfter = r.Bool("DisconnectAfter", false);

    r.Open(QStringLiteral("HardwareProfile"));
    HardwareProfile_UseDefault = r.Bool("UseDefault", true);
    SkipList = r.Str("SkipList");

    r.Open(QStringLiteral("Bandwidth"));
    Bandwidth_UseDefault = r.Bool("UseDefault", true);
    Bandwidth_Use = r.Bool("Use", false);
    Bandwidth_Value = r.Int("Value", 0);
    MeasureKind = r.Str("MeasureKind") == QLatin1String("bmkKBits") ? TBandwidthMeasure::bmkKBits
                                                                    : TBandwidthMeasure::bmkMBits;

    r.Open(QStringLiteral("Protection"));
    Protection_UseDefault = r.Bool("UseDefault", true);
    Protection_Password = r.Str("Password");
    Reminder = r.Str("Reminder");

    r.Open(QStringLiteral("Log"));
    Log_UseDefault = r.Bool("UseDefault", true);
    Log_Enabled = r.Bool("Enabled", false);
    Log_FileName = r.Str("FileName");
    MaxSize = r.Int("MaxSize", 0);
    IncludeSummary = r.Bool("IncludeSummary", false);
    IncludeFiles = r.Bool("IncludeFiles", false);
    IncludeSkipping = r.Bool("IncludeSkipping", false);
    IncludeWarnings = r.Bool("IncludeWarnings", false);
    IncludeErrors = r.Bool("IncludeErrors", false);
    IncludeFtp = r.Bool("IncludeFtp", false);
    IncludeConsole = r.Bool("IncludeConsole", false);

    r.Open(QStringLiteral("EventAlerts"));
    EventAlerts_UseDefault = r.Bool("UseDefault", true);
    ReadAlerts(r, EventAlerts);

    r.Open(QStringLiteral("Performance"));
    Performance_UseDefault = r.Bool("UseDefault", true);
    r.Reg().ReadBinary(QStringLiteral("CpuPerformance"), &CpuPerformance, 1);

    r.Open(QStringLiteral("PowerManagement"));
    PowerManagement_UseDefault = r.Bool("UseDefault", true);
    DontStartOnBatteries = r.Bool("DontStartOnBatteries", false);
    WakeToRun = r.Bool("WakeToRun", false);
    BatteryMode = r.Str("BatteryMode");

    // Opened for reading like every other group: a load never creates keys (loading a task key that
    // does not exist must not leave an empty task behind in the store).
    r.Open(QStringLiteral("EmailSettings"));
    EmailSettings_UseDefault = r.Bool("UseDefault", true);
    SmtpServer = r.Str("SmtpServer");
    SmtpServerPort = r.Int("SmtpServerPort", 0);
    SmtpServerAuthUse = r.Bool("SmtpServerAuthUse", false);
    SmtpServerAuthUser = r.Str("SmtpServerAuthUser");
    SmtpServerAuthPassword = r.Str("SmtpServerAuthPassword");
    To = r.Str("To");
    From = r.Str("From");
    Subject = r.Str("Subject");

    // Loaded paths replace whatever was cached before.
    ClearPathCaches();
}
