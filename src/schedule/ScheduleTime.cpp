#include "schedule/ScheduleTime.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr qint64 kMin = std::numeric_limits<qint64>::min();
constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr std::size_t kMaxSpans = 64;

const QDate& DayCountEpoch() {
    static const QDate date(1899, 12, 30);
    return date;
}

const QDate& UnixEpoch() {
    static const QDate date(1970, 1, 1);
    return date;
}

}  // namespace

namespace WallTime {

QDate DateOf(TDateTime value) {
    if (!std::isfinite(value))
        return {};
    double whole = std::trunc(value);
    const qint64 ms = std::llround(std::fabs(value - whole) * DateTime::MsPerDay);
    if (ms >= kMsPerDay)
        whole += value >= 0 ? 1 : -1;
    return DayCountEpoch().addDays(static_cast<qint64>(whole));
}

int MsOfDay(TDateTime value) {
    if (!std::isfinite(value))
        return 0;
    const qint64 ms = std::llround(std::fabs(value - std::trunc(value)) * DateTime::MsPerDay);
    return static_cast<int>(ms % kMsPerDay);
}

TDateTime Make(const QDate& date, int msOfDay) {
    const double days = static_cast<double>(DayCountEpoch().daysTo(date));
    const double fraction = static_cast<double>(msOfDay) / DateTime::MsPerDay;
    // Before the epoch the fraction still counts forward from midnight, as the day-count format has it.
    return days >= 0 ? days + fraction : days - fraction;
}

qint64 ToWallMs(const QDate& date, int msOfDay) {
    return UnixEpoch().daysTo(date) * kMsPerDay + msOfDay;
}

qint64 ToWallMs(TDateTime value) {
    return ToWallMs(DateOf(value), MsOfDay(value));
}

QDate DateOfWallMs(qint64 wallMs) {
    qint64 days = wallMs / kMsPerDay;
    if (wallMs % kMsPerDay < 0)
        --days;
    return UnixEpoch().addDays(days);
}

TDateTime FromWallMs(qint64 wallMs) {
    const QDate date = DateOfWallMs(wallMs);
    return Make(date, static_cast<int>(wallMs - ToWallMs(date, 0)));
}

}  // namespace WallTime

TZoneOffsets::TZoneOffsets(QTimeZone zone) : zone_(std::move(zone)) {}

int TZoneOffsets::OffsetAt(qint64 utcMs) const {
    for (const TSpan& span : spans_)
        if (utcMs >= span.from && utcMs < span.to)
            return span.offset;
    if (!zone_.isValid())
        return 0;
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC);
    const int offset = zone_.offsetFromUtc(at);
    TSpan span{kMin, kMax, offset};
    if (zone_.hasTransitions()) {
        // A transition's offset is the one in force after it; a neighbour that disagrees with the offset
        // found means the instant sits on the transition itself, and the span is kept to that instant.
        const QTimeZone::OffsetData previous = zone_.previousTransition(at);
        if (previous.atUtc.isValid())
            span.from = previous.offsetFromUtc == offset ? previous.atUtc.toMSecsSinceEpoch() : utcMs;
        const QTimeZone::OffsetData next = zone_.nextTransition(at);
        if (next.atUtc.isValid())
            span.to = std::max(next.atUtc.toMSecsSinceEpoch(), utcMs + 1);
        if (span.from > utcMs)
            span.from = utcMs;
    }
    if (spans_.size() >= kMaxSpans)
        spans_.clear();
    spans_.push_back(span);
    return offset;
}

TZoneOffsets::TReadings TZoneOffsets::Readings(qint64 wallMs) const {
    // Zones change their offset at most once within a day of any moment, so the offsets a day before
    // and a day after are the only ones the wall-clock time can have been read with.
    const int before = OffsetAt(wallMs - WallTime::kMsPerDay);
    const int after = OffsetAt(wallMs + WallTime::kMsPerDay);
    std::vector<qint64> found;
    for (const int offset : {before, after}) {
        const qint64 candidate = wallMs - static_cast<qint64>(offset) * 1000;
        if (OffsetAt(candidate) == offset && std::find(found.begin(), found.end(), candidate) == found.end())
            found.push_back(candidate);
    }
    if (found.size() == 2)
        return {std::min(found[0], found[1]), std::max(found[0], found[1]), false};
    if (found.size() == 1)
        return {found[0], found[0], false};
    // A gap: the clock jumped over this time. The moment of the jump lies between the two readings;
    // find the first instant whose offset differs from the one before the jump.
    qint64 low = wallMs - static_cast<qint64>(std::max(before, after)) * 1000;
    qint64 high = wallMs - static_cast<qint64>(std::min(before, after)) * 1000;
    const int offsetLow = OffsetAt(low);
    if (offsetLow == OffsetAt(high))
        return {high, high, true};
    while (high - low > 1) {
        const qint64 middle = low + (high - low) / 2;
        if (OffsetAt(middle) == offsetLow)
            low = middle;
        else
            high = middle;
    }
    return {high, high, true};
}

qint64 TZoneOffsets::WallMsToInstant(qint64 wallMs, TWallChoice choice) const {
    const TReadings readings = Readings(wallMs);
    return choice == TWallChoice::Earlier ? readings.first : readings.second;
}

qint64 TZoneOffsets::WallMsToInstantNear(qint64 wallMs, qint64 hint) const {
    const TReadings readings = Readings(wallMs);
    const qint64 toFirst = readings.first > hint ? readings.first - hint : hint - readings.first;
    const qint64 toSecond = readings.second > hint ? readings.second - hint : hint - readings.second;
    return toFirst <= toSecond ? readings.first : readings.second;
}

qint64 TZoneOffsets::ToInstant(TDateTime wall, TWallChoice choice) const {
    return WallMsToInstant(WallTime::ToWallMs(wall), choice);
}

TDateTime TZoneOffsets::ToWall(qint64 utcMs) const {
    return WallTime::FromWallMs(InstantToWallMs(utcMs));
}

TScheduleClock TScheduleClock::System() {
    TScheduleClock clock;
    clock.NowUtcMs = [] { return QDateTime::currentMSecsSinceEpoch(); };
    clock.Zone = std::make_shared<TZoneOffsets>(QTimeZone::systemTimeZone());
    return clock;
}

TScheduleClock TScheduleClock::Fixed(const qint64* nowUtcMs, const QByteArray& zoneId) {
    TScheduleClock clock;
    clock.NowUtcMs = [nowUtcMs] { return *nowUtcMs; };
    clock.Zone = std::make_shared<TZoneOffsets>(QTimeZone(zoneId));
    return clock;
}
