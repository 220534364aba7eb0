// Files a test looks at or prepares: settings, patterns, the port trace; a fresh folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "tavo/settings/trace_format.h"

namespace kivdrv {

// The whole file; nullopt when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path);
bool WriteFileBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// The calls recorded by tavo.dll in a TAVO_TRACE file; nullopt when the file is missing
// or holds a malformed line.
std::optional<std::vector<tavo::TraceRecord>> ReadTrace(const std::filesystem::path& path);

// A new empty folder under the system's temporary folder, removed with all it holds
// when the owner goes (unless Keep is called, for looking into a failed test).
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return m_path / name;
    }
    void Keep() { m_keep = true; }

private:
    std::filesystem::path m_path;
    bool m_keep = false;
};

} // namespace kivdrv
