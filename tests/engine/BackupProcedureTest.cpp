#include "RunFixture.h"
#include "model/TaskPaths.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::SizeIs;

QString Totals(int folders, int files, qint64 bytes, int errors, int warnings) {
    return QStringLiteral("Log summary: %1 folders; %2 files, %3 bytes, %4 errors, %5 warnings.")
        .arg(folders)
        .arg(files)
        .arg(bytes)
        .arg(errors)
        .arg(warnings);
}

class BackupProcedureTest : public RunFixture {
protected:
    // One run of the procedure on a fresh job (prepare may adjust the job first).
    void Run(const std::function<void(TRunJob&)>& prepare = {}) {
        NewRun();
        job = MakeJob();
        if (prepare)
            prepare(*job);
        BackupProcedure(*job);
    }
    void ThreeFiles() {
        Write(src, QStringLiteral("a.txt"), "aaa");
        Write(src, QStringLiteral("sub/b.txt"), "bbbb");
        Write(src, QStringLiteral("sub/deep/c.txt"), "c");
    }
    QString IndexFile() const { return dst + QStringLiteral("TASKA1.idx"); }
    int CopyRecords() const {
        const std::vector<QString> files = Texts(TLogKind::lkFile);
        return static_cast<int>(std::count_if(files.begin(), files.end(), [](const QString& t) {
            return t.startsWith(QStringLiteral("Copying \""));
        }));
    }

    std::unique_ptr<TRunJob> job;
};

TEST_F(BackupProcedureTest, CopiesTheTreeAndSkipsUnchangedFilesOnTheNextRun) {
    ThreeFiles();
    Run();
    EXPECT_EQ(Read(dst + QStringLiteral("a.txt")), "aaa");
    EXPECT_EQ(Read(dst + QStringLiteral("sub/b.txt")), "bbbb");
    EXPECT_EQ(Read(dst + QStringLiteral("sub/deep/c.txt")), "c");
    EXPECT_TRUE(Logged(TLogKind::lkSummary, QStringLiteral("Index file not found or can't be loaded.")));
    EXPECT_TRUE(Logged(TLogKind::lkSummary, QStringLiteral("Index file saved (3 records).")));
    EXPECT_EQ(CopyRecords(), 3);
    EXPECT_EQ(LastSummary(), Totals(3, 3, 8, 0, 0));
    EXPECT_TRUE(Exists(IndexFile()));
    EXPECT_FALSE(context.stop);
    ASSERT_FALSE(context.progress.empty());
    EXPECT_EQ(context.progress.front().status, QStringLiteral("Copying"));

    Run();
    EXPECT_TRUE(Logged(TLogKind::lkSummary, QStringLiteral("Index file loaded (3 records).")));
    EXPECT_THAT(
        Texts(TLogKind::lkSkipped),
        testing::UnorderedElementsAre(QStringLiteral("Skipping unchanged \"%1a.txt\".").arg(src),
                                      QStringLiteral("Skipping unchanged \"%1sub/b.txt\".").arg(src),
                                      QStringLiteral("Skipping unchanged \"%1sub/deep/c.txt\".").arg(src)));
    EXPECT_EQ(CopyRecords(), 0);
    // Skipped files are counted like copied ones.
    EXPECT_EQ(LastSummary(), Totals(3, 3, 8, 0, 0));

    Write(src, QStringLiteral("a.txt"), "changed", 10);
    Run();
    EXPECT_EQ(Read(dst + QStringLiteral("a.txt")), "changed");
    EXPECT_THAT(Texts(TLogKind::lkSkipped), SizeIs(2));
}

TEST_F(BackupProcedureTest, MoveMovesTheFilesAndKeepsNoIndex) {
    Task().TaskAction = TTaskAction::taMove;
    ThreeFiles();
    Run();
    EXPECT_EQ(Read(dst + QStringLiteral("sub/deep/c.txt")), "c");
    EXPECT_EQ(Read(dst + QStringLiteral("a.txt")), "aaa");
    EXPECT_FALSE(Exists(src + QStringLiteral("a.txt")));
    EXPECT_FALSE(Exists(src + QStringLiteral("sub/deep/c.txt")));
    // Folders stay.
    EXPECT_TRUE(Exists(src + QStringLiteral("sub/deep")));
    EXPECT_FALSE(Exists(IndexFile()));
    for (const QString& text : Texts(TLogKind::lkSummary))
        EXPECT_FALSE(text.startsWith(QStringLiteral("Index file"))) << text.toStdString();
    EXPECT_EQ(LastSummary(), Totals(3, 3, 8, 0, 0));
}

