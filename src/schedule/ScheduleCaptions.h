#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "model/ScheduleItem.h"
#include "schedule/NextRun.h"

class TTask;
class TScheduler;

// The texts that describe schedules: the one-line caption of a schedule item (the schedule list of the
// task properties), and the "last run" and "next run" columns of the task list. Dates and times use the
// locale formats of LocaleFormats; day and month names come from CaptionNames, which tests replace.
namespace CaptionNames {

struct TNames {
    std::array<QString, 7> shortDays;     // Monday first
    std::array<QString, 7> longDays;      // Monday first
    std::array<QString, 12> shortMonths;  // January first
};

TNames Current();               // the installed names, else the system locale's
void Set(const TNames& names);  // tests
void ResetToSystem();

}  // namespace CaptionNames

// One-line description of an item, e.g. "Run every week on Mon, Fri; starting at 09:00:00.".
QString GetStrCaption(const TTaskScheduleItem& item);

// "Never" for a task that never ran, else its last run as short date and long time.
QString LastRunCaption(const TTask& task);

// The earliest next run of the task's enabled time-based items, followed by the start-up and shutdown
// items it has ("12.12.2026 09:00:00, at system startup"); "?" for a task without items, "undefined" when
// nothing is left to say. last is the task's last run as the scheduler reads it.
QString NextRunCaption(const TTask& task, const TLastRun& last, const TZoneOffsets& zone);
// NextRunCaption with the event triggers that are on (folder monitor, media detection, hot key);
// "Manually" for a task that only starts by hand.
QString NextRunText(const TTask& task, const TLastRun& last, const TZoneOffsets& zone);

// The same, read with the scheduler's clock and its knowledge of the task's last run, so that the
// columns show what the scheduler will do.
QString NextRunCaption(TScheduler& scheduler, const TTask& task);
QString NextRunText(TScheduler& scheduler, const TTask& task);

// The trigger description of a task's system timer: "Not scheduled." without a timer, "No triggers set."
// for a timer without calendar lines, otherwise each line followed by a carriage return.
QString SystemTimerDescription(const std::optional<QStringList>& onCalendarLines);
