#include "schedule/NextRun.h"

#include <algorithm>

namespace {

constexpr int kMaxMonthSteps = 25;  // more than a year of months: every allowed month is reached

int TimeMs(bool use, TDateTime time) {
    return use ? WallTime::MsOfDay(time) : 0;
}

bool AnyOf(const auto& flags) {
    return std::any_of(flags.begin(), flags.end(), [](bool b) { return b; });
}

// The n-th (1-based) given weekday of a month, or its last one when n is 0.
QDate WeekdayInMonth(int year, int month, int weekday, int n) {
    if (n == 0) {
        QDate day(year, month, QDate(year, month, 1).daysInMonth());
        while (day.dayOfWeek() != weekday)
            day = day.addDays(-1);
        return day;
    }
    QDate day(year, month, 1);
    while (day.dayOfWeek() != weekday)
        day = day.addDays(1);
    return day.addDays(7 * (n - 1));
}

class TCalendarSearch {
public:
    TCalendarSearch(const TLastRun& last, const TZoneOffsets& zone, int timeMs)
        : last_(last), zone_(zone), timeMs_(timeMs) {}

    // The moment of the day at the item's time, when it lies after the last run.
    std::optional<qint64> After(const QDate& day) const {
        const qint64 instant = zone_.WallMsToInstant(WallTime::ToWallMs(day, timeMs_), TWallChoice::Earlier);
        // Moments less than a millisecond apart are the same moment: a run at exactly the item's time
        // has served it.
        if (instant - last_.Instant >= 1)
            return instant;
        return std::nullopt;
    }

private:
    const TLastRun& last_;
    const TZoneOffsets& zone_;
    int timeMs_;
};

std::optional<qint64> NextDaily(const TTaskScheduleItem& item, const TLastRun& last,
                                const TZoneOffsets& zone) {
    const auto& days = item.DailyDays;
    if (!AnyOf(days))
        return std::nullopt;
    const TCalendarSearch search(last, zone, TimeMs(item.DailyUseStartTime, item.DailyStartTime));
    const auto allowed = [&](const QDate& d) { return days[static_cast<size_t>(d.dayOfWeek() - 1)]; };
    const QDate lastDay = WallTime::DateOf(last.Wall);
    if (allowed(lastDay))
        if (auto result = search.After(lastDay))
            return result;
    QDate day = lastDay.addDays(static_cast<int>(item.DailyEveryNumDays) + 1);
    for (int i = 0; i < 8; ++i, day = day.addDays(1))
        if (allowed(day))
            if (auto result = search.After(day))
                return result;
    return std::nullopt;
}

std::optional<qint64> NextWeekly(const TTaskScheduleItem& item, const TLastRun& last,
                                 const TZoneOffsets& zone) {
    const auto& days = item.WeeklyDays;
    if (!AnyOf(days))
        return std::nullopt;
    const TCalendarSearch search(last, zone, TimeMs(item.WeeklyUseStartTime, item.WeeklyStartTime));
    const auto allowed = [&](const QDate& d) { return days[static_cast<size_t>(d.dayOfWeek() - 1)]; };
    const QDate lastDay = WallTime::DateOf(last.Wall);
    const int weeks = static_cast<int>(item.WeeklyEveryNumWeek) + 1;
    // With a step of several weeks, the last run's week is one of the item's weeks only when the run fell
    // on one of its days; a run on another day (by hand, or by another item) does not select the week.
    if (weeks == 1 || allowed(lastDay))
        for (QDate day = lastDay;; day = day.addDays(1)) {
            if (allowed(day))
                if (auto result = search.After(day))
                    return result;
            if (day.dayOfWeek() == 7)
                break;
        }
    const QDate weekStart = lastDay.addDays(1 - lastDay.dayOfWeek()).addDays(7 * weeks);
    for (int i = 0; i < 7; ++i) {
        const QDate day = weekStart.addDays(i);
        if (allowed(day))
            if (auto result = search.After(day))
                return result;
    }
    return std::nullopt;
}

std::optional<qint64> NextMonthly(const TTaskScheduleItem& item, const TLastRun& last,
                                  const TZoneOffsets& zone) {
    if (!AnyOf(item.MonthlyMonths))
        return std::nullopt;
    const TCalendarSearch search(last, zone, TimeMs(item.MonthlyUseStartTime, item.MonthlyStartTime));
    const QDate lastDay = WallTime::DateOf(last.Wall);
    QDate month(lastDay.year(), lastDay.month(), 1);
    for (int i = 0; i < kMaxMonthSteps; ++i, month = month.addMonths(1)) {
        if (!item.MonthlyMonths[static_cast<size_t>(month.month() - 1)])
            continue;
        QDate day;
        if (item.MonthlyKind == TMonthlyKind::mkEveryDay) {
            // A day the month does not have is its last day: every allowed month gets its run.
            const int wanted = static_cast<int>(item.MonthlyEveryNumDay) + 1;
            day = QDate(month.year(), month.month(), std::min(wanted, month.daysInMonth()));
        } else {
            const int weekday = static_cast<int>(item.MonthlyWhichDayWeek) + 1;
            const int n = item.MonthlyWhichDayType == TWhichWeek::wwLast
                              ? 0
                              : static_cast<int>(item.MonthlyWhichDayType) + 1;
            day = WeekdayInMonth(month.year(), month.month(), weekday, n);
        }
        if (auto result = search.After(day))
            return result;
    }
    return std::nullopt;
}

qint64 AddSaturating(qint64 base, qint64 amount) {
    constexpr qint64 kLimit = qint64(1) << 60;
    return std::clamp(base + std::clamp(amount, -kLimit, kLimit), -kLimit, kLimit);
}

}  // namespace

