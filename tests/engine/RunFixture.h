#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <memory>
#include <ostream>
#include <vector>

#include "engine/RunJob.h"
#include "fixtures/RecordingRunContext.h"
#include "fixtures/TempHome.h"
#include "model/Task.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "storage/Storage.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// Packers that need no outside program: the "archive" is a text naming what went in, the "encrypted"
// file the input's bytes behind a marker. Each can be told to fail.
class TFakeCompressor : public TCustomCompressor {
public:
    bool CompressFile(const QString& sourcePath, const QString& archivePath) override {
        single.push_back({sourcePath, archivePath});
        if (fail)
            return false;
        QByteArray data;
        int fd = -1;
        if (FileSystem::OpenForReading(sourcePath, fd) == 0) {
            char buffer[4096];
            ssize_t n;
            while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
                data.append(buffer, n);
            ::close(fd);
        }
        return Write(archivePath, "ZIP:" + data);
    }
    bool CompressFiles(const QStringList& files, const QString& archivePath) override {
        lists.push_back(files);
        archives.push_back(archivePath);
        return !fail && Write(archivePath, "ZIPLIST:" + files.join(QLatin1Char('\n')).toUtf8());
    }
    QString Extension() const override { return QStringLiteral("zip"); }

    static bool Write(const QString& path, const QByteArray& data) {
        int fd = -1;
        if (FileSystem::Open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644, fd) != 0)
            return false;
        const bool ok = ::write(fd, data.constData(), static_cast<size_t>(data.size())) == data.size();
        ::close(fd);
        return ok;
    }

    struct TCall {
        QString source;
        QString target;
    };
    std::vector<TCall> single;
    std::vector<QStringList> lists;
    QStringList archives;
    bool fail = false;
};

class TFakeEncryptor : public TCustomEncryptor {
public:
    bool EncryptFile(const QString& sourcePath, const QString& targetPath) override {
        calls.push_back({sourcePath, targetPath});
        if (fail || !FileSystem::Exists(sourcePath))
            return false;
        return TFakeCompressor::Write(targetPath, "ENC");
    }
    QString Extension() const override { return QStringLiteral("enc"); }

    std::vector<TFakeCompressor::TCall> calls;
    bool fail = false;
};

// A run of a task whose source and destination folders lie in a private temporary home. The task
// includes every file; the encryptor definition "FAKE" has the extension "enc".
class RunFixture : public TarnovexTest {
protected:
    void SetUp() override {
        src = home.Path() + QStringLiteral("src/");
        dst = home.Path() + QStringLiteral("dst/");
        tmp = home.Path() + QStringLiteral("tmp/");
        FileSystem::MakePath(src);
        FileSystem::MakePath(tmp);
        TTask& task = context.task;
        task.ID = QStringLiteral("TASKA1");
        AddSource(src);
        task.DestLocal = dst;
        task.DestType = TDestKind::dkLocal;
        task.Filters = {MakeIncludeAllFilter()};
        task.CryptType = QStringLiteral("FAKE");
        task.Dial_UseDefault = false;
        task.RunPrograms_UseDefault = false;
        context.tempFolder = tmp;
        SetEncryptorExtensionLookup([](const QString& name) {
            return name == QLatin1String("FAKE") ? QStringLiteral("enc") : QString();
        });
        DateTime::SetClock([] { return DateTime::Encode(2024, 5, 6, 12, 0, 0); });
    }
    void TearDown() override {
        SetEncryptorExtensionLookup({});
        TarnovexTest::TearDown();
    }

    TTask& Task() { return context.task; }
    void AddSource(const QString& folder, bool includeSubfolders = true) {
        TSourceFolder item;
        item.Folder = folder;
        item.IncludeSubfolders = includeSubfolders;
        context.task.SourceFolders.push_back(item);
    }

    // Writes a file below base (folders made), with a modification time in May 2020 plus minutes.
    QString Write(const QString& base, const QString& relative, const QByteArray& content, int minute = 0) {
        const QString path = base + relative;
        FileSystem::MakePath(FileSystem::ParentFolder(path));
        EXPECT_TRUE(TFakeCompressor::Write(path, content)) << relative.toStdString();
        SetModified(path, minute);
        return path;
    }
    static void SetModified(const QString& path, int minute) {
        const QDateTime when(QDate(2020, 5, 6), QTime(10, 0).addSecs(minute * 60));
        timespec t{};
        t.tv_sec = when.toSecsSinceEpoch();
        FileSystem::SetTimes(path, t, t);
    }
    static QByteArray Read(const QString& path) {
        QByteArray data;
        int fd = -1;
        if (FileSystem::OpenForReading(path, fd) != 0)
            return "<missing>";
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            data.append(buffer, n);
        ::close(fd);
        return data;
    }
    static bool Exists(const QString& path) { return FileSystem::Exists(path); }

    // A fresh job with the real local storage and, when the task packs, the fake packers.
    std::unique_ptr<TRunJob> MakeJob() {
        Task().ClearPathCaches();
        auto job = std::make_unique<TRunJob>(context);
        job->Storage = std::make_unique<TLocalStorage>(context);
        if (Task().CompressionActive())
            job->Compressor = std::make_unique<TFakeCompressor>();
        if (Task().EncryptionActive())
            job->Encryptor = std::make_unique<TFakeEncryptor>();
        return job;
    }
    TFakeCompressor& Compressor(TRunJob& job) { return static_cast<TFakeCompressor&>(*job.Compressor); }
    TFakeEncryptor& Encryptor(TRunJob& job) { return static_cast<TFakeEncryptor&>(*job.Encryptor); }

    // Forgets what earlier runs logged, so that a test looks at one run at a time.
    void NewRun() {
        context.logs.clear();
        context.alerts.clear();
        context.progress.clear();
        context.errors = 0;
        context.warnings = 0;
        context.stop = false;
    }

    std::vector<QString> Texts(TLogKind kind) const { return context.Texts(kind); }
    bool Logged(TLogKind kind, const QString& text) const { return context.Logged(kind, text); }
    QString LastSummary() const {
        const auto texts = context.Texts(TLogKind::lkSummary);
        return texts.empty() ? QString() : texts.back();
    }

    TRecordingRunContext context;
    QString src;
    QString dst;
    QString tmp;
};
