// The overlap check behind ParseSchedule.
#pragma once
#include "schedule/schedule.h"

namespace schedule {

// The earliest two occurrences that overlap, as an error on the line of the show that comes
// later in the file, naming both; start days from today for two years, and from each later
// `from` for two years.
std::optional<ParseError> FindOverlap(const Schedule& schedule, const CTimeZone& zone,
                                      Instant now);

} // namespace schedule
