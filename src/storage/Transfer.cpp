#include "storage/Transfer.h"

#include "logging/UserInterface.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>

#include "logging/UserInterface.h"
#include "model/Task.h"
#include "platform/FileSystem.h"
#include "settings/FormatText.h"
#include "settings/Language.h"
#include "storage/FileUtils.h"

namespace {

constexpr int kErrorInvalidParameter = 87;  // the same file as source and target
constexpr int kErrorNotEnoughMemory = 8;
constexpr int kErrorStopped = -1;
constexpr qint64 kMaxBlock = 262144;
// Kernel copies go in blocks of the buffered copy's size, so a stop is seen as quickly.
constexpr size_t kKernelCopyChunk = static_cast<size_t>(kMaxBlock);
constexpr int kRetryPeriodMs = 500;
// The bandwidth wait sleeps in slices so that a suspension or stop is noticed soon.
constexpr qint64 kThrottleSliceMs = 250;

QString Num(qint64 value) {
    return QString::number(value);
}

qint64 SystemClockMs() {
    static const QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

// Owns a descriptor and a temporary file name; removes the file unless it was committed.
class TTempFile {
public:
    ~TTempFile() {
        if (fd >= 0)
            close(fd);
        if (!path.isEmpty() && !committed)
            FileSystem::RemoveFile(path);
    }
    int fd = -1;
    QString path;
    bool committed = false;
};

struct TFdCloser {
    int fd = -1;
    ~TFdCloser() {
        if (fd >= 0)
            close(fd);
    }
};

// Creates the temporary file exclusively; a clash with another name retries with a new one.
int CreateTemp(const QString& folder, TTempFile& temp) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString path = TransferTempName(folder);
        int fd = -1;
        const int error = FileSystem::Open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600, fd);
        if (error == EEXIST)
            continue;
        if (error != 0)
            return error;
        temp.fd = fd;
        temp.path = path;
        return 0;
    }
    return EEXIST;
}

