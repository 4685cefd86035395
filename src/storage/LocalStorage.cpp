#include <initializer_list>

#include "model/Task.h"
#include "platform/FileSystem.h"
#include "settings/FormatText.h"
#include "settings/Language.h"
#include "storage/FileUtils.h"
#include "storage/Storage.h"

namespace {

QString Text(const char* english, const char* key, std::initializer_list<QString> args) {
    return FormatText(Translate(QString::fromUtf8(english), QString::fromUtf8(key)), args);
}

QString Num(qint64 value) {
    return QString::number(value);
}

QString CopyErrorText(const QString& source, const QString& target, int error) {
    return Text("Can't copy file \"%s\" to \"%s\"! (Description: %s; System error code: %d).",
                "strBackupFileCopyError", {source, target, FileSystem::ErrorText(error), Num(error)});
}

QString MoveErrorText(const QString& source, const QString& target) {
    return Text("Can't move file \"%s\" to \"%s\"!", "strBackupFileMoveError", {source, target});
}

// A symbolic link is stored as a link: what it points to (which may be missing or locked) does not
// decide whether the link can be copied.
bool SourceInUse(const QString& source) {
    FileSystem::TFileStatus st;
    if (FileSystem::Status(source, st) == 0 && st.IsSymLink())
        return false;
    return FileInUse(source);
}

// The date and size rules for a target that exists: true when it is to be replaced. The reference time
// is the one recorded in the side's index when that index was read in this run (a target edited since
// then is not a reason to copy), otherwise the target's own time.
bool TargetMayBeReplaced(TLocalStorage& storage, const QString& source, const QString& target,
                         TStorageSide side) {
    TRunContext& context = storage.Context();
    const TTask& task = storage.Task();
    const TDateTime sourceTime = FileModificationTime(source);
    const TDateTime reference =
        storage.IndexLoaded(side) ? storage.GetIndexTime(target, side) : FileModificationTime(target);
    if (DateTime::SameTime(sourceTime, reference)) {
        if (FileSize(target) >= FileSize(source)) {
            context.LogMessage(TLogKind::lkSkipped,
                               Text("Skipping unchanged \"%s\".", "strBackupFileSkipUnchanged", {source}));
            return false;
        }
        // Equal times but a smaller target: most likely an earlier copy that did not complete.
        if (!task.OptionsDontSkipIfDateEqButSrcBiggerDst) {
            context.LogMessage(
                TLogKind::lkWarning,
                FormatText(QStringLiteral("Skipping file %s. Modification dates are equal, but "
                                          "destination size is less than source size."),
                           {source}));
            return false;
        }
        context.LogMessage(TLogKind::lkWarning,
                           FormatText(QStringLiteral("Modification dates are equal, but according to Task's "
                                                     "settings program overwriting destination file with "
                                                     "bigger source file (%s)."),
                                      {source}));
        return true;
    }
    if (sourceTime > reference)
        return true;
    // An older source. In a synchronisation the newer copy travels the other way.
    if (task.TaskAction == TTaskAction::taSynchronize)
        return false;
    const bool overwrite = task.BackupOverwriteNeverDestination;
    const QString text =
        overwrite
            ? Text("Overwriting newer destination file \"%s\" by older source file \"%s\".",
                   "strBackupFileOverwritingNewer", {source, target})
            : Text("Skipping older file \"%s\" (than \"%s\").", "strBackupFileSkipOlder", {source, target});
    context.LogMessage(TLogKind::lkWarning, text);
    context.RaiseAlert(TAlertEvent::aeWarning, QStringLiteral("CS"), text);
    return overwrite;
}

// Whether two existing entries lie on one file system (a rename between them moves no bytes).
bool SameFileSystem(const QString& a, const QString& b) {
    FileSystem::TFileStatus first;
    FileSystem::TFileStatus second;
    return FileSystem::Status(a, first) == 0 && FileSystem::Status(b, second, true) == 0 &&
           first.device == second.device;
}

// Runs one storage operation so that no exception leaves it: an unexpected failure is a plain false,
// without a log record.
template <typename F>
bool Guarded(F&& f) {
    try {
        return f();
    } catch (...) {
        return false;
    }
}

}  // namespace

TLocalStorage::TLocalStorage(TRunContext& context) : TCustomStorage(context), transfer_(context) {}

TLocalStorage::~TLocalStorage() = default;

