// One scheduler tick over 1,000 tasks with 5 schedule items each (minutes, hours, daily at a time,
// weekly on some days, monthly on a weekday), none of them due: the due test of every item, as every
// 5-second tick does it. Target: under 5 ms per tick on a 2-core machine. A second benchmark draws the
// next-run column of the same tasks.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "model/MainData.h"
#include "model/Task.h"
#include "schedule/ScheduleCaptions.h"
#include "schedule/Scheduler.h"
#include "settings/GlobalSettings.h"

namespace {

class TCountingRunControl final : public TRunControl {
public:
    void RequestRun(TTask&, bool) override { ++requests; }
    void RequestStop(TTask&) override {}
    void SetSuspended(TTask&, bool) override {}
    bool IsSuspended(const TTask&) const override { return false; }
    int requests = 0;
};

void FillTasks(TMainData& data, TDateTime lastRun) {
    for (int t = 0; t < 1000; ++t) {
        auto task = std::make_unique<TTask>();
        task->Name = QStringLiteral("Task %1").arg(t);
        task->LastRun = lastRun;
        TTaskScheduleItem minutes;
        minutes.Kind = TScheduleKind::skMinutelly;
        minutes.MinutellyValue = 600 + t;
        TTaskScheduleItem hours;
        hours.Kind = TScheduleKind::skHourly;
        hours.HourlyValue = 12;
        TTaskScheduleItem daily;
        daily.Kind = TScheduleKind::skDaily;
        daily.DailyUseStartTime = true;
        daily.DailyStartTime = (t % 24) / 24.0;
        daily.DailyDays = {true, false, true, false, true, false, false};
        TTaskScheduleItem weekly;
        weekly.Kind = TScheduleKind::skWeekly;
        weekly.WeeklyEveryNumWeek = TEveryNumWeeks::ew2nd;
        weekly.WeeklyDays = {false, false, false, false, false, true, true};
        TTaskScheduleItem monthly;
        monthly.Kind = TScheduleKind::skMonthly;
        monthly.MonthlyKind = TMonthlyKind::mkWhichDay;
        monthly.MonthlyWhichDayType = TWhichWeek::wwLast;
        monthly.MonthlyWhichDayWeek = TWhichWeekDay::wdFriday;
        monthly.MonthlyMonths = {false, false, true, false, false, true,
                                 false, false, true, false, false, true};
        task->Schedule = {minutes, hours, daily, weekly, monthly};
        data.AddTask(std::move(task));
    }
}

struct TBenchScheduler {
    TBenchScheduler() {
        qputenv("TARNOVEX_HOME", home.path().toUtf8());
        ResetGlobalSettings();
        now = clock.Zone->ToInstant(WallTime::Make(QDate(2026, 12, 10), 20 * 3600000), TWallChoice::Earlier);
        // Every task ran a minute ago, so nothing is due during the benchmark.
        FillTasks(data, clock.Zone->ToWall(now - 60000));
        data.RunControl = &control;
    }
    QTemporaryDir home;
    qint64 now = 0;
    TScheduleClock clock = TScheduleClock::Fixed(&now, "Europe/Berlin");
    TMainData data;
    TCountingRunControl control;
    TScheduler scheduler{data, clock};
};

void BM_SchedulerTick1000Tasks(benchmark::State& state) {
    TBenchScheduler bench;
    for (auto _ : state) {
        bench.now += TScheduler::kTickMs;
        bench.scheduler.ScheduleTimerTimer();
    }
    if (bench.control.requests != 0)
        state.SkipWithError("a task was due");
}
BENCHMARK(BM_SchedulerTick1000Tasks)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_NextRunColumn1000Tasks(benchmark::State& state) {
    TBenchScheduler bench;
    for (auto _ : state) {
        qsizetype length = 0;
        for (const auto& task : bench.data.Tasks)
            length += NextRunText(bench.scheduler, *task).size();
        benchmark::DoNotOptimize(length);
    }
}
BENCHMARK(BM_NextRunColumn1000Tasks)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
