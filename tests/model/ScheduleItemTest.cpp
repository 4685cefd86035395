#include "fixtures/TempHome.h"
#include "model/ScheduleItem.h"
#include "store/SafeRegistry.h"

namespace {

const QString kItemKey = kProgramRoot + QStringLiteral("\\Temp\\EditSchedule\\1");

using ScheduleItemTest = TarnovexTest;

}  // namespace

TEST_F(ScheduleItemTest, NewItemValues) {
    DateTime::SetClock([] { return DateTime::Encode(2024, 1, 31, 15, 30); });
    const TTaskScheduleItem item;
    EXPECT_TRUE(item.Enabled);
    EXPECT_EQ(item.Kind, TScheduleKind::skHourly);
    EXPECT_EQ(item.MinutellyValue, 30);
    EXPECT_EQ(item.HourlyValue, 2);
    EXPECT_EQ(item.AtSystemStartupWaitSecValue, 90);
    EXPECT_EQ(item.AtProgramStartupWaitSecValue, 30);
    EXPECT_EQ(item.SystemShutdownMaxSec, 180);
    EXPECT_TRUE(DateTime::SameTime(item.DailyStartTime, DateTime::Encode(1899, 12, 30, 9, 0, 0)));
    // One month later, the day clamped to February's length, without a time of day.
    EXPECT_EQ(item.OnceRunDate, DateTime::Encode(2024, 2, 29));

    DateTime::SetClock([] { return DateTime::Encode(2023, 12, 15, 1, 2, 3); });
    EXPECT_EQ(TTaskScheduleItem().OnceRunDate, DateTime::Encode(2024, 1, 15));
}

TEST(ScheduleItemNames, EveryValueRoundTripsThroughItsName) {
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(ScheduleKindFromName(ScheduleKindName(static_cast<TScheduleKind>(i))),
                  static_cast<TScheduleKind>(i));
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(EveryNumDaysFromName(EveryNumDaysName(static_cast<TEveryNumDays>(i))),
                  static_cast<TEveryNumDays>(i));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(EveryNumWeeksFromName(EveryNumWeeksName(static_cast<TEveryNumWeeks>(i))),
                  static_cast<TEveryNumWeeks>(i));
    for (int i = 0; i < 31; ++i)
        EXPECT_EQ(MonthDayNumFromName(MonthDayNumName(static_cast<TMonthDayNum>(i))),
                  static_cast<TMonthDayNum>(i));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(WhichWeekFromName(WhichWeekName(static_cast<TWhichWeek>(i))), static_cast<TWhichWeek>(i));
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(WhichWeekDayFromName(WhichWeekDayName(static_cast<TWhichWeekDay>(i))),
                  static_cast<TWhichWeekDay>(i));

    EXPECT_EQ(ScheduleKindName(TScheduleKind::skMinutelly), "skMinutelly");
    EXPECT_EQ(ScheduleKindName(TScheduleKind::skAtSystemShutdown), "skAtSystemShutdown");
    EXPECT_EQ(EveryNumDaysName(TEveryNumDays::ed2nd), "ed2nd");
    EXPECT_EQ(EveryNumDaysName(TEveryNumDays::ed3rd), "ed3rd");
    EXPECT_EQ(EveryNumDaysName(TEveryNumDays::ed11th), "ed11th");
    EXPECT_EQ(EveryNumWeeksName(TEveryNumWeeks::ew10th), "ew10th");
    EXPECT_EQ(MonthDayNumName(TMonthDayNum::nd1st), "nd1st");
    EXPECT_EQ(MonthDayNumName(TMonthDayNum::nd21th), "nd21th");
    EXPECT_EQ(MonthDayNumName(TMonthDayNum::nd22th), "nd22th");
    EXPECT_EQ(MonthDayNumName(TMonthDayNum::nd23th), "nd23th");
    EXPECT_EQ(MonthDayNumName(TMonthDayNum::nd31th), "nd31th");
    EXPECT_EQ(WhichWeekName(TWhichWeek::wwLast), "wwLast");
    EXPECT_EQ(WhichWeekDayName(TWhichWeekDay::wdThursday), "wdThursday");
    EXPECT_EQ(MonthlyKindName(TMonthlyKind::mkEveryDay), "mkEveryDay");
}

TEST(ScheduleItemNames, UnknownNamesGiveTheLastValue) {
    EXPECT_EQ(ScheduleKindFromName(""), TScheduleKind::skOnce);
    EXPECT_EQ(ScheduleKindFromName("skhourly"), TScheduleKind::skOnce);
    EXPECT_EQ(EveryNumDaysFromName("ed21st"), TEveryNumDays::ed14th);
    EXPECT_EQ(EveryNumDaysFromName("ed1"), TEveryNumDays::ed14th);
    EXPECT_EQ(EveryNumWeeksFromName("ew11th"), TEveryNumWeeks::ew10th);
    EXPECT_EQ(MonthDayNumFromName("nd21st"), TMonthDayNum::nd31th);
    EXPECT_EQ(MonthDayNumFromName("nd32th"), TMonthDayNum::nd31th);
    EXPECT_EQ(WhichWeekFromName("WWFIRST"), TWhichWeek::wwLast);
    EXPECT_EQ(WhichWeekDayFromName("Monday"), TWhichWeekDay::wdSunday);
    EXPECT_EQ(MonthlyKindFromName("mkEveryDay"), TMonthlyKind::mkEveryDay);
    EXPECT_EQ(MonthlyKindFromName("mkeveryday"), TMonthlyKind::mkWhichDay);
    EXPECT_EQ(MonthlyKindFromName(""), TMonthlyKind::mkWhichDay);
}