bool TLocalStorage::ForceDestinationFolder(const QString& sourceFolder) {
    return Guarded(
        [&] { return transfer_.ForceFolderLike(Task().DestinationPathOf(sourceFolder), sourceFolder); });
}

bool TLocalStorage::ForceSourceFolder(const QString& destinationFolder) {
    return Guarded(
        [&] { return transfer_.ForceFolderLike(Task().SourcePathOf(destinationFolder), destinationFolder); });
}

// --- Single files --------------------------------------------------------------------------------------

bool TLocalStorage::PutFileToDestination(const QString& sourcePath) {
    return Guarded([&] {
        TRunContext& context = Context();
        if (context.StopRequested())
            return false;
        if (!MayTransfer(sourcePath, TStorageSide::Destination))
            return false;
        const TTask& task = Task();
        const QString target = task.DestinationPathOf(sourcePath);
        // The time is taken before the transfer: the copy carries the source's time as it was when the
        // copy began, and a source changed during the copy then looks newer to the next run.
        const TDateTime sourceTime = FileModificationTime(sourcePath);
        if (task.TaskAction == TTaskAction::taSynchronize)
            SetIndexTime(sourcePath, TStorageSide::Source, sourceTime);
        const qint64 size = FileSize(sourcePath);

        bool ok = false;
        if (task.TaskAction == TTaskAction::taMove) {
            ok = MoveWithRules(sourcePath, target);
        } else {
            ok = CopyWithRules(sourcePath, target, TStorageSide::Destination);
            if (ok && task.BackupCompareAfterCopy)
                ok = transfer_.CompareAfterCopy(sourcePath, target);
        }
        context.AddProgressBytes(size);
        // Skipped and failed files are recorded too: the next run then compares against the source's
        // time (and the size rule catches a target left smaller). A stopped run records nothing new, so
        // that a copy it interrupted is made again.
        if (!context.StopRequested())
            SetIndexTime(target, TStorageSide::Destination, sourceTime);
        return ok;
    });
}

bool TLocalStorage::PutFileToSource(const QString& destinationPath) {
    return Guarded([&] {
        TRunContext& context = Context();
        if (context.StopRequested())
            return false;
        if (!MayTransfer(destinationPath, TStorageSide::Source))
            return false;
        const TTask& task = Task();
        const QString target = task.SourcePathOf(destinationPath);
        const TDateTime time = FileModificationTime(destinationPath);
        SetIndexTime(destinationPath, TStorageSide::Destination, time);
        const qint64 size = FileSize(destinationPath);

        bool ok = CopyWithRules(destinationPath, target, TStorageSide::Source);
        if (ok && task.BackupCompareAfterCopy)
            ok = transfer_.CompareAfterCopy(destinationPath, target);
        context.AddProgressBytes(size);
        if (!context.StopRequested())
            SetIndexTime(target, TStorageSide::Source, time);
        return ok;
    });
}

bool TLocalStorage::MayTransfer(const QString& path, TStorageSide side) {
    if (Task().TaskAction != TTaskAction::taSynchronize || !IndexLoaded(side))
        return true;
    const bool toDestination = side == TStorageSide::Destination;
    const QString counterpart = toDestination ? Task().DestinationPathOf(path) : Task().SourcePathOf(path);
    if (FileSystem::Exists(counterpart))
        return true;
    const TStorageSide other = toDestination ? TStorageSide::Source : TStorageSide::Destination;
    return FindIndexItem(path, other) == nullptr;
}

