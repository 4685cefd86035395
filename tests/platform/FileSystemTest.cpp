#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Removes a tree whose names need not be UTF-8 (QTemporaryDir's own removal would miss them).
void RemoveTree(const QString& path) {
    FileSystem::TFileStatus st;
    if (FileSystem::Status(path, st) != 0)
        return;
    if (st.IsFolder()) {
        FileSystem::ChangeMode(path, 0700);
        std::vector<FileSystem::TFolderEntry> entries;
        FileSystem::ListFolder(path, entries);
        for (const auto& entry : entries)
            RemoveTree(path + QLatin1Char('/') + entry.name);
        FileSystem::RemoveFolder(path);
    } else {
        FileSystem::RemoveFile(path);
    }
}

class FileSystemTest : public ::testing::Test {
protected:
    void TearDown() override { RemoveTree(dir.path()); }
    // The folder as bytes and as the engine's path.
    QByteArray RawDir() const { return EncodeFileName(dir.path()); }
    QString Path(const QByteArray& rawName) const {
        return dir.path() + QLatin1Char('/') + DecodeFileName(rawName);
    }
    void MakeRawFile(const QByteArray& rawName, const QByteArray& content = "x") const {
        const QByteArray path = RawDir() + '/' + rawName;
        const int fd = open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << path.constData();
        ASSERT_EQ(write(fd, content.constData(), content.size()), content.size());
        close(fd);
    }
    QTemporaryDir dir;
};

}  // namespace

TEST(FileNameMapping, EveryByteStringSurvivesTheRoundTrip) {
    QRandomGenerator random(20240501);
    for (int round = 0; round < 5000; ++round) {
        QByteArray bytes(static_cast<qsizetype>(random.bounded(0, 24)), Qt::Uninitialized);
        for (char& c : bytes) {
            // Bias towards the bytes that start and continue multi-byte sequences.
            const int pick = random.bounded(0, 4);
            c = static_cast<char>(pick == 0 ? random.bounded(0, 0x80) : random.bounded(0x80, 0x100));
        }
        ASSERT_EQ(EncodeFileName(DecodeFileName(bytes)), bytes) << bytes.toHex().constData();
    }
}

TEST(FileNameMapping, ValidTextDecodesAsUtf8AndInvalidBytesBecomeEscapes) {
    const QString text = QStringLiteral("Grüße 𝄞 日本 \"$(rm)\"\n");
    EXPECT_EQ(DecodeFileName(text.toUtf8()), text);
    EXPECT_EQ(EncodeFileName(text), text.toUtf8());

    // A Latin-1 name: the lone byte 0xE9 is escaped, the rest stays.
    EXPECT_EQ(DecodeFileName(QByteArray("caf\xe9")), QStringLiteral("caf") + QChar(0xDCE9));
    // Overlong forms and encoded surrogates are not valid text: every byte is escaped on its own.
    EXPECT_EQ(DecodeFileName(QByteArray("\xc0\x80", 2)), QString(QChar(0xDCC0)) + QChar(0xDC80));
    EXPECT_EQ(DecodeFileName(QByteArray("\xed\xa0\x80")),
              QString(QChar(0xDCED)) + QChar(0xDCA0) + QChar(0xDC80));
    // A truncated sequence before a valid character.
    EXPECT_EQ(DecodeFileName(QByteArray("\xe6\x97"
                                        "a")),
              QString(QChar(0xDCE6)) + QChar(0xDC97) + QLatin1Char('a'));
    // Two names that differ only in invalid bytes stay distinct.
    EXPECT_NE(DecodeFileName(QByteArray("a\xff")), DecodeFileName(QByteArray("a\xfe")));
}

TEST_F(FileSystemTest, ListingGivesExactNamesAndTypes) {
    const QByteArray latin1("caf\xe9.txt");
    const QByteArray tricky("new\nline \"quoted\" $(echo x) `y`;");
    MakeRawFile(latin1);
    MakeRawFile(tricky);
    ASSERT_EQ(mkdir(QByteArray(RawDir() + "/sub\xff").constData(), 0755), 0);
    ASSERT_EQ(symlink("nowhere", QByteArray(RawDir() + "/link").constData()), 0);
    ASSERT_EQ(mkfifo(QByteArray(RawDir() + "/pipe").constData(), 0600), 0);

    std::vector<FileSystem::TFolderEntry> entries;
    ASSERT_EQ(FileSystem::ListFolder(dir.path(), entries), 0);
    ASSERT_EQ(entries.size(), 5u);
    auto typeOf = [&](const QByteArray& raw) {
        for (const auto& e : entries) {
            if (EncodeFileName(e.name) == raw)
                return e.type;
        }
        return FileSystem::TEntryType::Unknown;
    };
    using FileSystem::TEntryType;
    EXPECT_EQ(typeOf(latin1), TEntryType::File);
    EXPECT_EQ(typeOf(tricky), TEntryType::File);
    EXPECT_EQ(typeOf("sub\xff"), TEntryType::Folder);
    EXPECT_EQ(typeOf("link"), TEntryType::SymLink);
    EXPECT_EQ(typeOf("pipe"), TEntryType::Special);

    // The decoded name opens the very file.
    FileSystem::TFileStatus st;
    ASSERT_EQ(FileSystem::Status(Path(latin1), st), 0);
    EXPECT_TRUE(st.IsFile());
    EXPECT_EQ(FileSystem::ListFolder(dir.path() + QStringLiteral("/missing"), entries), ENOENT);
}

