#include <QDir>
#include <QFile>
#include <map>
#include <vector>

#include "fixtures/TempHome.h"
#include "logging/TaskLogger.h"
#include "model/MainData.h"
#include "platform/Volumes.h"
#include "schedule/FoldersMonitor.h"
#include "schedule/MountWatcher.h"
#include "schedule/Scheduler.h"
#include "settings/GlobalSettings.h"

namespace {

constexpr qint64 kSecond = 1000;
constexpr qint64 kMinute = 60 * kSecond;

// Records the run requests; a started task runs until the test ends it, and its LastRun becomes the
// clock's now, as the run request does.
class TRecordingRunControl final : public TRunControl {
public:
    explicit TRecordingRunControl(const TScheduleClock& clock) : clock_(clock) {}
    void RequestRun(TTask& task, bool manual) override {
        requests.push_back({task.Name, manual});
        if (task.IsRunning || task.ErrorFlag)
            return;
        task.IsRunning = true;
        task.LastRun = clock_.NowWall();
    }
    void RequestStop(TTask& task) override { stops.push_back(task.Name); }
    void SetSuspended(TTask&, bool) override {}
    bool IsSuspended(const TTask&) const override { return false; }

    std::vector<QString> Names() const {
        std::vector<QString> names;
        for (const auto& r : requests)
            names.push_back(r.first);
        return names;
    }
    std::vector<std::pair<QString, bool>> requests;
    std::vector<QString> stops;

private:
    const TScheduleClock& clock_;
};

class TFixedVolumes final : public TVolumeInfoSource {
public:
    bool Read(const QString& mountPoint, TVolumeInfo& info) override {
        const auto it = volumes.find(mountPoint);
        if (it == volumes.end())
            return false;
        info = it->second;
        return true;
    }
    std::map<QString, TVolumeInfo> volumes;
};

class Scheduler : public TarnovexTest {
protected:
    void SetUp() override {
        ResetGlobalSettings();
        now = clock.Zone->ToInstant(WallTime::Make(QDate(2025, 3, 3), 8 * 3600000), TWallChoice::Earlier);
        data.RunControl = &control;
    }
    void TearDown() override {
        ForgetAllLoggers();
        TarnovexTest::TearDown();
    }

    TTask& AddTask(const QString& name) {
        auto task = std::make_unique<TTask>();
        task->Name = name;
        task->LastRun = clock.NowWall();
        return data.AddTask(std::move(task));
    }
    static TTaskScheduleItem Item(TScheduleKind kind) {
        TTaskScheduleItem item;
        item.Kind = kind;
        return item;
    }
    // Moves the clock and ticks.
    void TickAfter(qint64 ms) {
        now += ms;
        scheduler.ProcessDelays();
        scheduler.ScheduleTimerTimer();
    }
    static std::vector<QString> Texts(const TTask& task, TLogKind kind) {
        std::vector<QString> texts;
        for (const TLogItem& item : LoggerOf(task).Items())
            if (item.Kind == kind)
                texts.push_back(item.Text);
        return texts;
    }

    qint64 now = 0;
    TScheduleClock clock = TScheduleClock::Fixed(&now, "Europe/Berlin");
    TMainData data;
    TRecordingRunControl control{clock};
    TScheduler scheduler{data, clock};
};

}  // namespace

TEST_F(Scheduler, DueItemsStartTheirTaskOnceAsScheduledStarts) {
    TTask& task = AddTask(QStringLiteral("Every half hour"));
    TTaskScheduleItem item = Item(TScheduleKind::skMinutelly);
    item.MinutellyValue = 30;
    task.Schedule = {item, item};  // two due items in one tick start the task once
    TickAfter(29 * kMinute);
    EXPECT_TRUE(control.requests.empty());
    TickAfter(kMinute);
    ASSERT_EQ(control.requests.size(), 1u);
    EXPECT_FALSE(control.requests[0].second);  // not a start by hand
    // Still running: the due item is not due any more (LastRun moved), nothing more is requested.
    TickAfter(5 * kSecond);
    EXPECT_EQ(control.requests.size(), 1u);
    task.IsRunning = false;
    TickAfter(30 * kMinute);
    EXPECT_EQ(control.requests.size(), 2u);
}

