#include <gtest/gtest.h>

#include <QTimeZone>
#include <functional>
#include <vector>

#include "schedule/NextRun.h"

namespace {

constexpr qint64 kMinute = 60000;
constexpr qint64 kHour = 60 * kMinute;

int Ms(int h, int m, int s = 0) {
    return ((h * 60 + m) * 60 + s) * 1000;
}

TDateTime Wall(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return WallTime::Make(QDate(y, mo, d), Ms(h, mi, s));
}

TDateTime TimeOfDay(int h, int m) {
    return static_cast<double>(Ms(h, m)) / DateTime::MsPerDay;
}

// The instant of a wall-clock time (first occurrence) in the zone.
qint64 At(const TZoneOffsets& zone, int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return zone.ToInstant(Wall(y, mo, d, h, mi, s), TWallChoice::Earlier);
}

TLastRun Last(const TZoneOffsets& zone, int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return {Wall(y, mo, d, h, mi, s), At(zone, y, mo, d, h, mi, s)};
}

TTaskScheduleItem Item(TScheduleKind kind) {
    TTaskScheduleItem item;
    item.Kind = kind;
    return item;
}

TTaskScheduleItem Daily(int h, int m) {
    TTaskScheduleItem item = Item(TScheduleKind::skDaily);
    item.DailyUseStartTime = true;
    item.DailyStartTime = TimeOfDay(h, m);
    return item;
}

TTaskScheduleItem Weekly(int h, int m, std::array<bool, 7> days, int everyWeeks = 1) {
    TTaskScheduleItem item = Item(TScheduleKind::skWeekly);
    item.WeeklyUseStartTime = true;
    item.WeeklyStartTime = TimeOfDay(h, m);
    item.WeeklyDays = days;
    item.WeeklyEveryNumWeek = static_cast<TEveryNumWeeks>(everyWeeks - 1);
    return item;
}

TTaskScheduleItem MonthlyDay(int h, int m, int day) {
    TTaskScheduleItem item = Item(TScheduleKind::skMonthly);
    item.MonthlyUseStartTime = true;
    item.MonthlyStartTime = TimeOfDay(h, m);
    item.MonthlyKind = TMonthlyKind::mkEveryDay;
    item.MonthlyEveryNumDay = static_cast<TMonthDayNum>(day - 1);
    return item;
}

TTaskScheduleItem MonthlyWhich(int h, int m, TWhichWeek which, TWhichWeekDay weekday) {
    TTaskScheduleItem item = Item(TScheduleKind::skMonthly);
    item.MonthlyUseStartTime = true;
    item.MonthlyStartTime = TimeOfDay(h, m);
    item.MonthlyKind = TMonthlyKind::mkWhichDay;
    item.MonthlyWhichDayType = which;
    item.MonthlyWhichDayWeek = weekday;
    return item;
}

class NextRun : public ::testing::Test {
protected:
    TZoneOffsets berlin{QTimeZone("Europe/Berlin")};
    TZoneOffsets newYork{QTimeZone("America/New_York")};

    // The next run as a wall-clock value in Berlin.
    TDateTime Next(const TTaskScheduleItem& item, const TLastRun& last) {
        return NextRunTime(item, last, berlin);
    }
};

}  // namespace

