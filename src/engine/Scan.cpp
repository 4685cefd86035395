#include "engine/Scan.h"

#include <vector>

#include "engine/RunJob.h"
#include "model/Task.h"
#include "platform/DirEntry.h"
#include "platform/FileSystem.h"
#include "settings/FormatText.h"
#include "settings/Language.h"
#include "storage/FileUtils.h"
#include "storage/Transfer.h"

namespace {

QString LastComponent(const QString& folder) {
    // A folder with a trailing '/' (a root) has an empty last component.
    const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? folder : folder.mid(slash + 1);
}

}  // namespace

QString JoinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

bool ExcludesArchiveCopies(const TTask& task) {
    // Kept versions and obsolete copies lie beside the files they come from; they are not files of the
    // source and must not be stored again as such.
    return task.TaskAction == TTaskAction::taSynchronize ||
           task.VersionsKeepType == TVersionsKeepKind::vkSameFolder ||
           task.VersionsKeepType == TVersionsKeepKind::vkArcFolder ||
           task.DeleteKind == TDeleteKind::adkMoveSameFolder ||
           task.DeleteKind == TDeleteKind::adkMoveArcFolder;
}

bool IsArchiveFolder(const TTask& task, const QString& subfolder) {
    if (task.DestType != TDestKind::dkLocal && task.DestType != TDestKind::dkFtp)
        return false;
    if (task.VersionsKeepType == TVersionsKeepKind::vkArcFolder &&
        subfolder.startsWith(task.VersionsArchiveFolder()))
        return true;
    return task.DeleteKind == TDeleteKind::adkMoveArcFolder &&
           subfolder.startsWith(task.DeletedArchiveFolder());
}

TScanner::TScanner(TRunJob& job) : job_(job) {}

bool TScanner::Stopped() {
    if (!abandoned_ && job_.Context.StopRequested())
        abandoned_ = true;
    return abandoned_;
}

void TScanner::ScanRoot(const QString& root, TFilesList& list, TStorageSide side, const QString& caption,
                        TScanTotals& totals, bool includeSubfolders) {
    const TTask& task = job_.Task();
    list_ = &list;
    totals_ = &totals;
    side_ = side;
    caption_ = caption;
    includeSubfolders_ = includeSubfolders;
    abandoned_ = false;
    excludeArchiveCopies_ = ExcludesArchiveCopies(task);
    if (job_.Storage) {
        // The root's counterpart is made even when everything goes into one archive.
        if (side == TStorageSide::Source)
            job_.Storage->ForceDestinationFolder(root);
        else
            job_.Storage->ForceSourceFolder(root);
    }
    ScanFolder(root);
}

void TScanner::ShowStatus(const QString& folder, const QString& name) {
    job_.Context.SetProgress(
        caption_ + QStringLiteral(": ") + LastComponent(folder) + QLatin1Char('/') + name, 0);
}

void TScanner::ScanFolder(const QString& folder) {
    if (Stopped())
        return;
    const TTask& task = job_.Task();
    const QString indexName = task.IndexFileName();

    std::vector<FileSystem::TFolderEntry> entries;
    const int listError = FileSystem::ListFolder(folder, entries);
    if (listError != 0) {
        // What a folder that cannot be read holds is unknown, not gone: the run says so, and the
        // procedure keeps the other side's copies from being treated as obsolete.
        incomplete_ = true;
        job_.Context.LogMessage(
            TLogKind::lkWarning,
            FormatText(Translate(QStringLiteral("Can't read folder \"%s\". (Description: %s; System error "
                                                "code: %d)."),
                                 QStringLiteral("strScanFolderReadError")),
                       {folder, FileSystem::ErrorText(listError), QString::number(listError)}));
        return;
    }

    // First pass: the files of this folder.
    bool anyIncluded = false;
    for (const FileSystem::TFolderEntry& found : entries) {
        if (Stopped())
            return;
        ShowStatus(folder, found.name);
        if (found.type == FileSystem::TEntryType::Folder)
            continue;
        // A copy that was killed half-way leaves its temporary file; it is nobody's file.
        if (IsTransferTempName(found.name))
            continue;
        const QString path = JoinPath(folder, found.name);
        TDirEntry entry;
        if (!ReadDirEntry(path, entry) || entry.isFolder)
            continue;
        if (!PassesFilters(task.Filters, folder, entry, indexName, excludeArchiveCopies_))
            continue;
        if (entry.isSpecial) {
            // Reading a FIFO would block the run, and devices and sockets hold no file contents.
            job_.Context.LogMessage(
                TLogKind::lkSkipped,
                FormatText(Translate(QStringLiteral("Skipping special file \"%s\" (FIFO, socket or device)."),
                                     QStringLiteral("strBackupFileSkipSpecial")),
                           {path}));
            continue;
        }
        list_->FileAdd(path);
        ProcessFile(path, side_);
        totals_->Bytes += static_cast<quint64>(entry.size);
        ++totals_->Files;
        anyIncluded = true;
    }
    if (anyIncluded)
        ++totals_->Folders;

    if (!includeSubfolders_)
        return;

    // Second pass: the subfolders, each walked completely before the next. The folder is read again,
    // so that a folder made by the first pass is seen as it is now.
    entries.clear();
    if (FileSystem::ListFolder(folder, entries) != 0)
        return;
    const bool recordFolders = IncludesEmptyFolders(task.Filters);
    for (const FileSystem::TFolderEntry& found : entries) {
        if (Stopped())
            return;
        // A link to a folder is not a folder here: following it could loop or leave the source.
        if (found.type != FileSystem::TEntryType::Folder)
            continue;
        const QString path = JoinPath(folder, found.name);
        const QString sub = path + QLatin1Char('/');
        if (IsArchiveFolder(task, sub))
            continue;
        ShowStatus(folder, found.name);
        TDirEntry entry;
        if (!ReadDirEntry(path, entry) || !entry.isFolder)
            continue;
        // A folder the filters exclude is not recorded either: in a run's one archive it would
        // appear as an empty folder that the user had excluded.
        if (!PassesFilters(task.Filters, folder, entry, indexName, excludeArchiveCopies_))
            continue;
        if (recordFolders)
            list_->FileAdd(sub);
        ProcessFolder(sub, side_);
        ScanFolder(path);
        if (abandoned_)
            return;
    }
}

