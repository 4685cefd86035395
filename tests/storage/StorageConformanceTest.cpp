#include "storage/StorageConformance.h"

// --- copies ------------------------------------------------------------------------------------------

TEST_P(StorageConformance, NewFileArrivesWithItsFoldersContentTimeAndIndexItem) {
    const QString source = Write(src + "a/b/report.txt", "first version", 4);
    EXPECT_TRUE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(dst + "a/b/report.txt"), QByteArray("first version"));
    EXPECT_TRUE(
        DateTime::SameTime(FileModificationTime(dst + "a/b/report.txt"), FileModificationTime(source)));
    EXPECT_TRUE(DateTime::SameTime(RecordedTime(source), FileModificationTime(source)));
    EXPECT_EQ(context.progressBytes, 13);
    EXPECT_TRUE(NoWarningsOrErrors());
}

TEST_P(StorageConformance, UnchangedFileIsSkippedAndChangedFileReplacedOnTheNextRun) {
    const QString same = Write(src + "same.txt", "unchanged", 1);
    const QString changed = Write(src + "changed.txt", "old text", 1);
    ASSERT_TRUE(storage->PutFileToDestination(same));
    ASSERT_TRUE(storage->PutFileToDestination(changed));
    NextRunWithIndex();
    EXPECT_EQ(storage->DestinationIndex.Count(), 2);

    Write(changed, "new, longer text", 9);
    EXPECT_FALSE(storage->PutFileToDestination(same));
    EXPECT_TRUE(context.Logged(TLogKind::lkSkipped, QStringLiteral("Skipping unchanged \"%1\".").arg(same)));
    EXPECT_TRUE(storage->PutFileToDestination(changed));
    EXPECT_EQ(Read(dst + "changed.txt"), QByteArray("new, longer text"));
    EXPECT_TRUE(DateTime::SameTime(RecordedTime(changed), FileModificationTime(changed)));
    // Skipped files count as progress too.
    EXPECT_EQ(context.progressBytes, 9 + 16);
    EXPECT_TRUE(NoWarningsOrErrors());
}

TEST_P(StorageConformance, OlderSourceIsSkippedWithAWarningUnlessOverwritingIsWanted) {
    const QString source = Write(src + "doc.txt", "stored at ten past", 10);
    ASSERT_TRUE(storage->PutFileToDestination(source));
    NextRunWithIndex();

    Write(source, "restored older", 2);
    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(dst + "doc.txt"), QByteArray("stored at ten past"));
    ASSERT_EQ(context.Count(TLogKind::lkWarning), 1);
    EXPECT_TRUE(
        context.Texts(TLogKind::lkWarning)[0].startsWith(QStringLiteral("Skipping older file \"") + source));
    ASSERT_EQ(context.alerts.size(), 1u);
    EXPECT_EQ(context.alerts[0].event, TAlertEvent::aeWarning);
    EXPECT_EQ(context.alerts[0].buttons, QStringLiteral("CS"));

    NewRun();
    Task().BackupOverwriteNeverDestination = true;
    ASSERT_TRUE(storage->LoadIndex(tmp, TStorageSide::Destination));
    EXPECT_TRUE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(dst + "doc.txt"), QByteArray("restored older"));
    ASSERT_EQ(context.Count(TLogKind::lkWarning), 1);
    EXPECT_TRUE(
        context.Texts(TLogKind::lkWarning)[0].startsWith(QStringLiteral("Overwriting newer destination")));
}

TEST_P(StorageConformance, SynchronisationLeavesANewerCopySilently) {
    Task().TaskAction = TTaskAction::taSynchronize;
    const QString source = Write(src + "notes.txt", "newer at the destination", 8);
    ASSERT_TRUE(storage->PutFileToDestination(source));
    NextRunWithIndex();
    Write(source, "older", 3);
    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(dst + "notes.txt"), QByteArray("newer at the destination"));
    // Nothing about the file; a remote back end's connection and protocol records may be there.
    for (const TRecordingRunContext::TRecord& record : context.logs)
        EXPECT_TRUE(record.kind == TLogKind::lkFtp || record.kind == TLogKind::lkSummary)
            << record.text.toStdString();
    EXPECT_TRUE(context.alerts.empty());
}

