#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/DateTime.h"
#include "platform/DirEntry.h"

namespace {

class DirEntryTest : public ::testing::Test {
protected:
    QString Make(const QString& name, const QByteArray& content = "x") {
        const QString path = dir.path() + QLatin1Char('/') + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }
    static void SetTimes(const QString& path, const QDateTime& access, const QDateTime& modified) {
        timespec times[2];
        times[0].tv_sec = access.toSecsSinceEpoch();
        times[0].tv_nsec = access.time().msec() * 1000000L;
        times[1].tv_sec = modified.toSecsSinceEpoch();
        times[1].tv_nsec = modified.time().msec() * 1000000L + 999999;  // below a millisecond: dropped
        ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
    }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(DirEntryTest, RegularFileHasItsNameSizeAndTimes) {
    const QString path = Make("report.txt", QByteArray(12345, 'a'));
    // May, so that no daylight-saving change is near.
    const QDateTime modified(QDate(2020, 5, 6), QTime(7, 8, 10, 250));
    const QDateTime accessed(QDate(2021, 5, 7), QTime(1, 2, 3));
    SetTimes(path, accessed, modified);

    TDirEntry entry;
    ASSERT_TRUE(ReadDirEntry(path, entry));
    EXPECT_EQ(entry.name, QStringLiteral("report.txt"));
    EXPECT_FALSE(entry.isFolder);
    EXPECT_FALSE(entry.isSymLink);
    EXPECT_FALSE(entry.isSpecial);
    EXPECT_EQ(entry.size, 12345);
    EXPECT_FALSE(entry.attributes.Any());
    EXPECT_EQ(entry.lastWriteTime, DateTime::FromQDateTime(modified));
    EXPECT_TRUE(DateTime::SameTime(entry.lastAccessTime, DateTime::Encode(2021, 5, 7, 1, 2, 3)));
    // The birth time where the file system keeps one, else the status change time.
    const QFileInfo info(path);
    const QDateTime created = info.birthTime().isValid() ? info.birthTime() : info.metadataChangeTime();
    EXPECT_TRUE(DateTime::SameTime(entry.creationTime, DateTime::FromQDateTime(created)));
    EXPECT_FALSE(DateTime::SameTime(entry.creationTime, entry.lastWriteTime));
}

TEST_F(DirEntryTest, HiddenAndReadOnlyFollowNameAndOwnerWriteBit) {
    const QString hidden = Make(".profile");
    const QString locked = Make("locked.txt");
    ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0444), 0);
    TDirEntry entry;
    ASSERT_TRUE(ReadDirEntry(hidden, entry));
    EXPECT_TRUE(entry.attributes.hidden);
    EXPECT_FALSE(entry.attributes.readOnly);
    ASSERT_TRUE(ReadDirEntry(locked, entry));
    EXPECT_FALSE(entry.attributes.hidden);
    EXPECT_TRUE(entry.attributes.readOnly);
    // Write permission for others does not help the owner.
    ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0466), 0);
    ASSERT_TRUE(ReadDirEntry(locked, entry));
    EXPECT_TRUE(entry.attributes.readOnly);
    EXPECT_FALSE(entry.attributes.system || entry.attributes.archive);
}

TEST_F(DirEntryTest, FolderHasSizeZero) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("Sub"));
    TDirEntry entry;
    ASSERT_TRUE(ReadDirEntry(dir.path() + "/Sub/", entry));
    EXPECT_EQ(entry.name, QStringLiteral("Sub"));
    EXPECT_TRUE(entry.isFolder);
    EXPECT_EQ(entry.size, 0);
}

TEST_F(DirEntryTest, SymbolicLinkIsDescribedAsItself) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("target"));
    const QString big = Make("big.bin", QByteArray(100000, 'b'));
    const QString folderLink = dir.path() + "/folderLink";
    const QString fileLink = dir.path() + "/fileLink";
    ASSERT_EQ(symlink("target", QFile::encodeName(folderLink).constData()), 0);
    ASSERT_EQ(symlink("big.bin", QFile::encodeName(fileLink).constData()), 0);

    TDirEntry entry;
    ASSERT_TRUE(ReadDirEntry(folderLink, entry));
    EXPECT_TRUE(entry.isSymLink);
    EXPECT_FALSE(entry.isFolder);
    ASSERT_TRUE(ReadDirEntry(folderLink + "/", entry));  // a trailing '/' must not follow it either
    EXPECT_TRUE(entry.isSymLink);
    EXPECT_EQ(entry.name, QStringLiteral("folderLink"));

    ASSERT_TRUE(ReadDirEntry(fileLink, entry));
    EXPECT_TRUE(entry.isSymLink);
    EXPECT_EQ(entry.size, 7);  // the length of "big.bin", not the 100000 bytes behind it
    EXPECT_FALSE(entry.attributes.readOnly);

    const QString dangling = dir.path() + "/dangling";
    ASSERT_EQ(symlink("nowhere", QFile::encodeName(dangling).constData()), 0);
    EXPECT_TRUE(ReadDirEntry(dangling, entry));
    EXPECT_TRUE(entry.isSymLink);
}

TEST_F(DirEntryTest, FifoIsSpecialAndMissingEntryLeavesOutUnchanged) {
    const QString fifo = dir.path() + "/pipe";
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    TDirEntry entry;
    ASSERT_TRUE(ReadDirEntry(fifo, entry));  // must not block
    EXPECT_TRUE(entry.isSpecial);
    EXPECT_FALSE(entry.isFolder);

    entry.name = "kept";
    EXPECT_FALSE(ReadDirEntry(dir.path() + "/missing", entry));
    EXPECT_FALSE(ReadDirEntry(QString(), entry));
    EXPECT_EQ(entry.name, QStringLiteral("kept"));
}

TEST_F(DirEntryTest, ReadAtAnOpenFolder) {
    Make("inner.dat", "12345");
    const int fd = open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    TDirEntry entry;
    EXPECT_TRUE(ReadDirEntryAt(fd, "inner.dat", entry));
    EXPECT_EQ(entry.name, QStringLiteral("inner.dat"));
    EXPECT_EQ(entry.size, 5);
    EXPECT_FALSE(ReadDirEntryAt(fd, "../inner.dat", entry));
    EXPECT_FALSE(ReadDirEntryAt(fd, "absent", entry));
    close(fd);
}

TEST(DirEntryTime, UnixTimesBecomeLocalDayCounts) {
    for (const qint64 seconds :
         {qint64(0), qint64(-86400 * 365 * 20), qint64(1700000000), qint64(4102444800)}) {
        EXPECT_EQ(LocalDateTimeFromUnix(seconds, 0),
                  DateTime::FromQDateTime(QDateTime::fromSecsSinceEpoch(seconds)))
            << seconds;
    }
    // 999.999999 ms stays in its millisecond and never rounds into the next second.
    const TDateTime t = LocalDateTimeFromUnix(1700000000, 999999999);
    EXPECT_TRUE(
        DateTime::SameTime(t, DateTime::FromQDateTime(QDateTime::fromMSecsSinceEpoch(1700000000999LL))));
}
