// DMX frames of the eight lines and the two network packets that carry them: an E1.31
// (streaming ACN) data packet and an Art-Net ArtDmx packet.
// Plain C++ without Windows headers.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "tavo/settings/settings.h"

namespace tavo {

using DmxFrame = std::array<std::uint8_t, kDmxSlots>;

// The lines of `value` on channels channel..channel+7 (1-based, D0 first): `level` for a
// line that is on, 0 for one that is off; every other channel 0. channel is 1..505.
DmxFrame LinesToFrame(std::uint8_t value, int channel, std::uint8_t level);

inline constexpr std::uint16_t kE131Port = 5568;
inline constexpr std::uint16_t kArtNetPort = 6454;
inline constexpr std::uint8_t kE131Priority = 100;
// "Автомат световых эффектов" in UTF-8.
inline constexpr std::string_view kE131SourceName =
    "\xD0\x90\xD0\xB2\xD1\x82\xD0\xBE\xD0\xBC\xD0\xB0\xD1\x82 "
    "\xD1\x81\xD0\xB2\xD0\xB5\xD1\x82\xD0\xBE\xD0\xB2\xD1\x8B\xD1\x85 "
    "\xD1\x8D\xD1\x84\xD1\x84\xD0\xB5\xD0\xBA\xD1\x82\xD0\xBE\xD0\xB2";

// The sender's component id: a version-4 UUID, kept for the installation.
using Cid = std::array<std::uint8_t, 16>;

// Turns 16 random bytes into a version-4 UUID.
Cid MakeCid(const Cid& random);

// One E1.31 data packet with all 512 slots (638 bytes). `terminated` sets the
// Stream_Terminated option, which tells receivers the source is gone.
std::vector<std::uint8_t> E131Packet(const Cid& cid, std::uint16_t universe, std::uint8_t sequence,
                                     const DmxFrame& frame, bool terminated);

// One ArtDmx packet with all 512 channels (530 bytes). portAddress is 15 bits; sequence
// 0 would switch the receiver's reordering off, so callers count 1..255.
std::vector<std::uint8_t> ArtDmxPacket(std::uint16_t portAddress, std::uint8_t sequence,
                                       const DmxFrame& frame);

} // namespace tavo
