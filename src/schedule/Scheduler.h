#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>

#include "schedule/NextRun.h"
#include "schedule/ScheduleTime.h"

class TMainData;
class TTask;
class TTaskFoldersMonitor;
class TMountWatcher;

enum class TStartupKind { SystemStartup, ProgramStartup, SystemShutdown };

// The scheduler: a tick every 5 seconds on the thread that owns the task list, which resets expired
// error flags, holds back during the start-up pause, starts the tasks whose schedule items are due and
// ends an idle program when asked to; the start-up and shutdown runs; the one-shot delays of the tasks
// (start-up waits, shutdown limits, folder-change waits); and the scheduled start that every schedule and
// trigger goes through. It works on the main data and requests runs through its run control.
//
// Time comes from an injected clock and zone. Tests call ScheduleTimerTimer and ProcessDelays directly
// after moving their clock; the program lets the timers do it.
class TScheduler : public QObject {
public:
    static constexpr int kTickMs = 5000;
    // Ticks without a running task after which an exit-when-idle program ends (the 31st ends it).
    static constexpr int kIdleTickLimit = 30;
    static constexpr int kMediaStartDelayMs = 100;
    // How long the media test goes on after its message has been closed.
    static constexpr int kMediaTestLingerMs = 2000;

    explicit TScheduler(TMainData& data, TScheduleClock clock = TScheduleClock::System(),
                        QObject* parent = nullptr);
    ~TScheduler() override;

    TMainData& Data() const { return data_; }
    const TScheduleClock& Clock() const { return clock_; }

    // The 5-second tick on this thread.
    void Start();
    void Stop();
    bool Started() const { return tickTimer_.isActive(); }

    // One tick.
    void ScheduleTimerTimer();
    // The due test of every schedule item of every task, in list order.
    void CheckSchedules();
    // Clears the error flags whose automatic reset time has come; true when one was cleared.
    bool ResetExpiredErrorFlags();
    // The start entry of schedules and triggers: refused (and logged, LastRun moved to now) while the
    // scheduler is disabled; otherwise the run request, not as a start by hand.
    void ScheduledStart(TTask& task);
    // Program start-up, system start-up and system shutdown runs.
    void RunStartupItems(TStartupKind kind);
    // The end of the session (SIGTERM in headless mode): the shutdown runs, then waits, serving events,
    // while a task that belongs to no group runs.
    void SystemShutdown();

    // "/SYSTEMSTARTUP": time-based items wait for the start-up pause, which begins now.
    void SetSystemStartupMode(bool on);
    bool SystemStartupMode() const { return systemStartupMode_; }
    // "/EXITWHENIDLE".
    void SetExitWhenIdle(bool on);
    int IdleTicks() const { return idleTicks_; }

    // The task's last run with the instant it stands for (see TLastRun).
    TLastRun LastRunOf(const TTask& task);
    // Next run of an item of the task, as a wall-clock value (NoTimeValue when none).
    TDateTime NextRunTime(const TTask& task, const TTaskScheduleItem& item);

    // The task's one-shot delay. Arming replaces a pending one; the handler runs once, when the delay
    // has passed, unless the task has left the list by then.
    void ArmDelay(TTask& task, qint64 ms, std::function<void(TTask&)> handler);
    void CancelDelay(const TTask& task);
    bool DelayPending(const TTask& task) const;
    // Runs the handlers whose time has come. The delay timer calls it; tests call it after moving the
    // clock.
    void ProcessDelays();

    // Folder monitors: rebuilt after a task is loaded or edited; a task that leaves the list is forgotten.
    void RebuildFolderWatchers(TTask& task);
    void RebuildAllFolderWatchers();
    TTaskFoldersMonitor* FolderMonitorOf(const TTask& task) const;
    // A watcher of the task saw a change.
    void FolderChanged(TTask& task);
    // Drops everything the scheduler keeps for a task (its folder monitor, its pending delays, what it
    // knows of its last run). Called when a task is deleted; the tick also drops what it keeps for tasks
    // that have left the list, so that a task created later at the same address inherits nothing.
    void ForgetTask(const TTask& task);

    // A volume was mounted at drive: every task whose media criteria match starts after a short pause
    // (through the main data's media check); in media-test mode only the test criteria are looked at and
    // MediaTestSucceeded is called when they match.
    void VolumeArrived(const QString& drive);
    // Watches the mount table and turns every new mount into VolumeArrived; false when the table cannot
    // be opened (no media detection then).
    bool StartMediaDetection(const QString& mountTable = QStringLiteral("/proc/self/mountinfo"));
    TMountWatcher& MountWatcher();
    // The media check of one task (installed as the main data's MediaCheck).
    void MediaCheck(TTask& task, const QString& drive, const QString& label, const QString& serial);
    struct TMediaCriteria {
        QString Drive;
        QString Label;
        QString Serial;
    };
    // The task properties dialog's test: arrivals only report whether they match the given criteria.
    // Switching the mode on or off cancels a pending end.
    void SetMediaTestMode(bool on, const TMediaCriteria& criteria = {});
    bool MediaTestMode() const { return mediaTest_; }
    // The test message was closed: the mode ends ms later (kMediaTestLingerMs for the dialog), so that a
    // medium plugged in just before the message was closed is still only reported.
    void EndMediaTestAfter(qint64 ms);
    bool MediaTestEndPending() const { return mediaTestEnd_.has_value(); }

    // Called once when an exit-when-idle program has been idle long enough.
    std::function<void()> ExitWhenIdle;
    // The task list and the command states should be redrawn.
    std::function<void()> TaskListChanged;
    // A media test found a matching volume.
    std::function<void()> MediaTestSucceeded;
    // Serves the event loop while the end of the session waits for runs.
    std::function<void()> ProcessEventsWhileWaiting;

private:
    struct TDelay {
        QString id;
        qint64 due = 0;
        std::function<void(TTask&)> handler;
        quint64 armed = 0;  // arming order: delays due at the same time run in the order they were armed
    };
    enum class TDelaySlot { Task, Media };
    using TDelayKey = std::pair<const TTask*, TDelaySlot>;
    struct TKnownRun {
        QString id;
        TDateTime wall = 0;
        qint64 instant = 0;
    };

    struct TMonitorEntry {
        QString id;
        std::unique_ptr<TTaskFoldersMonitor> monitor;
    };

    void ForgetRemovedTasks();
    void CheckSchedule(TTask& task, std::size_t index);
    void SetLastRunNow(TTask& task);
    void Changed();
    bool InList(const TTask* task, const QString& id) const;
    void Arm(const TDelayKey& key, TTask& task, qint64 ms, std::function<void(TTask&)> handler);
    void RestartDelayTimer();
    void EndExpiredMediaTest(qint64 now);

    TMainData& data_;
    TScheduleClock clock_;
    QTimer tickTimer_;
    QTimer delayTimer_;
    bool systemStartupMode_ = false;
    qint64 startupModeSince_ = 0;
    bool exitWhenIdle_ = false;
    bool exitRequested_ = false;
    int idleTicks_ = 0;
    bool mediaTest_ = false;
    TMediaCriteria mediaCriteria_;
    std::optional<qint64> mediaTestEnd_;  // clock instant at which the media test ends
    std::map<TDelayKey, TDelay> delays_;
    quint64 armedCount_ = 0;
    std::unordered_map<const TTask*, TKnownRun> known_;
    std::unordered_map<const TTask*, TMonitorEntry> monitors_;
    std::unique_ptr<TMountWatcher> mountWatcher_;
};
