// Hand against schedule.
#include "schedule/schedule.h"

namespace schedule {

void CShowPlan::NoteHand(Instant) {}
CShowPlan::Step CShowPlan::Poll(Instant) { return {}; }
std::optional<CShowPlan::Applied>
CShowPlan::AppliedOf(const std::optional<Occurrence>&) const {
    return std::nullopt;
}

} // namespace schedule
