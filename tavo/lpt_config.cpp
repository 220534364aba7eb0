#include "lpt_config.h"

#include <algorithm>
#include <charconv>

namespace tavo {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

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

std::optional<LptAddresses> ParseLptIni(std::string_view fileText) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (fileText.starts_with(kBom)) fileText.remove_prefix(kBom.size());
    while (!fileText.empty()) {
        const auto eol = fileText.find('\n');
        const auto line = Trim(fileText.substr(0, eol));
        fileText.remove_prefix(eol == std::string_view::npos ? fileText.size() : eol + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        return ParseLptList(line);
    }
    return std::nullopt;
}

LptAddresses ResolveLpt(std::optional<std::string_view> env,
                        std::optional<std::string_view> iniText) {
    const auto parsed = env ? ParseLptList(*env) : iniText ? ParseLptIni(*iniText) : kDefaultLpt;
    return parsed.value_or(LptAddresses{});
}

unsigned char CountPresent(const LptAddresses& ports) {
    return static_cast<unsigned char>(
        std::count_if(ports.begin(), ports.end(), [](std::uint32_t a) { return a != 0; }));
}

} // namespace tavo