TEST_F(NextRun, ZoneReadsGapsAndRepeatedHoursAsMomentsInBothZones) {
    ASSERT_TRUE(berlin.Zone().isValid());
    ASSERT_TRUE(newYork.Zone().isValid());
    // Berlin jumps from 02:00 to 03:00 on 30 March 2025 (01:00 UTC): 02:30 names the moment of the jump.
    const qint64 jump = QDateTime(QDate(2025, 3, 30), QTime(1, 0), Qt::UTC).toMSecsSinceEpoch();
    EXPECT_EQ(berlin.ToInstant(Wall(2025, 3, 30, 2, 30), TWallChoice::Earlier), jump);
    EXPECT_EQ(berlin.ToInstant(Wall(2025, 3, 30, 2, 30), TWallChoice::Later), jump);
    EXPECT_EQ(berlin.ToWall(jump), Wall(2025, 3, 30, 3, 0));
    // On 26 October 2025 02:30 happens twice, an hour apart.
    const qint64 first = berlin.ToInstant(Wall(2025, 10, 26, 2, 30), TWallChoice::Earlier);
    const qint64 second = berlin.ToInstant(Wall(2025, 10, 26, 2, 30), TWallChoice::Later);
    EXPECT_EQ(second - first, kHour);
    EXPECT_EQ(first, QDateTime(QDate(2025, 10, 26), QTime(0, 30), Qt::UTC).toMSecsSinceEpoch());
    EXPECT_EQ(berlin.WallMsToInstantNear(WallTime::ToWallMs(Wall(2025, 10, 26, 2, 30)), second + 1000),
              second);
    // New York: 9 March 2025 02:00 -> 03:00 (07:00 UTC), 2 November 2025 01:00-02:00 twice.
    EXPECT_EQ(newYork.ToInstant(Wall(2025, 3, 9, 2, 15), TWallChoice::Earlier),
              QDateTime(QDate(2025, 3, 9), QTime(7, 0), Qt::UTC).toMSecsSinceEpoch());
    EXPECT_EQ(newYork.ToInstant(Wall(2025, 11, 2, 1, 30), TWallChoice::Later) -
                  newYork.ToInstant(Wall(2025, 11, 2, 1, 30), TWallChoice::Earlier),
              kHour);
    // An ordinary time names one moment, both ways round.
    const qint64 summer = berlin.ToInstant(Wall(2025, 7, 1, 12, 0), TWallChoice::Later);
    EXPECT_EQ(summer, QDateTime(QDate(2025, 7, 1), QTime(10, 0), Qt::UTC).toMSecsSinceEpoch());
    EXPECT_EQ(berlin.ToWall(summer), Wall(2025, 7, 1, 12, 0));
}

TEST_F(NextRun, IntervalItemsCountElapsedTimeFromTheLastRun) {
    TTaskScheduleItem item = Item(TScheduleKind::skMinutelly);
    item.MinutellyValue = 30;
    // 01:45 + 30 minutes on the day of the jump is 03:15 on the clock.
    EXPECT_EQ(Next(item, Last(berlin, 2025, 3, 30, 1, 45)), Wall(2025, 3, 30, 3, 15));
    // In the repeated hour the interval stays 30 minutes: from the first 02:50 to the second 02:20.
    const TLastRun firstPass = Last(berlin, 2025, 10, 26, 2, 50);
    const std::optional<qint64> next = NextRunInstant(item, firstPass, berlin);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next - firstPass.Instant, 30 * kMinute);
    EXPECT_EQ(berlin.ToWall(*next), Wall(2025, 10, 26, 2, 20));

    item.Kind = TScheduleKind::skHourly;
    item.HourlyValue = 2;
    EXPECT_EQ(Next(item, Last(berlin, 2025, 3, 30, 1, 0)), Wall(2025, 3, 30, 4, 0));
    // 0 minutes: due again at once.
    item.Kind = TScheduleKind::skMinutelly;
    item.MinutellyValue = 0;
    const TLastRun last = Last(berlin, 2025, 5, 5, 10, 0);
    EXPECT_EQ(DueTest(item, last, last.Instant, true, berlin), TDueResult::Due);
}

TEST_F(NextRun, DailyItems) {
    TTaskScheduleItem item = Daily(9, 0);
    // Monday 09:00:04 -> Tuesday 09:00; every 2nd day -> Wednesday.
    EXPECT_EQ(Next(item, Last(berlin, 2025, 3, 3, 9, 0, 4)), Wall(2025, 3, 4, 9, 0));
    item.DailyEveryNumDays = TEveryNumDays::ed2nd;
    EXPECT_EQ(Next(item, Last(berlin, 2025, 3, 3, 9, 0, 4)), Wall(2025, 3, 5, 9, 0));
    // A run before the item's time (by hand) leaves that day's run in place.
    EXPECT_EQ(Next(item, Last(berlin, 2025, 3, 3, 8, 0)), Wall(2025, 3, 3, 9, 0));
    // A run at exactly the item's time has served it.
    EXPECT_EQ(Next(item, Last(berlin, 2025, 3, 3, 9, 0)), Wall(2025, 3, 5, 9, 0));

    // Saturday and Sunday off: Friday's run is followed by Monday's, never by one on a day that is off.
    item = Daily(9, 0);
    item.DailyDays = {true, true, true, true, true, false, false};
    EXPECT_EQ(Next(item, Last(berlin, 2025, 3, 7, 9, 0, 4)), Wall(2025, 3, 10, 9, 0));
    // No day at all: no run.
    item.DailyDays.fill(false);
    EXPECT_EQ(Next(item, Last(berlin, 2025, 3, 7, 9, 0, 4)), DateTime::NoTimeValue);
    // Without a start time the run is at midnight.
    item = Daily(9, 0);
    item.DailyUseStartTime = false;
    EXPECT_EQ(Next(item, Last(berlin, 2025, 3, 3, 9, 0)), Wall(2025, 3, 4, 0, 0));
}

