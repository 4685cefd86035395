#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "logging/LogTypes.h"
#include "model/MainData.h"

class TTask;
class TTaskThread;

// Whether removable-media criteria match a drive (its mount point), a volume label and a serial: the
// last criterion that is not empty decides alone; comparisons are exact (a trailing '/' of a mount point
// does not count).
bool MediaCriteriaMatch(const QString& wantDrive, const QString& wantLabel, const QString& wantSerial,
                        const QString& drive, const QString& label, const QString& serial);
// The same with the task's own criteria.
bool SmartDetectMatch(const TTask& task, const QString& drive, const QString& label, const QString& serial);
// Whether some mounted drive matches the task's removable-media criteria.
bool RequiredDiskPresent(const TTask& task);

// How a run request ended.
enum class TRunRequestResult {
    Refused,  // not started (the reason is in the task's log, or the request was silently ignored)
    Started,  // its worker runs
    Queued,   // its worker waits until the other runs have ended
};

// What a run came to, reported when its end has been handled.
struct TRunOutcome {
    bool Aborted = false;
    int Errors = 0;
    int Warnings = 0;
};

// Runs tasks: the run request with its checks, the workers, the run queue of the program-wide
// "one run at a time" setting, the end handler, stop and suspension. Lives in the main thread, which
// must keep serving its event loop while runs are on (the workers hand their log records and alerts to
// it and wait).
class TTaskRunner : public QObject, public TRunControl {
public:
    explicit TTaskRunner(QObject* parent = nullptr);
    // Stops every run and waits for their ends (serving events meanwhile).
    ~TTaskRunner() override;

    TRunRequestResult Request(TTask& task, bool manual);

    // TRunControl
    void RequestRun(TTask& task, bool manual) override { Request(task, manual); }
    void RequestStop(TTask& task) override;
    void SetSuspended(TTask& task, bool suspended) override;
    bool IsSuspended(const TTask& task) const override;
    void ApplyGlobalSuspend(TTask& task, bool suspended) override;

    // Workers that have passed the queue and not yet ended.
    int RunningCount() const { return running_; }
    // Runs waiting in the queue.
    int WaitingCount() const { return static_cast<int>(waiting_.size()); }
    bool Idle() const { return running_ == 0 && waiting_.empty() && active_.empty(); }

    void StopAll();
    // Serves the main thread's events until no run is left; false when timeoutMs (>= 0) passed first.
    bool WaitUntilIdle(int timeoutMs = -1);

    // Called on the main thread after a run's end has been handled.
    std::function<void(TTask& task, const TRunOutcome& outcome)> RunEnded;
    // The name of the current hardware profile (none exists here, so it is empty by default).
    std::function<QString()> HardwareProfile;
    // The removable-media check of a run request; by default the mounted drives are looked at.
    std::function<bool(const TTask& task)> DiskPresent;

private:
    void Log(TTask& task, TLogKind kind, const QString& text);
    void Start(TTaskThread* thread);
    void StartFromQueue();
    void OnThreadFinished(TTaskThread* thread);
    // The end handler: the finished or aborted record, the Finish alert, the running state cleared.
    void EndRun(TTaskThread* thread);

    int running_ = 0;
    std::vector<TTaskThread*> waiting_;  // the last one requested starts first
    std::vector<TTaskThread*> active_;   // every worker not yet ended (running or waiting)
};
