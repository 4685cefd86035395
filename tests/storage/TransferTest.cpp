#include "storage/Transfer.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <functional>
#include <numeric>

#include "fixtures/RecordingRunContext.h"
#include "fixtures/TempHome.h"
#include "model/Task.h"
#include "platform/FileSystem.h"
#include "storage/FileUtils.h"
#include "storage/FileUtilsTestHelpers.h"

namespace {

class TransferTest : public TarnovexTest {
protected:
    void SetUp() override {
        transfer.SetClock([this] { return context.clockMs; });
        context.task.EventAlerts_UseDefault = false;
        context.task.Bandwidth_UseDefault = false;
    }
    // Temporary copies left in folder.
    static int TempFilesIn(const QString& folder) {
        int count = 0;
        for (const QByteArray& name : TRawTempDir::List(folder))
            count += IsTransferTempName(DecodeFileName(name)) ? 1 : 0;
        return count;
    }
    void LimitBandwidth(int value, TBandwidthMeasure measure) {
        context.task.Bandwidth_Use = true;
        context.task.Bandwidth_Value = value;
        context.task.MeasureKind = measure;
    }

    TRecordingRunContext context;
    TTransfer transfer{context};
    TRawTempDir dir;
};

QByteArray Pattern(qsizetype size) {
    QByteArray data(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = static_cast<char>((i * 131) ^ (i >> 9));
    return data;
}

}  // namespace

// --- the copy ------------------------------------------------------------------------------------------

TEST_F(TransferTest, CopyKeepsContentPermissionsAndNanosecondTimes) {
    const QByteArray data = Pattern(700000);
    const QString source = dir.Write("src/data.bin", data, 0751);
    SetModified(source, 1589000000, 123456789);
    ASSERT_EQ(FileSystem::MakePath(dir.Path("dst")), 0);
    const QString target = dir.Path("dst/data.bin");

    int error = 12345;
    ASSERT_TRUE(transfer.CopyFileData(source, target, error));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(TRawTempDir::Read(target), data);
    FileSystem::TFileStatus st;
    ASSERT_EQ(FileSystem::Status(target, st), 0);
    EXPECT_EQ(st.Permissions(), 0751u);
    EXPECT_EQ(st.modificationTime.tv_sec, 1589000000);
    EXPECT_EQ(st.modificationTime.tv_nsec, 123456789);
    EXPECT_EQ(TempFilesIn(dir.Path("dst")), 0);
    EXPECT_TRUE(context.logs.empty());  // the caller reports; the primitive only copies
}

TEST_F(TransferTest, StoppedCopyKeepsThePreviousTargetAndLeavesNoTemporaryFile) {
    const QString source = dir.Write("new.bin", Pattern(3 * 1024 * 1024));
    const QString target = dir.Write("out/old.bin", "previous copy");
    // The stop arrives after a few blocks have been written.
    context.onStopCheck = [this](int checks) {
        if (checks >= 5)
            context.stop = true;
    };
    int error = 0;
    EXPECT_FALSE(transfer.CopyFileData(source, target, error));
    EXPECT_EQ(error, -1);
    EXPECT_EQ(TRawTempDir::Read(target), QByteArray("previous copy"));
    EXPECT_EQ(TempFilesIn(dir.Path("out")), 0);

    // A copy that fails (missing source) leaves the target alone too.
    context.stop = false;
    context.onStopCheck = nullptr;
    EXPECT_FALSE(transfer.CopyFileData(dir.Path("missing"), target, error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(TRawTempDir::Read(target), QByteArray("previous copy"));
}

TEST_F(TransferTest, KilledCopyNeverTouchesTheTargetName) {
    const QString source = dir.Write("big.bin", Pattern(4 * 1024 * 1024));
    const QString target = dir.Write("out/big.bin", "previous copy");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Midway through the copy the child reports and then hangs until it is killed.
        close(ready[0]);
        context.onStopCheck = [&](int checks) {
            if (checks == 6) {
                const char byte = 1;
                (void)!write(ready[1], &byte, 1);
                while (true)
                    pause();
            }
        };
        int error = 0;
        transfer.CopyFileData(source, target, error);
        _exit(3);  // not reached unless the copy never got midway
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));

    EXPECT_EQ(TRawTempDir::Read(target), QByteArray("previous copy"));
    // Only the hidden temporary file is left, recognisable for a later clean-up.
    EXPECT_EQ(TempFilesIn(dir.Path("out")), 1);
    EXPECT_EQ(TRawTempDir::List(dir.Path("out")).size(), 2u);
}

TEST_F(TransferTest, SameFileFailsWith87AndLeavesItIntact) {
    const QString file = dir.Write("same.txt", "content");
    int error = 0;
    EXPECT_FALSE(transfer.CopyFileData(file, file, error));
    EXPECT_EQ(error, 87);
    ASSERT_EQ(link(EncodeFileName(file).constData(), EncodeFileName(dir.Path("hard")).constData()), 0);
    EXPECT_FALSE(transfer.CopyFileData(file, dir.Path("hard"), error));
    EXPECT_EQ(error, 87);
    // A link to the target as source: copying it would make the target a link to itself.
    ASSERT_EQ(FileSystem::MakeSymLink(file, dir.Path("soft")), 0);
    EXPECT_FALSE(transfer.CopyFileData(dir.Path("soft"), file, error));
    EXPECT_EQ(error, 87);
    EXPECT_EQ(TRawTempDir::Read(file), QByteArray("content"));
    // Names differing only in case are different files.
    EXPECT_TRUE(transfer.CopyFileData(file, dir.Path("SAME.txt"), error));
}

TEST_F(TransferTest, ReadOnlyTargetIsReplaced) {
    const QString source = dir.Write("s", "new", 0644);
    const QString target = dir.Write("t", "old", 0444);
    int error = 0;
    ASSERT_TRUE(transfer.CopyFileData(source, target, error)) << error;
    EXPECT_EQ(TRawTempDir::Read(target), QByteArray("new"));
    EXPECT_FALSE(FileHasAttributes(target, FileAttr::ReadOnly));
}

TEST_F(TransferTest, SymbolicLinkIsCopiedAsALinkAndSpecialFilesAreRefused) {
    const QString linkTarget = DecodeFileName(QByteArray("../elsewhere/n\xe4me"));
    ASSERT_EQ(FileSystem::MakeSymLink(linkTarget, dir.Path("link")), 0);
    const QString target = dir.Write("out/link", "a regular file that the link replaces");
    int error = 0;
    ASSERT_TRUE(transfer.CopyFileData(dir.Path("link"), target, error)) << error;
    FileSystem::TFileStatus st;
    ASSERT_EQ(FileSystem::Status(target, st), 0);
    EXPECT_TRUE(st.IsSymLink());
    QString read;
    ASSERT_EQ(FileSystem::ReadSymLink(target, read), 0);
    EXPECT_EQ(read, linkTarget);

    ASSERT_EQ(mkfifo(EncodeFileName(dir.Path("fifo")).constData(), 0600), 0);
    EXPECT_FALSE(transfer.CopyFileData(dir.Path("fifo"), dir.Path("out/fifo"), error));
    EXPECT_EQ(error, EINVAL);
    EXPECT_FALSE(FileSystem::Exists(dir.Path("out/fifo")));
    EXPECT_EQ(TempFilesIn(dir.Path("out")), 0);
}

TEST_F(TransferTest, NamesAreKeptByteForByteThroughCopyAndMove) {
    const QByteArray names[] = {QByteArray("caf\xe9\xff.txt"),
                                QByteArray("line\nbreak \"q\" 'a' $(rm -rf x) `b`;&|"),
                                QByteArray("\xed\xa0\x80 surrogate bytes")};
    int error = 0;
    ASSERT_EQ(FileSystem::MakePath(dir.Path("copy")), 0);
    ASSERT_EQ(FileSystem::MakePath(dir.Path("moved")), 0);
    for (const QByteArray& name : names) {
        const QString source = dir.Write("src/" + name, name);
        ASSERT_TRUE(transfer.CopyFileData(source, dir.Path("copy/" + name), error)) << error;
        EXPECT_EQ(TRawTempDir::Read(dir.Path("copy/" + name)), name);
        ASSERT_TRUE(transfer.MoveFileData(source, dir.Path("moved/" + name), error)) << error;
        EXPECT_FALSE(FileSystem::Exists(source));
    }
    for (const char* folder : {"copy", "moved"}) {
        std::vector<QByteArray> listed = TRawTempDir::List(dir.Path(folder));
        std::sort(listed.begin(), listed.end());
        std::vector<QByteArray> expected(std::begin(names), std::end(names));
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(listed, expected) << folder;
    }
}

// --- bandwidth -----------------------------------------------------------------------------------------

TEST(TransferBandwidth, RateLimitAndBlockSize) {
    TEffectiveBandwidth b;
    EXPECT_EQ(TTransfer::ByteRateLimit(b), -1);
    b.Use = true;
    b.Value = 1;
    b.MeasureKind = TBandwidthMeasure::bmkKBits;
    EXPECT_EQ(TTransfer::ByteRateLimit(b), 128);
    b.MeasureKind = TBandwidthMeasure::bmkMBits;
    EXPECT_EQ(TTransfer::ByteRateLimit(b), 131072);
    b.Value = 16383;
    EXPECT_EQ(TTransfer::ByteRateLimit(b), 16383LL * 131072);
    b.Value = 0;  // outside the model: no limit rather than a copy that never moves
    EXPECT_EQ(TTransfer::ByteRateLimit(b), -1);

    EXPECT_EQ(TTransfer::BlockSize(-1), 262144);
    EXPECT_EQ(TTransfer::BlockSize(128), 128);
    EXPECT_EQ(TTransfer::BlockSize(262143), 262143);
    EXPECT_EQ(TTransfer::BlockSize(262144), 262144);
    EXPECT_EQ(TTransfer::BlockSize(131072 * 2), 262144);
}

TEST_F(TransferTest, OneKilobitCopiesAtMost128BytesPerSecond) {
    LimitBandwidth(1, TBandwidthMeasure::bmkKBits);
    const QByteArray data = Pattern(300);
    const QString source = dir.Write("slow", data);
    int error = 0;
    ASSERT_TRUE(transfer.CopyFileData(source, dir.Path("slow.copy"), error)) << error;
    EXPECT_EQ(TRawTempDir::Read(dir.Path("slow.copy")), data);
    // Blocks of 128, 128 and 44 bytes: 256 bytes need 2 whole seconds, 300 bytes need 3.
    EXPECT_EQ(context.clockMs, 3000);
    EXPECT_TRUE(std::all_of(context.sleeps.begin(), context.sleeps.end(),
                            [](int ms) { return ms > 0 && ms <= 250; }));
}

TEST_F(TransferTest, BandwidthWaitNoticesAStopAndDropsTheTemporaryFile) {
    LimitBandwidth(1, TBandwidthMeasure::bmkKBits);
    const QString source = dir.Write("slow", Pattern(1000));
    context.onSleep = [this] { context.stop = true; };
    int error = 0;
    EXPECT_FALSE(transfer.CopyFileData(source, dir.Path("slow.copy"), error));
    EXPECT_EQ(error, -1);
    EXPECT_EQ(context.sleeps.size(), 1u);
    EXPECT_FALSE(FileSystem::Exists(dir.Path("slow.copy")));
    EXPECT_EQ(TempFilesIn(dir.Root()), 0);
}

// --- free space ----------------------------------------------------------------------------------------

class FreeSpaceTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        source = dir.Write("file", QByteArray(1000, 'x'));
        target = dir.Path("dest/file");
        transfer.SetFreeSpaceSource([this](const QString& path) {
            askedFolder = path;
            const qint64 value = free.front();
            if (free.size() > 1)
                free.pop_front();
            return value;
        });
        transfer.SetDriveTypeSource([this](const QString&) { return driveType; });
    }
    TAlertChannels& DiskSpan(TAlertSet set) {
        return AlertOf(context.task.EventAlerts, set, TAlertEventKind::DiskSpan);
    }
    QString source, target, askedFolder;
    std::deque<qint64> free{0};
    TDriveType driveType = TDriveType::Fixed;
};

