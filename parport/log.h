// The helper's standard error, written so that it can never hold up the loop: a reader
// that does not read (a pipe nobody drains) costs lines, never the lines' final 0.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace kivparport {

using Clock = std::chrono::steady_clock;

// Writes "kiv-parport: <text>" and a newline at once, or drops it when it would wait.
void LogLine(const std::string& text);

// Refused strangers, summed up in at most one line a second: a flood of them cannot
// turn into a flood of writes.
class CRefusalLog {
public:
    void Count(const char* why, Clock::time_point now);
    // When the counted refusals are due to be written; nullopt with none counted.
    std::optional<Clock::time_point> Due() const;
    void Flush(Clock::time_point now);

private:
    unsigned m_count = 0;
    const char* m_lastWhy = "";
    Clock::time_point m_next{};
};

} // namespace kivparport
