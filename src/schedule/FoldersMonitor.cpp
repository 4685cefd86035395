#include "schedule/FoldersMonitor.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "model/Task.h"
#include "settings/FormatText.h"
#include "settings/Language.h"

namespace {

constexpr quint32 kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
// Watched always, whatever the filters: folders that appear must be watched in turn, and a watched folder
// that goes away must be let go.
constexpr quint32 kHousekeeping =
    IN_CREATE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW;

quint32 MaskOf(const TFolderWatchFilters& f) {
    quint32 mask = kHousekeeping;
    if (f.FileName || f.FolderName)
        mask |= kNameEvents;
    if (f.Attributes || f.Security)
        mask |= IN_ATTRIB;
    if (f.Size || f.LastWrite)
        mask |= IN_MODIFY;
    if (f.LastWrite)
        mask |= IN_CLOSE_WRITE;
    return mask;
}

QString WithoutTrailingSlash(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

bool IsRealFolder(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

TFolderWatchFilters TFolderWatchFilters::OfTask(const TTask& task) {
    return {task.MonitorFileName, task.MonitorFolderName, task.MonitorAttributes,
            task.MonitorSize,     task.MonitorLastWrite,  task.MonitorSecurity};
}

int InotifyWatchLimit() {
    QFile file(QStringLiteral("/proc/sys/fs/inotify/max_user_watches"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    const int value = file.readAll().trimmed().toInt(&ok);
    return ok ? value : -1;
}

TTaskFoldersMonitor::TTaskFoldersMonitor(std::function<void()> changed) : changed_(std::move(changed)) {
    AddWatch = [](int fd, const QByteArray& path, quint32 mask) {
        return ::inotify_add_watch(fd, path.constData(), mask);
    };
}

TTaskFoldersMonitor::~TTaskFoldersMonitor() {
    Clear();
}

void TTaskFoldersMonitor::Clear() {
    notifier_.reset();
    if (fd_ >= 0)
        ::close(fd_);  // closing the instance drops all of its watches
    fd_ = -1;
    roots_.clear();
    watches_.clear();
    limitWarned_ = false;
}

bool TTaskFoldersMonitor::Open() {
    if (fd_ >= 0)
        return true;
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
        if (Warn)
            Warn(FormatText(
                Translate(QStringLiteral("Folder monitor cannot start: %s (the limit of instances is "
                                         "fs.inotify.max_user_instances)."),
                          QStringLiteral("strFolderMonitorNoInstance")),
                {QString::fromLocal8Bit(std::strerror(errno))}));
        return false;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { ReadEvents(); });
    return true;
}

void TTaskFoldersMonitor::Rebuild(const TTask& task) {
    Clear();
    if (!task.FolderMonitor_Use)
        return;
    const TFolderWatchFilters filters = TFolderWatchFilters::OfTask(task);
    if (!filters.Any())
        return;
    for (int i = 0; i < task.SourceFolderCount(); ++i) {
        const QString path = task.SourceFolderPath(i);
        if (!path.isEmpty() && QFileInfo(path).isDir())
            AddWatcher(path, task.IncludeSubfolders(i), filters);
    }
    if (task.TaskAction == TTaskAction::taSynchronize) {
        const QString destination = task.DestinationFolder(-1);
        if (!destination.isEmpty() && QFileInfo(destination).isDir())
            AddWatcher(destination, task.IncludeSubfolders(0), filters);
    }
}

bool TTaskFoldersMonitor::AddWatcher(const QString& folder, bool subfolders,
                                     const TFolderWatchFilters& filters) {
    if (!filters.Any() || !Open())
        return false;
    const QString path = WithoutTrailingSlash(folder);
    roots_.push_back({path, subfolders, filters, MaskOf(filters)});
    const int root = static_cast<int>(roots_.size()) - 1;
    if (!WatchFolder(path, root)) {
        roots_.pop_back();
        return false;
    }
    if (subfolders)
        WatchTree(path, root);
    return true;
}

bool TTaskFoldersMonitor::WatchFolder(const QString& path, int root) {
    const int wd = AddWatch(fd_, QFile::encodeName(path), roots_[static_cast<size_t>(root)].mask);
    if (wd < 0) {
        if (errno == ENOSPC)
            LimitReached(path, errno);
        return false;
    }
    watches_[wd] = {path, root};
    return true;
}

void TTaskFoldersMonitor::WatchTree(const QString& path, int root) {
    const QDir dir(path);
    const QStringList names = dir.entryList(QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QString child =
            path == QLatin1String("/") ? QString(path + name) : QString(path + QLatin1Char('/') + name);
        if (!IsRealFolder(child))
            continue;  // a link to a folder is not descended into
        if (WatchFolder(child, root))
            WatchTree(child, root);
        else if (limitWarned_)
            return;
    }
}

void TTaskFoldersMonitor::LimitReached(const QString& folder, int) {
    if (limitWarned_)
        return;
    limitWarned_ = true;
    if (Warn)
        Warn(FormatText(Translate(QStringLiteral("Folder monitor: the system's limit of watched folders "
                                                 "(fs.inotify.max_user_watches = %s) is reached at \"%s\"; "
                                                 "changes in folders not yet watched are not seen."),
                                  QStringLiteral("strFolderMonitorWatchLimit")),
                        {QString::number(InotifyWatchLimit()), folder}));
}

bool TTaskFoldersMonitor::Reported(const TRoot& root, quint32 mask) const {
    const TFolderWatchFilters& f = root.filters;
    if (mask & (IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO))
        return (mask & IN_ISDIR) ? f.FolderName : f.FileName;
    if (mask & IN_ATTRIB)
        return f.Attributes || f.Security;
    if (mask & IN_MODIFY)
        return f.Size || f.LastWrite;
    if (mask & IN_CLOSE_WRITE)
        return f.LastWrite;
    if (mask & (IN_DELETE_SELF | IN_MOVE_SELF))
        return f.FolderName;
    return false;
}

int TTaskFoldersMonitor::ReadEvents() {
    if (fd_ < 0)
        return 0;
    int reported = 0;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t length = ::read(fd_, buffer, sizeof buffer);
        if (length <= 0)
            break;
        for (ssize_t offset = 0; offset + static_cast<ssize_t>(sizeof(inotify_event)) <= length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                ++reported;  // changes were lost: something changed
                continue;
            }
            const auto it = watches_.find(event->wd);
            if (it == watches_.end())
                continue;
            if (event->mask & IN_IGNORED) {
                watches_.erase(it);  // the folder went away (or was unmounted)
                continue;
            }
            const TWatch watch = it->second;
            const TRoot& root = roots_[static_cast<size_t>(watch.root)];
            if (Reported(root, event->mask))
                ++reported;
            if (root.subfolders && (event->mask & IN_ISDIR) && (event->mask & (IN_CREATE | IN_MOVED_TO)) &&
                event->len > 0) {
                const QString child = watch.path + QLatin1Char('/') + QFile::decodeName(event->name);
                if (IsRealFolder(child) && WatchFolder(child, watch.root))
                    WatchTree(child, watch.root);
            }
        }
    }
    if (reported > 0 && changed_)
        changed_();
    return reported;
}

QStringList TTaskFoldersMonitor::WatchedFolders() const {
    QStringList list;
    for (const auto& entry : watches_)
        list.append(entry.second.path);
    list.sort();
    return list;
}
