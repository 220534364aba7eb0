// The Ports-class devices as SetupAPI and the configuration manager describe them.
#include <windows.h>

#include <cfgmgr32.h>
#include <initguid.h>

#include <devguid.h>
#include <setupapi.h>

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

// A configuration-manager handle (a plain number), freed by `Free` when it goes.
template <typename Free> class CCmHandle {
public:
    explicit CCmHandle(DWORD_PTR handle) : m_handle(handle) {}
    ~CCmHandle() { Free{}(m_handle); }
    CCmHandle(const CCmHandle&) = delete;
    CCmHandle& operator=(const CCmHandle&) = delete;
    DWORD_PTR get() const { return m_handle; }

private:
    DWORD_PTR m_handle;
};

struct FreeLogConf {
    void operator()(LOG_CONF conf) const { CM_Free_Log_Conf_Handle(conf); }
};
struct FreeResDes {
    void operator()(RES_DES res) const { CM_Free_Res_Des_Handle(res); }
};

// The device's "PortName" value ("LPT1"); empty when it has none.
std::wstring PortName(HDEVINFO list, SP_DEVINFO_DATA& device) {
    const HKEY raw =
        SetupDiOpenDevRegKey(list, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
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
std::optional<std::uint64_t> FirstIoBase(DEVINST device) {
    LOG_CONF rawConf = 0;
    if (CM_Get_First_Log_Conf(&rawConf, device, ALLOC_LOG_CONF) != CR_SUCCESS) return std::nullopt;
    const CCmHandle<FreeLogConf> conf(rawConf);
    RES_DES rawRes = 0;
    if (CM_Get_Next_Res_Des(&rawRes, conf.get(), ResType_IO, nullptr, 0) != CR_SUCCESS)
        return std::nullopt;
    const CCmHandle<FreeResDes> res(rawRes);
    ULONG size = 0;
    if (CM_Get_Res_Des_Data_Size(&size, res.get(), 0) != CR_SUCCESS || size < sizeof(IO_DES))
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (CM_Get_Res_Des_Data(res.get(), data.data(), size, 0) != CR_SUCCESS) return std::nullopt;
    IO_DES io;
    std::memcpy(&io, data.data(), sizeof io);
    return io.IOD_Alloc_Base;
}

class CSystemPortDevices final : public CPortDevices {
public:
    std::vector<PortDevice> Present() const override {
        std::vector<PortDevice> devices;
        const HDEVINFO raw =
            SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
        if (raw == INVALID_HANDLE_VALUE) return devices;
        const CDeviceList list(raw);
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        for (DWORD i = 0; SetupDiEnumDeviceInfo(list.get(), i, &device); ++i)
            devices.push_back({PortName(list.get(), device), FirstIoBase(device.DevInst)});
        return devices;
    }
};

} // namespace

std::unique_ptr<CPortDevices> MakeSystemPortDevices() {
    return std::make_unique<CSystemPortDevices>();
}

} // namespace tavo
