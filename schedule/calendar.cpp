// Civil dates and the turn between local wall-clock time and instants.
#include "schedule/schedule.h"

namespace schedule {

std::int64_t DayNumber(const Date&) { return 0; }
Date DateOf(std::int64_t) { return {}; }
int WeekdayOf(std::int64_t) { return 0; }
Instant LocalToInstant(const CTimeZone&, std::int64_t, int) { return 0; }
LocalTime InstantToLocal(const CTimeZone&, Instant) { return {}; }

} // namespace schedule
