#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <algorithm>
#include <memory>

#include "storage/FtpStorage.h"
#include "storage/FtpTestServer.h"
#include "storage/StorageConformance.h"

namespace {

TStorageBackEnd FtpBackEnd(const std::string& name, bool passive) {
    TStorageBackEnd backEnd;
    backEnd.name = name;
    backEnd.prepare = [passive](TTask& task, const QString& folder) -> std::shared_ptr<void> {
        auto server = std::make_shared<TFtpTestServer>();
        QString error;
        if (!server->Start(folder, TFtpTestServer::TOptions(), error)) {
            ADD_FAILURE() << error.toStdString();
            return nullptr;
        }
        server->PointTask(task);
        task.DestFTP_PassiveMode = passive;
        return server;
    };
    backEnd.make = [](TRunContext& context) { return std::make_unique<TFtpStorage>(context); };
    backEnd.storedPathOf = [](const TTask& task, const QString& sourcePath) {
        return task.FtpDestinationPathOf(sourcePath);
    };
    backEnd.copiesBack = false;
    backEnd.keepsDamagedIndex = false;
    return backEnd;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Ftp, StorageConformance,
                         ::testing::Values(FtpBackEnd("ActiveFtp", false), FtpBackEnd("PassiveFtp", true)),
                         [](const ::testing::TestParamInfo<TStorageBackEnd>& info) {
                             return info.param.name;
                         });

// --- The FTP storage's own behaviour -------------------------------------------------------------------

namespace {

class FtpStorageTest : public TStorageTestBase {
protected:
    void TearDown() override {
        TStorageTestBase::TearDown();
        server.Stop();
    }
    std::unique_ptr<TCustomStorage> MakeStorage() override { return std::make_unique<TFtpStorage>(context); }

    // Serves dst and points the task at it; the first run begins connected.
    void Serve(const TFtpTestServer::TOptions& options = {}, const QString& remoteFolder = QString()) {
        QString error;
        ASSERT_TRUE(server.Start(dst, options, error)) << error.toStdString();
        server.PointTask(Task(), remoteFolder);
        NewRun();
    }
    TDateTime RecordedTime(const QString& sourcePath) {
        const TIndexFileItem* item = storage->DestinationIndex.Find(Task().FtpDestinationPathOf(sourcePath));
        return item ? item->Time : 0;
    }
    std::vector<QString> FtpLines() const { return context.Texts(TLogKind::lkFtp); }
    int Sent(const QString& command) const {
        int n = 0;
        for (const QString& line : FtpLines())
            if (line.startsWith(QStringLiteral("» ") + command))
                ++n;
        return n;
    }
    // Names in a folder of the server's tree.
    QStringList Names(const QString& folder) const {
        std::vector<FileSystem::TFolderEntry> entries;
        FileSystem::ListFolder(folder, entries);
        QStringList names;
        for (const FileSystem::TFolderEntry& entry : entries)
            names.push_back(entry.name);
        names.sort();
        return names;
    }
    bool AnyTemporaryUpload(const QString& folder) const {
        for (const QString& name : Names(folder))
            if (name.endsWith(QStringLiteral(".tnx-part")))
                return true;
        return false;
    }

