// An owned SetupAPI device list.
#pragma once

#include <windows.h>

#include <setupapi.h>

#include <memory>
#include <type_traits>

namespace tavo {

struct DeviceListFreer {
    void operator()(HDEVINFO list) const { SetupDiDestroyDeviceInfoList(list); }
};
using CDeviceList = std::unique_ptr<std::remove_pointer_t<HDEVINFO>, DeviceListFreer>;

// Empty instead of INVALID_HANDLE_VALUE.
inline CDeviceList AdoptDeviceList(HDEVINFO list) {
    return CDeviceList(list == INVALID_HANDLE_VALUE ? nullptr : list);
}

} // namespace tavo
