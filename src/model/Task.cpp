#include "model/Task.h"

#include <QRandomGenerator>
#include <cmath>
#include <mutex>

#include "model/TaskPaths.h"
#include "model/TaskVariables.h"
#include "settings/FormatText.h"
#include "settings/GlobalSettings.h"
#include "settings/Language.h"

namespace {

std::mutex lookupMutex;
TExtensionLookup compressorLookup;
TExtensionLookup encryptorLookup;

// fileName with the extension of its last path component replaced by "." + extension.
QString ChangeExtension(const QString& fileName, const QString& extension) {
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash ? fileName.left(dot) : fileName;
    return stem + QLatin1Char('.') + extension;
}

}  // namespace

QString TaskActionName(TTaskAction value) {
    switch (value) {
        case TTaskAction::taSynchronize:
            return QStringLiteral("taSynchronize");
        case TTaskAction::taMove:
            return QStringLiteral("taMove");
        default:
            return QStringLiteral("taBackup");
    }
}

QString ErrorResetUnitName(TErrorResetUnit value) {
    switch (value) {
        case TErrorResetUnit::ertuSeconds:
            return QStringLiteral("ertuSeconds");
        case TErrorResetUnit::ertuMinutes:
            return QStringLiteral("ertuMinutes");
        case TErrorResetUnit::ertuDays:
            return QStringLiteral("ertuDays");
        default:
            return QStringLiteral("ertuHours");
    }
}

QString VersionsKeepKindName(TVersionsKeepKind value) {
    switch (value) {
        case TVersionsKeepKind::vkSameFolder:
            return QStringLiteral("vkSameFolder");
        case TVersionsKeepKind::vkArcFolder:
            return QStringLiteral("vkArcFolder");
        default:
            return QStringLiteral("vkNone");
    }
}

QString DeleteKindName(TDeleteKind value) {
    switch (value) {
        case TDeleteKind::adkLeave:
            return QStringLiteral("adkLeave");
        case TDeleteKind::adkDelete:
            return QStringLiteral("adkDelete");
        case TDeleteKind::adkDeleteRecycle:
            return QStringLiteral("adkDeleteRecycle");
        case TDeleteKind::adkMoveSameFolder:
            return QStringLiteral("adkMoveSameFolder");
        default:
            return QStringLiteral("adkMoveArcFolder");
    }
}

QString BandwidthMeasureName(TBandwidthMeasure value) {
    return value == TBandwidthMeasure::bmkKBits ? QStringLiteral("bmkKBits") : QStringLiteral("bmkMBits");
}

TEventAlerts TTaskOptions::NewTaskEventAlerts() {
    TEventAlerts alerts{};  // Sound, EmailUse false, texts empty, EmailSendLog true
    using S = TAlertSet;
    using E = TAlertEventKind;
    const auto set = [&](S s, E e, bool dialog, bool balloon) {
        AlertOf(alerts, s, e).Dialog = dialog;
        AlertOf(alerts, s, e).Balloon = balloon;
    };
    set(S::Scheduled, E::Start, false, true);
    set(S::Scheduled, E::DiskSpan, true, true);
    set(S::Scheduled, E::Error, false, true);
    set(S::Scheduled, E::Warning, false, true);
    set(S::Scheduled, E::Finish, false, true);
    set(S::Manual, E::DiskSpan, true, true);
    set(S::Manual, E::Error, false, true);
    set(S::Manual, E::Warning, false, true);
    set(S::Manual, E::Finish, false, true);
    set(S::Silent, E::File, false, true);
    set(S::Silent, E::DiskSpan, false, true);
    return alerts;
}

void SetCompressorExtensionLookup(TExtensionLookup lookup) {
    std::lock_guard lock(lookupMutex);
    compressorLookup = std::move(lookup);
}

void SetEncryptorExtensionLookup(TExtensionLookup lookup) {
    std::lock_guard lock(lookupMutex);
    encryptorLookup = std::move(lookup);
}

QString CompressorExtension(const QString& name) {
    TExtensionLookup lookup;
    {
        std::lock_guard lock(lookupMutex);
        lookup = compressorLookup;
    }
    if (lookup)
        return lookup(name);
    return name == QLatin1String("BUILTIN") ? QStringLiteral("zip") : QString();
}

QString EncryptorExtension(const QString& name) {
    TExtensionLookup lookup;
    {
        std::lock_guard lock(lookupMutex);
        lookup = encryptorLookup;
    }
    return lookup ? lookup(name) : QString();
}

// ---------------------------------------------------------------------------------------------------