TEST_F(Scheduler, LateRunIsSkippedAndLoggedWhenMissedRunsAreSkipped) {
    TTask& task = AddTask(QStringLiteral("Daily"));
    TTaskScheduleItem item = Item(TScheduleKind::skDaily);
    item.DailyUseStartTime = true;
    item.DailyStartTime = 9.0 / 24.0;
    task.Schedule = {item};
    task.ScheduleSkipMissed = true;
    // The program was not running at 09:00; at 09:01:01 the run is 61 seconds late.
    TickAfter(61 * kMinute + kSecond);
    EXPECT_TRUE(control.requests.empty());
    EXPECT_EQ(Texts(task, TLogKind::lkWarning).size(), 1u);
    EXPECT_EQ(task.LastRun, clock.NowWall());
    // The next day's run is on time.
    TickAfter(24 * 3600 * kSecond - kMinute - kSecond);
    EXPECT_EQ(control.requests.size(), 1u);
}

TEST_F(Scheduler, DisabledSchedulerRefusesMovesLastRunAndLogsOncePerDueTime) {
    GlobalSettings().Main.DisableScheduler = true;
    TTask& task = AddTask(QStringLiteral("Refused"));
    TTaskScheduleItem item = Item(TScheduleKind::skMinutelly);
    item.MinutellyValue = 30;
    task.Schedule = {item};
    int refreshes = 0;
    scheduler.TaskListChanged = [&] { ++refreshes; };
    TickAfter(30 * kMinute);
    TickAfter(5 * kSecond);
    EXPECT_TRUE(control.requests.empty());
    EXPECT_EQ(Texts(task, TLogKind::lkWarning).size(), 1u);
    EXPECT_EQ(refreshes, 1);
    TickAfter(30 * kMinute - 5 * kSecond);
    EXPECT_EQ(Texts(task, TLogKind::lkWarning).size(), 2u);
}

TEST_F(Scheduler, ErrorFlagIsResetWhenItsTimeHasComeAndTheDueItemStarts) {
    TTask& task = AddTask(QStringLiteral("Flagged"));
    task.Schedule = {Item(TScheduleKind::skMinutelly)};
    task.Schedule[0].MinutellyValue = 1;
    task.FlagAutoReset = true;
    task.FlagAutoResetValue = 10;
    task.FlagAutoResetUnit = TErrorResetUnit::ertuMinutes;
    task.RaiseErrorFlag(clock.NowWall());
    task.ScheduleSkipMissed = false;
    TickAfter(9 * kMinute);
    EXPECT_TRUE(task.ErrorFlag);
    EXPECT_FALSE(task.IsRunning);
    TickAfter(kMinute);
    EXPECT_FALSE(task.ErrorFlag);
    EXPECT_TRUE(task.IsRunning);
}

TEST_F(Scheduler, StartupItemsUseTheLastItemsWaitAndStartOnce) {
    TTask& waits = AddTask(QStringLiteral("Waits"));
    TTaskScheduleItem first = Item(TScheduleKind::skAtSystemStartup);
    first.AtSystemStartupWaitSecValue = 10;
    TTaskScheduleItem second = first;
    second.AtSystemStartupWaitSecValue = 90;
    waits.Schedule = {first, second};
    TTask& atOnce = AddTask(QStringLiteral("At once"));
    TTaskScheduleItem program = Item(TScheduleKind::skAtProgramStartup);
    program.AtProgramStartupWait = false;
    atOnce.Schedule = {program};
    TTask& running = AddTask(QStringLiteral("Running"));
    running.Schedule = {first};
    running.IsRunning = true;

    scheduler.RunStartupItems(TStartupKind::SystemStartup);
    scheduler.RunStartupItems(TStartupKind::ProgramStartup);
    EXPECT_EQ(control.Names(), std::vector<QString>{QStringLiteral("At once")});
    EXPECT_TRUE(scheduler.DelayPending(waits));
    EXPECT_FALSE(scheduler.DelayPending(running));
    now += 89 * kSecond;
    scheduler.ProcessDelays();
    EXPECT_EQ(control.requests.size(), 1u);
    now += kSecond;
    scheduler.ProcessDelays();
    EXPECT_EQ(control.Names(), (std::vector<QString>{QStringLiteral("At once"), QStringLiteral("Waits")}));
    EXPECT_FALSE(scheduler.DelayPending(waits));
}

