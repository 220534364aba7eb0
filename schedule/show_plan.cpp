// Hand against schedule: an action only when the schedule's own state changes.
#include "schedule/schedule.h"

namespace schedule {

std::optional<CShowPlan::Applied>
CShowPlan::AppliedOf(const std::optional<Occurrence>& occurrence) const {
    if (!occurrence) return std::nullopt;
    const Show& show = m_schedule.shows[occurrence->show];
    return Applied{show.name, occurrence->day, show.patterns, show.passes};
}

void CShowPlan::NoteHand(Instant now) {
    m_applied = AppliedOf(PlayingAt(m_schedule, m_zone, now));
}

CShowPlan::Step CShowPlan::Poll(Instant now) {
    Step step;
    step.playing = PlayingAt(m_schedule, m_zone, now);
    step.next = NextBoundary(m_schedule, m_zone, now);
    auto wanted = AppliedOf(step.playing);
    if (wanted != m_applied) {
        step.action = wanted ? Step::Action::Start : Step::Action::Stop;
        m_applied = std::move(wanted);
    }
    return step;
}

} // namespace schedule
