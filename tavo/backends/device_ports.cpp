#include "tavo/backends/device_ports.h"

#include <algorithm>
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

} // namespace

bool StartsWithNoCase(std::wstring_view text, std::wstring_view lowerPrefix) {
    if (text.size() < lowerPrefix.size()) return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i)
        if (LowerAscii(text[i]) != lowerPrefix[i]) return false;
    return true;
}

bool SameNoCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return LowerAscii(x) == LowerAscii(y); });
}

std::optional<int> ParseComPort(std::string_view text) {
    if (text.size() < 4 || text.size() > 6) return std::nullopt;
    for (std::size_t i = 0; i < 3; ++i)
        if ((text[i] | 0x20) != "com"[i]) return std::nullopt;
    int number = 0;
    for (const char c : text.substr(3)) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + (c - '0');
    }
    if (text[3] == '0' || number > 256) return std::nullopt;
    return number;
}

std::optional<int> ParseComPort(std::wstring_view text) {
    std::string narrow;
    for (const wchar_t c : text)
        narrow += c < 0x80 ? char(c) : '?';
    return ParseComPort(narrow);
}

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
    if (!ParseComPort(device.portName)) return false;
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
