#pragma once

#include <sys/types.h>
#include <QHash>
#include <QString>
#include <functional>

#include "logging/RunContext.h"
#include "platform/Drives.h"

struct TEffectiveBandwidth;

// The operations of a run that move bytes and make folders at the destination: the wait for free space
// (with disk spanning and retries), the byte copy with its bandwidth limit, the move, the checksum
// comparison after a copy and the creation of destination folders. The local storage owns one; each
// operation first looks at the run's stop request and returns false at once when it is set.
//
// A copy never damages the previous copy: the bytes go to a hidden temporary file in the target's
// folder, which gets the permission bits and times of the source, is flushed to the disk, and only then
// replaces the target by a rename. A copy that fails or is stopped removes its temporary file and leaves
// the target as it was.
class TTransfer {
public:
    // Bytes available on the volume that holds a path.
    using TFreeSpaceSource = std::function<qint64(const QString& path)>;
    using TDriveTypeSource = std::function<TDriveType(const QString& path)>;
    // A monotonic clock in milliseconds.
    using TClock = std::function<qint64()>;

    explicit TTransfer(TRunContext& context);

    // CRC-32 comparison of source and copy, only when the task's BackupCompareAfterCopy is on (otherwise
    // false without reading). A mismatch is logged as an error and raises an Error alert.
    bool CompareAfterCopy(const QString& source, const QString& target);

    // Waits until the target's volume has more room than the source's size: asks for a new medium on a
    // removable drive, or retries (with the task's pause) on a fixed or network one; asks the run to stop
    // when the user says so or no retries are left.
    void WaitForFreeSpace(const QString& source, const QString& target);

    // Copies the file, a symbolic link as a link. errorCode: errno of the failure, 87 when source and
    // target are the same file, EINVAL for a FIFO, socket or device, 8 when no buffer could be had, -1
    // when the run's stop request ended the copy.
    bool CopyFileData(const QString& source, const QString& target, int& errorCode);

    // Renames source to target when the target does not exist yet; otherwise (or across file systems)
    // copies and then deletes the source with the attribute-safe delete. The result is that of the
    // delete; a failed copy leaves the source in place.
    bool MoveFileData(const QString& source, const QString& target, int& errorCode);

    // Copies are not synced one by one (a move's copy is, before its source goes): this syncs every file
    // system that received copies since the last call. Call it before an index that lists the copies
    // replaces the old one, and at the end of a run. False when a sync failed.
    bool FlushWrites();

    // Makes folder (with missing parents) unless it exists, announcing it; then gives it the times and
    // permission bits of modelFolder (when given). False when it could not be made or the run stopped.
    bool ForceFolderLike(const QString& folder, const QString& modelFolder);

    // The folder check (absolute path without NUL; exists, or created with its parents when create is
    // set); on failure errorCode is the errno.
    bool CheckFolder(const QString& folder, bool create, int& errorCode);

    // The byte rate limit of the bandwidth setting: -1 for none, Value x 128 for kilobits, Value x
    // 131,072 for megabits. A value below 1 means no limit (a zero rate would never finish a copy).
    static qint64 ByteRateLimit(const TEffectiveBandwidth& bandwidth);
    // The copy block: the limit itself when it is 0..262,143 (one block is one second's worth), else
    // 262,144 bytes.
    static qint64 BlockSize(qint64 limit);

    // Replaceable services (tests).
    void SetFreeSpaceSource(TFreeSpaceSource source) { freeSpace_ = std::move(source); }
    void SetDriveTypeSource(TDriveTypeSource source) { driveType_ = std::move(source); }
    void SetClock(TClock clock) { clock_ = std::move(clock); }
    // Whether the program runs in silent mode (it picks the alert set whose disk-spanning dialog
    // setting counts); by default the user interface's silent mode.
    void SetSilentModeSource(std::function<bool()> source) { silentMode_ = std::move(source); }

private:
    bool CopyLink(const QString& source, const QString& target, int& errorCode);
    bool CopyData(const QString& source, const QString& target, int& errorCode, bool durable);
    bool CopyRegular(const QString& source, const QString& target, int& errorCode, bool durable);
    // Sleeps until total bytes over the elapsed whole seconds are within limit; false when stopped.
    bool Throttle(qint64 total, qint64 limit, qint64 startMs);

    TRunContext& context_;
    TFreeSpaceSource freeSpace_;
    TDriveTypeSource driveType_;
    TClock clock_;
    std::function<bool()> silentMode_;
    QHash<dev_t, QString> written_;  // a folder on each file system with copies not yet synced
};

// The hidden temporary name in folder under which a copy is written before it replaces the target.
QString TransferTempName(const QString& folder);
// Whether a file name (without folder) is such a temporary name. Only a killed process leaves one
// behind; scans of the destination should skip (or remove) them.
bool IsTransferTempName(const QString& fileName);