    TFtpTestServer server;
};

}  // namespace

TEST_F(FtpStorageTest, ProtocolLogShowsCommandsAndRepliesButNeverThePassword) {
    Serve();
    const QString source = Write(src + "a.txt", "text", 1);
    ASSERT_TRUE(storage->PutFileToDestination(source));
    const QString password = Task().DestFTP_Password;
    EXPECT_EQ(Sent(QStringLiteral("USER tester")), 1);
    EXPECT_EQ(Sent(QStringLiteral("PASS ************")), 1);
    EXPECT_GE(Sent(QStringLiteral("STOR /.~a.txt.tnx-part")), 1);
    EXPECT_EQ(Sent(QStringLiteral("RNTO /a.txt")), 1);
    bool reply230 = false;
    for (const QString& line : FtpLines()) {
        EXPECT_FALSE(line.contains(password)) << line.toStdString();
        reply230 = reply230 || line.startsWith(QStringLiteral("« 230"));
    }
    EXPECT_TRUE(reply230);
    EXPECT_TRUE(
        context.Logged(TLogKind::lkSummary,
                       QStringLiteral("Connecting to FTP server at '127.0.0.1:%1'...").arg(server.Port())));
    bool loginMessage = false;
    for (const QString& text : context.Texts(TLogKind::lkSummary))
        loginMessage = loginMessage || text.startsWith(QStringLiteral("Login message: 230"));
    EXPECT_TRUE(loginMessage);
    // One login for the whole run.
    const int logins = Sent(QStringLiteral("USER"));
    ASSERT_TRUE(storage->PutFileToDestination(Write(src + "b.txt", "more", 1)));
    EXPECT_EQ(Sent(QStringLiteral("USER")), logins);
}

TEST_F(FtpStorageTest, NamesWithSpacesNonAsciiCharactersAndLeadingDashesArriveAsTheyAre) {
    Serve();
    const QStringList names{QStringLiteral("my file.txt"), QStringLiteral("Grüße ö €.txt"),
                            QStringLiteral("-rf"), QStringLiteral("--dir with space/-x #1 %41.txt"),
                            QStringLiteral("semi;colon;.txt")};
    for (const QString& name : names) {
        const QString source = Write(src + name, name.toUtf8(), 2);
        ASSERT_TRUE(storage->ForceDestinationFolder(FileSystem::ParentFolder(source)));
        EXPECT_TRUE(storage->PutFileToDestination(source)) << name.toStdString();
        EXPECT_EQ(Read(dst + name), name.toUtf8()) << name.toStdString();
    }
    EXPECT_TRUE(NoWarningsOrErrors());
    NextRunWithIndex();
    ASSERT_TRUE(storage->ForceDestinationFolder(src));
    for (const QString& name : names)
        EXPECT_FALSE(storage->PutFileToDestination(src + name)) << name.toStdString();
    EXPECT_EQ(context.Count(TLogKind::lkSkipped), names.size());
    EXPECT_EQ(Sent(QStringLiteral("STOR")), 0);
    EXPECT_FALSE(AnyTemporaryUpload(dst));
}

TEST_F(FtpStorageTest, LineBreaksInANameAreRefusedInsteadOfBecomingCommands) {
    Serve();
    Write(dst + "victim.txt", "keep me", 1);
    const QString source = Write(src + "evil\r\nDELE victim.txt", "payload", 2);
    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(dst + "victim.txt"), QByteArray("keep me"));
    EXPECT_EQ(context.Count(TLogKind::lkError), 1);
    EXPECT_EQ(Sent(QStringLiteral("DELE victim")), 0);
}

TEST_F(FtpStorageTest, VersionsAreKeptOnTheServerWithinTheirQuota) {
    Serve();
    Task().VersionsKeepType = TVersionsKeepKind::vkSameFolder;
    Task().VersionsKeepFilesNum = 2;
    const QString source = Write(src + "sub/report.doc", "v1", 1);
    ASSERT_TRUE(storage->PutFileToDestination(source));
    for (int round = 2; round <= 4; ++round) {
        NextRunWithIndex();
        Write(source, "v" + QByteArray::number(round), round);
        ASSERT_TRUE(storage->PutFileToDestination(source)) << round;
        EXPECT_EQ(Read(dst + "sub/report.doc"), "v" + QByteArray::number(round));
    }
    // Three versions were made (of v1, v2, v3); the quota of 2 deleted the oldest before the third.
    QStringList versions;
    for (const QString& name : Names(dst + "sub"))
        if (name.startsWith(QStringLiteral("report (Version ")))
            versions.push_back(name);
    ASSERT_EQ(versions.size(), 2);
    EXPECT_EQ(Read(dst + "sub/" + versions[0]), QByteArray("v2"));
    EXPECT_EQ(Read(dst + "sub/" + versions[1]), QByteArray("v3"));
    EXPECT_EQ(context.Count(TLogKind::lkWarning), 1);  // the quota's deletion
    EXPECT_FALSE(AnyTemporaryUpload(dst + "sub"));
}

