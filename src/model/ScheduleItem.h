#pragma once

#include <QString>
#include <array>
#include <vector>

#include "platform/DateTime.h"

class TSafeRegistry;

// One schedule item of a task: when the task is to start. The item is stored in its own key below the
// task's "AutoRun\Schedule" key; every field is a value of the same name, enumerations by their value
// names. The seven weekday flags and twelve month flags are held as arrays (Monday first, January
// first); their stored names are DailyMondays ... DailySundays, WeeklyMondays ... WeeklySundays and
// MonthlyJanuary ... MonthlyDecember. The next-run computation lives with the scheduler.

enum class TScheduleKind {
    skMinutelly,
    skHourly,
    skDaily,
    skWeekly,
    skMonthly,
    skAtSystemStartup,
    skAtProgramStartup,
    skAtSystemShutdown,
    skOnce
};
// Ordinal k means every k + 1 days.
enum class TEveryNumDays {
    ed1st,
    ed2nd,
    ed3rd,
    ed4th,
    ed5th,
    ed6th,
    ed7th,
    ed8th,
    ed9th,
    ed10th,
    ed11th,
    ed12th,
    ed13th,
    ed14th
};
// Ordinal k means every k + 1 weeks.
enum class TEveryNumWeeks { ew1st, ew2nd, ew3rd, ew4th, ew5th, ew6th, ew7th, ew8th, ew9th, ew10th };
enum class TMonthlyKind { mkEveryDay, mkWhichDay };
// Ordinal k is day number k + 1; the names from 21 to 23 end in "th" as they always have.
enum class TMonthDayNum {
    nd1st,
    nd2nd,
    nd3rd,
    nd4th,
    nd5th,
    nd6th,
    nd7th,
    nd8th,
    nd9th,
    nd10th,
    nd11th,
    nd12th,
    nd13th,
    nd14th,
    nd15th,
    nd16th,
    nd17th,
    nd18th,
    nd19th,
    nd20th,
    nd21th,
    nd22th,
    nd23th,
    nd24th,
    nd25th,
    nd26th,
    nd27th,
    nd28th,
    nd29th,
    nd30th,
    nd31th
};
enum class TWhichWeek { wwFirst, wwSecond, wwThird, wwFourth, wwLast };
enum class TWhichWeekDay { wdMonday, wdTuesday, wdWednesday, wdThursday, wdFriday, wdSaturday, wdSunday };

// Stored names of the enumerations. A name that matches none of the values (an absent value reads as
// the empty text) gives the last value of the enumeration; MonthlyKind gives mkWhichDay for every text
// but "mkEveryDay". Comparison is case-sensitive.
QString ScheduleKindName(TScheduleKind value);
TScheduleKind ScheduleKindFromName(const QString& name);
QString EveryNumDaysName(TEveryNumDays value);
TEveryNumDays EveryNumDaysFromName(const QString& name);
QString EveryNumWeeksName(TEveryNumWeeks value);
TEveryNumWeeks EveryNumWeeksFromName(const QString& name);
QString MonthlyKindName(TMonthlyKind value);
TMonthlyKind MonthlyKindFromName(const QString& name);
QString MonthDayNumName(TMonthDayNum value);
TMonthDayNum MonthDayNumFromName(const QString& name);
QString WhichWeekName(TWhichWeek value);
TWhichWeek WhichWeekFromName(const QString& name);
QString WhichWeekDayName(TWhichWeekDay value);
TWhichWeekDay WhichWeekDayFromName(const QString& name);

inline constexpr std::array<const char*, 7> kScheduleWeekDayNames = {
    "Mondays", "Tuesdays", "Wednesdays", "Thursdays", "Fridays", "Saturdays", "Sundays"};
inline constexpr std::array<const char*, 12> kScheduleMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

struct TTaskScheduleItem {
    // New-item values; OnceRunDate is the date one month after now (same day number, clamped to the
    // length of that month), without a time of day.
    TTaskScheduleItem();

    bool Enabled = true;
    TScheduleKind Kind = TScheduleKind::skHourly;
    int MinutellyValue = 30;
    int HourlyValue = 2;
    TEveryNumDays DailyEveryNumDays = TEveryNumDays::ed1st;
    std::array<bool, 7> DailyDays{true, true, true, true, true, true, true};  // Monday first
    bool DailyUseStartTime = false;
    TDateTime DailyStartTime = 9.0 / 24.0;
    TEveryNumWeeks WeeklyEveryNumWeek = TEveryNumWeeks::ew1st;
    std::array<bool, 7> WeeklyDays{true, true, true, true, true, true, true};  // Monday first
    bool WeeklyUseStartTime = false;
    TDateTime WeeklyStartTime = 9.0 / 24.0;
    TMonthlyKind MonthlyKind = TMonthlyKind::mkEveryDay;
    TMonthDayNum MonthlyEveryNumDay = TMonthDayNum::nd1st;
    TWhichWeek MonthlyWhichDayType = TWhichWeek::wwFirst;
    TWhichWeekDay MonthlyWhichDayWeek = TWhichWeekDay::wdMonday;
    std::array<bool, 12> MonthlyMonths{true, true, true, true, true, true,
                                       true, true, true, true, true, true};  // January first
    bool MonthlyUseStartTime = false;
    TDateTime MonthlyStartTime = 9.0 / 24.0;
    bool AtSystemStartupWait = true;
    int AtSystemStartupWaitSecValue = 90;
    bool AtProgramStartupWait = true;
    int AtProgramStartupWaitSecValue = 30;
    bool SystemShutdownLimitExecTime = false;
    int SystemShutdownMaxSec = 180;
    TDateTime OnceRunDate = 0;
    bool OnceUseStartTime = false;
    TDateTime OnceStartTime = 9.0 / 24.0;

    // Reads every value from the current key of reg; absent values give the "missing" defaults
    // (false, 0, the last enumeration value), which differ from the new-item values.
    void LoadFromRegistry(const TSafeRegistry& reg);
    // Writes every value into the current key of reg, in field order.
    void SaveToRegistry(TSafeRegistry& reg) const;

    bool operator==(const TTaskScheduleItem&) const = default;
};

using TTaskScheduleList = std::vector<TTaskScheduleItem>;
