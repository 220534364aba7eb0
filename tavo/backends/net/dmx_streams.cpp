#include "tavo/backends/net/dmx_streams.h"

namespace tavo {
namespace {

std::string DottedQuad(std::uint32_t address) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text += std::to_string(address >> shift & 0xFF) + (shift ? "." : "");
    return text;
}

} // namespace

std::string NetConfig::Describe() const {
    const auto target =
        address ? DottedQuad(*address) : std::string(e131 ? "239.255.<universe>" : "broadcast");
    return std::string(e131 ? "e131" : "artnet") + " to " + target + ":" + std::to_string(port) +
           ", universe " + std::to_string(universe) + ", channel " + std::to_string(channel) +
           ", level " + std::to_string(level);
}

std::optional<NetConfig> ReadNetConfig(BackendKind kind, CSettings& settings) {
    NetConfig config;
    config.e131 = kind == BackendKind::E131;
    config.port = config.e131 ? kE131Port : kArtNetPort;
    bool good = true;
    if (const auto& raw = settings.Raw("net_target")) {
        const auto target = ParseIpv4Endpoint(raw->text);
        if (target) {
            config.address = target->address;
            config.port = target->port.value_or(config.port);
        } else {
            settings.Reject("net_target", "not an IPv4 address a.b.c.d or a.b.c.d:port");
            good = false;
        }
    }
    const auto universe =
        settings.IntegerOr("universe", config.e131 ? 1 : 0, config.MaxUniverse(), 1);
    const auto channel = settings.IntegerOr("channel", 1, int(kDmxSlots) - 7, 1);
    const auto level = settings.IntegerOr("level", 0, 255, 255);
    if (!good || !universe || !channel || !level) return std::nullopt;
    config.universe = *universe;
    config.channel = *channel;
    config.level = std::uint8_t(*level);
    return config;
}

std::optional<int> CDmxStreams::UniverseOf(int lpt) const {
    const int universe = m_config.universe + (lpt > 0 ? lpt : 0);
    if (universe > m_config.MaxUniverse()) return std::nullopt;
    return universe;
}

CDmxStreams::OpenResult CDmxStreams::Open(std::uint32_t handle, int lpt) {
    const auto universe = UniverseOf(lpt);
    if (!universe) return OpenResult::PastLastUniverse;
    for (const auto& [other, stream] : m_ports)
        if (other != handle && stream.universe == *universe) return OpenResult::UniverseInUse;
    m_ports[handle] = Stream{*universe, std::nullopt};
    return OpenResult::Opened;
}

std::vector<Datagram> CDmxStreams::Write(std::uint32_t handle, std::uint8_t value) {
    const auto port = m_ports.find(handle);
    if (port == m_ports.end()) return {};
    auto& stream = port->second;
    stream.frame = LinesToFrame(value, m_config.channel, m_config.level);
    return {Packet(stream.universe, *stream.frame, false)};
}

std::vector<Datagram> CDmxStreams::Close(std::uint32_t handle) {
    const auto port = m_ports.find(handle);
    if (port == m_ports.end()) return {};
    const auto [universe, frame] = port->second;
    m_ports.erase(port);
    const auto last = frame.value_or(DmxFrame{});
    std::vector<Datagram> out{Packet(universe, last, false)};
    // Receivers may miss one datagram: the end of the stream goes out three times.
    if (m_config.e131)
        for (int i = 0; i < 3; ++i)
            out.push_back(Packet(universe, last, true));
    return out;
}

std::vector<Datagram> CDmxStreams::Repeat() {
    std::vector<Datagram> out;
    for (const auto& [handle, stream] : m_ports)
        if (stream.frame) out.push_back(Packet(stream.universe, *stream.frame, false));
    return out;
}

Datagram CDmxStreams::Packet(int universe, const DmxFrame& frame, bool terminated) {
    auto& sequence = m_lastSequence[universe];
    const auto u = std::uint16_t(universe);
    Datagram out;
    out.port = m_config.port;
    if (m_config.e131) {
        ++sequence;
        out.bytes = E131Packet(m_cid, u, sequence, frame, terminated);
        out.address = m_config.address.value_or(0xEFFF0000u | u); // 239.255.hi.lo
    } else {
        sequence = std::uint8_t(sequence % 255 + 1); // 0 means "no sequence" to Art-Net
        out.bytes = ArtDmxPacket(u, sequence, frame);
        out.address = m_config.address.value_or(0xFFFFFFFFu);
    }
    return out;
}

} // namespace tavo
