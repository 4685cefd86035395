#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include <QDateTime>
#include <QDir>
#include <ostream>

#include "PackingSupport.h"
#include "RecordingRun.h"
#include "fixtures/TempHome.h"
#include "model/Filters.h"
#include "model/Task.h"
#include "packing/ZipCompressor.h"
#include "platform/FileSystem.h"
#include "store/SafeRegistry.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

class ZipCompressorTest : public TarnovexTest {
protected:
    void SetUp() override {
        a = home.Path() + QStringLiteral("A/");
        b = home.Path() + QStringLiteral("B/");
        run.Temp = home.Path() + QStringLiteral("run/");
        QDir().mkpath(a);
        QDir().mkpath(b);
        QDir().mkpath(run.Temp);
        AddSource(a);
        AddSource(b);
        task.CompressUse = true;
        task.CompressLevel = 6;
        task.Filters = {MakeIncludeAllFilter()};
    }

    void AddSource(const QString& folder) {
        TSourceFolder item;
        item.Folder = folder;
        item.IncludeSubfolders = true;
        task.SourceFolders.push_back(item);
    }

    // Writes a file with a modification time of 6 May 2020 10:00 plus minutes.
    QString Write(const QString& path, const QByteArray& content, int minute = 0) {
        QDir().mkpath(FileSystem::ParentFolder(path));
        EXPECT_TRUE(WriteWhole(path, content));
        timespec t{};
        t.tv_sec = QDateTime(QDate(2020, 5, 6), QTime(10, 0).addSecs(minute * 60)).toSecsSinceEpoch();
        FileSystem::SetTimes(path, t, t);
        return path;
    }

