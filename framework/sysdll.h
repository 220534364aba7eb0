// Functions of system DLLs that only some commands need (file dialogs, help, the shell),
// loaded on first use: under Wine every DLL loaded at process start slows the start-up.
#pragma once
#include "port/port_library.h"

namespace sysdll {
// The function from the system folder's DLL (never another folder), or null when the DLL
// or the function is missing. A loaded DLL stays loaded for the process.
template <class F> F* Function(const wchar_t* dll, const char* name) {
    return FindPortExport<F>(LoadPortLibraryFrom({}, dll), name);
}
} // namespace sysdll
