// One connection that has not yet proven itself: its hello read a piece at a time, as
// it arrives, so a silent or slow stranger holds nothing but its own slot.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "fd.h"
#include "log.h"
#include "wire_format.h"

namespace kivparport {

class CGreeting {
public:
    CGreeting(CFd fd, Clock::time_point deadline) : m_fd(std::move(fd)), m_deadline(deadline) {}

    enum class State { Reading, Complete, Failed };
    // Takes what has arrived without waiting. Failed leaves the reason in Why().
    State Read();

    // The hello once Complete.
    std::optional<kivwire::Hello> Hello() const { return kivwire::DecodeHello(m_bytes); }
    // True when the client closed or reset its end after its hello: it has given up
    // waiting for the answer, and honouring it would only flick the lines.
    bool ClientGone() const;

    int Fd() const { return m_fd.Get(); }
    CFd Take() { return std::move(m_fd); }
    Clock::time_point Deadline() const { return m_deadline; }
    const char* Why() const { return m_why; }

private:
    std::size_t Expected() const;

    CFd m_fd;
    Clock::time_point m_deadline;
    std::vector<std::uint8_t> m_bytes;
    const char* m_why = "";
};

} // namespace kivparport
