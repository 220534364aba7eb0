// Civil dates and the turn between local wall-clock time and instants.
#include "schedule/schedule.h"

#include <algorithm>
#include <cstdio>

namespace schedule {

namespace {

constexpr std::int64_t kDay = 86400;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// The first instant after `low` whose offset differs from low's (low < high, and high's
// offset differs): the moment the clocks changed.
Instant Transition(const CTimeZone& zone, Instant low, Instant high) {
    const int before = zone.OffsetAt(low);
    while (high - low > 1) {
        const Instant mid = low + (high - low) / 2;
        (zone.OffsetAt(mid) == before ? low : high) = mid;
    }
    return high;
}

} // namespace

// Days from civil, after Howard Hinnant's public-domain algorithm.
std::int64_t DayNumber(const Date& date) {
    const std::int64_t y = date.year - (date.month <= 2);
    const std::int64_t era = FloorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (date.month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + date.day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

Date DateOf(std::int64_t dayNumber) {
    const std::int64_t z = dayNumber + 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = int(doy - (153 * mp + 2) / 5 + 1);
    const int month = int(mp < 10 ? mp + 3 : mp - 9);
    return {int(yoe + era * 400 + (month <= 2)), month, day};
}

int WeekdayOf(std::int64_t dayNumber) {
    return int(((dayNumber + 3) % 7 + 7) % 7); // 1970-01-01 was a Thursday
}

std::string DateText(std::int64_t dayNumber) {
    const Date date = DateOf(dayNumber);
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", date.day, date.month, date.year % 10000);
    return text;
}

// A local time can have two instants (the repeated hour: the first wins) or none (the
// skipped hour: the moment the clocks jumped, the first moment after the gap). The offsets
// a day either side of it are the candidates; zones change their offset at most once a day.
Instant LocalToInstant(const CTimeZone& zone, std::int64_t dayNumber, int seconds) {
    const Instant local = dayNumber * kDay + seconds;
    const int before = zone.OffsetAt(local - kDay);
    const int after = zone.OffsetAt(local + kDay);
    std::optional<Instant> first;
    for (const int offset : {before, after}) {
        const Instant t = local - offset;
        if (zone.OffsetAt(t) == offset && (!first || t < *first)) first = t;
    }
    if (first) return *first;
    const Instant low = local - std::max(before, after);
    const Instant high = local - std::min(before, after);
    if (zone.OffsetAt(low) == zone.OffsetAt(high)) return local - before; // not a gap after all
    return Transition(zone, low, high);
}

LocalTime InstantToLocal(const CTimeZone& zone, Instant t) {
    const Instant local = t + zone.OffsetAt(t);
    const std::int64_t day = FloorDiv(local, kDay);
    return {day, int(local - day * kDay)};
}

} // namespace schedule
