#include "storage/FtpStorage.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "model/Task.h"
#include "model/TaskPaths.h"
#include "packing/Launcher.h"
#include "platform/FileSystem.h"
#include "settings/FormatText.h"
#include "settings/Language.h"
#include "storage/FileUtils.h"

namespace {

// While a copy name is taken, the clock is read again after this pause until the stamp moves on.
constexpr int kNameWaitMs = 100;
const QString kVersionTag = QStringLiteral("Version");
const QString kObsoleteTag = QStringLiteral("Obsolete");
const QString kMask = QStringLiteral("************");

QString Text(const char* english, const char* key, std::initializer_list<QString> args) {
    return FormatText(Translate(QString::fromUtf8(english), QString::fromUtf8(key)), args);
}

QString Plain(const char* english, std::initializer_list<QString> args) {
    return FormatText(QString::fromUtf8(english), args);
}

QString Num(qint64 value) {
    return QString::number(value);
}

template <typename F>
bool Guarded(F&& f) {
    try {
        return f();
    } catch (...) {
        return false;
    }
}

// Remote path parts, with '/' as separator.
QString FolderPart(const QString& path) {
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString NamePart(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString WithSlash(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString WithoutSlash(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// A folder path as the client uses it: normalized, with a trailing '/'.
QString RemoteFolder(const QString& path) {
    return WithSlash(NormalizeFtpPath(path.trimmed().isEmpty() ? QStringLiteral("/") : path));
}

// Whether path lies strictly below root without empty, "." or ".." components: paths come from index
// files, and a damaged one must not lead deletes and renames elsewhere on the server.
bool LiesBelow(const QString& path, const QString& root) {
    const QString prefix = WithSlash(root);
    const QString plain = WithoutSlash(path);
    if (plain.size() <= prefix.size() || !plain.startsWith(prefix))
        return false;
    const QList<QStringView> parts = QStringView(plain).mid(prefix.size()).split(QLatin1Char('/'));
    return std::none_of(parts.begin(), parts.end(), [](QStringView part) {
        return part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..");
    });
}

qint64 EpochSeconds(const QString& path) {
    FileSystem::TFileStatus status;
    if (FileSystem::Status(path, status, true) != 0)
        return 0;
    return status.modificationTime.tv_sec;
}

void LogAndAlert(TRunContext& context, TLogKind kind, TAlertEvent event, const QString& text) {
    context.LogMessage(kind, text);
    context.RaiseAlert(event, QStringLiteral("CS"), text);
}

}  // namespace

QString FtpUploadTempPath(const QString& remotePath) {
    return FolderPart(remotePath) + QStringLiteral(".~") + NamePart(remotePath) + QStringLiteral(".tnx-part");
}

TFtpSettings TFtpStorage::SettingsOf(const TTask& task) {
    TFtpSettings settings;
    settings.Host = task.EffectiveFtpHost();
    settings.User = task.EffectiveFtpLogin();
    settings.Password = task.EffectiveFtpPassword();
    settings.Security = FtpSecurityFromName(task.DestFTP_Security);
    settings.AcceptSelfSigned = task.DestFTP_AcceptSelfSigned;
    settings.Port = task.EffectiveFtpPort();
    if (settings.Port <= 0)
        settings.Port = settings.Security == TFtpSecurity::Sftp ? 22 : 21;
    settings.Passive = task.DestFTP_PassiveMode;
    settings.ProxyUse = task.DestFTP_ProxyUse;
    settings.ProxyHost = task.DestFTP_ProxyAddress;
    settings.ProxyPort = task.DestFTP_ProxyPort;
    settings.ProxyUser = task.DestFTP_ProxyAuthLogin;
    settings.ProxyPassword = task.DestFTP_ProxyAuthPassword;
    settings.TimeoutSeconds = task.DestFTP_TimeOut > 0 ? task.DestFTP_TimeOut : 60;
    settings.MaxSendBytesPerSecond = TTransfer::ByteRateLimit(task.EffectiveBandwidth());
    return settings;
}

TFtpStorage::TFtpStorage(TRunContext& context) : TLocalStorage(context) {
    client_.SetLineHook([this](bool sent, const QString& line) { LogLine(sent, line); });
    client_.SetProgressHook([this](qint64 done, qint64 total) { return Progress(done, total); });
}

TFtpStorage::~TFtpStorage() = default;

// --- The connection --------------------------------------------------------------------------------------

void TFtpStorage::LogLine(bool sent, const QString& line) {
    QString text = line;
    // The password never reaches the log: the whole argument of PASS, and wherever else it occurs.
    if (sent && text.startsWith(QLatin1String("PASS "), Qt::CaseInsensitive))
        text = text.left(5) + kMask;
    if (!settings_.Password.isEmpty())
        text.replace(settings_.Password, kMask);
    if (!settings_.ProxyPassword.isEmpty())
        text.replace(settings_.ProxyPassword, kMask);
    text.replace(QLatin1Char('\r'), QLatin1Char(';'));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    Context().LogMessage(TLogKind::lkFtp, (sent ? QStringLiteral("» ") : QStringLiteral("« ")) + text);
}

bool TFtpStorage::Progress(qint64 done, qint64 total) {
    (void)total;
    TRunContext& context = Context();
    if (context.StopRequested())
        return false;
    context.SetProgressDone(done);
    return true;
}

bool TFtpStorage::ConnectionLoop() {
    TRunContext& context = Context();
    const TTask& task = Task();
    connecting_ = true;
    settings_ = SettingsOf(task);
    client_.Configure(settings_);
    const int maxAttempts = task.DestFTP_ReconnectRetries;
    const int pause = task.DestFTP_PauseBeforeRetry;
    for (;;) {
        if (!client_.Connected()) {
            const QString text =
                Plain("Connecting to FTP server at '%s:%d'...", {settings_.Host, Num(settings_.Port)});
            context.SetProgress(text, 100);
            context.LogMessage(TLogKind::lkSummary, text);
            if (client_.Connect()) {
                for (const QString& line : client_.LoginMessage())
                    context.LogMessage(TLogKind::lkSummary, Plain("Login message: %s", {line}));
            }
        }
        if (!client_.Connected()) {
            ++attempts_;
            if (!client_.LastError().isEmpty())
                context.LogMessage(TLogKind::lkFtp, client_.LastError());
            context.LogMessage(TLogKind::lkError, Plain("Can't connect to %s. Retry attempts remained: %d.",
                                                        {settings_.Host, Num(maxAttempts - attempts_)}));
            if (attempts_ < maxAttempts && pause > 0) {
                context.LogMessage(TLogKind::lkWarning,
                                   Plain("Pause before next retry: %d seconds.", {Num(pause)}));
                for (int i = 0; i < 2 * pause + 1; ++i)
                    if (!context.SleepUnlessStopped(500))
                        return false;
            }
            if (context.StopRequested())
                return false;
        }
        if (attempts_ >= maxAttempts || client_.Connected())
            break;
    }
    attempts_ = 0;
    connecting_ = false;
    return client_.Connected();
}

TFtpStatus TFtpStorage::Call(const std::function<TFtpStatus()>& operation) {
    const TFtpStatus status = operation();
    if (status == TFtpStatus::ConnectionLost && !connecting_ && !Context().StopRequested()) {
        Context().LogMessage(TLogKind::lkError, Plain("Connection to %s failed!", {settings_.Host}));
        // A new connection starts in the login folder with no listing known.
        currentFolder_.clear();
        listing_.clear();
        ConnectionLoop();
    }
    return status;
}

bool TFtpStorage::Connect() {
    return Guarded([&] {
        if (Context().StopRequested())
            return false;
        if (ConnectionLoop())
            return true;
        Context().RequestStop();
        return false;
    });
}

bool TFtpStorage::Disconnect() {
    // The connection ends when the storage goes.
    return true;
}

// --- Remote folders --------------------------------------------------------------------------------------

bool TFtpStorage::ChangeFolder(const QString& path) {
    const QString folder = RemoteFolder(path);
    std::vector<TFtpEntry> entries;
    if (Call([&] { return client_.List(folder, entries); }) != TFtpStatus::Ok)
        return false;
    currentFolder_ = folder;
    listingStale_ = false;
    listing_.clear();
    for (const TFtpEntry& entry : entries)
        listing_.insert(entry.Name, entry);
    return true;
}

bool TFtpStorage::CreateFolder(const QString& path, bool* madeLast) {
    const QString folder = RemoteFolder(path);
    // Each level from the top: changed into when it exists, made when it does not.
    qsizetype slash = 0;
    bool ok = true;
    bool made = false;
    while ((slash = folder.indexOf(QLatin1Char('/'), slash + 1)) > 0) {
        const QString level = folder.left(slash);
        made = false;
        if (Call([&] { return client_.ChangeFolder(level); }) == TFtpStatus::Ok)
            continue;
        ok = Call([&] { return client_.MakeFolder(level); }) == TFtpStatus::Ok;
        if (!ok)
            break;
        made = true;
        if (FolderPart(level) == currentFolder_)
            Remember(level, true, -1);
    }
    if (madeLast)
        *madeLast = ok && made;
    return ok;
}

bool TFtpStorage::CreateFolderWithRetries(const QString& path, bool* madeLast) {
    TRunContext& context = Context();
    const int pause = Task().DestFTP_PauseBeforeRetry;
    context.ResetRetryErrors();
    bool created = false;
    do {
        if (!client_.Connected())
            ConnectionLoop();
        if (context.StopRequested())
            return false;
        context.LogMessage(TLogKind::lkFile, Plain("Creating directory '%s'", {path}));
        created = CreateFolder(path, madeLast);
        if (created)
            break;
        context.LogMessage(TLogKind::lkError, Plain("Can't create directory %s. Retry attempts remained: %d.",
                                                    {path, Num(context.RetriesLeft())}));
        if (context.RetriesLeft() > 0 && pause > 0) {
            context.LogMessage(TLogKind::lkWarning,
                               Plain("Pause before next retry: %d seconds.", {Num(pause)}));
            for (int i = 0; i < 2 * pause + 1; ++i)
                if (!context.SleepUnlessStopped(500))
                    return false;
        }
    } while (context.RetriesLeft() > 0 && !created && !context.StopRequested());
    if (!created) {
        context.LogMessage(TLogKind::lkError, Plain("Error creating directory '%s'", {path}));
        context.RequestStop();
    }
    return created;
}

bool TFtpStorage::ChangeFolderCreating(const QString& path, bool listed) {
    TRunContext& context = Context();
    context.ResetRetryErrors();
    bool changed = false;
    // A folder that was made but still cannot be changed into (its listing fails) is not made again:
    // that would go round for ever.
    if (context.RetriesLeft() > 0 && !context.StopRequested()) {
        changed = !listed && ChangeFolder(path);
        bool madeLast = false;
        if (!changed && CreateFolderWithRetries(path, &madeLast)) {
            if (madeLast) {
                // Just made, so empty: no listing to fetch (three commands less per new folder).
                currentFolder_ = RemoteFolder(path);
                listingStale_ = false;
                listing_.clear();
                changed = true;
            } else {
                changed = ChangeFolder(path);
            }
        }
    }
    if (!changed)
        context.LogMessage(TLogKind::lkFile,
                           Plain("Can't change to directory '%s' (Retry apptemts count: %d)",
                                 {path, Num(context.RetriesLeft())}));
    return changed;
}

const TFtpEntry* TFtpStorage::RemoteEntry(const QString& path) {
    const QString folder = FolderPart(path);
    if (folder != currentFolder_ && !ChangeFolder(folder))
        return nullptr;
    const auto it = listing_.constFind(NamePart(path));
    return it == listing_.constEnd() ? nullptr : &*it;
}

bool TFtpStorage::RemoteFileExists(const QString& path) {
    const TFtpEntry* entry = RemoteEntry(path);
    return entry && !entry->Folder;
}

void TFtpStorage::Forget(const QString& remotePath) {
    if (FolderPart(remotePath) == currentFolder_)
        listing_.remove(NamePart(remotePath));
}

void TFtpStorage::Remember(const QString& remotePath, bool folder, qint64 size) {
    if (FolderPart(remotePath) != currentFolder_)
        return;
    TFtpEntry entry;
    entry.Name = NamePart(remotePath);
    entry.Folder = folder;
    entry.Size = size;
    listing_.insert(entry.Name, entry);
}

bool TFtpStorage::ForceDestinationFolder(const QString& sourceFolder) {
    return Guarded([&] {
        if (Context().StopRequested())
            return false;
        ChangeFolderCreating(Task().FtpDestinationPathOf(sourceFolder));
        return !Context().StopRequested();
    });
}

bool TFtpStorage::ForceSourceFolder(const QString&) {
    return true;
}

// --- Single files ----------------------------------------------------------------------------------------

bool TFtpStorage::UploadFile(const QString& localPath, const QString& remotePath) {
    TRunContext& context = Context();
    const QString temp = FtpUploadTempPath(remotePath);
    const qint64 stamp = EpochSeconds(localPath);
    const qint64 size = FileSize(localPath);
    context.SetProgress(QStringLiteral("Upload"), size);
    TFtpStatus status = TFtpStatus::Refused;
    for (;;) {
        status = Call([&] { return client_.UploadAndRename(localPath, temp, remotePath, stamp); });
        // After a lost connection the file is sent again, as long as the run has retries left (every
        // loss wrote an error record, so this ends).
        if (status != TFtpStatus::ConnectionLost || !client_.Connected() || context.RetriesLeft() <= 0 ||
            context.StopRequested())
            break;
        context.LogMessage(TLogKind::lkFile, Plain("Uploading \"%s\" again.", {localPath}));
    }
    if (status == TFtpStatus::Refused && client_.Connected() && ChangeFolder(FolderPart(remotePath))) {
        // The exchange failed after the file arrived (the rename was refused): a server that does not
        // rename over an existing file gets the old one deleted first, but only once the new one is
        // complete under the temporary name.
        const auto sent = listing_.constFind(NamePart(temp));
        if (sent != listing_.constEnd() && !sent->Folder && (sent->Size < 0 || sent->Size == size)) {
            bool renamed = client_.Rename(temp, remotePath) == TFtpStatus::Ok;
            const auto old = listing_.constFind(NamePart(remotePath));
            if (!renamed && old != listing_.constEnd() && !old->Folder &&
                client_.DeleteFile(remotePath) == TFtpStatus::Ok) {
                Forget(remotePath);
                renamed = client_.Rename(temp, remotePath) == TFtpStatus::Ok;
            }
            if (renamed)
                status = TFtpStatus::Ok;
        }
        Forget(temp);
    }
    if (status != TFtpStatus::Ok && client_.Connected())
        client_.DeleteFile(temp);  // whatever part of the file arrived
    if (status == TFtpStatus::Ok)
        Remember(remotePath, false, size);
    return status == TFtpStatus::Ok;
}

TFtpStorage::TOutcome TFtpStorage::CopyWithFtpRules(const QString& source, const QString& remote) {
    TRunContext& context = Context();
    const TTask& task = Task();
    const bool sync = task.TaskAction == TTaskAction::taSynchronize;
    const QString folder = FolderPart(remote);
    if (folder != currentFolder_ && !ChangeFolder(folder))
        ChangeFolderCreating(folder, true);
    if (context.StopRequested())
        return TOutcome::Failed;

    const bool inUse = FileInUse(source);
    const qint64 size = FileSize(source);
    const TFtpEntry* entry = RemoteEntry(remote);
    bool exists = entry != nullptr;
    qint64 remoteSize = entry ? entry->Size : -1;

    if (exists) {
        int c = 1;
        if (IndexLoaded(TStorageSide::Destination)) {
            const TDateTime sourceTime = FileModificationTime(source);
            const TDateTime recorded = GetIndexTime(remote, TStorageSide::Destination);
            c = DateTime::SameTime(sourceTime, recorded) ? 0 : sourceTime > recorded ? 1 : -1;
        }
        if (!sync && ((c == -1 && task.BackupOverwriteNeverDestination) ||
                      (c == 1 && (!inUse || task.BackupCopyInUseFiles)))) {
            SaveFileVersion(remote);
            // The version may have moved the file away, and left another folder current.
            if (currentFolder_ != folder && !ChangeFolder(folder))
                ChangeFolderCreating(folder, true);
            entry = RemoteEntry(remote);
            exists = entry != nullptr;
            remoteSize = entry ? entry->Size : -1;
        }
        if (context.StopRequested())
            return TOutcome::Failed;
        // A listing taken for the index file, before the run turned to this folder, may be out of date
        // by now; the size decides here, so it is read again.
        if (listingStale_ && (c == 0 || size == 0) && ChangeFolder(folder)) {
            entry = RemoteEntry(remote);
            exists = entry != nullptr;
            remoteSize = entry ? entry->Size : -1;
        }
        if (c == 0) {
            if (remoteSize >= 0 && remoteSize < size) {
                if (!task.OptionsDontSkipIfDateEqButSrcBiggerDst) {
                    context.LogMessage(
                        TLogKind::lkWarning,
                        Plain("Skipping file %s. Modification dates are equal, but destination "
                              "size is less than source size.",
                              {source}));
                    return TOutcome::Skipped;
                }
                context.LogMessage(TLogKind::lkWarning,
                                   Plain("Modification dates are equal, but according to Task's settings "
                                         "program overwriting destination file with bigger source file (%s).",
                                         {source}));
            } else {
                if (!sync)
                    context.LogMessage(TLogKind::lkSkipped, Text("Skipping unchanged \"%s\".",
                                                                 "strBackupFileSkipUnchanged", {source}));
                return TOutcome::Skipped;
            }
        } else if (c == -1) {
            if (sync)
                return TOutcome::Skipped;
            const bool overwrite = task.BackupOverwriteNeverDestination;
            const QString text = overwrite ? Text(
                                                 "Overwriting newer destination file \"%s\" by older source "
                                                 "file \"%s\".",
                                                 "strBackupFileOverwritingNewer", {source, remote})
                                           : Text("Skipping older file \"%s\" (than \"%s\").",
                                                  "strBackupFileSkipOlder", {source, remote});
            LogAndAlert(context, TLogKind::lkWarning, TAlertEvent::aeWarning, text);
            if (!overwrite)
                return TOutcome::Skipped;
        }
    }

    if (size == 0 && exists && remoteSize > 0) {
        const bool copyEmpty = task.CopyIfSourceLengthIsZero;
        const QString text =
            copyEmpty ? Text("Copying empty source file \"%s\" over non-empty destination \"%s\".",
                             "strBackupFileCopyEmptySource", {source, remote})
                      : Text("Skipping copying empty source file \"%s\" over non-empty destination \"%s\".",
                             "strBackupFileCopySkipEmptySource", {source, remote});
        LogAndAlert(context, TLogKind::lkWarning, TAlertEvent::aeWarning, text);
        if (!copyEmpty)
            return TOutcome::Skipped;
    }
    if (inUse) {
        if (!task.BackupCopyInUseFiles) {
            LogAndAlert(context, TLogKind::lkWarning, TAlertEvent::aeWarning,
                        Text("Skipping in use file \"%s\".", "strBackupFileSkipInUse", {source}));
            return TOutcome::Skipped;
        }
        LogAndAlert(
            context, TLogKind::lkWarning, TAlertEvent::aeWarning,
            Text("Copying in use file \"%s\" to \"%s\".", "strBackupFileCopyInUse", {source, remote}));
    } else {
        LogAndAlert(context, TLogKind::lkFile, TAlertEvent::aeFile,
                    Text("Copying \"%s\" to \"%s\".", "strBackupFileCopy", {source, remote}));
    }
    if (context.StopRequested())
        return TOutcome::Failed;
    if (UploadFile(source, remote))
        return TOutcome::Copied;
    if (context.StopRequested())
        return TOutcome::Failed;
    const QString text = Text("Can't copy file \"%s\" to \"%s\"! (Description: %s; System error code: %d).",
                              "strBackupFileCopyError", {source, remote, client_.LastError(), Num(0)});
    LogAndAlert(context, TLogKind::lkError, TAlertEvent::aeError, text);
    return TOutcome::Failed;
}

bool TFtpStorage::PutFileToDestination(const QString& sourcePath) {
    return Guarded([&] {
        TRunContext& context = Context();
        const TTask& task = Task();
        if (context.StopRequested())
            return false;
        if (!MayTransfer(sourcePath, TStorageSide::Destination))
            return false;
        const QString remote = task.FtpDestinationPathOf(sourcePath);
        const TDateTime sourceTime = FileModificationTime(sourcePath);
        if (task.TaskAction == TTaskAction::taSynchronize)
            SetIndexTime(sourcePath, TStorageSide::Source, sourceTime);
        const qint64 size = FileSize(sourcePath);
        const TOutcome outcome = CopyWithFtpRules(sourcePath, remote);
        bool ok = outcome == TOutcome::Copied;
        // A move takes the source away once its copy is safely on the server.
        if (ok && task.TaskAction == TTaskAction::taMove && !SafeDeleteFile(sourcePath)) {
            LogAndAlert(
                context, TLogKind::lkError, TAlertEvent::aeError,
                Text("Can't move file \"%s\" to \"%s\"!", "strBackupFileMoveError", {sourcePath, remote}));
            ok = false;
        }
        context.AddProgressBytes(size);
        if (!context.StopRequested()) {
            // A failed upload leaves the previous copy (and its recorded time) in place: recording the new
            // time would make the next run skip the file as unchanged.
            if (outcome == TOutcome::Failed)
                GetIndexTime(remote, TStorageSide::Destination);
            else
                SetIndexTime(remote, TStorageSide::Destination, sourceTime);
        }
        return ok;
    });
}

bool TFtpStorage::PutFileToSource(const QString&) {
    return false;
}

bool TFtpStorage::MayTransfer(const QString& path, TStorageSide side) {
    const TTask& task = Task();
    if (side == TStorageSide::Source)
        return TLocalStorage::MayTransfer(path, side);
    if (task.TaskAction != TTaskAction::taSynchronize || !IndexLoaded(side))
        return true;
    if (RemoteEntry(task.FtpDestinationPathOf(path)))
        return true;
    return FindIndexItem(path, TStorageSide::Source) == nullptr;
}

// --- Packed files ----------------------------------------------------------------------------------------

QString TFtpStorage::ArchiveStagingPath() const {
    return currentFolder_ + FileSystem::FileNameOf(Task().ArchiveFileName());
}

QString TFtpStorage::FileStagingPath(const QString& path) const {
    return currentFolder_ + FileSystem::FileNameOf(path);
}

bool TFtpStorage::UploadPacked(const QString& tempFile, const QString& remotePath) {
    TRunContext& context = Context();
    bool ok = false;
    if (!context.StopRequested()) {
        const QString text = Text("Uploading temporary file from \"%s\" to \"%s\".",
                                  "strBackupFtpTmpFileUpload", {tempFile, remotePath});
        context.LogMessage(TLogKind::lkFile, text);
        if (context.RaiseAlert(TAlertEvent::aeFile, QStringLiteral("CS"), text) == AlertAnswer::Stop)
            context.RequestStop();
        if (!context.StopRequested())
            ok = UploadFile(tempFile, remotePath);
    }
    FileSystem::RemoveFile(tempFile);
    return ok;
}

bool TFtpStorage::StoreEncryptedFile(const QString&, const QString& tempFile) {
    return Guarded([&] { return UploadPacked(tempFile, FileStagingPath(tempFile)); });
}

bool TFtpStorage::StoreCompressedFile(const QString&, const QString& tempFile) {
    return Guarded([&] { return UploadPacked(tempFile, FileStagingPath(tempFile)); });
}

bool TFtpStorage::StoreArchive(const QString& tempArchive) {
    return Guarded([&] { return UploadPacked(tempArchive, FileStagingPath(tempArchive)); });
}

bool TFtpStorage::StoreEncryptedArchive(const QString& tempArchive) {
    return Guarded([&] { return UploadPacked(tempArchive, FileStagingPath(tempArchive)); });
}

// --- Index files -----------------------------------------------------------------------------------------

bool TFtpStorage::FetchIndexFile(const QString& fileName, QString& path, TStorageSide side) {
    if (side == TStorageSide::Source)
        return TLocalStorage::FetchIndexFile(fileName, path, side);
    return Guarded([&] {
        if (Context().StopRequested() || fileName.isEmpty() || path.isEmpty())
            return false;
        const QString root = RemoteFolder(Task().FtpDestinationFolder(-1));
        ChangeFolderCreating(root);
        if (Context().StopRequested())
            return false;
        const TFtpEntry* entry = RemoteEntry(root + fileName);
        listingStale_ = true;
        if (entry && !entry->Folder &&
            Call([&] { return client_.Download(root + fileName, path); }) == TFtpStatus::Ok)
            return true;
        FileSystem::RemoveFile(path);
        return false;
    });
}

bool TFtpStorage::LocateIndexFile(const QString& fileName, QString& path, TStorageSide side) {
    if (side == TStorageSide::Source)
        return TLocalStorage::LocateIndexFile(fileName, path, side);
    return Guarded([&] {
        if (Context().StopRequested())
            return false;
        ChangeFolderCreating(RemoteFolder(Task().FtpDestinationFolder(-1)));
        listingStale_ = true;
        return !Context().StopRequested();
    });
}

bool TFtpStorage::StoreIndexFile(const QString& tempFile, TStorageSide side) {
    if (side == TStorageSide::Source)
        return TLocalStorage::StoreIndexFile(tempFile, side);
    return Guarded([&] {
        const QString target =
            RemoteFolder(Task().FtpDestinationFolder(-1)) + FileSystem::FileNameOf(tempFile);
        const bool ok = UploadFile(tempFile, target);
        if (!ok)
            Context().LogMessage(TLogKind::lkError, Text("Can't copy file \"%s\" to \"%s\"!",
                                                         "strBackupFileCopyErrorNoDesc", {tempFile, target}));
        FileSystem::RemoveFile(tempFile);
        return ok;
    });
}

bool TFtpStorage::DeleteIndexFile(TStorageSide side) {
    if (side == TStorageSide::Source)
        return TLocalStorage::DeleteIndexFile(side);
    return Guarded([&] {
        const QString path = RemoteFolder(Task().FtpDestinationFolder(-1)) + Task().IndexFileName();
        const bool ok = Call([&] { return client_.DeleteFile(path); }) == TFtpStatus::Ok;
        if (ok)
            Forget(path);
        return ok;
    });
}

// --- Versions and obsolete copies ------------------------------------------------------------------------

namespace {

struct TRemoteCopyRule {
    QString tag;
    bool sameFolder = true;
    QString archiveFolder;
    bool keepStructure = false;
    int quota = 0;
};

QString RemoteTargetFolder(const QString& path, const QString& root, const TRemoteCopyRule& rule) {
    const QString own = FolderPart(path);
    if (rule.sameFolder)
        return own;
    const QString archive = RemoteFolder(rule.archiveFolder);
    if (!rule.keepStructure || !LiesBelow(path, root))
        return archive;
    return archive + own.mid(WithSlash(root).size());
}

}  // namespace

QString TFtpStorage::MakeFtpVersionPath(const QString& remotePath) {
    const TTask& task = Task();
    TRunContext& context = Context();
    if (task.VersionsKeepType == TVersionsKeepKind::vkNone || context.StopRequested())
        return QString();
    TRemoteCopyRule rule;
    rule.tag = kVersionTag;
    rule.sameFolder = task.VersionsKeepType == TVersionsKeepKind::vkSameFolder;
    if (!rule.sameFolder)
        rule.archiveFolder = task.VersionsArchiveFolder();
    rule.keepStructure = task.VersionsKeepArcFolderKeepStruct;
    rule.quota = task.VersionsKeepFilesNum;
    const QString root = RemoteFolder(task.FtpDestinationFolder(-1));
    const QString folder = RemoteTargetFolder(remotePath, root, rule);
    if (!ChangeFolder(folder) && !(CreateFolder(folder) && ChangeFolder(folder))) {
        const QString text =
            Text("Invalid versions folder \"%s\"!", "strBackupVersionsFolderInvalid", {folder});
        context.LogMessage(TLogKind::lkError, text);
        context.RaiseAlert(TAlertEvent::aeError, QStringLiteral("S"), text);
        context.RequestStop();
        return QString();
    }
    const QString name = NamePart(remotePath);
    for (;;) {
        const QString copy = VersionCopyName(name, rule.tag, DateTime::ToQDateTime(DateTime::Now()));
        if (!listing_.contains(copy)) {
            if (rule.quota > 0) {
                std::vector<QString> group;
                for (const TFtpEntry& entry : std::as_const(listing_)) {
                    if (entry.Folder)
                        continue;
                    const QString original = StripVersionStamp(entry.Name, rule.tag);
                    if (original != entry.Name && original == name)
                        group.push_back(entry.Name);
                }
                std::sort(group.begin(), group.end());
                const std::size_t quota = static_cast<std::size_t>(rule.quota);
                for (std::size_t first = 0; group.size() - first >= quota; ++first) {
                    const QString victim = folder + group[first];
                    context.LogMessage(
                        TLogKind::lkWarning,
                        Plain("Deleting old file version stored over quota \"%s\".", {victim}));
                    if (Call([&] { return client_.DeleteFile(victim); }) == TFtpStatus::Ok)
                        Forget(victim);
                    else
                        context.LogMessage(TLogKind::lkError, Text("Cannot delete file \"%s\"!",
                                                                   "strBackupFileDeleteError", {victim}));
                }
            }
            return context.StopRequested() ? QString() : folder + copy;
        }
        if (!context.SleepUnlessStopped(kNameWaitMs))
            return QString();
    }
}

QString TFtpStorage::MakeFtpObsoleteArchivePath(const QString& remotePath, const QString& root) {
    const TTask& task = Task();
    TRunContext& context = Context();
    if (task.DeleteKind != TDeleteKind::adkMoveSameFolder && task.DeleteKind != TDeleteKind::adkMoveArcFolder)
        return QString();
    if (context.StopRequested())
        return QString();
    TRemoteCopyRule rule;
    rule.tag = kObsoleteTag;
    rule.sameFolder = task.DeleteKind == TDeleteKind::adkMoveSameFolder;
    if (!rule.sameFolder)
        rule.archiveFolder = task.DeletedArchiveFolder();
    rule.keepStructure = task.ArchiveFolderKeepStruct;
    rule.quota = task.KeepDeletedFilesNum;
    const QString folder = RemoteTargetFolder(remotePath, root, rule);
    if (!ChangeFolder(folder) && !(CreateFolderWithRetries(folder) && ChangeFolder(folder))) {
        const QString text = Text("Invalid obsolete files archive folder \"%s\" (Description: %s, Code: %d).",
                                  "strBackupObsoleteFolderInvalid",
                                  {folder, client_.LastError(), Num(client_.LastReplyCode())});
        context.LogMessage(TLogKind::lkError, text);
        context.RaiseAlert(TAlertEvent::aeError, QStringLiteral("S"), text);
        context.RequestStop();
        return QString();
    }
    const QString name = NamePart(remotePath);
    for (;;) {
        const QString copy = VersionCopyName(name, rule.tag, DateTime::ToQDateTime(DateTime::Now()));
        if (!listing_.contains(copy)) {
            if (rule.quota > 0) {
                std::vector<QString> group;
                for (const TFtpEntry& entry : std::as_const(listing_)) {
                    const QString original = StripVersionStamp(entry.Name, rule.tag);
                    if (!entry.Folder && original != entry.Name && original == name)
                        group.push_back(entry.Name);
                }
                std::sort(group.begin(), group.end());
                const std::size_t quota = static_cast<std::size_t>(rule.quota);
                for (std::size_t first = 0; group.size() - first >= quota; ++first) {
                    const QString victim = folder + group[first];
                    context.LogMessage(TLogKind::lkWarning,
                                       Text("Deleting obsolete file stored over quota \"%s\".",
                                            "strBackupObsoleteFileDeleteOverQuota", {victim}));
                    if (Call([&] { return client_.DeleteFile(victim); }) == TFtpStatus::Ok)
                        Forget(victim);
                }
            }
            return context.StopRequested() ? QString() : folder + copy;
        }
        if (!context.SleepUnlessStopped(kNameWaitMs))
            return QString();
    }
}

void TFtpStorage::SaveFileVersion(const QString& path) {
    try {
        TRunContext& context = Context();
        const TTask& task = Task();
        if (context.StopRequested() || !task.ArchivesApplicable() ||
            task.VersionsKeepType == TVersionsKeepKind::vkNone || !RemoteFileExists(path))
            return;
        const QString version = MakeFtpVersionPath(path);
        if (version.isEmpty() || context.StopRequested())
            return;
        const QString text =
            Text("Saving \"%s\" file version to \"%s\".", "strBackupVersionsFileSave", {path, version});
        if (context.RaiseAlert(TAlertEvent::aeFile, QStringLiteral("CS"), text) == AlertAnswer::Stop) {
            context.RequestStop();
            return;
        }
        context.LogMessage(TLogKind::lkFile, text);
        if (Call([&] { return client_.Rename(path, version); }) == TFtpStatus::Ok) {
            Forget(path);
            Remember(version, false, -1);
            return;
        }
        LogAndAlert(context, TLogKind::lkError, TAlertEvent::aeError,
                    Text("Cannot save \"%s\" file version!", "strBackupVersionsFileSaveError", {path}));
    } catch (...) {
    }
}

bool TFtpStorage::ApplyFtpObsoleteAction(const QString& remotePath) {
    TRunContext& context = Context();
    const TTask& task = Task();
    if (context.StopRequested())
        return false;
    const QString root = RemoteFolder(task.FtpDestinationFolder(-1));
    switch (task.DeleteKind) {
        case TDeleteKind::adkLeave:
            return false;
        case TDeleteKind::adkDelete:
        case TDeleteKind::adkDeleteRecycle: {
            // A server has no recycle bin: both delete.
            LogAndAlert(context, TLogKind::lkWarning, TAlertEvent::aeWarning,
                        Text("Deleting obsolete file \"%s\".", "strBackupObsoleteFileDelete", {remotePath}));
            if (context.StopRequested())
                return false;
            if (Call([&] { return client_.DeleteFile(remotePath); }) != TFtpStatus::Ok) {
                LogAndAlert(context, TLogKind::lkError, TAlertEvent::aeError,
                            Text("Cannot delete obsolete file \"%s\"!", "strBackupObsoleteFileDeleteError",
                                 {remotePath}));
                return false;
            }
            Forget(remotePath);
            if (task.DeleteEmptyFolders)
                DeleteEmptyRemoteFoldersUpward(FolderPart(remotePath), root);
            return true;
        }
        case TDeleteKind::adkMoveSameFolder:
        case TDeleteKind::adkMoveArcFolder: {
            const QString archived = MakeFtpObsoleteArchivePath(remotePath, root);
            if (archived.isEmpty())
                return false;
            LogAndAlert(context, TLogKind::lkFile, TAlertEvent::aeFile,
                        Text("Saving obsolete file \"%s\" to \"%s\".", "strBackupObsoleteFileSave",
                             {remotePath, archived}));
            if (context.StopRequested())
                return false;
            if (Call([&] { return client_.Rename(remotePath, archived); }) == TFtpStatus::Ok) {
                Forget(remotePath);
                Remember(archived, false, -1);
                return true;
            }
            LogAndAlert(context, TLogKind::lkError, TAlertEvent::aeError,
                        Text("Cannot move obsolete file \"%s\" to an archive folder \"%s\"!",
                             "strBackupObsoleteFileMoveToArchiveError", {remotePath, archived}));
            return false;
        }
    }
    return false;
}

bool TFtpStorage::DeleteEmptyRemoteFoldersUpward(const QString& folder, const QString& stopAt) {
    TRunContext& context = Context();
    // Strictly below the remote root: the root itself and what lies above it stay.
    for (QString current = WithoutSlash(folder); LiesBelow(current, stopAt) && !context.StopRequested();
         current = WithoutSlash(FolderPart(current))) {
        std::vector<TFtpEntry> entries;
        if (Call([&] { return client_.List(current, entries); }) != TFtpStatus::Ok || !entries.empty())
            return true;
        context.LogMessage(TLogKind::lkFile, QStringLiteral("Deleting empty obsolete folder: ") + current);
        if (Call([&] { return client_.RemoveFolder(current); }) != TFtpStatus::Ok)
            return false;
        if (WithSlash(current) == currentFolder_) {
            currentFolder_.clear();
            listing_.clear();
        }
        Forget(current);
    }
    return true;
}

void TFtpStorage::ProcessObsoleteFiles(TStorageSide side) {
    if (side == TStorageSide::Source) {
        TLocalStorage::ProcessObsoleteFiles(side);
        return;
    }
    try {
        TRunContext& context = Context();
        const TTask& task = Task();
        if (context.StopRequested() || !IndexLoaded(side) || task.DeleteKind == TDeleteKind::adkLeave)
            return;
        if (context.SpanningHappened()) {
            context.LogMessage(TLogKind::lkWarning,
                               Text("Obsolete files deletion is skipped due to Disk Spanning!",
                                    "strBackupObsoleteDeleteImpossible", {}));
            return;
        }
        if (!task.ArchivesApplicable())
            return;
        const QString root = RemoteFolder(task.FtpDestinationFolder(-1));
        TIndexList& list = Index(side);
        for (TIndexList::iterator it = list.begin(); it != list.end();) {
            if (it->Seen) {
                ++it;
                continue;
            }
            if (context.StopRequested())
                return;
            const QString path = it->Path;
            if (LiesBelow(path, root) && RemoteFileExists(path) && !ApplyFtpObsoleteAction(path) &&
                context.StopRequested())
                return;
            it = list.Remove(it);
        }
    } catch (...) {
    }
}

// --- Registration ----------------------------------------------------------------------------------------

void RegisterFtpStorage() {
    SetFtpStorageFactory([](TRunContext& context) { return std::make_unique<TFtpStorage>(context); });
}
