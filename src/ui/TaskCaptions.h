#pragma once

#include <QString>
#include <functional>

#include "platform/DateTime.h"

class TTask;
struct TTaskScheduleItem;

// The next run of one schedule item of a task as a wall-clock value (NoTimeValue when none). The window
// passes the scheduler's own computation, so the list shows what the scheduler will do.
using TNextRunFunction = std::function<TDateTime(const TTask& task, const TTaskScheduleItem& item)>;

// "Never" for a task that has not run, else the last run in the short date and long time formats.
QString LastRunCaption(const TTask& task);
// The earliest next run of the time-based items, followed by the start-up and shutdown items
// ("at system startup" ...); "?" without items, "undefined" when nothing remains.
QString NextRunCaption(const TTask& task, const TNextRunFunction& nextRun);
// NextRunCaption with the event triggers that are on (folder changes, media, hot key); "Manually" when
// nothing starts the task by itself.
QString NextRunText(const TTask& task, const TNextRunFunction& nextRun);
