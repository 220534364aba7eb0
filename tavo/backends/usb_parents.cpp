// The USB device above a port's device node: what tells one board from another.
#include "tavo/backends/device_nodes.h"

namespace tavo {
namespace {

// The first of a device's location paths: which socket of which hub of which controller.
std::wstring LocationPath(const SetupApi& setup, DEVINST node) {
    wchar_t paths[1024] = {};
    ULONG size = sizeof paths - 2 * sizeof *paths; // two nulls end it in any case
    if (setup.CM_Get_DevNode_Registry_PropertyW(node, CM_DRP_LOCATION_PATHS, nullptr, paths, &size,
                                                0) != CR_SUCCESS)
        return {};
    return paths;
}

} // namespace

void FindUsbDevice(const SetupApi& setup, DEVINST node, PortDevice& port) {
    constexpr int kLevels = 3;
    for (int level = 0; level < kLevels; ++level) {
        wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
        if (setup.CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) return;
        if (ParseUsbDeviceId(id)) {
            port.usbDevice = id;
            port.usbLocation = LocationPath(setup, node);
            return;
        }
        if (setup.CM_Get_Parent(&node, node, 0) != CR_SUCCESS) return;
    }
}

} // namespace tavo