TEST_F(FtpStorageTest, VersionsGoToAnArchiveFolderWithTheStructureKept) {
    Serve({}, QStringLiteral("/data"));
    Task().VersionsKeepType = TVersionsKeepKind::vkArcFolder;
    Task().VersionsKeepArcFolder = QStringLiteral("/old versions");
    Task().VersionsKeepArcFolderKeepStruct = true;
    const QString source = Write(src + "a b/c.txt", "first", 1);
    ASSERT_TRUE(storage->ForceDestinationFolder(src + "a b/"));
    ASSERT_TRUE(storage->PutFileToDestination(source));
    NextRunWithIndex();
    Write(source, "second", 5);
    ASSERT_TRUE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(dst + "data/a b/c.txt"), QByteArray("second"));
    const QStringList kept = Names(dst + "old versions/a b");
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(kept[0].startsWith(QStringLiteral("c (Version "))) << kept[0].toStdString();
    EXPECT_EQ(Read(dst + "old versions/a b/" + kept[0]), QByteArray("first"));
}

TEST_F(FtpStorageTest, ObsoleteFilesAreDeletedWithTheirEmptyFoldersButNeverTheRoot) {
    Serve({}, QStringLiteral("/base"));
    Task().DeleteKind = TDeleteKind::adkDelete;
    Task().DeleteEmptyFolders = true;
    const QString kept = Write(src + "kept.txt", "stays", 1);
    const QString gone = Write(src + "deep/er/gone.txt", "goes", 1);
    ASSERT_TRUE(storage->PutFileToDestination(kept));
    ASSERT_TRUE(storage->PutFileToDestination(gone));
    ASSERT_TRUE(Exists(dst + "base/deep/er/gone.txt"));
    NextRunWithIndex();
    FileSystem::RemoveFile(gone);
    ASSERT_TRUE(storage->ForceDestinationFolder(src));
    EXPECT_FALSE(storage->PutFileToDestination(kept));  // unchanged, but seen
    storage->ProcessObsoleteFiles(TStorageSide::Destination);
    EXPECT_FALSE(Exists(dst + "base/deep"));
    EXPECT_EQ(Read(dst + "base/kept.txt"), QByteArray("stays"));
    EXPECT_TRUE(context.Logged(TLogKind::lkWarning,
                               QStringLiteral("Deleting obsolete file \"/base/deep/er/gone.txt\".")));
    EXPECT_EQ(storage->DestinationIndex.Count(), 1);

    // With nothing left the root stays.
    NextRunWithIndex();
    storage->ProcessObsoleteFiles(TStorageSide::Destination);
    EXPECT_FALSE(Exists(dst + "base/kept.txt"));
    EXPECT_TRUE(FileSystem::IsFolder(dst + "base"));
}

TEST_F(FtpStorageTest, ObsoleteFilesMoveToTheArchiveFolderUnderACopyName) {
    Serve();
    Task().DeleteKind = TDeleteKind::adkMoveArcFolder;
    Task().ArchiveFolder = QStringLiteral("/deleted files");
    const QString gone = Write(src + "old.txt", "old content", 1);
    ASSERT_TRUE(storage->PutFileToDestination(gone));
    NextRunWithIndex();
    FileSystem::RemoveFile(gone);
    storage->ProcessObsoleteFiles(TStorageSide::Destination);
    EXPECT_FALSE(Exists(dst + "old.txt"));
    const QStringList archived = Names(dst + "deleted files");
    ASSERT_EQ(archived.size(), 1);
    EXPECT_TRUE(archived[0].startsWith(QStringLiteral("old (Obsolete "))) << archived[0].toStdString();
    EXPECT_EQ(Read(dst + "deleted files/" + archived[0]), QByteArray("old content"));
    EXPECT_EQ(storage->DestinationIndex.Count(), 0);
}

TEST_F(FtpStorageTest, ConnectionDroppedInTheMiddleOfAFileIsMadeAgainAndTheFileSentAgain) {
    TFtpTestServer::TOptions options;
    options.DropAfter = 200000;
    Serve(options);
    const QByteArray big(700000, 'x');
    const QString source = Write(src + "big.bin", big, 3);
    EXPECT_TRUE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(dst + "big.bin"), big);
    EXPECT_FALSE(AnyTemporaryUpload(dst));
    EXPECT_TRUE(context.Logged(TLogKind::lkError, QStringLiteral("Connection to 127.0.0.1 failed!")));
    EXPECT_EQ(Sent(QStringLiteral("USER")), 2);
    EXPECT_TRUE(DateTime::SameTime(RecordedTime(source), FileModificationTime(source)));
}

