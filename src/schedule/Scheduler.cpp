#include "schedule/Scheduler.h"

#include "engine/TaskRunner.h"

#include <QCoreApplication>
#include <algorithm>
#include <limits>

#include "logging/TaskLogger.h"
#include "model/MainData.h"
#include "model/Task.h"
#include "platform/Volumes.h"
#include "schedule/FoldersMonitor.h"
#include "schedule/MountWatcher.h"
#include "settings/GlobalSettings.h"
#include "settings/Language.h"

TScheduler::TScheduler(TMainData& data, TScheduleClock clock, QObject* parent)
    : QObject(parent), data_(data), clock_(std::move(clock)) {
    tickTimer_.setInterval(kTickMs);
    connect(&tickTimer_, &QTimer::timeout, this, [this] { ScheduleTimerTimer(); });
    delayTimer_.setSingleShot(true);
    connect(&delayTimer_, &QTimer::timeout, this, [this] { ProcessDelays(); });
    data_.MediaCheck = [this](TTask& task, const QString& drive, const QString& label,
                              const QString& serial) { MediaCheck(task, drive, label, serial); };
    ProcessEventsWhileWaiting = [] {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 100);
    };
}

TScheduler::~TScheduler() {
    mountWatcher_.reset();
    data_.MediaCheck = nullptr;
    tickTimer_.stop();
    delayTimer_.stop();
}

void TScheduler::Start() {
    tickTimer_.start();
}

void TScheduler::Stop() {
    tickTimer_.stop();
}

void TScheduler::Changed() {
    if (TaskListChanged)
        TaskListChanged();
}

bool TScheduler::InList(const TTask* task, const QString& id) const {
    for (const auto& t : data_.Tasks)
        if (t.get() == task)
            return t->ID == id;
    return false;
}

TLastRun TScheduler::LastRunOf(const TTask& task) {
    const auto it = known_.find(&task);
    if (it != known_.end() && it->second.id == task.ID && it->second.wall == task.LastRun)
        return {task.LastRun, it->second.instant};
    TLastRun last;
    if (it != known_.end() && it->second.id == task.ID) {
        // LastRun changed since the last look (a run started, or the user moved it): the change is
        // recent, so a wall-clock time that occurs twice means the occurrence nearer to now.
        last = {task.LastRun,
                clock_.Zone->WallMsToInstantNear(WallTime::ToWallMs(task.LastRun), clock_.Now())};
    } else {
        last = LastRunFromWall(task.LastRun, *clock_.Zone);
    }
    known_[&task] = {task.ID, last.Wall, last.Instant};
    return last;
}

TDateTime TScheduler::NextRunTime(const TTask& task, const TTaskScheduleItem& item) {
    return ::NextRunTime(item, LastRunOf(task), *clock_.Zone);
}

void TScheduler::SetLastRunNow(TTask& task) {
    const qint64 now = clock_.Now();
    task.LastRun = clock_.Zone->ToWall(now);
    known_[&task] = {task.ID, task.LastRun, now};
}

void TScheduler::SetSystemStartupMode(bool on) {
    systemStartupMode_ = on;
    startupModeSince_ = clock_.Now();
}

void TScheduler::SetExitWhenIdle(bool on) {
    exitWhenIdle_ = on;
    idleTicks_ = 0;
}

bool TScheduler::ResetExpiredErrorFlags() {
    const TDateTime now = clock_.NowWall();
    bool cleared = false;
    for (const auto& task : data_.Tasks)
        if (task->ResetErrorFlagIfExpired(now))
            cleared = true;
    return cleared;
}

void TScheduler::ScheduleTimerTimer() {
    ForgetRemovedTasks();
    if (ResetExpiredErrorFlags())
        Changed();
    if (systemStartupMode_) {
        const TPerformanceSettings& performance = GlobalSettings().Performance;
        // The pause after a start at logon lasts SchedulePauseMin minutes of the clock, whatever the
        // tick does; during it no item is tested and the idle count stands still.
        if (performance.SchedulePauseUse &&
            clock_.Now() < startupModeSince_ + qint64(std::max(performance.SchedulePauseMin, 0)) * 60000)
            return;
    }
    CheckSchedules();
    if (exitWhenIdle_) {
        if (data_.HasRunning(TMainData::AllTasksName()))
            idleTicks_ = 0;
        else
            ++idleTicks_;
        if (idleTicks_ > kIdleTickLimit && !exitRequested_) {
            exitRequested_ = true;
            if (ExitWhenIdle)
                ExitWhenIdle();
        }
    }
}

