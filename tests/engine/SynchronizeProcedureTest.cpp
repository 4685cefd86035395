#include "RunFixture.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using ::testing::UnorderedElementsAre;

class SynchronizeProcedureTest : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        Task().TaskAction = TTaskAction::taSynchronize;
        FileSystem::MakePath(dst);
    }
    void Run() {
        NewRun();
        job = MakeJob();
        SynchronizeProcedure(*job);
    }
    // a.txt at the source, b.txt at the destination, synchronised once.
    void FirstRun() {
        Write(src, QStringLiteral("a.txt"), "from source", 1);
        Write(dst, QStringLiteral("b.txt"), "from destination", 2);
        Run();
    }

    std::unique_ptr<TRunJob> job;
};

TEST_F(SynchronizeProcedureTest, FirstRunCopiesNewFilesBothWaysAndWritesBothIndexes) {
    Write(src, QStringLiteral("sub/c.txt"), "deep", 3);
    FirstRun();
    EXPECT_EQ(Read(dst + QStringLiteral("a.txt")), "from source");
    EXPECT_EQ(Read(dst + QStringLiteral("sub/c.txt")), "deep");
    EXPECT_EQ(Read(src + QStringLiteral("b.txt")), "from destination");
    EXPECT_TRUE(Exists(dst + QStringLiteral("TASKA1.idx")));
    EXPECT_TRUE(Exists(src + QStringLiteral("TASKA1.idx")));
    EXPECT_THAT(Texts(TLogKind::lkWarning),
                ElementsAre(QStringLiteral("Index file not found or can't be loaded from destination."),
                            QStringLiteral("Index file not found or can't be loaded from source.")));
    const std::vector<QString> summaries = Texts(TLogKind::lkSummary);
    ASSERT_THAT(summaries, SizeIs(5));
    EXPECT_EQ(summaries[0], QStringLiteral("Synchronizing (source --> destination)"));
    EXPECT_EQ(summaries[1], QStringLiteral("Synchronizing (destination --> source)"));
    EXPECT_TRUE(summaries[2].startsWith(QStringLiteral("Index file saved to destination (")));
    EXPECT_TRUE(summaries[3].startsWith(QStringLiteral("Index file saved to source (")));
    // Only the forward pass is reported.
    EXPECT_EQ(summaries[4],
              QStringLiteral("Log summary: 2 folders; 2 files, 15 bytes, 0 errors, 2 warnings."));
}

TEST_F(SynchronizeProcedureTest, UnchangedFilesAreSkippedInEachPass) {
    FirstRun();
    Run();
    EXPECT_TRUE(
        Logged(TLogKind::lkSummary, QStringLiteral("Index file loaded from destination (2 records).")));
    EXPECT_TRUE(Logged(TLogKind::lkSummary, QStringLiteral("Index file loaded from source (2 records).")));
    EXPECT_THAT(Texts(TLogKind::lkSkipped), SizeIs(4));
    EXPECT_THAT(Texts(TLogKind::lkFile), IsEmpty());
    EXPECT_THAT(Texts(TLogKind::lkWarning), IsEmpty());
    EXPECT_EQ(LastSummary(),
              QStringLiteral("Log summary: 1 folders; 2 files, 27 bytes, 0 errors, 0 warnings."));
}

TEST_F(SynchronizeProcedureTest, NewerDestinationFileTravelsBack) {
    FirstRun();
    Write(dst, QStringLiteral("a.txt"), "edited at the destination", 30);
    Run();
    EXPECT_EQ(Read(src + QStringLiteral("a.txt")), "edited at the destination");
    EXPECT_EQ(Read(dst + QStringLiteral("a.txt")), "edited at the destination");
}

TEST_F(SynchronizeProcedureTest, DeletionsOnEitherSideTravelInOneRunWithDelete) {
    Task().DeleteKind = TDeleteKind::adkDelete;
    FirstRun();
    FileSystem::RemoveFile(dst + QStringLiteral("a.txt"));
    FileSystem::RemoveFile(src + QStringLiteral("b.txt"));
    Run();
    EXPECT_FALSE(Exists(src + QStringLiteral("a.txt")));
    EXPECT_FALSE(Exists(dst + QStringLiteral("a.txt")));
    EXPECT_FALSE(Exists(dst + QStringLiteral("b.txt")));
    EXPECT_FALSE(Exists(src + QStringLiteral("b.txt")));
}

