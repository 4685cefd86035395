#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class TTask;

// Which changes a watcher reports, in the order of the task's options. They map to inotify events as
// closely as they go: names of files and of folders to creation, deletion and renaming (told apart by
// whether the entry is a folder), attributes and security both to metadata changes (permissions,
// ownership, times, extended attributes), size and last write both to writes (last write also to the
// close of a file opened for writing).
struct TFolderWatchFilters {
    bool FileName = false;
    bool FolderName = false;
    bool Attributes = false;
    bool Size = false;
    bool LastWrite = false;
    bool Security = false;

    bool Any() const { return FileName || FolderName || Attributes || Size || LastWrite || Security; }
    static TFolderWatchFilters OfTask(const TTask& task);
};

// The folder monitor of one task: watchers on its source folders (and, for a synchronisation, on its
// destination), through one inotify instance. A recursive watcher watches every folder below its root,
// and folders that appear later as they appear; symbolic links are not followed. Changes are reported
// through the callback, once per batch of notifications read.
//
// When the system's limit of watches is reached, one warning names the limit and the folder, and what
// could be watched stays watched.
class TTaskFoldersMonitor : public QObject {
public:
    using TAddWatch = std::function<int(int fd, const QByteArray& path, quint32 mask)>;

    explicit TTaskFoldersMonitor(std::function<void()> changed);
    ~TTaskFoldersMonitor() override;

    // Drops every watcher and builds them again from the task's options. Folders that do not exist are
    // not watched (and not reported).
    void Rebuild(const TTask& task);
    // Drops every watcher.
    void Clear();
    // Adds a watcher for folder; false when not even its root could be watched.
    bool AddWatcher(const QString& folder, bool subfolders, const TFolderWatchFilters& filters);

    // Reads the notifications that are waiting (the socket notifier calls it; tests may call it right
    // after changing files, since the system queues notifications as the change happens). Returns the
    // number of reported changes; the callback runs once when there was at least one.
    int ReadEvents();

    int WatchCount() const { return static_cast<int>(watches_.size()); }
    QStringList WatchedFolders() const;
    bool Active() const { return fd_ >= 0; }

    // Where warnings go (the owner sends them to the task's log).
    std::function<void(const QString&)> Warn;
    // inotify_add_watch; tests replace it to reach the watch limit.
    TAddWatch AddWatch;

private:
    struct TRoot {
        QString path;
        bool subfolders = false;
        TFolderWatchFilters filters;
        quint32 mask = 0;
    };
    struct TWatch {
        QString path;
        int root = 0;
    };

    bool Open();
    bool WatchFolder(const QString& path, int root);
    void WatchTree(const QString& path, int root);
    bool Reported(const TRoot& root, quint32 mask) const;
    void LimitReached(const QString& folder, int error);

    std::function<void()> changed_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<TRoot> roots_;
    std::unordered_map<int, TWatch> watches_;
    bool limitWarned_ = false;
};

// The system's limit of inotify watches per user (fs.inotify.max_user_watches), -1 when unknown.
int InotifyWatchLimit();
