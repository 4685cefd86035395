#include "platform/DateTime.h"

#include <QDate>
#include <QTime>
#include <cmath>
#include <mutex>

namespace {

std::mutex clockMutex;
std::function<TDateTime()> installedClock;

const QDate& EpochDate() {
    static const QDate date(1899, 12, 30);
    return date;
}

}  // namespace

namespace DateTime {

TDateTime Now() {
    {
        std::lock_guard lock(clockMutex);
        if (installedClock) return installedClock();
    }
    return FromQDateTime(QDateTime::currentDateTime());
}

void SetClock(std::function<TDateTime()> clock) {
    std::lock_guard lock(clockMutex);
    installedClock = std::move(clock);
}

TDateTime FromQDateTime(const QDateTime& value) {
    if (!value.isValid()) return 0.0;
    const QDateTime local = value.toLocalTime();
    const double days = static_cast<double>(EpochDate().daysTo(local.date()));
    const double ms = static_cast<double>(local.time().msecsSinceStartOfDay());
    // Before the epoch the fraction still counts forward from midnight, as the day-count format has it.
    return days >= 0 ? days + ms / MsPerDay : days - ms / MsPerDay;
}

QDateTime ToQDateTime(TDateTime value) {
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) return {};
    double whole = std::trunc(value);
    double fraction = std::fabs(value - whole);
    qint64 ms = std::llround(fraction * MsPerDay);
    if (ms >= 86400000) {
        ms -= 86400000;
        whole += value >= 0 ? 1 : -1;
    }
    const QDate date = EpochDate().addDays(static_cast<qint64>(whole));
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

TDateTime Encode(int year, int month, int day, int hour, int minute, int second, int ms) {
    return FromQDateTime(QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms)));
}

bool SameTime(TDateTime a, TDateTime b) { return std::fabs(a - b) * MsPerDay < 1.0; }

}  // namespace DateTime
