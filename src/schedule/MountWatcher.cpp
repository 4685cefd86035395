#include "schedule/MountWatcher.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>

#include "platform/Drives.h"

TMountWatcher::TMountWatcher(std::function<void(const QString&)> arrived) : arrived_(std::move(arrived)) {}

TMountWatcher::~TMountWatcher() {
    Stop();
}

bool TMountWatcher::Start(const QString& path) {
    Stop();
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    Reset(ReadTable());
    // A change of the table shows as an exceptional condition (POLLPRI) on the open file.
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Exception);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { Update(ReadTable()); });
    return true;
}

void TMountWatcher::Stop() {
    notifier_.reset();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

QByteArray TMountWatcher::ReadTable() {
    QByteArray text;
    if (fd_ < 0 || ::lseek(fd_, 0, SEEK_SET) < 0)
        return text;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, n);
    }
    return text;
}

void TMountWatcher::Reset(const QByteArray& mountTable) {
    known_.clear();
    for (const TMountEntry& entry : Drives::ParseMountTable(mountTable))
        known_.insert(entry.mountPoint);
}

QStringList TMountWatcher::Update(const QByteArray& mountTable) {
    QStringList arrivals;
    QSet<QString> current;
    for (const TMountEntry& entry : Drives::ParseMountTable(mountTable)) {
        current.insert(entry.mountPoint);
        if (!known_.contains(entry.mountPoint) && !arrivals.contains(entry.mountPoint))
            arrivals.append(entry.mountPoint);
    }
    const bool changed = current != known_;
    // Unmounted points are forgotten, so that mounting the medium again is an arrival again.
    known_ = current;
    if (arrived_)
        for (const QString& mountPoint : arrivals)
            arrived_(mountPoint);
    if (changed && changed_)
        changed_();
    return arrivals;
}
