#include "files.h"

#include <windows.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace kivdrv {

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool WriteFileBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

std::optional<std::vector<tavo::TraceRecord>> ReadTrace(const std::filesystem::path& path) {
    const auto bytes = ReadFileBytes(path);
    if (!bytes) return std::nullopt;
    return tavo::ParseTrace({reinterpret_cast<const char*>(bytes->data()), bytes->size()});
}

CTempDir::CTempDir() {
    static std::atomic<unsigned> serial{0};
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        auto candidate = base / (L"kivtest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(serial++));
        if (std::filesystem::create_directory(candidate)) {
            m_path = std::move(candidate);
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

CTempDir::~CTempDir() {
    if (m_keep) return;
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

} // namespace kivdrv
