#include <sys/stat.h>

#include <gmock/gmock.h>

#include <QDir>
#include <cerrno>
#include <ostream>

#include "PackingSupport.h"
#include "RecordingRun.h"
#include "fixtures/TempHome.h"
#include "model/Task.h"
#include "packing/ExternalPackers.h"
#include "packing/PackerSettings.h"
#include "platform/FileSystem.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Outside archivers are shell scripts in a private bin/ folder that PATH leads to; definitions are put
// into the program's table under test names and removed again afterwards.
class ExternalPackersTest : public TarnovexTest {
protected:
    void SetUp() override {
        bin = home.Path() + QStringLiteral("bin/");
        run.Temp = home.Path() + QStringLiteral("run/");
        QDir().mkpath(bin);
        QDir().mkpath(run.Temp);
        previousPath = qgetenv("PATH");
        qputenv("PATH", bin.toUtf8() + ':' + CryptFolder().toUtf8() + ':' + previousPath);
        // Every argument on a line of its own, into args.txt beside the archive; the list file too.
        Script(QStringLiteral("arc"),
               "for a in \"$@\"; do printf '%s\\n' \"$a\"; done >> args.txt\n"
               "for a in \"$@\"; do case \"$a\" in @*) cat \"${a#@}\" > list-copy.txt;; esac; done\n"
               "echo packed\nexit ${ARC_EXIT:-0}");
        task.CompressUse = true;
        task.CompressType = QStringLiteral("TestArc");
        task.CompressLevel = 9;
    }
    void TearDown() override {
        qputenv("PATH", previousPath);
        qunsetenv("ARC_EXIT");
        {
            std::lock_guard lock(PackerSettingsMutex());
            ExternalCompressors().DeleteCompressor(QStringLiteral("TestArc"));
            ExternalEncryptors().DeleteEncryptor(QStringLiteral("TestCrypt"));
        }
        TarnovexTest::TearDown();
    }

