// Virtual LPT ports: the base addresses of LPT1..LPT3 and where they come from.
// Plain C++ without Windows headers, so it also builds and is tested natively.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tavo {

// Base I/O addresses of LPT1, LPT2, LPT3; 0 marks an absent port.
using LptAddresses = std::array<std::uint32_t, 3>;

inline constexpr LptAddresses kDefaultLpt{0x378, 0, 0};

// "378,0,3bc": exactly three hexadecimal addresses separated by commas. Blanks around a
// field and a 0x prefix are accepted. nullopt when the text is anything else.
std::optional<LptAddresses> ParseLptList(std::string_view text);

// tavo.ini holds one address line in the same form. Blank lines and comment lines
// (';' or '#' first) are skipped, as is a UTF-8 byte order mark; the first other line
// is the address line. nullopt when there is none or it is malformed.
std::optional<LptAddresses> ParseLptIni(std::string_view fileText);

// TAVO_LPT wins over tavo.ini, which wins over the default. A source that is present
// but malformed gives no ports at all rather than falling through: a typo must not
// quietly drive some other port.
LptAddresses ResolveLpt(std::optional<std::string_view> env,
                        std::optional<std::string_view> iniText);

// Number of present (non-zero) ports.
unsigned char CountPresent(const LptAddresses& ports);

} // namespace tavo