TEST_F(FreeSpaceTest, EqualFreeSpaceIsTooLittleAndRetryAsksAgain) {
    free = {1000, 1001};
    context.answers = {AlertAnswer::Retry};
    transfer.WaitForFreeSpace(source, target);
    EXPECT_EQ(askedFolder, dir.Path("dest"));
    ASSERT_EQ(context.logs.size(), 1u);
    EXPECT_EQ(context.logs[0].kind, TLogKind::lkError);
    EXPECT_EQ(context.logs[0].text,
              QStringLiteral("Destination location \"") + dir.Path("dest") +
                  QStringLiteral("\" out of free space (free 1000 bytes, but needed 1000 bytes)!"));
    ASSERT_EQ(context.alerts.size(), 1u);
    EXPECT_EQ(context.alerts[0].event, TAlertEvent::aeError);
    EXPECT_EQ(context.alerts[0].buttons, QStringLiteral("RS"));
    EXPECT_FALSE(context.stop);
    EXPECT_TRUE(context.sleeps.empty());
}

TEST_F(FreeSpaceTest, RetriesPauseAndStopWhenNoneAreLeft) {
    context.task.MaxNumberOfRetries = 2;
    context.task.PauseBeforeRetry = 1;
    transfer.WaitForFreeSpace(source, target);
    EXPECT_EQ(context.Count(TLogKind::lkError), 2);
    ASSERT_EQ(context.Count(TLogKind::lkWarning), 1);
    EXPECT_EQ(context.logs[1].text,
              QStringLiteral("Retry attempts left: 1; pause before next retry: 1 second(s)."));
    EXPECT_EQ(context.sleeps, (std::vector<int>{500, 500, 500}));
    EXPECT_TRUE(context.stop);
}

