#include "tavo/settings/trace_log.h"

#include "tavo/settings/trace_format.h"

namespace tavo {
namespace {

std::uint64_t Counter() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<std::uint64_t>(now.QuadPart);
}

} // namespace

CTraceLog::CTraceLog(const std::wstring& path) {
    // Append-only access makes every write land at the current end, even when
    // another process appends to the same file.
    m_file = AdoptFile(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void CTraceLog::Write(std::string_view line) const {
    if (!m_file) return;
    const std::lock_guard lock(m_mutex);
    DWORD written = 0;
    WriteFile(m_file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

CClock::CClock() : m_start(Counter()) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    m_frequency = static_cast<std::uint64_t>(frequency.QuadPart);
}

std::uint64_t CClock::Micros() const {
    return MicrosBetween(m_start, Counter(), m_frequency);
}

} // namespace tavo
