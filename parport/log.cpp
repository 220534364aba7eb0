#include "log.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "fd.h"

namespace kivparport {
namespace {

// Standard error opened afresh, non-blocking: a file description of our own, so the
// flag does not change the terminal or pipe the launcher shares with us. A socket
// cannot be reopened; then a write goes only where poll promises room.
class CStderr {
public:
    CStderr()
        : m_own(open("/proc/self/fd/2", O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {}

    void Write(const std::string& line) {
        if (m_own.IsOpen()) {
            (void)!write(m_own.Get(), line.data(), line.size());
            return;
        }
        pollfd room{STDERR_FILENO, POLLOUT, 0};
        if (poll(&room, 1, 0) == 1 && room.revents == POLLOUT)
            (void)!write(STDERR_FILENO, line.data(), line.size());
    }

private:
    CFd m_own;
};

} // namespace

void LogLine(const std::string& text) {
    static CStderr stderrOut;
    stderrOut.Write("kiv-parport: " + text + "\n");
}

void CRefusalLog::Count(const char* why, Clock::time_point now) {
    ++m_count;
    m_lastWhy = why;
    if (now >= m_next) Flush(now);
}

std::optional<Clock::time_point> CRefusalLog::Due() const {
    if (m_count == 0) return std::nullopt;
    return m_next;
}

void CRefusalLog::Flush(Clock::time_point now) {
    if (m_count == 1)
        LogLine(std::string("refused a client: ") + m_lastWhy);
    else if (m_count > 1)
        LogLine("refused " + std::to_string(m_count) + " clients, the last: " + m_lastWhy);
    m_count = 0;
    m_next = now + std::chrono::seconds(1);
}

} // namespace kivparport
