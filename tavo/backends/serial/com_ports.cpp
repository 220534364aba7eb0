// The COM ports as the window lists them: the Ports-class devices that are COM ports, and
// the system's list of serial ports.
#include "tavo/backends/serial/com_ports.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <type_traits>

#include "tavo/backends/device_ports.h"
#include "tavo/backends/serial/board_identity.h"
#include "tavo/settings/config_source.h"

namespace tavo {
namespace {

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using CKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// The ports in the system's list of serial ports ("COM7"), also those without a device:
// virtual ports, and under Wine the ones it maps to Linux devices.
std::vector<std::wstring> ListedSerialPorts() {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &raw) != ERROR_SUCCESS)
        return {};
    const CKey key(raw);
    std::vector<std::wstring> ports;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256], port[64] = {};
        DWORD nameSize = DWORD(std::size(name)), portSize = sizeof port - sizeof *port, type = 0;
        const LSTATUS status = RegEnumValueW(key.get(), i, name, &nameSize, nullptr, &type,
                                             reinterpret_cast<BYTE*>(port), &portSize);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_SUCCESS && type == REG_SZ) ports.push_back(port);
    }
    return ports;
}

} // namespace

std::vector<ComPort> FindComPorts(CReporter& reporter) {
    std::vector<ComPort> ports;
    const auto add = [&](const PortDevice& device) {
        const auto number = ParseComPort(Trim(ToAscii(device.portName)));
        if (!number || std::ranges::find(ports, *number, &ComPort::number) != ports.end()) return;
        const auto& name = device.friendlyName;
        const auto board = BoardIdOf(device);
        ports.push_back({*number, name.empty() ? L"COM" + std::to_wstring(*number) : name,
                         board ? ToAscii(BoardChoiceText({*board, *number})) : std::string()});
    };
    for (const auto& device : MakeSystemPortDevices(reporter, "COM ports")->Present())
        add(device);
    for (const auto& port : ListedSerialPorts())
        add({port, std::nullopt});
    std::ranges::sort(ports, {}, &ComPort::number);
    return ports;
}

} // namespace tavo