bool TLocalStorage::CopyWithRules(const QString& source, const QString& target, TStorageSide side) {
    TRunContext& context = Context();
    const TTask& task = Task();
    if (context.StopRequested())
        return false;
    transfer_.ForceFolderLike(FileSystem::ParentFolder(target), FileSystem::ParentFolder(source));
    if (context.StopRequested())
        return false;

    if (FileSystem::Exists(target) && !TargetMayBeReplaced(*this, source, target, side))
        return false;

    if (context.StopRequested())
        return false;
    if (FileSystem::Exists(target))
        SaveFileVersion(target);
    if (context.StopRequested())
        return false;

    // Looked at after the version was set aside: a target moved away no longer stands in the way.
    if (FileSize(source) == 0 && FileSystem::Exists(target) && FileSize(target) > 0) {
        const bool copyEmpty = task.CopyIfSourceLengthIsZero;
        const QString text = copyEmpty
                                 ? Text("Copying empty source file \"%s\" over non-empty destination \"%s\".",
                                        "strBackupFileCopyEmptySource", {source, target})
                                 : Text(
                                       "Skipping copying empty source file \"%s\" over non-empty "
                                       "destination \"%s\".",
                                       "strBackupFileCopySkipEmptySource", {source, target});
        context.LogMessage(TLogKind::lkWarning, text);
        context.RaiseAlert(TAlertEvent::aeWarning, QStringLiteral("CS"), text);
        if (!copyEmpty)
            return false;
    }

    if (context.StopRequested())
        return false;
    if (SourceInUse(source)) {
        if (!task.BackupCopyInUseFiles) {
            const QString text = Text("Skipping in use file \"%s\".", "strBackupFileSkipInUse", {source});
            context.LogMessage(TLogKind::lkWarning, text);
            context.RaiseAlert(TAlertEvent::aeWarning, QStringLiteral("CS"), text);
            return false;
        }
        const QString text =
            Text("Copying in use file \"%s\" to \"%s\".", "strBackupFileCopyInUse", {source, target});
        context.LogMessage(TLogKind::lkWarning, text);
        context.RaiseAlert(TAlertEvent::aeWarning, QStringLiteral("CS"), text);
    } else {
        const QString text = Text("Copying \"%s\" to \"%s\".", "strBackupFileCopy", {source, target});
        context.LogMessage(TLogKind::lkFile, text);
        context.RaiseAlert(TAlertEvent::aeFile, QStringLiteral("CS"), text);
    }

    if (context.StopRequested())
        return false;
    transfer_.WaitForFreeSpace(source, target);
    if (context.StopRequested())
        return false;

    int error = 0;
    if (transfer_.CopyFileData(source, target, error))
        return true;
    const QString text = CopyErrorText(source, target, error);
    context.LogMessage(TLogKind::lkError, text);
    context.RaiseAlert(TAlertEvent::aeError, QStringLiteral("CS"), text);
    return false;
}

bool TLocalStorage::MoveWithRules(const QString& source, const QString& target) {
    TRunContext& context = Context();
    const TTask& task = Task();
    constexpr TStorageSide side = TStorageSide::Destination;
    if (context.StopRequested())
        return false;
    transfer_.ForceFolderLike(FileSystem::ParentFolder(target), FileSystem::ParentFolder(source));
    if (context.StopRequested())
        return false;

    // The in-use test guards a target that would be replaced; with no target the move is simply tried.
    bool inUse = false;
    if (FileSystem::Exists(target)) {
        if (!TargetMayBeReplaced(*this, source, target, side))
            return false;
        inUse = SourceInUse(source);
    }

    if (context.StopRequested())
        return false;
    if (FileSystem::Exists(target))
        SaveFileVersion(target);
    if (context.StopRequested())
        return false;

    if (FileSize(source) == 0 && FileSystem::Exists(target) && FileSize(target) > 0) {
        const bool moveEmpty = task.CopyIfSourceLengthIsZero;
        const QString text = moveEmpty
                                 ? Text("Moving empty source file \"%s\" over non-empty destination \"%s\".",
                                        "strBackupFileMoveEmptySource", {source, target})
                                 : Text(
                                       "Skipping moving empty source file \"%s\" over non-empty "
                                       "destination \"%s\".",
                                       "strBackupFileMoveSkipEmptySource", {source, target});
        context.LogMessage(TLogKind::lkWarning, text);
        context.RaiseAlert(TAlertEvent::aeWarning, QStringLiteral("CS"), text);
        if (!moveEmpty)
            return false;
    }

    if (context.StopRequested())
        return false;
    if (inUse) {
        const QString text = Text("Skipping in use file \"%s\".", "strBackupFileSkipInUse", {source});
        context.LogMessage(TLogKind::lkWarning, text);
        context.RaiseAlert(TAlertEvent::aeWarning, QStringLiteral("CS"), text);
        return false;
    }
    const QString announce = Text("Moving \"%s\" to \"%s\".", "strBackupFileMove", {source, target});
    context.LogMessage(TLogKind::lkFile, announce);
    context.RaiseAlert(TAlertEvent::aeFile, QStringLiteral("CS"), announce);

    if (context.StopRequested())
        return false;
    // A rename within one file system needs no room. A move that has to copy waits for it: across file
    // systems, or over a target that is still there (the rename never replaces one).
    if (FileSystem::Exists(target) || !SameFileSystem(source, FileSystem::ParentFolder(target)))
        transfer_.WaitForFreeSpace(source, target);
    if (context.StopRequested())
        return false;

    int error = 0;
    if (transfer_.MoveFileData(source, target, error))
        return true;
    const QString text = MoveErrorText(source, target);
    context.LogMessage(TLogKind::lkError, text);
    context.RaiseAlert(TAlertEvent::aeError, QStringLiteral("CS"), text);
    return false;
}

