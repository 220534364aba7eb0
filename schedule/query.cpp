// What plays when, and the next boundary.
#include "schedule/schedule.h"

namespace schedule {

std::optional<Occurrence> OccurrenceOn(const Schedule&, std::size_t, const CTimeZone&,
                                       std::int64_t) {
    return std::nullopt;
}
std::optional<Occurrence> PlayingAt(const Schedule&, const CTimeZone&, Instant) {
    return std::nullopt;
}
std::optional<Boundary> NextBoundary(const Schedule&, const CTimeZone&, Instant) {
    return std::nullopt;
}
std::size_t PatternForPass(const Show&, std::uint64_t) { return 0; }

} // namespace schedule