TEST_F(Scheduler, StartupPauseHoldsBackTimedItemsForItsMinutes) {
    GlobalSettings().Performance.SchedulePauseMin = 5;
    TTask& timed = AddTask(QStringLiteral("Timed"));
    timed.Schedule = {Item(TScheduleKind::skMinutelly)};
    timed.Schedule[0].MinutellyValue = 1;
    timed.ScheduleSkipMissed = false;
    TTask& atLogon = AddTask(QStringLiteral("At logon"));
    atLogon.Schedule = {Item(TScheduleKind::skAtSystemStartup)};  // waits 90 seconds
    scheduler.SetSystemStartupMode(true);
    scheduler.RunStartupItems(TStartupKind::SystemStartup);
    for (int i = 0; i < 59; ++i)
        TickAfter(5 * kSecond);
    // The start-up item is not held back by the pause; the timed item is.
    EXPECT_EQ(control.Names(), std::vector<QString>{QStringLiteral("At logon")});
    TickAfter(5 * kSecond);  // five minutes
    EXPECT_EQ(control.Names(), (std::vector<QString>{QStringLiteral("At logon"), QStringLiteral("Timed")}));
}

TEST_F(Scheduler, ExitWhenIdleAfter31IdleTicksAndARunResetsTheCount) {
    TTask& task = AddTask(QStringLiteral("Idle"));
    int exits = 0;
    scheduler.ExitWhenIdle = [&] { ++exits; };
    scheduler.SetExitWhenIdle(true);
    for (int i = 0; i < 20; ++i)
        TickAfter(5 * kSecond);
    task.IsRunning = true;
    TickAfter(5 * kSecond);
    EXPECT_EQ(scheduler.IdleTicks(), 0);
    task.IsRunning = false;
    for (int i = 0; i < 30; ++i)
        TickAfter(5 * kSecond);
    EXPECT_EQ(exits, 0);
    TickAfter(5 * kSecond);
    EXPECT_EQ(exits, 1);
    TickAfter(5 * kSecond);
    EXPECT_EQ(exits, 1);
}

TEST_F(Scheduler, ShutdownRunsWaitForTasksWithoutGroupAndStopAtTheirLimit) {
    TTask& limited = AddTask(QStringLiteral("Limited"));
    TTaskScheduleItem item = Item(TScheduleKind::skAtSystemShutdown);
    item.SystemShutdownLimitExecTime = true;
    item.SystemShutdownMaxSec = 20;
    limited.Schedule = {item};
    TTask& grouped = AddTask(QStringLiteral("Grouped"));
    grouped.BelongToGroup = QStringLiteral("Office");
    grouped.IsRunning = true;
    int waits = 0;
    scheduler.ProcessEventsWhileWaiting = [&] {
        ++waits;
        now += kSecond;
        scheduler.ProcessDelays();
        // The run ends once it has been asked to stop.
        if (!control.stops.empty())
            limited.IsRunning = false;
    };
    scheduler.SystemShutdown();
    EXPECT_EQ(control.Names(), std::vector<QString>{QStringLiteral("Limited")});
    EXPECT_EQ(control.stops, std::vector<QString>{QStringLiteral("Limited")});
    // Waited for the ungrouped run until its limit stopped it, not for the grouped one.
    EXPECT_EQ(waits, 20);
    EXPECT_TRUE(grouped.IsRunning);
}

TEST_F(Scheduler, DelaysOfTasksThatLeftTheListDoNotFire) {
    TTask& task = AddTask(QStringLiteral("Deleted"));
    task.Schedule = {Item(TScheduleKind::skAtProgramStartup)};
    scheduler.RunStartupItems(TStartupKind::ProgramStartup);
    ASSERT_TRUE(scheduler.DelayPending(task));
    ForgetLogger(task);
    ASSERT_TRUE(data.DeleteTask(task));
    now += 60 * kSecond;
    scheduler.ProcessDelays();
    EXPECT_TRUE(control.requests.empty());
}

TEST_F(Scheduler, ForgetTaskDropsItsMonitorAndDelays) {
    const QString folder = home.Path() + QStringLiteral("forgotten");
    ASSERT_TRUE(QDir().mkpath(folder));
    TTask& task = AddTask(QStringLiteral("Forgotten"));
    TSourceFolder source;
    source.Folder = folder;
    task.SourceFolders = {source};
    task.FolderMonitor_Use = true;
    task.MonitorFileName = true;
    task.Schedule = {Item(TScheduleKind::skAtProgramStartup)};
    scheduler.RebuildFolderWatchers(task);
    scheduler.RunStartupItems(TStartupKind::ProgramStartup);
    ASSERT_NE(scheduler.FolderMonitorOf(task), nullptr);
    ASSERT_TRUE(scheduler.DelayPending(task));

    scheduler.ForgetTask(task);
    EXPECT_EQ(scheduler.FolderMonitorOf(task), nullptr);
    EXPECT_FALSE(scheduler.DelayPending(task));
    now += kMinute;
    scheduler.ProcessDelays();
    EXPECT_TRUE(control.requests.empty());
}