TEST_F(BackupProcedureTest, NothingToDoIsAWarningAndTheRunStillEndsProperly) {
    Task().Filters.clear();
    Write(src, QStringLiteral("a.txt"), "a");
    Run();
    EXPECT_THAT(
        Texts(TLogKind::lkWarning),
        ElementsAre(QStringLiteral("Source files list is empty (check \"Task Properties -> File Filters\" "
                                   "settings). Nothing to do!")));
    EXPECT_TRUE(Logged(TLogKind::lkSummary, QStringLiteral("Index file saved (0 records).")));
    EXPECT_EQ(LastSummary(), Totals(0, 0, 0, 0, 1));
    EXPECT_FALSE(Exists(dst + QStringLiteral("a.txt")));
}

TEST_F(BackupProcedureTest, StopDuringTheScanSkipsIndexSaveObsoleteFilesAndTotals) {
    Task().DeleteKind = TDeleteKind::adkDelete;
    ThreeFiles();
    Run();
    ASSERT_TRUE(Exists(dst + QStringLiteral("sub/deep/c.txt")));
    FileSystem::RemoveFile(src + QStringLiteral("sub/deep/c.txt"));
    const QByteArray indexBefore = Read(IndexFile());
    Write(src, QStringLiteral("a.txt"), "changed", 10);

    // The stop comes once the first file (a.txt, the only file of the root) has been handled.
    const qint64 bytesBefore = context.progressBytes;
    context.onStopCheck = [this, bytesBefore](int) {
        if (context.progressBytes > bytesBefore)
            context.stop = true;
    };
    Run();
    context.onStopCheck = nullptr;
    EXPECT_TRUE(context.stop);
    EXPECT_EQ(Read(dst + QStringLiteral("a.txt")), "changed");
    // No obsolete processing: the copy of the removed file stays; the index file is the previous one.
    EXPECT_TRUE(Exists(dst + QStringLiteral("sub/deep/c.txt")));
    EXPECT_EQ(Read(IndexFile()), indexBefore);
    for (const QString& text : Texts(TLogKind::lkSummary)) {
        EXPECT_FALSE(text.startsWith(QStringLiteral("Index file saved"))) << text.toStdString();
        EXPECT_FALSE(text.startsWith(QStringLiteral("Log summary"))) << text.toStdString();
    }
}

TEST_F(BackupProcedureTest, MalformedFilterMaskEndsTheRunAsAbortedWithAnErrorRecord) {
    TTaskFilterItem bad = MakeIncludeAllFilter();
    bad.fnWildcard = QStringLiteral("*.txt;[abc");
    Task().Filters = {bad};
    Write(src, QStringLiteral("a.txt"), "a");
    Run();
    ASSERT_THAT(Texts(TLogKind::lkError), SizeIs(1));
    EXPECT_TRUE(Texts(TLogKind::lkError)[0].contains(QStringLiteral("[abc")))
        << Texts(TLogKind::lkError)[0].toStdString();
    EXPECT_TRUE(context.stop);
    EXPECT_FALSE(Exists(IndexFile()));
    EXPECT_FALSE(LastSummary().startsWith(QStringLiteral("Log summary")));
}

TEST_F(BackupProcedureTest, MissingSourceFolderIsReportedAndNeverEmptiesTheBackup) {
    Task().DeleteKind = TDeleteKind::adkDelete;
    ThreeFiles();
    Run();
    // Control: a file removed from a readable source is an obsolete copy and goes.
    FileSystem::RemoveFile(src + QStringLiteral("sub/b.txt"));
    Run();
    EXPECT_FALSE(Exists(dst + QStringLiteral("sub/b.txt")));
    ASSERT_TRUE(Exists(dst + QStringLiteral("a.txt")));

    // The source volume is gone: nothing at the destination may be taken for deleted.
    ASSERT_EQ(FileSystem::Rename(src, home.Path() + QStringLiteral("unmounted")), 0);
    Run();
    EXPECT_TRUE(Exists(dst + QStringLiteral("a.txt")));
    EXPECT_TRUE(Exists(dst + QStringLiteral("sub/deep/c.txt")));
    const std::vector<QString> warnings = Texts(TLogKind::lkWarning);
    ASSERT_THAT(warnings, SizeIs(3));
    EXPECT_TRUE(warnings[0].startsWith(QStringLiteral("Can't read folder \"%1\"").arg(src)));
    EXPECT_TRUE(warnings[1].startsWith(QStringLiteral("Source files list is empty")));
    EXPECT_EQ(
        warnings[2],
        QStringLiteral("Some folders could not be read; obsolete files are not processed in this run."));
    EXPECT_EQ(LastSummary(), Totals(0, 0, 0, 0, 3));
}

