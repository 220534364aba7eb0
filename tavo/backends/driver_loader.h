// Loading DLLs by their full path, never from the current directory: the port-I/O driver
// library from tavo.dll's folder or the system folder, and the system DLLs that only some
// back ends need (SetupAPI, HID, Winsock, BCrypt) from the system folder on first use:
// under Wine every DLL imported at load slows the program's start.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "tavo/backends/backend.h"

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

// The system folder with its trailing backslash; empty when unknown.
std::wstring SystemFolder();

// `name` from the system folder; null, with the error in GetLastError, when it does not load.
// Loaded for the process: freeing it at unload would run inside the loader lock.
HMODULE LoadSystemLibrary(std::string_view name);

// Fills a table of a system DLL's functions by their names.
class CSystemExports {
public:
    explicit CSystemExports(HMODULE module) : m_module(module) {}

    // The table keeps the header's declared type, calling convention included.
    template <typename Fn> bool Find(const char* name, Fn& fn) {
        fn = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(m_module, name)));
        if (!fn) m_missing = name;
        return fn != nullptr;
    }
    const char* Missing() const { return m_missing; }

private:
    HMODULE m_module;
    const char* m_missing = nullptr; // a literal of the table's Bind
};

// The table `Api` (its DLL `Api::kDll`, its functions found by `Api::Bind(CSystemExports&)`),
// filled once for the process; null when the DLL does not load or lacks a function, with a
// note for `who` in the trace at every call, so each back end that fails says why.
template <typename Api> const Api* SystemApi(CReporter& reporter, std::string_view who) {
    struct Loaded {
        Api api{};
        bool bound = false;
        DWORD error = 0;               // the DLL did not load
        const char* missing = nullptr; // it lacks this function
    };
    // Nothing of it runs at unload, when back ends may still be letting go of their handles.
    static_assert(std::is_trivially_destructible_v<Loaded>);
    static const Loaded loaded = [] {
        Loaded result;
        const HMODULE module = LoadSystemLibrary(Api::kDll);
        if (!module) {
            result.error = GetLastError();
            return result;
        }
        CSystemExports exports(module);
        result.bound = result.api.Bind(exports);
        result.missing = exports.Missing();
        return result;
    }();
    if (loaded.bound) return &loaded.api;
    reporter.TraceNote(std::string(who) + ": " + Api::kDll +
                       (loaded.missing ? std::string(" lacks ") + loaded.missing
                                       : " does not load from the system folder (error " +
                                             std::to_string(loaded.error) + ")"));
    return nullptr;
}

} // namespace tavo
