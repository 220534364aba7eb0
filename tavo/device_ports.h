// The parallel ports the system's device configuration knows. Each device of the Ports
// class answers its port name ("LPT1", "COM3") and the first I/O range of its allocated
// configuration; which of them are LPT1..LPT3 is decided here, in plain C++ without
// Windows headers, so it is tested against answers recorded from real machines.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "lpt_config.h"

namespace tavo {

// One device's answers.
struct PortDevice {
    std::wstring portName;               // its "PortName" value; empty when it has none
    std::optional<std::uint64_t> ioBase; // start of its first allocated I/O range, if any
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

// "378,0,d100": the form TAVO_LPT and tavo.ini take.
std::string LptListText(const LptAddresses& ports);

class CReporter;

// The system's own device configuration (SetupAPI, loaded when first asked; a note to
// `reporter` when it cannot be); defined in tavo.dll only.
std::unique_ptr<CPortDevices> MakeSystemPortDevices(CReporter& reporter);

} // namespace tavo
