// Which lines a relay board must be told about: every line first, then only those that
// changed. Plain C++ without Windows headers.
#pragma once

#include <cstdint>
#include <optional>

namespace tavo {

class CLineChanges {
public:
    // The lines to send for `value` (a bit each, D0 first); remembers `value` as shown.
    std::uint8_t Take(std::uint8_t value) {
        const std::uint8_t lines = m_shown ? std::uint8_t(*m_shown ^ value) : 0xFF;
        m_shown = value;
        return lines;
    }
    // The board's state is unknown again: the next Take sends every line.
    void Forget() { m_shown.reset(); }
    const std::optional<std::uint8_t>& Shown() const { return m_shown; }

private:
    std::optional<std::uint8_t> m_shown;
};

} // namespace tavo
