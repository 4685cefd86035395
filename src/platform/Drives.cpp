#include "platform/Drives.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <limits>

#include "platform/FileSystem.h"
#include "platform/Volumes.h"

namespace {

constexpr qint64 kUnknownFreeSpace = std::numeric_limits<qint64>::max();

// mountinfo escapes blanks, tabs, newlines and backslashes as a backslash and three octal digits. The
// bytes are then decoded like any other file name, so a mount point that is not UTF-8 matches paths.
QString DecodeMountField(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            int value = 0;
            bool ok = true;
            for (int k = 1; k <= 3 && ok; ++k) {
                const char d = field[i + k];
                ok = d >= '0' && d <= '7';
                value = value * 8 + (d - '0');
            }
            if (ok && value < 256) {
                out.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return DecodeFileName(out);
}

// The nearest existing ancestor of path (path itself when it exists), made absolute and link-free.
QString ExistingAncestor(const QString& path) {
    QString current = path;
    while (true) {
        QString canonical;
        if (FileSystem::CanonicalPath(current, canonical) == 0)
            return canonical;
        if (current == QLatin1String("/") || current.isEmpty() || current == QLatin1String("."))
            return current.startsWith(QLatin1Char('/')) ? current : QStringLiteral("/");
        current = FileSystem::ParentFolder(current);
    }
}

bool StatFs(const QString& path, struct statvfs& out) {
    const QByteArray native = EncodeFileName(path);
    if (native.isEmpty() || native.contains('\0'))
        return false;
    return statvfs(native.constData(), &out) == 0;
}

QByteArray ReadSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(64).trimmed();
}

}  // namespace