TEST_F(BackupProcedureTest, TheTasksIndexFileNameIsNeverCopiedFromTheSource) {
    Write(src, QStringLiteral("TASKA1.idx"), "not an index");
    Write(src, QStringLiteral("sub/TASKA1.idx"), "not an index either");
    Write(src, QStringLiteral("sub/x.txt"), "x");
    Run();
    EXPECT_TRUE(Read(IndexFile()).startsWith("IndexFileStart"));
    EXPECT_FALSE(Exists(dst + QStringLiteral("sub/TASKA1.idx")));
    EXPECT_EQ(LastSummary(), Totals(1, 1, 1, 0, 0));
}

TEST_F(BackupProcedureTest, AFileBelongsToTheSourceFolderItLiesIn) {
    const QString a = home.Path() + QStringLiteral("A/");
    const QString ab = home.Path() + QStringLiteral("AB/");
    Task().SourceFolders.clear();
    AddSource(a);
    AddSource(ab);
    Task().KeepStructureFromRoot = true;
    Write(a, QStringLiteral("y.txt"), "from A");
    Write(ab, QStringLiteral("x.txt"), "from AB");
    Run();
    // Each source keeps its own place below the destination root.
    EXPECT_EQ(Read(dst + StripRoot(ab) + QStringLiteral("x.txt")), "from AB");
    EXPECT_EQ(Read(dst + StripRoot(a) + QStringLiteral("y.txt")), "from A");
    EXPECT_FALSE(Exists(dst + StripRoot(a) + QStringLiteral("B/x.txt")));
    EXPECT_EQ(LastSummary(), Totals(2, 2, 13, 0, 0));
}

// --- one archive for the run ---------------------------------------------------------------------

class SingleArchiveTest : public BackupProcedureTest {
protected:
    void SetUp() override {
        BackupProcedureTest::SetUp();
        Task().CompressUse = true;
        Task().CompressSeparate = false;
        Task().CompressFilename = QStringLiteral("backup.zip");
        Write(src, QStringLiteral("a.txt"), "aa");
        Write(src, QStringLiteral("sub/b.txt"), "bbb");
    }
    QStringList TempFiles() const {
        std::vector<FileSystem::TFolderEntry> entries;
        FileSystem::ListFolder(tmp, entries);
        QStringList names;
        for (const auto& e : entries)
            names << e.name;
        return names;
    }
};

TEST_F(SingleArchiveTest, PacksTheListIntoOneArchiveAndMakesOnlyTheRoot) {
    Run();
    ASSERT_THAT(Compressor(*job).lists, SizeIs(1));
    EXPECT_THAT(Compressor(*job).lists[0], testing::UnorderedElementsAre(src + QStringLiteral("a.txt"),
                                                                         src + QStringLiteral("sub/b.txt")));
    EXPECT_EQ(Compressor(*job).archives[0], tmp + QStringLiteral("backup.zip"));
    EXPECT_TRUE(Read(dst + QStringLiteral("backup.zip")).startsWith("ZIPLIST:"));
    EXPECT_TRUE(FileSystem::IsFolder(dst));
    EXPECT_FALSE(Exists(dst + QStringLiteral("sub")));
    EXPECT_FALSE(Exists(dst + QStringLiteral("a.txt")));
    EXPECT_TRUE(Logged(TLogKind::lkSummary, QStringLiteral("Preparing file list...")));
    EXPECT_TRUE(Logged(TLogKind::lkSummary, QStringLiteral("File list done (2 files, 2 folders, 5 bytes)!")));
    EXPECT_THAT(TempFiles(), IsEmpty());
    EXPECT_EQ(LastSummary(), Totals(2, 2, 5, 0, 0));
}

TEST_F(SingleArchiveTest, EncryptedMoveStoresTheEncryptedArchiveAndDeletesTheSources) {
    Task().TaskAction = TTaskAction::taMove;
    Task().CryptUse = true;
    Run();
    ASSERT_THAT(Encryptor(*job).calls, SizeIs(1));
    EXPECT_EQ(Encryptor(*job).calls[0].source, tmp + QStringLiteral("backup.zip"));
    EXPECT_EQ(Encryptor(*job).calls[0].target, tmp + QStringLiteral("backup.zip.enc"));
    EXPECT_EQ(Read(dst + QStringLiteral("backup.enc")), "ENC");
    EXPECT_FALSE(Exists(dst + QStringLiteral("backup.zip")));
    EXPECT_FALSE(Exists(src + QStringLiteral("a.txt")));
    EXPECT_FALSE(Exists(src + QStringLiteral("sub/b.txt")));
    EXPECT_TRUE(Exists(src + QStringLiteral("sub")));
    EXPECT_TRUE(Logged(TLogKind::lkSummary, QStringLiteral("Deleting Source files...")));
    EXPECT_TRUE(Logged(TLogKind::lkFile, QStringLiteral("Source file deleted: %1a.txt.").arg(src)));
    EXPECT_TRUE(Logged(TLogKind::lkSummary, QStringLiteral("...deletion done!")));
    // Both temporary files are gone.
    EXPECT_THAT(TempFiles(), IsEmpty());
}

