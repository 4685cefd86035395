#include <gtest/gtest.h>

#include "fixtures/TempHome.h"
#include "model/MainData.h"
#include "model/Task.h"
#include "platform/LocaleFormats.h"
#include "schedule/ScheduleCaptions.h"
#include "schedule/Scheduler.h"
#include "settings/Language.h"

namespace {

TDateTime TimeOfDay(int h, int m, int s = 0) {
    return static_cast<double>(((h * 60 + m) * 60 + s) * 1000) / DateTime::MsPerDay;
}

TDateTime Wall(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return WallTime::Make(QDate(y, mo, d), ((h * 60 + mi) * 60 + s) * 1000);
}

TTaskScheduleItem Item(TScheduleKind kind) {
    TTaskScheduleItem item;
    item.Kind = kind;
    return item;
}

// Fixed formats and names that no system locale has, so that every piece of a caption is traceable.
class ScheduleCaptions : public TarnovexTest {
protected:
    void SetUp() override {
        UnloadLanguageFile();
        LocaleFormats::Set({QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm:ss")});
        CaptionNames::TNames names;
        names.shortDays = {"Mo", "Tu", "We", "Th", "Fr", "Sa", "Su"};
        names.longDays = {"Monday*", "Tuesday*",  "Wednesday*", "Thursday*",
                          "Friday*", "Saturday*", "Sunday*"};
        names.shortMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        CaptionNames::Set(names);
    }
    void TearDown() override {
        UnloadLanguageFile();
        CaptionNames::ResetToSystem();
        TarnovexTest::TearDown();
    }

    std::shared_ptr<const TZoneOffsets> zone = std::make_shared<TZoneOffsets>(QTimeZone("Europe/Berlin"));
    TLastRun LastOf(const TTask& task) const { return LastRunFromWall(task.LastRun, *zone); }
};

}  // namespace

TEST_F(ScheduleCaptions, IntervalAndStartupKinds) {
    TTaskScheduleItem item = Item(TScheduleKind::skMinutelly);
    item.MinutellyValue = 45;
    EXPECT_EQ(GetStrCaption(item), "Run every 45 minute(s).");
    item = Item(TScheduleKind::skHourly);
    item.HourlyValue = 7;
    EXPECT_EQ(GetStrCaption(item), "Run every 7 hour(s).");

    item = Item(TScheduleKind::skAtSystemStartup);
    item.AtSystemStartupWaitSecValue = 120;
    EXPECT_EQ(GetStrCaption(item), "Run at system startup (wait 120 seconds).");
    item.AtSystemStartupWait = false;
    EXPECT_EQ(GetStrCaption(item), "Run at system startup.");

    item = Item(TScheduleKind::skAtProgramStartup);
    item.AtSystemStartupWaitSecValue = 99;  // the system start-up fields do not leak into this kind
    EXPECT_EQ(GetStrCaption(item), "Run at program startup (wait 30 seconds).");
    item.AtProgramStartupWait = false;
    EXPECT_EQ(GetStrCaption(item), "Run at program startup.");

    item = Item(TScheduleKind::skAtSystemShutdown);
    EXPECT_EQ(GetStrCaption(item), "Run at system shutdown.");
    item.SystemShutdownLimitExecTime = true;
    item.SystemShutdownMaxSec = 75;
    EXPECT_EQ(GetStrCaption(item), "Run at system shutdown (limit Task work time to 75 seconds).");
}

TEST_F(ScheduleCaptions, DailyEveryDayChosenDaysAndStep) {
    TTaskScheduleItem item = Item(TScheduleKind::skDaily);
    EXPECT_EQ(GetStrCaption(item), "Run every day.");
    item.DailyUseStartTime = true;
    item.DailyStartTime = TimeOfDay(21, 5, 9);
    EXPECT_EQ(GetStrCaption(item), "Run every day; starting at 21:05:09.");

    item.DailyDays = {true, false, true, false, false, false, true};
    EXPECT_EQ(GetStrCaption(item), "Run every Mo, We, Su; starting at 21:05:09.");
    item.DailyDays.fill(false);
    item.DailyUseStartTime = false;
    EXPECT_EQ(GetStrCaption(item), "Run every [no items].");

    item.DailyDays.fill(true);
    item.DailyEveryNumDays = TEveryNumDays::ed2nd;
    EXPECT_EQ(GetStrCaption(item), "Run every 2-nd day on Mo, Tu, We, Th, Fr, Sa, Su.");
    item.DailyEveryNumDays = TEveryNumDays::ed14th;
    item.DailyDays = {false, false, false, false, true, false, false};
    EXPECT_EQ(GetStrCaption(item), "Run every 14-th day on Fr.");
}

TEST_F(ScheduleCaptions, WeeklyFirstAndLaterSteps) {
    TTaskScheduleItem item = Item(TScheduleKind::skWeekly);
    item.WeeklyDays = {true, false, false, false, true, false, false};
    EXPECT_EQ(GetStrCaption(item), "Run every week on Mo, Fr.");
    item.WeeklyEveryNumWeek = TEveryNumWeeks::ew3rd;
    item.WeeklyUseStartTime = true;
    item.WeeklyStartTime = TimeOfDay(6, 30);
    EXPECT_EQ(GetStrCaption(item), "Run every 3-rd week on Mo, Fr; starting at 06:30:00.");
    item.WeeklyEveryNumWeek = TEveryNumWeeks::ew10th;
    item.WeeklyDays.fill(false);
    EXPECT_EQ(GetStrCaption(item), "Run every 10-th week on [no items]; starting at 06:30:00.");
}

TEST_F(ScheduleCaptions, MonthlyDayNumberAndWeekday) {
    TTaskScheduleItem item = Item(TScheduleKind::skMonthly);
    item.MonthlyEveryNumDay = TMonthDayNum::nd1st;
    item.MonthlyMonths = {true, false, false, true, false, false, true, false, false, true, false, false};
    EXPECT_EQ(GetStrCaption(item), "Run every 1-st day of month(s): Jan, Apr, Jul, Oct.");
    item.MonthlyEveryNumDay = TMonthDayNum::nd22th;
    EXPECT_EQ(GetStrCaption(item), "Run every 22-th day of month(s): Jan, Apr, Jul, Oct.");
    item.MonthlyEveryNumDay = TMonthDayNum::nd31th;
    item.MonthlyMonths.fill(false);
    EXPECT_EQ(GetStrCaption(item), "Run every 31-th day of month(s): [no items].");

    item.MonthlyKind = TMonthlyKind::mkWhichDay;
    item.MonthlyMonths.fill(true);
    item.MonthlyMonths[1] = false;
    item.MonthlyWhichDayType = TWhichWeek::wwFourth;
    item.MonthlyWhichDayWeek = TWhichWeekDay::wdThursday;
    item.MonthlyUseStartTime = true;
    item.MonthlyStartTime = TimeOfDay(23, 59, 59);
    EXPECT_EQ(GetStrCaption(item),
              "Run every fouth Thursday* of month(s): Jan, Mar, Apr, May, Jun, Jul, Aug, Sep, Oct, Nov, "
              "Dec; starting at 23:59:59.");
    item.MonthlyWhichDayType = TWhichWeek::wwLast;
    item.MonthlyWhichDayWeek = TWhichWeekDay::wdSunday;
    item.MonthlyMonths.fill(false);
    item.MonthlyMonths[11] = true;
    item.MonthlyUseStartTime = false;
    EXPECT_EQ(GetStrCaption(item), "Run every last Sunday* of month(s): Dec.");
}

TEST_F(ScheduleCaptions, OnceWithAndWithoutTime) {
    TTaskScheduleItem item = Item(TScheduleKind::skOnce);
    item.OnceRunDate = Wall(2026, 12, 24);
    EXPECT_EQ(GetStrCaption(item), "Run once at: 24.12.2026.");
    item.OnceUseStartTime = true;
    item.OnceStartTime = TimeOfDay(14, 0);
    EXPECT_EQ(GetStrCaption(item), "Run once at: 24.12.2026 14:00:00.");
}

TEST_F(ScheduleCaptions, OrdinalsAndWordsComeFromTheLanguageFile) {
    home.WriteFile("Test.lng",
                   "[Misc]\nstrTaskTypesScheduleDailyX=Alle %s Tage an %s%s\nstrTaskTypesSchedule2nd=2.\n"
                   "strTaskTypesSchedule12th=12.\nstrTaskTypesScheduleNoItems=[nichts]\n"
                   "strTaskTypesScheduleStartingAt=ab %s Uhr.\n");
    ASSERT_TRUE(LoadLanguageFile("Test.lng"));
    TTaskScheduleItem item = Item(TScheduleKind::skDaily);
    item.DailyEveryNumDays = TEveryNumDays::ed2nd;
    item.DailyDays.fill(false);
    item.DailyUseStartTime = true;
    item.DailyStartTime = TimeOfDay(8, 15);
    EXPECT_EQ(GetStrCaption(item), "Alle 2. Tage an [nichts]; ab 08:15:00 Uhr.");
    item.DailyEveryNumDays = TEveryNumDays::ed12th;
    item.DailyDays[2] = true;
    EXPECT_EQ(GetStrCaption(item), "Alle 12. Tage an We; ab 08:15:00 Uhr.");
}

TEST_F(ScheduleCaptions, LastRunNeverOrDateAndTime) {
    TTask task;
    task.LastRun = 0;
    EXPECT_EQ(LastRunCaption(task), "Never");
    task.LastRun = Wall(2026, 3, 7, 22, 4, 1);
    EXPECT_EQ(LastRunCaption(task), "07.03.2026 22:04:01");
}

TEST_F(ScheduleCaptions, NextRunTakesTheEarliestTimeAndListsStartupItems) {
    TTask task;
    EXPECT_EQ(NextRunCaption(task, LastOf(task), *zone), "?");

    task.LastRun = Wall(2026, 12, 11, 9, 0, 4);
    TTaskScheduleItem daily = Item(TScheduleKind::skDaily);
    daily.DailyUseStartTime = true;
    daily.DailyStartTime = TimeOfDay(9, 0);
    TTaskScheduleItem hourly = Item(TScheduleKind::skHourly);
    hourly.HourlyValue = 30;  // later than the daily item
    task.Schedule = {hourly, Item(TScheduleKind::skAtSystemStartup), daily,
                     Item(TScheduleKind::skAtSystemShutdown), Item(TScheduleKind::skAtSystemStartup)};
    EXPECT_EQ(NextRunCaption(task, LastOf(task), *zone),
              "12.12.2026 09:00:00, at system startup, at system shutdown, at system startup");

    // A disabled item adds nothing, whatever its kind.
    task.Schedule[2].Enabled = false;
    task.Schedule[3].Enabled = false;
    task.Schedule[4].Enabled = false;
    EXPECT_EQ(NextRunCaption(task, LastOf(task), *zone), "12.12.2026 15:00:04, at system startup");

    task.Schedule = {Item(TScheduleKind::skAtProgramStartup), Item(TScheduleKind::skAtSystemShutdown)};
    EXPECT_EQ(NextRunCaption(task, LastOf(task), *zone), "At program startup, at system shutdown");
}

TEST_F(ScheduleCaptions, NextRunUndefinedWhenNothingCanRun) {
    TTask task;
    task.LastRun = Wall(2026, 1, 5, 12, 0);
    TTaskScheduleItem weekly = Item(TScheduleKind::skWeekly);
    weekly.WeeklyDays.fill(false);  // never runs
    TTaskScheduleItem disabled = Item(TScheduleKind::skMinutelly);
    disabled.Enabled = false;
    task.Schedule = {weekly, disabled};
    EXPECT_EQ(NextRunCaption(task, LastOf(task), *zone), "undefined");
    EXPECT_EQ(NextRunText(task, LastOf(task), *zone), "undefined");
}

TEST_F(ScheduleCaptions, NextRunFollowsTheZoneAcrossTheClockChange) {
    // The last run at 01:30 before the clocks go forward: two hours later it is 04:30 on the wall clock.
    TTask task;
    task.LastRun = Wall(2026, 3, 29, 1, 30);
    TTaskScheduleItem hourly = Item(TScheduleKind::skHourly);
    hourly.HourlyValue = 2;
    task.Schedule = {hourly};
    EXPECT_EQ(NextRunCaption(task, LastOf(task), *zone), "29.03.2026 04:30:00");
}

TEST_F(ScheduleCaptions, NextRunTextAddsTriggersOrSaysManually) {
    TTask task;
    EXPECT_EQ(NextRunText(task, LastOf(task), *zone), "Manually");
    task.HotKey = 0x4000 | 'K';
    EXPECT_EQ(NextRunText(task, LastOf(task), *zone), "On Hot Key");
    task.FolderMonitor_Use = true;
    task.SmartDetectUse = true;
    EXPECT_EQ(NextRunText(task, LastOf(task), *zone),
              "On folder contents change, On media detection, On Hot Key");

    task.Schedule = {Item(TScheduleKind::skAtSystemStartup)};
    task.SmartDetectUse = false;
    EXPECT_EQ(NextRunText(task, LastOf(task), *zone),
              "At system startup, On folder contents change, On Hot Key");
}

TEST_F(ScheduleCaptions, SchedulerFormsUseItsClockAndLastRun) {
    TMainData data;
    qint64 now = zone->ToInstant(Wall(2026, 6, 1, 10, 0), TWallChoice::Earlier);
    TScheduler scheduler(data, TScheduleClock::Fixed(&now, "America/New_York"));
    auto owned = std::make_unique<TTask>();
    owned->LastRun = Wall(2026, 6, 1, 8, 0);
    TTaskScheduleItem minutes = Item(TScheduleKind::skMinutelly);
    minutes.MinutellyValue = 90;
    owned->Schedule = {minutes};
    TTask& task = data.AddTask(std::move(owned));
    EXPECT_EQ(NextRunCaption(scheduler, task), "01.06.2026 09:30:00");
    EXPECT_EQ(NextRunText(scheduler, task), "01.06.2026 09:30:00");
}

TEST_F(ScheduleCaptions, SystemTimerDescriptionListsItsCalendarLines) {
    EXPECT_EQ(SystemTimerDescription(std::nullopt), "Not scheduled.");
    EXPECT_EQ(SystemTimerDescription(QStringList{}), "No triggers set.");
    EXPECT_EQ(SystemTimerDescription(QStringList{"Mon 08:00", "daily"}), "Mon 08:00\rdaily\r");
}