TEST_F(FileSystemTest, StatusDescribesLinksThemselvesUnlessAskedToFollow) {
    MakeRawFile("target", "12345");
    ASSERT_EQ(FileSystem::MakeSymLink(QStringLiteral("target"), Path("link")), 0);
    FileSystem::TFileStatus own, followed;
    ASSERT_EQ(FileSystem::Status(Path("link"), own), 0);
    ASSERT_EQ(FileSystem::Status(Path("link"), followed, true), 0);
    EXPECT_TRUE(own.IsSymLink());
    EXPECT_TRUE(followed.IsFile());
    EXPECT_EQ(followed.size, 5);

    // A dangling link exists as a name.
    ASSERT_EQ(FileSystem::MakeSymLink(QStringLiteral("gone"), Path("dangling")), 0);
    EXPECT_TRUE(FileSystem::Exists(Path("dangling")));
    EXPECT_FALSE(FileSystem::IsFolder(Path("dangling")));
    EXPECT_EQ(FileSystem::Status(QStringLiteral("/a") + QChar(0) + QStringLiteral("b"), own), EINVAL);
    EXPECT_EQ(FileSystem::Status(QString(), own), EINVAL);
}

TEST_F(FileSystemTest, SymLinkTargetsKeepTheirBytes) {
    const QString target = DecodeFileName(QByteArray("../odd\xfe\nname"));
    ASSERT_EQ(FileSystem::MakeSymLink(target, Path("l")), 0);
    char buffer[64] = {};
    ASSERT_EQ(readlink(QByteArray(RawDir() + "/l").constData(), buffer, sizeof buffer - 1), 12);
    EXPECT_EQ(QByteArray(buffer), QByteArray("../odd\xfe\nname"));
    QString read;
    ASSERT_EQ(FileSystem::ReadSymLink(Path("l"), read), 0);
    EXPECT_EQ(read, target);
    // A long target is read whole.
    const QString longTarget(1000, QLatin1Char('t'));
    ASSERT_EQ(FileSystem::MakeSymLink(longTarget, Path("long")), 0);
    ASSERT_EQ(FileSystem::ReadSymLink(Path("long"), read), 0);
    EXPECT_EQ(read, longTarget);
}

TEST_F(FileSystemTest, MakePathCreatesParentsAndRefusesAFileInTheWay) {
    const QString deep = Path("a\xff/b/c/");
    EXPECT_EQ(FileSystem::MakePath(deep), 0);
    EXPECT_TRUE(FileSystem::IsFolder(Path("a\xff/b/c")));
    EXPECT_EQ(FileSystem::MakePath(deep), 0);  // existing is fine
    MakeRawFile("file");
    EXPECT_EQ(FileSystem::MakePath(Path("file")), EEXIST);
    EXPECT_EQ(FileSystem::MakePath(Path("file/below")), ENOTDIR);
    EXPECT_EQ(FileSystem::RemoveFolder(Path("a\xff/b/c")), 0);
    EXPECT_FALSE(FileSystem::Exists(Path("a\xff/b/c")));
}

TEST_F(FileSystemTest, RenameReplacesButRenameNoReplaceDoesNot) {
    MakeRawFile("one", "1");
    MakeRawFile("two", "2");
    EXPECT_EQ(FileSystem::RenameNoReplace(Path("one"), Path("two")), EEXIST);
    FileSystem::TFileStatus st;
    ASSERT_EQ(FileSystem::Status(Path("one"), st), 0);
    EXPECT_EQ(FileSystem::RenameNoReplace(Path("one"), Path("three\xff")), 0);
    EXPECT_FALSE(FileSystem::Exists(Path("one")));
    EXPECT_EQ(FileSystem::Rename(Path("three\xff"), Path("two")), 0);
    int fd = -1;
    ASSERT_EQ(FileSystem::OpenForReading(Path("two"), fd), 0);
    char c = 0;
    EXPECT_EQ(read(fd, &c, 1), 1);
    close(fd);
    EXPECT_EQ(c, '1');
}

TEST_F(FileSystemTest, TimesAreSetToTheNanosecond) {
    MakeRawFile("t\xe9");
    const timespec access{1600000000, 111111111};
    const timespec modified{1500000001, 987654321};
    ASSERT_EQ(FileSystem::SetTimes(Path("t\xe9"), access, modified), 0);
    FileSystem::TFileStatus st;
    ASSERT_EQ(FileSystem::Status(Path("t\xe9"), st), 0);
    EXPECT_EQ(st.modificationTime.tv_sec, modified.tv_sec);
    EXPECT_EQ(st.modificationTime.tv_nsec, modified.tv_nsec);
    EXPECT_EQ(st.accessTime.tv_nsec, access.tv_nsec);
    ASSERT_EQ(FileSystem::ChangeMode(Path("t\xe9"), 0604), 0);
    ASSERT_EQ(FileSystem::Status(Path("t\xe9"), st), 0);
    EXPECT_EQ(st.Permissions(), 0604u);
}

TEST(FileSystemText, ErrorTextAndPathParts) {
    EXPECT_EQ(FileSystem::ErrorText(ENOENT), QString::fromLocal8Bit(std::strerror(ENOENT)));
    EXPECT_FALSE(FileSystem::ErrorText(12345).isEmpty());
    EXPECT_EQ(FileSystem::ParentFolder(QStringLiteral("/a/b/c.txt")), QStringLiteral("/a/b"));
    EXPECT_EQ(FileSystem::ParentFolder(QStringLiteral("/a/b/")), QStringLiteral("/a"));
    EXPECT_EQ(FileSystem::ParentFolder(QStringLiteral("/a")), QStringLiteral("/"));
    EXPECT_EQ(FileSystem::FileNameOf(QStringLiteral("/a/b/c.txt")), QStringLiteral("c.txt"));
    EXPECT_EQ(FileSystem::FileNameOf(QStringLiteral("/a/b/")), QStringLiteral("b"));
}
