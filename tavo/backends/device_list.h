// SetupAPI's functions, from setupapi.dll loaded on first use (driver_loader.h), and an
// owned device list.
#pragma once

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

#include <memory>
#include <type_traits>

#include "tavo/backends/driver_loader.h"

namespace tavo {

// The configuration manager's functions too: setupapi.dll has them on every Windows.
struct SetupApi {
    static constexpr char kDll[] = "setupapi.dll";

    decltype(&::SetupDiGetClassDevsW) SetupDiGetClassDevsW;
    decltype(&::SetupDiDestroyDeviceInfoList) SetupDiDestroyDeviceInfoList;
    decltype(&::SetupDiEnumDeviceInfo) SetupDiEnumDeviceInfo;
    decltype(&::SetupDiOpenDevRegKey) SetupDiOpenDevRegKey;
    decltype(&::SetupDiGetDeviceRegistryPropertyW) SetupDiGetDeviceRegistryPropertyW;
    decltype(&::SetupDiEnumDeviceInterfaces) SetupDiEnumDeviceInterfaces;
    decltype(&::SetupDiGetDeviceInterfaceDetailW) SetupDiGetDeviceInterfaceDetailW;
    decltype(&::CM_Get_First_Log_Conf) CM_Get_First_Log_Conf;
    decltype(&::CM_Free_Log_Conf_Handle) CM_Free_Log_Conf_Handle;
    decltype(&::CM_Get_Next_Res_Des) CM_Get_Next_Res_Des;
    decltype(&::CM_Free_Res_Des_Handle) CM_Free_Res_Des_Handle;
    decltype(&::CM_Get_Res_Des_Data_Size) CM_Get_Res_Des_Data_Size;
    decltype(&::CM_Get_Res_Des_Data) CM_Get_Res_Des_Data;
    decltype(&::CM_Get_Parent) CM_Get_Parent;
    decltype(&::CM_Get_Device_IDW) CM_Get_Device_IDW;
    decltype(&::CM_Get_DevNode_Registry_PropertyW) CM_Get_DevNode_Registry_PropertyW;

    bool Bind(CSystemExports& dll) {
        return dll.Find("SetupDiGetClassDevsW", SetupDiGetClassDevsW) &&
               dll.Find("SetupDiDestroyDeviceInfoList", SetupDiDestroyDeviceInfoList) &&
               dll.Find("SetupDiEnumDeviceInfo", SetupDiEnumDeviceInfo) &&
               dll.Find("SetupDiOpenDevRegKey", SetupDiOpenDevRegKey) &&
               dll.Find("SetupDiGetDeviceRegistryPropertyW", SetupDiGetDeviceRegistryPropertyW) &&
               dll.Find("SetupDiEnumDeviceInterfaces", SetupDiEnumDeviceInterfaces) &&
               dll.Find("SetupDiGetDeviceInterfaceDetailW", SetupDiGetDeviceInterfaceDetailW) &&
               dll.Find("CM_Get_First_Log_Conf", CM_Get_First_Log_Conf) &&
               dll.Find("CM_Free_Log_Conf_Handle", CM_Free_Log_Conf_Handle) &&
               dll.Find("CM_Get_Next_Res_Des", CM_Get_Next_Res_Des) &&
               dll.Find("CM_Free_Res_Des_Handle", CM_Free_Res_Des_Handle) &&
               dll.Find("CM_Get_Res_Des_Data_Size", CM_Get_Res_Des_Data_Size) &&
               dll.Find("CM_Get_Res_Des_Data", CM_Get_Res_Des_Data) &&
               dll.Find("CM_Get_Parent", CM_Get_Parent) &&
               dll.Find("CM_Get_Device_IDW", CM_Get_Device_IDW) &&
               dll.Find("CM_Get_DevNode_Registry_PropertyW", CM_Get_DevNode_Registry_PropertyW);
    }
};

struct DeviceListFreer {
    const SetupApi* setup;
    void operator()(HDEVINFO list) const { setup->SetupDiDestroyDeviceInfoList(list); }
};
using CDeviceList = std::unique_ptr<std::remove_pointer_t<HDEVINFO>, DeviceListFreer>;

// Empty instead of INVALID_HANDLE_VALUE.
inline CDeviceList AdoptDeviceList(const SetupApi& setup, HDEVINFO list) {
    return CDeviceList(list == INVALID_HANDLE_VALUE ? nullptr : list, DeviceListFreer{&setup});
}

} // namespace tavo
