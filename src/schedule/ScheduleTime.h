#pragma once

#include <QDate>
#include <QTimeZone>
#include <functional>
#include <memory>
#include <vector>

#include "platform/DateTime.h"

// Time as the scheduler sees it. Stored date-times (LastRun, start times, dates) are wall-clock values of
// the local zone, and a wall-clock value does not always name one moment: on the day the clocks go
// forward an hour of wall-clock times does not exist, and on the day they go back an hour exists twice.
// The scheduler therefore decides on instants (milliseconds since 1970 UTC) and converts between the two
// with the zone it was given, so that a run is neither skipped nor repeated around such changes.

// Which moment a wall-clock time names when it occurs twice.
enum class TWallChoice { Earlier, Later };

// Offsets of one time zone, remembered per span between two transitions, since the scheduler asks for
// them for every item on every tick.
class TZoneOffsets {
public:
    explicit TZoneOffsets(QTimeZone zone);

    const QTimeZone& Zone() const { return zone_; }
    // Offset from UTC in seconds at an instant.
    int OffsetAt(qint64 utcMs) const;

    // The instant of a wall-clock time given as milliseconds since 1970-01-01 00:00 on the wall clock.
    // A time that occurs twice gives the earlier or the later moment; a time that does not exist gives
    // the first moment after the gap (the moment of the change, whose wall-clock time ends the gap).
    qint64 WallMsToInstant(qint64 wallMs, TWallChoice choice) const;
    // The instant of a wall-clock time that occurs twice, the one nearer to hint.
    qint64 WallMsToInstantNear(qint64 wallMs, qint64 hint) const;
    qint64 InstantToWallMs(qint64 utcMs) const { return utcMs + static_cast<qint64>(OffsetAt(utcMs)) * 1000; }

    qint64 ToInstant(TDateTime wall, TWallChoice choice) const;
    TDateTime ToWall(qint64 utcMs) const;

private:
    struct TSpan {
        qint64 from;  // inclusive
        qint64 to;    // exclusive
        int offset;
    };
    // The moments a wall-clock time names: first <= second, equal when it names one moment. For a time
    // in a gap both are the moment of the change and gap is set.
    struct TReadings {
        qint64 first;
        qint64 second;
        bool gap;
    };
    TReadings Readings(qint64 wallMs) const;

    QTimeZone zone_;
    mutable std::vector<TSpan> spans_;
};

// Where the scheduler takes "now" from and in which zone it reads wall-clock values. Tests inject both.
struct TScheduleClock {
    std::function<qint64()> NowUtcMs;
    std::shared_ptr<const TZoneOffsets> Zone;

    // The system clock and the system's time zone.
    static TScheduleClock System();
    // A clock that returns *nowUtcMs (tests move it) in the named zone.
    static TScheduleClock Fixed(const qint64* nowUtcMs, const QByteArray& zoneId);

    qint64 Now() const { return NowUtcMs(); }
    TDateTime NowWall() const { return Zone->ToWall(NowUtcMs()); }
};

// Wall-clock values of the day-count format split into date and time of day, and put together again.
namespace WallTime {

constexpr qint64 kMsPerDay = 86400000;

QDate DateOf(TDateTime value);
int MsOfDay(TDateTime value);  // 0 .. 86399999
TDateTime Make(const QDate& date, int msOfDay);
// Milliseconds since 1970-01-01 00:00 on the wall clock.
qint64 ToWallMs(const QDate& date, int msOfDay);
qint64 ToWallMs(TDateTime value);
TDateTime FromWallMs(qint64 wallMs);
QDate DateOfWallMs(qint64 wallMs);

}  // namespace WallTime
