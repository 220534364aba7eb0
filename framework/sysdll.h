// Functions of system DLLs that only some commands need (file dialogs, help, the shell),
// loaded on first use: under Wine every DLL loaded at process start slows the start-up.
#pragma once

#include <windows.h>

#include <string>

namespace sysdll {

// The DLL from the system folder by its full path, never from another folder; null when
// it is missing. A loaded DLL stays loaded for the process.
inline HMODULE Load(const wchar_t* dll) {
    wchar_t folder[MAX_PATH];
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, n) + L'\\' + dll;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The function, or null when the DLL or the function is missing.
template <class F> F* Function(const wchar_t* dll, const char* name) {
    const HMODULE module = Load(dll);
    if (!module) return nullptr;
    // Through void(*)(): the one function pointer type every other converts from cleanly.
    return reinterpret_cast<F*>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

} // namespace sysdll