TEST_F(FtpStorageTest, UploadThatKeepsFailingLeavesThePreviousCopyWholeAndItsTimeRecorded) {
    TFtpTestServer::TOptions options;
    options.DropAfter = 200000;
    options.DropCount = 0;
    Serve(options);
    const QString source = Write(src + "big.bin", "small old copy", 1);
    ASSERT_TRUE(storage->PutFileToDestination(source));
    NextRunWithIndex();
    Write(source, QByteArray(500000, 'y'), 4);
    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(dst + "big.bin"), QByteArray("small old copy"));
    EXPECT_FALSE(AnyTemporaryUpload(dst));
    // Every loss was an error; the retries ran out.
    EXPECT_EQ(context.RetriesLeft(), 0);
    EXPECT_FALSE(context.stop);
    // The old time stays recorded, so the next run sends the file again instead of skipping it.
    EXPECT_FALSE(DateTime::SameTime(RecordedTime(source), FileModificationTime(source)));
    const std::vector<QString> errors = context.Texts(TLogKind::lkError);
    ASSERT_FALSE(errors.empty());
    EXPECT_TRUE(errors.back().startsWith(QStringLiteral("Can't copy file \"") + source));
}

TEST_F(FtpStorageTest, WrongPasswordStopsTheRunAfterTheReconnectionAttempts) {
    QString error;
    ASSERT_TRUE(server.Start(dst, {}, error)) << error.toStdString();
    server.PointTask(Task());
    Task().DestFTP_Password = QStringLiteral("wrong-guess");
    Task().DestFTP_ReconnectRetries = 2;
    Task().DestFTP_PauseBeforeRetry = 1;
    storage = MakeStorage();
    EXPECT_FALSE(storage->Connect());
    EXPECT_TRUE(context.stop);
    EXPECT_TRUE(context.Logged(TLogKind::lkError,
                               QStringLiteral("Can't connect to 127.0.0.1. Retry attempts remained: 1.")));
    EXPECT_TRUE(context.Logged(TLogKind::lkError,
                               QStringLiteral("Can't connect to 127.0.0.1. Retry attempts remained: 0.")));
    EXPECT_TRUE(context.Logged(TLogKind::lkWarning, QStringLiteral("Pause before next retry: 1 seconds.")));
    // One pause (between the two attempts) of 3 periods of half a second.
    EXPECT_EQ(context.TotalSleep(), 1500);
    for (const QString& line : FtpLines())
        EXPECT_FALSE(line.contains(QStringLiteral("wrong-guess"))) << line.toStdString();
}

TEST_F(FtpStorageTest, MissingRemoteFoldersAreMadeLevelByLevel) {
    Serve({}, QStringLiteral("/backups/daily set"));
    const QString source = Write(src + "in/x.txt", "x", 1);
    ASSERT_TRUE(storage->ForceDestinationFolder(src));
    EXPECT_TRUE(FileSystem::IsFolder(dst + "backups/daily set"));
    EXPECT_TRUE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(dst + "backups/daily set/in/x.txt"), QByteArray("x"));
    // A folder the run has just made is known to be empty: it is not listed.
    EXPECT_EQ(Sent(QStringLiteral("MKD /backups/daily set/in")), 1);
    EXPECT_EQ(Sent(QStringLiteral("MLSD /backups/daily set/in")), 1);  // the look before it was made
    ASSERT_TRUE(storage->SaveIndex(tmp, TStorageSide::Destination));
    EXPECT_TRUE(Exists(dst + "backups/daily set/" + Task().IndexFileName()));
    EXPECT_EQ(context.Count(TLogKind::lkError), 0);
}

