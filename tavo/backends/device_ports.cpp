#include "tavo/backends/device_ports.h"

#include <array>

#include "tavo/settings/board_choice.h"
#include "tavo/settings/settings.h"

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

// `text` begins with `lowerPrefix`, in any letter case of A-Z.
bool StartsWithNoCase(std::wstring_view text, std::wstring_view lowerPrefix) {
    if (text.size() < lowerPrefix.size()) return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i)
        if (LowerAscii(text[i]) != lowerPrefix[i]) return false;
    return true;
}

constexpr std::wstring_view kUsbPrefix = L"usb\\vid_"; // then 4 digits, "&pid_", 4 digits
constexpr std::size_t kVendorAt = 8, kProductAt = 17, kInstanceAt = 22;

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
    if (!ParseComPort(device.portName)) return false;
    for (const auto& id : device.hardwareIds)
        if (StartsWithNoCase(id, L"usb\\") || StartsWithNoCase(id, L"ftdibus\\")) return true;
    return false;
}

std::optional<UsbDeviceId> ParseUsbDeviceId(std::wstring_view id) {
    if (!StartsWithNoCase(id, kUsbPrefix)) return std::nullopt;
    const auto vendor = ParseHex4(id, kVendorAt);
    if (!vendor || !StartsWithNoCase(id.substr(kVendorAt + 4), L"&pid_")) return std::nullopt;
    const auto product = ParseHex4(id, kProductAt);
    if (!product || id.size() <= kInstanceAt || id[kInstanceAt - 1] != L'\\') return std::nullopt;
    return UsbDeviceId{*vendor, *product, id.substr(kInstanceAt)};
}

} // namespace tavo
