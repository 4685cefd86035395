#include "platform/Drives.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <limits>

#include "platform/FileSystem.h"

namespace {

QString Canonical(const QString& path) {
    QString out;
    EXPECT_EQ(FileSystem::CanonicalPath(path, out), 0);
    return out;
}

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

}  // namespace

TEST(Drives, MountTableParsesEscapesOptionalFieldsAndReadOnly) {
    const QByteArray text =
        "26 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
        "40 26 8:17 / /media/ann/My\\040Stick rw,nosuid shared:7 master:2 - vfat /dev/sdb1 rw,uid=1000\n"
        "41 26 11:0 / /media/cd ro,nosuid - iso9660 /dev/sr0 ro\n"
        "42 26 0:50 / /mnt/nas rw - nfs4 nas:/export rw\n"
        "43 26 0:51 / /mnt/odd\\377 rw - tmpfs tmpfs rw\n"
        "broken line\n";
    const QList<TMountEntry> mounts = Drives::ParseMountTable(text);
    ASSERT_EQ(mounts.size(), 5);
    EXPECT_EQ(mounts[1].mountPoint, QStringLiteral("/media/ann/My Stick"));
    EXPECT_EQ(mounts[1].fsType, QStringLiteral("vfat"));
    EXPECT_EQ(mounts[1].source, QStringLiteral("/dev/sdb1"));
    EXPECT_EQ(mounts[1].major, 8u);
    EXPECT_EQ(mounts[1].minor, 17u);
    EXPECT_FALSE(mounts[1].readOnly);
    EXPECT_TRUE(mounts[2].readOnly);
    EXPECT_EQ(mounts[3].source, QStringLiteral("nas:/export"));
    // A mount point that is not UTF-8 is decoded like any file name.
    EXPECT_EQ(EncodeFileName(mounts[4].mountPoint), QByteArray("/mnt/odd\xff"));
}

TEST(Drives, TypesFollowTheFileSystemAndTheDevice) {
    EXPECT_EQ(Drives::ClassifyDrive(QStringLiteral("iso9660"), true), TDriveType::CDROM);
    EXPECT_EQ(Drives::ClassifyDrive(QStringLiteral("udf"), false), TDriveType::CDROM);
    for (const char* network : {"nfs", "nfs4", "cifs", "smb3", "sshfs", "fuse.sshfs", "9p"})
        EXPECT_EQ(Drives::ClassifyDrive(QString::fromLatin1(network), false), TDriveType::Network) << network;
    EXPECT_EQ(Drives::ClassifyDrive(QStringLiteral("tmpfs"), false), TDriveType::RAM);
    EXPECT_EQ(Drives::ClassifyDrive(QStringLiteral("ramfs"), false), TDriveType::RAM);
    EXPECT_EQ(Drives::ClassifyDrive(QStringLiteral("vfat"), true), TDriveType::Removable);
    EXPECT_EQ(Drives::ClassifyDrive(QStringLiteral("ext4"), false), TDriveType::Fixed);
    EXPECT_EQ(Drives::DriveTypeName(TDriveType::Removable), QStringLiteral("Removable"));
    EXPECT_EQ(Drives::DriveTypeName(TDriveType::CDROM), QStringLiteral("CDROM"));
    EXPECT_EQ(Drives::DriveTypeName(TDriveType::NoRootDir), QStringLiteral("Unknown"));
}

TEST(Drives, RemovableFlagComesFromTheDiskOfAPartitionOrAUsbPath) {
    QTemporaryDir sys;
    const QString root = sys.path();
    // sdb is removable; its partition sdb1 carries the flag through its parent.
    const QString disk = root + QStringLiteral("/devices/pci0/ata1/block/sdb");
    ASSERT_EQ(FileSystem::MakePath(disk + QStringLiteral("/sdb1")), 0);
    WriteText(disk + QStringLiteral("/removable"), "1\n");
    WriteText(disk + QStringLiteral("/sdb1/partition"), "1\n");
    // sda is a fixed disk.
    const QString fixed = root + QStringLiteral("/devices/pci0/ata2/block/sda");
    ASSERT_EQ(FileSystem::MakePath(fixed + QStringLiteral("/sda1")), 0);
    WriteText(fixed + QStringLiteral("/removable"), "0\n");
    WriteText(fixed + QStringLiteral("/sda1/partition"), "1\n");
    // sdc is a USB disk that reports itself as not removable.
    const QString usb = root + QStringLiteral("/devices/pci0/usb2/2-1/block/sdc");
    ASSERT_EQ(FileSystem::MakePath(usb), 0);
    WriteText(usb + QStringLiteral("/removable"), "0\n");

    ASSERT_EQ(FileSystem::MakePath(root + QStringLiteral("/dev/block")), 0);
    ASSERT_EQ(
        FileSystem::MakeSymLink(disk + QStringLiteral("/sdb1"), root + QStringLiteral("/dev/block/8:17")), 0);
    ASSERT_EQ(
        FileSystem::MakeSymLink(fixed + QStringLiteral("/sda1"), root + QStringLiteral("/dev/block/8:1")), 0);
    ASSERT_EQ(FileSystem::MakeSymLink(usb, root + QStringLiteral("/dev/block/8:32")), 0);

    EXPECT_TRUE(Drives::RemovableDevice(8, 17, root));
    EXPECT_FALSE(Drives::RemovableDevice(8, 1, root));
    EXPECT_TRUE(Drives::RemovableDevice(8, 32, root));
    EXPECT_FALSE(Drives::RemovableDevice(8, 99, root));  // unknown device
    EXPECT_FALSE(Drives::RemovableDevice(0, 51, root));  // anonymous device (tmpfs, network)
}

