// Loading the port-I/O driver library by its full path: from tavo.dll's folder, else from
// the system folder, never from the current directory.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "backend.h"

namespace tavo {

struct LibraryFreer {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using CLibraryModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer>;

// LoadLibraryExW, or a stand-in for the tests.
using LoadLibraryExFn = HMODULE(WINAPI*)(LPCWSTR path, HANDLE file, DWORD flags);

// `name` from `ownFolder` (with its trailing backslash; empty: not known), else from the
// system folder; failures other than an absent file go to the trace. `absent` tells that
// neither place has it at all.
CLibraryModule LoadDriverLibrary(const std::wstring& ownFolder, std::string_view name,
                                 CReporter& reporter, bool& absent,
                                 LoadLibraryExFn load = &LoadLibraryExW);

} // namespace tavo