TEST_P(StorageConformance, EqualTimesWithASmallerTargetFollowTheSizeOption) {
    const QString source = Write(src + "log.txt", "0123456789", 5);
    ASSERT_TRUE(storage->PutFileToDestination(source));
    NextRunWithIndex();
    // The stored copy lost its tail; the source is as it was.
    Write(dst + "log.txt", "01234", 5);

    Task().OptionsDontSkipIfDateEqButSrcBiggerDst = false;
    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(dst + "log.txt"), QByteArray("01234"));
    EXPECT_TRUE(
        context.Logged(TLogKind::lkWarning,
                       QStringLiteral("Skipping file %1. Modification dates are equal, but destination size "
                                      "is less than source size.")
                           .arg(source)));

    Task().OptionsDontSkipIfDateEqButSrcBiggerDst = true;
    EXPECT_TRUE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(dst + "log.txt"), QByteArray("0123456789"));
    EXPECT_TRUE(context.Logged(
        TLogKind::lkWarning,
        QStringLiteral("Modification dates are equal, but according to Task's settings program "
                       "overwriting destination file with bigger source file (%1).")
            .arg(source)));
}

TEST_P(StorageConformance, EmptySourceReplacesANonEmptyTargetOnlyWhenAllowed) {
    const QString source = Write(src + "data.bin", "payload", 1);
    ASSERT_TRUE(storage->PutFileToDestination(source));
    NextRunWithIndex();
    Write(source, "", 6);

    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(dst + "data.bin"), QByteArray("payload"));
    const QString target = dst + "data.bin";
    const QString skip =
        QStringLiteral("Skipping copying empty source file \"%1\" over non-empty destination \"%2\".");
    EXPECT_TRUE(context.Logged(TLogKind::lkWarning, skip.arg(source, StoredPath(source))));
    ASSERT_EQ(context.alerts.size(), 1u);
    EXPECT_EQ(context.alerts[0].event, TAlertEvent::aeWarning);

    // The skip recorded the empty source's time, so the question is asked again in a run that starts
    // from the same index as this one.
    NewRun();
    ASSERT_TRUE(storage->LoadIndex(tmp, TStorageSide::Destination));
    Task().CopyIfSourceLengthIsZero = true;
    EXPECT_TRUE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(target), QByteArray());
    EXPECT_TRUE(
        context.Logged(TLogKind::lkWarning,
                       QStringLiteral("Copying empty source file \"%1\" over non-empty destination \"%2\".")
                           .arg(source, StoredPath(source))));
}

TEST_P(StorageConformance, SourceInUseIsSkippedUnlessCopyingInUseFilesIsWanted) {
    const QString source = Write(src + "db.sqlite", "locked data", 2);
    TWriteLock lock(source);
    ASSERT_TRUE(lock.Locked());

    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_FALSE(Exists(dst + "db.sqlite"));
    EXPECT_TRUE(
        context.Logged(TLogKind::lkWarning, QStringLiteral("Skipping in use file \"%1\".").arg(source)));

    Task().BackupCopyInUseFiles = true;
    EXPECT_TRUE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(dst + "db.sqlite"), QByteArray("locked data"));
    EXPECT_EQ(context.Count(TLogKind::lkWarning), 2);
    EXPECT_EQ(context.Count(TLogKind::lkError), 0);
}

// --- stop and failure --------------------------------------------------------------------------------------

TEST_P(StorageConformance, StoppedRunCopiesAndRecordsNothing) {
    const QString source = Write(src + "late.txt", "never arrives", 3);
    context.stop = true;
    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_FALSE(Exists(dst + "late.txt"));
    EXPECT_EQ(storage->DestinationIndex.Count(), 0);

    // A stop given as the answer to the announcement of the copy.
    context.stop = false;
    context.answers = {AlertAnswer::Stop};
    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_TRUE(context.stop);
    EXPECT_FALSE(Exists(dst + "late.txt"));
    EXPECT_EQ(storage->DestinationIndex.Count(), 0);
}

TEST_P(StorageConformance, FailedCopyIsReportedOnceAndKeepsWhatStoodThere) {
    const QString source = Write(src + "clash", "a file", 2);
    // A folder of that name, with something in it, takes the place of the copy.
    Write(dst + "clash/inside.txt", "kept", 0);
    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_EQ(context.Count(TLogKind::lkError), 1);
    EXPECT_EQ(Read(dst + "clash/inside.txt"), QByteArray("kept"));
    ASSERT_FALSE(context.alerts.empty());
    EXPECT_EQ(context.alerts.back().event, TAlertEvent::aeError);
    EXPECT_EQ(context.alerts.back().buttons, QStringLiteral("CS"));
}

// --- moves and folders -------------------------------------------------------------------------------------