TEST_F(FtpStorageTest, FolderThatCannotBeMadeStopsTheRunAfterItsRetries) {
    TFtpTestServer::TOptions options;
    options.ReadOnly = {QStringLiteral("locked")};
    Serve(options, QStringLiteral("/locked/inner"));
    Task().MaxNumberOfRetries = 2;
    Write(src + "x.txt", "x", 1);
    EXPECT_FALSE(storage->ForceDestinationFolder(src));
    EXPECT_TRUE(context.stop);
    EXPECT_TRUE(
        context.Logged(TLogKind::lkError, QStringLiteral("Error creating directory '/locked/inner/'")));
    EXPECT_EQ(context.Count(TLogKind::lkError), 3);  // two attempts, then the final error
    EXPECT_FALSE(Exists(dst + "locked/inner"));
}

TEST_F(FtpStorageTest, ServersWithoutMachineListingsAreReadFromTheLongListing) {
    TFtpTestServer::TOptions options;
    options.NoMachineListing = true;
    Serve(options);
    const QString source = Write(src + "two words.txt", "0123456789", 1);
    ASSERT_TRUE(storage->PutFileToDestination(source));
    NextRunWithIndex();
    Write(dst + "two words.txt", "01234", 1);
    Task().OptionsDontSkipIfDateEqButSrcBiggerDst = false;
    // The size the long listing gives decides: the stored copy is smaller than its source.
    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_TRUE(
        context.Logged(TLogKind::lkWarning,
                       QStringLiteral("Skipping file %1. Modification dates are equal, but destination size "
                                      "is less than source size.")
                           .arg(source)));
}

TEST_F(FtpStorageTest, StopDuringAnUploadLeavesNothingUnderTheFinalName) {
    Serve();
    const QString source = Write(src + "huge.bin", QByteArray(4 << 20, 'z'), 1);
    // The transfer has begun once the progress asks; the stop arrives in its middle.
    Task().Bandwidth_Use = true;
    Task().Bandwidth_Value = 16000;  // megabits would be too fast to catch; kilobits: 2 MB/s
    Task().MeasureKind = TBandwidthMeasure::bmkKBits;
    NewRun();
    int checks = 0;
    context.onStopCheck = [&](int) {
        if (++checks == 40)
            context.stop = true;
    };
    EXPECT_FALSE(storage->PutFileToDestination(source));
    context.onStopCheck = nullptr;
    EXPECT_FALSE(Exists(dst + "huge.bin"));
    EXPECT_EQ(storage->DestinationIndex.Count(), 0);
}

// --- Settings and listings -------------------------------------------------------------------------------

TEST(FtpSettings, AddressPartsFillWhatTheTaskLeavesEmptyAndTheTaskFieldsWin) {
    TTask task;
    task.DestFTP_Address = QStringLiteral("FTP://ann:pa:ss@files.example.org:2121/backup/set");
    task.DestFTP_Port = 0;
    TFtpSettings s = TFtpStorage::SettingsOf(task);
    EXPECT_EQ(s.Host, QStringLiteral("files.example.org"));
    EXPECT_EQ(s.User, QStringLiteral("ann"));
    EXPECT_EQ(s.Password, QStringLiteral("pa:ss"));
    EXPECT_EQ(s.Port, 2121);
    EXPECT_EQ(task.FtpDestinationFolder(-1), QStringLiteral("/backup/set/"));

    task.DestFTP_Login = QStringLiteral(" bob ");
    task.DestFTP_Password = QStringLiteral("pw");
    task.DestFTP_Port = 21000;
    task.DestFTP_Security = QStringLiteral("SFTP");
    s = TFtpStorage::SettingsOf(task);
    EXPECT_EQ(s.User, QStringLiteral("bob"));
    EXPECT_EQ(s.Password, QStringLiteral("pw"));
    EXPECT_EQ(s.Port, 21000);
    EXPECT_EQ(s.Security, TFtpSecurity::Sftp);

    // No port anywhere: the protocol's own.
    task.DestFTP_Address = QStringLiteral("host");
    task.DestFTP_Port = 0;
    EXPECT_EQ(TFtpStorage::SettingsOf(task).Port, 22);
    task.DestFTP_Security = QStringLiteral("TLS");
    EXPECT_EQ(TFtpStorage::SettingsOf(task).Port, 21);
}

