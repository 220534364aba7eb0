// The network lighting settings, and the DMX streams of the open ports: which universe
// and target each port sends to, the last frame to repeat, the sequence numbers.
// Plain C++ without Windows headers.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tavo/backends/net/dmx_packets.h"
#include "tavo/settings/settings.h"

namespace tavo {

struct NetConfig {
    bool e131 = true;                     // else Art-Net
    std::optional<std::uint32_t> address; // net_target; nullopt: the protocol's default
    std::uint16_t port = kE131Port;
    int universe = 1; // of LPT1 and of any other address; LPT2, LPT3 take the next ones
    int channel = 1;  // of D0
    std::uint8_t level = 255;

    int MaxUniverse() const { return e131 ? 63999 : 32767; }
    std::string Describe() const; // for the trace
};

// The settings for `kind` (E131 or ArtNet); nullopt when one of them is malformed or out
// of range, which the settings' notes then name.
std::optional<NetConfig> ReadNetConfig(BackendKind kind, CSettings& settings);

// One datagram to send; the address in host order.
struct Datagram {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    std::vector<std::uint8_t> bytes;
};

class CDmxStreams {
public:
    CDmxStreams(NetConfig config, Cid cid) : m_config(std::move(config)), m_cid(cid) {}

    // The universe of LPT index `lpt` (0..2, -1 for an address that is none of them);
    // nullopt past the protocol's last universe.
    std::optional<int> UniverseOf(int lpt) const;

    enum class OpenResult { Opened, PastLastUniverse, UniverseInUse };
    // A port that is not Opened sends nothing. One universe has one open port: two
    // would interleave their frames under one source, and closing either would end the
    // stream of both.
    OpenResult Open(std::uint32_t handle, int lpt);
    // The frame of `value`; nothing for a handle that is not open.
    std::vector<Datagram> Write(std::uint32_t handle, std::uint8_t value);
    // The last frame again and, for E1.31, three packets that end the stream.
    std::vector<Datagram> Close(std::uint32_t handle);
    // The last frame of every open port that has written one.
    std::vector<Datagram> Repeat();

    bool Empty() const { return m_ports.empty(); }

private:
    struct Stream {
        int universe = 0;
        std::optional<DmxFrame> frame;
    };
    Datagram Packet(int universe, const DmxFrame& frame, bool terminated);

    const NetConfig m_config;
    const Cid m_cid;
    std::map<std::uint32_t, Stream> m_ports;    // by handle
    std::map<int, std::uint8_t> m_lastSequence; // by universe, shared by its ports
};

} // namespace tavo