TEST_P(StorageConformance, MovePutsTheFileAtTheDestination) {
    if (!GetParam().movesSource)
        GTEST_SKIP() << "the back end leaves the source to the procedure";
    Task().TaskAction = TTaskAction::taMove;
    const QString source = Write(src + "in/box.txt", "moving", 1);
    EXPECT_TRUE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(dst + "in/box.txt"), QByteArray("moving"));
    EXPECT_FALSE(Exists(source));
    // A move keeps no index.
    EXPECT_EQ(storage->DestinationIndex.Count(), 0);
}

TEST_P(StorageConformance, FoldersAreMadeOnTheOtherSide) {
    ASSERT_EQ(FileSystem::MakePath(src + "x/y"), 0);
    EXPECT_TRUE(storage->ForceDestinationFolder(src + "x/y"));
    EXPECT_TRUE(FileSystem::IsFolder(dst + "x/y"));
    // An existing folder is fine as it is.
    EXPECT_TRUE(storage->ForceDestinationFolder(src + "x/y"));
    EXPECT_EQ(context.Count(TLogKind::lkError), 0);

    if (!GetParam().copiesBack)
        return;
    ASSERT_EQ(FileSystem::MakePath(dst + "back/here"), 0);
    EXPECT_TRUE(storage->ForceSourceFolder(dst + "back/here"));
    EXPECT_TRUE(FileSystem::IsFolder(src + "back/here"));
}

TEST_P(StorageConformance, CopyBackToTheSourceRecordsBothSides) {
    if (!GetParam().copiesBack)
        GTEST_SKIP() << "the back end does not copy to the source";
    Task().TaskAction = TTaskAction::taSynchronize;
    const QString stored = Write(dst + "made/there.txt", "from the other side", 7);
    EXPECT_TRUE(storage->PutFileToSource(stored));
    EXPECT_EQ(Read(src + "made/there.txt"), QByteArray("from the other side"));
    const TDateTime time = FileModificationTime(stored);
    EXPECT_TRUE(
        DateTime::SameTime(storage->GetIndexTime(src + "made/there.txt", TStorageSide::Source), time));
    EXPECT_TRUE(DateTime::SameTime(storage->GetIndexTime(stored, TStorageSide::Destination), time));
}

// --- packed files
// -------------------------------------------------------------------------------------------

TEST_P(StorageConformance, PackedFilesReachTheirPlaceAndTheTemporaryFilesGo) {
    const QString source = Write(src + "sub/a.txt", "plain", 1);
    ASSERT_TRUE(storage->ForceDestinationFolder(src + "sub"));
    const QString compressed = Write(tmp + "a.txt.zip", "ZIP", 1);
    EXPECT_TRUE(storage->StoreCompressedFile(source, compressed));
    EXPECT_EQ(Read(dst + "sub/a.txt.zip"), QByteArray("ZIP"));
    const QString encrypted = Write(tmp + "a.txt.enc", "ENC", 1);
    EXPECT_TRUE(storage->StoreEncryptedFile(source, encrypted));
    EXPECT_EQ(Read(dst + "sub/a.txt.enc"), QByteArray("ENC"));

    ASSERT_TRUE(storage->ForceDestinationFolder(src));
    const QString archive = Write(tmp + "backup.zip", "ARCHIVE", 1);
    EXPECT_TRUE(storage->StoreArchive(archive));
    EXPECT_EQ(Read(dst + "backup.zip"), QByteArray("ARCHIVE"));
    EXPECT_TRUE(TempFolderEmpty());
    EXPECT_EQ(context.Count(TLogKind::lkError), 0);
}

TEST_P(StorageConformance, PackedFileThatCannotBeStoredGivesFalse) {
    const QString source = Write(src + "b.txt", "plain", 1);
    ASSERT_TRUE(storage->ForceDestinationFolder(src));
    Write(dst + "b.txt.zip/blocker", "a folder stands there", 1);
    const QString compressed = Write(tmp + "b.txt.zip", "ZIP", 1);
    EXPECT_FALSE(storage->StoreCompressedFile(source, compressed));
    EXPECT_EQ(Read(dst + "b.txt.zip/blocker"), QByteArray("a folder stands there"));
}

// --- index files ------------------------------------------------------------------------------------------

