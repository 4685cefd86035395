#include <cerrno>
#include <cstdlib>

#include "storage/ArchivesTestSupport.h"

namespace {

class ObsoleteFilesTest : public TArchivesTestBase {
protected:
    void SetUp() override {
        TArchivesTestBase::SetUp();
        Task().DeleteKind = TDeleteKind::adkDelete;
        Task().DeleteEmptyFolders = false;
        storage->DestinationIndex.Loaded = true;
    }
    // An index item of the destination, as read from the index file (seen: claimed by this run).
    void Item(const QString& path, bool seen = false) {
        storage->DestinationIndex.Append(path, DateTime::Encode(2008, 1, 1))->Seen = seen;
    }
    QStringList Items() const {
        QStringList paths;
        storage->DestinationIndex.ForEach([&](const TIndexFileItem& item) { paths << item.Path; });
        return paths;
    }
    void Process() { storage->ProcessObsoleteFiles(TStorageSide::Destination); }
};

}  // namespace

TEST_F(ObsoleteFilesTest, NothingIsObsoleteWithoutALoadedIndexOrWhenFilesAreLeft) {
    const QString file = Write(dst + "old.txt", "x");
    Item(file);
    storage->DestinationIndex.Loaded = false;
    Process();
    storage->DestinationIndex.Loaded = true;
    Task().DeleteKind = TDeleteKind::adkLeave;
    Process();
    EXPECT_TRUE(Exists(file));
    EXPECT_EQ(Items(), QStringList{file});
    EXPECT_TRUE(context.logs.empty());
}

TEST_F(ObsoleteFilesTest, DiskSpanningOrCompressionDisableTheWholePass) {
    const QString file = Write(dst + "old.txt", "x");
    Item(file);
    context.spanning = true;
    Process();
    EXPECT_EQ(context.Texts(TLogKind::lkWarning),
              std::vector<QString>{"Obsolete files deletion is skipped due to Disk Spanning!"});
    context.spanning = false;
    Task().CompressUse = true;
    Process();
    EXPECT_TRUE(Exists(file));
    EXPECT_EQ(Items(), QStringList{file});
    EXPECT_EQ(context.logs.size(), 1u);
}

TEST_F(ObsoleteFilesTest, UnseenFilesAreDeletedAndEveryUnseenItemLeavesTheIndex) {
    const QString kept = Write(dst + "keep.txt", "x");
    const QString old = Write(dst + "old.txt", "x");
    const QString nested = Write(dst + "sub/x.txt", "x");
    Item(kept, true);
    Item(old);
    Item(dst + "gone.txt");
    Item(nested);
    Process();
    EXPECT_EQ(Items(), QStringList{kept});
    EXPECT_TRUE(Exists(kept));
    EXPECT_FALSE(Exists(old));
    EXPECT_FALSE(Exists(nested));
    EXPECT_TRUE(Exists(dst + "sub"));  // DeleteEmptyFolders is off
    const QString text = QStringLiteral("Deleting obsolete file \"%1\".").arg(old);
    EXPECT_TRUE(context.Logged(TLogKind::lkWarning, text));
    EXPECT_TRUE(Alerted(TAlertEvent::aeWarning, "CS", text));
    EXPECT_EQ(context.warnings, 2);
    EXPECT_EQ(context.errors, 0);
}

TEST_F(ObsoleteFilesTest, ItemsWithNothingToActOnLeaveTheIndexAndTouchNothing) {
    // An encrypted copy is stored under another name than the index records.
    const QString encrypted = Write(dst + "x.txt.enc", "x");
    // A folder now standing where a file was (a synchronisation may just have put it there).
    const QString folderFile = Write(dst + "now-a-folder/inside.txt", "x");
    // Paths that lead outside the destination tree.
    const QString outside = Write(home.Path() + "outside.txt", "x");
    Item(dst + "x.txt");
    Item(dst + "now-a-folder");
    Item(outside);
    Item(dst + "../outside.txt");
    Process();
    EXPECT_TRUE(Items().isEmpty());
    EXPECT_TRUE(Exists(encrypted));
    EXPECT_TRUE(Exists(folderFile));
    EXPECT_TRUE(Exists(outside));
    EXPECT_TRUE(context.logs.empty());
}

