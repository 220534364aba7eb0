// Where Linux says the parallel ports are: /proc/sys/dev/parport/parportN/base-addr.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "wire_format.h"

namespace kivparport {

inline constexpr const char* kProcParport = "/proc/sys/dev/parport";

// The base address of parportN (the first number of its base-addr file); 0 when unknown.
std::uint32_t ReadBaseAddress(const std::string& procDir, int index);

// LPT1..LPT3 as parport0..parport2.
kivwire::Ports ReadProcPorts(const std::string& procDir);

// The N of /dev/parportN, symbolic links followed; nullopt for any other name.
std::optional<int> DeviceIndex(const std::string& device);

} // namespace kivparport