namespace Drives {

QList<TMountEntry> ParseMountTable(const QByteArray& text) {
    QList<TMountEntry> result;
    for (const QByteArray& line : text.split('\n')) {
        // id, parent id, major:minor, root, mount point, options, optional fields..., "-", type, source, ...
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf(QByteArray("-"), 6);
        if (fields.size() < 7 || dash < 0 || dash + 2 >= fields.size())
            continue;
        TMountEntry entry;
        entry.mountPoint = DecodeMountField(fields[4]);
        if (!entry.mountPoint.startsWith(QLatin1Char('/')))
            continue;
        while (entry.mountPoint.size() > 1 && entry.mountPoint.endsWith(QLatin1Char('/')))
            entry.mountPoint.chop(1);
        const QList<QByteArray> device = fields[2].split(':');
        if (device.size() == 2) {
            entry.major = device[0].toUInt();
            entry.minor = device[1].toUInt();
        }
        entry.readOnly = fields[5].split(',').contains(QByteArray("ro"));
        entry.fsType = QString::fromUtf8(fields[dash + 1]);
        entry.source = DecodeMountField(fields[dash + 2]);
        result.append(entry);
    }
    return result;
}

QList<TMountEntry> MountTable() {
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return ParseMountTable(file.readAll());
}

QStringList DriveList() {
    QStringList result;
    for (const TMountEntry& mount : MountTable()) {
        if (!result.contains(mount.mountPoint))
            result.append(mount.mountPoint);
    }
    return result;
}

TMountEntry MountOf(const QString& path, const QList<TMountEntry>& mounts) {
    const QString target = ExistingAncestor(path);
    TMountEntry best;
    best.mountPoint = QStringLiteral("/");
    qsizetype bestLength = -1;
    // A later mount on the same point hides an earlier one, hence ">=".
    for (const TMountEntry& mount : mounts) {
        const QString prefix = mount.mountPoint.endsWith(QLatin1Char('/'))
                                   ? mount.mountPoint
                                   : mount.mountPoint + QLatin1Char('/');
        if (QString(target + QLatin1Char('/')).startsWith(prefix) && prefix.size() >= bestLength) {
            best = mount;
            bestLength = prefix.size();
        }
    }
    return best;
}

TMountEntry MountOf(const QString& path) {
    return MountOf(path, MountTable());
}

QString MountPointOf(const QString& path, const QList<TMountEntry>& mounts) {
    if (path.isEmpty())
        return {};
    QString point = MountOf(path, mounts).mountPoint;
    if (!point.endsWith(QLatin1Char('/')))
        point += QLatin1Char('/');
    return point;
}

QString MountPointOf(const QString& path) {
    return MountPointOf(path, MountTable());
}

TDriveType ClassifyDrive(const QString& fsType, bool removableDevice) {
    static const QStringList network = {QStringLiteral("nfs"),        QStringLiteral("nfs4"),
                                        QStringLiteral("cifs"),       QStringLiteral("smb3"),
                                        QStringLiteral("smbfs"),      QStringLiteral("sshfs"),
                                        QStringLiteral("fuse.sshfs"), QStringLiteral("9p")};
    if (fsType == QLatin1String("iso9660") || fsType == QLatin1String("udf"))
        return TDriveType::CDROM;
    if (network.contains(fsType))
        return TDriveType::Network;
    if (fsType == QLatin1String("tmpfs") || fsType == QLatin1String("ramfs"))
        return TDriveType::RAM;
    if (removableDevice)
        return TDriveType::Removable;
    return TDriveType::Fixed;
}

bool RemovableDevice(quint32 major, quint32 minor, const QString& sysRoot) {
    if (major == 0)
        return false;  // anonymous devices (tmpfs, network, fuse) have no block device
    const QString link = sysRoot + QStringLiteral("/dev/block/%1:%2").arg(major).arg(minor);
    QString device;
    if (FileSystem::CanonicalPath(link, device) != 0)
        return false;
    if (device.contains(QLatin1String("/usb")))
        return true;
    // A partition's removable flag is kept by the disk it belongs to, its parent in sysfs.
    const QString disk =
        FileSystem::Exists(device + QStringLiteral("/partition")) ? FileSystem::ParentFolder(device) : device;
    return ReadSmallFile(disk + QStringLiteral("/removable")) == "1";
}

TDriveType DriveType(const TMountEntry& mount) {
    return ClassifyDrive(mount.fsType, RemovableDevice(mount.major, mount.minor));
}

TDriveType DriveTypeOfPath(const QString& path) {
    return DriveType(MountOf(path));
}

QString DriveTypeName(TDriveType type) {
    switch (type) {
        case TDriveType::Removable:
            return QStringLiteral("Removable");
        case TDriveType::Fixed:
            return QStringLiteral("Fixed");
        case TDriveType::Network:
            return QStringLiteral("Network");
        case TDriveType::CDROM:
            return QStringLiteral("CDROM");
        case TDriveType::RAM:
            return QStringLiteral("RAM");
        default:
            return QStringLiteral("Unknown");
    }
}

bool DriveReady(const QString& mountPoint) {
    struct statvfs st {};
    return StatFs(mountPoint, st) && st.f_blocks > 0;
}

bool WriteProtected(const QString& mountPoint) {
    struct statvfs st {};
    if (StatFs(mountPoint, st) && (st.f_flag & ST_RDONLY) != 0)
        return true;
    QString root = mountPoint;
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    const QString probe =
        root +
        QStringLiteral(".RWRO%1.tmp").arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
    int fd = -1;
    if (FileSystem::Open(probe, O_WRONLY | O_CREAT | O_EXCL, 0600, fd) != 0)
        return true;
    close(fd);
    return FileSystem::RemoveFile(probe) != 0;
}

TDriveInfo DriveInformation(const QString& mountPoint) {
    TDriveInfo info;
    info.letter = mountPoint;
    const QList<TMountEntry> mounts = MountTable();
    info.typeName = DriveTypeName(DriveType(MountOf(mountPoint, mounts)));
    struct statvfs st {};
    if (!StatFs(mountPoint, st) || st.f_blocks == 0)
        return info;
    info.ready = true;
    info.access = WriteProtected(mountPoint) ? QStringLiteral("R/O") : QStringLiteral("R/W");
    info.size = static_cast<qint64>(st.f_blocks) * static_cast<qint64>(st.f_frsize);
    info.free = static_cast<qint64>(st.f_bavail) * static_cast<qint64>(st.f_frsize);
    TVolumeInfo volume;
    if (TSystemVolumeInfo().Read(mountPoint, volume)) {
        info.volumeLabel = volume.label;
        bool ok = false;
        const quint32 serial = volume.serial.toUInt(&ok, 16);
        if (ok)
            info.serialNumber = serial;
    }
    return info;
}

qint64 FreeSpace(const QString& path) {
    if (path.isEmpty() || path.contains(QChar(0)))
        return kUnknownFreeSpace;
    struct statvfs st {};
    if (!StatFs(ExistingAncestor(path), st))
        return kUnknownFreeSpace;
    const unsigned long long bytes =
        static_cast<unsigned long long>(st.f_bavail) * static_cast<unsigned long long>(st.f_frsize);
    if (bytes > static_cast<unsigned long long>(kUnknownFreeSpace))
        return kUnknownFreeSpace;
    return static_cast<qint64>(bytes);
}

}  // namespace Drives