TEST_F(ObsoleteFilesTest, EmptiedFoldersAreRemovedUpToButNeverIncludingTheRoot) {
    // The root is a mount point's folder in a parent that holds nothing else.
    const QString root = home.Path() + "mnt/backup/";
    Task().DestLocal = root;
    Task().ClearPathCaches();
    Task().DeleteEmptyFolders = true;
    const QString deep = Write(root + "a/b/c/x.txt", "x");
    Write(root + "a/y.txt", "stays");
    const QString lone = Write(root + "only/z.txt", "x");
    Item(deep);
    Item(lone);
    Process();
    EXPECT_EQ(context.Texts(TLogKind::lkFile),
              std::vector<QString>({"Deleting empty obsolete folder: " + root + "a/b/c",
                                    "Deleting empty obsolete folder: " + root + "a/b",
                                    "Deleting empty obsolete folder: " + root + "only"}));
    EXPECT_EQ(Names(root), QStringList{"a"});
    EXPECT_EQ(Names(root + "a"), QStringList{"y.txt"});

    // With the last file gone the root is empty, and still kept, like its parents.
    Item(root + "a/y.txt");
    Process();
    EXPECT_TRUE(Names(root).isEmpty());
    EXPECT_TRUE(FileSystem::IsFolder(root));
    EXPECT_EQ(context.errors, 0);
}

TEST_F(ObsoleteFilesTest, FolderWalkNeverLeavesTheTreeBelowItsStop) {
    ASSERT_EQ(FileSystem::MakePath(home.Path() + "other/empty"), 0);
    ASSERT_EQ(FileSystem::MakePath(dst + "e"), 0);
    EXPECT_TRUE(storage->DeleteEmptyFoldersUpward(home.Path() + "other/empty", dst));
    EXPECT_TRUE(storage->DeleteEmptyFoldersUpward(dst + "e/../../other/empty", dst));
    EXPECT_TRUE(storage->DeleteEmptyFoldersUpward(dst, dst));
    EXPECT_TRUE(storage->DeleteEmptyFoldersUpward(dst + "e", QString()));
    EXPECT_TRUE(FileSystem::IsFolder(home.Path() + "other/empty"));
    EXPECT_TRUE(FileSystem::IsFolder(dst + "e"));
    EXPECT_TRUE(context.logs.empty());
    EXPECT_TRUE(storage->DeleteEmptyFoldersUpward(dst + "e/", dst));
    EXPECT_FALSE(Exists(dst + "e"));
}

TEST_F(ObsoleteFilesTest, StopAnswerLeavesTheFileAndTheRestOfTheItemsForTheNextRun) {
    const QString first = Write(dst + "1.txt", "x");
    const QString second = Write(dst + "2.txt", "x");
    Item(first);
    Item(second);
    context.answers = {AlertAnswer::Stop};
    Process();
    EXPECT_TRUE(Exists(first));
    EXPECT_TRUE(Exists(second));
    EXPECT_EQ(Items(), QStringList({first, second}));
}

TEST_F(ObsoleteFilesTest, RecycledFileGoesToTheTrash) {
    const QByteArray previous = qgetenv("XDG_DATA_HOME");
    const bool hadPrevious = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", (home.Path() + "data").toUtf8());
    Task().DeleteKind = TDeleteKind::adkDeleteRecycle;
    Task().DeleteEmptyFolders = true;
    const QString file = Write(dst + "sub/x.txt", "recycled");
    Item(file);
    Process();
    hadPrevious ? qputenv("XDG_DATA_HOME", previous) : qunsetenv("XDG_DATA_HOME");
    EXPECT_FALSE(Exists(dst + "sub"));
    EXPECT_EQ(Read(home.Path() + "data/Trash/files/x.txt"), "recycled");
    const QString text = QStringLiteral("Deleting obsolete file \"%1\" to Recycle Bin.").arg(file);
    EXPECT_TRUE(Alerted(TAlertEvent::aeWarning, "CS", text));
    EXPECT_EQ(context.errors, 0);
}

TEST_F(ObsoleteFilesTest, MoveBesideTheFileGivesItsObsoleteName) {
    Task().DeleteKind = TDeleteKind::adkMoveSameFolder;
    const QString file = Write(dst + "sub/x.txt", "old");
    Item(file);
    Process();
    const QString archived = dst + "sub/x (Obsolete 2008-01-02 10-11-12).txt";
    EXPECT_EQ(Read(archived), "old");
    EXPECT_FALSE(Exists(file));
    const QString text = QStringLiteral("Saving obsolete file \"%1\" to \"%2\".").arg(file, archived);
    EXPECT_TRUE(context.Logged(TLogKind::lkFile, text));
    EXPECT_TRUE(Alerted(TAlertEvent::aeFile, "CS", text));
    EXPECT_TRUE(Items().isEmpty());
}

