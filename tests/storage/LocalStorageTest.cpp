#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "storage/StorageConformance.h"
#include "storage/Transfer.h"

namespace {

class LocalStorageTest : public TStorageTestBase {
protected:
    void SetUp() override {
        TStorageTestBase::SetUp();
        NewRun();
    }
    std::unique_ptr<TCustomStorage> MakeStorage() override {
        return std::make_unique<TLocalStorage>(context);
    }

    // The entries of folder whose names hold part.
    static int EntriesContaining(const QString& folder, const QString& part) {
        std::vector<FileSystem::TFolderEntry> entries;
        FileSystem::ListFolder(folder, entries);
        return static_cast<int>(std::count_if(entries.begin(), entries.end(),
                                              [&](const auto& e) { return e.name.contains(part); }));
    }
    static int TransferTempFilesIn(const QString& folder) {
        std::vector<FileSystem::TFolderEntry> entries;
        FileSystem::ListFolder(folder, entries);
        return static_cast<int>(std::count_if(entries.begin(), entries.end(),
                                              [](const auto& e) { return IsTransferTempName(e.name); }));
    }
    bool Alerted(TAlertEvent event, const QString& text) const {
        return std::any_of(context.alerts.begin(), context.alerts.end(), [&](const auto& a) {
            return a.event == event && a.buttons == QLatin1String("CS") && a.text == text;
        });
    }
};

// Runs f with files limited to limit bytes, so that a copy of a bigger file fails as on a full disk.
template <typename F>
void WithFileSizeLimit(rlim_t limit, F&& f) {
    struct sigaction ignore {
    }, old{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &old);
    rlimit oldLimit{};
    getrlimit(RLIMIT_FSIZE, &oldLimit);
    rlimit small = oldLimit;
    small.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &small);
    f();
    setrlimit(RLIMIT_FSIZE, &oldLimit);
    sigaction(SIGXFSZ, &old, nullptr);
}

// A run context whose log gives way: every record throws.
class TThrowingRunContext : public TRecordingRunContext {
public:
    void LogMessage(TLogKind, const QString&) override { throw std::runtime_error("log unavailable"); }
};

}  // namespace

// --- the decision by the files' own times ---------------------------------------------------------------

TEST_F(LocalStorageTest, OlderTargetIsReplacedAfterTheAnnouncement) {
    const QString source = Write(src + "a.txt", "new text", 5);
    const QString target = Write(dst + "a.txt", "old", 1);
    EXPECT_TRUE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(target), QByteArray("new text"));
    const QString announce = QStringLiteral("Copying \"%1\" to \"%2\".").arg(source, target);
    EXPECT_TRUE(context.Logged(TLogKind::lkFile, announce));
    EXPECT_TRUE(Alerted(TAlertEvent::aeFile, announce));
    EXPECT_TRUE(NoWarningsOrErrors());
}

TEST_F(LocalStorageTest, TimesAreComparedAtTheTwoSecondStamp) {
    const QString source = Write(src + "t.txt", "same", 0);
    const QString target = Write(dst + "t.txt", "SAME", 0);
    // 10:00:01 and 10:00:00 are one stamp.
    SetMinute(source, 0, 1);
    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_TRUE(
        context.Logged(TLogKind::lkSkipped, QStringLiteral("Skipping unchanged \"%1\".").arg(source)));
    EXPECT_EQ(Read(target), QByteArray("SAME"));

    // 10:00:02 is a later stamp than 10:00:01.
    SetMinute(target, 0, 2);
    EXPECT_FALSE(storage->PutFileToDestination(source));
    const QString skipOlder = QStringLiteral("Skipping older file \"%1\" (than \"%2\").").arg(source, target);
    EXPECT_TRUE(context.Logged(TLogKind::lkWarning, skipOlder));
    EXPECT_TRUE(Alerted(TAlertEvent::aeWarning, skipOlder));
    EXPECT_EQ(Read(target), QByteArray("SAME"));
}

