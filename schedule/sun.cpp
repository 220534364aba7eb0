// Sunrise and sunset.
#include "schedule/schedule.h"

namespace schedule {

SunEvent ComputeSunEvent(const Location&, const Date&, SunKind) { return {}; }

} // namespace schedule