TEST_F(Scheduler, TickDropsWhatItKeptForTasksThatLeftTheList) {
    const QString folder = home.Path() + QStringLiteral("removed");
    ASSERT_TRUE(QDir().mkpath(folder));
    TTask& task = AddTask(QStringLiteral("Removed"));
    TSourceFolder source;
    source.Folder = folder;
    task.SourceFolders = {source};
    task.FolderMonitor_Use = true;
    task.MonitorFileName = true;
    task.Schedule = {Item(TScheduleKind::skAtProgramStartup)};
    scheduler.RebuildAllFolderWatchers();
    scheduler.RunStartupItems(TStartupKind::ProgramStartup);
    ASSERT_NE(scheduler.FolderMonitorOf(task), nullptr);

    // Taken out of the list but still alive, so that its address cannot be reused meanwhile.
    std::unique_ptr<TTask> removed = data.Tasks.Take(task);
    TickAfter(5 * kSecond);
    EXPECT_EQ(scheduler.FolderMonitorOf(*removed), nullptr);
    EXPECT_FALSE(scheduler.DelayPending(*removed));
    // Back in the list it is a task like any other: no old delay fires for it.
    data.Tasks.Add(std::move(removed));
    now += kMinute;
    scheduler.ProcessDelays();
    EXPECT_TRUE(control.requests.empty());
    ForgetLogger(task);
}

