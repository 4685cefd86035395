#include "model/Filters.h"
#include "packing/Launcher.h"
#include "storage/ArchivesTestSupport.h"

namespace {

const QDateTime kStamp(QDate(2008, 1, 2), QTime(10, 11, 12));

class VersionsTest : public TArchivesTestBase {
protected:
    void SetUp() override {
        TArchivesTestBase::SetUp();
        Task().VersionsKeepType = TVersionsKeepKind::vkSameFolder;
    }
    void KeepInArchive(const QString& folder, bool keepStructure) {
        Task().VersionsKeepType = TVersionsKeepKind::vkArcFolder;
        Task().VersionsKeepArcFolder = folder;
        Task().VersionsKeepArcFolderKeepStruct = keepStructure;
        Task().ClearPathCaches();
    }
};

}  // namespace

TEST(VersionCopyName, StampStandsBeforeTheExtensionOfTheNameItself) {
    EXPECT_EQ(VersionCopyName("report.doc", "Version", kStamp), "report (Version 2008-01-02 10-11-12).doc");
    EXPECT_EQ(VersionCopyName("archive.tar.gz", "Obsolete", kStamp),
              "archive.tar (Obsolete 2008-01-02 10-11-12).gz");
    EXPECT_EQ(VersionCopyName("README", "Version", kStamp), "README (Version 2008-01-02 10-11-12)");
    EXPECT_EQ(VersionCopyName("dir.x/file", "Version", kStamp), "dir.x/file (Version 2008-01-02 10-11-12)");
    EXPECT_EQ(VersionCopyName("a.txt", "Version", QDateTime(QDate(2009, 12, 31), QTime(23, 5, 9))),
              "a (Version 2009-12-31 23-05-09).txt");
    // Copies are recognised again by the scan and the restore side; a name without extension is not.
    EXPECT_EQ(StripVersionStamp(VersionCopyName("report.doc", "Version", kStamp), "Version"), "report.doc");
    EXPECT_TRUE(IsVersionCopyName(VersionCopyName("report.doc", "Obsolete", kStamp)));
    EXPECT_FALSE(IsVersionCopyName(VersionCopyName("README", "Version", kStamp)));
}

TEST_F(VersionsTest, FileIsKeptBesideItselfUnderItsStampedName) {
    const QString file = Write(dst + "sub/a.txt", "old");
    storage->SaveFileVersion(file);
    const QString version = dst + "sub/a (Version 2008-01-02 10-11-12).txt";
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(Read(version), "old");
    const QString text = QStringLiteral("Saving \"%1\" file version to \"%2\".").arg(file, version);
    EXPECT_TRUE(context.Logged(TLogKind::lkFile, text));
    EXPECT_TRUE(Alerted(TAlertEvent::aeFile, "CS", text));
    EXPECT_EQ(context.errors + context.warnings, 0);
}

TEST_F(VersionsTest, ArchiveFolderIsMadeWithParentsAndKeepsTheStructureOnlyWhenAsked) {
    KeepInArchive(home.Path() + "arc/deep", false);
    storage->SaveFileVersion(Write(dst + "sub/a.txt", "flat"));
    EXPECT_EQ(Read(home.Path() + "arc/deep/a (Version 2008-01-02 10-11-12).txt"), "flat");

    KeepInArchive(home.Path() + "tree", true);
    storage->SaveFileVersion(Write(dst + "sub/inner/b.txt", "kept"));
    EXPECT_EQ(Read(home.Path() + "tree/sub/inner/b (Version 2008-01-02 10-11-12).txt"), "kept");

    // A source file overwritten by a synchronisation keeps its place below the source root.
    Task().TaskAction = TTaskAction::taSynchronize;
    storage->SaveFileVersion(Write(src + "s1/c.txt", "source"));
    EXPECT_EQ(Read(home.Path() + "tree/s1/c (Version 2008-01-02 10-11-12).txt"), "source");
    EXPECT_EQ(context.errors, 0);
}

TEST_F(VersionsTest, QuotaOfThreeDeletesTheOldestOnlyForTheFourthVersion) {
    Task().VersionsKeepFilesNum = 3;
    const QString oldest = Write(dst + "a (Version 2008-01-01 08-00-00).txt", "v1");
    Write(dst + "a (Version 2008-01-01 09-00-00).txt", "v2");
    // Not of the group: another file (Linux names differ by case), another tag, the file itself.
    Write(dst + "A (Version 2000-01-01 00-00-00).txt", "other file");
    Write(dst + "a (Obsolete 2000-01-01 00-00-00).txt", "obsolete copy");
    Write(dst + "b (Version 2000-01-01 00-00-00).txt", "other name");

    storage->SaveFileVersion(Write(dst + "a.txt", "v3"));
    EXPECT_TRUE(Exists(oldest));
    EXPECT_EQ(context.warnings, 0);

    now = DateTime::Encode(2008, 1, 2, 10, 12, 0);
    storage->SaveFileVersion(Write(dst + "a.txt", "v4"));
    EXPECT_FALSE(Exists(oldest));
    EXPECT_EQ(context.Texts(TLogKind::lkWarning),
              std::vector<QString>{
                  QStringLiteral("Deleting old file version stored over quota \"%1\".").arg(oldest)});
    EXPECT_EQ(Names(dst),
              QStringList({"A (Version 2000-01-01 00-00-00).txt", "a (Obsolete 2000-01-01 00-00-00).txt",
                           "a (Version 2008-01-01 09-00-00).txt", "a (Version 2008-01-02 10-11-12).txt",
                           "a (Version 2008-01-02 10-12-00).txt", "b (Version 2000-01-01 00-00-00).txt"}));
}

