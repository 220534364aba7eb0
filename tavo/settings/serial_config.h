// The serial back end's settings: the COM port (or the board chosen for it), the protocol,
// the baud rate, the DMX channel and level, DTR and RTS.
// Plain C++ without Windows headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tavo/settings/board_choice.h"
#include "tavo/settings/settings.h"

namespace tavo {

enum class SerialProtocol { Byte, Lcus, Enttec };
// DTR and RTS while the port is open (serial_dtr): both held low, or both raised.
enum class SerialDtr { Low, High };

struct SerialConfig {
    int port = 1; // COM1..COM256
    SerialProtocol protocol = SerialProtocol::Byte;
    std::uint32_t baud = 115200;
    int channel = 1; // enttec: the DMX channel of D0
    std::uint8_t level = 255;
    SerialDtr dtr = SerialDtr::Low;
    // The board chosen for the port (serial_board), looked for by what it is.
    std::optional<BoardChoice> board = std::nullopt;

    std::string PortName() const { return "COM" + std::to_string(port); }
    std::string Describe() const; // for the trace
};

// "low" or "high", any case; nullopt for anything else.
std::optional<SerialDtr> ParseSerialDtr(std::string_view text);

// nullopt when serial_port is unset or a key is malformed; the settings' notes then say
// which.
std::optional<SerialConfig> ReadSerialConfig(CSettings& settings);

} // namespace tavo