    // The entry names "unzip -Z1" lists.
    static QStringList Entries(const QString& archive) {
        const TToolResult r = RunTool(QStringLiteral("unzip"), {QStringLiteral("-Z1"), archive});
        EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
        QStringList names = QString::fromUtf8(r.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        names.sort();
        return names;
    }
    static QByteArray Member(const QString& archive, const QString& name, const QString& password = {}) {
        QStringList args{QStringLiteral("-p")};
        if (!password.isEmpty())
            args << QStringLiteral("-P") << password;
        args << archive << name;
        const TToolResult r = RunTool(QStringLiteral("unzip"), args);
        return r.exitCode == 0 ? r.output : QByteArray("<unzip failed>");
    }
    static void ExpectSound(const QString& archive, const QString& password = {}) {
        QStringList unzip{QStringLiteral("-t")};
        QStringList sevenZip{QStringLiteral("t")};
        if (!password.isEmpty()) {
            unzip << QStringLiteral("-P") << password;
        }
        sevenZip << QStringLiteral("-p") + password;  // an empty -p keeps 7z from asking
        const TToolResult u = RunTool(QStringLiteral("unzip"), unzip << archive);
        EXPECT_EQ(u.exitCode, 0) << u.output.toStdString();
        const TToolResult s = RunTool(QStringLiteral("7z"), sevenZip << archive);
        EXPECT_EQ(s.exitCode, 0) << s.output.toStdString();
    }

    TTask task;
    TRecordingRun run{task};
    QString a, b;
};

TEST_F(ZipCompressorTest, SingleFileIsStoredWithoutFolderAndOpensWithUnzipAnd7z) {
    const QString report = Write(a + QStringLiteral("Sub/Report.doc"), QByteArray(5000, 'r'));
    TZipCompressor zip(task, &run);
    const QString archive = run.Temp + QStringLiteral("Report.doc.zip");
    ASSERT_TRUE(zip.CompressFile(report, archive));
    EXPECT_THAT(Entries(archive), ElementsAre("Report.doc"));
    EXPECT_EQ(Member(archive, QStringLiteral("Report.doc")), QByteArray(5000, 'r'));
    ExpectSound(archive);
    EXPECT_EQ(zip.FilesAddedOrUpdated(), 1);
    const TToolResult comment = RunTool(QStringLiteral("unzip"), {QStringLiteral("-z"), archive});
    EXPECT_THAT(comment.output.toStdString(), HasSubstr("Created with Tarnovex https://"));
    EXPECT_THAT(
        run.Texts(TLogKind::lkFile),
        ElementsAre("Creating archive file \"" + archive + "\"...", "Compressing \"" + report + "\". ()",
                    "Compression done " + archive + ": 1 file(s) added/updated."));
    EXPECT_EQ(zip.Extension(), "zip");
}

TEST_F(ZipCompressorTest, NamesAreRelativeToTheSourceFolderOfEachFileOrToTheTop) {
    const QString x = Write(a + QStringLiteral("x.txt"), "x");
    const QString y = Write(b + QStringLiteral("Sub/y.txt"), "y");
    {
        TZipCompressor zip(task, &run);
        ASSERT_TRUE(zip.CompressFiles({x, y}, run.Temp + QStringLiteral("one.zip")));
        EXPECT_THAT(Entries(run.Temp + QStringLiteral("one.zip")), ElementsAre("Sub/y.txt", "x.txt"));
        EXPECT_THAT(run.Texts(TLogKind::lkFile)[2].toStdString(),
                    HasSubstr("Sub/y.txt\". (" + b.toStdString() + ")"));
    }
    task.KeepStructureFromRoot = true;
    TZipCompressor zip(task, &run);
    ASSERT_TRUE(zip.CompressFiles({x, y}, run.Temp + QStringLiteral("top.zip")));
    const QString top = home.Path().mid(1);  // without the leading '/'
    EXPECT_THAT(Entries(run.Temp + QStringLiteral("top.zip")),
                ElementsAre(top + QStringLiteral("A/x.txt"), top + QStringLiteral("B/Sub/y.txt")));
    ExpectSound(run.Temp + QStringLiteral("top.zip"));
}

TEST_F(ZipCompressorTest, SameRelativeNameFromTwoSourceFoldersKeepsBothFiles) {
    const QString first = Write(a + QStringLiteral("same.txt"), "first");
    const QString second = Write(b + QStringLiteral("same.txt"), "second");
    TZipCompressor zip(task, &run);
    const QString archive = run.Temp + QStringLiteral("both.zip");
    ASSERT_TRUE(zip.CompressFiles({first, second}, archive));
    const QString full = second.mid(1);
    EXPECT_THAT(Entries(archive), UnorderedElementsAre("same.txt", full));
    EXPECT_EQ(Member(archive, QStringLiteral("same.txt")), "first");
    EXPECT_EQ(Member(archive, full), "second");
    EXPECT_EQ(run.Texts(TLogKind::lkWarning).size(), 1u);
}

TEST_F(ZipCompressorTest, ExistingEntriesAreReplacedOnlyByNewerFilesUnlessEveryEntryIsToBeReplaced) {
    const QString archive = run.Temp + QStringLiteral("upd.zip");
    const QString old = Write(a + QStringLiteral("old.txt"), "old v1", 10);
    const QString fresh = Write(a + QStringLiteral("fresh.txt"), "fresh v1", 10);
    {
        TZipCompressor zip(task, &run);
        ASSERT_TRUE(zip.CompressFiles({old, fresh}, archive));
    }
    Write(old, "old v2", 5);       // older than the entry
    Write(fresh, "fresh v2", 20);  // newer
    const QString added = Write(a + QStringLiteral("new.txt"), "new", 0);
    {
        TZipCompressor zip(task, &run);
        ASSERT_TRUE(zip.CompressFiles({old, fresh, added}, archive));
        EXPECT_EQ(zip.FilesAddedOrUpdated(), 2);
    }
    EXPECT_EQ(Member(archive, QStringLiteral("old.txt")), "old v1");
    EXPECT_EQ(Member(archive, QStringLiteral("fresh.txt")), "fresh v2");
    EXPECT_EQ(Member(archive, QStringLiteral("new.txt")), "new");

    task.BackupOverwriteNeverDestination = true;
    TZipCompressor zip(task, &run);
    ASSERT_TRUE(zip.CompressFiles({old}, archive));
    EXPECT_EQ(Member(archive, QStringLiteral("old.txt")), "old v2");
    EXPECT_THAT(Entries(archive), ElementsAre("fresh.txt", "new.txt", "old.txt"));
    ExpectSound(archive);
}

TEST_F(ZipCompressorTest, FolderEntriesFollowTheEmptyFoldersFilter) {
    const QString file = Write(a + QStringLiteral("f.txt"), "f");
    QDir().mkpath(a + QStringLiteral("Empty"));
    const QStringList list{file, a + QStringLiteral("Empty/")};
    {
        TZipCompressor zip(task, &run);
        ASSERT_TRUE(zip.CompressFiles(list, run.Temp + QStringLiteral("plain.zip")));
        EXPECT_THAT(Entries(run.Temp + QStringLiteral("plain.zip")), ElementsAre("f.txt"));
    }
    TTaskFilterItem empty;
    empty.FilterKind = TFilterKind::fikFolderName;
    empty.frKind = TFolderKind::frkEmpty;
    empty.FilterType = TFilterType::fitInclude;
    task.Filters.push_back(empty);
    TZipCompressor zip(task, &run);
    EXPECT_TRUE(zip.FolderEntries);
    ASSERT_TRUE(zip.CompressFiles(list, run.Temp + QStringLiteral("dirs.zip")));
    EXPECT_THAT(Entries(run.Temp + QStringLiteral("dirs.zip")), ElementsAre("Empty/", "f.txt"));
    ExpectSound(run.Temp + QStringLiteral("dirs.zip"));
}

TEST_F(ZipCompressorTest, PasswordEncryptsEveryEntryWithPkwareOrAes) {
    const QString file = Write(a + QStringLiteral("secret.txt"), QByteArray(3000, 's'));
    task.CompressPassword = QStringLiteral("pa ss\"wörd");
    {
        TZipCompressor zip(task, &run);
        const QString archive = run.Temp + QStringLiteral("pk.zip");
        ASSERT_TRUE(zip.CompressFiles({file}, archive));
        EXPECT_EQ(Member(archive, QStringLiteral("secret.txt"), task.CompressPassword),
                  QByteArray(3000, 's'));
        EXPECT_EQ(Member(archive, QStringLiteral("secret.txt"), QStringLiteral("wrong")), "<unzip failed>");
        ExpectSound(archive, task.CompressPassword);
    }
    task.CompressEncryption = QStringLiteral("AES256");
    TZipCompressor zip(task, &run);
    const QString archive = run.Temp + QStringLiteral("aes.zip");
    ASSERT_TRUE(zip.CompressFiles({file}, archive));
    const TToolResult listing = RunTool(
        QStringLiteral("7z"),
        {QStringLiteral("l"), QStringLiteral("-slt"), QStringLiteral("-p") + task.CompressPassword, archive});
    EXPECT_THAT(listing.output.toStdString(), HasSubstr("AES-256"));
    const TToolResult extract = RunTool(
        QStringLiteral("7z"),
        {QStringLiteral("e"), QStringLiteral("-so"), QStringLiteral("-p") + task.CompressPassword, archive});
    EXPECT_EQ(extract.exitCode, 0);
    EXPECT_THAT(extract.output.toStdString(), HasSubstr(std::string(3000, 's')));
    const TToolResult wrong =
        RunTool(QStringLiteral("7z"), {QStringLiteral("t"), QStringLiteral("-pwrong"), archive});
    EXPECT_NE(wrong.exitCode, 0);
}

TEST_F(ZipCompressorTest, EmptyPasswordGivesAnUnencryptedArchiveAtTheTasksLevel) {
    const QString file = Write(a + QStringLiteral("z.txt"), QByteArray(100000, 'z'));
    task.CompressLevel = 0;
    {
        TZipCompressor zip(task, &run);
        ASSERT_TRUE(zip.CompressFiles({file}, run.Temp + QStringLiteral("stored.zip")));
    }
    task.CompressLevel = 9;
    TZipCompressor zip(task, &run);
    ASSERT_TRUE(zip.CompressFiles({file}, run.Temp + QStringLiteral("deflated.zip")));
    const TToolResult stored =
        RunTool(QStringLiteral("unzip"), {QStringLiteral("-v"), run.Temp + "stored.zip"});
    const TToolResult deflated =
        RunTool(QStringLiteral("unzip"), {QStringLiteral("-v"), run.Temp + "deflated.zip"});
    EXPECT_THAT(stored.output.toStdString(), HasSubstr("Stored"));
    EXPECT_THAT(deflated.output.toStdString(), HasSubstr("Defl:X"));  // maximum compression
    EXPECT_EQ(Member(run.Temp + QStringLiteral("deflated.zip"), QStringLiteral("z.txt")),
              QByteArray(100000, 'z'));
}

TEST_F(ZipCompressorTest, UnreadableFilesAreLeftOutAndSymbolicLinksStayLinks) {
    const QString good = Write(a + QStringLiteral("good.txt"), "good");
    const QString missing = a + QStringLiteral("vanished.txt");
    const QString link = a + QStringLiteral("link");
    ASSERT_EQ(FileSystem::MakeSymLink(QStringLiteral("good.txt"), link), 0);
    TZipCompressor zip(task, &run);
    const QString archive = run.Temp + QStringLiteral("mixed.zip");
    ASSERT_TRUE(zip.CompressFiles({good, missing, link}, archive));
    EXPECT_THAT(Entries(archive), ElementsAre("good.txt", "link"));
    ASSERT_EQ(run.Texts(TLogKind::lkWarning).size(), 1u);
    EXPECT_THAT(run.Texts(TLogKind::lkWarning)[0].toStdString(), HasSubstr("vanished.txt"));
    const QString out = home.Path() + QStringLiteral("out/");
    const TToolResult unpack = RunTool(QStringLiteral("unzip"), {QStringLiteral("-q"), archive, "-d", out});
    ASSERT_EQ(unpack.exitCode, 0) << unpack.output.toStdString();
    QString target;
    EXPECT_EQ(FileSystem::ReadSymLink(out + QStringLiteral("link"), target), 0);
    EXPECT_EQ(target, "good.txt");

    // A single file that cannot be read fails its archive.
    EXPECT_FALSE(zip.CompressFile(missing, run.Temp + QStringLiteral("vanished.txt.zip")));
    EXPECT_EQ(run.Texts(TLogKind::lkError).back(), "Compression failed (vanished.txt.zip)!");
}

TEST_F(ZipCompressorTest, StopRequestCancelsAndLeavesAnExistingArchiveAsItWas) {
    const QString first = Write(a + QStringLiteral("1.txt"), "one");
    const QString second = Write(a + QStringLiteral("2.txt"), "two");
    const QString archive = run.Temp + QStringLiteral("keep.zip");
    {
        TZipCompressor zip(task, &run);
        ASSERT_TRUE(zip.CompressFiles({first}, archive));
    }
    const QByteArray before = ReadWhole(archive);
    // The stop comes while the second file is announced.
    run.OnLog = [&](TLogKind, const QString& text) {
        if (text.contains(QStringLiteral("2.txt")))
            run.Stop = true;
    };
    TZipCompressor zip(task, &run);
    Write(first, "one v2", 30);
    EXPECT_FALSE(zip.CompressFiles({first, second}, archive));
    EXPECT_EQ(ReadWhole(archive), before);
    EXPECT_TRUE(run.Texts(TLogKind::lkError).empty());
    EXPECT_EQ(QDir(run.Temp).entryList(QDir::Files), QStringList({"keep.zip"}));  // no temporary leftovers
}

TEST_F(ZipCompressorTest, StopWhileTheArchiveIsWrittenCancelsIt) {
    QByteArray data(4 * 1024 * 1024, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>((static_cast<quint32>(i) * 7919u) >> 3);
    const QString big = Write(a + QStringLiteral("big.bin"), data);
    // The first look at the stop request comes before the file is announced; every later one while the
    // archive is written.
    struct TStopWhileWriting : TRecordingRun {
        using TRecordingRun::TRecordingRun;
        int checks = 0;
        bool StopRequested() override { return ++checks > 1; }
    } stopping(task);
    stopping.Temp = run.Temp;
    TZipCompressor zip(task, &stopping);
    EXPECT_FALSE(zip.CompressFiles({big}, run.Temp + QStringLiteral("big.zip")));
    EXPECT_GT(stopping.checks, 1);
    EXPECT_TRUE(QDir(run.Temp).entryList(QDir::Files).isEmpty());
}

TEST_F(ZipCompressorTest, EncryptionMethodIsStoredWithTheTaskAndDefaultsToPkware) {
    const QString key = QStringLiteral("\\Software\\Halvorine\\Tarnovex\\1.0\\Tasks\\T1");
    TTask saved;
    saved.CompressEncryption = QStringLiteral("AES256");
    saved.SaveToRegistry(key);
    EXPECT_EQ(TSafeRegistry::ReadStringAt(key + QStringLiteral("\\Compress"),
                                          QStringLiteral("CompressEncryption"), {}),
              "AES256");
    TTask loaded;
    loaded.LoadFromRegistry(key);
    EXPECT_EQ(loaded.CompressEncryption, "AES256");

    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKey(key + QStringLiteral("\\Compress"), false));
    reg.DeleteValue(QStringLiteral("CompressEncryption"));
    TTask older;
    older.CompressEncryption = QStringLiteral("AES256");
    older.LoadFromRegistry(key);
    EXPECT_EQ(older.CompressEncryption, "PKWARE");
    EXPECT_EQ(TTask().CompressEncryption, "PKWARE");
}

}  // namespace
