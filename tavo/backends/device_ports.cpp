#include "tavo/backends/device_ports.h"

#include <charconv>

namespace tavo {
namespace {

constexpr std::uint64_t kLastIoAddress = 0xFFFF;

// 0..2 for "LPT1".."LPT3" in any letter case, -1 for any other name.
int LptNumber(std::wstring_view name) {
    while (!name.empty() && name.back() == L' ')
        name.remove_suffix(1);
    if (name.size() != 4 || name[3] < L'1' || name[3] > L'3') return -1;
    for (std::size_t i = 0; i < 3; ++i)
        if ((name[i] | 0x20) != L"lpt"[i]) return -1;
    return name[3] - L'1';
}

wchar_t LowerAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c;
}

// `text` begins with `prefix` (lower case), in any letter case.
bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (LowerAscii(text[i]) != prefix[i]) return false;
    return true;
}

bool IsComName(std::wstring_view name) {
    if (!StartsWithNoCase(name, L"com") || name.size() == 3) return false;
    for (const wchar_t c : name.substr(3))
        if (c < L'0' || c > L'9') return false;
    return true;
}

} // namespace

std::optional<LptAddresses> LptFromDevices(std::span<const PortDevice> devices) {
    LptAddresses ports{};
    std::array<bool, 3> named{};
    for (const auto& device : devices) {
        const int lpt = LptNumber(device.portName);
        if (lpt < 0 || named[lpt]) continue;
        named[lpt] = true;
        if (device.ioBase && *device.ioBase <= kLastIoAddress)
            ports[lpt] = static_cast<std::uint32_t>(*device.ioBase);
    }
    if (CountPresent(ports) == 0) return std::nullopt;
    return ports;
}

bool IsUsbSerialAdapter(const PortDevice& device) {
    if (!IsComName(device.portName)) return false;
    for (const auto& id : device.hardwareIds)
        if (StartsWithNoCase(id, L"usb\\") || StartsWithNoCase(id, L"ftdibus\\")) return true;
    return false;
}

std::string LptListText(const LptAddresses& ports) {
    std::string text;
    for (const auto address : ports) {
        char digits[8];
        const auto end = std::to_chars(digits, digits + sizeof digits, address, 16).ptr;
        if (!text.empty()) text += ',';
        text.append(digits, end);
    }
    return text;
}

} // namespace tavo
