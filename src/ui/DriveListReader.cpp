#include "ui/DriveListReader.h"

#include <QMetaObject>
#include <QObject>
#include <QStorageInfo>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/Drives.h"
#include "platform/Volumes.h"

QStringList SmartDetectDriveList() {
    QStringList drives;
    for (const TMountEntry& mount : Drives::MountTable()) {
        if (drives.contains(mount.mountPoint))
            continue;
        const TDriveType type = Drives::ClassifyDrive(mount.fsType, false);
        // Optical and network drives always hold user data; of the rest only file systems on a block
        // device do (proc, sysfs, cgroup and their kin have none), except the read-only images that
        // package systems mount in numbers.
        const bool listed = type == TDriveType::CDROM || type == TDriveType::Network ||
                            mount.mountPoint == QLatin1String("/") ||
                            (type != TDriveType::RAM && mount.source.startsWith(QLatin1String("/dev/")) &&
                             mount.fsType != QLatin1String("squashfs"));
        if (listed)
            drives.append(mount.mountPoint);
    }
    return drives;
}

TSmartDetectDrive ReadSmartDetectDrive(const QString& mountPoint) {
    TSmartDetectDrive drive;
    drive.Letter = mountPoint;
    const QList<TMountEntry> mounts = Drives::MountTable();
    drive.TypeName = Drives::DriveTypeName(Drives::DriveType(Drives::MountOf(mountPoint, mounts)));
    // Only reads: the drive list must not leave probe files on the user's volumes.
    const QStorageInfo storage(mountPoint);
    drive.Ready = storage.isValid() && storage.isReady() && storage.bytesTotal() > 0;
    if (!drive.Ready)
        return drive;
    drive.Size = storage.bytesTotal();
    TVolumeInfo volume;
    if (TSystemVolumeInfo().Read(mountPoint, volume)) {
        drive.Label = volume.label;
        drive.Serial = volume.serial;
    }
    return drive;
}

struct TDriveListReader::TState {
    std::mutex mutex;
    std::condition_variable changed;
    bool stopped = false;
    bool rowTaken = true;
    bool finished = false;
    QObject* context = nullptr;
    TRowFunction row;
    std::function<void()> done;
};

TDriveListReader::TDriveListReader(QObject* context, TListFunction list, TReadFunction read, TRowFunction row,
                                   std::function<void()> finished)
    : state_(std::make_shared<TState>()) {
    state_->context = context;
    state_->row = std::move(row);
    state_->done = std::move(finished);
    // The thread holds the state and its own copies of the functions, never this object.
    thread_ = std::thread([state = state_, list = std::move(list), read = std::move(read)] {
        const QStringList drives = list ? list() : QStringList();
        for (const QString& drive : drives) {
            {
                std::lock_guard lock(state->mutex);
                if (state->stopped)
                    break;
            }
            TSmartDetectDrive entry;
            if (read)
                entry = read(drive);
            else
                entry.Letter = drive;
            std::unique_lock lock(state->mutex);
            if (state->stopped)
                break;
            state->rowTaken = false;
            QMetaObject::invokeMethod(
                state->context,
                [state, entry] {
                    TRowFunction deliver;
                    {
                        std::lock_guard inner(state->mutex);
                        if (!state->stopped)
                            deliver = state->row;
                    }
                    // Outside the lock: the row function may stop this very reader.
                    if (deliver)
                        deliver(entry);
                    std::lock_guard inner(state->mutex);
                    state->rowTaken = true;
                    state->changed.notify_all();
                },
                Qt::QueuedConnection);
            state->changed.wait(lock, [&state] { return state->rowTaken || state->stopped; });
            if (state->stopped)
                break;
        }
        std::lock_guard lock(state->mutex);
        state->finished = true;
        state->changed.notify_all();
        if (!state->stopped && state->done)
            QMetaObject::invokeMethod(
                state->context,
                [state] {
                    std::function<void()> done;
                    {
                        std::lock_guard inner(state->mutex);
                        if (!state->stopped)
                            done = state->done;
                    }
                    if (done)
                        done();
                },
                Qt::QueuedConnection);
    });
}

TDriveListReader::~TDriveListReader() {
    Stop();
}

void TDriveListReader::Stop() {
    std::unique_lock lock(state_->mutex);
    state_->stopped = true;
    state_->changed.notify_all();
    if (!thread_.joinable())
        return;  // stopped before
    const bool finished = state_->changed.wait_for(lock, std::chrono::milliseconds(kStopWaitMs),
                                                   [this] { return state_->finished; });
    lock.unlock();
    if (finished)
        thread_.join();
    else
        thread_.detach();
}

bool TDriveListReader::Finished() const {
    std::lock_guard lock(state_->mutex);
    return state_->finished;
}