TEST_F(LocalStorageTest, SkippedFileIsAnsweredWithStopAndTheRunStops) {
    const QString source = Write(src + "s.txt", "older", 1);
    Write(dst + "s.txt", "newer", 9);
    context.answers = {AlertAnswer::Stop};
    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_TRUE(context.stop);
    // The stopped run records nothing for the file.
    EXPECT_EQ(storage->DestinationIndex.Count(), 0);
}

// --- the decision by the index --------------------------------------------------------------------------

TEST_F(LocalStorageTest, RecordedTimeDecidesOverTheTargetsOwnTime) {
    const QString source = Write(src + "r.txt", "version one", 1);
    ASSERT_TRUE(storage->PutFileToDestination(source));
    NextRunWithIndex();

    // The stored copy was edited later (newer and bigger); the source did not change: nothing happens.
    const QString target = Write(dst + "r.txt", "edited at the destination by hand", 30);
    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_TRUE(
        context.Logged(TLogKind::lkSkipped, QStringLiteral("Skipping unchanged \"%1\".").arg(source)));
    EXPECT_EQ(Read(target), QByteArray("edited at the destination by hand"));

    // Once the source changes it replaces the copy, although the copy's own time is newer still.
    Write(source, "version two", 2);
    EXPECT_TRUE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(target), QByteArray("version two"));
    EXPECT_EQ(context.Count(TLogKind::lkWarning), 0);
}

TEST_F(LocalStorageTest, FileWithoutItemInALoadedIndexIsCopiedOverItsTarget) {
    ASSERT_TRUE(storage->SaveIndex(tmp, TStorageSide::Destination));
    NewRun();
    ASSERT_TRUE(storage->LoadIndex(tmp, TStorageSide::Destination));
    // No item: the reference time is 0, so even a much newer target is replaced.
    const QString source = Write(src + "u.txt", "from the source", 1);
    const QString target = Write(dst + "u.txt", "unknown copy", 50);
    EXPECT_TRUE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(target), QByteArray("from the source"));
}

// --- failures and stops ------------------------------------------------------------------------------------

TEST_F(LocalStorageTest, FailedCopyStillRecordsTheSourceTimeAndTheSizeRuleCatchesItNextRun) {
    const QByteArray big(5000, 'x');
    const QString shorter = Write(src + "short.bin", big, 5);
    const QString longer = Write(src + "long.bin", big, 5);
    const QString shortTarget = Write(dst + "short.bin", "old", 1);
    const QString longTarget = Write(dst + "long.bin", QByteArray(8000, 'o'), 1);

    bool first = true;
    bool second = true;
    WithFileSizeLimit(1024, [&] {
        first = storage->PutFileToDestination(shorter);
        second = storage->PutFileToDestination(longer);
    });
    EXPECT_FALSE(first);
    EXPECT_FALSE(second);
    ASSERT_EQ(context.Count(TLogKind::lkError), 2);
    EXPECT_TRUE(context.Texts(TLogKind::lkError)[0].startsWith(
        QStringLiteral("Can't copy file \"%1\" to \"%2\"! (Description: ").arg(shorter, shortTarget)));
    EXPECT_EQ(Read(shortTarget), QByteArray("old"));
    EXPECT_EQ(TransferTempFilesIn(dst), 0);
    EXPECT_EQ(storage->GetIndexTime(shortTarget, TStorageSide::Destination), FileModificationTime(shorter));

    NextRunWithIndex();
    Task().OptionsDontSkipIfDateEqButSrcBiggerDst = false;
    EXPECT_FALSE(storage->PutFileToDestination(shorter));
    EXPECT_EQ(context.Count(TLogKind::lkWarning), 1);
    // The copy that is bigger than its source passes for unchanged: the recorded time is all there is.
    EXPECT_FALSE(storage->PutFileToDestination(longer));
    EXPECT_TRUE(
        context.Logged(TLogKind::lkSkipped, QStringLiteral("Skipping unchanged \"%1\".").arg(longer)));

    Task().OptionsDontSkipIfDateEqButSrcBiggerDst = true;
    EXPECT_TRUE(storage->PutFileToDestination(shorter));
    EXPECT_EQ(Read(shortTarget), big);
}