TEST_F(ScheduleItemTest, SaveAndLoadOneItem) {
    TTaskScheduleItem item;
    item.Enabled = false;
    item.Kind = TScheduleKind::skMonthly;
    item.MinutellyValue = 5;
    item.HourlyValue = 6;
    item.DailyEveryNumDays = TEveryNumDays::ed3rd;
    item.DailyDays = {true, false, true, false, true, false, false};
    item.DailyUseStartTime = true;
    item.DailyStartTime = 0.5;
    item.WeeklyEveryNumWeek = TEveryNumWeeks::ew4th;
    item.WeeklyDays = {false, false, false, false, false, true, true};
    item.WeeklyUseStartTime = true;
    item.WeeklyStartTime = 0.25;
    item.MonthlyKind = TMonthlyKind::mkWhichDay;
    item.MonthlyEveryNumDay = TMonthDayNum::nd22th;
    item.MonthlyWhichDayType = TWhichWeek::wwThird;
    item.MonthlyWhichDayWeek = TWhichWeekDay::wdFriday;
    item.MonthlyMonths[0] = false;
    item.MonthlyMonths[11] = false;
    item.MonthlyUseStartTime = true;
    item.MonthlyStartTime = 0.75;
    item.AtSystemStartupWait = false;
    item.AtSystemStartupWaitSecValue = 1;
    item.AtProgramStartupWait = false;
    item.AtProgramStartupWaitSecValue = 2;
    item.SystemShutdownLimitExecTime = true;
    item.SystemShutdownMaxSec = 3;
    item.OnceRunDate = 45000;
    item.OnceUseStartTime = true;
    item.OnceStartTime = 0.1;
    {
        TSafeRegistry reg;
        reg.OpenKey(kItemKey, true);
        item.SaveToRegistry(reg);
    }
    TSafeRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kItemKey));
    EXPECT_EQ(reg.ReadString("Kind", {}), "skMonthly");
    EXPECT_EQ(reg.ReadString("MonthlyEveryNumDay", {}), "nd22th");
    EXPECT_TRUE(reg.ReadBool("DailyWednesdays", false));
    EXPECT_FALSE(reg.ReadBool("DailyThursdays", true));
    EXPECT_TRUE(reg.ReadBool("WeeklySundays", false));
    EXPECT_FALSE(reg.ReadBool("MonthlyDecember", true));
    EXPECT_TRUE(reg.ReadBool("MonthlyNovember", false));
    EXPECT_EQ(reg.GetDataSize("OnceRunDate"), 8);
    QStringList names;
    reg.GetValueNames(names);
    ASSERT_EQ(names.size(), 51);
    EXPECT_EQ(names.first(), "Enabled");
    EXPECT_EQ(names.last(), "OnceStartTime");

    TTaskScheduleItem loaded;
    loaded.LoadFromRegistry(reg);
    EXPECT_EQ(loaded, item);
}

TEST_F(ScheduleItemTest, EmptyKeyGivesMissingDefaults) {
    TSafeRegistry reg;
    reg.OpenKey(kItemKey, true);
    TTaskScheduleItem item;
    item.LoadFromRegistry(reg);
    EXPECT_FALSE(item.Enabled);
    EXPECT_EQ(item.Kind, TScheduleKind::skOnce);
    EXPECT_EQ(item.MinutellyValue, 0);
    EXPECT_EQ(item.DailyEveryNumDays, TEveryNumDays::ed14th);
    EXPECT_EQ(item.WeeklyEveryNumWeek, TEveryNumWeeks::ew10th);
    EXPECT_EQ(item.MonthlyKind, TMonthlyKind::mkWhichDay);
    EXPECT_EQ(item.MonthlyEveryNumDay, TMonthDayNum::nd31th);
    EXPECT_EQ(item.MonthlyWhichDayType, TWhichWeek::wwLast);
    EXPECT_EQ(item.MonthlyWhichDayWeek, TWhichWeekDay::wdSunday);
    for (bool b : item.DailyDays)
        EXPECT_FALSE(b);
    for (bool b : item.MonthlyMonths)
        EXPECT_FALSE(b);
    EXPECT_FALSE(item.AtSystemStartupWait);
    EXPECT_EQ(item.SystemShutdownMaxSec, 0);
    EXPECT_EQ(item.DailyStartTime, 0);
    EXPECT_EQ(item.OnceRunDate, 0);
}