TEST_F(SingleArchiveTest, MoveWithFolderEntriesReportsThemAsUndeletable) {
    Task().TaskAction = TTaskAction::taMove;
    TTaskFilterItem empty = MakeIncludeAllFilter();
    empty.FilterKind = TFilterKind::fikFolderName;
    empty.frKind = TFolderKind::frkEmpty;
    Task().Filters.push_back(empty);
    Run();
    EXPECT_TRUE(Logged(TLogKind::lkError, QStringLiteral("Error deleting Source file: %1sub/.").arg(src)));
    EXPECT_TRUE(FileSystem::IsFolder(src + QStringLiteral("sub")));
    EXPECT_FALSE(Exists(src + QStringLiteral("sub/b.txt")));
}

TEST_F(SingleArchiveTest, FailedCompressionStoresNothingAndKeepsTheSources) {
    Task().TaskAction = TTaskAction::taMove;
    Run([](TRunJob& j) { static_cast<TFakeCompressor&>(*j.Compressor).fail = true; });
    EXPECT_TRUE(Logged(TLogKind::lkError, QStringLiteral("Error compressing files!")));
    EXPECT_FALSE(Exists(dst + QStringLiteral("backup.zip")));
    EXPECT_TRUE(Exists(src + QStringLiteral("a.txt")));
    EXPECT_EQ(LastSummary(), Totals(2, 2, 5, 1, 0));
}

TEST_F(BackupProcedureTest, PackedFilesAreStoredWithTheirExtensionAndSkippedWhenUnchanged) {
    Task().CompressUse = true;
    Task().CompressSeparate = true;
    Write(src, QStringLiteral("sub/doc.txt"), "text");
    Run();
    EXPECT_EQ(Read(dst + QStringLiteral("sub/doc.txt.zip")), "ZIP:text");
    EXPECT_TRUE(Logged(TLogKind::lkSummary, QStringLiteral("Index file saved (1 records).")));

    Run();
    EXPECT_THAT(Compressor(*job).single, IsEmpty());
    EXPECT_TRUE(
        Logged(TLogKind::lkSkipped, QStringLiteral("Skipping unchanged \"%1sub/doc.txt\".").arg(src)));

    Write(src, QStringLiteral("sub/doc.txt"), "new text", 20);
    Run();
    EXPECT_EQ(Read(dst + QStringLiteral("sub/doc.txt.zip")), "ZIP:new text");
}

TEST_F(BackupProcedureTest, MissingPartsOfTheRunEndItAsAbortedWithAnErrorRecord) {
    Write(src, QStringLiteral("a.txt"), "a");
    const QString marker = home.Path() + QStringLiteral("ran");
    const QString script = home.WriteFile(QStringLiteral("mark.sh"), "#!/bin/sh\ntouch \"$1\"\n");
    ASSERT_EQ(::chmod(EncodeFileName(script).constData(), 0755), 0);
    Task().Before = true;
    Task().BeforeProgramName = script + QLatin1Char(' ') + marker;
    Run([](TRunJob& j) { j.Storage.reset(); });
    EXPECT_THAT(Texts(TLogKind::lkError), SizeIs(1));
    EXPECT_TRUE(context.stop);
    // Nothing of the run happens, not even the run-before program.
    EXPECT_FALSE(Exists(marker));

    Task().CompressUse = true;
    Run([](TRunJob& j) { j.Compressor.reset(); });
    ASSERT_THAT(Texts(TLogKind::lkError), SizeIs(1));
    EXPECT_TRUE(Texts(TLogKind::lkError)[0].contains(QStringLiteral("BUILTIN")));
    EXPECT_TRUE(context.stop);
    EXPECT_FALSE(Exists(dst + QStringLiteral("a.txt")));
}

