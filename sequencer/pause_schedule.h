// When each row of a run ends, in ticks of any clock. A row ends one pause after the ideal
// end of the previous one; a late wake-up is made up a little at a time, never taking more
// than a tenth off a row, so no row flashes by. After a stall of several pauses the
// schedule starts afresh from the late row instead of hurrying to catch up.
#pragma once

#include <algorithm>
#include <cstdint>

class CPauseSchedule {
public:
    // Behind by more than this many pauses: start afresh.
    static constexpr std::int64_t kStallPauses = 3;

    // The first row begins now.
    void Restart(std::int64_t now) { m_ideal = now; }

    // The end of the row written just before `now`, for a pause of `pause` ticks. The row is
    // taken to begin at `now`, so even a write held up after the wake-up keeps its share.
    std::int64_t NextDeadline(std::int64_t now, std::int64_t pause) {
        pause = std::max<std::int64_t>(pause, 0);
        if (now - m_ideal > kStallPauses * pause) m_ideal = now;
        m_ideal += pause;
        return std::max(m_ideal, now + pause - pause / 10);
    }

private:
    std::int64_t m_ideal = 0; // when the next row should begin
};