TEST_F(SynchronizeProcedureTest, WithLeaveADeletedCopyIsNotBroughtBack) {
    FirstRun();
    FileSystem::RemoveFile(dst + QStringLiteral("a.txt"));
    Run();
    EXPECT_TRUE(Exists(src + QStringLiteral("a.txt")));
    EXPECT_FALSE(Exists(dst + QStringLiteral("a.txt")));
    Run();
    EXPECT_FALSE(Exists(dst + QStringLiteral("a.txt")));
    EXPECT_TRUE(Exists(src + QStringLiteral("a.txt")));
}

TEST_F(SynchronizeProcedureTest, KeptVersionsAreNotSynchronised) {
    Task().VersionsKeepType = TVersionsKeepKind::vkSameFolder;
    FirstRun();
    Write(src, QStringLiteral("a.txt"), "second edition", 40);
    Run();
    EXPECT_EQ(Read(dst + QStringLiteral("a.txt")), "second edition");
    std::vector<FileSystem::TFolderEntry> entries;
    FileSystem::ListFolder(dst, entries);
    QStringList versions;
    for (const auto& e : entries)
        if (e.name.contains(QStringLiteral("(Version ")))
            versions << e.name;
    ASSERT_THAT(versions, SizeIs(1));
    EXPECT_FALSE(Exists(src + versions[0]));
    Run();
    EXPECT_FALSE(Exists(src + versions[0]));
}

TEST_F(SynchronizeProcedureTest, StopBetweenThePassesSavesNoIndex) {
    Write(src, QStringLiteral("a.txt"), "from source", 1);
    Write(dst, QStringLiteral("b.txt"), "from destination", 2);
    context.onStopCheck = [this](int) {
        if (context.Logged(TLogKind::lkSummary, QStringLiteral("Synchronizing (destination --> source)")))
            context.stop = true;
    };
    Run();
    EXPECT_TRUE(Exists(dst + QStringLiteral("a.txt")));
    EXPECT_FALSE(Exists(src + QStringLiteral("b.txt")));
    EXPECT_FALSE(Exists(dst + QStringLiteral("TASKA1.idx")));
    EXPECT_FALSE(Exists(src + QStringLiteral("TASKA1.idx")));
    EXPECT_EQ(LastSummary(), QStringLiteral("Synchronizing (destination --> source)"));
}

TEST_F(SynchronizeProcedureTest, AnUnreadableSourceDeletesNothingAtTheDestination) {
    Task().DeleteKind = TDeleteKind::adkDelete;
    FirstRun();
    ASSERT_EQ(FileSystem::Rename(src, home.Path() + QStringLiteral("unmounted")), 0);
    Run();
    EXPECT_EQ(Read(dst + QStringLiteral("a.txt")), "from source");
    EXPECT_EQ(Read(dst + QStringLiteral("b.txt")), "from destination");
    EXPECT_TRUE(Logged(
        TLogKind::lkWarning,
        QStringLiteral("Some folders could not be read; obsolete files are not processed in this run.")));
}

TEST_F(SynchronizeProcedureTest, TwoSourcesMeetInOneDestinationAndComeBackToTheFirst) {
    const QString second = home.Path() + QStringLiteral("second/");
    AddSource(second);
    Write(second, QStringLiteral("only-second.txt"), "2nd", 5);
    FirstRun();
    EXPECT_EQ(Read(dst + QStringLiteral("only-second.txt")), "2nd");
    // The backward pass brings everything into the first source folder.
    EXPECT_EQ(Read(src + QStringLiteral("only-second.txt")), "2nd");
    EXPECT_EQ(Read(src + QStringLiteral("b.txt")), "from destination");
    EXPECT_FALSE(Exists(second + QStringLiteral("b.txt")));
}

}  // namespace
