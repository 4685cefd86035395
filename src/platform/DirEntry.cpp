#include "platform/DirEntry.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "platform/FileSystem.h"

namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian), valid for any year.
qint64 DaysFromCivil(qint64 y, unsigned m, unsigned d) {
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<qint64>(doe) - 719468;
}

const qint64 kEpochDays = DaysFromCivil(1899, 12, 30);

struct TStatResult {
    mode_t mode = 0;
    qint64 size = 0;
    timespec atime{}, mtime{}, btime{};
    bool flagsKnown = false;  // compressed / encrypted came with the status
    bool compressed = false;
    bool encrypted = false;
};

timespec ToTimespec(const statx_timestamp& t) {
    timespec result{};
    result.tv_sec = t.tv_sec;
    result.tv_nsec = t.tv_nsec;
    return result;
}

// statx gives the birth time and the compressed / encrypted attributes without opening the file;
// lstat is the fallback for kernels or file systems that lack it.
bool StatEntry(int dirFd, const char* path, TStatResult& out) {
    struct statx stx {};
    if (statx(dirFd, path, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_BASIC_STATS | STATX_BTIME, &stx) ==
        0) {
        out.mode = stx.stx_mode;
        out.size = static_cast<qint64>(stx.stx_size);
        out.atime = ToTimespec(stx.stx_atime);
        out.mtime = ToTimespec(stx.stx_mtime);
        out.btime = ToTimespec((stx.stx_mask & STATX_BTIME) ? stx.stx_btime : stx.stx_ctime);
        const quint64 wanted = STATX_ATTR_COMPRESSED | STATX_ATTR_ENCRYPTED;
        if ((stx.stx_attributes_mask & wanted) == wanted) {
            out.flagsKnown = true;
            out.compressed = (stx.stx_attributes & STATX_ATTR_COMPRESSED) != 0;
            out.encrypted = (stx.stx_attributes & STATX_ATTR_ENCRYPTED) != 0;
        }
        return true;
    }
    // Some container sandboxes refuse statx with EPERM; lstat then still gives the basic facts.
    if (errno != ENOSYS && errno != EOPNOTSUPP && errno != EPERM)
        return false;
    struct stat st {};
    if (fstatat(dirFd, path, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    out.mode = st.st_mode;
    out.size = static_cast<qint64>(st.st_size);
    out.atime = st.st_atim;
    out.mtime = st.st_mtim;
    out.btime = st.st_ctim;
    return true;
}

// Reads the inode flags when the status did not carry them. Only regular files and folders are
// opened: opening a device or FIFO may block or have side effects. Any failure leaves the flags absent.
void ReadInodeFlags(int dirFd, const char* path, TStatResult& st) {
    if (st.flagsKnown || !(S_ISREG(st.mode) || S_ISDIR(st.mode)))
        return;
    const int fd = openat(dirFd, path, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return;
    int flags = 0;
    if (ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        st.compressed = (flags & FS_COMPR_FL) != 0;
        st.encrypted = (flags & FS_ENCRYPT_FL) != 0;
    }
    close(fd);
}

TDateTime FromTimespec(const timespec& t) {
    return LocalDateTimeFromUnix(t.tv_sec, t.tv_nsec);
}

bool Describe(int dirFd, const QString& path, const QString& name, TDirEntry& out) {
    // The bytes the file system uses: a name that is not valid UTF-8 is reached by its exact bytes.
    if (path.contains(QChar(u'\0')))
        return false;
    const QByteArray encoded = EncodeFileName(path);
    if (encoded.isEmpty())
        return false;
    TStatResult st;
    if (!StatEntry(dirFd, encoded.constData(), st))
        return false;
    ReadInodeFlags(dirFd, encoded.constData(), st);

    TDirEntry entry;
    entry.name = name;
    entry.isFolder = S_ISDIR(st.mode);
    entry.isSymLink = S_ISLNK(st.mode);
    entry.isSpecial = S_ISFIFO(st.mode) || S_ISSOCK(st.mode) || S_ISCHR(st.mode) || S_ISBLK(st.mode);
    entry.attributes.readOnly = !entry.isSymLink && (st.mode & S_IWUSR) == 0;
    entry.attributes.hidden = name.startsWith(QLatin1Char('.'));
    entry.attributes.compressed = st.compressed;
    entry.attributes.encrypted = st.encrypted;
    entry.creationTime = FromTimespec(st.btime);
    entry.lastAccessTime = FromTimespec(st.atime);
    entry.lastWriteTime = FromTimespec(st.mtime);
    entry.size = entry.isFolder ? 0 : st.size;
    out = std::move(entry);
    return true;
}

}  // namespace

TDateTime LocalDateTimeFromUnix(qint64 seconds, qint64 nanoseconds) {
    const time_t t = static_cast<time_t>(seconds);
    struct tm local {};
    if (localtime_r(&t, &local) == nullptr)
        return 0.0;
    const qint64 days =
        DaysFromCivil(static_cast<qint64>(local.tm_year) + 1900, static_cast<unsigned>(local.tm_mon + 1),
                      static_cast<unsigned>(local.tm_mday)) -
        kEpochDays;
    // A leap second (tm_sec 60) is held at the last millisecond of its minute.
    const qint64 sec = qMin(local.tm_sec, 59);
    const qint64 ms = (static_cast<qint64>(local.tm_hour) * 3600 + local.tm_min * 60 + sec) * 1000 +
                      std::clamp<qint64>(nanoseconds, 0, 999999999) / 1000000;
    const double fraction = static_cast<double>(ms) / DateTime::MsPerDay;
    // Before 1899-12-30 the fraction still counts forward from midnight, as the day-count format has it.
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

bool ReadDirEntry(const QString& path, TDirEntry& out) {
    // A trailing '/' would make the system follow a link, so it is dropped (the root keeps its own).
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    const QString name = (slash >= 0 && trimmed.size() > 1) ? trimmed.mid(slash + 1) : trimmed;
    return Describe(AT_FDCWD, trimmed, name, out);
}

bool ReadDirEntryAt(int dirFd, const QString& name, TDirEntry& out) {
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return false;
    return Describe(dirFd, name, name, out);
}