TEST_P(StorageConformance, SavedIndexLoadsBackWithItsItemsInOrder) {
    storage->SetIndexTime(StoredPath(src + "one"), TStorageSide::Destination, 43000.5);
    storage->SetIndexTime(StoredPath(src + "two"), TStorageSide::Destination, 43001.25);
    ASSERT_TRUE(storage->SaveIndex(tmp, TStorageSide::Destination));
    EXPECT_TRUE(Exists(IndexPath()));
    EXPECT_TRUE(TempFolderEmpty());

    NewRun();
    EXPECT_FALSE(storage->IndexLoaded(TStorageSide::Destination));
    ASSERT_TRUE(storage->LoadIndex(tmp, TStorageSide::Destination));
    EXPECT_TRUE(storage->IndexLoaded(TStorageSide::Destination));
    ASSERT_EQ(storage->DestinationIndex.Count(), 2);
    auto it = storage->DestinationIndex.begin();
    EXPECT_EQ(it->Path, StoredPath(src + "one"));
    EXPECT_EQ(it->Time, 43000.5);
    EXPECT_FALSE(it->Seen);
    ++it;
    EXPECT_EQ(it->Path, StoredPath(src + "two"));
    EXPECT_EQ(storage->GetIndexTime(StoredPath(src + "two"), TStorageSide::Destination), 43001.25);
    EXPECT_TRUE(TempFolderEmpty());
}

TEST_P(StorageConformance, EmptyIndexLoadsAndMissingIndexDoesNot) {
    EXPECT_FALSE(storage->LoadIndex(tmp, TStorageSide::Destination));
    EXPECT_FALSE(storage->IndexLoaded(TStorageSide::Destination));

    ASSERT_TRUE(storage->SaveIndex(tmp, TStorageSide::Destination));
    EXPECT_EQ(FileSize(IndexPath()), 31);
    NewRun();
    EXPECT_TRUE(storage->LoadIndex(tmp, TStorageSide::Destination));
    EXPECT_TRUE(storage->IndexLoaded(TStorageSide::Destination));
    EXPECT_EQ(storage->DestinationIndex.Count(), 0);
}

TEST_P(StorageConformance, DamagedIndexFailsButKeepsTheItemsBeforeTheDamage) {
    storage->SetIndexTime(StoredPath(src + "good"), TStorageSide::Destination, 43000);
    storage->SetIndexTime(StoredPath(src + "bad"), TStorageSide::Destination, 43001);
    ASSERT_TRUE(storage->SaveIndex(tmp, TStorageSide::Destination));
    QByteArray bytes = Read(IndexPath());
    // The separator after the second item.
    const qsizetype separator = bytes.size() - 12 - 1;
    ASSERT_EQ(bytes[separator], 'c');
    bytes[separator] = 'x';
    Write(IndexPath(), bytes, 0);

    NewRun();
    EXPECT_FALSE(storage->LoadIndex(tmp, TStorageSide::Destination));
    EXPECT_FALSE(storage->IndexLoaded(TStorageSide::Destination));
    EXPECT_EQ(storage->DestinationIndex.Count(), 2);
    EXPECT_EQ(storage->DestinationIndex.begin()->Path, StoredPath(src + "good"));
    if (GetParam().keepsDamagedIndex)
        EXPECT_EQ(Read(IndexPath()), bytes);
    else
        EXPECT_FALSE(Exists(IndexPath()));
    EXPECT_TRUE(TempFolderEmpty());
}

TEST_P(StorageConformance, DeletedIndexIsGone) {
    ASSERT_TRUE(storage->SaveIndex(tmp, TStorageSide::Destination));
    EXPECT_TRUE(storage->DeleteIndexFile(TStorageSide::Destination));
    EXPECT_FALSE(Exists(IndexPath()));
    EXPECT_FALSE(storage->DeleteIndexFile(TStorageSide::Destination));
}

TEST_P(StorageConformance, WithoutIndexFilesNothingIsReadWrittenOrRecorded) {
    Task().DisableIndexFiles = true;
    const QString source = Write(src + "plain.txt", "text", 1);
    EXPECT_TRUE(storage->PutFileToDestination(source));
    EXPECT_EQ(storage->DestinationIndex.Count(), 0);
    EXPECT_FALSE(storage->SaveIndex(tmp, TStorageSide::Destination));
    EXPECT_FALSE(Exists(IndexPath()));
    EXPECT_FALSE(storage->LoadIndex(tmp, TStorageSide::Destination));
}

namespace {

TStorageBackEnd LocalBackEnd() {
    TStorageBackEnd backEnd;
    backEnd.name = "Local";
    backEnd.prepare = [](TTask& task, const QString& folder) {
        task.DestType = TDestKind::dkLocal;
        task.DestLocal = folder;
        return std::shared_ptr<void>();
    };
    backEnd.make = [](TRunContext& context) { return std::make_unique<TLocalStorage>(context); };
    backEnd.storedPathOf = [](const TTask& task, const QString& sourcePath) {
        return task.DestinationPathOf(sourcePath);
    };
    return backEnd;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Local, StorageConformance, ::testing::Values(LocalBackEnd()),
                         [](const ::testing::TestParamInfo<TStorageBackEnd>& info) {
                             return info.param.name;
                         });
