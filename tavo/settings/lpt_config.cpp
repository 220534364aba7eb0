#include "tavo/settings/lpt_config.h"

#include <algorithm>
#include <charconv>

namespace tavo {

std::string_view Trim(std::string_view s) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

namespace {

std::optional<std::uint32_t> ParseHex(std::string_view field) {
    field = Trim(field);
    if (field.size() > 2 && field[0] == '0' && (field[1] == 'x' || field[1] == 'X'))
        field.remove_prefix(2);
    std::uint32_t value = 0;
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, value, 16);
    if (field.empty() || ec != std::errc{} || ptr != end) return std::nullopt;
    return value;
}

} // namespace

std::optional<LptAddresses> ParseLptList(std::string_view text) {
    LptAddresses ports{};
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const auto comma = text.find(',');
        const bool last = i + 1 == ports.size();
        // The last field runs to the end; any further comma makes a fourth field.
        if (last != (comma == std::string_view::npos)) return std::nullopt;
        const auto value = ParseHex(text.substr(0, comma));
        if (!value) return std::nullopt;
        ports[i] = *value;
        if (!last) text.remove_prefix(comma + 1);
    }
    return ports;
}

int LptIndex(const LptAddresses& ports, std::uint32_t address) {
    if (address == 0) return -1;
    const auto it = std::find(ports.begin(), ports.end(), address);
    return it == ports.end() ? -1 : static_cast<int>(it - ports.begin());
}

std::string PortName(const LptAddresses& ports, std::uint32_t address) {
    char hex[16];
    const auto end = std::to_chars(std::begin(hex), std::end(hex), address, 16).ptr;
    std::string name(hex, end);
    name += 'h';
    const int lpt = LptIndex(ports, address);
    return lpt < 0 ? name : "LPT" + std::to_string(lpt + 1) + ' ' + name;
}

unsigned char CountPresent(const LptAddresses& ports) {
    return static_cast<unsigned char>(
        std::count_if(ports.begin(), ports.end(), [](std::uint32_t a) { return a != 0; }));
}

std::string LptListText(const LptAddresses& ports) {
    std::string text;
    for (const auto address : ports) {
        char digits[8];
        const auto end = std::to_chars(digits, digits + sizeof digits, address, 16).ptr;
        if (!text.empty()) text += ',';
        text.append(digits, end);
    }
    return text;
}

} // namespace tavo
