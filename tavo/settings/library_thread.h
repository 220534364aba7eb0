// Threads of the library that hold their own reference to it, so the program may free
// the library while one runs: the library stays until the thread is done.
#pragma once

#include <windows.h>

namespace tavo {

// This library's module.
HMODULE ThisLibrary();

// Starts `main(argument)` on such a thread; `main` must end with
// FreeLibraryAndExitThread(ThisLibrary(), 0). False when no thread started.
bool StartLibraryThread(LPTHREAD_START_ROUTINE main, void* argument);

} // namespace tavo