TEST_F(NextRun, DailyItemRunsOnceOnBothDaylightSavingDays) {
    const TTaskScheduleItem item = Daily(2, 30);
    // The clock jumps over 02:30: the run is at the first moment after the jump, 03:00, and is on time.
    const TLastRun before = Last(berlin, 2025, 3, 29, 2, 30, 1);
    const std::optional<qint64> jumpDay = NextRunInstant(item, before, berlin);
    ASSERT_TRUE(jumpDay);
    EXPECT_EQ(berlin.ToWall(*jumpDay), Wall(2025, 3, 30, 3, 0));
    EXPECT_EQ(DueTest(item, before, *jumpDay, true, berlin), TDueResult::Due);
    EXPECT_EQ(DueTest(item, before, *jumpDay - 1000, true, berlin), TDueResult::NotDue);
    const TLastRun ranAtThree{berlin.ToWall(*jumpDay + 500), *jumpDay + 500};
    EXPECT_EQ(Next(item, ranAtThree), Wall(2025, 3, 31, 2, 30));

    // 02:30 happens twice: the first one runs, the second does not, also when the stored last run is read
    // back without knowing which of the two it was.
    const TLastRun dayBefore = Last(berlin, 2025, 10, 25, 2, 30, 1);
    const std::optional<qint64> repeatDay = NextRunInstant(item, dayBefore, berlin);
    ASSERT_TRUE(repeatDay);
    EXPECT_EQ(*repeatDay, berlin.ToInstant(Wall(2025, 10, 26, 2, 30), TWallChoice::Earlier));
    const TLastRun ran{berlin.ToWall(*repeatDay + 800), *repeatDay + 800};
    for (const TLastRun& last : {ran, LastRunFromWall(ran.Wall, berlin)}) {
        EXPECT_EQ(Next(item, last), Wall(2025, 10, 27, 2, 30));
        EXPECT_EQ(DueTest(item, last, *repeatDay + kHour + 5000, true, berlin), TDueResult::NotDue);
    }
    // A run by hand in the repeated hour does not bring the day's run back.
    const TLastRun byHand{Wall(2025, 10, 26, 2, 20),
                          berlin.ToInstant(Wall(2025, 10, 26, 2, 20), TWallChoice::Later)};
    EXPECT_EQ(Next(item, byHand), Wall(2025, 10, 27, 2, 30));
}

TEST_F(NextRun, WeeklyItems) {
    // Every week on Monday and Wednesday: a Monday run is followed by Wednesday's.
    TTaskScheduleItem item = Weekly(9, 0, {true, false, true, false, false, false, false});
    EXPECT_EQ(Next(item, Last(berlin, 2025, 3, 3, 9, 0, 4)), Wall(2025, 3, 5, 9, 0));
    // ... and a Wednesday run by the Monday of the next week.
    EXPECT_EQ(Next(item, Last(berlin, 2025, 3, 5, 9, 0, 4)), Wall(2025, 3, 10, 9, 0));
    // Every 2 weeks on Tuesdays, last run on Monday 3 March 2025 (not one of its days): 18 March.
    item = Weekly(9, 0, {false, true, false, false, false, false, false}, 2);
    EXPECT_EQ(Next(item, Last(berlin, 2025, 3, 3, 10, 0)), Wall(2025, 3, 18, 9, 0));
    // After its Tuesday run, the Tuesday two weeks on.
    EXPECT_EQ(Next(item, Last(berlin, 2025, 3, 18, 9, 0, 2)), Wall(2025, 4, 1, 9, 0));
    // No day: no run.
    item.WeeklyDays.fill(false);
    EXPECT_EQ(Next(item, Last(berlin, 2025, 3, 3)), DateTime::NoTimeValue);
}

