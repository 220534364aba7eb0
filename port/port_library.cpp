#include "port_library.h"

#include <string>

namespace {

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring{} : path.substr(0, slash + 1);
}

bool IsNotThere(DWORD error) {
    return error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND ||
           error == ERROR_PATH_NOT_FOUND;
}

// Windows 7 without update KB2533623 knows no LOAD_LIBRARY_SEARCH_* flags and answers
// ERROR_INVALID_PARAMETER; a full path with the altered search order still keeps the
// current directory out of the library's own lookup.
HMODULE LoadFullPath(const std::wstring& path) {
    const HMODULE module = LoadLibraryExW(
        path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH];
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? std::wstring{} : std::wstring(folder, n) + L'\\';
}

} // namespace

HMODULE LoadPortLibrary(std::wstring_view name) {
    return LoadPortLibraryFrom(ProgramFolder(), name);
}

HMODULE LoadPortLibraryFrom(const std::wstring& folder, std::wstring_view name) {
    // A library in the folder that fails to load is reported as it is, not replaced by
    // another one of the same name.
    if (!folder.empty()) {
        const HMODULE module = LoadFullPath(folder + std::wstring(name));
        if (module || !IsNotThere(GetLastError())) return module;
    }
    const auto system = SystemFolder();
    if (system.empty()) return nullptr;
    return LoadFullPath(system + std::wstring(name));
}

std::optional<PortRunExports> FindRunExports(HMODULE library, const char** missing) {
    PortRunExports exports{FindPortExport<OpenPrtFn>(library, "OpenPrt"),
                           FindPortExport<W_PFn>(library, "W_P"),
                           FindPortExport<ClosePrtFn>(library, "ClosePrt")};
    const char* absent = !exports.OpenPrt    ? "OpenPrt"
                         : !exports.W_P      ? "W_P"
                         : !exports.ClosePrt ? "ClosePrt"
                                             : nullptr;
    if (missing) *missing = absent;
    if (absent) return std::nullopt;
    return exports;
}
