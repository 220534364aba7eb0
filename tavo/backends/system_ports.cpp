// The Ports-class devices as SetupAPI and the configuration manager describe them.
#include <windows.h>

#include <initguid.h>

#include <devguid.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <type_traits>

#include "tavo/backends/serial/board_identity.h"
#include "tavo/backends/device_list.h"
#include "tavo/backends/device_ports.h"
#include "tavo/backends/found_outputs.h"
#include "tavo/settings/config_source.h"

namespace tavo {
namespace {

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using CKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// A configuration-manager handle (a plain number), freed by `free` when it goes.
template <typename Handle> class CCmHandle {
public:
    using Free = CONFIGRET(WINAPI*)(Handle);
    CCmHandle(Handle handle, Free free) : m_handle(handle), m_free(free) {}
    ~CCmHandle() { m_free(m_handle); }
    CCmHandle(const CCmHandle&) = delete;
    CCmHandle& operator=(const CCmHandle&) = delete;
    Handle get() const { return m_handle; }

private:
    Handle m_handle;
    Free m_free;
};

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

// Where the first I/O range of the device's allocated configuration starts.
std::optional<std::uint64_t> FirstIoBase(const SetupApi& setup, DEVINST device) {
    LOG_CONF rawConf = 0;
    if (setup.CM_Get_First_Log_Conf(&rawConf, device, ALLOC_LOG_CONF) != CR_SUCCESS)
        return std::nullopt;
    const CCmHandle<LOG_CONF> conf(rawConf, setup.CM_Free_Log_Conf_Handle);
    RES_DES rawRes = 0;
    if (setup.CM_Get_Next_Res_Des(&rawRes, conf.get(), ResType_IO, nullptr, 0) != CR_SUCCESS)
        return std::nullopt;
    const CCmHandle<RES_DES> res(rawRes, setup.CM_Free_Res_Des_Handle);
    ULONG size = 0;
    if (setup.CM_Get_Res_Des_Data_Size(&size, res.get(), 0) != CR_SUCCESS || size < sizeof(IO_DES))
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (setup.CM_Get_Res_Des_Data(res.get(), data.data(), size, 0) != CR_SUCCESS)
        return std::nullopt;
    IO_DES io;
    std::memcpy(&io, data.data(), sizeof io);
    return io.IOD_Alloc_Base;
}

// The first of a device's location paths: which socket of which hub of which controller.
std::wstring LocationPath(const SetupApi& setup, DEVINST node) {
    wchar_t paths[1024] = {};
    ULONG size = sizeof paths - 2 * sizeof *paths; // two nulls end it in any case
    if (setup.CM_Get_DevNode_Registry_PropertyW(node, CM_DRP_LOCATION_PATHS, nullptr, paths, &size,
                                                0) != CR_SUCCESS)
        return {};
    return paths;
}

// The USB device a port belongs to: the port's own device, or one above it (an FTDI port
// sits under its bus driver's device, a CDC port under its composite device).
void FindUsbDevice(const SetupApi& setup, DEVINST node, PortDevice& port) {
    constexpr int kLevels = 3;
    for (int level = 0; level < kLevels; ++level) {
        wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
        if (setup.CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) return;
        if (IsUsbDeviceId(id)) {
            port.usbDevice = id;
            port.usbLocation = LocationPath(setup, node);
            return;
        }
        if (setup.CM_Get_Parent(&node, node, 0) != CR_SUCCESS) return;
    }
}

PortDevice ReadPortDevice(const SetupApi& setup, HDEVINFO list, SP_DEVINFO_DATA& device) {
    PortDevice port{PortName(setup, list, device), FirstIoBase(setup, device.DevInst),
                    FriendlyName(setup, list, device),
                    Property(setup, list, device, SPDRP_HARDWAREID)};
    FindUsbDevice(setup, device.DevInst, port);
    return port;
}

// Calls `each(setup, list, device)` for every present device of the Ports class.
template <typename Each>
void ForEachPortDevice(CReporter& reporter, std::string_view who, Each each) {
    const auto* setup = SystemApi<SetupApi>(reporter, who);
    if (!setup) return;
    const auto list = AdoptDeviceList(
        *setup, setup->SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT));
    if (!list) return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; setup->SetupDiEnumDeviceInfo(list.get(), i, &device); ++i)
        each(*setup, list.get(), device);
}

class CSystemPortDevices final : public CPortDevices {
public:
    explicit CSystemPortDevices(CReporter& reporter) : m_reporter(reporter) {}

    std::vector<PortDevice> Present() const override {
        std::vector<PortDevice> devices;
        ForEachPortDevice(m_reporter, "device configuration",
                          [&](const SetupApi& setup, HDEVINFO list, SP_DEVINFO_DATA& device) {
                              devices.push_back(ReadPortDevice(setup, list, device));
                          });
        return devices;
    }

private:
    CReporter& m_reporter;
};

} // namespace

std::unique_ptr<CPortDevices> MakeSystemPortDevices(CReporter& reporter) {
    return std::make_unique<CSystemPortDevices>(reporter);
}

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
    ForEachPortDevice(reporter, "COM ports",
                      [&](const SetupApi& setup, HDEVINFO list, SP_DEVINFO_DATA& device) {
                          add(ReadPortDevice(setup, list, device));
                      });
    for (const auto& port : ListedSerialPorts())
        add({port, std::nullopt});
    std::ranges::sort(ports, {}, &ComPort::number);
    return ports;
}

} // namespace tavo