TTask::TTask() {
    Name = Translate(QStringLiteral("Untitled"), QStringLiteral("strUntitled"));
    GenerateId();
    Created = DateTime::Now();
    HotKey = 0;
}

void TTask::GenerateId() {
    static const QString symbols = QStringLiteral("1234567890ABCDEF");
    QString id;
    id.reserve(21);
    // Only the first 15 symbols are drawn: IDs never hold an 'F'.
    for (int i = 0; i < 21; ++i)
        id.append(symbols.at(QRandomGenerator::global()->bounded(15)));
    ID = id;
}

// --- source folders --------------------------------------------------------------------------------

QString TTask::SourceFolderPath(int i) const {
    if (i < 0 || i >= SourceFolderCount())
        return {};
    const TSourceFolder& folder = SourceFolders[static_cast<std::size_t>(i)];
    if (!folder.ExpandedValid) {
        const QString expanded = IncludeTrailingSlash(ExpandTaskPath(*this, folder.Folder));
        folder.ExpandedCache = expanded;
        folder.ExpandedValid = true;
    }
    return folder.ExpandedCache;
}

bool TTask::IncludeSubfolders(int i) const {
    if (i < 0 || i >= SourceFolderCount())
        return false;
    return SourceFolders[static_cast<std::size_t>(i)].IncludeSubfolders;
}

int TTask::FindSourceFolder(const QString& path) const {
    // Exact, prefix comparison: file names are case-sensitive here, and a source folder that merely
    // occurs somewhere inside the path (/a/ in /backup/a/x) is not the folder the path lies in.
    const QString withSlash = IncludeTrailingSlash(path);
    for (int i = 0; i < SourceFolderCount(); ++i)
        if (withSlash.startsWith(SourceFolderPath(i)))
            return i;
    return -1;
}

// --- destination -----------------------------------------------------------------------------------

QString TTask::DestinationFolder(int i) const {
    if (!destRoot_.Valid) {
        const QString expanded = IncludeTrailingSlash(ExpandTaskPath(*this, DestLocal));
        destRoot_.Value = expanded;
        destRoot_.Valid = true;
    }
    QString result = destRoot_.Value;
    if (i != -1 && TaskAction != TTaskAction::taSynchronize && KeepStructureFromRoot)
        result += StripRoot(SourceFolderPath(i));
    return result;
}

QString TTask::DestinationPathOf(const QString& sourcePath) const {
    const int i = FindSourceFolder(sourcePath);
    return DestinationFolder(i) + sourcePath.mid(SourceFolderPath(i).size());
}

QString TTask::SourcePathOf(const QString& destinationPath) const {
    return SourceFolderPath(0) + destinationPath.mid(DestinationFolder(-1).size());
}

QString TTask::ExpandedCompressFilename() const {
    if (!compressFilename_.Valid) {
        const QString expanded = ExpandTaskPath(*this, CompressFilename);
        compressFilename_.Value = expanded;
        compressFilename_.Valid = true;
    }
    return compressFilename_.Value;
}

QString TTask::ArchiveFileName() const {
    return DestinationFolder(-1) + ExpandedCompressFilename();
}

QString TTask::EncryptedArchiveFileName() const {
    return ChangeExtension(ArchiveFileName(), EncryptorExtension(CryptType));
}

QString TTask::WithProcessingExtension(const QString& fileName) const {
    if (EncryptionActive())
        return fileName + QLatin1Char('.') + EncryptorExtension(CryptType);
    if (CompressionActive())
        return fileName + QLatin1Char('.') + CompressorExtension(CompressType);
    return fileName;
}

namespace {

QString ArchiveFolderFor(TDestKind kind, const QString& expanded) {
    if (kind == TDestKind::dkLocal)
        return IncludeTrailingSlash(expanded);
    if (kind == TDestKind::dkFtp)
        return ExcludeTrailingSlash(expanded);
    return expanded;
}

}  // namespace

QString TTask::VersionsArchiveFolder() const {
    if (VersionsKeepType != TVersionsKeepKind::vkArcFolder)
        return QStringLiteral("n/a");
    if (!versionsFolder_.Valid) {
        const QString expanded = ExpandTaskPath(*this, VersionsKeepArcFolder);
        versionsFolder_.Value = expanded;
        versionsFolder_.Valid = true;
    }
    return ArchiveFolderFor(DestType, versionsFolder_.Value);
}

QString TTask::DeletedArchiveFolder() const {
    if (DeleteKind != TDeleteKind::adkMoveArcFolder)
        return QStringLiteral("n/a");
    if (!deletedFolder_.Valid) {
        const QString expanded = ExpandTaskPath(*this, ArchiveFolder);
        deletedFolder_.Value = expanded;
        deletedFolder_.Valid = true;
    }
    return ArchiveFolderFor(DestType, deletedFolder_.Value);
}

