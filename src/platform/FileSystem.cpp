#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // an escaped byte b (0x80..0xFF) is kEscapeBase + b

// Length of the valid UTF-8 sequence starting at bytes[i], or 0 when it is not one. Strict: overlong
// forms, encoded surrogates and values above U+10FFFF are invalid, as the standard has it.
int ValidSequenceLength(const unsigned char* bytes, qsizetype size, qsizetype i, char32_t& codePoint) {
    const unsigned char b0 = bytes[i];
    if (b0 < 0x80) {
        codePoint = b0;
        return 1;
    }
    int length = 0;
    char32_t lowest = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        codePoint = b0 & 0x1F;
        lowest = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        codePoint = b0 & 0x0F;
        lowest = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        codePoint = b0 & 0x07;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (i + length > size)
        return 0;
    for (int k = 1; k < length; ++k) {
        const unsigned char b = bytes[i + k];
        if ((b & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (b & 0x3F);
    }
    if (codePoint < lowest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

void AppendUtf8(QByteArray& out, char32_t cp) {
    if (cp < 0x80) {
        out.append(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.append(static_cast<char>(0xC0 | (cp >> 6)));
        out.append(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.append(static_cast<char>(0xE0 | (cp >> 12)));
        out.append(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.append(static_cast<char>(0xF0 | (cp >> 18)));
        out.append(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.append(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// The encoded path, or an empty array for a path the system cannot take (empty or holding a NUL).
QByteArray Native(const QString& path) {
    QByteArray bytes = EncodeFileName(path);
    if (bytes.contains('\0'))
        return {};
    return bytes;
}

int Result(int rc) {
    return rc == 0 ? 0 : errno;
}

FileSystem::TEntryType TypeOfMode(mode_t mode) {
    using FileSystem::TEntryType;
    if (S_ISREG(mode))
        return TEntryType::File;
    if (S_ISDIR(mode))
        return TEntryType::Folder;
    if (S_ISLNK(mode))
        return TEntryType::SymLink;
    if (S_ISFIFO(mode) || S_ISSOCK(mode) || S_ISCHR(mode) || S_ISBLK(mode))
        return TEntryType::Special;
    return TEntryType::Unknown;
}

}  // namespace

QString DecodeFileName(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        char32_t cp = 0;
        const int length = ValidSequenceLength(data, size, i, cp);
        if (length == 0) {
            out.append(QChar(static_cast<char16_t>(kEscapeBase + data[i])));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            const char32_t v = cp - 0x10000;
            out.append(QChar(static_cast<char16_t>(0xD800 + (v >> 10))));
            out.append(QChar(static_cast<char16_t>(0xDC00 + (v & 0x3FF))));
        } else {
            out.append(QChar(static_cast<char16_t>(cp)));
        }
        i += length;
    }
    return out;
}

QByteArray EncodeFileName(const QString& name) {
    QByteArray out;
    out.reserve(name.size() + name.size() / 2);
    const qsizetype size = name.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = name[i].unicode();
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < size) {
            const char16_t low = name[i + 1].unicode();
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u - 0xD800) << 10) | (low - 0xDC00)));
                ++i;
                continue;
            }
        }
        if (u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF) {
            out.append(static_cast<char>(u - kEscapeBase));
            continue;
        }
        AppendUtf8(out, u);
    }
    return out;
}

namespace FileSystem {

TEntryType TFileStatus::Type() const {
    return TypeOfMode(mode);
}

int Status(const QString& path, TFileStatus& out, bool followLinks) {
    const QByteArray native = Native(path);
    if (native.isEmpty())
        return EINVAL;
    struct stat st {};
    if ((followLinks ? stat(native.constData(), &st) : lstat(native.constData(), &st)) != 0)
        return errno;
    out.size = static_cast<qint64>(st.st_size);
    out.accessTime = st.st_atim;
    out.modificationTime = st.st_mtim;
    out.mode = st.st_mode;
    out.device = st.st_dev;
    out.inode = st.st_ino;
    out.owner = st.st_uid;
    out.group = st.st_gid;
    return 0;
}

bool Exists(const QString& path) {
    TFileStatus st;
    return Status(path, st) == 0;
}

bool IsFolder(const QString& path) {
    TFileStatus st;
    return Status(path, st, true) == 0 && st.IsFolder();
}

int ListFolder(const QString& folder, std::vector<TFolderEntry>& entries) {
    const QByteArray native = Native(folder);
    if (native.isEmpty())
        return EINVAL;
    const int fd = open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
        const int error = errno;
        close(fd);
        return error;
    }
    std::unique_ptr<DIR, int (*)(DIR*)> guard(dir, closedir);
    while (true) {
        errno = 0;
        const dirent* entry = readdir(dir);
        if (entry == nullptr) {
            if (errno != 0)
                return errno;
            break;
        }
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        TFolderEntry item;
        item.name = DecodeFileName(QByteArray(name));
        switch (entry->d_type) {
            case DT_REG:
                item.type = TEntryType::File;
                break;
            case DT_DIR:
                item.type = TEntryType::Folder;
                break;
            case DT_LNK:
                item.type = TEntryType::SymLink;
                break;
            case DT_FIFO:
            case DT_SOCK:
            case DT_CHR:
            case DT_BLK:
                item.type = TEntryType::Special;
                break;
            default: {
                struct stat st {};
                if (fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                    item.type = TypeOfMode(st.st_mode);
                break;
            }
        }
        entries.push_back(std::move(item));
    }
    return 0;
}

int MakeFolder(const QString& path, mode_t mode) {
    const QByteArray native = Native(path);
    if (native.isEmpty())
        return EINVAL;
    return Result(mkdir(native.constData(), mode));
}

int MakePath(const QString& path) {
    QByteArray native = Native(path);
    if (native.isEmpty())
        return EINVAL;
    while (native.size() > 1 && native.endsWith('/'))
        native.chop(1);
    struct stat st {};
    if (stat(native.constData(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : EEXIST;
    // Create each missing component from the top; a component made meanwhile by someone else is fine.
    for (qsizetype i = 1; i <= native.size(); ++i) {
        if (i < native.size() && native[i] != '/')
            continue;
        const QByteArray part = native.left(i);
        if (part.endsWith('/'))
            continue;
        if (mkdir(part.constData(), 0777) != 0) {
            const int error = errno;
            if (error == EEXIST && stat(part.constData(), &st) == 0) {
                if (S_ISDIR(st.st_mode))
                    continue;
                // Something other than a folder stands where a parent should be.
                return i < native.size() ? ENOTDIR : EEXIST;
            }
            return error;
        }
    }
    return 0;
}

int RemoveFolder(const QString& path) {
    const QByteArray native = Native(path);
    if (native.isEmpty())
        return EINVAL;
    return Result(rmdir(native.constData()));
}

int RemoveFile(const QString& path) {
    const QByteArray native = Native(path);
    if (native.isEmpty())
        return EINVAL;
    return Result(unlink(native.constData()));
}

int Rename(const QString& from, const QString& to) {
    const QByteArray a = Native(from);
    const QByteArray b = Native(to);
    if (a.isEmpty() || b.isEmpty())
        return EINVAL;
    return Result(rename(a.constData(), b.constData()));
}

int RenameNoReplace(const QString& from, const QString& to) {
    const QByteArray a = Native(from);
    const QByteArray b = Native(to);
    if (a.isEmpty() || b.isEmpty())
        return EINVAL;
    if (renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    const int error = errno;
    // Older kernels and some file systems (network ones among them) lack the flag.
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP)
        return error;
    struct stat st {};
    if (lstat(b.constData(), &st) == 0)
        return EEXIST;
    return Result(rename(a.constData(), b.constData()));
}

int Open(const QString& path, int flags, mode_t mode, int& fd) {
    const QByteArray native = Native(path);
    if (native.isEmpty())
        return EINVAL;
    const int result = open(native.constData(), flags | O_CLOEXEC, mode);
    if (result < 0)
        return errno;
    fd = result;
    return 0;
}

int OpenForReading(const QString& path, int& fd) {
    // O_NONBLOCK keeps a FIFO from blocking the open; regular files ignore it.
    return Open(path, O_RDONLY | O_NOCTTY | O_NONBLOCK, 0, fd);
}

int SetTimes(const QString& path, const timespec& accessTime, const timespec& modificationTime) {
    const QByteArray native = Native(path);
    if (native.isEmpty())
        return EINVAL;
    const timespec times[2] = {accessTime, modificationTime};
    return Result(utimensat(AT_FDCWD, native.constData(), times, AT_SYMLINK_NOFOLLOW));
}

int ChangeMode(const QString& path, mode_t mode) {
    const QByteArray native = Native(path);
    if (native.isEmpty())
        return EINVAL;
    return Result(chmod(native.constData(), mode));
}

int ReadSymLink(const QString& path, QString& target) {
    const QByteArray native = Native(path);
    if (native.isEmpty())
        return EINVAL;
    QByteArray buffer(256, Qt::Uninitialized);
    while (true) {
        const ssize_t n = readlink(native.constData(), buffer.data(), static_cast<size_t>(buffer.size()));
        if (n < 0)
            return errno;
        if (n < buffer.size()) {
            buffer.truncate(n);
            target = DecodeFileName(buffer);
            return 0;
        }
        // The target may have been cut off: try again with more room.
        if (buffer.size() >= (1 << 20))
            return ENAMETOOLONG;
        buffer.resize(buffer.size() * 4);
    }
}

int MakeSymLink(const QString& target, const QString& linkPath) {
    const QByteArray t = Native(target);
    const QByteArray l = Native(linkPath);
    if (t.isEmpty() || l.isEmpty())
        return EINVAL;
    return Result(symlink(t.constData(), l.constData()));
}

int CanonicalPath(const QString& path, QString& out) {
    const QByteArray native = Native(path);
    if (native.isEmpty())
        return EINVAL;
    std::unique_ptr<char, void (*)(void*)> resolved(realpath(native.constData(), nullptr), std::free);
    if (!resolved)
        return errno;
    out = DecodeFileName(QByteArray(resolved.get()));
    return 0;
}

QString ErrorText(int errnoValue) {
    char buffer[256] = {};
    // The GNU strerror_r may return a static text instead of filling the buffer.
    const char* text = strerror_r(errnoValue, buffer, sizeof buffer);
    return QString::fromLocal8Bit(text != nullptr ? text : buffer);
}

QString ParentFolder(const QString& path) {
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringLiteral(".");
    if (slash == 0)
        return QStringLiteral("/");
    return trimmed.left(slash);
}

QString FileNameOf(const QString& path) {
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? trimmed : trimmed.mid(slash + 1);
}

}  // namespace FileSystem