TEST_F(LocalStorageTest, CopyStoppedMidwayKeepsTheOldCopyAndItsRecordedTime) {
    const QString source = Write(src + "huge.bin", QByteArray(3 * 1024 * 1024, 'h'), 8);
    const QString target = Write(dst + "huge.bin", "previous", 1);
    storage->SetIndexTime(target, TStorageSide::Destination, 40000);
    // The stop comes once the bytes have begun to flow into the temporary copy.
    context.onStopCheck = [&](int) {
        if (TransferTempFilesIn(dst) > 0)
            context.stop = true;
    };
    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_TRUE(context.stop);
    EXPECT_EQ(Read(target), QByteArray("previous"));
    EXPECT_EQ(TransferTempFilesIn(dst), 0);
    EXPECT_EQ(storage->GetIndexTime(target, TStorageSide::Destination), 40000);
}

TEST_F(LocalStorageTest, UnexpectedFailureEndsTheOperationWithFalse) {
    TThrowingRunContext throwing;
    throwing.task.ID = QStringLiteral("THROW");
    throwing.task.SourceFolders = Task().SourceFolders;
    throwing.task.DestLocal = dst;
    throwing.tempFolder = tmp;
    TLocalStorage local(throwing);
    const QString source = Write(src + "x.txt", "text", 1);
    EXPECT_FALSE(local.PutFileToDestination(source));
    EXPECT_FALSE(local.PutFileToSource(Write(dst + "y.txt", "text", 1)));
    EXPECT_FALSE(local.StoreArchive(Write(tmp + "backup.zip", "zip", 1)));
}

// --- in use, empty files and versions ------------------------------------------------------------------

TEST_F(LocalStorageTest, InUseFileTextsNameSourceAndTarget) {
    const QString source = Write(src + "busy.db", "rows", 1);
    const QString target = dst + "busy.db";
    TWriteLock lock(source);
    ASSERT_TRUE(lock.Locked());
    Task().BackupCopyInUseFiles = true;
    EXPECT_TRUE(storage->PutFileToDestination(source));
    const QString text = QStringLiteral("Copying in use file \"%1\" to \"%2\".").arg(source, target);
    EXPECT_TRUE(context.Logged(TLogKind::lkWarning, text));
    EXPECT_TRUE(Alerted(TAlertEvent::aeWarning, text));
    // The announcement of a plain copy is not made as well.
    EXPECT_EQ(context.Count(TLogKind::lkFile), 0);
}

TEST_F(LocalStorageTest, DanglingLinkIsCopiedAsALinkAndNotTakenForAFileInUse) {
    ASSERT_EQ(FileSystem::MakeSymLink(QStringLiteral("nowhere/at/all"), src + "link"), 0);
    EXPECT_TRUE(storage->PutFileToDestination(src + "link"));
    QString linkTarget;
    ASSERT_EQ(FileSystem::ReadSymLink(dst + "link", linkTarget), 0);
    EXPECT_EQ(linkTarget, QStringLiteral("nowhere/at/all"));
    EXPECT_TRUE(NoWarningsOrErrors());
}

TEST_F(LocalStorageTest, EmptySourceIsCopiedOnceTheTargetWasKeptAsAVersion) {
    DateTime::SetClock([] { return DateTime::Encode(2024, 5, 6, 12, 0, 0); });
    Task().VersionsKeepType = TVersionsKeepKind::vkSameFolder;
    const QString source = Write(src + "v.txt", "", 5);
    const QString target = Write(dst + "v.txt", "worth keeping", 1);
    EXPECT_TRUE(storage->PutFileToDestination(source));
    EXPECT_EQ(FileSize(target), 0);
    EXPECT_EQ(EntriesContaining(dst, QStringLiteral("v (Version ")), 1);
    // With the target gone there was no empty-file question to ask.
    EXPECT_EQ(context.Count(TLogKind::lkWarning), 0);
}

