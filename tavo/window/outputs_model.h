// What the window "Выходы" shows and edits, without Windows: the outputs with their
// ticks, the fields, the settings they stand for, the edits of tavo.ini they make, and what
// is wrong with a value.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tavo/backends/device_ports.h"
#include "tavo/settings/ini_text.h"
#include "tavo/settings/settings.h"

namespace tavo {

// No variable set: the file alone.
std::optional<std::string> NoEnvironment(std::string_view name);

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

// Which of `choices` `value` is, without regard to case, as the library reads it.
std::optional<std::size_t> ChoiceIndex(std::span<const Choice> choices, std::string_view value);

// The keys the window's fields edit, in the order they stand in the window.
inline constexpr std::string_view kFieldKeys[] = {"serial_protocol", "serial_baud", "serial_dtr",
                                                  "net_target",      "universe",    "channel",
                                                  "level",           "bridge"};

// The texts of the fields, by key.
using Fields = std::map<std::string, std::string, std::less<>>;

// The settings the window stands for, by key; a key left out is the file's business, a
// value of nullopt removes the key (its default holds).
using WindowSettings = std::map<std::string, std::optional<std::string>, std::less<>>;

// Whether the library shows the lamps with `settings`: as `lamps` says, else when no
// output chosen drives hardware (`auto` drives the port driver when it works).
bool LampsShown(CSettings& settings, bool driverWorks);

// Ticks the rows as `settings` choose them, the lamps as the library shows them; the COM
// port is the one the library opens, where the board chosen for it (serial_board) is among
// the system's `devices` now. A serial port, a board or a relay board they name that is not
// there gets a row of its own.
void TickFromSettings(std::vector<OutputRow>& rows, CSettings& settings,
                      std::span<const PortDevice> devices = {});

// The port driver is listed and works.
bool DriverWorks(const std::vector<OutputRow>& rows);

// The rows ticked that were found not to work, a line each: "COM3 — нет среди портов
// Windows"; empty when there is none.
std::wstring TickedNotWorking(const std::vector<OutputRow>& rows);

// Something ticked: the lines go somewhere the user sees or uses. A setup without is not saved.
bool ShowsSomething(const std::vector<OutputRow>& rows);

// The rows found again (a device plugged in or out) with the ticks of `before`; a ticked
// output no longer there keeps a row that says so.
void CarryTicks(const std::vector<OutputRow>& before, std::vector<OutputRow>& rows);

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

// The rows and fields of the window.
struct WindowState {
    std::vector<OutputRow> rows;
    Fields fields;
};

// The window as it opens with `settings` on the outputs `found`.
WindowState StateOf(std::vector<OutputRow> found, CSettings& settings,
                    std::span<const PortDevice> devices = {});

// The user's edits, from `opened` to `now` (as shown: the environment over the file), made
// on `file`, the window as the file alone had it: what the file says once the user made
// them. A value the environment gave and the user left is not the file's, and stays out.
WindowState EditsOnFile(WindowState file, const WindowState& opened, const WindowState& now);

// The keys the user changed (from `before` to `after`) that the file changed too, to
// another value, between `opened` (as the window read it) and `current`.
std::vector<std::string> Clashes(std::string_view opened, std::string_view current,
                                 const WindowSettings& before, const WindowSettings& after);

// Sets or removes each key whose value in `after` differs from `before`, but those in
// `keep`; when that changes the outputs, also `lamps` where the file would not show the
// lamps as `after` has them.
void ApplyChanges(CIniText& ini, const WindowSettings& before, const WindowSettings& after,
                  bool driverWorks, std::span<const std::string> keep = {});

// The settings of `text` read as a session reading the ticked outputs would: what is
// wrong, by key, in Russian for the field. Empty when every value parses.
std::map<std::string, std::wstring, std::less<>>
Problems(std::string_view text, const std::vector<OutputRow>& rows,
         const CSettings::EnvLookup& env = NoEnvironment);

// The settings of `text` alone, without the environment (the window's, with it: what runs).
CSettings FileSettings(std::string_view text);

} // namespace tavo