// --- FTP -------------------------------------------------------------------------------------------

QString TTask::EffectiveFtpHost() const {
    return ParseFtpAddress(DestFTP_Address).Host;
}

QString TTask::EffectiveFtpFolder() const {
    const QString own = DestFTP_Folder.trimmed();
    return own.isEmpty() ? ParseFtpAddress(DestFTP_Address).Folder : own;
}

int TTask::EffectiveFtpPort() const {
    return DestFTP_Port != 0 ? DestFTP_Port : ParseFtpAddress(DestFTP_Address).Port;
}

QString TTask::EffectiveFtpLogin() const {
    const QString own = DestFTP_Login.trimmed();
    return own.isEmpty() ? ParseFtpAddress(DestFTP_Address).User : own;
}

QString TTask::EffectiveFtpPassword() const {
    const QString own = DestFTP_Password.trimmed();
    return own.isEmpty() ? ParseFtpAddress(DestFTP_Address).Password : own;
}

QString TTask::FtpDestinationFolder(int i) const {
    if (!ftpRoot_.Valid) {
        const QString expanded = ExpandTaskPath(*this, EffectiveFtpFolder());
        ftpRoot_.Value = expanded.trimmed().isEmpty() ? QString() : IncludeTrailingSlash(expanded);
        ftpRoot_.Valid = true;
    }
    QString result = ftpRoot_.Value;
    if (i != -1 && TaskAction != TTaskAction::taSynchronize && KeepStructureFromRoot)
        result += StripRoot(SourceFolderPath(i));
    return NormalizeFtpPath(result);
}

QString TTask::FtpDestinationPathOf(const QString& sourcePath) const {
    const int i = FindSourceFolder(sourcePath);
    return NormalizeFtpPath(FtpDestinationFolder(i) + sourcePath.mid(SourceFolderPath(i).size()));
}

bool TTask::ArchivesApplicable() const {
    return (DestType == TDestKind::dkLocal || DestType == TDestKind::dkFtp) && !CompressionActive();
}

void TTask::ClearPathCaches() const {
    for (const TSourceFolder& folder : SourceFolders) {
        folder.ExpandedValid = false;
        folder.ExpandedCache.clear();
    }
    destRoot_ = {};
    ftpRoot_ = {};
    versionsFolder_ = {};
    deletedFolder_ = {};
    compressFilename_ = {};
}

// --- effective values ------------------------------------------------------------------------------

TEffectiveRunPrograms TTask::EffectiveRunPrograms() const {
    if (RunPrograms_UseDefault) {
        const TTasksDefaults& d = GlobalSettings().TasksDefaults;
        return {d.RunBefore, d.RunBeforeProgramName, d.RunBeforeWaitProgram,
                d.RunAfter,  d.RunAfterProgramName,  d.RunAfterWaitProgram};
    }
    return {Before, BeforeProgramName, BeforeWaitProgram, After, AfterProgramName, AfterWaitProgram};
}

QString TTask::EffectiveDialEntry() const {
    return Dial_UseDefault ? GlobalSettings().TasksDefaults.DialEntry : DialEntry;
}

QString TTask::EffectiveHardwareSkipList() const {
    return HardwareProfile_UseDefault ? GlobalSettings().TasksDefaults.HardwareSkipList : SkipList;
}

TEffectiveBandwidth TTask::EffectiveBandwidth() const {
    if (Bandwidth_UseDefault) {
        const TTasksDefaults& d = GlobalSettings().TasksDefaults;
        return {d.BandwidthUse, d.BandwidthValue,
                d.BandwidthMeasure == QLatin1String("KBits") ? TBandwidthMeasure::bmkKBits
                                                             : TBandwidthMeasure::bmkMBits};
    }
    return {Bandwidth_Use, Bandwidth_Value, MeasureKind};
}

TEffectiveProtection TTask::EffectiveProtection() const {
    if (Protection_UseDefault) {
        const TTasksDefaults& d = GlobalSettings().TasksDefaults;
        return {d.Password, d.PasswordReminder};
    }
    return {Protection_Password, Reminder};
}

TEffectiveLog TTask::EffectiveLog() const {
    if (Log_UseDefault) {
        const TTasksDefaults& d = GlobalSettings().TasksDefaults;
        return {d.LogEnabled,      d.LogFileName,        d.LogMaxSize,         d.LogIncludeSummary,
                d.LogIncludeFiles, d.LogIncludeSkipping, d.LogIncludeWarnings, d.LogIncludeErrors,
                d.LogIncludeFtp,   d.LogIncludeConsole};
    }
    return {Log_Enabled,     Log_FileName,    MaxSize,       IncludeSummary, IncludeFiles,
            IncludeSkipping, IncludeWarnings, IncludeErrors, IncludeFtp,     IncludeConsole};
}

