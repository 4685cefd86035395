#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>

#include "logging/RunContext.h"
#include "packing/Packers.h"
#include "platform/DialUp.h"
#include "storage/Storage.h"

// The files a scan found, in the order found. Entries are full paths of files, and of folders ending
// with '/' when the filters keep folders. A path is added once. Paths compare exactly: file names are
// case-sensitive here, and merging "a.txt" with "A.txt" would leave one of them out of a single archive
// (a hash beside the list keeps FileAdd constant-time).
class TFilesList {
public:
    // Adds path unless the same path is present; returns its position.
    int FileAdd(const QString& path);
    int Count() const { return static_cast<int>(items_.size()); }
    const QString& operator[](int i) const { return items_[i]; }
    const QStringList& Items() const { return items_; }
    void Clear();

private:
    QStringList items_;
    QHash<QString, int> positions_;  // path -> position
};

// Counters of one side's scan.
struct TScanTotals {
    quint64 Bytes = 0;
    qint32 Files = 0;
    qint32 Folders = 0;  // folders (roots included) with at least one file that passed the filters
};

// Everything the run's procedures work with: the worker thread owns it for one run.
struct TRunJob {
    explicit TRunJob(TRunContext& context) : Context(context) {}

    TRunContext& Context;
    std::unique_ptr<TCustomStorage> Storage;
    std::unique_ptr<TCustomCompressor> Compressor;  // only when the task compresses
    std::unique_ptr<TCustomEncryptor> Encryptor;    // only when the task encrypts
    TFilesList SourceFiles;
    TFilesList DestinationFiles;
    TScanTotals SourceTotals;
    TScanTotals DestinationTotals;
    // The dial-up service of the before-steps; none: the system's (nmcli).
    TDialUpService* DialUp = nullptr;

    const TTask& Task() const { return Context.Task(); }
};

// The bodies of a run (worker thread). Both begin with the before-steps (dial-up, run-before program)
// and end with the after-steps (run-after program); each returns at once when the run is asked to stop.
void BackupProcedure(TRunJob& job);
void SynchronizeProcedure(TRunJob& job);
