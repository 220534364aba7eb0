// What the window "Выходы" shows and edits, without Windows: the outputs with their
// ticks, the fields, the settings they stand for, the edits of tavo.ini they make, and what
// is wrong with a value.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tavo/settings/ini_text.h"
#include "tavo/settings/settings.h"

namespace tavo {

// One output in the list.
struct OutputRow {
    BackendKind kind = BackendKind::Virtual;
    std::wstring name = {};  // "USB-SERIAL CH340 (COM3)"
    std::wstring found = {}; // what was found of it
    std::string value = {};  // serial: "COM3"; hidrelay: the board's id
    std::string board = {};  // serial: which USB board it is (serial_board), when known
    bool usable = true;      // found, and able to drive (the port driver loads and is open)
    bool ticked = false;
};

// A value a list of the window offers, and how it reads there.
struct Choice {
    std::string_view value;
    std::wstring_view text;
};
inline constexpr Choice kProtocols[] = {
    {"byte", L"плата читает байты"}, {"lcus", L"релейный модуль LC"}, {"enttec", L"DMX USB Pro"}};
inline constexpr Choice kDtrChoices[] = {{"low", L"держать низкими"},
                                         {"high", L"поднять на время работы"}};

// The keys the window's fields edit, in the order they stand in the window.
inline constexpr std::string_view kFieldKeys[] = {
    "serial_protocol", "serial_baud", "serial_dtr", "net_target", "universe", "channel", "level"};

// The texts of the fields, by key.
using Fields = std::map<std::string, std::string, std::less<>>;

// The settings the window stands for, by key; a key left out is the file's business, a
// value of nullopt removes the key (its default holds).
using WindowSettings = std::map<std::string, std::optional<std::string>, std::less<>>;

// Ticks the rows as `settings` (the file's, without the environment) choose them; a
// serial port or a relay board they name that is not there gets a row of its own.
void TickFromSettings(std::vector<OutputRow>& rows, CSettings& settings);

// Ticks or unticks a row; a COM port or a relay board ticked unticks the others of its kind,
// since the settings name one of each.
void Tick(std::vector<OutputRow>& rows, std::size_t index, bool on);

// The fields as the file has them, each unset one at its default.
Fields FieldsFromSettings(const CSettings& settings);

// The default of the baud field for a protocol ("byte", "lcus", "enttec").
std::string DefaultBaud(std::string_view protocol);

// What the list says was found for a row; for the COM port ticked and the network outputs,
// also how the fields set them up.
std::wstring FoundText(const OutputRow& row, const Fields& fields);

WindowSettings SettingsOf(const std::vector<OutputRow>& rows, const Fields& fields);

// Sets or removes each key whose value in `after` differs from `before`.
void ApplyChanges(CIniText& ini, const WindowSettings& before, const WindowSettings& after);

// The settings of `text` read as a session reading the ticked outputs would: what is
// wrong, by key, in Russian for the field. Empty when every value parses.
std::map<std::string, std::wstring, std::less<>> Problems(std::string_view text,
                                                          const std::vector<OutputRow>& rows);

// The settings of `text` alone, without the environment.
CSettings FileSettings(std::string_view text);

} // namespace tavo
