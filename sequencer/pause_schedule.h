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
    void Restart(std::int64_t now) { m_rowStart = m_ideal = now; }

    // The end of the row that began at the last wake-up, for a pause of `pause` ticks.
    std::int64_t NextDeadline(std::int64_t pause) {
        pause = std::max<std::int64_t>(pause, 0);
        if (m_rowStart - m_ideal > kStallPauses * pause) m_ideal = m_rowStart;
        m_ideal += pause;
        return std::max(m_ideal, m_rowStart + pause - pause / 10);
    }

    // The next row begins at `now`.
    void WokeAt(std::int64_t now) { m_rowStart = now; }

private:
    std::int64_t m_rowStart = 0; // when the current row began
    std::int64_t m_ideal = 0;    // when it should have begun
};
