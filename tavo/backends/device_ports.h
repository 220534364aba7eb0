// The ports the system's device configuration knows. Each device of the Ports class
// answers its port name ("LPT1", "COM3"), the first I/O range of its allocated
// configuration, its friendly name and hardware ids; which of them are LPT1..LPT3, and
// which COM ports are USB serial adapters, is decided here, in plain C++ without Windows
// headers, so it is tested against answers recorded from real machines.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tavo/settings/lpt_config.h"

namespace tavo {

// One device's answers.
struct PortDevice {
    std::wstring portName;                   // its "PortName" value; empty when it has none
    std::optional<std::uint64_t> ioBase;     // start of its first allocated I/O range, if any
    std::wstring friendlyName{};             // "USB-SERIAL CH340 (COM3)"; may be empty
    std::vector<std::wstring> hardwareIds{}; // "USB\VID_1A86&PID_7523&REV_0254", ...
    // The USB device it belongs to (itself, or the one above it): its instance id
    // ("USB\VID_0403&PID_6001\A50285BI") and the socket it is plugged in
    // ("PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)"); empty when it is no USB device.
    std::wstring usbDevice{};
    std::wstring usbLocation{};
};

// Where the answers come from: the system (MakeSystemPortDevices) or a recording.
class CPortDevices {
public:
    virtual ~CPortDevices() = default;
    // The present devices of the Ports class, in the system's order.
    virtual std::vector<PortDevice> Present() const = 0;
};

// LPT1..LPT3 from the devices named so, each at the first I/O base it answers. A device
// without an I/O range, or with one beyond the 16-bit I/O space, leaves its port absent;
// of two devices with the same name the first counts. nullopt when no port is left.
std::optional<LptAddresses> LptFromDevices(std::span<const PortDevice> devices);

// A COM port whose device says it is a USB serial adapter: a hardware id from the USB bus
// ("USB\VID_1A86&PID_7523", a CH340; "USB\VID_2341&PID_0043", an Arduino's own chip) or
// from FTDI's bus driver ("FTDIBUS\COMPORT&VID_0403&PID_6001"). Built-in ports (ACPI\PNP0501),
// Bluetooth links (BTHENUM\...) and ports made by software (ROOT\..., com0com) are not.
// The friendly name is only shown: its words vary with the driver and the language.
bool IsUsbSerialAdapter(const PortDevice& device);

// "USB\VID_0403&PID_6001\A50285BI": a USB device's own instance id, not one of its
// functions' (&MI_) nor a driver's child; nullopt for any other id.
struct UsbDeviceId {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::wstring_view instance; // "A50285BI", within the id given
};
std::optional<UsbDeviceId> ParseUsbDeviceId(std::wstring_view id);

class CReporter;

// The system's own device configuration (SetupAPI, loaded when first asked; a note to
// `reporter`, naming `who` asked, when it cannot be); defined in tavo.dll only.
std::unique_ptr<CPortDevices> MakeSystemPortDevices(CReporter& reporter,
                                                    std::string_view who = "device configuration");

} // namespace tavo
