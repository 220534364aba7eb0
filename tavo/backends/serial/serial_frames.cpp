#include "tavo/backends/serial/serial_frames.h"

#include <algorithm>
#include <utility>

#include "tavo/backends/net/dmx_packets.h"
#include "tavo/settings/ini_text.h"

namespace tavo {
namespace {

constexpr std::uint8_t kLcusStart = 0xA0;
constexpr std::uint8_t kEnttecStart = 0x7E, kEnttecEnd = 0xE7, kEnttecSendDmx = 6;
constexpr int kEnttecMinChannels = 24;
constexpr std::size_t kLcusFrameBytes = 4;
// Beyond the time on the wire: the driver's and the adapter's own delays.
constexpr std::uint32_t kWriteSlackMs = 200;
constexpr std::uint32_t kBitsPerByte = 10; // 8N1 with its start bit

bool SameWord(std::string_view text, std::string_view lower) {
    return text.size() == lower.size() &&
           std::equal(text.begin(), text.end(), lower.begin(),
                      [](char a, char b) { return char(a | 0x20) == b; });
}

// The bytes of one frame: a write cut short leaves part of one.
std::size_t FrameBytes(const SerialConfig& config) {
    switch (config.protocol) {
    case SerialProtocol::Lcus:
        return kLcusFrameBytes;
    case SerialProtocol::Enttec:
        return EnttecFrame(0, config.channel, config.level).size();
    case SerialProtocol::Byte:
        break;
    }
    return 1;
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

std::uint32_t WriteTimeoutMs(const SerialConfig& config) {
    // Every relay at once, or one frame, after the zeros owed to a cut one.
    const std::size_t frame = FrameBytes(config);
    const std::size_t frames = config.protocol == SerialProtocol::Lcus ? 8 : 1;
    const std::uint64_t bits = (frames * frame + frame - 1) * kBitsPerByte;
    return kWriteSlackMs + std::uint32_t((bits * 1000 + config.baud - 1) / config.baud);
}

Bytes LcusFrame(int relay, bool on) {
    const auto number = std::uint8_t(relay), state = std::uint8_t(on);
    return {kLcusStart, number, state, std::uint8_t(kLcusStart + number + state)};
}

Bytes EnttecFrame(std::uint8_t value, int channel, std::uint8_t level) {
    const auto dmx = LinesToFrame(value, channel, level);
    const int channels = std::max(kEnttecMinChannels, channel + 7);
    const int length = channels + 1; // with the start code
    Bytes frame(4 + std::size_t(length) + 1);
    frame[0] = kEnttecStart;
    frame[1] = kEnttecSendDmx;
    frame[2] = std::uint8_t(length & 0xFF);
    frame[3] = std::uint8_t(length >> 8);
    std::copy(dmx.begin(), dmx.begin() + channels, frame.begin() + 5); // after start code 0
    frame.back() = kEnttecEnd;
    return frame;
}

Bytes CSerialEncoder::Show(std::uint8_t value) {
    Bytes bytes(std::exchange(m_pad, 0), 0);
    const auto frames = Encode(value, m_lines.Take(value));
    bytes.insert(bytes.end(), frames.begin(), frames.end());
    return bytes;
}

void CSerialEncoder::Cut(std::size_t written) {
    const std::size_t frame = FrameBytes(m_config);
    m_pad = (frame - written % frame) % frame;
}

Bytes CSerialEncoder::Repeat() const {
    const auto& shown = m_lines.Shown();
    if (!shown || m_config.protocol == SerialProtocol::Lcus) return {};
    return Encode(*shown, 0);
}

Bytes CSerialEncoder::Encode(std::uint8_t value, std::uint8_t lines) const {
    switch (m_config.protocol) {
    case SerialProtocol::Byte:
        return {value};
    case SerialProtocol::Enttec:
        return EnttecFrame(value, m_config.channel, m_config.level);
    case SerialProtocol::Lcus:
        break;
    }
    Bytes frames;
    ForEachSwitch(lines, value, 8, [&](int line, bool on) {
        const auto frame = LcusFrame(line + 1, on);
        frames.insert(frames.end(), frame.begin(), frame.end());
    });
    return frames;
}

} // namespace tavo