const TEventAlerts& TTask::EffectiveEventAlerts() const {
    return EventAlerts_UseDefault ? GlobalSettings().TasksDefaults.Events : EventAlerts;
}

const TAlertChannels& TTask::EffectiveAlert(TAlertSet set, TAlertEventKind event) const {
    return AlertOf(EffectiveEventAlerts(), set, event);
}

TEffectiveEmailSettings TTask::EffectiveEmailSettings() const {
    if (EmailSettings_UseDefault) {
        const TTasksDefaults& d = GlobalSettings().TasksDefaults;
        return {d.EmailSmtpServer,
                d.EmailSmtpServerPort,
                d.EmailSmtpServerAuthUse,
                d.EmailSmtpServerAuthUser,
                d.EmailSmtpServerAuthPassword,
                To,
                d.EmailFrom,
                d.EmailSubject};
    }
    return {SmtpServer, SmtpServerPort, SmtpServerAuthUse, SmtpServerAuthUser, SmtpServerAuthPassword, To,
            From,       Subject};
}

TAlertSet TTask::AlertSet(bool silentMode) const {
    if (silentMode)
        return TAlertSet::Silent;
    return StartedManually ? TAlertSet::Manual : TAlertSet::Scheduled;
}

// --- display ---------------------------------------------------------------------------------------

QString TTask::ActionCaption() const {
    QString caption;
    switch (TaskAction) {
        case TTaskAction::taSynchronize:
            return Translate(QStringLiteral("Synchronize"), QStringLiteral("strTaskTypesSynchronize"));
        case TTaskAction::taMove:
            caption = Translate(QStringLiteral("Move"), QStringLiteral("strTaskTypesMove"));
            break;
        default:
            caption = Translate(QStringLiteral("Backup"), QStringLiteral("strTaskTypesBackup"));
            break;
    }
    if (CompressionActive() && EncryptionActive())
        caption += QStringLiteral(" (Compress + Encrypt)");
    else if (CompressionActive())
        caption += QStringLiteral(" (Compress)");
    else if (EncryptionActive())
        caption += QStringLiteral(" (Encrypt)");
    return caption;
}

QString TTask::SourceCaption() const {
    QString caption = SourceFolderPath(0);
    if (SourceFolderCount() >= 2)
        caption += QStringLiteral("...");
    return caption;
}

QString TTask::DestinationCaption() const {
    switch (DestType) {
        case TDestKind::dkLocal:
            return IncludeTrailingSlash(DestLocal);
        case TDestKind::dkFtp: {
            // The host comes out of the address without its scheme, so the prefix is always added.
            const QString host = EffectiveFtpHost();
            const QString prefix = host.contains(QLatin1String("FTP://"), Qt::CaseInsensitive)
                                       ? QString()
                                       : QStringLiteral("ftp://");
            return prefix + host + IncludeTrailingSlash(NormalizeFtpPath(EffectiveFtpFolder())) +
                   QLatin1Char(':') + QString::number(EffectiveFtpPort());
        }
        case TDestKind::dkCdDvd:
            return QStringLiteral("CD/DVD");
        case TDestKind::dkEmail:
            return QStringLiteral("Email: ");
    }
    return {};
}

QString TTask::CurrentFileCaption(const QString& workerFile) const {
    return IsRunning ? workerFile : QString();
}

QString TTask::ProgressPercent(qint64 processed, qint64 total) const {
    if (!IsRunning || total == 0)
        return {};
    // Integer arithmetic: processed * 100 can exceed 2^53 for huge runs, where a double would round.
    const __int128 percent = static_cast<__int128>(processed) * 100 / total;
    return QString::number(static_cast<qint64>(percent));
}

int TTask::StatusImageIndex() const {
    if (IsRunning)
        return Suspended ? 4 : 3;
    return ErrorFlag ? 7 : -1;
}

// --- checks ----------------------------------------------------------------------------------------

