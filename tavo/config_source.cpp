#include "config_source.h"

#include "file_handle.h"

namespace tavo {
namespace {

// The ini file is one short line; anything beyond this is not an address line anyway.
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
// that exists but cannot be read gives an empty text, which counts as malformed.
std::optional<std::string> ReadIniBeside(HMODULE self) {
    auto path = ModulePath(self);
    const auto slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return std::nullopt;
    path.replace(slash + 1, std::wstring::npos, L"tavo.ini");

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

LptAddresses LoadLptConfig(HMODULE self) {
    if (const auto env = ReadEnvironment(L"TAVO_LPT")) return ResolveLpt(ToAscii(*env), {});
    if (const auto ini = ReadIniBeside(self)) return ResolveLpt({}, *ini);
    return ResolveLpt({}, {});
}

} // namespace tavo
