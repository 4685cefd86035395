#include "storage/FileUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <QDateTime>
#include <algorithm>
#include <cerrno>

#include "fixtures/TempHome.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "storage/FileUtilsTestHelpers.h"

namespace {

qint64 LocalSeconds(int h, int m, int s) {
    // May, so that no daylight-saving change is near.
    return QDateTime(QDate(2020, 5, 6), QTime(h, m, s)).toSecsSinceEpoch();
}

// Sets an environment variable for the lifetime of the object.
class TEnvOverride {
public:
    TEnvOverride(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)) {
        previous_ = qgetenv(name);
        qputenv(name, value);
    }
    ~TEnvOverride() {
        if (had_)
            qputenv(name_, previous_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray previous_;
};

}  // namespace

TEST(FileUtils, NameWithoutExtension) {
    EXPECT_EQ(NameWithoutExtension(QStringLiteral("/x/archive.tar.gz")), QStringLiteral("archive.tar"));
    EXPECT_EQ(NameWithoutExtension(QStringLiteral("README")), QStringLiteral("README"));
    EXPECT_EQ(NameWithoutExtension(QStringLiteral("/data/dir.x/file")), QStringLiteral("file"));
    EXPECT_EQ(NameWithoutExtension(QStringLiteral("/home/.bashrc")), QString());
}

TEST(FileUtils, FolderCheckRefusesBadPathsAndCreatesParents) {
    TRawTempDir dir;
    int error = 0;
    EXPECT_FALSE(CheckFolder(QString(), false, &error));
    EXPECT_EQ(error, EINVAL);
    EXPECT_FALSE(CheckFolder(QStringLiteral("relative/dir"), true, &error));
    EXPECT_FALSE(FileSystem::Exists(QStringLiteral("relative")));
    EXPECT_FALSE(CheckFolder(dir.Root() + QStringLiteral("/a") + QChar(0) + QStringLiteral("b"), true));

    const QString deep = dir.Path("new\xff/deeper/");
    EXPECT_FALSE(CheckFolder(deep, false, &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_TRUE(CheckFolder(deep, true));
    EXPECT_TRUE(CheckFolder(deep, false));
    // Windows' character rules do not apply here.
    EXPECT_TRUE(CheckFolder(dir.Path("what?*<>|\":"), true));

    const QString file = dir.Write("plain", "x");
    EXPECT_FALSE(CheckFolder(file, false, &error));
    EXPECT_EQ(error, ENOTDIR);
    EXPECT_FALSE(CheckFolder(file + QStringLiteral("/below"), true));
}

TEST(FileUtils, FolderSizeCountsFilesAndFoldersWithExtraAttributes) {
    TRawTempDir dir;
    dir.Write("a", QByteArray(100, 'a'));
    dir.Write("b\xe9", QByteArray(23, 'b'));
    dir.Write("plain folder/inner", QByteArray(1000, 'c'));  // not recursive: its size does not count
    ASSERT_EQ(FileSystem::MakeFolder(dir.Path(".hidden folder")), 0);
    qint64 bytes = 0;
    int count = 0;
    FolderSizeAndCount(dir.Root(), bytes, count);
    EXPECT_EQ(bytes, 123);
    EXPECT_EQ(count, 3);  // a, b, and the hidden folder
    EXPECT_FALSE(FolderHasNoFiles(dir.Root()));

    TRawTempDir empty;
    ASSERT_EQ(FileSystem::MakeFolder(empty.Path("sub")), 0);
    EXPECT_TRUE(FolderHasNoFiles(empty.Root()));
}

TEST(FileUtils, InUseWhenUnreadableMissingOrWriteLocked) {
    TRawTempDir dir;
    const QString file = dir.Write("locked\xff", "data");
    EXPECT_FALSE(FileInUse(file));
    EXPECT_TRUE(FileInUse(dir.Path("missing")));

    int fd = -1;
    ASSERT_EQ(FileSystem::Open(file, O_RDWR, 0, fd), 0);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ASSERT_EQ(fcntl(fd, F_OFD_SETLK, &lock), 0);
    EXPECT_TRUE(FileInUse(file));
    lock.l_type = F_UNLCK;
    ASSERT_EQ(fcntl(fd, F_OFD_SETLK, &lock), 0);
    EXPECT_FALSE(FileInUse(file));
    // A read lock of another reader does not make the file busy.
    lock.l_type = F_RDLCK;
    ASSERT_EQ(fcntl(fd, F_OFD_SETLK, &lock), 0);
    EXPECT_FALSE(FileInUse(file));
    close(fd);

    if (geteuid() != 0) {
        ASSERT_EQ(FileSystem::ChangeMode(file, 0), 0);
        EXPECT_TRUE(FileInUse(file));
    }
}

class RecycleTest : public TarnovexTest {};

TEST_F(RecycleTest, KeepsTheExactNameAndRecordsItPercentEncoded) {
    TRawTempDir dir;
    const TEnvOverride dataHome("XDG_DATA_HOME", EncodeFileName(dir.Path("data")));
    const QByteArray raw("caf\xe9 $(x) 100%.txt");
    const QString file = dir.Write("docs/" + raw, "first");
    DateTime::SetClock([] { return DateTime::Encode(2024, 3, 4, 5, 6, 7); });

    ASSERT_TRUE(RecycleFile(file));
    EXPECT_FALSE(FileSystem::Exists(file));
    const QString trash = dir.Path("data/Trash");
    EXPECT_EQ(TRawTempDir::Read(trash + QStringLiteral("/files/") + DecodeFileName(raw)),
              QByteArray("first"));
    const QByteArray info = TRawTempDir::Read(trash + QStringLiteral("/info/") + DecodeFileName(raw) +
                                              QStringLiteral(".trashinfo"));
    QString canonicalDocs;
    ASSERT_EQ(FileSystem::CanonicalPath(dir.Path("docs"), canonicalDocs), 0);
    const QByteArray expectedPath =
        QByteArray(EncodeFileName(canonicalDocs) + '/' + raw).toPercentEncoding("/");
    EXPECT_EQ(info, "[Trash Info]\nPath=" + expectedPath + "\nDeletionDate=2024-03-04T05:06:07\n");
    EXPECT_TRUE(info.contains("caf%E9%20%24%28x%29%20100%25.txt"));

    // A second file of the same name does not overwrite the first one in the trash.
    const QString again = dir.Write("docs/" + raw, "second");
    ASSERT_TRUE(RecycleFile(again));
    const QString second = trash + QStringLiteral("/files/") + DecodeFileName(raw) + QStringLiteral(".2");
    EXPECT_EQ(TRawTempDir::Read(second), QByteArray("second"));
    EXPECT_EQ(TRawTempDir::Read(trash + QStringLiteral("/files/") + DecodeFileName(raw)),
              QByteArray("first"));

    EXPECT_FALSE(RecycleFile(dir.Path("docs/missing")));
    EXPECT_EQ(TRawTempDir::List(trash + QStringLiteral("/info")).size(), 2u);
}

TEST(FileUtils, DeleteFolderRemovesTheTreeButNeverFollowsLinks) {
    TRawTempDir dir;
    const QString outside = dir.Write("outside/keep.txt", "keep");
    dir.Write("tree/a/b\xff/file", "x");
    const QString readOnly = dir.Write("tree/a/ro", "x", 0444);
    ASSERT_EQ(FileSystem::MakeSymLink(dir.Path("outside"), dir.Path("tree/a/link-to-outside")), 0);
    ASSERT_EQ(FileSystem::ChangeMode(dir.Path("tree/a/b\xff"), 0500), 0);
    EXPECT_TRUE(FileSystem::Exists(readOnly));

    EXPECT_TRUE(DeleteFolder(dir.Path("tree/")));
    EXPECT_FALSE(FileSystem::Exists(dir.Path("tree")));
    EXPECT_EQ(TRawTempDir::Read(outside), QByteArray("keep"));
    EXPECT_FALSE(DeleteFolder(QStringLiteral("/")));
}

TEST(FileUtils, ModificationTimeHasTwoSecondResolution) {
    TRawTempDir dir;
    const QString a = dir.Write("a", "x");
    const QString b = dir.Write("b", "x");
    SetModified(a, LocalSeconds(10, 0, 0), 999999999);
    SetModified(b, LocalSeconds(10, 0, 1), 500000000);
    EXPECT_EQ(FileModificationTime(a), DateTime::Encode(2020, 5, 6, 10, 0, 0));
    EXPECT_EQ(FileModificationTime(a), FileModificationTime(b));
    SetModified(b, LocalSeconds(10, 0, 2));
    EXPECT_FALSE(DateTime::SameTime(FileModificationTime(a), FileModificationTime(b)));
    EXPECT_EQ(FileModificationTime(b), DateTime::Encode(2020, 5, 6, 10, 0, 2));
    EXPECT_EQ(FileModificationTime(dir.Root()), 0);
    EXPECT_EQ(FileModificationTime(dir.Path("missing")), 0);
}

TEST(FileUtils, AttributesSizesAndSafeDelete) {
    TRawTempDir dir;
    const QString readOnly = dir.Write("ro\xe9", "12345", 0444);
    const QString hidden = dir.Write(".hidden", "");
    EXPECT_TRUE(FileHasAttributes(readOnly, FileAttr::ReadOnly));
    EXPECT_FALSE(FileHasAttributes(readOnly, FileAttr::ReadOnly | FileAttr::Hidden));
    EXPECT_TRUE(FileHasAttributes(hidden, FileAttr::Hidden));
    EXPECT_FALSE(FileHasAttributes(hidden, FileAttr::Archive));
    EXPECT_TRUE(FileHasAttributes(dir.Root(), FileAttr::Directory));
    EXPECT_EQ(FileAttributes(dir.Path("missing")), 0u);

    EXPECT_EQ(FileSize(readOnly), 5);
    EXPECT_EQ(FileSize(dir.Root()), 0);
    EXPECT_EQ(FileSize(dir.Path("missing")), 0);

    EXPECT_TRUE(SafeDeleteFile(readOnly));
    EXPECT_FALSE(FileSystem::Exists(readOnly));
    int error = 0;
    EXPECT_FALSE(SafeDeleteFile(readOnly, &error));
    EXPECT_EQ(error, ENOENT);
    // A link is deleted itself, its target stays.
    const QString target = dir.Write("target", "t");
    ASSERT_EQ(FileSystem::MakeSymLink(target, dir.Path("link")), 0);
    EXPECT_TRUE(SafeDeleteFile(dir.Path("link")));
    EXPECT_TRUE(FileSystem::Exists(target));
}

TEST(FileUtils, Crc32OfContentsInBlocks) {
    TRawTempDir dir;
    EXPECT_EQ(FileCrc32(dir.Write("check", "123456789")), 0xCBF43926u);
    // Larger than a few blocks, and not a multiple of the block size.
    QByteArray big(65521 * 3 + 17, Qt::Uninitialized);
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>((i * 7919) >> 3);
    const QString bigFile = dir.Write("big\xff", big);
    EXPECT_EQ(FileCrc32(bigFile),
              static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef*>(big.constData()), big.size())));
    EXPECT_EQ(FileCrc32(dir.Path("missing")), 0u);
    EXPECT_EQ(FileCrc32(dir.Write("empty", "")), 0u);
    EXPECT_TRUE(SameChecksum(bigFile, dir.Write("copy", big)));
    big[100] ^= 1;
    EXPECT_FALSE(SameChecksum(bigFile, dir.Write("changed", big)));
}

TEST(FileUtils, SameFileByInodeOrExactPath) {
    TRawTempDir dir;
    const QString a = dir.Write("A", "x");
    const QString lower = dir.Write("a", "x");
    EXPECT_TRUE(SameFile(a, a));
    EXPECT_FALSE(SameFile(a, lower));  // case matters
    ASSERT_EQ(link(EncodeFileName(a).constData(), EncodeFileName(dir.Path("hard")).constData()), 0);
    EXPECT_TRUE(SameFile(a, dir.Path("hard")));
    ASSERT_EQ(FileSystem::MakeSymLink(a, dir.Path("soft")), 0);
    EXPECT_TRUE(SameFile(dir.Path("soft"), a));
    EXPECT_TRUE(SameFile(dir.Path("x/missing"), dir.Path("x/missing")));
    EXPECT_FALSE(SameFile(dir.Path("x/missing"), dir.Path("x/Missing")));
    EXPECT_FALSE(SameFile(a, dir.Path("missing")));
}
