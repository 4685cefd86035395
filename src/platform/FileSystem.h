#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <ctime>
#include <vector>

// Byte-exact file names.
//
// Linux file names are byte strings; the engine keeps paths as QString. A name that is valid UTF-8 is
// decoded as such. Every byte of an invalid sequence becomes the lone surrogate U+DC80 + byte (so the
// byte 0xE9 becomes U+DCE9), which no valid UTF-8 text can produce. EncodeFileName turns such surrogates
// back into their bytes, so a name read from a folder and written again is exactly the name it was,
// whatever bytes it holds.
QString DecodeFileName(const QByteArray& bytes);
// The exact inverse of DecodeFileName. A lone surrogate outside U+DC80..U+DCFF (which DecodeFileName
// never makes) is written in its generalised three-byte form rather than dropped.
QByteArray EncodeFileName(const QString& name);

// Small POSIX wrappers that take QString paths and always encode them with EncodeFileName. Engine file
// operations go through these (or through file descriptors they open), never through QFile or QDir,
// which would mangle names that are not valid UTF-8. Functions returning int give 0 on success and the
// errno value on failure. Paths holding a NUL character fail with EINVAL.
namespace FileSystem {

enum class TEntryType { Unknown, File, Folder, SymLink, Special };

struct TFileStatus {
    qint64 size = 0;
    timespec accessTime{};
    timespec modificationTime{};
    mode_t mode = 0;  // full st_mode: type and permission bits
    dev_t device = 0;
    ino_t inode = 0;
    uid_t owner = 0;
    gid_t group = 0;

    TEntryType Type() const;
    bool IsFolder() const { return Type() == TEntryType::Folder; }
    bool IsFile() const { return Type() == TEntryType::File; }
    bool IsSymLink() const { return Type() == TEntryType::SymLink; }
    // A FIFO, socket or device file.
    bool IsSpecial() const { return Type() == TEntryType::Special; }
    mode_t Permissions() const { return mode & 07777; }
};

// lstat (followLinks false: a link describes itself) or stat.
int Status(const QString& path, TFileStatus& out, bool followLinks = false);
// True when something (a dangling link included) has that name.
bool Exists(const QString& path);
bool IsFolder(const QString& path);  // follows links, as "cd" would

struct TFolderEntry {
    QString name;  // decoded, without the folder
    TEntryType type = TEntryType::Unknown;
};
// The entries of a folder, "." and ".." left out. The type comes from d_type; where the file system
// does not fill it in, from lstat.
int ListFolder(const QString& folder, std::vector<TFolderEntry>& entries);

int MakeFolder(const QString& path, mode_t mode = 0777);
// Creates path and every missing parent; an existing folder is success, an existing non-folder EEXIST.
int MakePath(const QString& path);
int RemoveFolder(const QString& path);  // rmdir
int RemoveFile(const QString& path);    // unlink: also removes a link itself, never its target
// rename(2): replaces an existing target atomically.
int Rename(const QString& from, const QString& to);
// A rename that never replaces: EEXIST when to exists. Uses renameat2(RENAME_NOREPLACE); on a file
// system without it, checks first (a small window remains there in which another process could create
// the target).
int RenameNoReplace(const QString& from, const QString& to);

// open(2) with O_CLOEXEC added; fd is set on success.
int Open(const QString& path, int flags, mode_t mode, int& fd);
int OpenForReading(const QString& path, int& fd);

// Sets access and modification time with full nanosecond precision (the link itself when it is one).
int SetTimes(const QString& path, const timespec& accessTime, const timespec& modificationTime);
int ChangeMode(const QString& path, mode_t mode);  // follows links: links have no own mode on Linux

int ReadSymLink(const QString& path, QString& target);
int MakeSymLink(const QString& target, const QString& linkPath);

// The absolute, link-free form of an existing path (realpath).
int CanonicalPath(const QString& path, QString& out);

// The system's text for an errno value, for the "(Description: %s; System error code: %d)" messages.
QString ErrorText(int errnoValue);

// Path helpers for '/'-separated paths: the folder part (without a trailing '/', "/" for the root
// level) and the last component.
QString ParentFolder(const QString& path);
QString FileNameOf(const QString& path);

}  // namespace FileSystem