TLastRun LastRunFromWall(TDateTime wall, const TZoneOffsets& zone) {
    return {wall, zone.ToInstant(wall, TWallChoice::Later)};
}

int ItemTimeOfDayMs(const TTaskScheduleItem& item) {
    switch (item.Kind) {
        case TScheduleKind::skDaily:
            return TimeMs(item.DailyUseStartTime, item.DailyStartTime);
        case TScheduleKind::skWeekly:
            return TimeMs(item.WeeklyUseStartTime, item.WeeklyStartTime);
        case TScheduleKind::skMonthly:
            return TimeMs(item.MonthlyUseStartTime, item.MonthlyStartTime);
        case TScheduleKind::skOnce:
            return TimeMs(item.OnceUseStartTime, item.OnceStartTime);
        default:
            return 0;
    }
}

std::optional<qint64> NextRunInstant(const TTaskScheduleItem& item, const TLastRun& last,
                                     const TZoneOffsets& zone) {
    if (!item.Enabled)
        return std::nullopt;
    switch (item.Kind) {
        case TScheduleKind::skMinutelly:
            // A value of 0 (or below) makes the item due on every tick.
            return AddSaturating(last.Instant, qint64(std::max(item.MinutellyValue, 0)) * 60000);
        case TScheduleKind::skHourly:
            return AddSaturating(last.Instant, qint64(std::max(item.HourlyValue, 0)) * 3600000);
        case TScheduleKind::skDaily:
            return NextDaily(item, last, zone);
        case TScheduleKind::skWeekly:
            return NextWeekly(item, last, zone);
        case TScheduleKind::skMonthly:
            return NextMonthly(item, last, zone);
        case TScheduleKind::skOnce:
            return zone.WallMsToInstant(
                WallTime::ToWallMs(WallTime::DateOf(item.OnceRunDate), ItemTimeOfDayMs(item)),
                TWallChoice::Earlier);
        default:
            return std::nullopt;
    }
}

TDateTime NextRunTime(const TTaskScheduleItem& item, const TLastRun& last, const TZoneOffsets& zone) {
    const std::optional<qint64> next = NextRunInstant(item, last, zone);
    return next ? zone.ToWall(*next) : DateTime::NoTimeValue;
}

TDueResult DueTest(const TTaskScheduleItem& item, const TLastRun& last, qint64 now, bool skipMissed,
                   const TZoneOffsets& zone) {
    const std::optional<qint64> next = NextRunInstant(item, last, zone);
    if (!next || now < *next)
        return TDueResult::NotDue;
    if (item.Kind == TScheduleKind::skOnce) {
        // A once-item runs on its own day only, and only when the task has not run since its time (a run
        // earlier that day, before the item's time, does not cancel it).
        const QDate day = WallTime::DateOf(item.OnceRunDate);
        if (!(last.Instant < *next && last.Instant <= now &&
              WallTime::DateOfWallMs(zone.InstantToWallMs(now)) == day))
            return TDueResult::NotDue;
    }
    // Lateness is measured between moments, so a run placed at the end of a skipped hour is on time.
    if (skipMissed && (now - *next) / 1000 > 60)
        return TDueResult::Late;
    return TDueResult::Due;
}