TEST_F(NextRun, MonthlyFixedDayAtMonthEnds) {
    TTaskScheduleItem item = MonthlyDay(9, 0, 31);
    // Day 31 runs on the last day of shorter months: 28 February 2025, 30 April, 29 February 2028.
    EXPECT_EQ(Next(item, Last(berlin, 2025, 1, 31, 9, 0, 3)), Wall(2025, 2, 28, 9, 0));
    EXPECT_EQ(Next(item, Last(berlin, 2025, 3, 31, 9, 0, 3)), Wall(2025, 4, 30, 9, 0));
    EXPECT_EQ(Next(item, Last(berlin, 2025, 4, 30, 9, 0, 3)), Wall(2025, 5, 31, 9, 0));
    EXPECT_EQ(Next(item, Last(berlin, 2028, 1, 31, 9, 0, 3)), Wall(2028, 2, 29, 9, 0));
    // Only April to December: after 31 January comes 30 April.
    for (int m = 0; m < 3; ++m)
        item.MonthlyMonths[static_cast<size_t>(m)] = false;
    EXPECT_EQ(Next(item, Last(berlin, 2025, 1, 31, 9, 0, 3)), Wall(2025, 4, 30, 9, 0));
    // Day 29 of February only: 28 February in common years, 29 in leap years, once a year.
    item = MonthlyDay(9, 0, 29);
    item.MonthlyMonths.fill(false);
    item.MonthlyMonths[1] = true;
    EXPECT_EQ(Next(item, Last(berlin, 2027, 2, 28, 9, 0, 3)), Wall(2028, 2, 29, 9, 0));
    EXPECT_EQ(Next(item, Last(berlin, 2028, 2, 29, 9, 0, 3)), Wall(2029, 2, 28, 9, 0));
    // Day 1, last run on 15 January: 1 February is the next run.
    item = MonthlyDay(9, 0, 1);
    EXPECT_EQ(Next(item, Last(berlin, 2025, 1, 15, 12, 0)), Wall(2025, 2, 1, 9, 0));
    // No month: no run.
    item.MonthlyMonths.fill(false);
    EXPECT_EQ(Next(item, Last(berlin, 2025, 1, 15)), DateTime::NoTimeValue);
}

TEST_F(NextRun, MonthlyGivenWeekday) {
    // Last Friday, last run Friday 27 March 2026 09:00:03 -> 24 April 2026.
    TTaskScheduleItem item = MonthlyWhich(9, 0, TWhichWeek::wwLast, TWhichWeekDay::wdFriday);
    EXPECT_EQ(Next(item, Last(berlin, 2026, 3, 27, 9, 0, 3)), Wall(2026, 4, 24, 9, 0));
    // Second Tuesday, last run 20 March 2025 -> 8 April 2025.
    item = MonthlyWhich(9, 0, TWhichWeek::wwSecond, TWhichWeekDay::wdTuesday);
    EXPECT_EQ(Next(item, Last(berlin, 2025, 3, 20)), Wall(2025, 4, 8, 9, 0));
    // A run at exactly the item's time has served it (no second run the same day).
    EXPECT_EQ(Next(item, Last(berlin, 2025, 4, 8, 9, 0)), Wall(2025, 5, 13, 9, 0));
    // Months that are off are passed over.
    item.MonthlyMonths[4] = false;
    EXPECT_EQ(Next(item, Last(berlin, 2025, 4, 8, 9, 0)), Wall(2025, 6, 10, 9, 0));
}

