// The serial back end's settings and the bytes a USB serial board reads: one byte a
// value, the relay modules' 4-byte frames, or DMX USB Pro packets.
// Plain C++ without Windows headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device_lines.h"
#include "settings.h"

namespace tavo {

enum class SerialProtocol { Byte, Lcus, Enttec };

struct SerialConfig {
    int port = 1; // COM1..COM256
    SerialProtocol protocol = SerialProtocol::Byte;
    std::uint32_t baud = 115200;
    int channel = 1; // enttec: the DMX channel of D0
    std::uint8_t level = 255;

    std::string PortName() const { return "COM" + std::to_string(port); }
    std::string Describe() const; // for the trace
};

// "COM1".."COM256", any case; nullopt for anything else.
std::optional<int> ParseComPort(std::string_view text);

// nullopt when serial_port is unset or a key is malformed; the settings' notes then say
// which.
std::optional<SerialConfig> ReadSerialConfig(CSettings& settings);

using Bytes = std::vector<std::uint8_t>;

// A relay module's frame: A0, relay 1..8, state, checksum.
Bytes LcusFrame(int relay, bool on);
// "Output Only Send DMX Packet": start code 0, then channels 1..max(24, channel + 7).
Bytes EnttecFrame(std::uint8_t value, int channel, std::uint8_t level);

// What to send for each new value, given what the board was last told.
class CSerialEncoder {
public:
    explicit CSerialEncoder(const SerialConfig& config) : m_config(config) {}

    // The bytes that show `value`; after Forget a relay module hears every line.
    Bytes Show(std::uint8_t value);
    // The keep-alive: the last value again (byte and enttec); nothing before the first Show.
    Bytes Repeat() const;
    void Forget() { m_lines.Forget(); }

private:
    // `lines`: those a relay module must hear about.
    Bytes Encode(std::uint8_t value, std::uint8_t lines) const;

    SerialConfig m_config;
    CLineChanges m_lines;
};

} // namespace tavo
