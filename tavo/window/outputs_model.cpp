#include "tavo/window/outputs_model.h"

#include <algorithm>
#include <span>

#include "tavo/backends/net/dmx_streams.h"
#include "tavo/backends/serial/board_identity.h"
#include "tavo/settings/serial_config.h"

namespace tavo {
namespace {

// The order of the rows: the lamps, LPT, the helper, COM ports, relay boards, network.
constexpr BackendKind kRowOrder[] = {
    BackendKind::Virtual,  BackendKind::Inpout, BackendKind::Bridge, BackendKind::Serial,
    BackendKind::HidRelay, BackendKind::E131,   BackendKind::ArtNet};

std::size_t Rank(BackendKind kind) {
    return std::size_t(std::ranges::find(kRowOrder, kind) - std::begin(kRowOrder));
}

OutputRow* RowOf(std::vector<OutputRow>& rows, BackendKind kind, std::string_view value = {}) {
    const auto row = std::ranges::find_if(rows, [&](const OutputRow& r) {
        return r.kind == kind && (value.empty() || AsciiLower(r.value) == AsciiLower(value));
    });
    return row == rows.end() ? nullptr : &*row;
}

// `row` among the rows of its kind.
OutputRow& Insert(std::vector<OutputRow>& rows, OutputRow row) {
    const auto after = std::ranges::find_if(
        rows, [&](const OutputRow& r) { return Rank(r.kind) > Rank(row.kind); });
    return *rows.insert(after, std::move(row));
}

// A row for an output the settings name that is not there.
OutputRow& AddMissing(std::vector<OutputRow>& rows, OutputRow row) {
    row.usable = false;
    return Insert(rows, std::move(row));
}

// The board of a serial row without the port it was chosen on ("0403:6001 A50285BI");
// empty when it has none.
std::wstring BoardOf(const OutputRow& row) {
    const auto choice = row.board.empty() ? std::nullopt : ParseBoardChoice(row.board);
    return choice ? BoardIdText(choice->board) : std::wstring();
}

// Where the output of `row` is in `rows`: a board by what it is, else by kind and value.
std::optional<std::size_t> IndexOfSame(const std::vector<OutputRow>& rows, const OutputRow& row) {
    const auto board = BoardOf(row);
    const auto same = std::ranges::find_if(rows, [&](const OutputRow& r) {
        return r.kind == row.kind &&
               (board.empty() ? AsciiLower(r.value) == AsciiLower(row.value) : BoardOf(r) == board);
    });
    return same == rows.end() ? std::nullopt : std::optional(std::size_t(same - rows.begin()));
}

// The COM port the library opens: serial_port, or where the board chosen on it is now.
void TickSerial(std::vector<OutputRow>& rows, CSettings& settings,
                std::span<const PortDevice> devices) {
    const auto& raw = settings.Raw("serial_port");
    const auto number = raw ? ParseComPort(raw->text) : std::nullopt;
    if (!number) return;
    const auto& board = settings.Raw("serial_board");
    const auto choice = board ? ParseBoardChoice(board->text) : std::nullopt;
    auto port = number;
    if (choice && choice->port == *number) port = FindBoardPort(*choice, devices, [](auto) {});
    const auto chosen = "COM" + std::to_string(*number);
    if (!port) {
        AddMissing(rows, {.kind = BackendKind::Serial,
                          .name = L"Плата " + BoardIdText(choice->board),
                          .found = L"нет выбранной платы",
                          .value = chosen,
                          .board = board->text})
            .ticked = true;
        return;
    }
    const auto name = "COM" + std::to_string(*port);
    auto* row = RowOf(rows, BackendKind::Serial, name);
    if (!row)
        row = &AddMissing(rows, {.kind = BackendKind::Serial,
                                 .name = WidenAscii(name),
                                 .found = L"нет среди портов Windows",
                                 .value = name});
    row->ticked = true;
}

void TickRelayBoard(std::vector<OutputRow>& rows, BackendKind kind, CSettings& settings) {
    const auto& raw = settings.Raw("hid_serial");
    const std::string wanted = raw ? raw->text : "";
    auto* row = RowOf(rows, kind, wanted);
    if (!row)
        row = &AddMissing(rows, {.kind = kind,
                                 .name = L"USB-реле " + WidenAscii(wanted),
                                 .found = L"не найдено",
                                 .value = wanted});
    row->ticked = true;
}

// The texts of "not a number from 1 to 63999" and the like.
std::wstring InRussian(const CSettings::Rejection& rejection) {
    constexpr std::string_view kNumber = "not a number from ";
    if (rejection.why.starts_with(kNumber)) {
        auto range = WidenAscii(std::string_view(rejection.why).substr(kNumber.size()));
        if (const auto to = range.find(L" to "); to != std::wstring::npos)
            range.replace(to, 4, L" до ");
        return L"нужно число от " + range;
    }
    if (rejection.key == "net_target")
        return L"нужен адрес вида 192.168.0.10 или 192.168.0.10:5568";
    if (rejection.key == "serial_protocol") return L"выберите протокол";
    return L"значение не подходит";
}

std::wstring Field(const Fields& fields, std::string_view key) {
    const auto it = fields.find(key);
    return it == fields.end() ? std::wstring() : WidenAscii(Trim(it->second));
}

std::wstring ChoiceText(std::span<const Choice> choices, const Fields& fields,
                        std::string_view key) {
    const auto it = fields.find(key);
    const auto index = ChoiceIndex(choices, it == fields.end() ? "" : it->second);
    return index ? std::wstring(choices[*index].text) : Field(fields, key);
}

bool Ticked(const std::vector<OutputRow>& rows, BackendKind kind) {
    return std::ranges::any_of(rows,
                               [&](const OutputRow& r) { return r.kind == kind && r.ticked; });
}

} // namespace

std::optional<std::size_t> ChoiceIndex(std::span<const Choice> choices, std::string_view value) {
    const auto wanted = AsciiLower(Trim(value));
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (choices[i].value == wanted) return i;
    return std::nullopt;
}

std::optional<std::string> NoEnvironment(std::string_view) {
    return std::nullopt;
}

CSettings FileSettings(std::string_view text) {
    return CSettings(NoEnvironment, text);
}

bool LampsShown(CSettings& settings, bool driverWorks) {
    const auto kinds = settings.Backends();
    const bool drives = std::ranges::any_of(kinds, [&](BackendKind kind) {
        return kind == BackendKind::Auto ? driverWorks : kind != BackendKind::Virtual;
    });
    return settings.Lamps().value_or(!drives);
}

void TickFromSettings(std::vector<OutputRow>& rows, CSettings& settings,
                      std::span<const PortDevice> devices) {
    const auto tick = [&](BackendKind kind) {
        if (auto* row = RowOf(rows, kind)) row->ticked = true;
    };
    const bool driverWorks = DriverWorks(rows);
    for (const auto kind : settings.Backends()) {
        if (kind == BackendKind::Auto && driverWorks)
            tick(BackendKind::Inpout);
        else if (kind == BackendKind::Serial)
            TickSerial(rows, settings, devices);
        else if (kind == BackendKind::HidRelay)
            TickRelayBoard(rows, kind, settings);
        else if (kind != BackendKind::Auto && kind != BackendKind::Virtual)
            tick(kind);
    }
    // The lamps as the library shows them: `virtual` alone drives nothing.
    if (auto* lamps = RowOf(rows, BackendKind::Virtual))
        lamps->ticked = LampsShown(settings, driverWorks);
}

bool DriverWorks(const std::vector<OutputRow>& rows) {
    const auto driver = std::ranges::find(rows, BackendKind::Inpout, &OutputRow::kind);
    return driver != rows.end() && driver->usable;
}

std::wstring TickedNotWorking(const std::vector<OutputRow>& rows) {
    std::wstring list;
    for (const auto& row : rows)
        if (row.ticked && !row.usable)
            list += (list.empty() ? L"" : L"\n") + row.name + L" — " + row.found;
    return list;
}

bool ShowsSomething(const std::vector<OutputRow>& rows) {
    return std::ranges::any_of(rows, &OutputRow::ticked);
}

std::string DefaultBaud(std::string_view protocol) {
    auto settings = FileSettings("serial_port = COM1\nserial_protocol = " + std::string(protocol));
    const auto config = ReadSerialConfig(settings);
    return std::to_string(config ? config->baud : SerialConfig{}.baud);
}

Fields FieldsFromSettings(const CSettings& settings) {
    const NetConfig net;
    Fields fields = {{"serial_protocol", "byte"},
                     {"serial_dtr", "low"},
                     {"net_target", ""},
                     {"universe", std::to_string(net.universe)},
                     {"channel", std::to_string(net.channel)},
                     {"level", std::to_string(net.level)},
                     {"bridge", ""}};
    for (const auto key : kFieldKeys)
        if (const auto& raw = settings.Raw(key)) fields[std::string(key)] = raw->text;
    if (!settings.Raw("serial_baud"))
        fields["serial_baud"] = DefaultBaud(fields["serial_protocol"]);
    return fields;
}

void CarryTicks(const std::vector<OutputRow>& before, std::vector<OutputRow>& rows) {
    for (const auto& old : before) {
        if (!old.ticked) continue;
        const auto same = IndexOfSame(rows, old);
        auto* row = same ? &rows[*same] : nullptr;
        if (!row) {
            auto gone = old;
            gone.found = L"отключено";
            row = &AddMissing(rows, std::move(gone));
        }
        row->ticked = true;
    }
}

void Tick(std::vector<OutputRow>& rows, std::size_t index, bool on) {
    auto& row = rows.at(index);
    row.ticked = on;
    // One COM port and one relay board at a time: the settings name one of each.
    if (on && (row.kind == BackendKind::Serial || row.kind == BackendKind::HidRelay))
        for (auto& other : rows)
            if (&other != &row && other.kind == row.kind) other.ticked = false;
}

WindowSettings SettingsOf(const std::vector<OutputRow>& rows, const Fields& fields) {
    WindowSettings settings;
    std::string list;
    bool lamps = false;
    for (const auto& row : rows) {
        if (!row.ticked) continue;
        if (row.kind == BackendKind::Virtual) {
            lamps = true;
            continue;
        }
        list += (list.empty() ? "" : ", ") + std::string(BackendName(row.kind));
        if (row.kind == BackendKind::Serial) {
            settings["serial_port"] = row.value;
            // Which board it is, so the library finds it again under another number.
            settings["serial_board"] =
                row.board.empty() ? std::nullopt : std::optional<std::string>(row.board);
        }
        if (row.kind == BackendKind::HidRelay && !row.value.empty())
            settings["hid_serial"] = row.value;
    }
    settings["backend"] = list.empty() ? "virtual" : list;
    settings["lamps"] = std::string(1, lamps ? '1' : '0');
    for (const auto key : kFieldKeys) {
        const auto it = fields.find(key);
        const auto text = it == fields.end() ? std::string_view() : Trim(it->second);
        settings[std::string(key)] =
            text.empty() ? std::nullopt : std::optional<std::string>(std::string(text));
    }
    return settings;
}

WindowState StateOf(std::vector<OutputRow> found, CSettings& settings,
                    std::span<const PortDevice> devices) {
    TickFromSettings(found, settings, devices);
    return {std::move(found), FieldsFromSettings(settings)};
}

WindowState EditsOnFile(WindowState file, const WindowState& opened, const WindowState& now) {
    for (const auto& row : now.rows) {
        const auto was = IndexOfSame(opened.rows, row);
        if ((was && opened.rows[*was].ticked) == row.ticked) continue;
        auto index = IndexOfSame(file.rows, row);
        if (!index) index = std::size_t(&Insert(file.rows, row) - file.rows.data());
        Tick(file.rows, *index, row.ticked);
    }
    for (const auto& [key, value] : now.fields)
        if (const auto was = opened.fields.find(key);
            was == opened.fields.end() || was->second != value)
            file.fields[key] = value;
    return file;
}

std::wstring FoundText(const OutputRow& row, const Fields& fields) {
    if (row.kind == BackendKind::Serial && row.ticked && row.usable)
        return ChoiceText(kProtocols, fields, "serial_protocol") + L", " +
               (ChoiceText(kProtocols, fields, "serial_protocol") == kProtocols[2].text
                    ? L"канал " + Field(fields, "channel") + L", уровень " +
                          Field(fields, "level") + L", "
                    : L"") +
               Field(fields, "serial_baud") + L" бод, DTR и RTS " +
               (ChoiceText(kDtrChoices, fields, "serial_dtr") == kDtrChoices[1].text ? L"подняты"
                                                                                     : L"низкие");
    if (row.kind != BackendKind::E131 && row.kind != BackendKind::ArtNet) return row.found;
    auto target = Field(fields, "net_target");
    if (target.empty()) target = row.kind == BackendKind::E131 ? L"многоадресно" : L"всем в сети";
    return L"вселенная " + Field(fields, "universe") + L", канал " + Field(fields, "channel") +
           L", уровень " + Field(fields, "level") + L", приёмник: " + target;
}

namespace {

std::optional<std::string> FileValue(std::string_view text, std::string_view key) {
    const auto settings = FileSettings(text);
    const auto& raw = settings.Raw(key);
    return raw ? std::optional<std::string>(raw->text) : std::nullopt;
}

bool Changed(const WindowSettings& before, std::string_view key,
             const std::optional<std::string>& value) {
    const auto old = before.find(key);
    return old == before.end() || old->second != value;
}

} // namespace

std::vector<std::string> Clashes(std::string_view opened, std::string_view current,
                                 const WindowSettings& before, const WindowSettings& after) {
    std::vector<std::string> clashes;
    for (const auto& [key, value] : after) {
        if (!Changed(before, key, value)) continue;
        const auto now = FileValue(current, key);
        if (now != FileValue(opened, key) && now != value) clashes.push_back(key);
    }
    return clashes;
}

void ApplyChanges(CIniText& ini, const WindowSettings& before, const WindowSettings& after,
                  bool driverWorks, std::span<const std::string> keep) {
    bool outputsChanged = false;
    for (const auto& [key, value] : after) {
        if (!Changed(before, key, value) || std::ranges::find(keep, key) != keep.end()) continue;
        outputsChanged = outputsChanged || key == "backend" || key == "lamps";
        if (value)
            ini.Set(key, *value);
        else
            ini.Remove(key);
    }
    // Chosen outputs change whether the library shows the lamps unasked: say it outright,
    // unless the file's own lamps are to stay.
    const auto lamps = after.find("lamps");
    if (!outputsChanged || lamps == after.end() || !lamps->second ||
        std::ranges::find(keep, "lamps") != keep.end())
        return;
    auto saved = FileSettings(ini.Text());
    if (LampsShown(saved, driverWorks) != (*lamps->second == "1")) ini.Set("lamps", *lamps->second);
}

std::map<std::string, std::wstring, std::less<>> Problems(std::string_view text,
                                                          const std::vector<OutputRow>& rows,
                                                          const CSettings::EnvLookup& env) {
    CSettings settings(env, text);
    settings.Backends();
    settings.Lamps();
    // The keys of an output not ticked are not read, so they block nothing.
    if (Ticked(rows, BackendKind::Serial)) ReadSerialConfig(settings);
    // Universe 0 is Art-Net's alone.
    if (Ticked(rows, BackendKind::E131))
        ReadNetConfig(BackendKind::E131, settings);
    else if (Ticked(rows, BackendKind::ArtNet))
        ReadNetConfig(BackendKind::ArtNet, settings);
    std::map<std::string, std::wstring, std::less<>> problems;
    // The helper listens on this machine only.
    if (Ticked(rows, BackendKind::Bridge)) {
        const auto& raw = settings.Raw("bridge");
        const auto helper = raw ? ParseIpv4Endpoint(raw->text) : std::nullopt;
        if (!helper || !helper->port || helper->address >> 24 != 127)
            problems["bridge"] = L"нужен адрес вида 127.0.0.1:3780";
    }
    for (const auto& rejection : settings.Rejections())
        problems.try_emplace(rejection.key, InRussian(rejection));
    return problems;
}

} // namespace tavo
