#pragma once

// A local storage over a source and a destination folder in a private home, for the tests of versions
// and obsolete copies. The program's clock stands still at 2 January 2008 10:11:12 and moves only when
// the run sleeps, by the time slept.

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <memory>
#include <ostream>
#include <vector>

#include "fixtures/RecordingRunContext.h"
#include "fixtures/TempHome.h"
#include "model/Task.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "storage/Storage.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

class TArchivesTestBase : public TarnovexTest {
protected:
    void SetUp() override {
        src = home.Path() + QStringLiteral("src/");
        dst = home.Path() + QStringLiteral("dst/");
        ASSERT_EQ(FileSystem::MakePath(src), 0);
        ASSERT_EQ(FileSystem::MakePath(dst), 0);
        TTask& task = context.task;
        task.ID = QStringLiteral("ARCHIVES1");
        TSourceFolder folder;
        folder.Folder = src;
        task.SourceFolders.push_back(folder);
        task.DestType = TDestKind::dkLocal;
        task.DestLocal = dst;
        task.EventAlerts_UseDefault = false;
        task.Bandwidth_UseDefault = false;
        now = DateTime::Encode(2008, 1, 2, 10, 11, 12);
        DateTime::SetClock([this] { return now; });
        context.onSleep = [this] { now += context.sleeps.back() / DateTime::MsPerDay; };
        storage = std::make_unique<TLocalStorage>(context);
    }

    TTask& Task() { return context.task; }

    static QString Write(const QString& path, const QByteArray& content) {
        FileSystem::MakePath(FileSystem::ParentFolder(path));
        int fd = -1;
        EXPECT_EQ(FileSystem::Open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644, fd), 0);
        if (fd >= 0) {
            EXPECT_EQ(::write(fd, content.constData(), static_cast<size_t>(content.size())), content.size());
            ::close(fd);
        }
        return path;
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
    // The names in folder, sorted.
    static QStringList Names(const QString& folder) {
        std::vector<FileSystem::TFolderEntry> entries;
        FileSystem::ListFolder(folder, entries);
        QStringList names;
        for (const auto& entry : entries)
            names << entry.name;
        names.sort();
        return names;
    }
    bool Alerted(TAlertEvent event, const QString& buttons, const QString& text) const {
        return std::any_of(context.alerts.begin(), context.alerts.end(), [&](const auto& a) {
            return a.event == event && a.buttons == buttons && a.text == text;
        });
    }

    // Declared before the storage, which refers to it.
    TRecordingRunContext context;
    std::unique_ptr<TLocalStorage> storage;
    TDateTime now = 0;
    QString src;
    QString dst;
};