TEST(FtpSettings, BandwidthLimitBecomesTheSendRate) {
    TTask task;
    task.Bandwidth_UseDefault = false;
    task.Bandwidth_Use = true;
    task.Bandwidth_Value = 3;
    task.MeasureKind = TBandwidthMeasure::bmkKBits;
    EXPECT_EQ(TFtpStorage::SettingsOf(task).MaxSendBytesPerSecond, 3 * 128);
    task.MeasureKind = TBandwidthMeasure::bmkMBits;
    EXPECT_EQ(TFtpStorage::SettingsOf(task).MaxSendBytesPerSecond, 3 * 131072);
    task.Bandwidth_Use = false;
    EXPECT_LT(TFtpStorage::SettingsOf(task).MaxSendBytesPerSecond, 0);
}

TEST(FtpListing, MachineListingKeepsNamesWholeAndSkipsTheFolderItself) {
    TFtpEntry e;
    ASSERT_TRUE(
        ParseFtpListLine(QStringLiteral("type=file;size=1234;modify=20200506100000; a b;c.txt"), true, e));
    EXPECT_EQ(e.Name, QStringLiteral("a b;c.txt"));
    EXPECT_EQ(e.Size, 1234);
    EXPECT_FALSE(e.Folder);
    ASSERT_TRUE(ParseFtpListLine(QStringLiteral("Type=dir;Modify=20200506100000;  lead"), true, e));
    EXPECT_EQ(e.Name, QStringLiteral(" lead"));
    EXPECT_TRUE(e.Folder);
    EXPECT_FALSE(ParseFtpListLine(QStringLiteral("type=cdir;modify=20200506100000; ."), true, e));
    EXPECT_FALSE(ParseFtpListLine(QStringLiteral("type=pdir; .."), true, e));
    EXPECT_FALSE(ParseFtpListLine(QStringLiteral("no facts at all"), true, e));
}

TEST(FtpListing, LongListingGivesNameTypeAndSize) {
    TFtpEntry e;
    ASSERT_TRUE(ParseFtpListLine(
        QStringLiteral("-rw-r--r--   1 ann  staff     42 May  6 10:00 two  spaces.txt"), false, e));
    EXPECT_EQ(e.Name, QStringLiteral("two  spaces.txt"));
    EXPECT_EQ(e.Size, 42);
    ASSERT_TRUE(
        ParseFtpListLine(QStringLiteral("drwxr-xr-x   2 ann  staff   4096 Jan  1  2019 -dash"), false, e));
    EXPECT_TRUE(e.Folder);
    EXPECT_EQ(e.Name, QStringLiteral("-dash"));
    ASSERT_TRUE(ParseFtpListLine(QStringLiteral("lrwxrwxrwx   1 ann  staff      3 Jan  1  2019 ln -> tgt"),
                                 false, e));
    EXPECT_EQ(e.Name, QStringLiteral("ln"));
    EXPECT_FALSE(ParseFtpListLine(QStringLiteral("total 12"), false, e));
    EXPECT_FALSE(
        ParseFtpListLine(QStringLiteral("drwxr-xr-x   2 ann  staff   4096 Jan  1  2019 .."), false, e));
}

// --- FTP with explicit TLS ------------------------------------------------------------------------------

namespace {

// A self-signed certificate for 127.0.0.1 made with openssl in folder; false when openssl is missing.
bool MakeSelfSignedCertificate(const QString& folder, QString& cert, QString& key) {
    cert = folder + QStringLiteral("cert.pem");
    key = folder + QStringLiteral("key.pem");
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"), key,
                   QStringLiteral("-out"), cert, QStringLiteral("-days"), QStringLiteral("2"),
                   QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")});
    return openssl.waitForFinished(60000) && openssl.exitStatus() == QProcess::NormalExit &&
           openssl.exitCode() == 0 && FileSystem::Exists(cert);
}

}  // namespace