void TScheduler::CheckSchedules() {
    // A run request may change what the list holds (a run ends at once); indexes are checked each time.
    for (int t = 0; t < data_.Tasks.Count(); ++t) {
        TTask& task = data_.Tasks[t];
        for (std::size_t i = 0; i < task.Schedule.size(); ++i)
            CheckSchedule(task, i);
    }
}

void TScheduler::CheckSchedule(TTask& task, std::size_t index) {
    const TTaskScheduleItem& item = task.Schedule[index];
    if (!item.Enabled)
        return;
    switch (DueTest(item, LastRunOf(task), clock_.Now(), task.ScheduleSkipMissed, *clock_.Zone)) {
        case TDueResult::NotDue:
            return;
        case TDueResult::Late:
            SetLastRunNow(task);
            LoggerOf(task).Log(
                TLogKind::lkWarning,
                Translate(QStringLiteral("Skipping run time as per Task Properties - scheduled run "
                                         "was at least 60 seconds late."),
                          QStringLiteral("strTaskTypesScheduleSkipMissed")));
            Changed();
            return;
        case TDueResult::Due:
            ScheduledStart(task);
            return;
    }
}

void TScheduler::ScheduledStart(TTask& task) {
    if (GlobalSettings().Main.DisableScheduler) {
        // Moving LastRun keeps refused starts from piling up: after the scheduler is enabled again the
        // items count from the last refusal.
        SetLastRunNow(task);
        LoggerOf(task).Log(
            TLogKind::lkWarning,
            QStringLiteral("Task start time skipped because of disabled scheduler! Click \"Disable "
                           "Scheduler\" on the toolbar to resume scheduling in future."));
        Changed();
        return;
    }
    if (data_.RunControl)
        data_.RunControl->RequestRun(task, false);
}

void TScheduler::RunStartupItems(TStartupKind kind) {
    const TScheduleKind wanted = kind == TStartupKind::SystemStartup    ? TScheduleKind::skAtSystemStartup
                                 : kind == TStartupKind::ProgramStartup ? TScheduleKind::skAtProgramStartup
                                                                        : TScheduleKind::skAtSystemShutdown;
    std::vector<std::pair<TTask*, TTaskScheduleItem>> starts;
    for (const auto& task : data_.Tasks) {
        if (task->IsRunning || task->Worker || task->ErrorFlag)
            continue;
        // The last enabled item of the kind decides the wait or the limit; the task starts once.
        const TTaskScheduleItem* last = nullptr;
        for (const TTaskScheduleItem& item : task->Schedule)
            if (item.Enabled && item.Kind == wanted)
                last = &item;
        if (last)
            starts.emplace_back(task.get(), *last);
    }
    for (auto& [task, item] : starts) {
        const auto start = [this](TTask& t) { ScheduledStart(t); };
        switch (kind) {
            case TStartupKind::SystemStartup:
                if (item.AtSystemStartupWait)
                    ArmDelay(*task, qint64(std::max(item.AtSystemStartupWaitSecValue, 0)) * 1000, start);
                else
                    ScheduledStart(*task);
                break;
            case TStartupKind::ProgramStartup:
                if (item.AtProgramStartupWait)
                    ArmDelay(*task, qint64(std::max(item.AtProgramStartupWaitSecValue, 0)) * 1000, start);
                else
                    ScheduledStart(*task);
                break;
            case TStartupKind::SystemShutdown:
                if (item.SystemShutdownLimitExecTime)
                    ArmDelay(*task, qint64(std::max(item.SystemShutdownMaxSec, 0)) * 1000, [this](TTask& t) {
                        if (t.IsRunning && data_.RunControl)
                            data_.RunControl->RequestStop(t);
                    });
                ScheduledStart(*task);
                break;
        }
    }
}

