// What the configuration manager tells of a device node beyond SetupAPI's list: where
// its I/O range starts (the address of an LPT port, io_ranges.cpp), and the USB device it
// belongs to (which board a COM port is, usb_parents.cpp).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "tavo/backends/device_list.h"
#include "tavo/backends/device_ports.h"

namespace tavo {

// Where the first I/O range of the device's allocated configuration starts.
std::optional<std::uint64_t> FirstIoBase(const SetupApi& setup, DEVINST device);

// Fills `port`'s usbDevice and usbLocation from the USB device it belongs to: the port's
// own device, or one above it (an FTDI port sits under its bus driver's device, a CDC
// port under its composite device). Leaves them empty when there is none.
void FindUsbDevice(const SetupApi& setup, DEVINST node, PortDevice& port);

} // namespace tavo