TEST_F(FtpStorageTest, SelfSignedCertificateIsRefusedUnlessTheTaskAcceptsIt) {
    TFtpTestServer::TOptions options;
    ASSERT_TRUE(MakeSelfSignedCertificate(home.Path(), options.CertFile, options.KeyFile));
    QString error;
    ASSERT_TRUE(server.Start(dst, options, error)) << error.toStdString();
    server.PointTask(Task());
    ASSERT_EQ(Task().DestFTP_Security, QStringLiteral("TLS"));
    Task().DestFTP_ReconnectRetries = 1;

    storage = MakeStorage();
    EXPECT_FALSE(storage->Connect());
    EXPECT_TRUE(context.stop);
    EXPECT_TRUE(context.Logged(TLogKind::lkError,
                               QStringLiteral("Can't connect to 127.0.0.1. Retry attempts remained: 0.")));
    // The certificate was refused before the password went out.
    EXPECT_EQ(Sent(QStringLiteral("AUTH TLS")), 1);
    EXPECT_EQ(Sent(QStringLiteral("PASS")), 0);

    Task().DestFTP_AcceptSelfSigned = true;
    NewRun();
    EXPECT_FALSE(context.stop);
    EXPECT_EQ(Sent(QStringLiteral("AUTH TLS")), 1);
    EXPECT_EQ(Sent(QStringLiteral("PROT P")), 1);
    EXPECT_EQ(Sent(QStringLiteral("PASS ************")), 1);
    // The login went over the protected channel: TLS was agreed before the user name was sent.
    const std::vector<QString> lines = FtpLines();
    const auto auth = std::find(lines.begin(), lines.end(), QStringLiteral("» AUTH TLS"));
    const auto user = std::find(lines.begin(), lines.end(), QStringLiteral("» USER tester"));
    ASSERT_NE(auth, lines.end());
    ASSERT_NE(user, lines.end());
    EXPECT_LT(auth - lines.begin(), user - lines.begin());
    EXPECT_TRUE(NoWarningsOrErrors());
}

TEST_F(FtpStorageTest, PlainFtpTaskDoesNotTalkToATlsOnlyServerInClearText) {
    TFtpTestServer::TOptions options;
    ASSERT_TRUE(MakeSelfSignedCertificate(home.Path(), options.CertFile, options.KeyFile));
    QString error;
    ASSERT_TRUE(server.Start(dst, options, error)) << error.toStdString();
    server.PointTask(Task());
    Task().DestFTP_Security = QStringLiteral("None");
    Task().DestFTP_ReconnectRetries = 1;
    storage = MakeStorage();
    EXPECT_FALSE(storage->Connect());
    EXPECT_TRUE(context.stop);
}

// --- SFTP ------------------------------------------------------------------------------------------------

namespace {

// An OpenSSH server of the test's own, on 127.0.0.1 and a free port, with a generated host key and a
// client key in a private HOME (libcurl takes ~/.ssh/id_rsa, here an ECDSA key, and ~/.ssh/known_hosts from
// there).
class TSshTestServer {
public:
    ~TSshTestServer() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
        if (!oldHome_.isNull())
            qputenv("HOME", oldHome_);
    }