void TScheduler::SystemShutdown() {
    RunStartupItems(TStartupKind::SystemShutdown);
    // Runs of tasks in a named group are not waited for; the others must end before the session does.
    while (data_.HasRunning(QString()))
        ProcessEventsWhileWaiting();
}

void TScheduler::ArmDelay(TTask& task, qint64 ms, std::function<void(TTask&)> handler) {
    Arm({&task, TDelaySlot::Task}, task, ms, std::move(handler));
}

void TScheduler::Arm(const TDelayKey& key, TTask& task, qint64 ms, std::function<void(TTask&)> handler) {
    delays_[key] = TDelay{task.ID, clock_.Now() + std::max<qint64>(ms, 0), std::move(handler), ++armedCount_};
    RestartDelayTimer();
}

void TScheduler::CancelDelay(const TTask& task) {
    delays_.erase({&task, TDelaySlot::Task});
    RestartDelayTimer();
}

bool TScheduler::DelayPending(const TTask& task) const {
    const auto it = delays_.find({&task, TDelaySlot::Task});
    return it != delays_.end() && it->second.id == task.ID;
}

void TScheduler::ProcessDelays() {
    const qint64 now = clock_.Now();
    EndExpiredMediaTest(now);
    // A handler may arm or cancel delays; the due ones are taken out first, in the order they fall due.
    std::vector<std::pair<TDelayKey, TDelay>> due;
    for (auto it = delays_.begin(); it != delays_.end();) {
        if (it->second.due <= now) {
            due.emplace_back(it->first, std::move(it->second));
            it = delays_.erase(it);
        } else {
            ++it;
        }
    }
    // Not by the map's order, which is the tasks' addresses: media arrivals arm their tasks in list order,
    // and that is the order they start in.
    std::sort(due.begin(), due.end(), [](const auto& a, const auto& b) {
        return a.second.due != b.second.due ? a.second.due < b.second.due : a.second.armed < b.second.armed;
    });
    for (auto& [key, delay] : due) {
        TTask* task = const_cast<TTask*>(key.first);
        if (InList(task, delay.id))
            delay.handler(*task);
    }
    RestartDelayTimer();
}

void TScheduler::RestartDelayTimer() {
    if (delays_.empty() && !mediaTestEnd_) {
        delayTimer_.stop();
        return;
    }
    qint64 earliest = mediaTestEnd_.value_or(std::numeric_limits<qint64>::max());
    for (const auto& entry : delays_)
        earliest = std::min(earliest, entry.second.due);
    const qint64 wait = std::clamp<qint64>(earliest - clock_.Now(), 0, std::numeric_limits<int>::max());
    delayTimer_.start(static_cast<int>(wait));
}

void TScheduler::RebuildFolderWatchers(TTask& task) {
    TMonitorEntry& entry = monitors_[&task];
    // A monitor made for another task that lived at this address reports to that task's ID.
    if (!entry.monitor || entry.id != task.ID) {
        TTask* target = &task;
        const QString id = task.ID;
        entry.id = id;
        entry.monitor = std::make_unique<TTaskFoldersMonitor>([this, target, id] {
            if (InList(target, id))
                FolderChanged(*target);
        });
        entry.monitor->Warn = [this, target, id](const QString& text) {
            if (InList(target, id))
                LoggerOf(*target).Log(TLogKind::lkWarning, text);
        };
    }
    entry.monitor->Rebuild(task);
}

void TScheduler::RebuildAllFolderWatchers() {
    ForgetRemovedTasks();
    for (const auto& task : data_.Tasks)
        RebuildFolderWatchers(*task);
}

TTaskFoldersMonitor* TScheduler::FolderMonitorOf(const TTask& task) const {
    const auto it = monitors_.find(&task);
    return it == monitors_.end() || it->second.id != task.ID ? nullptr : it->second.monitor.get();
}