bool WriteAll(int fd, const char* data, qint64 size, int& error) {
    while (size > 0) {
        const ssize_t n = write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

}  // namespace

QString TransferTempName(const QString& folder) {
    QString prefix = folder;
    if (!prefix.endsWith(QLatin1Char('/')))
        prefix += QLatin1Char('/');
    return prefix + QStringLiteral(".tarnovex-%1.part")
                        .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

bool IsTransferTempName(const QString& fileName) {
    static const QRegularExpression pattern(QStringLiteral("^\\.tarnovex-[0-9a-f]{16}\\.part$"));
    return pattern.match(fileName).hasMatch();
}

TTransfer::TTransfer(TRunContext& context)
    : context_(context),
      freeSpace_(Drives::FreeSpace),
      driveType_(Drives::DriveTypeOfPath),
      clock_(SystemClockMs),
      silentMode_([] { return UserInterface().IsSilentMode(); }) {}

qint64 TTransfer::ByteRateLimit(const TEffectiveBandwidth& bandwidth) {
    if (!bandwidth.Use || bandwidth.Value < 1)
        return -1;
    const qint64 value = bandwidth.Value;
    return bandwidth.MeasureKind == TBandwidthMeasure::bmkKBits ? value * 128 : value * 131072;
}

qint64 TTransfer::BlockSize(qint64 limit) {
    return limit >= 0 && limit < kMaxBlock ? limit : kMaxBlock;
}

bool TTransfer::CompareAfterCopy(const QString& source, const QString& target) {
    if (context_.StopRequested())
        return false;
    if (!context_.Task().BackupCompareAfterCopy)
        return false;
    if (FileCrc32(source) == FileCrc32(target))
        return true;
    const QString text =
        FormatText(Translate(QStringLiteral("File compare of \"%s\" with \"%s\" failed (CRC32 are "
                                            "different)."),
                             QStringLiteral("strBackupFileCompareFailed")),
                   {source, target});
    context_.LogMessage(TLogKind::lkError, text);
    context_.RaiseAlert(TAlertEvent::aeError, QStringLiteral("CS"), text);
    return false;
}

void TTransfer::WaitForFreeSpace(const QString& source, const QString& target) {
    const TTask& task = context_.Task();
    const QString folder = FileSystem::ParentFolder(target);
    while (!context_.StopRequested()) {
        const qint64 free = freeSpace_(folder);
        const qint64 need = FileSize(source);
        if (need < free)
            return;

        const TDriveType type = driveType_(folder);
        const bool spanDialog =
            task.EffectiveAlert(task.AlertSet(silentMode_()), TAlertEventKind::DiskSpan).Dialog;
        if ((type == TDriveType::Removable || type == TDriveType::CDROM) && spanDialog) {
            // The message names the mount point. Its texts were written for a drive letter followed by
            // ":\"; that tail is dropped so that "/media/ann/USB" does not read as "/media/ann/USB:\".
            QString format =
                Translate(QStringLiteral("Destination removable disk \"%s:\\\" out of free space (free "
                                         "%d bytes, but needed %d bytes)! Please, insert new disk!"),
                          QStringLiteral("strBackupOutOfSpaceRemovable"));
            format.replace(QStringLiteral("%s:\\"), QStringLiteral("%s"));
            const QString text =
                FormatText(format, {Drives::MountOf(folder).mountPoint, Num(free), Num(need)});
            context_.LogMessage(TLogKind::lkWarning, text);
            const int answer = context_.RaiseAlert(TAlertEvent::aeDiskSpan, QStringLiteral("RS"), text);
            if (answer == AlertAnswer::Retry) {
                context_.SetSpanningHappened();
                continue;
            }
            if (answer == AlertAnswer::Stop || answer == AlertAnswer::NotShown)
                context_.RequestStop();
            return;
        }

        const QString text =
            FormatText(Translate(QStringLiteral("Destination location \"%s\" out of free space (free "
                                                "%d bytes, but needed %d bytes)!"),
                                 QStringLiteral("strBackupOutOfSpaceFixed")),
                       {folder, Num(free), Num(need)});
        context_.LogMessage(TLogKind::lkError, text);
        const int answer = context_.RaiseAlert(TAlertEvent::aeError, QStringLiteral("RS"), text);
        if (answer == AlertAnswer::Retry)
            continue;
        if (context_.StopRequested())
            return;
        const int retriesLeft = context_.RetriesLeft();
        if (retriesLeft == 0) {
            context_.RequestStop();
            return;
        }
        const int pause = task.PauseBeforeRetry;
        if (pause <= 0)
            continue;
        context_.LogMessage(
            TLogKind::lkWarning,
            FormatText(QStringLiteral("Retry attempts left: %d; pause before next retry: %d second(s)."),
                       {Num(retriesLeft), Num(pause)}));
        for (qint64 period = 0; period < 2 * static_cast<qint64>(pause) + 1; ++period) {
            if (context_.StopRequested() || !context_.SleepUnlessStopped(kRetryPeriodMs))
                return;
        }
    }
}

bool TTransfer::Throttle(qint64 total, qint64 limit, qint64 startMs) {
    // total / whole seconds elapsed (at least 1) must not exceed the limit: wait until enough whole
    // seconds have passed.
    const qint64 neededMs = ((total + limit - 1) / limit) * 1000;
    while (true) {
        const qint64 elapsed = clock_() - startMs;
        if (elapsed >= neededMs)
            return true;
        const qint64 slice = std::min(neededMs - elapsed, kThrottleSliceMs);
        if (context_.StopRequested() || !context_.SleepUnlessStopped(static_cast<int>(slice)))
            return false;
    }
}

bool TTransfer::CopyFileData(const QString& source, const QString& target, int& errorCode) {
    return CopyData(source, target, errorCode, false);
}

bool TTransfer::CopyData(const QString& source, const QString& target, int& errorCode, bool durable) {
    errorCode = 0;
    if (context_.StopRequested()) {
        errorCode = kErrorStopped;
        return false;
    }
    if (SameFile(source, target)) {
        errorCode = kErrorInvalidParameter;
        return false;
    }
    FileSystem::TFileStatus st;
    if (const int error = FileSystem::Status(source, st); error != 0) {
        errorCode = error;
        return false;
    }
    if (st.IsSymLink())
        return CopyLink(source, target, errorCode);
    if (st.IsFolder()) {
        errorCode = EISDIR;
        return false;
    }
    if (!st.IsFile()) {
        // Reading a FIFO would block and a device has no end; the scan skips them too.
        errorCode = EINVAL;
        return false;
    }
    // There is no archive bit here, so ClearSourceArchiveBit has nothing to clear.
    return CopyRegular(source, target, errorCode, durable);
}

bool TTransfer::CopyLink(const QString& source, const QString& target, int& errorCode) {
    QString linkTarget;
    FileSystem::TFileStatus st;
    int error = FileSystem::Status(source, st);
    if (error == 0)
        error = FileSystem::ReadSymLink(source, linkTarget);
    if (error != 0) {
        errorCode = error;
        return false;
    }
    const QString folder = FileSystem::ParentFolder(target);
    QString temp;
    error = EEXIST;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
        temp = TransferTempName(folder);
        error = FileSystem::MakeSymLink(linkTarget, temp);
    }
    if (error == 0 && context_.StopRequested())
        error = kErrorStopped;
    if (error == 0) {
        if (geteuid() == 0) {
            const QByteArray native = EncodeFileName(temp);
            (void)!lchown(native.constData(), st.owner, st.group);
        }
        error = FileSystem::SetTimes(temp, st.accessTime, st.modificationTime);
    }
    if (error == 0)
        error = FileSystem::Rename(temp, target);
    if (error != 0) {
        FileSystem::RemoveFile(temp);
        errorCode = error;
        return false;
    }
    return true;
}

bool TTransfer::CopyRegular(const QString& source, const QString& target, int& errorCode, bool durable) {
    auto fail = [&errorCode](int error) {
        errorCode = error;
        return false;
    };
    TFdCloser in;
    if (const int error = FileSystem::Open(source, O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0, in.fd);
        error != 0)
        return fail(error);
    struct stat st {};
    if (fstat(in.fd, &st) != 0)
        return fail(errno);
    if (!S_ISREG(st.st_mode))
        return fail(EINVAL);  // replaced by something else since it was looked at

    const qint64 limit = ByteRateLimit(context_.Task().EffectiveBandwidth());
    const qint64 blockSize = BlockSize(limit);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[static_cast<size_t>(blockSize)]);
    if (!buffer)
        return fail(kErrorNotEnoughMemory);

    TTempFile temp;
    if (const int error = CreateTemp(FileSystem::ParentFolder(target), temp); error != 0)
        return fail(error);

    const qint64 startMs = clock_();
    qint64 total = 0;
    // Without a rate limit the kernel copies (and a file system that can shares the blocks), in chunks
    // so that a stop request is seen; where it cannot, or with a limit, the bytes go through the buffer.
    bool kernelCopy = limit <= 0;
    while (kernelCopy) {
        if (context_.StopRequested())
            return fail(kErrorStopped);
        const ssize_t n = copy_file_range(in.fd, nullptr, temp.fd, nullptr, kKernelCopyChunk, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (total == 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                               errno == EBADF || errno == EPERM)) {
                kernelCopy = false;
                break;
            }
            return fail(errno);
        }
        if (n == 0)
            break;
        total += n;
    }
    while (!kernelCopy) {
        const ssize_t n = read(in.fd, buffer.get(), static_cast<size_t>(blockSize));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (n == 0)
            break;
        if (context_.StopRequested())
            return fail(kErrorStopped);
        int error = 0;
        if (!WriteAll(temp.fd, buffer.get(), n, error))
            return fail(error);
        total += n;
        if (limit > 0 && total > limit && !Throttle(total, limit, startMs))
            return fail(kErrorStopped);
    }

    // Owner first: a change of owner clears the set-user-ID and set-group-ID bits that fchmod then sets.
    if (geteuid() == 0)
        (void)!fchown(temp.fd, st.st_uid, st.st_gid);
    if (fchmod(temp.fd, st.st_mode & 07777) != 0)
        return fail(errno);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    if (futimens(temp.fd, times) != 0)
        return fail(errno);
    // A copy whose source is deleted next (a move) must be on the disk first. Other copies are made
    // durable together by FlushWrites at the end of the run, before the index that lists them is
    // replaced: one file-system sync instead of one wait per file.
    if (durable) {
        if (fsync(temp.fd) != 0)
            return fail(errno);
    } else {
        struct stat written {};
        if (fstat(temp.fd, &written) == 0 && !written_.contains(written.st_dev))
            written_.insert(written.st_dev, FileSystem::ParentFolder(target));
    }
    const int fd = temp.fd;
    temp.fd = -1;
    if (close(fd) != 0)
        return fail(errno);
    if (context_.StopRequested())
        return fail(kErrorStopped);
    if (const int error = FileSystem::Rename(temp.path, target); error != 0)
        return fail(error);
    temp.committed = true;
    return true;
}

