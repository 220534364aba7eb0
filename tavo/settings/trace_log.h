// Appends trace lines to a file, each with one unbuffered write so that a reader in
// another process sees it at once.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "tavo/settings/file_handle.h"

namespace tavo {

class CTraceLog {
public:
    CTraceLog() = default; // off
    // Opens (or creates) the file for appending; stays off when it cannot be opened.
    explicit CTraceLog(const std::wstring& path);

    bool IsOn() const { return m_file != nullptr; }
    void Write(std::string_view line) const;

private:
    CFileHandle m_file;
    // Wine appends with a size query and a write at that offset, so two threads appending
    // at once can write over each other's line; one write at a time keeps lines whole.
    mutable std::mutex m_mutex;
};

// Microseconds since construction, from the performance counter.
class CClock {
public:
    CClock();
    std::uint64_t Micros() const;

private:
    std::uint64_t m_start = 0;
    std::uint64_t m_frequency = 0;
};

} // namespace tavo
