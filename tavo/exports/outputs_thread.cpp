#include "tavo/exports/outputs_thread.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <optional>

#include "tavo/lamps/program_hook.h"
#include "tavo/settings/library_thread.h"
#include "tavo/window/outputs_window.h"

namespace tavo {
namespace {

std::atomic<bool> g_open{false};
std::atomic<DWORD> g_thread{0}; // the open window's thread, once it runs
// Set once the window is closed and its check is over; never closed.
const HANDLE g_closed = CreateEventW(nullptr, TRUE, TRUE, nullptr);

BOOL CALLBACK BringToFront(HWND window, LPARAM) {
    if (IsWindowVisible(window)) SetForegroundWindow(window);
    return TRUE;
}

BOOL CALLBACK AskToEnd(HWND window, LPARAM) {
    PostMessageW(window, kProgramEnds, 0, 0);
    return TRUE;
}

// On the program's thread as its window goes, the library already freed: the process is
// about to end and would kill the window's thread wherever it stood, a relay on or the
// user's changes unsaved. So the window is asked to end and waited for. The library stays
// mapped from now on, since this thread runs its code while the window's lets it go.
void OnProgramMessage(UINT message, WPARAM, LPARAM) {
    if (message != WM_DESTROY || WaitForSingleObject(g_closed, 0) == WAIT_OBJECT_0) return;
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&OnProgramMessage), &pinned);
    // The window may not be up yet, or a box of its own may hold the first request.
    do {
        if (const DWORD thread = g_thread) EnumThreadWindows(thread, AskToEnd, 0);
        MSG sent; // only what other threads send (a Wine activation) is handled
        PeekMessageW(&sent, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    } while (MsgWaitForMultipleObjects(1, &g_closed, FALSE, 200, QS_SENDMESSAGE) != WAIT_OBJECT_0);
}

// `port`: the address of the port whose panel opened it.
DWORD WINAPI WindowMain(void* port) {
    g_thread = GetCurrentThreadId();
    std::optional<CProgramHook> programEnds;
    try {
        programEnds.emplace(ThisLibrary(), CProgramHook::Kind::Sent, OnProgramMessage);
        ShowOutputsWindow(nullptr, std::uint32_t(reinterpret_cast<std::uintptr_t>(port)));
    } catch (...) {
    }
    g_thread = 0;
    g_open = false;
    SetEvent(g_closed);
    programEnds.reset(); // waits for OnProgramMessage, which waits for the event just set
    FreeLibraryAndExitThread(ThisLibrary(), 0);
}

} // namespace

void OpenOutputsWindowAside(std::uint32_t port) {
    if (g_open.exchange(true)) {
        if (const DWORD thread = g_thread) EnumThreadWindows(thread, BringToFront, 0);
        return;
    }
    ResetEvent(g_closed);
    if (!StartLibraryThread(WindowMain, reinterpret_cast<void*>(std::uintptr_t(port)))) {
        g_open = false;
        SetEvent(g_closed);
    }
}

} // namespace tavo
