#include "tavo/settings/serial_config.h"

#include <algorithm>

#include "tavo/settings/ini_text.h"

namespace tavo {
namespace {

bool SameWord(std::string_view text, std::string_view lower) {
    return text.size() == lower.size() &&
           std::equal(text.begin(), text.end(), lower.begin(),
                      [](char a, char b) { return char(a | 0x20) == b; });
}

const char* ProtocolName(SerialProtocol protocol) {
    switch (protocol) {
    case SerialProtocol::Lcus:
        return "lcus";
    case SerialProtocol::Enttec:
        return "enttec";
    case SerialProtocol::Byte:
        break;
    }
    return "byte";
}

std::optional<SerialProtocol> ReadProtocol(CSettings& settings) {
    const auto& raw = settings.Raw("serial_protocol");
    if (!raw) return SerialProtocol::Byte;
    // Any case, as the window reads it and as serial_dtr is read.
    for (const auto protocol : {SerialProtocol::Byte, SerialProtocol::Lcus, SerialProtocol::Enttec})
        if (AsciiLower(raw->text) == ProtocolName(protocol)) return protocol;
    settings.Reject("serial_protocol", "not byte, lcus or enttec");
    return std::nullopt;
}

std::optional<SerialDtr> ReadDtr(CSettings& settings) {
    const auto& raw = settings.Raw("serial_dtr");
    if (!raw) return SerialDtr::Low;
    const auto dtr = ParseSerialDtr(raw->text);
    if (!dtr) settings.Reject("serial_dtr", "not low or high");
    return dtr;
}

// serial_board when it names a board chosen for serial_port; a value that does not parse,
// or one left from another port, counts as unset.
std::optional<BoardChoice> ReadBoard(CSettings& settings, int port) {
    const auto& raw = settings.Raw("serial_board");
    if (!raw) return std::nullopt;
    auto choice = ParseBoardChoice(raw->text);
    if (!choice) settings.Reject("serial_board", "not a board as the outputs window saves it");
    if (!choice || choice->port == port) return choice;
    settings.AddNote(raw->origin + ": serial_board was chosen on COM" +
                     std::to_string(choice->port) + ", serial_port is COM" + std::to_string(port) +
                     ": the port as set");
    return std::nullopt;
}

} // namespace

std::string SerialConfig::Describe() const {
    std::string text =
        PortName() + ", " + ProtocolName(protocol) + ", " + std::to_string(baud) + " baud";
    if (protocol == SerialProtocol::Enttec)
        text += ", channel " + std::to_string(channel) + ", level " + std::to_string(level);
    if (dtr == SerialDtr::High) text += ", DTR and RTS high";
    if (board) {
        const auto id = BoardIdText(board->board);
        text += ", board " + std::string(id.begin(), id.end());
    }
    return text;
}

std::optional<SerialDtr> ParseSerialDtr(std::string_view text) {
    if (SameWord(text, "low")) return SerialDtr::Low;
    if (SameWord(text, "high")) return SerialDtr::High;
    return std::nullopt;
}

std::optional<SerialConfig> ReadSerialConfig(CSettings& settings) {
    SerialConfig config;
    const auto& port = settings.Raw("serial_port");
    const auto number = port ? ParseComPort(port->text) : std::nullopt;
    if (port && !number) settings.Reject("serial_port", "not COM1 to COM256");
    const auto protocol = ReadProtocol(settings);
    const int baud = protocol == SerialProtocol::Lcus ? 9600 : 115200;
    const auto chosenBaud = settings.IntegerOr("serial_baud", 50, 4'000'000, baud);
    const auto channel = settings.IntegerOr("channel", 1, int(kDmxSlots) - 7, 1);
    const auto level = settings.IntegerOr("level", 0, 255, 255);
    const auto dtr = ReadDtr(settings);
    if (!number || !protocol || !chosenBaud || !channel || !level || !dtr) return std::nullopt;
    config.port = *number;
    config.protocol = *protocol;
    config.baud = std::uint32_t(*chosenBaud);
    config.channel = *channel;
    config.level = std::uint8_t(*level);
    config.dtr = *dtr;
    config.board = ReadBoard(settings, config.port);
    return config;
}

} // namespace tavo
