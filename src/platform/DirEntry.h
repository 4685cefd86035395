#pragma once

#include <QString>
#include <QtGlobal>

#include "platform/DateTime.h"

// The attributes a directory entry may carry. On Linux: read-only means the owner lacks write
// permission; hidden means the name begins with '.'; compressed and encrypted are the file system's
// inode flags. System and archive do not exist here and are never reported.
struct TFileAttributes {
    bool readOnly = false;
    bool archive = false;
    bool hidden = false;
    bool system = false;
    bool compressed = false;
    bool encrypted = false;

    bool Any() const { return readOnly || archive || hidden || system || compressed || encrypted; }
    bool operator==(const TFileAttributes&) const = default;
};

// One entry found in a folder, as the filters and the scan look at it. A symbolic link is described as
// itself (its own times and size), never as the entry it points to.
struct TDirEntry {
    QString name;  // without the folder path
    bool isFolder = false;
    bool isSymLink = false;
    // A FIFO, socket or device file: reading one could block or have side effects, so the scan skips it.
    bool isSpecial = false;
    TFileAttributes attributes;
    // Local date-time values. The creation time is the birth time where the file system records it
    // (statx), otherwise the time of the last status change, the closest the system keeps.
    TDateTime creationTime = 0;
    TDateTime lastAccessTime = 0;
    TDateTime lastWriteTime = 0;
    qint64 size = 0;  // 0 for folders
};

// Describes the entry at path (lstat semantics: a link is not followed). False when it does not exist
// or cannot be examined; out is then left unchanged.
bool ReadDirEntry(const QString& path, TDirEntry& out);

// The same for the entry name inside an open folder (openat-style scans); name has no '/'.
bool ReadDirEntryAt(int dirFd, const QString& name, TDirEntry& out);

// A file-system time (seconds and nanoseconds since 1970-01-01 UTC) as a local date-time value, exact
// to the millisecond (the sub-millisecond part is dropped, never rounded up into the next second).
TDateTime LocalDateTimeFromUnix(qint64 seconds, qint64 nanoseconds);