TEST_F(LocalStorageTest, InUseSourceIsSkippedAfterTheTargetWasKeptAsAVersion) {
    DateTime::SetClock([] { return DateTime::Encode(2024, 5, 6, 12, 0, 0); });
    Task().VersionsKeepType = TVersionsKeepKind::vkSameFolder;
    const QString source = Write(src + "w.txt", "locked", 5);
    const QString target = Write(dst + "w.txt", "stored", 1);
    TWriteLock lock(source);
    ASSERT_TRUE(lock.Locked());
    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_FALSE(Exists(target));
    EXPECT_EQ(EntriesContaining(dst, QStringLiteral("w (Version ")), 1);
    EXPECT_TRUE(
        context.Logged(TLogKind::lkWarning, QStringLiteral("Skipping in use file \"%1\".").arg(source)));
}

// --- moves ----------------------------------------------------------------------------------------------

class LocalMoveTest : public LocalStorageTest {
protected:
    void SetUp() override {
        LocalStorageTest::SetUp();
        Task().TaskAction = TTaskAction::taMove;
    }
};

TEST_F(LocalMoveTest, LockedSourceWithoutTargetIsMovedWithoutAnInUseTest) {
    const QString source = Write(src + "m.txt", "moving", 1);
    const QString target = dst + "m.txt";
    TWriteLock lock(source);
    ASSERT_TRUE(lock.Locked());
    EXPECT_TRUE(storage->PutFileToDestination(source));
    EXPECT_EQ(Read(target), QByteArray("moving"));
    EXPECT_FALSE(Exists(source));
    const QString announce = QStringLiteral("Moving \"%1\" to \"%2\".").arg(source, target);
    EXPECT_TRUE(context.Logged(TLogKind::lkFile, announce));
    EXPECT_TRUE(Alerted(TAlertEvent::aeFile, announce));
    EXPECT_TRUE(NoWarningsOrErrors());
}

TEST_F(LocalMoveTest, LockedSourceOverATargetIsAlwaysSkipped) {
    const QString source = Write(src + "m.txt", "new", 5);
    const QString target = Write(dst + "m.txt", "old", 1);
    Task().BackupCopyInUseFiles = true;  // there is no such option for moves
    TWriteLock lock(source);
    ASSERT_TRUE(lock.Locked());
    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_TRUE(
        context.Logged(TLogKind::lkWarning, QStringLiteral("Skipping in use file \"%1\".").arg(source)));
    EXPECT_EQ(Read(source), QByteArray("new"));
    EXPECT_EQ(Read(target), QByteArray("old"));
}

TEST_F(LocalMoveTest, NewerSourceReplacesTheTargetAndOlderSourceStays) {
    const QString newer = Write(src + "newer.txt", "new", 5);
    Write(dst + "newer.txt", "old", 1);
    EXPECT_TRUE(storage->PutFileToDestination(newer));
    EXPECT_EQ(Read(dst + "newer.txt"), QByteArray("new"));
    EXPECT_FALSE(Exists(newer));

    const QString older = Write(src + "older.txt", "old", 1);
    Write(dst + "older.txt", "new", 5);
    EXPECT_FALSE(storage->PutFileToDestination(older));
    EXPECT_TRUE(Exists(older));
    EXPECT_TRUE(context.Logged(
        TLogKind::lkWarning,
        QStringLiteral("Skipping older file \"%1\" (than \"%2\").").arg(older, dst + "older.txt")));
}

