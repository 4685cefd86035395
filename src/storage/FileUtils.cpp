#include "storage/FileUtils.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <QDateTime>
#include <cerrno>
#include <ctime>
#include <vector>

#include "platform/DirEntry.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"

namespace {

using FileSystem::TFileStatus;

bool ValidAbsolutePath(const QString& path) {
    return !path.isEmpty() && path.startsWith(QLatin1Char('/')) && !path.contains(QChar(0));
}

QString WithoutTrailingSlash(const QString& path) {
    QString result = path;
    while (result.size() > 1 && result.endsWith(QLatin1Char('/')))
        result.chop(1);
    return result;
}

// The compressed and encrypted inode flags; regular files and folders only (opening anything else could
// block or have side effects).
void AddInodeFlags(const QString& path, const TFileStatus& st, quint32& attributes) {
    if (!st.IsFile() && !st.IsFolder())
        return;
    int fd = -1;
    if (FileSystem::Open(path, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY, 0, fd) != 0)
        return;
    int flags = 0;
    if (ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        if (flags & FS_COMPR_FL)
            attributes |= FileAttr::Compressed;
        if (flags & FS_ENCRYPT_FL)
            attributes |= FileAttr::Encrypted;
    }
    close(fd);
}

quint32 AttributesOf(const QString& path, const TFileStatus& st, bool withInodeFlags) {
    quint32 attributes = 0;
    if (st.IsFolder())
        attributes |= FileAttr::Directory;
    if (!st.IsSymLink() && (st.mode & S_IWUSR) == 0)
        attributes |= FileAttr::ReadOnly;
    if (FileSystem::FileNameOf(path).startsWith(QLatin1Char('.')))
        attributes |= FileAttr::Hidden;
    if (withInodeFlags)
        AddInodeFlags(path, st, attributes);
    return attributes;
}

// The home trash, where $XDG_DATA_HOME (or ~/.local/share) says.
QString HomeTrash() {
    QString dataHome = DecodeFileName(qgetenv("XDG_DATA_HOME"));
    if (!dataHome.startsWith(QLatin1Char('/'))) {
        const QString home = DecodeFileName(qgetenv("HOME"));
        if (!home.startsWith(QLatin1Char('/')))
            return {};
        dataHome = WithoutTrailingSlash(home) + QStringLiteral("/.local/share");
    }
    return WithoutTrailingSlash(dataHome) + QStringLiteral("/Trash");
}

// The device of path or of its nearest existing ancestor.
bool DeviceOf(const QString& path, dev_t& device) {
    QString current = path;
    while (!current.isEmpty()) {
        TFileStatus st;
        if (FileSystem::Status(current, st, true) == 0) {
            device = st.device;
            return true;
        }
        if (current == QLatin1String("/"))
            return false;
        current = FileSystem::ParentFolder(current);
    }
    return false;
}

bool PrepareTrash(const QString& trash) {
    const QString folders[] = {trash, trash + QStringLiteral("/files"), trash + QStringLiteral("/info")};
    for (const QString& sub : folders) {
        if (FileSystem::IsFolder(sub))
            continue;
        const int error = sub == trash ? FileSystem::MakePath(sub) : FileSystem::MakeFolder(sub, 0700);
        if (error != 0 && !FileSystem::IsFolder(sub))
            return false;
        if (sub == trash)
            FileSystem::ChangeMode(sub, 0700);
    }
    return true;
}

// Writes the info file of a trashed entry under a free name (base, base.2, base.3 ...), created
// exclusively so that two deletions never pick the same name. Returns the chosen name or empty.
QString ReserveTrashName(const QString& trash, const QString& baseName, const QByteArray& infoText) {
    for (int n = 1; n < 10000; ++n) {
        const QString name = n == 1 ? baseName : baseName + QLatin1Char('.') + QString::number(n);
        const QString infoPath = trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo");
        int fd = -1;
        const int error = FileSystem::Open(infoPath, O_WRONLY | O_CREAT | O_EXCL, 0600, fd);
        if (error == EEXIST)
            continue;
        if (error != 0)
            return {};
        const bool written =
            write(fd, infoText.constData(), static_cast<size_t>(infoText.size())) == infoText.size();
        close(fd);
        if (!written) {
            FileSystem::RemoveFile(infoPath);
            return {};
        }
        // A file of that name may linger in files/ without its info file; try the next name then.
        if (FileSystem::Exists(trash + QStringLiteral("/files/") + name)) {
            FileSystem::RemoveFile(infoPath);
            continue;
        }
        return name;
    }
    return {};
}

bool MoveIntoTrash(const QString& trash, const QString& absolutePath, const QString& recordedPath) {
    if (!PrepareTrash(trash))
        return false;
    const QString now =
        DateTime::ToQDateTime(DateTime::Now()).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    // The recorded path keeps the name's bytes; only '/' and the unreserved characters stay as they are.
    const QByteArray infoText = QByteArrayLiteral("[Trash Info]\nPath=") +
                                EncodeFileName(recordedPath).toPercentEncoding("/") +
                                QByteArrayLiteral("\nDeletionDate=") + now.toLatin1() + '\n';
    const QString name = ReserveTrashName(trash, FileSystem::FileNameOf(absolutePath), infoText);
    if (name.isEmpty())
        return false;
    if (FileSystem::RenameNoReplace(absolutePath, trash + QStringLiteral("/files/") + name) == 0)
        return true;
    FileSystem::RemoveFile(trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
    return false;
}

bool DeleteTree(const QString& path) {
    TFileStatus st;
    if (FileSystem::Status(path, st) != 0)
        return false;
    if (!st.IsFolder())
        return FileSystem::RemoveFile(path) == 0;
    // A folder without the owner's rights cannot be listed or emptied; the owner may grant them.
    if ((st.mode & S_IRWXU) != S_IRWXU)
        FileSystem::ChangeMode(path, st.Permissions() | S_IRWXU);
    std::vector<FileSystem::TFolderEntry> entries;
    FileSystem::ListFolder(path, entries);
    bool ok = true;
    for (const FileSystem::TFolderEntry& entry : entries) {
        const QString child = path + QLatin1Char('/') + entry.name;
        if (entry.type == FileSystem::TEntryType::Folder)
            ok = DeleteTree(child) && ok;
        else
            ok = FileSystem::RemoveFile(child) == 0 && ok;
    }
    return FileSystem::RemoveFolder(path) == 0 && ok;
}

}  // namespace

QString NameWithoutExtension(const QString& path) {
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

bool CheckFolder(const QString& folder, bool create, int* errorCode) {
    auto fail = [errorCode](int error) {
        if (errorCode != nullptr)
            *errorCode = error;
        return false;
    };
    if (!ValidAbsolutePath(folder))
        return fail(EINVAL);
    if (create) {
        const int error = FileSystem::MakePath(folder);
        if (error != 0)
            return fail(error);
    }
    TFileStatus st;
    const int error = FileSystem::Status(folder, st, true);
    if (error != 0)
        return fail(error);
    if (!st.IsFolder())
        return fail(ENOTDIR);
    return true;
}

void FolderSizeAndCount(const QString& folder, qint64& bytes, int& count) {
    bytes = 0;
    count = 0;
    std::vector<FileSystem::TFolderEntry> entries;
    if (FileSystem::ListFolder(folder, entries) != 0)
        return;
    const QString prefix = WithoutTrailingSlash(folder) + QLatin1Char('/');
    for (const FileSystem::TFolderEntry& entry : entries) {
        const QString path = prefix + entry.name;
        TFileStatus st;
        if (FileSystem::Status(path, st) != 0)
            continue;
        if (AttributesOf(path, st, false) == FileAttr::Directory)
            continue;
        ++count;
        if (!st.IsFolder())
            bytes += st.size;
    }
}

bool FolderHasNoFiles(const QString& folder) {
    qint64 bytes = 0;
    int count = 0;
    FolderSizeAndCount(folder, bytes, count);
    return count == 0;
}

bool FileInUse(const QString& file) {
    int fd = -1;
    if (FileSystem::OpenForReading(file, fd) != 0)
        return true;
    struct flock lock {};
    lock.l_type = F_RDLCK;  // conflicts with write locks only
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    const bool locked = fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    close(fd);
    return locked;
}

bool RecycleFile(const QString& file) {
    if (file.isEmpty() || !FileSystem::Exists(file))
        return false;
    // The absolute path of the entry itself: its folder resolved, its own name kept (a link is trashed as
    // the link).
    const QString name = FileSystem::FileNameOf(file);
    QString folder;
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        FileSystem::CanonicalPath(FileSystem::ParentFolder(file), folder) != 0)
        return false;
    const QString absolutePath = (folder == QLatin1String("/") ? folder : folder + QLatin1Char('/')) + name;
    dev_t fileDevice = 0;
    {
        TFileStatus st;
        if (FileSystem::Status(absolutePath, st) != 0)
            return false;
        fileDevice = st.device;
    }

    const QString homeTrash = HomeTrash();
    dev_t homeDevice = 0;
    if (!homeTrash.isEmpty() && DeviceOf(homeTrash, homeDevice) && homeDevice == fileDevice)
        return MoveIntoTrash(homeTrash, absolutePath, absolutePath);

    // The trash of the file's own file system, with the path recorded relative to its top folder.
    const QString top = Drives::MountOf(absolutePath).mountPoint;
    const QString topPrefix = top == QLatin1String("/") ? top : top + QLatin1Char('/');
    if (!absolutePath.startsWith(topPrefix))
        return false;
    const QString relative = absolutePath.mid(topPrefix.size());
    const QString uid = QString::number(getuid());
    TFileStatus shared;
    const QString sharedTrash = topPrefix + QStringLiteral(".Trash");
    // A shared .Trash is used only when it is a real folder with the sticky bit, as the trash rules want.
    if (FileSystem::Status(sharedTrash, shared) == 0 && shared.IsFolder() && (shared.mode & S_ISVTX) != 0) {
        if (MoveIntoTrash(sharedTrash + QLatin1Char('/') + uid, absolutePath, relative))
            return true;
    }
    const QString ownTrash = topPrefix + QStringLiteral(".Trash-") + uid;
    TFileStatus own;
    if (FileSystem::Status(ownTrash, own) == 0 && (own.IsSymLink() || own.owner != getuid()))
        return false;
    return MoveIntoTrash(ownTrash, absolutePath, relative);
}

bool DeleteFolder(const QString& folder) {
    const QString path = WithoutTrailingSlash(folder);
    if (path.isEmpty() || path == QLatin1String("/"))
        return false;
    DeleteTree(path);
    return !FileSystem::Exists(path);
}

TDateTime EvenSecondLocalTime(qint64 unixSeconds) {
    const time_t t = static_cast<time_t>(unixSeconds);
    struct tm local {};
    if (localtime_r(&t, &local) == nullptr)
        return 0;
    // The local seconds are truncated, not the UTC ones: some zones are offset by odd seconds.
    return LocalDateTimeFromUnix(unixSeconds - (local.tm_sec % 2), 0);
}

TDateTime FileModificationTime(const QString& file) {
    TFileStatus st;
    if (FileSystem::Status(file, st) != 0 || st.IsFolder())
        return 0;
    return EvenSecondLocalTime(st.modificationTime.tv_sec);
}

quint32 FileAttributes(const QString& file) {
    TFileStatus st;
    if (FileSystem::Status(file, st) != 0)
        return 0;
    return AttributesOf(file, st, true);
}

bool FileHasAttributes(const QString& file, quint32 mask) {
    return (FileAttributes(file) & mask) == mask;
}

qint64 FileSize(const QString& file) {
    TFileStatus st;
    if (FileSystem::Status(file, st) != 0 || st.IsFolder())
        return 0;
    return st.size;
}

bool SafeDeleteFile(const QString& file, int* errorCode) {
    auto result = [errorCode](int error) {
        if (errorCode != nullptr)
            *errorCode = error;
        return error == 0;
    };
    TFileStatus st;
    if (const int error = FileSystem::Status(file, st); error != 0)
        return result(error);
    if (!st.IsSymLink() && !st.IsFolder() && (st.mode & S_IWUSR) == 0) {
        if (const int error = FileSystem::ChangeMode(file, st.Permissions() | S_IWUSR); error != 0)
            return result(error);
    }
    return result(FileSystem::RemoveFile(file));
}

quint32 FileCrc32(const QString& file) {
    int fd = -1;
    if (FileSystem::OpenForReading(file, fd) != 0)
        return 0;
    constexpr size_t kBlock = 65521;
    std::vector<unsigned char> buffer(kBlock);
    uLong crc = crc32(0L, Z_NULL, 0);
    while (true) {
        const ssize_t n = read(fd, buffer.data(), kBlock);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            crc = 0;
            break;
        }
        if (n == 0)
            break;
        crc = crc32(crc, buffer.data(), static_cast<uInt>(n));
    }
    close(fd);
    return static_cast<quint32>(crc);
}

bool SameChecksum(const QString& a, const QString& b) {
    return FileCrc32(a) == FileCrc32(b);
}

bool SameFile(const QString& a, const QString& b) {
    TFileStatus la, lb;
    if (FileSystem::Status(a, la) != 0 || FileSystem::Status(b, lb) != 0)
        return a == b;
    if (la.device == lb.device && la.inode == lb.inode)
        return true;
    TFileStatus fa, fb;
    return FileSystem::Status(a, fa, true) == 0 && FileSystem::Status(b, fb, true) == 0 &&
           fa.device == fb.device && fa.inode == fb.inode;
}
