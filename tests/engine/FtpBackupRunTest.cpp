#include "engine/RunFixture.h"
#include "storage/FtpStorage.h"
#include "storage/FtpTestServer.h"

// Whole backup runs of the engine to an FTP server on 127.0.0.1 that serves dst.

namespace {

class FtpBackupRunTest : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        FileSystem::MakePath(dst);
        RegisterFtpStorage();
        QString error;
        ASSERT_TRUE(server.Start(dst, TFtpTestServer::TOptions(), error)) << error.toStdString();
        server.PointTask(Task(), QStringLiteral("/backups/office set"));
        Task().DestLocal.clear();
    }
    void TearDown() override {
        server.Stop();
        RunFixture::TearDown();
    }
    void Run() {
        NewRun();
        Task().ClearPathCaches();
        auto job = std::make_unique<TRunJob>(context);
        // The storage comes from the factory, as for every run of the program.
        job->Storage = CreateStorage(Task(), context);
        ASSERT_NE(dynamic_cast<TFtpStorage*>(job->Storage.get()), nullptr);
        BackupProcedure(*job);
    }
    int Sent(const QString& command) const {
        int n = 0;
        for (const QString& line : Texts(TLogKind::lkFtp))
            if (line.startsWith(QStringLiteral("» ") + command))
                ++n;
        return n;
    }
    QString Stored(const QString& relative) const {
        return dst + QStringLiteral("backups/office set/") + relative;
    }

    TFtpTestServer server;
};

}  // namespace

TEST_F(FtpBackupRunTest, FirstRunStoresTheTreeAndAnUnchangedSecondRunSendsNothing) {
    Write(src, "letter.txt", "dear ann", 1);
    Write(src, "photos/2020 summer/beach 1.jpg", "JPEG", 2);
    Write(src, "-notes/ä ö.md", "# notes", 3);
    Run();
    EXPECT_FALSE(context.stop);
    EXPECT_EQ(context.Count(TLogKind::lkError), 0);
    EXPECT_EQ(Read(Stored("letter.txt")), QByteArray("dear ann"));
    EXPECT_EQ(Read(Stored("photos/2020 summer/beach 1.jpg")), QByteArray("JPEG"));
    EXPECT_EQ(Read(Stored("-notes/ä ö.md")), QByteArray("# notes"));
    EXPECT_TRUE(Exists(Stored(Task().IndexFileName())));
    EXPECT_TRUE(Logged(TLogKind::lkSummary, QStringLiteral("Index file saved (3 records).")));
    EXPECT_EQ(Sent(QStringLiteral("STOR")), 4);  // three files and the index
    EXPECT_EQ(Sent(QStringLiteral("USER")), 1);

    Run();
    EXPECT_TRUE(Logged(TLogKind::lkSummary, QStringLiteral("Index file loaded (3 records).")));
    EXPECT_EQ(context.Count(TLogKind::lkSkipped), 3);
    EXPECT_EQ(context.Count(TLogKind::lkFile), 0);
    // Only the index goes up again.
    EXPECT_EQ(Sent(QStringLiteral("STOR")), 1);
    EXPECT_EQ(context.Count(TLogKind::lkError) + context.Count(TLogKind::lkWarning), 0);
}

TEST_F(FtpBackupRunTest, ChangedFilesLeaveVersionsAndVanishedFilesLeaveObsoleteCopiesOnTheServer) {
    Task().VersionsKeepType = TVersionsKeepKind::vkSameFolder;
    Task().DeleteKind = TDeleteKind::adkMoveSameFolder;
    const QString changed = Write(src, "doc/plan.txt", "plan A", 1);
    const QString vanished = Write(src, "doc/old.txt", "old", 1);
    Write(src, "doc/same.txt", "same", 1);
    Run();
    ASSERT_EQ(context.Count(TLogKind::lkError), 0);

    Write(src, "doc/plan.txt", "plan B", 9);
    FileSystem::RemoveFile(vanished);
    Run();
    EXPECT_EQ(context.Count(TLogKind::lkError), 0);
    EXPECT_EQ(Read(Stored("doc/plan.txt")), QByteArray("plan B"));
    EXPECT_EQ(Read(Stored("doc/same.txt")), QByteArray("same"));
    EXPECT_FALSE(Exists(Stored("doc/old.txt")));
    std::vector<FileSystem::TFolderEntry> entries;
    ASSERT_EQ(FileSystem::ListFolder(Stored("doc"), entries), 0);
    int versions = 0;
    int obsolete = 0;
    for (const FileSystem::TFolderEntry& entry : entries) {
        if (entry.name.startsWith(QStringLiteral("plan (Version "))) {
            ++versions;
            EXPECT_EQ(Read(Stored("doc/") + entry.name), QByteArray("plan A"));
        }
        if (entry.name.startsWith(QStringLiteral("old (Obsolete "))) {
            ++obsolete;
            EXPECT_EQ(Read(Stored("doc/") + entry.name), QByteArray("old"));
        }
    }
    EXPECT_EQ(versions, 1);
    EXPECT_EQ(obsolete, 1);
    EXPECT_TRUE(Logged(TLogKind::lkSummary, QStringLiteral("Index file saved (2 records).")));
    (void)changed;
}

TEST_F(FtpBackupRunTest, UnreachableServerEndsTheRunWithoutTouchingAnything) {
    Write(src, "a.txt", "a", 1);
    server.Stop();
    Task().DestFTP_ReconnectRetries = 2;
    Run();
    EXPECT_TRUE(context.stop);
    EXPECT_TRUE(
        Logged(TLogKind::lkError, QStringLiteral("Can't connect to 127.0.0.1. Retry attempts remained: 0.")));
    EXPECT_FALSE(Exists(Stored("a.txt")));
}
