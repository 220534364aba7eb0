#include "proc_ports.h"

#include <climits>
#include <cstdlib>
#include <fstream>

namespace kivparport {

std::uint32_t ReadBaseAddress(const std::string& procDir, int index) {
    std::ifstream file(procDir + "/parport" + std::to_string(index) + "/base-addr");
    unsigned long base = 0;
    if (!(file >> base) || base > UINT32_MAX) return 0;
    return static_cast<std::uint32_t>(base);
}

kivwire::Ports ReadProcPorts(const std::string& procDir) {
    kivwire::Ports ports{};
    for (std::size_t i = 0; i < ports.size(); ++i)
        ports[i] = ReadBaseAddress(procDir, static_cast<int>(i));
    return ports;
}

std::optional<int> DeviceIndex(const std::string& device) {
    char resolved[PATH_MAX];
    const std::string path = realpath(device.c_str(), resolved) ? resolved : device;
    const std::string prefix = "/dev/parport";
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    int index = 0;
    for (std::size_t i = prefix.size(); i < path.size(); ++i) {
        if (path[i] < '0' || path[i] > '9' || index > 1000) return std::nullopt;
        index = index * 10 + (path[i] - '0');
    }
    return index;
}

} // namespace kivparport
