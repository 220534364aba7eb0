// The library's settings: every key of tavo.ini and its environment twin.
// Plain C++ without Windows headers, so it also builds natively for sanitizers and fuzzing.
//
// tavo.ini: lines of `name = value`, `;` or `#` comments, blank lines; a line without '='
// is the address line (the same as `lpt = ...`), so a file holding only "378,0,0" still
// works. An environment variable TAVO_<NAME> wins over the file. A malformed line, an
// unknown key or a value that does not parse is ignored and named in the notes, which go
// to the trace; nothing here ever stops the library.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tavo/settings/lpt_config.h"

namespace tavo {

enum class BackendKind { Auto, Virtual, Inpout, Bridge, E131, ArtNet, Serial, HidRelay };

// One key: its tavo.ini name and its environment twin.
struct SettingKey {
    std::string_view name; // "backend"
    std::string_view env;  // "TAVO_BACKEND"
};

// Every key, in the order the README and the sample tavo.ini list them.
inline constexpr SettingKey kSettingKeys[] = {
    {"lpt", "TAVO_LPT"},
    {"backend", "TAVO_BACKEND"},
    {"lamps", "TAVO_LAMPS"},
    {"bridge", "TAVO_BRIDGE"},
    {"net_target", "TAVO_NET_TARGET"},
    {"universe", "TAVO_UNIVERSE"},
    {"channel", "TAVO_CHANNEL"},
    {"level", "TAVO_LEVEL"},
    {"serial_port", "TAVO_SERIAL_PORT"},
    {"serial_protocol", "TAVO_SERIAL_PROTOCOL"},
    {"serial_baud", "TAVO_SERIAL_BAUD"},
    {"serial_dtr", "TAVO_SERIAL_DTR"},
    {"serial_board", "TAVO_SERIAL_BOARD"},
    {"hid_serial", "TAVO_HID_SERIAL"},
};

// A raw value and where it came from ("TAVO_UNIVERSE" or "tavo.ini line 4"), so a note
// about a bad value can say where to mend it.
struct SettingValue {
    std::string text;
    std::string origin;
    bool operator==(const SettingValue&) const = default;
};

class CSettings {
public:
    // Looks a variable up in the environment; nullopt when it is not set.
    using EnvLookup = std::function<std::optional<std::string>(std::string_view name)>;

    CSettings() = default;
    // `iniText`: the contents of tavo.ini, nullopt when there is no such file.
    CSettings(const EnvLookup& env, std::optional<std::string_view> iniText);

    // The same values from the same places, and the same notes: as read, nothing changed.
    bool operator==(const CSettings&) const = default;

    // The raw value of a key (environment first), nullopt when neither source sets it.
    const std::optional<SettingValue>& Raw(std::string_view key) const;

    // Typed values. A value that does not parse adds a note and counts as unset.
    std::optional<LptAddresses> Lpt();
    // `backend`: one name or a comma list, in order, each output once; never empty.
    std::vector<BackendKind> Backends();
    std::optional<bool> Lamps();
    // An integer in [low, high]; decimal, or hexadecimal with 0x.
    std::optional<std::int64_t> Integer(std::string_view key, std::int64_t low, std::int64_t high);
    // The same, with `fallback` when the key is unset; nullopt only for a bad value.
    std::optional<int> IntegerOr(std::string_view key, int low, int high, int fallback);

    // Adds "<origin>: <key> = <value>: <why>" to the notes.
    void Reject(std::string_view key, std::string_view why);

    // The keys refused so far, for the window's fields.
    struct Rejection {
        std::string key;
        std::string why;
        bool operator==(const Rejection&) const = default;
    };
    const std::vector<Rejection>& Rejections() const { return m_rejections; }

    const std::vector<std::string>& Notes() const { return m_notes; }
    // The notes so far, each handed out once.
    std::vector<std::string> TakeNotes() { return std::exchange(m_notes, {}); }
    void AddNote(std::string note) { m_notes.push_back(std::move(note)); }

private:
    void ReadIni(std::string_view text);
    void Set(std::string_view key, std::string value, std::string origin);

    std::vector<std::optional<SettingValue>> m_values =
        std::vector<std::optional<SettingValue>>(std::size(kSettingKeys));
    std::vector<std::string> m_notes;
    std::vector<Rejection> m_rejections;
};

// "a.b.c.d" or "a.b.c.d:port", dotted decimal. Host order: 127.0.0.1 is 0x7F000001.
struct Ipv4Endpoint {
    std::uint32_t address = 0;
    std::optional<std::uint16_t> port;
    bool operator==(const Ipv4Endpoint&) const = default;
};
std::optional<Ipv4Endpoint> ParseIpv4Endpoint(std::string_view text);

// The same text as wide characters.
std::wstring WidenAscii(std::string_view text);

// 3 for "COM3" in any letter case, "COM1".."COM256"; nullopt for anything else.
std::optional<int> ParseComPort(std::string_view text);
std::optional<int> ParseComPort(std::wstring_view text);
// L"COM3" for 3.
std::wstring ComText(int port);

// The slots of a DMX universe: `channel` (the slot of D0) leaves room for the eight lines.
inline constexpr std::size_t kDmxSlots = 512;

// The setting's name of a back end ("e131").
std::string_view BackendName(BackendKind kind);

} // namespace tavo
