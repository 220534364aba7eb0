#include "tavo/window/output_search.h"

#include "tavo/backends/backends.h"
#include "tavo/backends/found_outputs.h"
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

} // namespace

std::vector<OutputRow> FindOutputs(HMODULE self, const CSettings& settings) {
    CQuietReporter quiet;
    std::vector<OutputRow> rows;
    rows.push_back(
        {.kind = BackendKind::Virtual, .name = L"Лампы на экране", .found = L"есть всегда"});
    rows.push_back(DriverRow(self));
    if (UnderWine() || settings.Raw("bridge")) rows.push_back(HelperRow(settings));
    for (const auto& port : FindComPorts(quiet))
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
