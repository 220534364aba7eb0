#include "app/windows_clock.h"

namespace {
// 100-ns ticks from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochTicks = 116444736000000000LL;
constexpr std::int64_t kTicksPerSecond = 10000000LL;

std::int64_t TicksOf(const FILETIME& ft) {
    return (static_cast<std::int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME FileTimeOf(std::int64_t ticks) {
    return {static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
}
} // namespace

void CWindowsZone::Refresh() {
    m_known = GetTimeZoneInformation(&m_zone) != TIME_ZONE_ID_INVALID;
}

int CWindowsZone::OffsetAt(schedule::Instant t) const {
    const FILETIME utc = FileTimeOf(t * kTicksPerSecond + kEpochTicks);
    SYSTEMTIME utcTime, localTime;
    FILETIME local;
    if (!m_known || !FileTimeToSystemTime(&utc, &utcTime) ||
        !SystemTimeToTzSpecificLocalTime(&m_zone, &utcTime, &localTime) ||
        !SystemTimeToFileTime(&localTime, &local))
        return 0;
    return static_cast<int>((TicksOf(local) - TicksOf(utc)) / kTicksPerSecond);
}

schedule::Instant NowInstant(int nudgeMs) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (TicksOf(now) - kEpochTicks + nudgeMs * 10000LL) / kTicksPerSecond;
}

LARGE_INTEGER DueTimeOf(schedule::Instant t) {
    LARGE_INTEGER due;
    due.QuadPart = t * kTicksPerSecond + kEpochTicks;
    return due;
}
