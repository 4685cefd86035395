#pragma once

#include "model/ScheduleItem.h"

class QWidget;

// The editor of one schedule item: its kind and the values that kind uses (interval, days, start time,
// months, the date of a single run, the waits of the start-up and shutdown items). Values of the other
// kinds are kept as they were. Returns true on OK with item changed.
bool EditScheduleItem(QWidget* parent, TTaskScheduleItem& item);
