// The base addresses of LPT1..LPT3 and their text form.
// Plain C++ without Windows headers, so it also builds and is tested natively.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavo {

// Base I/O addresses of LPT1, LPT2, LPT3; 0 marks an absent port.
using LptAddresses = std::array<std::uint32_t, 3>;

inline constexpr LptAddresses kDefaultLpt{0x378, 0, 0};

// "378,0,3bc": exactly three hexadecimal addresses separated by commas. Blanks around a
// field and a 0x prefix are accepted. nullopt when the text is anything else.
std::optional<LptAddresses> ParseLptList(std::string_view text);

// "378,0,d100": the form ParseLptList takes back.
std::string LptListText(const LptAddresses& ports);

// Blanks (space, tab, CR, LF) cut from both ends.
std::string_view Trim(std::string_view s);

// The port as the program names it: "LPT1 378h" for the configured LPT1's address,
// the address alone ("d100h") for any other.
std::string PortName(const LptAddresses& ports, std::uint32_t address);

// 0..2 for the first of LPT1..LPT3 at `address`, -1 for none.
int LptIndex(const LptAddresses& ports, std::uint32_t address);

// Number of present (non-zero) ports.
unsigned char CountPresent(const LptAddresses& ports);

} // namespace tavo