    void Script(const QString& name, const QByteArray& body) {
        const QString path = bin + name;
        ASSERT_TRUE(WriteWhole(path, "#!/bin/sh\n" + body + "\n"));
        ::chmod(path.toUtf8().constData(), 0755);
    }
    void Define(const QString& addFiles, const QString& addFilesAndFolders) {
        TExternalCompressorCommands c;
        c.Name = QStringLiteral("TestArc");
        c.AddFiles = addFiles;
        c.AddFilesAndFolders = addFilesAndFolders;
        c.ArchiveExtension = QStringLiteral("ta");
        c.LevelMax = QStringLiteral(" -best ");
        std::lock_guard lock(PackerSettingsMutex());
        ExternalCompressors().Add(c);
    }
    QStringList Arguments() const {
        return QString::fromUtf8(ReadWhole(run.Temp + QStringLiteral("args.txt")))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QString Source(const QString& name) {
        const QString path = home.Path() + QStringLiteral("src/") + name;
        QDir().mkpath(FileSystem::ParentFolder(path));
        EXPECT_TRUE(WriteWhole(path, "data of " + name.toUtf8()));
        return path;
    }

    TTask task;
    TRecordingRun run{task};
    QString bin;
    QByteArray previousPath;
};

TEST_F(ExternalPackersTest, SingleFileCommandRunsInTheTemporaryFolderWithThePasswordHiddenInTheLog) {
    Define(QStringLiteral("arc a {-p%%P} {%%S} %%A @%%LN"), {});
    task.CompressPassword = QStringLiteral("pw 1");
    TExternalCompressor compressor(task, &run);
    EXPECT_EQ(compressor.Extension(), "ta");
    EXPECT_EQ(compressor.LevelSwitch, "-best");
    const QString file = Source(QStringLiteral("a.txt"));
    ASSERT_TRUE(compressor.CompressFile(file, run.Temp + QStringLiteral("a.txt.ta")));
    // The program gets the password itself; the log shows twelve asterisks in its place.
    EXPECT_THAT(Arguments(),
                ElementsAre("a", "-ppw 1", "-best", "a.txt.ta", "@" + run.Temp + "filelist.lst"));
    EXPECT_EQ(ReadWhole(run.Temp + QStringLiteral("list-copy.txt")), file.toUtf8() + "\r\n");
    EXPECT_EQ(run.Texts(TLogKind::lkSummary),
              std::vector<QString>{"Command executed (arc a -p************ -best \"a.txt.ta\" @" + run.Temp +
                                   "filelist.lst)!"});
    EXPECT_THAT(run.Texts(TLogKind::lkConsole), ElementsAre("arc: packed"));
    EXPECT_FALSE(FileSystem::Exists(run.Temp + QStringLiteral("filelist.lst")));
    EXPECT_TRUE(compressor.ListFilePath.isEmpty());
}

TEST_F(ExternalPackersTest, HostileFileNamesReachTheArchiverAsOneLiteralArgument) {
    Define(QStringLiteral("arc a %%A %%Fq"), {});
    const QString hostile = Source(QStringLiteral("x $(touch pwned); `id` \"q\" 'y' & z.txt"));
    TExternalCompressor compressor(task, &run);
    ASSERT_TRUE(compressor.CompressFile(hostile, run.Temp + QStringLiteral("x $(a);b.ta")));
    EXPECT_THAT(Arguments(), ElementsAre("a", "x $(a);b.ta", hostile));
    EXPECT_FALSE(FileSystem::Exists(run.Temp + QStringLiteral("pwned")));
    EXPECT_FALSE(FileSystem::Exists(home.Path() + QStringLiteral("pwned")));
}

TEST_F(ExternalPackersTest, ListTemplateRunsOnceAndFileTemplateOncePerEntry) {
    Define({}, QStringLiteral("arc a %%A @%%LNM"));
    const QStringList files{Source(QStringLiteral("1.txt")), home.Path() + QStringLiteral("src/sub/")};
    {
        TExternalCompressor compressor(task, &run);
        ASSERT_TRUE(compressor.CompressFiles(files, run.Temp + QStringLiteral("all.ta")));
    }
    EXPECT_EQ(ReadWhole(run.Temp + QStringLiteral("list-copy.txt")),
              (files[0] + "\r\n" + home.Path() + "src/sub\r\n" + home.Path() + "src/sub/*.*\r\n").toUtf8());
    EXPECT_EQ(run.Texts(TLogKind::lkSummary).size(), 1u);
    QFile::remove(run.Temp + QStringLiteral("args.txt"));

    {
        std::lock_guard lock(PackerSettingsMutex());
        ExternalCompressors().DeleteCompressor(QStringLiteral("TestArc"));
    }
    Define({}, QStringLiteral("arc r %%A %%FNM"));
    TExternalCompressor compressor(task, &run);
    ASSERT_TRUE(compressor.CompressFiles(files, run.Temp + QStringLiteral("all.ta")));
    EXPECT_FALSE(compressor.NoFilePlaceholder);
    // One command for the file, two for the folder (its second name in a second command).
    EXPECT_THAT(Arguments(), ElementsAre("r", "all.ta", files[0], "r", "all.ta", home.Path() + "src/sub", "r",
                                         "all.ta", home.Path() + "src/sub/*.*"));
}

TEST_F(ExternalPackersTest, ExitCodesAreJudgedAgainstTheLimitOfTheTemplate) {
    Define(QStringLiteral("arc a %%A %%E2"), QStringLiteral("arc a %%A @%%L"));
    const QString file = Source(QStringLiteral("e.txt"));
    qputenv("ARC_EXIT", "2");
    TExternalCompressor compressor(task, &run);
    EXPECT_TRUE(compressor.CompressFile(file, run.Temp + QStringLiteral("e.ta")));
    EXPECT_EQ(compressor.MaxSuccessExitCode, 2);
    qputenv("ARC_EXIT", "3");
    EXPECT_FALSE(compressor.CompressFile(file, run.Temp + QStringLiteral("e.ta")));
    EXPECT_THAT(run.Texts(TLogKind::lkWarning),
                ElementsAre("Command executed, but abnormal exit code returned: 3."));
    // The limit of one template does not carry over to another without "%%E".
    qputenv("ARC_EXIT", "1");
    EXPECT_FALSE(compressor.CompressFiles({file}, run.Temp + QStringLiteral("all.ta")));
    EXPECT_EQ(compressor.MaxSuccessExitCode, 0);
    EXPECT_EQ(run.Texts(TLogKind::lkWarning).back(), "Command executed, but abnormal exit code returned: 1.");
    // The list file is gone after the failed operation as well.
    EXPECT_FALSE(FileSystem::Exists(run.Temp + QStringLiteral("filelist.lst")));
}

TEST_F(ExternalPackersTest, MissingArchiverGivesTheCompressErrorWithTheSystemsText) {
    Define(QStringLiteral("no-such-archiver a %%A"), QStringLiteral("no-such-archiver a %%A @%%L"));
    const QString file = Source(QStringLiteral("m.txt"));
    TExternalCompressor compressor(task, &run);
    EXPECT_FALSE(compressor.CompressFile(file, run.Temp + QStringLiteral("m.ta")));
    const QString description = FileSystem::ErrorText(ENOENT);
    EXPECT_THAT(run.Texts(TLogKind::lkError),
                ElementsAre("Error compressing file \"" + file + "\"! (Description: " + description +
                            "; System error code: 2)."));
    EXPECT_FALSE(compressor.CompressFiles({file}, run.Temp + QStringLiteral("all.ta")));
    EXPECT_EQ(run.Texts(TLogKind::lkError).back(),
              "Error compressing files! (Description: " + description + "; System error code: 2).");
    EXPECT_FALSE(FileSystem::Exists(run.Temp + QStringLiteral("filelist.lst")));
}

TEST_F(ExternalPackersTest, UnknownCompressorNameFallsBackToTheShippedZipDefinition) {
    task.CompressType = QStringLiteral("nothing of that name");
    TExternalCompressor compressor(task, &run);
    EXPECT_EQ(compressor.Commands, DefaultCompressors()[12]);
    EXPECT_EQ(compressor.LevelSwitch, "-exx");
}

TEST_F(ExternalPackersTest, DefaultEncryptorsRoundTripThroughCrypt) {
    task.CryptUse = true;
    task.CryptPassword = QStringLiteral("s3cret pass");
    const QString file = Source(QStringLiteral("doc.txt"));
    for (const TExternalEncryptorCommands& definition : DefaultEncryptors()) {
        SCOPED_TRACE(definition.Name.toStdString());
        task.CryptType = definition.Name;
        run.Records.clear();
        TExternalEncryptor encryptor(task, &run);
        const QString encrypted = run.Temp + QStringLiteral("doc.txt.crypt");
        ASSERT_TRUE(encryptor.EncryptFile(file, encrypted));
        EXPECT_NE(ReadWhole(encrypted), ReadWhole(file));
        EXPECT_THAT(run.Texts(TLogKind::lkSummary)[0].toStdString(), HasSubstr("\" ************)!"));
        // Decrypting into a folder names the result after the source without ".crypt".
        const QString out = home.Path() + QStringLiteral("out/");
        QDir().mkpath(out);
        ASSERT_TRUE(encryptor.DecryptFile(encrypted, out));
        EXPECT_EQ(ReadWhole(out + QStringLiteral("doc.txt")), ReadWhole(file));
        QFile::remove(out + QStringLiteral("doc.txt"));
        QFile::remove(encrypted);
    }
}

TEST_F(ExternalPackersTest, EncryptorFailuresAreReportedOnlyWithARun) {
    TExternalEncryptorCommands missing;
    missing.Name = QStringLiteral("TestCrypt");
    missing.Crypt = QStringLiteral("no-such-crypt %%S %%D %%P");
    missing.Decrypt = QStringLiteral("crypt -ea %%S %%D %%P %%E0");
    {
        std::lock_guard lock(PackerSettingsMutex());
        ExternalEncryptors().Add(missing);
    }
    task.CryptType = QStringLiteral("TestCrypt");
    task.CryptPassword = QStringLiteral("pw");
    const QString file = Source(QStringLiteral("c.txt"));
    TExternalEncryptor encryptor(task, &run);
    EXPECT_FALSE(encryptor.EncryptFile(file, run.Temp + QStringLiteral("c.txt.crypt")));
    EXPECT_THAT(run.Texts(TLogKind::lkError),
                ElementsAre("Encryption error! (Description: " + FileSystem::ErrorText(ENOENT) +
                            "; System error code: 2)."));
    // crypt refuses a file it did not make: the abnormal exit is a warning.
    EXPECT_FALSE(encryptor.DecryptFile(file, run.Temp + QStringLiteral("c.out")));
    EXPECT_THAT(run.Texts(TLogKind::lkWarning),
                ElementsAre("Command executed, but abnormal exit code returned: 1."));
    EXPECT_FALSE(FileSystem::Exists(run.Temp + QStringLiteral("c.out")));

    // Without a run (the decrypt wizard) nothing is logged and the work folder is the program's.
    TExternalEncryptor alone(task, nullptr);
    EXPECT_FALSE(alone.EncryptFile(file, run.Temp + QStringLiteral("c2.crypt")));
    EXPECT_EQ(run.Records.size(), 4u);  // the two commands and the two failures above
}

}  // namespace