TEST_F(ObsoleteFilesTest, MoveToArchiveKeepsTheStructureAppliesTheQuotaAndLeavesEmptyFolders) {
    Task().DeleteKind = TDeleteKind::adkMoveArcFolder;
    Task().ArchiveFolder = home.Path() + "deleted";
    Task().ArchiveFolderKeepStruct = true;
    Task().KeepDeletedFilesNum = 2;
    Task().DeleteEmptyFolders = true;
    Task().ClearPathCaches();
    const QString oldest = Write(home.Path() + "deleted/sub/x (Obsolete 2006-01-01 00-00-00).txt", "2006");
    Write(home.Path() + "deleted/sub/x (Obsolete 2007-01-01 00-00-00).txt", "2007");
    Item(Write(dst + "sub/x.txt", "2008"));
    Process();
    EXPECT_EQ(
        context.Texts(TLogKind::lkWarning),
        std::vector<QString>{QStringLiteral("Deleting obsolete file stored over quota \"%1\".").arg(oldest)});
    EXPECT_EQ(Names(home.Path() + "deleted/sub"),
              QStringList({"x (Obsolete 2007-01-01 00-00-00).txt", "x (Obsolete 2008-01-02 10-11-12).txt"}));
    EXPECT_TRUE(FileSystem::IsFolder(dst + "sub"));
}

TEST_F(ObsoleteFilesTest, ArchiveFolderThatCannotBeMadeStopsTheRunAndKeepsTheItems) {
    Write(home.Path() + "blocker", "a file where a folder should be");
    Task().DeleteKind = TDeleteKind::adkMoveArcFolder;
    Task().ArchiveFolder = home.Path() + "blocker/deleted";
    Task().ClearPathCaches();
    const QString first = Write(dst + "1.txt", "x");
    const QString second = Write(dst + "2.txt", "x");
    Item(first);
    Item(second);
    Process();
    const QString text = QStringLiteral(
                             "Invalid obsolete files archive folder \"%1blocker/deleted/\" "
                             "(Description: %2, Code: %3).")
                             .arg(home.Path(), FileSystem::ErrorText(ENOTDIR))
                             .arg(ENOTDIR);
    EXPECT_EQ(context.Texts(TLogKind::lkError), std::vector<QString>{text});
    EXPECT_TRUE(Alerted(TAlertEvent::aeError, "S", text));
    EXPECT_TRUE(context.stop);
    EXPECT_TRUE(Exists(first));
    EXPECT_EQ(Items(), QStringList({first, second}));
}

TEST_F(ObsoleteFilesTest, FailedMoveIsReportedAndTheItemStillLeaves) {
    Task().DeleteKind = TDeleteKind::adkMoveSameFolder;
    // The stamped name of a file with a 250-byte name exceeds what the file system allows.
    const QString file = Write(dst + QString(246, QLatin1Char('n')) + ".txt", "x");
    Item(file);
    Process();
    const QString text =
        QStringLiteral("Cannot move obsolete file \"%1\" to an archive folder \"%2\"!")
            .arg(file, dst + QString(246, QLatin1Char('n')) + " (Obsolete 2008-01-02 10-11-12).txt");
    EXPECT_TRUE(context.Logged(TLogKind::lkError, text));
    EXPECT_TRUE(Alerted(TAlertEvent::aeError, "CS", text));
    EXPECT_TRUE(Exists(file));
    EXPECT_TRUE(Items().isEmpty());
}

TEST_F(ObsoleteFilesTest, SourceSideOfASynchronisationIsHandledBelowTheSourceRoot) {
    Task().TaskAction = TTaskAction::taSynchronize;
    Task().DeleteEmptyFolders = true;
    storage->SourceIndex.Loaded = true;
    const QString file = Write(src + "s/x.txt", "x");
    storage->SourceIndex.Append(file, DateTime::Encode(2008, 1, 1));
    storage->ProcessObsoleteFiles(TStorageSide::Source);
    EXPECT_FALSE(Exists(src + "s"));
    EXPECT_TRUE(FileSystem::IsFolder(src));
    EXPECT_EQ(storage->SourceIndex.Count(), 0);
}
