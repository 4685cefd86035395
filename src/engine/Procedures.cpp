#include <exception>

#include "engine/RunJob.h"
#include "engine/RunSteps.h"
#include "engine/Scan.h"
#include "model/FileMask.h"
#include "model/Task.h"
#include "platform/FileSystem.h"
#include "settings/FormatText.h"
#include "settings/Language.h"
#include "storage/FileUtils.h"

namespace {

QString Num(qint64 value) {
    return QString::number(value);
}

void Log(TRunJob& job, TLogKind kind, const QString& text) {
    job.Context.LogMessage(kind, text);
}

QString Text(const char* english, const char* key, std::initializer_list<QString> args = {}) {
    return FormatText(Translate(QString::fromUtf8(english), QString::fromUtf8(key)), args);
}

// A run that cannot do its work says why and ends as aborted.
void Abort(TRunJob& job, const QString& text) {
    Log(job, TLogKind::lkError, text);
    job.Context.RequestStop();
}

// Everything a procedure needs before it may touch a file: a storage for the destination type and the
// packers the task asks for. False (after an error record and a stop request) when something is missing.
bool CheckRunParts(TRunJob& job) {
    const TTask& task = job.Task();
    if (!job.Storage) {
        Abort(job, Text("The Task's destination type is not supported for running; nothing was done.",
                        "strTaskDestinationUnsupported"));
        return false;
    }
    if (task.CompressionActive() && !job.Compressor) {
        Abort(job, Text("The compressor \"%s\" is not available; nothing was done.",
                        "strTaskCompressorMissing", {task.CompressType}));
        return false;
    }
    if (task.EncryptionActive() && !job.Encryptor) {
        Abort(job, Text("The encryptor \"%s\" is not available; nothing was done.", "strTaskEncryptorMissing",
                        {task.CryptType}));
        return false;
    }
    if (task.CompressionActive() || task.EncryptionActive())
        job.Storage->SetPackExtensions(
            task.CompressionActive() ? CompressorExtension(task.CompressType) : QString(),
            task.EncryptionActive() ? EncryptorExtension(task.CryptType) : QString());
    return true;
}

bool OneArchive(const TTask& task) {
    return task.CompressionActive() && !task.CompressSeparate;
}

void ScanSources(TRunJob& job, TScanner& scanner) {
    const TTask& task = job.Task();
    job.SourceTotals = {};
    const QString caption =
        Translate(QStringLiteral("Reading Source Files"), QStringLiteral("strTaskProgressReadingSource"));
    for (int i = 0; i < task.SourceFolderCount(); ++i) {
        if (job.Context.StopRequested())
            return;
        scanner.ScanRoot(task.SourceFolderPath(i), job.SourceFiles, TStorageSide::Source, caption,
                         job.SourceTotals, task.IncludeSubfolders(i));
    }
}

// Files the walk could not see are not gone: treating their stored copies as obsolete could delete the
// only copies of files that are merely unreadable or on a volume that is not mounted.
void ProcessObsolete(TRunJob& job, const TScanner& scanner, TStorageSide side) {
    if (scanner.Incomplete()) {
        Log(job, TLogKind::lkWarning,
            Text("Some folders could not be read; obsolete files are not processed in this run.",
                 "strTaskObsoleteSkippedIncompleteScan"));
        return;
    }
    job.Storage->ProcessObsoleteFiles(side);
}

void DeleteMovedSources(TRunJob& job) {
    Log(job, TLogKind::lkSummary,
        Translate(QStringLiteral("Deleting Source files..."),
                  QStringLiteral("strTaskMoveDeleteSourceBegin")));
    for (const QString& entry : job.SourceFiles.Items()) {
        if (SafeDeleteFile(entry))
            Log(job, TLogKind::lkFile, FormatText(QStringLiteral("Source file deleted: %s."), {entry}));
        else
            Log(job, TLogKind::lkError,
                FormatText(QStringLiteral("Error deleting Source file: %s."), {entry}));
    }
    Log(job, TLogKind::lkSummary,
        Translate(QStringLiteral("...deletion done!"), QStringLiteral("strTaskMoveDeleteSourceDone")));
}

void StoreOneArchive(TRunJob& job) {
    const TTask& task = job.Task();
    const QString temp = job.Context.TempFolder();
    if (temp.isEmpty()) {
        Log(job, TLogKind::lkError, Text("Error compressing files!", "strTaskCompressError"));
        return;
    }
    const QString archive = temp + FileSystem::FileNameOf(task.ArchiveFileName());
    if (!job.Compressor->CompressFiles(job.SourceFiles.Items(), archive)) {
        Log(job, TLogKind::lkError, Text("Error compressing files!", "strTaskCompressError"));
        FileSystem::RemoveFile(archive);
        return;
    }
    if (task.EncryptionActive()) {
        const QString encrypted =
            temp + FileSystem::FileNameOf(archive) + QLatin1Char('.') + EncryptorExtension(task.CryptType);
        if (job.Encryptor->EncryptFile(archive, encrypted) && job.Storage->StoreEncryptedArchive(encrypted) &&
            task.TaskAction == TTaskAction::taMove)
            DeleteMovedSources(job);
        FileSystem::RemoveFile(encrypted);
    } else if (job.Storage->StoreArchive(archive) && task.TaskAction == TTaskAction::taMove) {
        DeleteMovedSources(job);
    }
    FileSystem::RemoveFile(archive);
}

void Totals(TRunJob& job) {
    const TScanTotals& t = job.SourceTotals;
    Log(job, TLogKind::lkSummary,
        Text("Log summary: %d folders; %d files, %d bytes, %d errors, %d warnings.", "strTaskTotals",
             {Num(t.Folders), Num(t.Files), QString::number(t.Bytes), Num(job.Context.ErrorCount()),
              Num(job.Context.WarningCount())}));
}

void BackupBody(TRunJob& job) {
    TRunContext& context = job.Context;
    const TTask& task = job.Task();
    // A run that lacks a part it needs does nothing at all, not even its before-steps.
    if (!CheckRunParts(job))
        return;
    BeforeSteps(job);
    if (context.StopRequested())
        return;
    TCustomStorage& storage = *job.Storage;
    storage.Connect();
    if (context.StopRequested())
        return;
    if (storage.IndexEnabled()) {
        if (storage.LoadIndex(context.TempFolder(), TStorageSide::Destination))
            Log(job, TLogKind::lkSummary,
                Text("Index file loaded (%d records).", "strTaskIndexLoaded",
                     {Num(storage.DestinationIndex.Count())}));
        else
            Log(job, TLogKind::lkSummary,
                Text("Index file not found or can't be loaded.", "strTaskIndexLoadFail"));
    }
    context.SetProgress(Translate(QStringLiteral("Copying"), QStringLiteral("strTaskProgressCopying")), 0);
    if (context.StopRequested())
        return;
    if (OneArchive(task)) {
        Log(job, TLogKind::lkSummary, Text("Preparing file list...", "strTaskCompressPrepairList"));
        if (context.StopRequested())
            return;
    }
    TScanner scanner(job);
    ScanSources(job, scanner);
    if (context.StopRequested())
        return;
    const TScanTotals& totals = job.SourceTotals;
    if (OneArchive(task))
        Log(job, TLogKind::lkSummary,
            Text("File list done (%d files, %d folders, %d bytes)!", "strTaskCompressPrepairListDone",
                 {Num(totals.Files), Num(totals.Folders), QString::number(totals.Bytes)}));
    if (totals.Files == 0)
        Log(job, TLogKind::lkWarning,
            Text(
                "Source files list is empty (check \"Task Properties -> File Filters\" settings). Nothing to "
                "do!",
                "strBackupSourceNoFiles"));
    else if (OneArchive(task))
        StoreOneArchive(job);
    if (context.StopRequested())
        return;
    ProcessObsolete(job, scanner, TStorageSide::Destination);
    if (context.StopRequested())
        return;
    if (storage.IndexEnabled()) {
        // The list is written as it stands: the count is taken before the save.
        const int count = storage.DestinationIndex.Count();
        if (storage.SaveIndex(context.TempFolder(), TStorageSide::Destination))
            Log(job, TLogKind::lkSummary,
                Text("Index file saved (%d records).", "strTaskIndexSaved", {Num(count)}));
        else
            Log(job, TLogKind::lkError, Text("Index file can't be saved.", "strTaskIndexSaveFail"));
    }
    if (context.StopRequested())
        return;
    storage.Disconnect();
    AfterSteps(job);
    if (context.StopRequested())
        return;
    Totals(job);
}

void SynchronizeBody(TRunJob& job) {
    TRunContext& context = job.Context;
    const TTask& task = job.Task();
    // A run that lacks a part it needs does nothing at all, not even its before-steps.
    if (!CheckRunParts(job))
        return;
    BeforeSteps(job);
    if (context.StopRequested())
        return;
    TCustomStorage& storage = *job.Storage;
    storage.Connect();
    if (context.StopRequested())
        return;
    if (storage.IndexEnabled()) {
        if (storage.LoadIndex(context.TempFolder(), TStorageSide::Destination))
            Log(job, TLogKind::lkSummary,
                Text("Index file loaded from destination (%d records).", "strTaskSyncIndexDstLoaded",
                     {Num(storage.DestinationIndex.Count())}));
        else
            Log(job, TLogKind::lkWarning,
                Text("Index file not found or can't be loaded from destination.",
                     "strTaskSyncIndexDstLoadFail"));
        if (storage.LoadIndex(context.TempFolder(), TStorageSide::Source))
            Log(job, TLogKind::lkSummary,
                Text("Index file loaded from source (%d records).", "strTaskSyncIndexSrcLoaded",
                     {Num(storage.SourceIndex.Count())}));
        else
            Log(job, TLogKind::lkWarning,
                Text("Index file not found or can't be loaded from source.", "strTaskSyncIndexSrcLoadFail"));
    }
    const QString forward = Translate(QStringLiteral("Synchronizing (source --> destination)"),
                                      QStringLiteral("strTaskProgressSynchonizingDst"));
    Log(job, TLogKind::lkSummary, forward);
    context.SetProgress(forward, 0);
    if (context.StopRequested())
        return;
    TScanner forwardScan(job);
    ScanSources(job, forwardScan);
    if (context.StopRequested())
        return;
    ProcessObsolete(job, forwardScan, TStorageSide::Destination);
    if (context.StopRequested())
        return;
    const QString backward = Translate(QStringLiteral("Synchronizing (destination --> source)"),
                                       QStringLiteral("strTaskProgressSynchonizingSrc"));
    Log(job, TLogKind::lkSummary, backward);
    context.SetProgress(backward, 0);
    if (context.StopRequested())
        return;
    job.DestinationTotals = {};
    TScanner backwardScan(job);
    backwardScan.ScanRoot(task.DestinationFolder(-1), job.DestinationFiles, TStorageSide::Destination,
                          Translate(QStringLiteral("Reading Destination Files"),
                                    QStringLiteral("strBackupProgressReadingDestination")),
                          job.DestinationTotals, task.IncludeSubfolders(0));
    if (context.StopRequested())
        return;
    ProcessObsolete(job, backwardScan, TStorageSide::Source);
    if (context.StopRequested())
        return;
    if (storage.IndexEnabled()) {
        const int destinationCount = storage.DestinationIndex.Count();
        if (storage.SaveIndex(context.TempFolder(), TStorageSide::Destination))
            Log(job, TLogKind::lkSummary,
                Text("Index file saved to destination (%d records).", "strTaskSyncIndexDstSaved",
                     {Num(destinationCount)}));
        else
            Log(job, TLogKind::lkError,
                Text("Index file can't be saved to destination.", "strTaskSyncIndexDstSaveFail"));
        const int sourceCount = storage.SourceIndex.Count();
        if (storage.SaveIndex(context.TempFolder(), TStorageSide::Source))
            Log(job, TLogKind::lkSummary,
                Text("Index file saved to source (%d records).", "strTaskSyncIndexSrcSaved",
                     {Num(sourceCount)}));
        else
            Log(job, TLogKind::lkError,
                Text("Index file can't be saved to source.", "strTaskSyncIndexSrcSaveFail"));
    }
    if (context.StopRequested())
        return;
    storage.Disconnect();
    AfterSteps(job);
    if (context.StopRequested())
        return;
    Totals(job);
}

// The procedures never let an exception escape into the worker thread: a filter mask that is not well
// formed (or any other failure) is reported and ends the run as aborted, never as "finished" with nothing
// said.
template <typename F>
void Guarded(TRunJob& job, F body) {
    try {
        body(job);
    } catch (const EFilterMaskError& e) {
        Abort(job,
              Text("The file filter \"%s\" holds a file mask that is not well formed: \"%s\". The Task is "
                   "stopped.",
                   "strTaskFilterMaskError", {e.Caption(), e.Mask()}));
    } catch (const std::exception& e) {
        Abort(job, Text("The Task is stopped by an unexpected failure: %s.", "strTaskUnexpectedFailure",
                        {QString::fromLocal8Bit(e.what())}));
    }
}

}  // namespace

void BackupProcedure(TRunJob& job) {
    Guarded(job, BackupBody);
}

void SynchronizeProcedure(TRunJob& job) {
    Guarded(job, SynchronizeBody);
}
