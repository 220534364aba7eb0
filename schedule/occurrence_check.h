// The checks behind ParseSchedule that need the zone: overlaps, and shows that never play.
#pragma once
#include "schedule/schedule.h"

namespace schedule {

// The earliest two occurrences that overlap, as an error on the line of the show that comes
// later in the file, naming both; start days from today for two years, and from each later
// `from` for two years. Else a show that does not play once in that time, on its line.
std::optional<ParseError> CheckOccurrences(const Schedule& schedule, const CTimeZone& zone,
                                           Instant now);

} // namespace schedule
