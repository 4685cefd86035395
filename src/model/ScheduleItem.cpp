#include "model/ScheduleItem.h"

#include <QDate>
#include <cmath>

#include "store/SafeRegistry.h"

namespace {

// English ordinal suffix as the stored names use it: 1st, 2nd, 3rd, then "th" for every other
// number (so 21th, 22th, 23th).
QString OrdinalName(const char* prefix, int number) {
    const char* suffix = number == 1 ? "st" : number == 2 ? "nd" : number == 3 ? "rd" : "th";
    return QLatin1String(prefix) + QString::number(number) + QLatin1String(suffix);
}

template <typename E>
E OrdinalFromName(const QString& name, const char* prefix, int count) {
    for (int i = 0; i < count; ++i)
        if (name == OrdinalName(prefix, i + 1))
            return static_cast<E>(i);
    return static_cast<E>(count - 1);
}

template <typename E, std::size_t N>
E FromNameTable(const QString& name, const std::array<const char*, N>& names) {
    for (std::size_t i = 0; i < N; ++i)
        if (name == QLatin1String(names[i]))
            return static_cast<E>(i);
    return static_cast<E>(N - 1);
}

constexpr std::array<const char*, 9> kKindNames = {
    "skMinutelly",        "skHourly",           "skDaily", "skWeekly", "skMonthly", "skAtSystemStartup",
    "skAtProgramStartup", "skAtSystemShutdown", "skOnce"};
constexpr std::array<const char*, 5> kWhichWeekNames = {"wwFirst", "wwSecond", "wwThird", "wwFourth",
                                                        "wwLast"};
constexpr std::array<const char*, 7> kWhichWeekDayNames = {
    "wdMonday", "wdTuesday", "wdWednesday", "wdThursday", "wdFriday", "wdSaturday", "wdSunday"};

QString DayValueName(const char* group, int day) {
    return QLatin1String(group) + QLatin1String(kScheduleWeekDayNames[day]);
}

QString MonthValueName(int month) {
    return QStringLiteral("Monthly") + QLatin1String(kScheduleMonthNames[month]);
}

}  // namespace

QString ScheduleKindName(TScheduleKind value) {
    return QLatin1String(kKindNames[static_cast<int>(value)]);
}
TScheduleKind ScheduleKindFromName(const QString& name) {
    return FromNameTable<TScheduleKind>(name, kKindNames);
}

QString EveryNumDaysName(TEveryNumDays value) {
    return OrdinalName("ed", static_cast<int>(value) + 1);
}
TEveryNumDays EveryNumDaysFromName(const QString& name) {
    return OrdinalFromName<TEveryNumDays>(name, "ed", 14);
}

QString EveryNumWeeksName(TEveryNumWeeks value) {
    return OrdinalName("ew", static_cast<int>(value) + 1);
}
TEveryNumWeeks EveryNumWeeksFromName(const QString& name) {
    return OrdinalFromName<TEveryNumWeeks>(name, "ew", 10);
}

QString MonthlyKindName(TMonthlyKind value) {
    return value == TMonthlyKind::mkEveryDay ? QStringLiteral("mkEveryDay") : QStringLiteral("mkWhichDay");
}
TMonthlyKind MonthlyKindFromName(const QString& name) {
    return name == QLatin1String("mkEveryDay") ? TMonthlyKind::mkEveryDay : TMonthlyKind::mkWhichDay;
}

QString MonthDayNumName(TMonthDayNum value) {
    return OrdinalName("nd", static_cast<int>(value) + 1);
}
TMonthDayNum MonthDayNumFromName(const QString& name) {
    return OrdinalFromName<TMonthDayNum>(name, "nd", 31);
}

QString WhichWeekName(TWhichWeek value) {
    return QLatin1String(kWhichWeekNames[static_cast<int>(value)]);
}
TWhichWeek WhichWeekFromName(const QString& name) {
    return FromNameTable<TWhichWeek>(name, kWhichWeekNames);
}

QString WhichWeekDayName(TWhichWeekDay value) {
    return QLatin1String(kWhichWeekDayNames[static_cast<int>(value)]);
}
TWhichWeekDay WhichWeekDayFromName(const QString& name) {
    return FromNameTable<TWhichWeekDay>(name, kWhichWeekDayNames);
}

TTaskScheduleItem::TTaskScheduleItem() {
    // QDate::addMonths keeps the day number and clamps it to the length of the target month.
    const QDate today = DateTime::ToQDateTime(DateTime::Now()).date();
    const QDate inOneMonth = today.isValid() ? today.addMonths(1) : QDate();
    OnceRunDate = inOneMonth.isValid()
                      ? std::floor(DateTime::Encode(inOneMonth.year(), inOneMonth.month(), inOneMonth.day()))
                      : 0.0;
}