    bool Start(const QString& dir, QString& reason) {
        if (!FileSystem::Exists(QStringLiteral("/usr/sbin/sshd"))) {
            reason = QStringLiteral("no /usr/sbin/sshd (the openssh-server package)");
            return false;
        }
        FileSystem::MakePath(dir + QStringLiteral(".ssh"));
        FileSystem::MakePath(QStringLiteral("/run/sshd"));
        if (!Run({QStringLiteral("ssh-keygen"), QStringLiteral("-q"), QStringLiteral("-t"),
                  QStringLiteral("ecdsa"), QStringLiteral("-b"), QStringLiteral("256"), QStringLiteral("-m"),
                  QStringLiteral("PEM"), QStringLiteral("-N"), QString(), QStringLiteral("-f"),
                  dir + QStringLiteral("host_key")}) ||
            !Run({QStringLiteral("ssh-keygen"), QStringLiteral("-q"), QStringLiteral("-t"),
                  QStringLiteral("ecdsa"), QStringLiteral("-b"), QStringLiteral("256"), QStringLiteral("-m"),
                  QStringLiteral("PEM"), QStringLiteral("-N"), QString(), QStringLiteral("-f"),
                  dir + QStringLiteral(".ssh/id_rsa")})) {
            reason = QStringLiteral("ssh-keygen failed");
            return false;
        }
        QFile::copy(dir + QStringLiteral(".ssh/id_rsa.pub"), dir + QStringLiteral("authorized_keys"));
        port_ = FreePort();
        QFile config(dir + QStringLiteral("sshd_config"));
        if (port_ <= 0 || !config.open(QIODevice::WriteOnly)) {
            reason = QStringLiteral("no free port or config file");
            return false;
        }
        config.write(
            QStringLiteral("Port %1\nListenAddress 127.0.0.1\nHostKey %2host_key\nPidFile %2sshd.pid\n"
                           "AuthorizedKeysFile %2authorized_keys\nPasswordAuthentication no\n"
                           "KbdInteractiveAuthentication no\nPubkeyAuthentication yes\nUsePAM no\n"
                           "StrictModes no\nPermitRootLogin yes\nSubsystem sftp internal-sftp\n")
                .arg(port_)
                .arg(dir)
                .toUtf8());
        config.close();
        process_.start(QStringLiteral("/usr/sbin/sshd"),
                       {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"),
                        dir + QStringLiteral("sshd_config")});
        if (!process_.waitForStarted(10000)) {
            reason = QStringLiteral("sshd did not start");
            return false;
        }
        // Ready once it accepts connections (ten seconds at most).
        for (int i = 0; i < 100; ++i) {
            if (process_.state() == QProcess::NotRunning)
                break;
            if (Accepts(port_)) {
                oldHome_ = qgetenv("HOME");
                qputenv("HOME", dir.toUtf8());
                return true;
            }
            process_.waitForFinished(100);
        }
        reason =
            QStringLiteral("sshd did not come up: ") + QString::fromUtf8(process_.readAllStandardError());
        return false;
    }
    int Port() const { return port_; }

private:
    static bool Run(const QStringList& command) {
        QProcess p;
        p.start(command.first(), command.mid(1));
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    static int FreePort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        int port = 0;
        if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port = ntohs(address.sin_port);
        if (fd >= 0)
            ::close(fd);
        return port;
    }
    static bool Accepts(int port) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        const bool ok = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        if (fd >= 0)
            ::close(fd);
        return ok;
    }

    QProcess process_;
    int port_ = 0;
    QByteArray oldHome_;
};

}  // namespace

TEST_F(FtpStorageTest, SftpChecksTheHostKeyAndStoresFilesWithTheSameRules) {
    TSshTestServer ssh;
    QString reason;
    if (!ssh.Start(home.Path() + QStringLiteral("ssh/"), reason))
        GTEST_SKIP() << "no SSH server for the test: " << reason.toStdString();
    TTask& task = Task();
    task.DestType = TDestKind::dkFtp;
    task.DestFTP_Security = QStringLiteral("SFTP");
    task.DestFTP_Address = QStringLiteral("127.0.0.1");
    task.DestFTP_Port = ssh.Port();
    task.DestFTP_Login =
        QString::fromLocal8Bit(qgetenv("USER").isEmpty() ? QByteArray("root") : qgetenv("USER"));
    task.DestFTP_Folder = dst;
    task.DestFTP_ReconnectRetries = 1;
    task.DestFTP_PauseBeforeRetry = 0;
    task.DestFTP_TimeOut = 20;

    // The host key is in no known_hosts file: refused.
    storage = MakeStorage();
    EXPECT_FALSE(storage->Connect());
    EXPECT_TRUE(context.stop);

    task.DestFTP_AcceptSelfSigned = true;
    NewRun();
    ASSERT_FALSE(context.stop);
    const QString source = Write(src + "sub dir/-report 1.txt", "over ssh", 2);
    ASSERT_TRUE(storage->ForceDestinationFolder(src + "sub dir/"));
    EXPECT_TRUE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(dst + "sub dir/-report 1.txt"), QByteArray("over ssh"));
    EXPECT_TRUE(DateTime::SameTime(FileModificationTime(dst + "sub dir/-report 1.txt"),
                                   FileModificationTime(source)));
    EXPECT_FALSE(AnyTemporaryUpload(dst + "sub dir"));
    NextRunWithIndex();
    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_TRUE(
        context.Logged(TLogKind::lkSkipped, QStringLiteral("Skipping unchanged \"%1\".").arg(source)));
    EXPECT_EQ(context.Count(TLogKind::lkError), 0);
}