TEST_F(FreeSpaceTest, NoRetriesStopsAfterTheFirstError) {
    context.task.MaxNumberOfRetries = 0;
    transfer.WaitForFreeSpace(source, target);
    EXPECT_EQ(context.Count(TLogKind::lkError), 1);
    EXPECT_TRUE(context.sleeps.empty());
    EXPECT_TRUE(context.stop);
}

TEST_F(FreeSpaceTest, NoPauseRetriesAtOnceAndAStopEndsThePause) {
    context.task.PauseBeforeRetry = 0;
    free = {0, 0, 5000};
    transfer.WaitForFreeSpace(source, target);
    EXPECT_EQ(context.Count(TLogKind::lkError), 2);
    EXPECT_EQ(context.Count(TLogKind::lkWarning), 0);
    EXPECT_FALSE(context.stop);

    TRecordingRunContext other;
    other.task.PauseBeforeRetry = 3;
    TTransfer waiting(other);
    waiting.SetFreeSpaceSource([](const QString&) { return qint64(0); });
    waiting.SetDriveTypeSource([](const QString&) { return TDriveType::Network; });
    other.onSleep = [&other] {
        if (other.sleeps.size() == 2)
            other.stop = true;
    };
    waiting.WaitForFreeSpace(source, target);
    EXPECT_EQ(other.sleeps.size(), 2u);
    EXPECT_EQ(other.Count(TLogKind::lkError), 1);

    // A Stop answer ends the wait without a pause.
    TRecordingRunContext third;
    third.answers = {AlertAnswer::Stop};
    TTransfer stopped(third);
    stopped.SetFreeSpaceSource([](const QString&) { return qint64(0); });
    stopped.WaitForFreeSpace(source, target);
    EXPECT_TRUE(third.stop);
    EXPECT_TRUE(third.sleeps.empty());
    EXPECT_EQ(third.Count(TLogKind::lkWarning), 0);
}