TEST_F(LocalMoveTest, RenameWithinOneFileSystemDoesNotWaitForRoom) {
    TTransfer& transfer = static_cast<TLocalStorage&>(*storage).Transfer();
    transfer.SetFreeSpaceSource([](const QString&) { return qint64(0); });
    transfer.SetDriveTypeSource([](const QString&) { return TDriveType::Fixed; });
    Task().MaxNumberOfRetries = 0;
    const QString source = Write(src + "big.iso", QByteArray(4096, 'i'), 1);
    EXPECT_TRUE(storage->PutFileToDestination(source));
    EXPECT_EQ(FileSize(dst + "big.iso"), 4096);
    EXPECT_FALSE(context.stop);
    EXPECT_TRUE(NoWarningsOrErrors());

    // Over a target the move copies, and that needs the room.
    const QString over = Write(src + "over.iso", QByteArray(4096, 'n'), 5);
    Write(dst + "over.iso", "old", 1);
    EXPECT_FALSE(storage->PutFileToDestination(over));
    EXPECT_TRUE(context.stop);
    EXPECT_EQ(Read(dst + "over.iso"), QByteArray("old"));
    EXPECT_TRUE(Exists(over));
}

TEST_F(LocalMoveTest, EmptySourceUsesTheMoveTexts) {
    const QString source = Write(src + "e.txt", "", 5);
    const QString target = Write(dst + "e.txt", "content", 1);
    EXPECT_FALSE(storage->PutFileToDestination(source));
    EXPECT_TRUE(context.Logged(
        TLogKind::lkWarning,
        QStringLiteral("Skipping moving empty source file \"%1\" over non-empty destination \"%2\".")
            .arg(source, target)));
    EXPECT_TRUE(Exists(source));

    Task().CopyIfSourceLengthIsZero = true;
    EXPECT_TRUE(storage->PutFileToDestination(source));
    EXPECT_TRUE(
        context.Logged(TLogKind::lkWarning,
                       QStringLiteral("Moving empty source file \"%1\" over non-empty destination \"%2\".")
                           .arg(source, target)));
    EXPECT_FALSE(Exists(source));
    EXPECT_EQ(FileSize(target), 0);
}

TEST_F(LocalMoveTest, FailedMoveIsReportedWithTheMoveTextAndKeepsTheSource) {
    const QString source = Write(src + "f.txt", "stays", 5);
    Write(dst + "f.txt/occupied", "a folder of that name", 1);
    EXPECT_FALSE(storage->PutFileToDestination(source));
    const QString text = QStringLiteral("Can't move file \"%1\" to \"%2\"!").arg(source, dst + "f.txt");
    EXPECT_TRUE(context.Logged(TLogKind::lkError, text));
    EXPECT_TRUE(Alerted(TAlertEvent::aeError, text));
    EXPECT_EQ(Read(source), QByteArray("stays"));
}

// --- synchronisation ------------------------------------------------------------------------------------

