#include "tavo/settings/library_thread.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace tavo {

HMODULE ThisLibrary() {
    return reinterpret_cast<HMODULE>(&__ImageBase);
}

bool StartLibraryThread(LPTHREAD_START_ROUTINE main, void* argument) {
    HMODULE reference = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&__ImageBase), &reference))
        return false;
    const HANDLE thread = CreateThread(nullptr, 0, main, argument, 0, nullptr);
    if (!thread) {
        FreeLibrary(reference);
        return false;
    }
    CloseHandle(thread);
    return true;
}

} // namespace tavo
