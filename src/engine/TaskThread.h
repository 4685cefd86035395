#pragma once

#include <QString>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "engine/RunJob.h"
#include "logging/RunContext.h"

class TTask;

// The worker of one run of a task. It owns everything the run works with (storage, packers, file lists,
// totals) and implements the run context the procedures, the storage and the packers talk to.
//
// Every log record, alert and window refresh is handed to the main thread and waited for; the stop
// request is an atomic flag any thread may set; suspension is cooperative: the worker waits wherever
// it tests the stop request (between entries, between copy blocks, in waits) until it is resumed or
// stopped.
//
// Made on the main thread by the run request (not started); the runner starts it when the run queue
// lets it and destroys it after its end handler. Destroying it removes the run's temporary folder when
// it is empty and clears the task's running state.
class TTaskThread : public QThread, public TRunContext {
public:
    explicit TTaskThread(TTask& task);
    ~TTaskThread() override;
    TTaskThread(const TTaskThread&) = delete;
    TTaskThread& operator=(const TTaskThread&) = delete;

    TRunJob& Job() { return job_; }

    // Pauses or resumes the worker at its next stop test; false when it already was in that state.
    bool SetSuspended(bool suspended);
    bool IsSuspended() const;

    // What the window shows of the run (any thread).
    QString StatusText() const;
    qint64 ProgressDone() const { return progressDone_.load(); }
    qint64 ProgressTotal() const { return progressTotal_.load(); }
    // Whether a stop was requested (no suspension wait; any thread).
    bool StopFlag() const { return stop_.load(); }

    // TRunContext (the worker thread).
    const TTask& Task() const override { return task_; }
    void LogMessage(TLogKind kind, const QString& text) override;
    int RaiseAlert(TAlertEvent event, const QString& buttons, const QString& text) override;
    void SetProgress(const QString& status, qint64 total) override;
    void AddProgressBytes(qint64 bytes) override;
    void SetProgressDone(qint64 done) override;
    int RetriesLeft() const override;
    int ErrorCount() const override { return errors_.load(); }
    int WarningCount() const override { return warnings_.load(); }
    void ResetRetryErrors() override { errorsSinceRetryReset_.store(0); }
    bool StopRequested() override;
    void RequestStop() override;
    bool SleepUnlessStopped(int ms) override;
    bool SpanningHappened() const override { return spanning_.load(); }
    void SetSpanningHappened() override { spanning_.store(true); }
    QString TempFolder() const override;

protected:
    void run() override;

private:
    // Asks the window to show the new progress; progress bytes refresh at most every 100 ms, since a
    // copy reports every block and the window repaints on a timer anyway.
    void RefreshWindow(bool throttled);

    TTask& task_;
    TRunJob job_;
    const int cpuPerformance_;  // read on the main thread, where the settings live

    mutable std::mutex mutex_;  // guards suspended_, status_, tempFolder_ and the waits
    std::condition_variable wake_;
    bool suspended_ = false;
    QString status_;
    QString tempFolder_;

    std::atomic<bool> stop_{false};
    std::atomic<bool> spanning_{false};
    std::atomic<int> errors_{0};
    std::atomic<int> errorsSinceRetryReset_{0};
    std::atomic<int> warnings_{0};
    std::atomic<qint64> progressDone_{0};
    std::atomic<qint64> progressTotal_{0};
    qint64 lastRefreshMs_ = 0;  // worker thread only
};

// The reason a run as another user fails on this system.
QString ImpersonationUnsupportedText();