TEST_F(FreeSpaceTest, RemovableDiskAsksForANewMediumNamingTheMountPoint) {
    driveType = TDriveType::Removable;
    DiskSpan(TAlertSet::Scheduled).Dialog = true;
    free = {10, 5000};
    context.answers = {AlertAnswer::Retry};
    transfer.WaitForFreeSpace(source, target);
    ASSERT_EQ(context.logs.size(), 1u);
    EXPECT_EQ(context.logs[0].kind, TLogKind::lkWarning);
    const QString mountPoint = Drives::MountOf(dir.Path("dest")).mountPoint;
    EXPECT_EQ(context.logs[0].text, QStringLiteral("Destination removable disk \"") + mountPoint +
                                        QStringLiteral("\" out of free space (free 10 bytes, but needed 1000 "
                                                       "bytes)! Please, insert new disk!"));
    ASSERT_EQ(context.alerts.size(), 1u);
    EXPECT_EQ(context.alerts[0].event, TAlertEvent::aeDiskSpan);
    EXPECT_EQ(context.alerts[0].buttons, QStringLiteral("RS"));
    EXPECT_TRUE(context.spanning);
    EXPECT_FALSE(context.stop);
}

TEST_F(FreeSpaceTest, RemovableDiskAnswers) {
    driveType = TDriveType::CDROM;
    DiskSpan(TAlertSet::Scheduled).Dialog = true;
    transfer.WaitForFreeSpace(source, target);  // no dialog shown: stop
    EXPECT_TRUE(context.stop);
    EXPECT_FALSE(context.spanning);

    context.stop = false;
    context.answers = {AlertAnswer::Ok};  // any other answer: the copy is attempted
    transfer.WaitForFreeSpace(source, target);
    EXPECT_FALSE(context.stop);
    EXPECT_EQ(context.Count(TLogKind::lkError), 0);
}

