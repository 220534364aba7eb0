#include "tavo/window/output_search.h"

#include <algorithm>
#include <memory>

#include "tavo/backends/backends.h"
#include "tavo/backends/found_outputs.h"
#include "tavo/backends/hid/hid_relays.h"
#include "tavo/backends/serial/com_ports.h"
#include "tavo/settings/config_source.h"

namespace tavo {
namespace {

OutputRow DriverRow(HMODULE self) {
    CQuietReporter quiet;
    std::wstring why;
    const bool open = MakeInpoutBackend(self, true, quiet, why) != nullptr;
    const auto places = DriverLibraryPlaces(self);
    std::wstring tried, found;
    for (const auto& place : places) {
        tried += (tried.empty() ? L"" : L", ") + place;
        if (found.empty() && GetFileAttributesW(place.c_str()) != INVALID_FILE_ATTRIBUTES)
            found = place;
    }
    OutputRow row{.kind = BackendKind::Inpout, .name = L"LPT через драйвер портов"};
    row.usable = open;
    if (open)
        row.found = L"драйвер открыт: " + found;
    else if (!found.empty())
        row.found = why + L": " + found;
    else
        row.found = L"нет драйвера; искали: " + tried;
    return row;
}

OutputRow HelperRow(const CSettings& settings) {
    OutputRow row{.kind = BackendKind::Bridge, .name = L"LPT через kiv-parport"};
    const auto& bridge = settings.Raw("bridge");
    row.usable = bridge && ReadEnvironment(L"KIV_PARPORT_TOKEN");
    row.found = row.usable ? L"kiv-parport на " + WidenAscii(bridge->text)
                           : L"не настроен: нужны bridge = 127.0.0.1:порт и KIV_PARPORT_TOKEN";
    return row;
}

// The links "comN" in Wine's dosdevices folder, as README.txt teaches to make a COM port:
// such a port is neither a device nor in the system's list of serial ports. Wine names its
// configuration folder in WINECONFIGDIR ("\??\Z:\home\me\.wine").
std::vector<int> WineComLinks() {
    auto folder = ReadEnvironment(L"WINECONFIGDIR").value_or(L"");
    if (folder.starts_with(L"\\??\\")) folder.erase(0, 4);
    if (folder.empty()) return {};
    std::vector<int> numbers;
    WIN32_FIND_DATAW found{};
    const HANDLE first = FindFirstFileW((folder + L"\\dosdevices\\com*").c_str(), &found);
    if (first == INVALID_HANDLE_VALUE) return {};
    const std::unique_ptr<void, decltype(&FindClose)> find(first, &FindClose);
    do {
        if (const auto number = ParseComPort(ToAscii(found.cFileName))) numbers.push_back(*number);
    } while (FindNextFileW(find.get(), &found));
    return numbers;
}

// The COM ports Windows knows, and under Wine those its links make.
std::vector<ComPort> AllComPorts(CReporter& reporter) {
    auto ports = FindComPorts(reporter);
    for (const int number : WineComLinks())
        if (std::ranges::find(ports, number, &ComPort::number) == ports.end())
            ports.push_back({number, L"COM" + std::to_wstring(number)});
    std::ranges::sort(ports, {}, &ComPort::number);
    return ports;
}

} // namespace

std::vector<OutputRow> FindOutputs(HMODULE self, const CSettings& settings) {
    CQuietReporter quiet;
    std::vector<OutputRow> rows;
    rows.push_back(
        {.kind = BackendKind::Virtual, .name = L"Лампы на экране", .found = L"есть всегда"});
    rows.push_back(DriverRow(self));
    if (UnderWine() || settings.Raw("bridge")) rows.push_back(HelperRow(settings));
    for (const auto& port : AllComPorts(quiet))
        rows.push_back({.kind = BackendKind::Serial,
                        .name = port.name,
                        .found = L"есть",
                        .value = "COM" + std::to_string(port.number),
                        .board = port.board});
    for (const auto& board : FindRelayBoards(quiet))
        rows.push_back(
            {.kind = BackendKind::HidRelay,
             .name = L"USBRelay" + std::to_wstring(board.relays) + L" " + WidenAscii(board.id),
             .found = L"реле: " + std::to_wstring(board.relays),
             .value = board.id});
    rows.push_back({.kind = BackendKind::E131, .name = L"E1.31 (sACN)"});
    rows.push_back({.kind = BackendKind::ArtNet, .name = L"Art-Net"});
    return rows;
}

} // namespace tavo