TEST_F(NextRun, OnceItemRunsOnItsDayOnly) {
    TTaskScheduleItem item = Item(TScheduleKind::skOnce);
    item.OnceRunDate = Wall(2025, 6, 10);
    item.OnceUseStartTime = true;
    item.OnceStartTime = TimeOfDay(14, 0);
    const TLastRun earlier = Last(berlin, 2025, 6, 1, 10, 0);
    EXPECT_EQ(DueTest(item, earlier, At(berlin, 2025, 6, 10, 13, 59), false, berlin), TDueResult::NotDue);
    EXPECT_EQ(DueTest(item, earlier, At(berlin, 2025, 6, 10, 14, 0), false, berlin), TDueResult::Due);
    // Started at 15:00 that day: runs at once, or is skipped as late.
    EXPECT_EQ(DueTest(item, earlier, At(berlin, 2025, 6, 10, 15, 0), false, berlin), TDueResult::Due);
    EXPECT_EQ(DueTest(item, earlier, At(berlin, 2025, 6, 10, 15, 0), true, berlin), TDueResult::Late);
    // The next day: never.
    EXPECT_EQ(DueTest(item, earlier, At(berlin, 2025, 6, 11, 9, 0), false, berlin), TDueResult::NotDue);
    // Once it ran, it does not run again that day; a run by hand that morning does not cancel it.
    EXPECT_EQ(
        DueTest(item, Last(berlin, 2025, 6, 10, 14, 0, 1), At(berlin, 2025, 6, 10, 16, 0), false, berlin),
        TDueResult::NotDue);
    EXPECT_EQ(DueTest(item, Last(berlin, 2025, 6, 10, 8, 0), At(berlin, 2025, 6, 10, 14, 0), false, berlin),
              TDueResult::Due);
}

TEST_F(NextRun, LatenessAndItemsWithoutNextRun) {
    TTaskScheduleItem item = Daily(9, 0);
    const TLastRun last = Last(berlin, 2025, 3, 3, 9, 0, 4);
    const qint64 next = At(berlin, 2025, 3, 4, 9, 0);
    EXPECT_EQ(DueTest(item, last, next + 60999, true, berlin), TDueResult::Due);
    EXPECT_EQ(DueTest(item, last, next + 61000, true, berlin), TDueResult::Late);
    EXPECT_EQ(DueTest(item, last, next + 61000, false, berlin), TDueResult::Due);
    // A new task (LastRun 0) is due at once.
    EXPECT_EQ(DueTest(item, LastRunFromWall(0, berlin), next, false, berlin), TDueResult::Due);
    item.Enabled = false;
    EXPECT_EQ(Next(item, last), DateTime::NoTimeValue);
    EXPECT_EQ(DueTest(item, last, next, false, berlin), TDueResult::NotDue);
    for (TScheduleKind kind : {TScheduleKind::skAtSystemStartup, TScheduleKind::skAtProgramStartup,
                               TScheduleKind::skAtSystemShutdown}) {
        const TTaskScheduleItem startup = Item(kind);
        EXPECT_EQ(Next(startup, last), DateTime::NoTimeValue);
        EXPECT_EQ(DueTest(startup, LastRunFromWall(0, berlin), next, false, berlin), TDueResult::NotDue);
    }
}

// The brute-force reference: it walks the clock minute by minute through two years and says, for every
// minute, whether a task with the item runs then, by a plain reading of the item ("on every allowed day,
// at the first minute whose clock time has reached the start time"; "every n minutes of elapsed time").
// The computation must give exactly these runs, each due at its minute and not a minute before.
namespace {

struct TReferenceCase {
    const char* name;
    TTaskScheduleItem item;
    // Calendar cases: whether the item runs on a date; anchor is the day of the last run before the walk
    // (a Thursday), from which steps of days and weeks count.
    std::function<bool(const QDate& date, const QDate& anchor)> onDay;
    qint64 intervalMs = 0;  // interval cases
};

class TOffsetWalk {
public:
    TOffsetWalk(const QTimeZone& zone, qint64 from, qint64 to) {
        const auto transitions = zone.transitions(QDateTime::fromMSecsSinceEpoch(from - 86400000, Qt::UTC),
                                                  QDateTime::fromMSecsSinceEpoch(to + 86400000, Qt::UTC));
        offset_ = zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(from, Qt::UTC));
        for (const auto& t : transitions)
            changes_.push_back({t.atUtc.toMSecsSinceEpoch(), t.offsetFromUtc});
    }
    // Offsets for instants given in increasing order.
    int OffsetAt(qint64 t) {
        while (next_ < changes_.size() && changes_[next_].first <= t)
            offset_ = changes_[next_++].second;
        return offset_;
    }

private:
    std::vector<std::pair<qint64, int>> changes_;
    std::size_t next_ = 0;
    int offset_ = 0;
};