bool TTransfer::MoveFileData(const QString& source, const QString& target, int& errorCode) {
    errorCode = 0;
    if (context_.StopRequested()) {
        errorCode = kErrorStopped;
        return false;
    }
    if (FileSystem::RenameNoReplace(source, target) == 0)
        return true;
    if (!CopyData(source, target, errorCode, true))
        return false;
    return SafeDeleteFile(source, &errorCode);
}

bool TTransfer::FlushWrites() {
    bool ok = true;
    for (auto it = written_.cbegin(); it != written_.cend(); ++it) {
        const QByteArray native = EncodeFileName(it.value());
        const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 || ::syncfs(fd) != 0)
            ok = false;
        if (fd >= 0)
            ::close(fd);
    }
    written_.clear();
    return ok;
}

bool TTransfer::CheckFolder(const QString& folder, bool create, int& errorCode) {
    errorCode = 0;
    if (context_.StopRequested())
        return false;
    return ::CheckFolder(folder, create, &errorCode);
}

bool TTransfer::ForceFolderLike(const QString& folder, const QString& modelFolder) {
    if (context_.StopRequested())
        return false;
    if (::CheckFolder(folder, false))
        return true;

    const QString announce = FormatText(
        Translate(QStringLiteral("Creating folder \"%s\"."), QStringLiteral("strBackupCreatingFolder")),
        {folder});
    context_.LogMessage(TLogKind::lkFile, announce);
    context_.RaiseAlert(TAlertEvent::aeFolder, QStringLiteral("CS"), announce);
    if (context_.StopRequested())
        return false;

    int error = 0;
    if (!::CheckFolder(folder, true, &error)) {
        const QString text = FormatText(
            Translate(QStringLiteral("Unable to create folder \"%s\"! (Description: %s; System error code: "
                                     "%d)."),
                      QStringLiteral("strBackupCreatingFolderError")),
            {folder, FileSystem::ErrorText(error), Num(error)});
        context_.LogMessage(TLogKind::lkError, text);
        context_.RaiseAlert(TAlertEvent::aeError, QStringLiteral("CS"), text);
        return false;
    }
    if (modelFolder.isEmpty())
        return true;

    FileSystem::TFileStatus model;
    const int statError = FileSystem::Status(modelFolder, model, true);
    // A model folder that does not exist (a source root that is missing; the scan reports that) has no
    // attributes to copy: the new folder keeps the defaults instead of two errors that name it.
    if (statError == ENOENT || statError == ENOTDIR)
        return true;
    error =
        statError != 0 ? statError : FileSystem::SetTimes(folder, model.accessTime, model.modificationTime);
    if (error != 0) {
        context_.LogMessage(
            TLogKind::lkError,
            FormatText(
                Translate(QStringLiteral("Unable to set folder date/time attributes \"%s\" (Description: %s, "
                                         "Code: %d)."),
                          QStringLiteral("strBackupFolderSetDateTimeError")),
                {folder, FileSystem::ErrorText(error), Num(error)}));
    }
    // The owner keeps full rights on the copy: a folder the backup cannot write into would make every
    // later copy into it fail.
    error = statError != 0 ? statError : FileSystem::ChangeMode(folder, model.Permissions() | S_IRWXU);
    if (error != 0) {
        context_.LogMessage(
            TLogKind::lkError,
            FormatText(Translate(QStringLiteral(
                                     "Unable to set folder attributes \"%s\" (Description: %s, Code: %d)."),
                                 QStringLiteral("strBackupFolderSetAttributesError")),
                       {folder, FileSystem::ErrorText(error), Num(error)}));
    }
    return true;
}
