#include "tavo/exports/port_table.h"

namespace tavo {

std::uint32_t CPortTable::Open(std::uint32_t address) {
    // Handles count up; after a wrap skip 0 and any handle still open.
    while (m_nextHandle == 0 || m_ports.contains(m_nextHandle))
        ++m_nextHandle;
    const auto handle = m_nextHandle++;
    m_ports.emplace(handle, Port{address, 0});
    return handle;
}

bool CPortTable::Write(std::uint32_t handle, std::uint32_t value) {
    const auto it = m_ports.find(handle);
    if (it == m_ports.end()) return false;
    it->second.data = static_cast<std::uint8_t>(value & 0xFF);
    return true;
}

bool CPortTable::Close(std::uint32_t handle) {
    return m_ports.erase(handle) != 0;
}

std::optional<std::uint8_t> CPortTable::Data(std::uint32_t handle) const {
    const auto it = m_ports.find(handle);
    if (it == m_ports.end()) return std::nullopt;
    return it->second.data;
}

std::optional<std::uint32_t> CPortTable::Address(std::uint32_t handle) const {
    const auto it = m_ports.find(handle);
    if (it == m_ports.end()) return std::nullopt;
    return it->second.address;
}

std::vector<std::uint32_t> CPortTable::Addresses() const {
    std::vector<std::uint32_t> addresses;
    for (const auto& [handle, port] : m_ports)
        addresses.push_back(port.address);
    return addresses;
}

} // namespace tavo
