#include "tavo/settings/settings.h"

#include <algorithm>
#include <charconv>

#include "tavo/settings/ini_text.h"

namespace tavo {
namespace {

std::optional<std::size_t> KeyIndex(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kSettingKeys); ++i)
        if (kSettingKeys[i].name == name) return i;
    return std::nullopt;
}

// A value for the notes: printable ASCII only, and not a whole file of it.
std::string Printable(std::string_view text) {
    std::string out;
    for (const char c : text.substr(0, 60))
        out += c >= 0x20 && c < 0x7F ? c : '?';
    if (text.size() > 60) out += "...";
    return out;
}

template <typename T> std::optional<T> ParseNumber(std::string_view text, int base = 10) {
    T value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc{} || ptr != end) return std::nullopt;
    return value;
}

constexpr std::pair<std::string_view, BackendKind> kNames[] = {
    {"auto", BackendKind::Auto},     {"virtual", BackendKind::Virtual},
    {"inpout", BackendKind::Inpout}, {"bridge", BackendKind::Bridge},
    {"e131", BackendKind::E131},     {"artnet", BackendKind::ArtNet},
    {"serial", BackendKind::Serial}, {"hidrelay", BackendKind::HidRelay},
};

std::optional<BackendKind> BackendByName(std::string_view name) {
    for (const auto& [text, kind] : kNames)
        if (name == text) return kind;
    return std::nullopt;
}

// auto is the port driver when there is one: listed with inpout it is the same output.
BackendKind SameOutput(BackendKind kind) {
    return kind == BackendKind::Auto ? BackendKind::Inpout : kind;
}

} // namespace

