#include "tavo/backends/driver_loader.h"

#include <vector>

namespace tavo {
namespace {

// Windows 7 without its loader update (KB2533623) refuses the LOAD_LIBRARY_SEARCH_* flags
// with ERROR_INVALID_PARAMETER; the full path then still keeps the current directory out,
// and the altered search path looks for the driver's own imports beside it first.
HMODULE LoadByFullPath(LoadLibraryExFn load, const std::wstring& path, DWORD flags) {
    if (const HMODULE module = load(path.c_str(), nullptr, flags)) return module;
    if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    return load(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

std::wstring Wide(std::string_view name) {
    return {name.begin(), name.end()};
}

} // namespace

std::wstring SystemFolder() {
    wchar_t path[MAX_PATH];
    const UINT n = GetSystemDirectoryW(path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(path, n) + L"\\" : std::wstring();
}

HMODULE LoadSystemLibrary(std::string_view name) {
    const std::wstring folder = SystemFolder();
    if (folder.empty()) return nullptr;
    return LoadByFullPath(&LoadLibraryExW, folder + Wide(name), LOAD_LIBRARY_SEARCH_SYSTEM32);
}

CLibraryModule LoadDriverLibrary(const std::wstring& ownFolder, std::string_view name,
                                 CReporter& reporter, bool& absent, LoadLibraryExFn load) {
    struct Place {
        std::wstring folder;
        DWORD flags;
        const char* where;
    };
    const Place places[] = {
        {ownFolder, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32,
         "beside tavo.dll"},
        {SystemFolder(), LOAD_LIBRARY_SEARCH_SYSTEM32, "in the system folder"},
    };
    const std::wstring file = Wide(name);
    absent = true;
    for (const auto& place : places) {
        if (place.folder.empty()) continue;
        if (CLibraryModule module{LoadByFullPath(load, place.folder + file, place.flags)})
            return module;
        const DWORD error = GetLastError();
        if (error == ERROR_MOD_NOT_FOUND) continue;
        absent = false;
        reporter.TraceNote("inpout: " + std::string(name) + " " + place.where +
                           " does not load (error " + std::to_string(error) + ")");
    }
    return nullptr;
}

} // namespace tavo
