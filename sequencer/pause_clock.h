// Pauses of a run measured against absolute deadlines (CPauseSchedule), so the time spent
// writing to the port and waking up is not added row after row. Waits on a high-resolution
// waitable timer where the system has one, else on a normal one with the system timer at
// 1 ms.
#pragma once

#include "sequencer/pause_schedule.h"

#include <windows.h>

#include <cstdint>
#include <functional>

// What a run waits with. Tests put a clock of their own here and count the pauses
// instead of timing them.
class CRunClock {
public:
    virtual ~CRunClock() = default;
    // The deadlines count from now.
    virtual void Restart() = 0;
    // Waits until `ms` after the previous deadline.
    virtual void WaitNext(int ms) = 0;
    // Waits until an absolute UTC time (FILETIME units), asking `stopped` as it goes; false
    // when that said stop first. This one does not wait.
    virtual bool WaitUntilUtc(std::int64_t /*due*/, const std::function<bool()>& stopped) {
        return !stopped();
    }
};

// The system time in FILETIME units, to a fraction of a millisecond where the system can.
std::int64_t UtcNow();

class CPauseClock final : public CRunClock {
public:
    enum class Kind { HighResolution, Normal, Sleep };

    // Waits with the best the system has, but nothing better than `best`.
    explicit CPauseClock(Kind best = Kind::HighResolution);
    ~CPauseClock();
    CPauseClock(const CPauseClock&) = delete;
    CPauseClock& operator=(const CPauseClock&) = delete;

    void Restart() override;
    // Waits until the row just written has lasted its share of `ms`.
    void WaitNext(int ms) override;
    // In steps of 10 ms, so a stop is seen meanwhile; the last step ends at `due`.
    bool WaitUntilUtc(std::int64_t due, const std::function<bool()>& stopped) override;

    Kind TimerKind() const { return m_kind; }

private:
    std::int64_t Now() const;
    void WaitTicks(std::int64_t ticks) const;

    HANDLE m_timer = nullptr;
    Kind m_kind = Kind::Sleep;
    bool m_raisedPeriod = false;
    std::int64_t m_frequency = 1;
    CPauseSchedule m_schedule;
};
