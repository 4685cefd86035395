#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <vector>

#include "platform/FileSystem.h"
#include "storage/FileUtils.h"

// A temporary folder for tests whose file names need not be UTF-8. Names are given as raw bytes;
// QTemporaryDir's own removal would miss such names, so the tree is removed byte-exactly.
class TRawTempDir {
public:
    TRawTempDir() : path_(dir_.path()) {}
    ~TRawTempDir() { DeleteFolder(path_); }
    TRawTempDir(const TRawTempDir&) = delete;
    TRawTempDir& operator=(const TRawTempDir&) = delete;

    // The engine's path of the raw relative name.
    QString Path(const QByteArray& rawName) const {
        return path_ + QLatin1Char('/') + DecodeFileName(rawName);
    }
    QString Root() const { return path_; }

    QString Write(const QByteArray& rawName, const QByteArray& content, mode_t mode = 0644) const {
        const QString path = Path(rawName);
        FileSystem::MakePath(FileSystem::ParentFolder(path));
        int fd = -1;
        EXPECT_EQ(FileSystem::Open(path, O_WRONLY | O_CREAT | O_TRUNC, mode, fd), 0) << rawName.constData();
        if (fd >= 0) {
            EXPECT_EQ(write(fd, content.constData(), static_cast<size_t>(content.size())), content.size());
            close(fd);
        }
        return path;
    }

    static QByteArray Read(const QString& path) {
        int fd = -1;
        if (FileSystem::OpenForReading(path, fd) != 0)
            return QByteArray("<unreadable>");
        QByteArray out;
        char buffer[65536];
        ssize_t n = 0;
        while ((n = read(fd, buffer, sizeof buffer)) > 0)
            out.append(buffer, n);
        close(fd);
        return out;
    }

    // Raw names directly in folder.
    static std::vector<QByteArray> List(const QString& folder) {
        std::vector<FileSystem::TFolderEntry> entries;
        FileSystem::ListFolder(folder, entries);
        std::vector<QByteArray> names;
        for (const auto& e : entries)
            names.push_back(EncodeFileName(e.name));
        return names;
    }

private:
    QTemporaryDir dir_;
    QString path_;
};

// Sets the modification (and access) time of path to local date-time seconds since 1970.
inline void SetModified(const QString& path, qint64 seconds, long nanoseconds = 0) {
    const timespec t{static_cast<time_t>(seconds), nanoseconds};
    ASSERT_EQ(FileSystem::SetTimes(path, t, t), 0);
}
