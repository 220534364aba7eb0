#include "sequencer/pause_clock.h"

#include "framework/sysdll.h"

#include <timeapi.h>

#include <algorithm>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {

HANDLE CreateTimer(DWORD flags) {
    return CreateWaitableTimerExW(nullptr, nullptr, flags, TIMER_ALL_ACCESS);
}

} // namespace

CPauseClock::CPauseClock(Kind best) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    if (frequency.QuadPart > 0) m_frequency = frequency.QuadPart;

    // Systems before Windows 10 1803 refuse the high-resolution flag.
    if (best == Kind::HighResolution &&
        (m_timer = CreateTimer(CREATE_WAITABLE_TIMER_HIGH_RESOLUTION))) {
        m_kind = Kind::HighResolution;
    } else if (best != Kind::Sleep && (m_timer = CreateTimer(0))) {
        m_kind = Kind::Normal;
    }
    // A normal timer (and Sleep) follows the system tick, 15.6 ms unless raised.
    if (m_kind != Kind::HighResolution) {
        auto* raise = sysdll::Function<decltype(timeBeginPeriod)>(L"winmm.dll", "timeBeginPeriod");
        m_raisedPeriod = raise && raise(1) == TIMERR_NOERROR;
    }
    Restart();
}

CPauseClock::~CPauseClock() {
    if (m_raisedPeriod) {
        // Found: the same DLL gave its counterpart.
        if (auto* lower = sysdll::Function<decltype(timeEndPeriod)>(L"winmm.dll", "timeEndPeriod"))
            lower(1);
    }
    if (m_timer) CloseHandle(m_timer);
}

std::int64_t CPauseClock::Now() const {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

void CPauseClock::Restart() {
    m_schedule.Restart(Now());
}

void CPauseClock::WaitNext(int ms) {
    std::int64_t now = Now();
    const std::int64_t deadline =
        m_schedule.NextDeadline(now, std::int64_t{ms} * m_frequency / 1000);
    // A timer that fires a little early is waited on again: no row may end short.
    for (; now < deadline; now = Now())
        WaitTicks(deadline - now);
}

// Precise from Windows 8 on; the system tick before.
std::int64_t UtcNow() {
    static auto* precise = sysdll::Function<decltype(GetSystemTimePreciseAsFileTime)>(
        L"kernel32.dll", "GetSystemTimePreciseAsFileTime");
    FILETIME now;
    (precise ? precise : GetSystemTimeAsFileTime)(&now);
    return (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

bool CPauseClock::WaitUntilUtc(std::int64_t due, const std::function<bool()>& stopped) {
    constexpr std::int64_t kStep = 100'000; // 10 ms in FILETIME units
    for (std::int64_t left = due - UtcNow(); left > 0; left = due - UtcNow()) {
        if (stopped()) return false;
        WaitTicks(std::min(left, kStep) * m_frequency / 10'000'000);
    }
    return !stopped();
}

void CPauseClock::WaitTicks(std::int64_t ticks) const {
    // The due time goes in 100-ns units, negative for "from now"; computed at the last
    // moment, it ends within microseconds of the counter's deadline.
    const std::int64_t units = ticks * 10'000'000 / m_frequency;
    if (m_timer) {
        LARGE_INTEGER due{};
        due.QuadPart = -(units > 0 ? units : 1);
        if (SetWaitableTimer(m_timer, &due, 0, nullptr, nullptr, FALSE)) {
            WaitForSingleObject(m_timer, INFINITE);
            return;
        }
    }
    Sleep(static_cast<DWORD>((units + 9'999) / 10'000));
}
