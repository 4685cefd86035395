#include <sys/inotify.h>

#include <QDir>
#include <QFile>
#include <cerrno>

#include "fixtures/TempHome.h"
#include "schedule/FoldersMonitor.h"

namespace {

class FoldersMonitor : public TarnovexTest {
protected:
    void SetUp() override {
        root = home.Path() + QStringLiteral("src");
        ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/a/b")));
        monitor.Warn = [this](const QString& text) { warnings.append(text); };
    }
    void Touch(const QString& name, const QByteArray& content = "x") {
        QFile file(root + QLatin1Char('/') + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Append));
        file.write(content);
    }

    QString root;
    int changes = 0;
    QStringList warnings;
    TTaskFoldersMonitor monitor{[this] { ++changes; }};
};

TFolderWatchFilters Only(bool TFolderWatchFilters::*member) {
    TFolderWatchFilters filters;
    filters.*member = true;
    return filters;
}

}  // namespace

TEST_F(FoldersMonitor, RecursiveWatcherSeesDeepChangesAndNewSubfolders) {
    ASSERT_TRUE(monitor.AddWatcher(root + QLatin1Char('/'), true, Only(&TFolderWatchFilters::FileName)));
    EXPECT_EQ(monitor.WatchedFolders(),
              (QStringList{root, root + QStringLiteral("/a"), root + QStringLiteral("/a/b")}));
    Touch(QStringLiteral("a/b/deep.txt"));
    EXPECT_GT(monitor.ReadEvents(), 0);
    EXPECT_EQ(changes, 1);
    // A folder made later is watched as it appears, and its files are seen.
    ASSERT_TRUE(QDir().mkdir(root + QStringLiteral("/new")));
    monitor.ReadEvents();
    EXPECT_TRUE(monitor.WatchedFolders().contains(root + QStringLiteral("/new")));
    Touch(QStringLiteral("new/file.txt"));
    EXPECT_GT(monitor.ReadEvents(), 0);
    // Nothing happened: nothing reported.
    const int before = changes;
    EXPECT_EQ(monitor.ReadEvents(), 0);
    EXPECT_EQ(changes, before);
}

TEST_F(FoldersMonitor, WatcherWithoutSubfoldersIgnoresDeeperChanges) {
    ASSERT_TRUE(monitor.AddWatcher(root, false, Only(&TFolderWatchFilters::FileName)));
    EXPECT_EQ(monitor.WatchCount(), 1);
    Touch(QStringLiteral("a/inner.txt"));
    EXPECT_EQ(monitor.ReadEvents(), 0);
    Touch(QStringLiteral("top.txt"));
    EXPECT_GT(monitor.ReadEvents(), 0);
}

TEST_F(FoldersMonitor, FiltersSelectTheKindsOfChange) {
    Touch(QStringLiteral("file.txt"));
    ASSERT_TRUE(monitor.AddWatcher(root, false, Only(&TFolderWatchFilters::Size)));
    Touch(QStringLiteral("file.txt"), "more");  // a write
    EXPECT_GT(monitor.ReadEvents(), 0);
    ASSERT_TRUE(QFile::setPermissions(root + QStringLiteral("/file.txt"), QFile::ReadOwner));
    EXPECT_EQ(monitor.ReadEvents(), 0);  // attributes are not watched
    monitor.Clear();

    ASSERT_TRUE(monitor.AddWatcher(root, false, Only(&TFolderWatchFilters::Security)));
    ASSERT_TRUE(
        QFile::setPermissions(root + QStringLiteral("/file.txt"), QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_GT(monitor.ReadEvents(), 0);
    monitor.Clear();

    ASSERT_TRUE(monitor.AddWatcher(root, false, Only(&TFolderWatchFilters::FolderName)));
    Touch(QStringLiteral("another.txt"));
    EXPECT_EQ(monitor.ReadEvents(), 0);  // a file name, not a folder name
    ASSERT_TRUE(QDir().mkdir(root + QStringLiteral("/folder")));
    EXPECT_GT(monitor.ReadEvents(), 0);
    // No filter: no watcher at all.
    monitor.Clear();
    EXPECT_FALSE(monitor.AddWatcher(root, true, TFolderWatchFilters{}));
    EXPECT_EQ(monitor.WatchCount(), 0);
}

TEST_F(FoldersMonitor, DeletedWatchedFolderIsLetGoAndTheRestStaysWatched) {
    ASSERT_TRUE(monitor.AddWatcher(root, true, Only(&TFolderWatchFilters::FolderName)));
    ASSERT_EQ(monitor.WatchCount(), 3);
    ASSERT_TRUE(QDir(root + QStringLiteral("/a")).removeRecursively());
    EXPECT_GT(monitor.ReadEvents(), 0);
    EXPECT_EQ(monitor.WatchedFolders(), QStringList{root});
    ASSERT_TRUE(QDir().mkdir(root + QStringLiteral("/c")));
    EXPECT_GT(monitor.ReadEvents(), 0);
}

TEST_F(FoldersMonitor, WatchLimitGivesOneWarningAndKeepsWhatIsWatched) {
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/x/y")));
    int granted = 0;
    const auto real = monitor.AddWatch;
    monitor.AddWatch = [&](int fd, const QByteArray& path, quint32 mask) {
        if (granted == 2) {
            errno = ENOSPC;
            return -1;
        }
        ++granted;
        return real(fd, path, mask);
    };
    ASSERT_TRUE(monitor.AddWatcher(root, true, Only(&TFolderWatchFilters::FileName)));
    EXPECT_EQ(monitor.WatchCount(), 2);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("max_user_watches")));
    EXPECT_TRUE(warnings[0].contains(root));
    Touch(QStringLiteral("seen.txt"));
    EXPECT_GT(monitor.ReadEvents(), 0);
}

TEST_F(FoldersMonitor, LinksToFoldersAreNotFollowed) {
    const QString outside = home.Path() + QStringLiteral("outside");
    ASSERT_TRUE(QDir().mkpath(outside));
    ASSERT_TRUE(QFile::link(outside, root + QStringLiteral("/link")));
    ASSERT_TRUE(monitor.AddWatcher(root, true, Only(&TFolderWatchFilters::FileName)));
    EXPECT_FALSE(monitor.WatchedFolders().contains(root + QStringLiteral("/link")));
    QFile file(outside + QStringLiteral("/f"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(monitor.ReadEvents(), 0);
}