void TScanner::ProcessFolder(const QString& path, TStorageSide side) {
    const TTask& task = job_.Task();
    if (task.CompressionActive() && !task.CompressSeparate) {
        // One archive for the run: the folder goes into the archive, nothing is made at the destination.
        job_.Context.LogMessage(TLogKind::lkFile, path);
        return;
    }
    if (!job_.Storage)
        return;
    if (side == TStorageSide::Source)
        job_.Storage->ForceDestinationFolder(path);
    else
        job_.Storage->ForceSourceFolder(path);
}

void TScanner::ProcessFile(const QString& path, TStorageSide side) {
    if (!job_.Storage)
        return;
    const TTask& task = job_.Task();
    const bool packed = side == TStorageSide::Source && (task.CompressionActive() || task.EncryptionActive());
    if (packed) {
        // A packed copy cannot be compared by date with its source: the index alone tells whether the
        // source changed since it was packed.
        if (PackedIndexCheck(path))
            return;
        if (task.CompressionActive() && !task.CompressSeparate) {
            // Packed later, with the whole list, into the run's one archive.
            job_.Context.LogMessage(TLogKind::lkFile, path);
            return;
        }
        PackFile(path);
        return;
    }
    if (side == TStorageSide::Source)
        job_.Storage->PutFileToDestination(path);
    else
        job_.Storage->PutFileToSource(path);
}

bool TScanner::PackedIndexCheck(const QString& path) {
    TCustomStorage& storage = *job_.Storage;
    const TTask& task = job_.Task();
    const QString destination = task.DestinationPathOf(path);
    const TDateTime sourceTime = FileModificationTime(path);
    TIndexFileItem* item = storage.FindIndexItem(destination, TStorageSide::Destination);
    if (item && storage.IndexLoaded(TStorageSide::Destination) &&
        FileSystem::Exists(task.WithProcessingExtension(item->Path))) {
        item->Seen = true;
        if (DateTime::SameTime(sourceTime, item->Time)) {
            job_.Context.LogMessage(TLogKind::lkSkipped,
                                    FormatText(Translate(QStringLiteral("Skipping unchanged \"%s\"."),
                                                         QStringLiteral("strBackupFileSkipUnchanged")),
                                               {path}));
            return true;
        }
    }
    // Recorded before packing: a failure further on still leaves the new time in the index.
    if (storage.IndexEnabled())
        storage.SetIndexTime(destination, TStorageSide::Destination, sourceTime);
    return false;
}

void TScanner::PackFile(const QString& path) {
    const TTask& task = job_.Task();
    TCustomStorage& storage = *job_.Storage;
    const QString temp = job_.Context.TempFolder();
    if (temp.isEmpty()) {
        // Without the run's own temporary folder the packed file would land in the current folder.
        job_.Context.LogMessage(TLogKind::lkError,
                                FormatText(Translate(QStringLiteral("No temporary folder to pack \"%s\" in."),
                                                     QStringLiteral("strTaskPackNoTempFolder")),
                                           {path}));
        return;
    }
    const QString name = FileSystem::FileNameOf(path);
    const QString encrypted = temp + name + QLatin1Char('.') + EncryptorExtension(task.CryptType);
    if (task.CompressionActive()) {
        if (!job_.Compressor)
            return;
        const QString compressed = temp + name + QLatin1Char('.') + CompressorExtension(task.CompressType);
        if (job_.Compressor->CompressFile(path, compressed)) {
            if (task.EncryptionActive()) {
                if (job_.Encryptor && job_.Encryptor->EncryptFile(compressed, encrypted) &&
                    storage.StoreEncryptedFile(path, encrypted))
                    DeleteMovedSource(path);
            } else if (storage.StoreCompressedFile(path, compressed)) {
                DeleteMovedSource(path);
            }
        }
        FileSystem::RemoveFile(compressed);
        if (task.EncryptionActive())
            FileSystem::RemoveFile(encrypted);
        return;
    }
    if (job_.Encryptor && job_.Encryptor->EncryptFile(path, encrypted) &&
        storage.StoreEncryptedFile(path, encrypted))
        DeleteMovedSource(path);
    FileSystem::RemoveFile(encrypted);
}

void TScanner::DeleteMovedSource(const QString& path) {
    if (job_.Task().TaskAction != TTaskAction::taMove)
        return;
    if (SafeDeleteFile(path))
        job_.Context.LogMessage(TLogKind::lkFile,
                                FormatText(Translate(QStringLiteral("Source file deleted: %s."),
                                                     QStringLiteral("strTaskMoveSourceFileDeleted")),
                                           {path}));
    else
        job_.Context.LogMessage(TLogKind::lkError,
                                FormatText(Translate(QStringLiteral("Error deleting Source file: %s."),
                                                     QStringLiteral("strTaskMoveSourceFileDeleteError")),
                                           {path}));
}
