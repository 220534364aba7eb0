// Finding windows of another process and reading what a user would see of them.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kivdrv {

using namespace std::chrono_literals;

// What a top-level window must match; unset fields match anything.
struct WindowQuery {
    std::optional<std::wstring> title = std::nullopt; // exact
    std::optional<std::wstring> cls = std::nullopt;   // exact
    DWORD processId = 0;                              // 0: any process
    bool visibleOnly = false;
};

// `timeout` times KIV_TEST_WAIT_SCALE (default 1): under the test PC's emulation a program
// takes several times as long to show a window or to end.
std::chrono::milliseconds Stretched(std::chrono::milliseconds timeout);

// Polls `done` until it is true or Stretched(`timeout`) has passed; true if it became true.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s);

std::vector<HWND> FindTopLevelWindows(const WindowQuery& query);
HWND FindTopLevelWindow(const WindowQuery& query); // null when there is none
HWND WaitForWindow(const WindowQuery& query, std::chrono::milliseconds timeout = 10s);

// Direct children of `parent` (in z-order).
std::vector<HWND> ChildWindows(HWND parent);
// The direct child of `parent` with the given class and, when set, control id.
HWND FindChild(HWND parent, const std::wstring& cls, std::optional<int> id = std::nullopt);

// A window's text, also the contents of another process's controls (WM_GETTEXT).
std::wstring WindowText(HWND window);
std::wstring WindowClass(HWND window);
DWORD WindowProcessId(HWND window);

struct WindowState {
    RECT rect{};       // screen coordinates
    RECT clientRect{}; // client coordinates: left and top are 0
    bool visible = false;
    bool minimized = false;
    bool maximized = false;
    bool enabled = false;
};
std::optional<WindowState> ReadWindowState(HWND window); // nullopt once the window is gone

} // namespace kivdrv
