// The overlap check behind ParseSchedule.
#pragma once
#include "schedule/schedule.h"

namespace schedule {

// The first two occurrences that overlap, as an error on the later show's line naming both;
// start days checked from two days before `now` for two years, inside each pair's dates.
std::optional<ParseError> FindOverlap(const Schedule& schedule, const CTimeZone& zone,
                                      Instant now);

} // namespace schedule