std::vector<qint64> ReferenceRuns(const TReferenceCase& c, const QTimeZone& zone, qint64 from, qint64 to,
                                  const QDate& anchor) {
    std::vector<qint64> runs;
    TOffsetWalk walk(zone, from, to);
    const int startMs = ItemTimeOfDayMs(c.item);
    QDate lastRunDay;
    for (qint64 t = from; t < to; t += kMinute) {
        if (c.intervalMs > 0) {
            if (t >= (runs.empty() ? from : runs.back() + c.intervalMs))
                runs.push_back(t);
            continue;
        }
        const qint64 wall = t + qint64(walk.OffsetAt(t)) * 1000;
        const QDate day = WallTime::DateOfWallMs(wall);
        if (day == lastRunDay || wall - WallTime::ToWallMs(day, 0) < startMs)
            continue;
        if (c.onDay(day, anchor)) {
            runs.push_back(t);
            lastRunDay = day;
        }
    }
    return runs;
}

qint64 CeilMinute(qint64 t) {
    return (t + kMinute - 1) / kMinute * kMinute;
}

std::vector<TReferenceCase> ReferenceCases() {
    std::vector<TReferenceCase> cases;
    const auto all = [](const QDate&, const QDate&) { return true; };
    cases.push_back({"daily 02:30", Daily(2, 30), all});
    {
        TTaskScheduleItem item = Daily(1, 30);
        item.DailyEveryNumDays = TEveryNumDays::ed3rd;
        cases.push_back({"every 3rd day 01:30", item,
                         [](const QDate& d, const QDate& anchor) { return anchor.daysTo(d) % 3 == 0; }});
    }
    {
        TTaskScheduleItem item = Daily(9, 15);
        item.DailyDays = {true, true, true, true, true, false, false};
        cases.push_back(
            {"weekdays 09:15", item, [](const QDate& d, const QDate&) { return d.dayOfWeek() <= 5; }});
    }
    cases.push_back({"weekly Wed+Sun 02:30", Weekly(2, 30, {false, false, true, false, false, false, true}),
                     [](const QDate& d, const QDate&) { return d.dayOfWeek() == 3 || d.dayOfWeek() == 7; }});
    cases.push_back(
        {"every 2nd week Sun 02:00", Weekly(2, 0, {false, false, false, false, false, false, true}, 2),
         [](const QDate& d, const QDate& anchor) {
             // The anchor is no Sunday, so its own week is not one of the item's weeks.
             const qint64 weeks = anchor.addDays(1 - anchor.dayOfWeek()).daysTo(d.addDays(1 - d.dayOfWeek()));
             return d.dayOfWeek() == 7 && weeks > 0 && weeks % 14 == 0;
         }});
    cases.push_back({"monthly day 31 02:30", MonthlyDay(2, 30, 31),
                     [](const QDate& d, const QDate&) { return d.day() == d.daysInMonth(); }});
    {
        TTaskScheduleItem item = MonthlyDay(12, 0, 29);
        item.MonthlyMonths.fill(false);
        item.MonthlyMonths[1] = true;
        item.MonthlyMonths[10] = true;
        cases.push_back({"day 29 of February and November", item, [](const QDate& d, const QDate&) {
                             return (d.month() == 2 && d.day() == d.daysInMonth()) ||
                                    (d.month() == 11 && d.day() == 29);
                         }});
    }
    cases.push_back(
        {"last Sunday 02:30", MonthlyWhich(2, 30, TWhichWeek::wwLast, TWhichWeekDay::wdSunday),
         [](const QDate& d, const QDate&) { return d.dayOfWeek() == 7 && d.day() + 7 > d.daysInMonth(); }});
    cases.push_back(
        {"second Sunday 02:00", MonthlyWhich(2, 0, TWhichWeek::wwSecond, TWhichWeekDay::wdSunday),
         [](const QDate& d, const QDate&) { return d.dayOfWeek() == 7 && (d.day() - 1) / 7 == 1; }});
    cases.push_back({"first Sunday 01:30", MonthlyWhich(1, 30, TWhichWeek::wwFirst, TWhichWeekDay::wdSunday),
                     [](const QDate& d, const QDate&) { return d.dayOfWeek() == 7 && d.day() <= 7; }});
    {
        TTaskScheduleItem item = Item(TScheduleKind::skMinutelly);
        item.MinutellyValue = 45;
        cases.push_back({"every 45 minutes", item, nullptr, 45 * kMinute});
        item.Kind = TScheduleKind::skHourly;
        item.HourlyValue = 5;
        cases.push_back({"every 5 hours", item, nullptr, 5 * kHour});
    }
    return cases;
}

}  // namespace