TEST(Drives, MountOfAPathIsTheLongestMountAboveItsExistingPart) {
    QTemporaryDir dir;
    const QString base = Canonical(dir.path());
    ASSERT_EQ(FileSystem::MakePath(base + QStringLiteral("/mnt/a")), 0);
    ASSERT_EQ(FileSystem::MakePath(base + QStringLiteral("/mnt/ab")), 0);
    QList<TMountEntry> mounts(3);
    mounts[0].mountPoint = QStringLiteral("/");
    mounts[0].fsType = QStringLiteral("ext4");
    mounts[1].mountPoint = base + QStringLiteral("/mnt/a");
    mounts[1].fsType = QStringLiteral("vfat");
    mounts[2].mountPoint = base + QStringLiteral("/mnt");
    mounts[2].fsType = QStringLiteral("tmpfs");

    EXPECT_EQ(Drives::MountOf(base + QStringLiteral("/mnt/a/not/yet/there.txt"), mounts).fsType,
              QStringLiteral("vfat"));
    EXPECT_EQ(Drives::MountOf(base + QStringLiteral("/mnt/a"), mounts).fsType, QStringLiteral("vfat"));
    // "/mnt/a" is no prefix of "/mnt/ab".
    EXPECT_EQ(Drives::MountOf(base + QStringLiteral("/mnt/ab/x"), mounts).fsType, QStringLiteral("tmpfs"));
    EXPECT_EQ(Drives::MountOf(base, mounts).fsType, QStringLiteral("ext4"));
    // A link into the mount counts as the mount.
    ASSERT_EQ(FileSystem::MakeSymLink(base + QStringLiteral("/mnt/a"), base + QStringLiteral("/shortcut")),
              0);
    EXPECT_EQ(Drives::MountOf(base + QStringLiteral("/shortcut/file"), mounts).fsType,
              QStringLiteral("vfat"));
}

TEST(Drives, MountPointOfEndsWithASlash) {
    QTemporaryDir dir;
    const QString real = Canonical(dir.path());
    const QString parent = QFileInfo(real).path();
    QList<TMountEntry> mounts(4);
    mounts[0].mountPoint = QStringLiteral("/");
    mounts[1].mountPoint = parent;
    mounts[2].mountPoint = real + QStringLiteral("x");  // a longer name, not a parent
    mounts[3].mountPoint = QStringLiteral("/proc");
    EXPECT_EQ(Drives::MountPointOf(real + QStringLiteral("/not/yet/there"), mounts), parent + QLatin1Char('/'));
    EXPECT_EQ(Drives::MountPointOf(QStringLiteral("/"), mounts), QStringLiteral("/"));
    EXPECT_EQ(Drives::MountPointOf(QString(), mounts), QString());
    // The real table always holds the root, so every path has a mount point.
    EXPECT_TRUE(Drives::MountPointOf(real).endsWith(QLatin1Char('/')));
    EXPECT_TRUE(Drives::DriveList().contains(QStringLiteral("/")));
}

TEST(Drives, FreeSpaceAsksTheNearestExistingFolderAndUnknownIsUnlimited) {
    QTemporaryDir dir;
    const qint64 free = Drives::FreeSpace(dir.path() + QStringLiteral("/missing/deeper/file"));
    EXPECT_GT(free, 0);
    EXPECT_LT(free, std::numeric_limits<qint64>::max());
    EXPECT_EQ(Drives::FreeSpace(QString()), std::numeric_limits<qint64>::max());
    EXPECT_EQ(Drives::FreeSpace(QStringLiteral("/a") + QChar(0)), std::numeric_limits<qint64>::max());
}

TEST(Drives, WriteProtectionByProbeFile) {
    QTemporaryDir dir;
    EXPECT_FALSE(Drives::WriteProtected(dir.path()));
    std::vector<FileSystem::TFolderEntry> left;
    ASSERT_EQ(FileSystem::ListFolder(dir.path(), left), 0);
    EXPECT_TRUE(left.empty());  // the probe is removed again
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(EncodeFileName(dir.path()).constData(), 0500), 0);
        EXPECT_TRUE(Drives::WriteProtected(dir.path()));
        chmod(EncodeFileName(dir.path()).constData(), 0700);
    }
    const TDriveInfo info = Drives::DriveInformation(QStringLiteral("/"));
    EXPECT_TRUE(info.ready);
    EXPECT_GT(info.size, 0);
    EXPECT_FALSE(info.typeName.isEmpty());
}
