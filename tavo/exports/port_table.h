// The open virtual ports: one data register per handle.
// Plain C++ without Windows headers.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace tavo {

class CPortTable {
public:
    explicit CPortTable(std::uint32_t firstHandle = 1) : m_nextHandle(firstHandle) {}

    // Opens a port at any address (known LPT or not: the port is virtual) and returns
    // a fresh handle, never 0 and never one that is still open. Its register starts at 0.
    std::uint32_t Open(std::uint32_t address);

    // Puts value & 0xFF on the data register; false for a handle that is not open.
    bool Write(std::uint32_t handle, std::uint32_t value);

    // false for a handle that is not open.
    bool Close(std::uint32_t handle);

    // The data register of an open handle.
    std::optional<std::uint8_t> Data(std::uint32_t handle) const;
    std::optional<std::uint32_t> Address(std::uint32_t handle) const;

    std::size_t OpenCount() const { return m_ports.size(); }
    // The address of every open handle, in handle order.
    std::vector<std::uint32_t> Addresses() const;

private:
    struct Port {
        std::uint32_t address = 0;
        std::uint8_t data = 0;
    };
    std::map<std::uint32_t, Port> m_ports;
    std::uint32_t m_nextHandle;
};

} // namespace tavo