std::wstring WidenAscii(std::string_view text) {
    return {text.begin(), text.end()};
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

std::optional<int> ParseComPort(std::wstring_view text) {
    std::string narrow;
    for (const wchar_t c : text)
        narrow += c < 0x80 ? char(c) : '?';
    return ParseComPort(narrow);
}

std::wstring ComText(int port) {
    return L"COM" + std::to_wstring(port);
}

std::string_view BackendName(BackendKind kind) {
    for (const auto& [text, named] : kNames)
        if (named == kind) return text;
    return "?";
}

CSettings::CSettings(const EnvLookup& env, std::optional<std::string_view> iniText) {
    if (iniText) ReadIni(*iniText);
    for (std::size_t i = 0; i < std::size(kSettingKeys); ++i)
        if (auto value = env(kSettingKeys[i].env))
            m_values[i] = SettingValue{std::string(Trim(*value)), std::string(kSettingKeys[i].env)};
}

void CSettings::ReadIni(std::string_view text) {
    for (const auto& line : IniLines(text)) {
        const auto origin = "tavo.ini line " + std::to_string(line.number);
        const auto key = line.kind == IniLine::Kind::Address ? std::string("lpt") : line.key;
        if ((line.kind == IniLine::Kind::Address || line.kind == IniLine::Kind::Setting) &&
            KeyIndex(key)) {
            // The last line of a key counts: an earlier one, uncommented later, would not.
            if (const auto& earlier = Raw(key))
                m_notes.push_back(origin + ": " + key + " again; " + earlier->origin +
                                  " no longer counts");
            Set(key, std::string(line.value), origin);
        } else if (line.kind == IniLine::Kind::Setting || line.kind == IniLine::Kind::Other) {
            const auto content = Trim(text.substr(line.begin, line.end - line.begin));
            m_notes.push_back(origin + ": ignored: " + Printable(content));
        }
    }
}

void CSettings::Set(std::string_view key, std::string value, std::string origin) {
    m_values[*KeyIndex(key)] = SettingValue{std::move(value), std::move(origin)};
}

const std::optional<SettingValue>& CSettings::Raw(std::string_view key) const {
    return m_values.at(KeyIndex(key).value());
}

void CSettings::Reject(std::string_view key, std::string_view why) {
    m_rejections.push_back({std::string(key), std::string(why)});
    const auto& raw = Raw(key);
    m_notes.push_back((raw ? raw->origin : std::string("default")) + ": " + std::string(key) +
                      " = " + Printable(raw ? raw->text : "") + ": " + std::string(why));
}

std::optional<LptAddresses> CSettings::Lpt() {
    const auto& raw = Raw("lpt");
    if (!raw) return std::nullopt;
    if (auto ports = ParseLptList(raw->text)) return ports;
    Reject("lpt", "ignored: not three hexadecimal addresses");
    return std::nullopt;
}

std::vector<BackendKind> CSettings::Backends() {
    const auto& raw = Raw("backend");
    if (!raw) return {BackendKind::Auto};
    std::vector<BackendKind> kinds;
    const bool list = raw->text.find(',') != std::string::npos;
    for (std::string_view rest = raw->text;;) {
        const auto comma = rest.find(',');
        const auto name = AsciiLower(Trim(rest.substr(0, comma)));
        const auto quoted = list ? Printable(name).insert(0, 1, '"').append("\" ") : std::string();
        const auto kind = BackendByName(name);
        if (!kind)
            Reject(
                "backend",
                quoted +
                    "ignored: not auto, virtual, inpout, bridge, e131, artnet, serial or hidrelay");
        else if (std::ranges::find(kinds, SameOutput(*kind), SameOutput) != kinds.end())
            Reject("backend", quoted + "repeats an output: ignored");
        else
            kinds.push_back(*kind);
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    // The virtual ports drive nothing: beside real outputs they would only hide them.
    if (kinds.size() > 1 && std::erase(kinds, BackendKind::Virtual) > 0)
        Reject("backend", "\"virtual\" ignored beside other outputs (lamps = 1 shows the panel)");
    if (kinds.empty()) kinds.push_back(BackendKind::Auto);
    return kinds;
}

std::optional<bool> CSettings::Lamps() {
    const auto& raw = Raw("lamps");
    if (!raw) return std::nullopt;
    if (raw->text == "0" || raw->text == "1") return raw->text == "1";
    Reject("lamps", "ignored: not 0 or 1");
    return std::nullopt;
}

std::optional<std::int64_t> CSettings::Integer(std::string_view key, std::int64_t low,
                                               std::int64_t high) {
    const auto& raw = Raw(key);
    if (!raw) return std::nullopt;
    const std::string_view text = raw->text;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const auto value = ParseNumber<std::int64_t>(hex ? text.substr(2) : text, hex ? 16 : 10);
    if (value && *value >= low && *value <= high) return value;
    Reject(key, "not a number from " + std::to_string(low) + " to " + std::to_string(high));
    return std::nullopt;
}

std::optional<int> CSettings::IntegerOr(std::string_view key, int low, int high, int fallback) {
    if (!Raw(key)) return fallback;
    const auto value = Integer(key, low, high);
    return value ? std::optional<int>(int(*value)) : std::nullopt;
}

std::optional<Ipv4Endpoint> ParseIpv4Endpoint(std::string_view text) {
    Ipv4Endpoint endpoint;
    const auto colon = text.find(':');
    if (colon != std::string_view::npos) {
        const auto port = ParseNumber<std::uint16_t>(text.substr(colon + 1));
        if (!port || *port == 0) return std::nullopt;
        endpoint.port = port;
        text = text.substr(0, colon);
    }
    for (int i = 0; i < 4; ++i) {
        const auto dot = text.find('.');
        if ((i == 3) != (dot == std::string_view::npos)) return std::nullopt;
        const auto part = text.substr(0, dot);
        const auto byte = part.size() <= 3 ? ParseNumber<std::uint8_t>(part) : std::nullopt;
        if (!byte) return std::nullopt;
        endpoint.address = endpoint.address << 8 | *byte;
        text.remove_prefix(i == 3 ? text.size() : dot + 1);
    }
    return endpoint;
}

} // namespace tavo