TEST_F(LocalStorageTest, SynchronisationRecordsTheSourceSideAndDoesNotBringBackDeletedFiles) {
    Task().TaskAction = TTaskAction::taSynchronize;
    const QString kept = Write(src + "kept.txt", "kept", 1);
    const QString gone = Write(src + "gone.txt", "deleted at the destination", 1);
    const QString back = Write(dst + "back.txt", "deleted at the source", 2);
    ASSERT_TRUE(storage->PutFileToDestination(kept));
    ASSERT_TRUE(storage->PutFileToDestination(gone));
    ASSERT_TRUE(storage->PutFileToSource(back));
    EXPECT_EQ(storage->GetIndexTime(gone, TStorageSide::Source), FileModificationTime(gone));
    EXPECT_EQ(storage->SourceIndex.Count(), 3);
    EXPECT_EQ(storage->DestinationIndex.Count(), 3);
    ASSERT_TRUE(storage->SaveIndex(tmp, TStorageSide::Source));
    EXPECT_TRUE(Exists(src + Task().IndexFileName()));
    NextRunWithIndex();
    ASSERT_TRUE(storage->LoadIndex(tmp, TStorageSide::Source));

    ASSERT_EQ(FileSystem::RemoveFile(dst + "gone.txt"), 0);
    ASSERT_EQ(FileSystem::RemoveFile(src + "back.txt"), 0);
    EXPECT_FALSE(storage->MayTransfer(gone, TStorageSide::Destination));
    EXPECT_FALSE(storage->PutFileToDestination(gone));
    EXPECT_FALSE(Exists(dst + "gone.txt"));
    EXPECT_FALSE(storage->PutFileToSource(back));
    EXPECT_FALSE(Exists(src + "back.txt"));
    // A counterpart that exists, or a file the other index never held, may travel.
    EXPECT_TRUE(storage->MayTransfer(kept, TStorageSide::Destination));
    EXPECT_TRUE(storage->MayTransfer(Write(src + "fresh.txt", "new", 3), TStorageSide::Destination));
    EXPECT_TRUE(context.logs.empty());

    // A backup copies it again: the guard belongs to synchronisation.
    Task().TaskAction = TTaskAction::taBackup;
    EXPECT_TRUE(storage->MayTransfer(gone, TStorageSide::Destination));
}

// --- packed files ------------------------------------------------------------------------------------------

TEST_F(LocalStorageTest, PackedFilesAreAnnouncedAsMoves) {
    const QString source = Write(src + "p.txt", "plain", 1);
    const QString temp = Write(tmp + "p.txt.zip", "ZIP", 1);
    EXPECT_TRUE(storage->StoreCompressedFile(source, temp));
    const QString announce = QStringLiteral("Moving \"%1\" to \"%2\".").arg(temp, dst + "p.txt.zip");
    EXPECT_TRUE(context.Logged(TLogKind::lkFile, announce));
    EXPECT_TRUE(Alerted(TAlertEvent::aeFile, announce));

    SetEncryptorExtensionLookup([](const QString&) { return QStringLiteral("enc"); });
    const QString archive = Write(tmp + "sealed", "ENC", 1);
    EXPECT_TRUE(storage->StoreEncryptedArchive(archive));
    SetEncryptorExtensionLookup({});
    EXPECT_EQ(Read(dst + "backup.enc"), QByteArray("ENC"));
}

TEST_F(LocalStorageTest, PackedFileFailuresUseTheMoveOrTheCopyText) {
    const QString source = Write(src + "q.txt", "plain", 1);
    Write(dst + "q.txt.enc/x", "blocker", 1);
    Write(dst + "backup.zip/x", "blocker", 1);
    const QString temp = Write(tmp + "q.txt.enc", "ENC", 1);
    EXPECT_FALSE(storage->StoreEncryptedFile(source, temp));
    const QString moveError =
        QStringLiteral("Can't move file \"%1\" to \"%2\"!").arg(temp, dst + "q.txt.enc");
    EXPECT_TRUE(context.Logged(TLogKind::lkError, moveError));
    EXPECT_TRUE(Alerted(TAlertEvent::aeError, moveError));

    const QString archive = Write(tmp + "backup.zip", "ZIP", 1);
    EXPECT_FALSE(storage->StoreArchive(archive));
    const auto errors = context.Texts(TLogKind::lkError);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_TRUE(errors[1].startsWith(
        QStringLiteral("Can't copy file \"%1\" to \"%2\"! (Description: ").arg(archive, dst + "backup.zip")));
    EXPECT_TRUE(errors[1].endsWith(QStringLiteral("; System error code: %1).").arg(EISDIR)));
}

// --- index files
// ---------------------------------------------------------------------------------------------