TEST_F(Scheduler, ATaskAtTheAddressOfADeletedOneInheritsNothing) {
    const QString folder = home.Path() + QStringLiteral("reused");
    ASSERT_TRUE(QDir().mkpath(folder));
    TTask& task = AddTask(QStringLiteral("Old"));
    TSourceFolder source;
    source.Folder = folder;
    task.SourceFolders = {source};
    task.FolderMonitor_Use = true;
    task.MonitorFileName = true;
    task.Schedule = {Item(TScheduleKind::skAtProgramStartup)};
    scheduler.RebuildFolderWatchers(task);
    scheduler.RunStartupItems(TStartupKind::ProgramStartup);

    // What a new task created at the same address looks like to the scheduler: another ID.
    task.ID = QStringLiteral("NEWTASK");
    task.Name = QStringLiteral("New");
    task.Schedule.clear();
    task.DoWait = false;
    EXPECT_FALSE(scheduler.DelayPending(task));
    EXPECT_EQ(scheduler.FolderMonitorOf(task), nullptr);
    now += kMinute;
    scheduler.ProcessDelays();
    EXPECT_TRUE(control.requests.empty());

    // Its own monitor reports its changes.
    scheduler.RebuildFolderWatchers(task);
    TTaskFoldersMonitor* monitor = scheduler.FolderMonitorOf(task);
    ASSERT_NE(monitor, nullptr);
    QFile file(folder + QStringLiteral("/new"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_GT(monitor->ReadEvents(), 0);
    EXPECT_EQ(control.Names(), std::vector<QString>{QStringLiteral("New")});
}

TEST_F(Scheduler, MediaArrivalStartsMatchingTasksAfterAShortPause) {
    TFixedVolumes volumes;
    volumes.volumes[QStringLiteral("/media/usb")] = {QStringLiteral("BACKUP"), QStringLiteral("1A2B3C4D")};
    volumes.volumes[QStringLiteral("/media/other")] = {QStringLiteral("OTHER"), QStringLiteral("99999999")};
    data.VolumeInfo = &volumes;
    TTask& bySerial = AddTask(QStringLiteral("By serial"));
    bySerial.SmartDetectUse = true;
    bySerial.SmartDetectDriveLetter = QStringLiteral("/media/other");
    bySerial.SmartDetectSerialNumber = QStringLiteral("1A2B3C4D");  // the serial decides alone
    TTask& any = AddTask(QStringLiteral("Any"));
    any.SmartDetectUse = true;
    TTask& off = AddTask(QStringLiteral("Off"));
    off.SmartDetectUse = false;
    TTask& flagged = AddTask(QStringLiteral("Flagged"));
    flagged.SmartDetectUse = true;
    flagged.RaiseErrorFlag(clock.NowWall());

    scheduler.VolumeArrived(QStringLiteral("/media/usb"));
    EXPECT_TRUE(control.requests.empty());
    now += TScheduler::kMediaStartDelayMs;
    scheduler.ProcessDelays();
    EXPECT_EQ(control.Names(), (std::vector<QString>{QStringLiteral("By serial"), QStringLiteral("Any")}));

    control.requests.clear();
    bySerial.IsRunning = any.IsRunning = false;
    scheduler.VolumeArrived(QStringLiteral("/media/other"));
    now += TScheduler::kMediaStartDelayMs;
    scheduler.ProcessDelays();
    EXPECT_EQ(control.Names(), std::vector<QString>{QStringLiteral("Any")});
}

TEST_F(Scheduler, MediaTestOnlyReportsMatchesOfTheTestCriteria) {
    TFixedVolumes volumes;
    volumes.volumes[QStringLiteral("/media/usb")] = {QStringLiteral("BACKUP"), QStringLiteral("1A2B3C4D")};
    data.VolumeInfo = &volumes;
    TTask& task = AddTask(QStringLiteral("Any"));
    task.SmartDetectUse = true;
    int successes = 0;
    scheduler.MediaTestSucceeded = [&] { ++successes; };
    scheduler.SetMediaTestMode(true, {QString(), QStringLiteral("BACKUP"), QString()});
    scheduler.VolumeArrived(QStringLiteral("/media/usb"));
    scheduler.SetMediaTestMode(true, {QString(), QStringLiteral("backup"), QString()});
    scheduler.VolumeArrived(QStringLiteral("/media/usb"));
    now += kMinute;
    scheduler.ProcessDelays();
    EXPECT_EQ(successes, 1);
    EXPECT_TRUE(control.requests.empty());
}

TEST_F(Scheduler, MediaTestEndsTwoSecondsAfterItsMessageIsClosed) {
    TFixedVolumes volumes;
    volumes.volumes[QStringLiteral("/media/usb")] = {QStringLiteral("BACKUP"), QStringLiteral("1A2B3C4D")};
    data.VolumeInfo = &volumes;
    TTask& task = AddTask(QStringLiteral("Any"));
    task.SmartDetectUse = true;
    int successes = 0;
    scheduler.MediaTestSucceeded = [&] { ++successes; };
    scheduler.SetMediaTestMode(true, {QStringLiteral("/media/usb"), QString(), QString()});
    // Nothing ends a test that was never closed.
    now += kMinute;
    scheduler.ProcessDelays();
    EXPECT_TRUE(scheduler.MediaTestMode());

    scheduler.EndMediaTestAfter(TScheduler::kMediaTestLingerMs);
    EXPECT_TRUE(scheduler.MediaTestEndPending());
    now += TScheduler::kMediaTestLingerMs - 1;
    scheduler.ProcessDelays();
    EXPECT_TRUE(scheduler.MediaTestMode());
    scheduler.VolumeArrived(QStringLiteral("/media/usb"));
    EXPECT_EQ(successes, 1);
    // An arrival at the end's instant, before the timer has fired, is an ordinary arrival again.
    now += 1;
    scheduler.VolumeArrived(QStringLiteral("/media/usb"));
    EXPECT_FALSE(scheduler.MediaTestMode());
    EXPECT_FALSE(scheduler.MediaTestEndPending());
    EXPECT_EQ(successes, 1);
    now += TScheduler::kMediaStartDelayMs;
    scheduler.ProcessDelays();
    EXPECT_EQ(control.Names(), std::vector<QString>{QStringLiteral("Any")});

    // A test started again while the last one lingers is not ended by the old end.
    scheduler.SetMediaTestMode(true);
    scheduler.EndMediaTestAfter(TScheduler::kMediaTestLingerMs);
    now += 1000;
    scheduler.SetMediaTestMode(true);
    now += 1500;
    scheduler.ProcessDelays();
    EXPECT_TRUE(scheduler.MediaTestMode());
    // Ending a test that is not on does nothing.
    scheduler.SetMediaTestMode(false);
    scheduler.EndMediaTestAfter(0);
    EXPECT_FALSE(scheduler.MediaTestEndPending());
}

TEST_F(Scheduler, MountWatcherTellsOfEveryChangeOfTheMountedSet) {
    const QByteArray base = "26 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n";
    const QByteArray withStick = base + "40 26 8:17 / /media/stick rw,nosuid - vfat /dev/sdb1 rw\n";
    const QByteArray remounted = base + "40 26 8:17 / /media/stick ro,nosuid - vfat /dev/sdb1 ro\n";
    QStringList arrivals;
    int changes = 0;
    TMountWatcher watcher([&arrivals](const QString& point) { arrivals << point; });
    watcher.SetTableChanged([&] { ++changes; });
    watcher.Reset(base);
    watcher.Update(base);
    EXPECT_EQ(changes, 0);
    watcher.Update(withStick);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(arrivals, QStringList{QStringLiteral("/media/stick")});
    watcher.Update(remounted);  // the same mount points
    EXPECT_EQ(changes, 1);
    watcher.Update(base);  // an unmount is no arrival, but a change
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(arrivals.size(), 1);
}

TEST_F(Scheduler, FolderChangesStartTheTaskAfterTheLastChangeOfABurst) {
    const QString folder = home.Path() + QStringLiteral("watched");
    ASSERT_TRUE(QDir().mkpath(folder));
    TTask& task = AddTask(QStringLiteral("Watcher"));
    TSourceFolder source;
    source.Folder = folder;
    source.IncludeSubfolders = true;
    task.SourceFolders = {source};
    task.FolderMonitor_Use = true;
    task.MonitorFileName = true;
    task.DoWait = true;
    task.WaitSeconds = 30;
    scheduler.RebuildAllFolderWatchers();
    TTaskFoldersMonitor* monitor = scheduler.FolderMonitorOf(task);
    ASSERT_NE(monitor, nullptr);
    ASSERT_EQ(monitor->WatchCount(), 1);
    for (int i = 0; i < 10; ++i) {
        QFile file(folder + QStringLiteral("/f%1").arg(i));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        EXPECT_GT(monitor->ReadEvents(), 0);
        now += kSecond;
        scheduler.ProcessDelays();
    }
    EXPECT_TRUE(control.requests.empty());
    now += 28 * kSecond;  // 29 seconds after the tenth change
    scheduler.ProcessDelays();
    EXPECT_TRUE(control.requests.empty());
    now += kSecond;
    scheduler.ProcessDelays();
    EXPECT_EQ(control.Names(), std::vector<QString>{QStringLiteral("Watcher")});

    // Without the wait every notification starts at once (a running task refuses in its own run request).
    task.DoWait = false;
    task.IsRunning = false;
    ASSERT_TRUE(QDir().mkdir(folder + QStringLiteral("/sub")));  // a folder: not a file-name change
    EXPECT_EQ(monitor->ReadEvents(), 0);
    QFile(folder + QStringLiteral("/f0")).remove();
    EXPECT_GT(monitor->ReadEvents(), 0);
    EXPECT_EQ(control.requests.size(), 2u);
}

TEST_F(Scheduler, NewMountsInTheMountTableAreArrivalsAndOldOnesAreNot) {
    const QByteArray base =
        "26 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
        "42 26 0:50 / /mnt/nas rw - nfs4 nas:/export rw\n";
    const QByteArray withStick =
        base + "40 26 8:17 / /media/ann/My\\040Stick rw,nosuid - vfat /dev/sdb1 rw\n";
    TFixedVolumes volumes;
    volumes.volumes[QStringLiteral("/media/ann/My Stick")] = {QStringLiteral("STICK"),
                                                              QStringLiteral("0000ABCD")};
    data.VolumeInfo = &volumes;
    TTask& task = AddTask(QStringLiteral("Stick"));
    task.SmartDetectUse = true;
    task.SmartDetectVolumeInfo = QStringLiteral("STICK");

    // The table of a real process opens and holds no arrival by itself.
    ASSERT_TRUE(scheduler.StartMediaDetection());
    TMountWatcher& watcher = scheduler.MountWatcher();
    watcher.Reset(base);
    EXPECT_TRUE(watcher.Update(base).isEmpty());
    EXPECT_EQ(watcher.Update(withStick), QStringList{QStringLiteral("/media/ann/My Stick")});
    EXPECT_TRUE(watcher.Update(withStick).isEmpty());
    now += TScheduler::kMediaStartDelayMs;
    scheduler.ProcessDelays();
    EXPECT_EQ(control.Names(), std::vector<QString>{QStringLiteral("Stick")});
    // Unplugged and plugged in again: a new arrival.
    task.IsRunning = false;
    EXPECT_TRUE(watcher.Update(base).isEmpty());
    EXPECT_EQ(watcher.Update(withStick).size(), 1);
    now += TScheduler::kMediaStartDelayMs;
    scheduler.ProcessDelays();
    EXPECT_EQ(control.requests.size(), 2u);
    EXPECT_FALSE(scheduler.StartMediaDetection(home.Path() + QStringLiteral("missing")));
}
