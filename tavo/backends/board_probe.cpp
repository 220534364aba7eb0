#include "tavo/backends/board_probe.h"

#include <windows.h>

#include "tavo/backends/device_ports.h"

namespace tavo {
namespace {

std::string Utf8(const std::wstring& text) {
    const int length = static_cast<int>(text.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), size, nullptr, nullptr);
    return out;
}

} // namespace

std::optional<KnownBoard> FindKnownBoard(CReporter& reporter) {
    if (auto relay = FindRelayBoard(reporter)) return KnownBoard{L"USB-реле", std::move(*relay)};
    for (const auto& device : MakeSystemPortDevices(reporter)->Present())
        if (IsUsbSerialAdapter(device))
            return KnownBoard{
                device.portName,
                Utf8(device.friendlyName.empty() ? device.portName : device.friendlyName)};
    return std::nullopt;
}

} // namespace tavo
