#include "tavo/backends/net/dmx_packets.h"

#include <iterator>

namespace tavo {
namespace {

// Appends big-endian (network order) fields to a packet.
class CPacketWriter {
public:
    explicit CPacketWriter(std::size_t size) { m_bytes.reserve(size); }

    CPacketWriter& U8(std::uint8_t v) {
        m_bytes.push_back(v);
        return *this;
    }
    CPacketWriter& U16(std::uint16_t v) { return U8(std::uint8_t(v >> 8)).U8(std::uint8_t(v)); }
    CPacketWriter& U32(std::uint32_t v) {
        return U16(std::uint16_t(v >> 16)).U16(std::uint16_t(v));
    }
    template <typename Bytes> CPacketWriter& Append(const Bytes& bytes) {
        m_bytes.insert(m_bytes.end(), std::begin(bytes), std::end(bytes));
        return *this;
    }
    // `text` cut or padded with zeros to `size` bytes.
    CPacketWriter& Padded(std::string_view text, std::size_t size) {
        text = text.substr(0, size);
        Append(text);
        m_bytes.resize(m_bytes.size() + size - text.size());
        return *this;
    }
    // An ACN layer's flags (0x7) and length, counted from the layer's start to the end
    // of a packet of `total` bytes.
    CPacketWriter& FlagsAndLength(std::size_t total) {
        return U16(std::uint16_t(0x7000 | (total - m_bytes.size())));
    }
    std::vector<std::uint8_t> Take() { return std::move(m_bytes); }

private:
    std::vector<std::uint8_t> m_bytes;
};

constexpr std::uint8_t kAcnPacketId[12] = {'A', 'S', 'C', '-', 'E', '1', '.', '1', '7', 0, 0, 0};
constexpr std::uint32_t kVectorRootData = 0x00000004;
constexpr std::uint32_t kVectorFramingData = 0x00000002;
constexpr std::uint8_t kVectorDmpSetProperty = 0x02;
constexpr std::uint8_t kDmpAddressAndDataType = 0xA1;
constexpr std::uint8_t kOptionStreamTerminated = 0x40;
constexpr std::size_t kE131Size = 126 + kDmxSlots;

constexpr std::uint8_t kArtNetId[8] = {'A', 'r', 't', '-', 'N', 'e', 't', 0};
constexpr std::uint16_t kOpDmx = 0x5000;
constexpr std::uint16_t kArtNetVersion = 14;
constexpr std::size_t kArtDmxSize = 18 + kDmxSlots;

} // namespace

DmxFrame LinesToFrame(std::uint8_t value, int channel, std::uint8_t level) {
    DmxFrame frame{};
    for (int line = 0; line < 8; ++line)
        if (value >> line & 1) frame.at(std::size_t(channel - 1 + line)) = level;
    return frame;
}

Cid MakeCid(const Cid& random) {
    Cid cid = random;
    cid[6] = std::uint8_t(0x40 | (cid[6] & 0x0F)); // version 4
    cid[8] = std::uint8_t(0x80 | (cid[8] & 0x3F)); // variant 10
    return cid;
}

std::vector<std::uint8_t> E131Packet(const Cid& cid, std::uint16_t universe, std::uint8_t sequence,
                                     const DmxFrame& frame, bool terminated) {
    CPacketWriter out(kE131Size);
    // Root layer.
    out.U16(0x0010).U16(0x0000).Append(kAcnPacketId);
    out.FlagsAndLength(kE131Size).U32(kVectorRootData).Append(cid);
    // Framing layer: no synchronisation universe, no preview.
    out.FlagsAndLength(kE131Size).U32(kVectorFramingData).Padded(kE131SourceName, 64);
    out.U8(kE131Priority).U16(0).U8(sequence).U8(terminated ? kOptionStreamTerminated : 0);
    out.U16(universe);
    // DMP layer: start code 0, then the slots.
    out.FlagsAndLength(kE131Size).U8(kVectorDmpSetProperty).U8(kDmpAddressAndDataType);
    out.U16(0x0000).U16(0x0001).U16(std::uint16_t(1 + kDmxSlots)).U8(0x00).Append(frame);
    return out.Take();
}

std::vector<std::uint8_t> ArtDmxPacket(std::uint16_t portAddress, std::uint8_t sequence,
                                       const DmxFrame& frame) {
    CPacketWriter out(kArtDmxSize);
    out.Append(kArtNetId).U8(std::uint8_t(kOpDmx)).U8(std::uint8_t(kOpDmx >> 8)); // low first
    out.U16(kArtNetVersion).U8(sequence).U8(0 /* physical input */);
    out.U8(std::uint8_t(portAddress)).U8(std::uint8_t(portAddress >> 8 & 0x7F)); // SubUni, Net
    out.U16(std::uint16_t(kDmxSlots)).Append(frame);
    return out.Take();
}

} // namespace tavo
