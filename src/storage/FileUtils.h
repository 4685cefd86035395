#pragma once

#include <QString>
#include <QtGlobal>

#include "platform/DateTime.h"

// File operations shared by the engine: folder checks, sizes and times as the engine compares them, the
// attribute-safe delete, the in-use test, the trash and the tree delete, checksums. Plain functions
// without state; paths are '/'-separated and go through the byte-exact name mapping of
// platform/FileSystem.h. Drive information and free space are in platform/Drives.h.

// Attribute bits as the attribute test takes them. On Linux: read-only means the owner lacks write
// permission; hidden means the name begins with '.'; compressed and encrypted are the inode flags.
// System and archive do not exist here and are never set.
namespace FileAttr {
constexpr quint32 ReadOnly = 0x0001;
constexpr quint32 Hidden = 0x0002;
constexpr quint32 System = 0x0004;
constexpr quint32 Directory = 0x0010;
constexpr quint32 Archive = 0x0020;
constexpr quint32 Compressed = 0x0800;
constexpr quint32 Encrypted = 0x4000;
}  // namespace FileAttr

// The file name part of path, cut before its last full stop ("archive.tar.gz" gives "archive.tar"; a
// name without a full stop is kept whole).
QString NameWithoutExtension(const QString& path);

// The folder check: false for an empty path, a relative path or one holding a NUL character. Otherwise,
// without create, whether the folder exists; with create, whether it exists after creating it and every
// missing parent. errorCode (when given) receives the errno of a failure, EINVAL for a bad path.
bool CheckFolder(const QString& folder, bool create, int* errorCode = nullptr);

// Sum of the sizes and number of the entries directly in folder (not recursive) whose attribute value is
// not exactly Directory: files, links, special files, and folders that carry another attribute too
// (hidden or read-only ones).
void FolderSizeAndCount(const QString& folder, qint64& bytes, int& count);
bool FolderHasNoFiles(const QString& folder);

// A file is in use when it cannot be opened for reading (a missing file included), or another open file
// description holds a write lock on it (fcntl F_OFD_GETLK; this also sees classic POSIX locks).
bool FileInUse(const QString& file);

// Moves file (or a folder) to the freedesktop.org trash: the home trash ($XDG_DATA_HOME/Trash) when it is
// on the same file system, else $topdir/.Trash/$uid (when that exists as the trash specification
// requires) or $topdir/.Trash-$uid of the file's own file system. The name is kept byte-exact, and the
// info file records it percent-encoded. False when no trash could take it (the file is then untouched).
bool RecycleFile(const QString& file);

// Deletes folder and everything below it; symbolic links are removed, never followed. A trailing '/' is
// ignored. True when the folder is gone afterwards.
bool DeleteFolder(const QString& folder);

// The local time of the last modification, truncated to the even second below (the 2-second resolution
// at which the engine compares times); 0 for a folder or a missing file. A link gives its own time.
TDateTime FileModificationTime(const QString& file);
// The time conversion of FileModificationTime (exposed for tests).
TDateTime EvenSecondLocalTime(qint64 unixSeconds);

// The attribute value of file (FileAttr bits); 0 when it cannot be read.
quint32 FileAttributes(const QString& file);
// True when all bits of mask are set in the file's attributes.
bool FileHasAttributes(const QString& file, quint32 mask);

// Size of the entry (a link's own size); 0 for a folder or a missing file.
qint64 FileSize(const QString& file);

// Deletes file; a read-only file gets the owner's write permission first. A missing file gives false.
// errorCode (when given) receives the errno of a failure.
bool SafeDeleteFile(const QString& file, int* errorCode = nullptr);

// CRC-32 (the zlib polynomial) of the file's contents, read in blocks of 65,521 bytes; 0 when the file
// cannot be read (the same as an empty file).
quint32 FileCrc32(const QString& file);
bool SameChecksum(const QString& a, const QString& b);

// Whether a and b name the same file: the same device and inode, either as the entries themselves or as
// what they point to, when both exist; the exact same path otherwise (Linux paths are case-sensitive).
bool SameFile(const QString& a, const QString& b);