QString TTask::Validate() const {
    QString problems;
    const auto add = [&problems](const QString& text) { problems += text + QStringLiteral("; "); };

    QList<bool> sourceValid;
    if (SourceFolders.empty()) {
        add(Translate(QStringLiteral("No source folder(s) defined!"),
                      QStringLiteral("strBackupSourceEmpty")));
    } else {
        for (int i = 0; i < SourceFolderCount(); ++i) {
            const QString path = SourceFolderPath(i);
            const bool valid = !ExcludeTrailingSlash(path).trimmed().isEmpty();
            sourceValid.append(valid);
            if (!valid)
                add(FormatText(Translate(QStringLiteral("Invalid source folder (%s)!"),
                                         QStringLiteral("strBackupSourceInvalid")),
                               {path}));
        }
    }

    if (CompressionActive() && !CompressSeparate) {
        const QString name = ExpandedCompressFilename();
        if (name.trimmed().isEmpty())
            add(QStringLiteral("Invalid archive file name \"%1\"!").arg(name));
    }

    if (DestType == TDestKind::dkLocal) {
        const QString destination = DestinationFolder(-1);
        const QString bare = ExcludeTrailingSlash(destination);
        if (bare.trimmed().isEmpty()) {
            add(FormatText(Translate(QStringLiteral("Invalid destination folder (%s)!"),
                                     QStringLiteral("strBackupDestinationInvalid")),
                           {bare}));
        } else {
            // Both paths end in '/', so /data/ holds /data/backup/ but /dat/ does not. The test is a
            // prefix test: a source that merely occurs inside the destination (/a/ in /backup/a/) does
            // not contain it.
            for (int i = 0; i < SourceFolderCount(); ++i) {
                if (!sourceValid.value(i))
                    continue;
                if (destination.startsWith(SourceFolderPath(i)))
                    add(Translate(
                        QStringLiteral("Destination folder can't be placed under Source folder path!"),
                        QStringLiteral("strBackupDestinationUnderSource")));
            }
        }
    }

    if (!problems.isEmpty())
        problems.chop(2);
    return problems;
}

QString TTask::ReminderTitle() {
    return Translate(QStringLiteral("Information"), QStringLiteral("strInformation"));
}

bool TTask::VerifyEditPassword(TPasswordPrompt& prompt) const {
    const TEffectiveProtection protection = EffectiveProtection();
    if (protection.Password.isEmpty())
        return true;
    QString typed;
    if (!prompt.Ask(QStringLiteral("Enter password to continue"), protection.Reminder, typed))
        return false;
    if (typed == protection.Password)
        return true;
    prompt.ShowError(Translate(QStringLiteral("Error"), QStringLiteral("strError")),
                     Translate(QStringLiteral("Invalid password."), QStringLiteral("strPasswordInvalid")));
    return false;
}

// --- error flag ------------------------------------------------------------------------------------

void TTask::RaiseErrorFlag(TDateTime now) {
    ErrorFlag = true;
    ErrorFlagTime = now;
}

void TTask::ClearErrorFlag() {
    ErrorFlag = false;
    ErrorFlagTime = 0;
}

TDateTime TTask::ErrorFlagResetTime() const {
    double unitDays = 0;
    switch (FlagAutoResetUnit) {
        case TErrorResetUnit::ertuSeconds:
            unitDays = 1.0 / 86400.0;
            break;
        case TErrorResetUnit::ertuMinutes:
            unitDays = 1.0 / 1440.0;
            break;
        case TErrorResetUnit::ertuHours:
            unitDays = 1.0 / 24.0;
            break;
        case TErrorResetUnit::ertuDays:
            unitDays = 1.0;
            break;
        default:
            return 0;
    }
    return ErrorFlagTime + FlagAutoResetValue * unitDays;
}

bool TTask::ResetErrorFlagIfExpired(TDateTime now) {
    if (!ErrorFlag || !FlagAutoReset)
        return false;
    // Compared in whole milliseconds so that "at" the reset time counts despite rounding of the sum.
    if (std::llround(now * DateTime::MsPerDay) < std::llround(ErrorFlagResetTime() * DateTime::MsPerDay))
        return false;
    ClearErrorFlag();
    return true;
}

bool SamePersistedValues(const TTask& a, const TTask& b) {
    if (!(static_cast<const TTaskOptions&>(a) == static_cast<const TTaskOptions&>(b)))
        return false;
    if (a.SourceFolders.size() != b.SourceFolders.size())
        return false;
    for (std::size_t i = 0; i < a.SourceFolders.size(); ++i) {
        if (a.SourceFolders[i].Folder != b.SourceFolders[i].Folder ||
            a.SourceFolders[i].IncludeSubfolders != b.SourceFolders[i].IncludeSubfolders)
            return false;
    }
    return a.Filters == b.Filters && a.Schedule == b.Schedule;
}

QString TTask::IndexFileNameForId(const QString& id) {
    QString name = id;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QChar(0), QLatin1Char('_'));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return name + QStringLiteral(".idx");
}
