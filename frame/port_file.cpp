#include "frame/port_file.h"

#include "app/globals.h"
#include "framework/file.h"
#include "framework/safefile.h"

std::wstring PortFilePath() {
    return g_strWorkDir + L"\\port.cst";
}

std::optional<std::uint32_t> ReadPortFile(const std::wstring& path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite)) return std::nullopt;
    std::uint8_t bytes[4] = {};
    try {
        file.Read(bytes, sizeof bytes); // a short file leaves the high bytes 0
    } catch (const CFileException&) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void WriteSettingsFile(const std::wstring& path, std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    AfxWriteFileSafely(path, bytes);
}

void WritePortFile(const std::wstring& path, std::uint32_t address) {
    WriteSettingsFile(path, address);
}

std::uint32_t FirstPresentPort(std::uint32_t lpt1, std::uint32_t lpt2, std::uint32_t lpt3) {
    return lpt1 ? lpt1 : (lpt2 ? lpt2 : lpt3);
}
