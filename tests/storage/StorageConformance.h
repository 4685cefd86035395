#pragma once

// The behaviour every storage back end shares: copies and moves of single files by the date, size,
// empty-file and in-use rules, folders, packed files, index files (saved, loaded, damaged, missing,
// deleted) and failures. The tests are in StorageConformanceTest.cpp. A back end joins with
//
//     INSTANTIATE_TEST_SUITE_P(Ftp, StorageConformance, ::testing::Values(FtpBackEnd()), ...);
//
// in a test file of its own that includes this header, where FtpBackEnd() gives a TStorageBackEnd saying
// how a task is pointed at a local folder through that back end (an FTP back end serves the folder from
// a test server). The checks then look at that folder on the disk.
//
// Every scenario that depends on times runs with the destination index of an earlier run loaded, the one
// situation in which all back ends decide alike.

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "fixtures/RecordingRunContext.h"
#include "fixtures/TempHome.h"
#include "model/Task.h"
#include "platform/FileSystem.h"
#include "storage/FileUtils.h"
#include "storage/IndexFile.h"
#include "storage/Storage.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

struct TStorageBackEnd {
    std::string name;
    // Points the task's destination at folder (which exists). The handle keeps what the back end needs
    // (a server) alive until the test ends.
    std::function<std::shared_ptr<void>(TTask& task, const QString& folder)> prepare;
    std::function<std::unique_ptr<TCustomStorage>(TRunContext& context)> make;
    // The path under which the destination index records the stored copy of a source file.
    std::function<QString(const TTask& task, const QString& sourcePath)> storedPathOf;
    // PutFileToSource and ForceSourceFolder work (synchronisation back to the source).
    bool copiesBack = true;
    // A move takes the source away itself.
    bool movesSource = true;
    // A damaged index file is left where it is after the failed load.
    bool keepsDamagedIndex = true;
};

inline void PrintTo(const TStorageBackEnd& backEnd, std::ostream* os) {
    *os << backEnd.name;
}

// Holds a write lock on a file that every other open file sees (an OFD lock, as a program that writes
// the file would hold it), so that the file counts as in use.
class TWriteLock {
public:
    explicit TWriteLock(const QString& path) {
        if (FileSystem::Open(path, O_RDWR, 0, fd_) != 0)
            return;
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        locked_ = fcntl(fd_, F_OFD_SETLK, &lock) == 0;
    }
    ~TWriteLock() {
        if (fd_ >= 0)
            close(fd_);
    }
    TWriteLock(const TWriteLock&) = delete;
    TWriteLock& operator=(const TWriteLock&) = delete;
    bool Locked() const { return locked_; }

private:
    int fd_ = -1;
    bool locked_ = false;
};

// Source, destination and temporary folders in a private home, a task that copies from the first to the
// second, and the helpers of storage tests.
class TStorageTestBase : public TarnovexTest {
protected:
    void SetUp() override {
        src = home.Path() + QStringLiteral("src/");
        dst = home.Path() + QStringLiteral("dst/");
        tmp = home.Path() + QStringLiteral("tmp/");
        ASSERT_EQ(FileSystem::MakePath(src), 0);
        ASSERT_EQ(FileSystem::MakePath(dst), 0);
        ASSERT_EQ(FileSystem::MakePath(tmp), 0);
        TTask& task = context.task;
        task.ID = QStringLiteral("CONFORM1");
        TSourceFolder folder;
        folder.Folder = src;
        task.SourceFolders.push_back(folder);
        task.DestType = TDestKind::dkLocal;
        task.DestLocal = dst;
        task.EventAlerts_UseDefault = false;
        task.Bandwidth_UseDefault = false;
        task.CompressFilename = QStringLiteral("backup.zip");
        context.tempFolder = tmp;
    }
    void TearDown() override {
        storage.reset();
        TarnovexTest::TearDown();
    }

    virtual std::unique_ptr<TCustomStorage> MakeStorage() = 0;

    // A fresh storage as a new run would make it; the records of earlier runs are forgotten.
    void NewRun() {
        storage.reset();
        context.task.ClearPathCaches();
        context.logs.clear();
        context.alerts.clear();
        context.answers.clear();
        context.errors = 0;
        context.warnings = 0;
        context.stop = false;
        context.progressBytes = 0;
        storage = MakeStorage();
        ASSERT_NE(storage, nullptr);
        storage->SetPackExtensions(QStringLiteral("zip"), QStringLiteral("enc"));
        ASSERT_TRUE(storage->Connect());
    }
    // Ends the run with the destination index saved, then starts the next one with it loaded.
    void NextRunWithIndex() {
        ASSERT_TRUE(storage->SaveIndex(tmp, TStorageSide::Destination));
        storage->Disconnect();
        NewRun();
        ASSERT_TRUE(storage->LoadIndex(tmp, TStorageSide::Destination));
    }

    // Writes a file with a modification time of 6 May 2020 10:00 plus the given minutes (local time).
    static QString Write(const QString& path, const QByteArray& content, int minute = 0) {
        FileSystem::MakePath(FileSystem::ParentFolder(path));
        int fd = -1;
        EXPECT_EQ(FileSystem::Open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644, fd), 0);
        if (fd >= 0) {
            EXPECT_EQ(::write(fd, content.constData(), static_cast<size_t>(content.size())), content.size());
            ::close(fd);
        }
        SetMinute(path, minute);
        return path;
    }
    static void SetMinute(const QString& path, int minute, int second = 0) {
        const QDateTime when(QDate(2020, 5, 6), QTime(10, 0).addSecs(minute * 60 + second));
        timespec t{};
        t.tv_sec = when.toSecsSinceEpoch();
        EXPECT_EQ(FileSystem::SetTimes(path, t, t), 0);
    }
    static QByteArray Read(const QString& path) {
        int fd = -1;
        if (FileSystem::OpenForReading(path, fd) != 0)
            return "<missing>";
        QByteArray data;
        char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            data.append(buffer, n);
        ::close(fd);
        return data;
    }
    static bool Exists(const QString& path) { return FileSystem::Exists(path); }

    TTask& Task() { return context.task; }
    QString IndexPath() const { return dst + context.task.IndexFileName(); }
    bool NoWarningsOrErrors() const {
        return context.Count(TLogKind::lkWarning) == 0 && context.Count(TLogKind::lkError) == 0;
    }
    // The temporary folder holds nothing once an operation is over.
    bool TempFolderEmpty() const {
        std::vector<FileSystem::TFolderEntry> entries;
        FileSystem::ListFolder(tmp, entries);
        return entries.empty();
    }

    TRecordingRunContext context;
    std::unique_ptr<TCustomStorage> storage;
    QString src;
    QString dst;
    QString tmp;
};

class StorageConformance : public TStorageTestBase, public ::testing::WithParamInterface<TStorageBackEnd> {
protected:
    void SetUp() override {
        TStorageTestBase::SetUp();
        keepAlive = GetParam().prepare(context.task, dst);
        NewRun();
    }
    void TearDown() override {
        TStorageTestBase::TearDown();
        keepAlive.reset();
    }
    std::unique_ptr<TCustomStorage> MakeStorage() override { return GetParam().make(context); }

    QString StoredPath(const QString& sourcePath) const {
        return GetParam().storedPathOf(context.task, sourcePath);
    }
    TDateTime RecordedTime(const QString& sourcePath) {
        const TIndexFileItem* item = storage->DestinationIndex.Find(StoredPath(sourcePath));
        return item ? item->Time : 0;
    }

    std::shared_ptr<void> keepAlive;
};
