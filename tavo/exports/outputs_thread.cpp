#include "tavo/exports/outputs_thread.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "tavo/settings/library_thread.h"
#include "tavo/window/outputs_window.h"

namespace tavo {
namespace {

std::atomic<bool> g_open{false};
std::atomic<DWORD> g_thread{0}; // the open window's thread, once it runs

BOOL CALLBACK BringToFront(HWND window, LPARAM) {
    if (IsWindowVisible(window)) SetForegroundWindow(window);
    return TRUE;
}

// `port`: the address of the port whose panel opened it.
DWORD WINAPI WindowMain(void* port) {
    g_thread = GetCurrentThreadId();
    try {
        ShowOutputsWindow(nullptr, std::uint32_t(reinterpret_cast<std::uintptr_t>(port)));
    } catch (...) {
    }
    g_thread = 0;
    g_open = false;
    FreeLibraryAndExitThread(ThisLibrary(), 0);
}

} // namespace

void OpenOutputsWindowAside(std::uint32_t port) {
    if (g_open.exchange(true)) {
        if (const DWORD thread = g_thread) EnumThreadWindows(thread, BringToFront, 0);
        return;
    }
    if (!StartLibraryThread(WindowMain, reinterpret_cast<void*>(std::uintptr_t(port))))
        g_open = false;
}

} // namespace tavo
