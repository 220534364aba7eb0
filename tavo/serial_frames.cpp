#include "serial_frames.h"

#include <algorithm>

#include "dmx_packets.h"

namespace tavo {
namespace {

constexpr std::uint8_t kLcusStart = 0xA0;
constexpr std::uint8_t kEnttecStart = 0x7E, kEnttecEnd = 0xE7, kEnttecSendDmx = 6;
constexpr int kEnttecMinChannels = 24;

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
    for (const auto protocol : {SerialProtocol::Byte, SerialProtocol::Lcus, SerialProtocol::Enttec})
        if (raw->text == ProtocolName(protocol)) return protocol;
    settings.Reject("serial_protocol", "not byte, lcus or enttec");
    return std::nullopt;
}

} // namespace

std::string SerialConfig::Describe() const {
    std::string text =
        PortName() + ", " + ProtocolName(protocol) + ", " + std::to_string(baud) + " baud";
    if (protocol == SerialProtocol::Enttec)
        text += ", channel " + std::to_string(channel) + ", level " + std::to_string(level);
    return text;
}

std::optional<int> ParseComPort(std::string_view text) {
    if (text.size() < 4 || text.size() > 6) return std::nullopt;
    for (std::size_t i = 0; i < 3; ++i)
        if ((text[i] | 0x20) != "com"[i]) return std::nullopt;
    int number = 0;
    for (const char c : text.substr(3)) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + (c - '0');
    }
    if (text[3] == '0' || number > 256) return std::nullopt;
    return number;
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
    if (!number || !protocol || !chosenBaud || !channel || !level) return std::nullopt;
    config.port = *number;
    config.protocol = *protocol;
    config.baud = std::uint32_t(*chosenBaud);
    config.channel = *channel;
    config.level = std::uint8_t(*level);
    return config;
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
    return Encode(value, m_lines.Take(value));
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
    for (int line = 0; line < 8; ++line)
        if (lines >> line & 1) {
            const auto frame = LcusFrame(line + 1, value >> line & 1);
            frames.insert(frames.end(), frame.begin(), frame.end());
        }
    return frames;
}

} // namespace tavo