TEST_F(BackupProcedureTest, BeforeAndAfterProgramsFrameTheRun) {
    const QString marker = home.Path() + QStringLiteral("order");
    const QString script = home.WriteFile(QStringLiteral("step.sh"), "#!/bin/sh\necho \"$1\" >> \"$2\"\n");
    ASSERT_EQ(::chmod(EncodeFileName(script).constData(), 0755), 0);
    Task().Before = true;
    Task().BeforeProgramName = script + QStringLiteral(" before ") + marker;
    Task().After = true;
    Task().AfterProgramName = script + QStringLiteral(" after ") + marker;
    Write(src, QStringLiteral("a.txt"), "a");
    Run();
    EXPECT_EQ(Read(marker), "before\nafter\n");

    // A stopped run does not get to the after-steps.
    FileSystem::RemoveFile(marker);
    context.onStopCheck = [this](int) {
        if (!context.Texts(TLogKind::lkSkipped).empty())
            context.stop = true;
    };
    Run();
    context.onStopCheck = nullptr;
    EXPECT_EQ(Read(marker), "before\n");
}

}  // namespace

// --- dial-up before the run ----------------------------------------------------------------------

namespace {

class TFakeDialUp : public TDialUpService {
public:
    QStringList Entries() override { return entries; }
    bool IsActive(const QString& entry) override { return active.contains(entry); }
    bool Dial(const QString& entry, const std::function<bool()>&) override {
        dialled << entry;
        if (!connects)
            return false;
        active << entry;
        return true;
    }
    QStringList entries{QStringLiteral("Office"), QStringLiteral("Phone")};
    QStringList active;
    QStringList dialled;
    bool connects = true;
};

class DialUpStepTest : public BackupProcedureTest {
protected:
    void RunWithEntry(const QString& entry) {
        Task().DialEntry = entry;
        Run([this](TRunJob& j) { j.DialUp = &dial; });
    }
    TFakeDialUp dial;
};

TEST_F(DialUpStepTest, NoEntryOrABracketedChoiceDialsNothing) {
    for (const QString& entry : {QString(), QStringLiteral("[none]"), QStringLiteral("[Ask]")}) {
        RunWithEntry(entry);
        EXPECT_THAT(dial.dialled, IsEmpty());
        EXPECT_THAT(Texts(TLogKind::lkError), IsEmpty());
        EXPECT_THAT(Texts(TLogKind::lkWarning), SizeIs(1));  // only "Source files list is empty"
    }
}

TEST_F(DialUpStepTest, DialsAnInactiveEntryAndSaysSo) {
    RunWithEntry(QStringLiteral("Phone"));
    EXPECT_THAT(dial.dialled, ElementsAre(QStringLiteral("Phone")));
    const std::vector<QString> summaries = Texts(TLogKind::lkSummary);
    ASSERT_THAT(summaries, SizeIs(testing::Ge(2u)));
    EXPECT_EQ(summaries[0], QStringLiteral("Connecting to Phone."));
    EXPECT_EQ(summaries[1], QStringLiteral("Connection established (Phone)."));
    ASSERT_FALSE(context.progress.empty());
    EXPECT_EQ(context.progress.front().status, QStringLiteral("Connecting to Phone."));
    EXPECT_EQ(context.progress.front().total, 100);
}

TEST_F(DialUpStepTest, AnActiveConnectionIsLeftAlone) {
    dial.active << QStringLiteral("Office");
    RunWithEntry(QStringLiteral("Office"));
    EXPECT_THAT(dial.dialled, IsEmpty());
    EXPECT_TRUE(Logged(TLogKind::lkWarning, QStringLiteral("Already connected to RAS (Office). Skipping.")));
}

TEST_F(DialUpStepTest, AFailedOrUnknownEntryIsAnErrorAndTheRunGoesOn) {
    Write(src, QStringLiteral("a.txt"), "a");
    dial.connects = false;
    RunWithEntry(QStringLiteral("Phone"));
    EXPECT_THAT(Texts(TLogKind::lkError), ElementsAre(QStringLiteral("Can't connect to Phone.")));
    EXPECT_TRUE(Exists(dst + QStringLiteral("a.txt")));

    // An entry that does not exist cannot be selected, so it is not dialled at all.
    RunWithEntry(QStringLiteral("Elsewhere"));
    EXPECT_THAT(dial.dialled, ElementsAre(QStringLiteral("Phone")));
    EXPECT_THAT(Texts(TLogKind::lkError), ElementsAre(QStringLiteral("Can't connect to Elsewhere.")));
    EXPECT_TRUE(Logged(TLogKind::lkSummary, QStringLiteral("Connecting to Elsewhere.")));
}

}  // namespace
