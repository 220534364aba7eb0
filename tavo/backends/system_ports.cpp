// The Ports-class devices as SetupAPI describes them; what the configuration manager adds
// of a device node is in device_nodes.h.
#include <windows.h>

#include <initguid.h>

#include <devguid.h>

#include <cwchar>
#include <type_traits>

#include "tavo/backends/device_nodes.h"
#include "tavo/backends/device_ports.h"

namespace tavo {
namespace {

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using CKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// The device's "PortName" value ("LPT1"); empty when it has none.
std::wstring PortName(const SetupApi& setup, HDEVINFO list, SP_DEVINFO_DATA& device) {
    const HKEY raw =
        setup.SetupDiOpenDevRegKey(list, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (raw == INVALID_HANDLE_VALUE) return {};
    const CKey key(raw);
    wchar_t name[64] = {};
    DWORD size = sizeof name;
    if (RegGetValueW(key.get(), nullptr, L"PortName", RRF_RT_REG_SZ, nullptr, name, &size) !=
        ERROR_SUCCESS)
        return {};
    return name;
}

// The strings of a string or multi-string property (SPDRP_*); none when it has none.
std::vector<std::wstring> Property(const SetupApi& setup, HDEVINFO list, SP_DEVINFO_DATA& device,
                                   DWORD property) {
    DWORD size = 0;
    setup.SetupDiGetDeviceRegistryPropertyW(list, &device, property, nullptr, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 2, L'\0'); // ends in two nulls
    if (!setup.SetupDiGetDeviceRegistryPropertyW(
            list, &device, property, nullptr, reinterpret_cast<BYTE*>(text.data()), size, nullptr))
        return {};
    std::vector<std::wstring> strings;
    for (const wchar_t* s = text.data(); *s; s += wcslen(s) + 1)
        strings.emplace_back(s);
    return strings;
}

// The name Windows shows for the device ("USB-SERIAL CH340 (COM3)"); empty when none.
std::wstring FriendlyName(const SetupApi& setup, HDEVINFO list, SP_DEVINFO_DATA& device) {
    const auto names = Property(setup, list, device, SPDRP_FRIENDLYNAME);
    return names.empty() ? std::wstring() : names.front();
}

PortDevice ReadPortDevice(const SetupApi& setup, HDEVINFO list, SP_DEVINFO_DATA& device) {
    PortDevice port{PortName(setup, list, device), FirstIoBase(setup, device.DevInst),
                    FriendlyName(setup, list, device),
                    Property(setup, list, device, SPDRP_HARDWAREID)};
    FindUsbDevice(setup, device.DevInst, port);
    return port;
}

class CSystemPortDevices final : public CPortDevices {
public:
    CSystemPortDevices(CReporter& reporter, std::string_view who)
        : m_reporter(reporter), m_who(who) {}

    // Every present device of the Ports class.
    std::vector<PortDevice> Present() const override {
        const auto* setup = SystemApi<SetupApi>(m_reporter, m_who);
        if (!setup) return {};
        const auto list =
            AdoptDeviceList(*setup, setup->SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr,
                                                                nullptr, DIGCF_PRESENT));
        if (!list) return {};
        std::vector<PortDevice> devices;
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        for (DWORD i = 0; setup->SetupDiEnumDeviceInfo(list.get(), i, &device); ++i)
            devices.push_back(ReadPortDevice(*setup, list.get(), device));
        return devices;
    }

private:
    CReporter& m_reporter;
    std::string_view m_who;
};

} // namespace

std::unique_ptr<CPortDevices> MakeSystemPortDevices(CReporter& reporter, std::string_view who) {
    return std::make_unique<CSystemPortDevices>(reporter, who);
}

} // namespace tavo