// --- Packed files ----------------------------------------------------------------------------------------

bool TLocalStorage::StorePackedFile(const QString& tempFile, const QString& finalName, bool copyErrorText) {
    return Guarded([&] {
        TRunContext& context = Context();
        if (context.StopRequested())
            return false;
        const QString announce = Text("Moving \"%s\" to \"%s\".", "strBackupFileMove", {tempFile, finalName});
        context.LogMessage(TLogKind::lkFile, announce);
        context.RaiseAlert(TAlertEvent::aeFile, QStringLiteral("CS"), announce);
        int error = 0;
        if (transfer_.MoveFileData(tempFile, finalName, error))
            return true;
        const QString text =
            copyErrorText ? CopyErrorText(tempFile, finalName, error) : MoveErrorText(tempFile, finalName);
        context.LogMessage(TLogKind::lkError, text);
        context.RaiseAlert(TAlertEvent::aeError, QStringLiteral("CS"), text);
        return false;
    });
}

bool TLocalStorage::StoreEncryptedFile(const QString& sourcePath, const QString& tempFile) {
    return Guarded([&] {
        return StorePackedFile(
            tempFile, Task().DestinationPathOf(sourcePath) + QLatin1Char('.') + EncryptorExtension(), false);
    });
}

bool TLocalStorage::StoreCompressedFile(const QString& sourcePath, const QString& tempFile) {
    return Guarded([&] {
        return StorePackedFile(
            tempFile, Task().DestinationPathOf(sourcePath) + QLatin1Char('.') + CompressorExtension(), false);
    });
}

bool TLocalStorage::StoreArchive(const QString& tempArchive) {
    return Guarded([&] { return StorePackedFile(tempArchive, Task().ArchiveFileName(), true); });
}

bool TLocalStorage::StoreEncryptedArchive(const QString& tempArchive) {
    return Guarded([&] { return StorePackedFile(tempArchive, Task().EncryptedArchiveFileName(), true); });
}

// --- Index files -----------------------------------------------------------------------------------------

bool TLocalStorage::FetchIndexFile(const QString& fileName, QString& path, TStorageSide side) {
    return Guarded([&] {
        const QString root = SideRoot(side);
        if (root.isEmpty() || fileName.isEmpty())
            return false;
        // The local index file is read where it lies.
        path = root + fileName;
        return true;
    });
}

bool TLocalStorage::LocateIndexFile(const QString& fileName, QString& path, TStorageSide side) {
    return FetchIndexFile(fileName, path, side);
}

bool TLocalStorage::StoreIndexFile(const QString& tempFile, TStorageSide side) {
    return Guarded([&] {
        const QString root = SideRoot(side);
        if (root.isEmpty())
            return false;
        const QString target = root + FileSystem::FileNameOf(tempFile);
        // A temporary file that already is the index (the temporary folder is the side's root) stays.
        if (SameFile(tempFile, target))
            return true;
        // The copy replaces the previous index only when it is complete. The file keeps its known name:
        // hiding it would mean a leading dot, which no other run would look for.
        // The copies the index lists reach the disk before it does, and it before the run goes on.
        transfer_.FlushWrites();
        int error = 0;
        const bool copied = transfer_.CopyFileData(tempFile, target, error);
        if (!copied)
            Context().LogMessage(TLogKind::lkError, CopyErrorText(tempFile, target, error));
        FileSystem::RemoveFile(tempFile);
        transfer_.FlushWrites();
        return copied;
    });
}

bool TLocalStorage::DeleteIndexFile(TStorageSide side) {
    return Guarded([&] {
        const QString root = SideRoot(side);
        return !root.isEmpty() && SafeDeleteFile(root + Task().IndexFileName());
    });
}
