#include "tavo/backends/serial/serial_frames.h"

#include <algorithm>
#include <utility>

#include "tavo/backends/net/dmx_packets.h"

namespace tavo {
namespace {

constexpr std::uint8_t kLcusStart = 0xA0;
constexpr std::uint8_t kEnttecStart = 0x7E, kEnttecEnd = 0xE7, kEnttecSendDmx = 6;
constexpr int kEnttecMinChannels = 24;
constexpr std::size_t kLcusFrameBytes = 4;
// Beyond the time on the wire: the driver's and the adapter's own delays.
constexpr std::uint32_t kWriteSlackMs = 200;
constexpr std::uint32_t kBitsPerByte = 10; // 8N1 with its start bit

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

} // namespace

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
