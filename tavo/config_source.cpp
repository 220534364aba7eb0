#include "config_source.h"

#include "file_handle.h"

namespace tavo {
namespace {

// tavo.ini is a few short lines; anything beyond this is not ours.
constexpr DWORD kMaxIniBytes = 64 * 1024;

// The settings are ASCII; any other character becomes '?', which no parser accepts.
std::string ToAscii(std::wstring_view text) {
    std::string out(text.size(), '?');
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] < 0x80) out[i] = static_cast<char>(text[i]);
    return out;
}

std::wstring ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The text of tavo.ini beside the module; nullopt when there is no such file. A file
// that exists but cannot be read counts as empty.
std::optional<std::string> ReadIniBeside(HMODULE self) {
    const auto folder = ModuleFolder(self);
    if (folder.empty()) return std::nullopt;
    const auto path = folder + L"tavo.ini";

    const auto file =
        AdoptFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
        return std::string{};
    }
    std::string text(kMaxIniBytes, '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), text.data(), kMaxIniBytes, &read, nullptr)) read = 0;
    text.resize(read);
    return text;
}

} // namespace

std::optional<std::wstring> ReadEnvironment(const wchar_t* name) {
    SetLastError(ERROR_SUCCESS);
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::wstring{};
    }
    std::wstring value(size, L'\0');
    const DWORD n = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(n < size ? n : 0);
    return value;
}

std::wstring ModuleFolder(HMODULE module) {
    auto path = ModulePath(module);
    const auto slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {};
    path.resize(slash + 1);
    return path;
}

CSettings LoadSettings(HMODULE self) {
    const auto env = [](std::string_view name) -> std::optional<std::string> {
        const std::wstring wide(name.begin(), name.end());
        if (const auto value = ReadEnvironment(wide.c_str())) return ToAscii(*value);
        return std::nullopt;
    };
    const auto ini = ReadIniBeside(self);
    return CSettings(env, ini ? std::optional<std::string_view>(*ini) : std::nullopt);
}

} // namespace tavo
