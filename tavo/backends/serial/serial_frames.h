// The bytes a USB serial board reads: one byte a value, the relay modules' 4-byte frames,
// or DMX USB Pro packets; the settings that choose them are in settings/serial_config.h.
// Plain C++ without Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tavo/backends/device_lines.h"
#include "tavo/settings/serial_config.h"

namespace tavo {

// The driver's bound on one write: 200 ms more than the longest write takes on the wire.
std::uint32_t WriteTimeoutMs(const SerialConfig& config);

using Bytes = std::vector<std::uint8_t>;

// A relay module's frame: A0, relay 1..8, state, checksum.
Bytes LcusFrame(int relay, bool on);
// "Output Only Send DMX Packet": start code 0, then channels 1..max(24, channel + 7).
Bytes EnttecFrame(std::uint8_t value, int channel, std::uint8_t level);

// What to send for each new value, given what the board was last told.
class CSerialEncoder {
public:
    explicit CSerialEncoder(const SerialConfig& config) : m_config(config) {}

    // The bytes that show `value`; after Forget a relay module hears every line. Lines
    // going off come first.
    Bytes Show(std::uint8_t value);
    // The keep-alive: the last value again (byte and enttec); nothing before the first Show.
    Bytes Repeat() const;
    void Forget() { m_lines.Forget(); }
    // The last bytes stopped after `written` of them: the next Show first completes the
    // frame they cut with zeros, which no board takes for a frame (a relay frame's sum, a
    // DMX packet's end byte), so its reader meets the next frame at its start.
    void Cut(std::size_t written);

private:
    // `lines`: those a relay module must hear about.
    Bytes Encode(std::uint8_t value, std::uint8_t lines) const;

    SerialConfig m_config;
    CLineChanges m_lines;
    std::size_t m_pad = 0; // zeros owed to a cut frame
};

} // namespace tavo
