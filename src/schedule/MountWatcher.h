#pragma once

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// Device arrival: the kernel marks /proc/self/mountinfo with POLLPRI on every mount and unmount; each
// mount point that was not there before is an arrival. The mounts present at the start are not arrivals.
class TMountWatcher : public QObject {
public:
    // Called for every new mount point, in the kernel's order.
    explicit TMountWatcher(std::function<void(const QString& mountPoint)> arrived);
    ~TMountWatcher() override;

    // Opens the mount table and starts watching it; false when it cannot be opened.
    bool Start(const QString& path = QStringLiteral("/proc/self/mountinfo"));
    void Stop();
    // Compares a mount table text with the previous one and reports the new mount points (the notifier
    // calls it with the file's text; tests give the text directly). Returns the new mount points.
    QStringList Update(const QByteArray& mountTable);
    // Takes a mount table as the known state without reporting anything.
    void Reset(const QByteArray& mountTable);
    // Called after the arrivals of an update whenever the set of mount points changed, for a mount and
    // for an unmount alike (the drive list of the task dialog is read again then).
    void SetTableChanged(std::function<void()> changed) { changed_ = std::move(changed); }

private:
    QByteArray ReadTable();

    std::function<void(const QString&)> arrived_;
    std::function<void()> changed_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QSet<QString> known_;
};