TEST_F(VersionsTest, QuotaCountsCopiesWhateverTheTagsCaseButNeverNamesWithoutExtension) {
    Task().VersionsKeepFilesNum = 1;
    const QString lower = Write(dst + "a (version 2001-01-01 00-00-00).txt", "old");
    storage->SaveFileVersion(Write(dst + "a.txt", "new"));
    EXPECT_FALSE(Exists(lower));

    const QString unrecognised = Write(dst + "README (Version 2001-01-01 00-00-00)", "old");
    storage->SaveFileVersion(Write(dst + "README", "new"));
    EXPECT_TRUE(Exists(unrecognised));
    EXPECT_EQ(Read(dst + "README (Version 2008-01-02 10-11-12)"), "new");
    EXPECT_EQ(context.warnings, 1);
}

TEST_F(VersionsTest, SecondVersionInTheSameSecondWaitsForTheNextStamp) {
    storage->SaveFileVersion(Write(dst + "a.txt", "first"));
    storage->SaveFileVersion(Write(dst + "a.txt", "second"));
    EXPECT_EQ(Read(dst + "a (Version 2008-01-02 10-11-12).txt"), "first");
    EXPECT_EQ(Read(dst + "a (Version 2008-01-02 10-11-13).txt"), "second");
    // The wait sleeps in short steps (so that a stop is seen) instead of spinning.
    ASSERT_FALSE(context.sleeps.empty());
    EXPECT_LE(*std::max_element(context.sleeps.begin(), context.sleeps.end()), 200);
}

TEST_F(VersionsTest, StopWhileWaitingOrAtTheAnnouncementMovesNothing) {
    Write(dst + "a (Version 2008-01-02 10-11-12).txt", "taken");
    const QString file = Write(dst + "a.txt", "current");
    context.onSleep = [this] { context.stop = true; };
    storage->SaveFileVersion(file);
    EXPECT_EQ(Read(file), "current");
    EXPECT_TRUE(context.alerts.empty());

    context.stop = false;
    now = DateTime::Encode(2008, 1, 2, 11, 0, 0);
    context.answers = {AlertAnswer::Stop};
    storage->SaveFileVersion(file);
    EXPECT_EQ(Read(file), "current");
    EXPECT_EQ(context.alerts.size(), 1u);
    EXPECT_EQ(context.Count(TLogKind::lkFile), 0);
    EXPECT_TRUE(context.stop);
    EXPECT_EQ(Names(dst), QStringList({"a (Version 2008-01-02 10-11-12).txt", "a.txt"}));
}

TEST_F(VersionsTest, FolderThatCannotBeMadeStopsTheRun) {
    Write(home.Path() + "blocker", "a file where a folder should be");
    KeepInArchive(home.Path() + "blocker/versions", false);
    const QString file = Write(dst + "a.txt", "current");
    storage->SaveFileVersion(file);
    const QString text = QStringLiteral("Invalid versions folder \"%1blocker/versions/\"!").arg(home.Path());
    EXPECT_TRUE(context.Logged(TLogKind::lkError, text));
    EXPECT_TRUE(Alerted(TAlertEvent::aeError, "S", text));
    EXPECT_TRUE(context.stop);
    EXPECT_EQ(Read(file), "current");
}

TEST_F(VersionsTest, NoVersionWithoutKeepTypeWithCompressionOrWithoutTheFile) {
    KeepInArchive(home.Path() + "arc", false);
    storage->SaveFileVersion(dst + "missing.txt");
    const QString file = Write(dst + "a.txt", "current");
    Task().CompressUse = true;
    storage->SaveFileVersion(file);
    Task().CompressUse = false;
    Task().VersionsKeepType = TVersionsKeepKind::vkNone;
    storage->SaveFileVersion(file);
    EXPECT_EQ(Read(file), "current");
    EXPECT_FALSE(Exists(home.Path() + "arc"));
    EXPECT_TRUE(context.logs.empty());
    EXPECT_TRUE(context.alerts.empty());
}

TEST_F(VersionsTest, FailedMoveIsReportedAndTheFileStays) {
    // The stamped name of a file with a 250-byte name exceeds what the file system allows.
    const QString file = Write(dst + QString(246, QLatin1Char('n')) + ".txt", "current");
    storage->SaveFileVersion(file);
    const QString text = QStringLiteral("Cannot save \"%1\" file version!").arg(file);
    EXPECT_TRUE(context.Logged(TLogKind::lkError, text));
    EXPECT_TRUE(Alerted(TAlertEvent::aeError, "CS", text));
    EXPECT_EQ(Read(file), "current");
    EXPECT_FALSE(context.stop);
}