TEST(NextRunReference, EveryKindMatchesAMinuteByMinuteWalkThroughTwoYearsInTwoZones) {
    for (const char* zoneId : {"Europe/Berlin", "America/New_York"}) {
        const TZoneOffsets zone{QTimeZone(zoneId)};
        ASSERT_TRUE(zone.Zone().isValid()) << zoneId;
        // 2027 and 2028: a leap February and four clock changes in each zone.
        const qint64 from = zone.ToInstant(Wall(2027, 1, 1), TWallChoice::Earlier);
        const qint64 to = zone.ToInstant(Wall(2029, 1, 1), TWallChoice::Earlier);
        for (const TReferenceCase& c : ReferenceCases()) {
            SCOPED_TRACE(std::string(zoneId) + ", " + c.name);
            const QDate anchor(2026, 12, 31);
            const std::vector<qint64> expected = ReferenceRuns(c, zone.Zone(), from, to, anchor);
            ASSERT_GT(expected.size(), 3u);
            // Interval items count from the start; calendar items from a run the day before.
            TLastRun last = c.intervalMs > 0 ? TLastRun{zone.ToWall(from - c.intervalMs), from - c.intervalMs}
                                             : TLastRun{zone.ToWall(from - 1000), from - 1000};
            std::size_t matched = 0;
            for (const qint64 run : expected) {
                const std::optional<qint64> next = NextRunInstant(c.item, last, zone);
                ASSERT_TRUE(next);
                ASSERT_EQ(CeilMinute(*next), run) << "run " << matched << " expected at " << zone.ToWall(run)
                                                  << ", computed " << zone.ToWall(*next);
                ASSERT_EQ(DueTest(c.item, last, run, true, zone), TDueResult::Due);
                ASSERT_EQ(DueTest(c.item, last, run - kMinute, true, zone), TDueResult::NotDue);
                // The run is recorded as a wall-clock value; read back without the moment (a restart), it
                // must not bring a calendar run back.
                const TLastRun exact{zone.ToWall(run), run};
                last = c.intervalMs > 0 ? exact : LastRunFromWall(exact.Wall, zone);
                ++matched;
            }
            const std::optional<qint64> after = NextRunInstant(c.item, last, zone);
            ASSERT_TRUE(after);
            EXPECT_GE(CeilMinute(*after), to);
            EXPECT_EQ(matched, expected.size());
        }
    }
}

TEST(NextRunReference, OnceItemOnTheDayTheClockJumpsRunsOnceAtTheJump) {
    for (const auto& [zoneId, day] : {std::pair{"Europe/Berlin", QDate(2027, 3, 28)},
                                      std::pair{"America/New_York", QDate(2027, 3, 14)}}) {
        SCOPED_TRACE(zoneId);
        const TZoneOffsets zone{QTimeZone(zoneId)};
        TTaskScheduleItem item = Item(TScheduleKind::skOnce);
        item.OnceRunDate = WallTime::Make(day, 0);
        item.OnceUseStartTime = true;
        item.OnceStartTime = TimeOfDay(2, 30);
        TLastRun last = LastRunFromWall(Wall(2027, 1, 1), zone);
        int runs = 0;
        const qint64 from = zone.ToInstant(WallTime::Make(day.addDays(-1), 0), TWallChoice::Earlier);
        for (qint64 t = from; t < from + 3 * 24 * kHour; t += kMinute) {
            if (DueTest(item, last, t, true, zone) != TDueResult::Due)
                continue;
            ++runs;
            EXPECT_EQ(zone.ToWall(t), WallTime::Make(day, Ms(3, 0)));
            last = {zone.ToWall(t), t};
        }
        EXPECT_EQ(runs, 1);
    }
}
