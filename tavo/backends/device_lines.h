// Which lines a relay board must be told about: every line first, then only those that
// changed, and in which order. Plain C++ without Windows headers.
#pragma once

#include <cstdint>
#include <optional>

namespace tavo {

class CLineChanges {
public:
    // The lines to send for `value` (a bit each, D0 first); remembers `value` as shown, so
    // a write that does not complete must be followed by Forget.
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

// Calls switchLine(line, on) for each of `lines` below `count`: every line going off before
// any going on (break before make), so two relays never close together on the way.
template <typename SwitchLine>
void ForEachSwitch(std::uint8_t lines, std::uint8_t value, int count, SwitchLine switchLine) {
    for (const bool on : {false, true})
        for (int line = 0; line < count; ++line)
            if ((lines >> line & 1) && bool(value >> line & 1) == on) switchLine(line, on);
}

} // namespace tavo
