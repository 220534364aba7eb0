// The schedule's clock and time-zone rules from Windows: the system time as an Instant, and
// the zone's offset at any instant with the rules Windows has for the current zone (taken
// again by Refresh after a clock or zone change).
#pragma once
#include "schedule/schedule.h"

#include <windows.h>

class CWindowsZone final : public schedule::CTimeZone {
public:
    CWindowsZone() { Refresh(); }
    void Refresh();
    int OffsetAt(schedule::Instant t) const override;

private:
    TIME_ZONE_INFORMATION m_zone{};
    bool m_known = false;
};

// The system time, in the schedule's seconds; `nudgeMs` ahead, so a timer that fires a
// hair before its second still sees that second.
schedule::Instant NowInstant(int nudgeMs = 0);
// An instant as the FILETIME-based due time of a waitable timer (absolute, UTC).
LARGE_INTEGER DueTimeOf(schedule::Instant t);