void TScheduler::FolderChanged(TTask& task) {
    if (!task.FolderMonitor_Use)
        return;
    if (task.DoWait)
        // Every change of a burst moves the start: the task starts WaitSeconds after the last one.
        ArmDelay(task, qint64(std::max(task.WaitSeconds, 0)) * 1000, [this](TTask& t) { ScheduledStart(t); });
    else
        ScheduledStart(task);
}

void TScheduler::ForgetTask(const TTask& task) {
    monitors_.erase(&task);
    known_.erase(&task);
    delays_.erase({&task, TDelaySlot::Task});
    delays_.erase({&task, TDelaySlot::Media});
    RestartDelayTimer();
}

void TScheduler::ForgetRemovedTasks() {
    if (known_.empty() && monitors_.empty() && delays_.empty())
        return;
    std::unordered_map<const TTask*, const QString*> present;
    present.reserve(static_cast<std::size_t>(data_.Tasks.Count()));
    for (const auto& task : data_.Tasks)
        present.emplace(task.get(), &task->ID);
    const auto gone = [&present](const TTask* task, const QString& id) {
        const auto it = present.find(task);
        return it == present.end() || *it->second != id;
    };
    std::erase_if(known_, [&](const auto& entry) { return gone(entry.first, entry.second.id); });
    std::erase_if(monitors_, [&](const auto& entry) { return gone(entry.first, entry.second.id); });
    const std::size_t delays = delays_.size();
    std::erase_if(delays_, [&](const auto& entry) { return gone(entry.first.first, entry.second.id); });
    if (delays_.size() != delays)
        RestartDelayTimer();
}

void TScheduler::SetMediaTestMode(bool on, const TMediaCriteria& criteria) {
    mediaTest_ = on;
    mediaCriteria_ = criteria;
    mediaTestEnd_.reset();
    RestartDelayTimer();
}

void TScheduler::EndMediaTestAfter(qint64 ms) {
    if (!mediaTest_)
        return;
    mediaTestEnd_ = clock_.Now() + std::max<qint64>(ms, 0);
    RestartDelayTimer();
}

void TScheduler::EndExpiredMediaTest(qint64 now) {
    if (mediaTestEnd_ && *mediaTestEnd_ <= now) {
        mediaTest_ = false;
        mediaTestEnd_.reset();
    }
}

TMountWatcher& TScheduler::MountWatcher() {
    if (!mountWatcher_)
        mountWatcher_ =
            std::make_unique<TMountWatcher>([this](const QString& mountPoint) { VolumeArrived(mountPoint); });
    return *mountWatcher_;
}

bool TScheduler::StartMediaDetection(const QString& mountTable) {
    return MountWatcher().Start(mountTable);
}

void TScheduler::VolumeArrived(const QString& drive) {
    // An arrival may come before the delay timer has ended a test whose time is up.
    EndExpiredMediaTest(clock_.Now());
    if (!mediaTest_) {
        data_.MediaArrived(drive);
        return;
    }
    // The test looks at the criteria of the dialog, not at the tasks: one arrival, one answer.
    TVolumeInfo info;
    if (data_.VolumeInfo)
        data_.VolumeInfo->Read(drive, info);
    if (MediaCriteriaMatch(mediaCriteria_.Drive, mediaCriteria_.Label, mediaCriteria_.Serial, drive,
                           info.label, info.serial) &&
        MediaTestSucceeded)
        MediaTestSucceeded();
}

void TScheduler::MediaCheck(TTask& task, const QString& drive, const QString& label, const QString& serial) {
    if (mediaTest_ || task.ErrorFlag || task.IsRunning || task.Worker || !task.SmartDetectUse)
        return;
    if (!MediaCriteriaMatch(task.SmartDetectDriveLetter, task.SmartDetectVolumeInfo,
                            task.SmartDetectSerialNumber, drive, label, serial))
        return;
    // The short pause lets the new mount settle; it runs on the delay timer instead of blocking the loop,
    // and apart from the task's own delay, so that a pending folder-change wait is not lost.
    Arm({&task, TDelaySlot::Media}, task, kMediaStartDelayMs, [this](TTask& t) { ScheduledStart(t); });
}