TEST_F(FreeSpaceTest, DiskSpanDialogSettingOfTheRunsAlertSetDecides) {
    driveType = TDriveType::Removable;
    DiskSpan(TAlertSet::Scheduled).Dialog = true;
    DiskSpan(TAlertSet::Manual).Dialog = false;
    DiskSpan(TAlertSet::Silent).Dialog = false;
    context.task.MaxNumberOfRetries = 0;
    transfer.SetSilentModeSource([] { return true; });  // the Silent set has the dialog off
    transfer.WaitForFreeSpace(source, target);
    EXPECT_EQ(context.Count(TLogKind::lkError), 1);
    EXPECT_EQ(context.alerts.at(0).event, TAlertEvent::aeError);

    context.stop = false;
    context.task.StartedManually = true;  // the Manual set: dialog off as well
    transfer.SetSilentModeSource([] { return false; });
    transfer.WaitForFreeSpace(source, target);
    EXPECT_EQ(context.alerts.at(1).event, TAlertEvent::aeError);
    DiskSpan(TAlertSet::Manual).Dialog = true;
    context.stop = false;
    transfer.WaitForFreeSpace(source, target);
    EXPECT_EQ(context.alerts.at(2).event, TAlertEvent::aeDiskSpan);
}

// --- move ----------------------------------------------------------------------------------------------