TEST_F(LocalStorageTest, IndexThatCannotBeStoredIsReportedWithoutAlertAndLeavesNoTemporaryFile) {
    Task().DestLocal = home.Path() + QStringLiteral("not/there/");
    NewRun();
    EXPECT_FALSE(storage->SaveIndex(tmp, TStorageSide::Destination));
    ASSERT_EQ(context.Count(TLogKind::lkError), 1);
    EXPECT_TRUE(context.Texts(TLogKind::lkError)[0].startsWith(
        QStringLiteral("Can't copy file \"%1\" to \"%2\"!")
            .arg(tmp + Task().IndexFileName(), Task().DestLocal + Task().IndexFileName())));
    EXPECT_TRUE(context.alerts.empty());
    EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(LocalStorageTest, IndexThatIsNoRegularFileIsNotRead) {
    ASSERT_EQ(mkfifo(EncodeFileName(IndexPath()).constData(), 0600), 0);
    // Reading the FIFO would block the test here.
    EXPECT_FALSE(storage->LoadIndex(tmp, TStorageSide::Destination));
    EXPECT_FALSE(storage->IndexLoaded(TStorageSide::Destination));
}

// A back end that keeps its index elsewhere: fetching copies it into the temporary path it is given.
class TFetchingStorage : public TLocalStorage {
public:
    using TLocalStorage::TLocalStorage;
    bool FetchIndexFile(const QString& fileName, QString& path, TStorageSide side) override {
        QString remote;
        TLocalStorage::FetchIndexFile(fileName, remote, side);
        int error = 0;
        return !FileSystem::Exists(remote) || Transfer().CopyFileData(remote, path, error);
    }
    bool DeleteIndexFile(TStorageSide side) override {
        ++deletes;
        return TLocalStorage::DeleteIndexFile(side);
    }
    int deletes = 0;
};

TEST_F(LocalStorageTest, FetchedIndexCopyIsRemovedAndADamagedOriginalDeleted) {
    ASSERT_TRUE(storage->SaveIndex(tmp, TStorageSide::Destination));
    TFetchingStorage fetching(context);
    EXPECT_TRUE(fetching.LoadIndex(tmp, TStorageSide::Destination));
    EXPECT_TRUE(TempFolderEmpty());
    EXPECT_EQ(fetching.deletes, 0);

    Write(IndexPath(), "IndexFileStart damaged", 0);
    TFetchingStorage damaged(context);
    EXPECT_FALSE(damaged.LoadIndex(tmp, TStorageSide::Destination));
    EXPECT_TRUE(TempFolderEmpty());
    EXPECT_EQ(damaged.deletes, 1);
    EXPECT_FALSE(Exists(IndexPath()));

    // Nothing to fetch: nothing to delete either.
    TFetchingStorage missing(context);
    EXPECT_FALSE(missing.LoadIndex(tmp, TStorageSide::Destination));
    EXPECT_EQ(missing.deletes, 0);
}

// --- the storage of a destination type -------------------------------------------------------------------

class CreateStorageTest : public TarnovexTest {};

TEST_F(CreateStorageTest, MakesTheLocalStorageAndTheRegisteredFtpStorageOnly) {
    TRecordingRunContext context;
    context.task.DestType = TDestKind::dkLocal;
    auto local = CreateStorage(context.task, context);
    EXPECT_NE(dynamic_cast<TLocalStorage*>(local.get()), nullptr);

    context.task.DestType = TDestKind::dkFtp;
    EXPECT_EQ(CreateStorage(context.task, context), nullptr);
    TCustomStorage* made = nullptr;
    SetFtpStorageFactory([&made](TRunContext& c) {
        auto storage = std::make_unique<TLocalStorage>(c);
        made = storage.get();
        return storage;
    });
    auto ftp = CreateStorage(context.task, context);
    SetFtpStorageFactory({});
    EXPECT_NE(ftp.get(), nullptr);
    EXPECT_EQ(ftp.get(), made);

    context.task.DestType = TDestKind::dkCdDvd;
    EXPECT_EQ(CreateStorage(context.task, context), nullptr);
    context.task.DestType = TDestKind::dkEmail;
    EXPECT_EQ(CreateStorage(context.task, context), nullptr);
}
