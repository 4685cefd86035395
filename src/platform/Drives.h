#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Drives as the engine and the task dialog see them. A "drive" is a mounted file system; its "letter"
// is its mount point path. Everything comes from /proc/self/mountinfo, sysfs and statvfs.

// Numbers as the drive type scale has them (the names below are shown to the user).
enum class TDriveType {
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Network = 4,
    CDROM = 5,
    RAM = 6
};

// One line of mountinfo.
struct TMountEntry {
    QString mountPoint;  // decoded, no trailing '/' except for "/" itself
    QString fsType;      // e.g. "ext4", "fuse.sshfs"
    QString source;      // e.g. "/dev/sdb1", "server:/export"
    quint32 major = 0;
    quint32 minor = 0;
    bool readOnly = false;  // per-mount option "ro"
};

struct TDriveInfo {
    QString letter;    // the mount point
    QString typeName;  // DriveTypeName of the type
    QString access;    // "R/O" or "R/W"; empty when not ready
    qint64 size = 0;
    qint64 free = 0;
    quint32 serialNumber = 0;
    QString volumeLabel;
    bool ready = false;
};

namespace Drives {

// Parses the text of a mountinfo file (exposed for tests); lines that do not parse are skipped.
QList<TMountEntry> ParseMountTable(const QByteArray& text);
// The mounts of this process, in the kernel's order.
QList<TMountEntry> MountTable();
// The mount points, in the kernel's order (the "logical drives").
QStringList DriveList();

// The mount that holds path (the nearest existing ancestor, links resolved); the root mount when none
// matches better. mounts defaults to MountTable().
TMountEntry MountOf(const QString& path);
TMountEntry MountOf(const QString& path, const QList<TMountEntry>& mounts);
// The mount point of MountOf with a trailing '/'; empty for an empty path.
QString MountPointOf(const QString& path);
QString MountPointOf(const QString& path, const QList<TMountEntry>& mounts);

// The type from the file-system type and whether the block device is removable.
TDriveType ClassifyDrive(const QString& fsType, bool removableDevice);
// True when the block device major:minor (or the disk it is a partition of) is removable or attached
// through USB, as sysfs tells (sysRoot is "/sys" except in tests).
bool RemovableDevice(quint32 major, quint32 minor, const QString& sysRoot = QStringLiteral("/sys"));
TDriveType DriveType(const TMountEntry& mount);
// The type of the drive that holds path.
TDriveType DriveTypeOfPath(const QString& path);

// "Removable", "Fixed", "Network", "CDROM", "RAM", anything else "Unknown".
QString DriveTypeName(TDriveType type);

// The drive's total size can be read.
bool DriveReady(const QString& mountPoint);
// The mount is read-only, or a probe file cannot be created (and removed again) in its root folder.
bool WriteProtected(const QString& mountPoint);
// The record of one drive; a drive that is not ready has only letter and type name set.
TDriveInfo DriveInformation(const QString& mountPoint);

// Bytes available to the user on the file system that holds path (the nearest existing ancestor is
// asked when path does not exist yet). An unknown value is the largest signed 64-bit number, so that an
// unknown free space never blocks a copy.
qint64 FreeSpace(const QString& path);

}  // namespace Drives
