#pragma once

#include <QDateTime>
#include <functional>

// The program's date-time value: a double counting days since 30 December 1899 (local time), the
// fraction being the time of day. Every "now" of the program comes from Now(), which tests replace.
using TDateTime = double;

namespace DateTime {

constexpr TDateTime Epoch = 0.0;
// 9999-01-01 00:00:00: a next run that never comes.
constexpr TDateTime NoTimeValue = 2958101.0;
constexpr double MsPerDay = 86400000.0;

// The current local date-time; a clock installed with SetClock replaces the system clock.
TDateTime Now();
// Installs a clock (tests); an empty function restores the system clock.
void SetClock(std::function<TDateTime()> clock);

// Conversions between the day count and Qt's local date-time, exact to the millisecond.
TDateTime FromQDateTime(const QDateTime& value);
QDateTime ToQDateTime(TDateTime value);
TDateTime Encode(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0);

// True when the two values differ by less than one millisecond.
bool SameTime(TDateTime a, TDateTime b);

}  // namespace DateTime
