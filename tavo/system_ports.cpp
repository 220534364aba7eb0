// The Ports-class devices as SetupAPI and the configuration manager describe them.
#include <windows.h>

#include <initguid.h>

#include <devguid.h>

#include <cstring>
#include <type_traits>

#include "device_list.h"
#include "device_ports.h"

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

class CSystemPortDevices final : public CPortDevices {
public:
    explicit CSystemPortDevices(CReporter& reporter) : m_reporter(reporter) {}

    std::vector<PortDevice> Present() const override {
        std::vector<PortDevice> devices;
        const auto* setup = SystemApi<SetupApi>(m_reporter, "device configuration");
        if (!setup) return devices;
        const auto list =
            AdoptDeviceList(*setup, setup->SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr,
                                                                nullptr, DIGCF_PRESENT));
        if (!list) return devices;
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        for (DWORD i = 0; setup->SetupDiEnumDeviceInfo(list.get(), i, &device); ++i)
            devices.push_back(
                {PortName(*setup, list.get(), device), FirstIoBase(*setup, device.DevInst)});
        return devices;
    }

private:
    CReporter& m_reporter;
};

} // namespace

std::unique_ptr<CPortDevices> MakeSystemPortDevices(CReporter& reporter) {
    return std::make_unique<CSystemPortDevices>(reporter);
}

} // namespace tavo
