#pragma once

#include <QString>

#include "storage/Storage.h"

class TRunJob;
class TTask;
class TFilesList;
struct TScanTotals;
struct TDirEntry;

// The walk over one side of a run. Every file that passes the task's filters is added to the side's list,
// counted, and handled at once (copied, moved, or packed and stored); every subfolder that passes is
// made at the other side and then walked, depth-first, after the files of its parent. Symbolic links are
// never followed: a link is handled as a file (the transfer copies it as a link). FIFOs, sockets and
// devices are skipped with a skip record. Temporary copy files left behind by a killed run are skipped.
//
// PassesFilters may throw EFilterMaskError; the scan lets it through to the procedure, which ends the run.
class TScanner {
public:
    explicit TScanner(TRunJob& job);

    // Walks root (with a trailing '/'): makes its counterpart, then scans it. The side is Source for the
    // forward walk over a source folder, Destination for the backward walk of a synchronisation.
    void ScanRoot(const QString& root, TFilesList& list, TStorageSide side, const QString& caption,
                  TScanTotals& totals, bool includeSubfolders);

    // The work for one file and for one subfolder (path with a trailing '/').
    void ProcessFile(const QString& path, TStorageSide side);
    void ProcessFolder(const QString& path, TStorageSide side);

    // Set when a folder could not be read (missing root, no permission): the walk saw only part of the
    // side, so what it did not see must not be taken as gone.
    bool Incomplete() const { return incomplete_; }

private:
    void ScanFolder(const QString& folder);
    void ShowStatus(const QString& folder, const QString& name);
    // Stops the walk at the next entry once the run is asked to stop.
    bool Stopped();

    bool PackedIndexCheck(const QString& path);
    void PackFile(const QString& path);
    void DeleteMovedSource(const QString& path);

    TRunJob& job_;
    // Parameters of the current ScanRoot.
    TFilesList* list_ = nullptr;
    TScanTotals* totals_ = nullptr;
    TStorageSide side_ = TStorageSide::Source;
    QString caption_;
    bool includeSubfolders_ = false;
    bool excludeArchiveCopies_ = false;
    bool abandoned_ = false;
    bool incomplete_ = false;
};

// Joins a name to a folder with one '/' between them.
QString JoinPath(const QString& folder, const QString& name);

// The scan rules that the filter test of the task properties follows too, so that it lists what a run
// of the task would take.
// Whether the copies set aside by the versions and obsolete-files archives ("name (Version ...).ext")
// are left out of the walk: always for a synchronisation, otherwise when the task keeps such copies.
bool ExcludesArchiveCopies(const TTask& task);
// Whether subfolder (with a trailing '/') is, or lies in, the task's versions or obsolete-files archive
// folder; those are never walked, even when they lie inside a source folder.
bool IsArchiveFolder(const TTask& task, const QString& subfolder);
