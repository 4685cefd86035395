#pragma once

#include <optional>

#include "model/ScheduleItem.h"
#include "schedule/ScheduleTime.h"

class TTask;

// The task's last run as a wall-clock value (what is stored) and as the instant it stands for.
struct TLastRun {
    TDateTime Wall = 0;
    qint64 Instant = 0;
};

// Reads a stored last run without further knowledge: a wall-clock time that occurs twice is taken as the
// later moment, which may delay the next run of an interval item but never repeats one.
TLastRun LastRunFromWall(TDateTime wall, const TZoneOffsets& zone);

// The next run of an item after the last run, as an instant; none for a disabled item, for the start-up
// and shutdown kinds, for a weekly or daily item without a day and a monthly item without a month.
//
// Minute and hour items count the interval in elapsed time from the last run. Calendar items (daily,
// weekly, monthly) give the first day of their pattern, at the item's time of day, whose moment lies
// after the last run:
// - daily: the last run's day when it is an allowed day, otherwise (and after a run on it) the day
//   that lies the item's step of days after it, moved forward to the next allowed day;
// - weekly: the remaining allowed days of the last run's week (every week, or when the last run fell on
//   an allowed day), then the first allowed day of the week that lies the step of weeks after it;
// - monthly, fixed day: that day of every allowed month, the last day of a month that is shorter;
// - monthly, given weekday: its first ... fourth or last occurrence in every allowed month;
// - once: the item's date at its time (the due test keeps it to that day).
// A time of day that the clock jumps over names the moment of the jump; one that occurs twice names the
// first occurrence.
std::optional<qint64> NextRunInstant(const TTaskScheduleItem& item, const TLastRun& last,
                                     const TZoneOffsets& zone);

// The same as a wall-clock value; NoTimeValue when there is none.
TDateTime NextRunTime(const TTaskScheduleItem& item, const TLastRun& last, const TZoneOffsets& zone);

// The due test of one item at the instant now.
enum class TDueResult {
    NotDue,
    Due,
    Late,  // due, but more than 60 seconds after its time, and late runs are to be skipped
};
TDueResult DueTest(const TTaskScheduleItem& item, const TLastRun& last, qint64 now, bool skipMissed,
                   const TZoneOffsets& zone);

// The item's time of day for its kind (its start time when it uses one, else midnight), in ms.
int ItemTimeOfDayMs(const TTaskScheduleItem& item);