void TTaskScheduleItem::LoadFromRegistry(const TSafeRegistry& reg) {
    const QString empty;
    Enabled = reg.ReadBool(QStringLiteral("Enabled"), false);
    Kind = ScheduleKindFromName(reg.ReadString(QStringLiteral("Kind"), empty));
    MinutellyValue = reg.ReadInteger(QStringLiteral("MinutellyValue"), 0);
    HourlyValue = reg.ReadInteger(QStringLiteral("HourlyValue"), 0);
    DailyEveryNumDays = EveryNumDaysFromName(reg.ReadString(QStringLiteral("DailyEveryNumDays"), empty));
    for (int d = 0; d < 7; ++d)
        DailyDays[d] = reg.ReadBool(DayValueName("Daily", d), false);
    DailyUseStartTime = reg.ReadBool(QStringLiteral("DailyUseStartTime"), false);
    DailyStartTime = reg.ReadTime(QStringLiteral("DailyStartTime"), 0);
    WeeklyEveryNumWeek = EveryNumWeeksFromName(reg.ReadString(QStringLiteral("WeeklyEveryNumWeek"), empty));
    for (int d = 0; d < 7; ++d)
        WeeklyDays[d] = reg.ReadBool(DayValueName("Weekly", d), false);
    WeeklyUseStartTime = reg.ReadBool(QStringLiteral("WeeklyUseStartTime"), false);
    WeeklyStartTime = reg.ReadTime(QStringLiteral("WeeklyStartTime"), 0);
    MonthlyKind = MonthlyKindFromName(reg.ReadString(QStringLiteral("MonthlyKind"), empty));
    MonthlyEveryNumDay = MonthDayNumFromName(reg.ReadString(QStringLiteral("MonthlyEveryNumDay"), empty));
    MonthlyWhichDayType = WhichWeekFromName(reg.ReadString(QStringLiteral("MonthlyWhichDayType"), empty));
    MonthlyWhichDayWeek = WhichWeekDayFromName(reg.ReadString(QStringLiteral("MonthlyWhichDayWeek"), empty));
    for (int m = 0; m < 12; ++m)
        MonthlyMonths[m] = reg.ReadBool(MonthValueName(m), false);
    MonthlyUseStartTime = reg.ReadBool(QStringLiteral("MonthlyUseStartTime"), false);
    MonthlyStartTime = reg.ReadTime(QStringLiteral("MonthlyStartTime"), 0);
    AtSystemStartupWait = reg.ReadBool(QStringLiteral("AtSystemStartupWait"), false);
    AtSystemStartupWaitSecValue = reg.ReadInteger(QStringLiteral("AtSystemStartupWaitSecValue"), 0);
    AtProgramStartupWait = reg.ReadBool(QStringLiteral("AtProgramStartupWait"), false);
    AtProgramStartupWaitSecValue = reg.ReadInteger(QStringLiteral("AtProgramStartupWaitSecValue"), 0);
    SystemShutdownLimitExecTime = reg.ReadBool(QStringLiteral("SystemShutdownLimitExecTime"), false);
    SystemShutdownMaxSec = reg.ReadInteger(QStringLiteral("SystemShutdownMaxSec"), 0);
    OnceRunDate = reg.ReadDate(QStringLiteral("OnceRunDate"), 0);
    OnceUseStartTime = reg.ReadBool(QStringLiteral("OnceUseStartTime"), false);
    OnceStartTime = reg.ReadTime(QStringLiteral("OnceStartTime"), 0);
}

void TTaskScheduleItem::SaveToRegistry(TSafeRegistry& reg) const {
    reg.WriteBool(QStringLiteral("Enabled"), Enabled);
    reg.WriteString(QStringLiteral("Kind"), ScheduleKindName(Kind));
    reg.WriteInteger(QStringLiteral("MinutellyValue"), MinutellyValue);
    reg.WriteInteger(QStringLiteral("HourlyValue"), HourlyValue);
    reg.WriteString(QStringLiteral("DailyEveryNumDays"), EveryNumDaysName(DailyEveryNumDays));
    for (int d = 0; d < 7; ++d)
        reg.WriteBool(DayValueName("Daily", d), DailyDays[d]);
    reg.WriteBool(QStringLiteral("DailyUseStartTime"), DailyUseStartTime);
    reg.WriteTime(QStringLiteral("DailyStartTime"), DailyStartTime);
    reg.WriteString(QStringLiteral("WeeklyEveryNumWeek"), EveryNumWeeksName(WeeklyEveryNumWeek));
    for (int d = 0; d < 7; ++d)
        reg.WriteBool(DayValueName("Weekly", d), WeeklyDays[d]);
    reg.WriteBool(QStringLiteral("WeeklyUseStartTime"), WeeklyUseStartTime);
    reg.WriteTime(QStringLiteral("WeeklyStartTime"), WeeklyStartTime);
    reg.WriteString(QStringLiteral("MonthlyKind"), MonthlyKindName(MonthlyKind));
    reg.WriteString(QStringLiteral("MonthlyEveryNumDay"), MonthDayNumName(MonthlyEveryNumDay));
    reg.WriteString(QStringLiteral("MonthlyWhichDayType"), WhichWeekName(MonthlyWhichDayType));
    reg.WriteString(QStringLiteral("MonthlyWhichDayWeek"), WhichWeekDayName(MonthlyWhichDayWeek));
    for (int m = 0; m < 12; ++m)
        reg.WriteBool(MonthValueName(m), MonthlyMonths[m]);
    reg.WriteBool(QStringLiteral("MonthlyUseStartTime"), MonthlyUseStartTime);
    reg.WriteTime(QStringLiteral("MonthlyStartTime"), MonthlyStartTime);
    reg.WriteBool(QStringLiteral("AtSystemStartupWait"), AtSystemStartupWait);
    reg.WriteInteger(QStringLiteral("AtSystemStartupWaitSecValue"), AtSystemStartupWaitSecValue);
    reg.WriteBool(QStringLiteral("AtProgramStartupWait"), AtProgramStartupWait);
    reg.WriteInteger(QStringLiteral("AtProgramStartupWaitSecValue"), AtProgramStartupWaitSecValue);
    reg.WriteBool(QStringLiteral("SystemShutdownLimitExecTime"), SystemShutdownLimitExecTime);
    reg.WriteInteger(QStringLiteral("SystemShutdownMaxSec"), SystemShutdownMaxSec);
    reg.WriteDate(QStringLiteral("OnceRunDate"), OnceRunDate);
    reg.WriteBool(QStringLiteral("OnceUseStartTime"), OnceUseStartTime);
    reg.WriteTime(QStringLiteral("OnceStartTime"), OnceStartTime);
}