TEST_F(TransferTest, MoveRenamesAndReplacesAnExistingTargetOnlyThroughTheCopy) {
    const QString source = dir.Write("a/file", "moved", 0444);
    ASSERT_EQ(FileSystem::MakePath(dir.Path("b")), 0);
    int error = 0;
    ASSERT_TRUE(transfer.MoveFileData(source, dir.Path("b/file"), error));
    EXPECT_FALSE(FileSystem::Exists(source));
    EXPECT_EQ(TRawTempDir::Read(dir.Path("b/file")), QByteArray("moved"));

    // The rename refuses to replace; the copy then replaces the target and the read-only source goes.
    const QString again = dir.Write("a/file", "newer", 0444);
    ASSERT_TRUE(transfer.MoveFileData(again, dir.Path("b/file"), error)) << error;
    EXPECT_FALSE(FileSystem::Exists(again));
    EXPECT_EQ(TRawTempDir::Read(dir.Path("b/file")), QByteArray("newer"));

    // A failed copy keeps the source.
    const QString kept = dir.Write("a/kept", "kept");
    EXPECT_FALSE(transfer.MoveFileData(kept, dir.Path("missing-folder/kept"), error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(TRawTempDir::Read(kept), QByteArray("kept"));
    EXPECT_FALSE(transfer.MoveFileData(kept, kept, error));
    EXPECT_EQ(error, 87);
    EXPECT_TRUE(FileSystem::Exists(kept));
}

TEST_F(TransferTest, MoveAcrossFileSystemsCopiesThenDeletes) {
    FileSystem::TFileStatus shm, here;
    if (FileSystem::Status(QStringLiteral("/dev/shm"), shm, true) != 0 ||
        FileSystem::Status(dir.Root(), here) != 0 || shm.device == here.device ||
        access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second writable file system";
    const QString target = QStringLiteral("/dev/shm/tarnovex-move-test-%1").arg(getpid());
    const QString source = dir.Write("cross\xff", "across", 0640);
    SetModified(source, 1500000000, 5);
    int error = 0;
    ASSERT_TRUE(transfer.MoveFileData(source, target, error)) << error;
    EXPECT_FALSE(FileSystem::Exists(source));
    EXPECT_EQ(TRawTempDir::Read(target), QByteArray("across"));
    FileSystem::TFileStatus st;
    ASSERT_EQ(FileSystem::Status(target, st), 0);
    EXPECT_EQ(st.modificationTime.tv_nsec, 5);
    FileSystem::RemoveFile(target);
}

// --- comparison and folders ----------------------------------------------------------------------------

TEST_F(TransferTest, CompareAfterCopyReportsDifferentChecksums) {
    const QString a = dir.Write("a", "same");
    const QString b = dir.Write("b", "same");
    const QString c = dir.Write("c", "diff");
    EXPECT_FALSE(transfer.CompareAfterCopy(a, c));  // option off: nothing read, nothing said
    EXPECT_TRUE(context.logs.empty());

    context.task.BackupCompareAfterCopy = true;
    EXPECT_TRUE(transfer.CompareAfterCopy(a, b));
    EXPECT_TRUE(context.logs.empty());
    EXPECT_FALSE(transfer.CompareAfterCopy(a, c));
    ASSERT_EQ(context.logs.size(), 1u);
    EXPECT_EQ(context.logs[0].kind, TLogKind::lkError);
    EXPECT_EQ(context.logs[0].text,
              QStringLiteral("File compare of \"%1\" with \"%2\" failed (CRC32 are different).").arg(a, c));
    ASSERT_EQ(context.alerts.size(), 1u);
    EXPECT_EQ(context.alerts[0].event, TAlertEvent::aeError);
    EXPECT_EQ(context.alerts[0].buttons, QStringLiteral("CS"));

    context.stop = true;
    EXPECT_FALSE(transfer.CompareAfterCopy(a, b));
}

TEST_F(TransferTest, ForceFolderLikeCreatesAnnouncesAndCopiesTimesAndPermissions) {
    ASSERT_EQ(FileSystem::MakePath(dir.Path("model")), 0);
    ASSERT_EQ(FileSystem::ChangeMode(dir.Path("model"), 0550), 0);
    const timespec t{1400000000, 42};
    ASSERT_EQ(FileSystem::SetTimes(dir.Path("model"), t, t), 0);
    const QString folder = dir.Path("out/deep/er\xff");

    ASSERT_TRUE(transfer.ForceFolderLike(folder, dir.Path("model")));
    ASSERT_EQ(context.logs.size(), 1u);
    EXPECT_EQ(context.logs[0].kind, TLogKind::lkFile);
    EXPECT_EQ(context.logs[0].text, QStringLiteral("Creating folder \"%1\".").arg(folder));
    ASSERT_EQ(context.alerts.size(), 1u);
    EXPECT_EQ(context.alerts[0].event, TAlertEvent::aeFolder);
    EXPECT_EQ(context.alerts[0].buttons, QStringLiteral("CS"));
    FileSystem::TFileStatus st;
    ASSERT_EQ(FileSystem::Status(folder, st), 0);
    EXPECT_EQ(st.modificationTime.tv_sec, t.tv_sec);
    EXPECT_EQ(st.modificationTime.tv_nsec, t.tv_nsec);
    // The model's bits, and the owner keeps the right to write into the copy.
    EXPECT_EQ(st.Permissions(), 0750u);
    EXPECT_TRUE(CheckFolder(folder, false));

    // An existing folder is left alone, silently.
    EXPECT_TRUE(transfer.ForceFolderLike(folder, QString()));
    EXPECT_EQ(context.logs.size(), 1u);
}

TEST_F(TransferTest, ForceFolderLikeFailuresAndStop) {
    const QString file = dir.Write("a-file", "x");
    EXPECT_FALSE(transfer.ForceFolderLike(file + QStringLiteral("/sub"), QString()));
    ASSERT_EQ(context.logs.size(), 2u);
    EXPECT_EQ(context.logs[1].kind, TLogKind::lkError);
    EXPECT_EQ(context.logs[1].text,
              QStringLiteral("Unable to create folder \"%1/sub\"! (Description: %2; System "
                             "error code: %3).")
                  .arg(file, FileSystem::ErrorText(ENOTDIR))
                  .arg(ENOTDIR));
    EXPECT_EQ(context.alerts.at(1).event, TAlertEvent::aeError);

    // The announcement answered with Stop: nothing is made.
    context.answers = {AlertAnswer::Stop};
    EXPECT_FALSE(transfer.ForceFolderLike(dir.Path("never"), QString()));
    EXPECT_FALSE(FileSystem::Exists(dir.Path("never")));

    // A missing model folder (a source root that is gone) has no attributes to copy: the folder is
    // made with the defaults and no error names it.
    context.stop = false;
    EXPECT_TRUE(transfer.ForceFolderLike(dir.Path("made"), dir.Path("no-model")));
    EXPECT_TRUE(CheckFolder(dir.Path("made"), false));
    EXPECT_EQ(context.logs.back().kind, TLogKind::lkFile);
    EXPECT_EQ(context.Count(TLogKind::lkError), 1);  // only the failed creation above

    int error = 0;
    EXPECT_FALSE(transfer.CheckFolder(QStringLiteral("relative"), true, error));
    EXPECT_EQ(error, EINVAL);
    EXPECT_TRUE(transfer.CheckFolder(dir.Path("checked/x"), true, error));
}

TEST(TransferTempNames, RecognisedOnlyInTheirOwnShape) {
    EXPECT_TRUE(IsTransferTempName(FileSystem::FileNameOf(TransferTempName(QStringLiteral("/x")))));
    EXPECT_TRUE(TransferTempName(QStringLiteral("/x")).startsWith(QStringLiteral("/x/.tarnovex-")));
    EXPECT_FALSE(IsTransferTempName(QStringLiteral(".tarnovex-1234.part")));
    EXPECT_FALSE(IsTransferTempName(QStringLiteral("report.part")));
}
