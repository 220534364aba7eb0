#include "window_find.h"

#include <algorithm>
#include <thread>

namespace kivdrv {
namespace {

constexpr auto kPollInterval = 20ms;
constexpr auto kTextTimeout = 5000ms;

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

bool Matches(HWND window, const WindowQuery& query) {
    if (query.processId && WindowProcessId(window) != query.processId) return false;
    if (query.visibleOnly && !IsWindowVisible(window)) return false;
    if (query.cls && WindowClass(window) != *query.cls) return false;
    return !query.title || WindowText(window) == *query.title;
}

} // namespace

std::chrono::milliseconds Stretched(std::chrono::milliseconds timeout) {
    static const int scale = [] {
        wchar_t text[16] = L"";
        GetEnvironmentVariableW(L"KIV_TEST_WAIT_SCALE", text, 16);
        return std::max(1, _wtoi(text));
    }();
    return timeout * scale;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + Stretched(timeout);
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

std::vector<HWND> FindTopLevelWindows(const WindowQuery& query) {
    std::vector<HWND> all;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
    std::erase_if(all, [&](HWND w) { return !Matches(w, query); });
    return all;
}

HWND FindTopLevelWindow(const WindowQuery& query) {
    const auto found = FindTopLevelWindows(query);
    return found.empty() ? nullptr : found.front();
}

HWND WaitForWindow(const WindowQuery& query, std::chrono::milliseconds timeout) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopLevelWindow(query)) != nullptr; }, timeout);
    return found;
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

HWND FindChild(HWND parent, const std::wstring& cls, std::optional<int> id) {
    for (HWND child : ChildWindows(parent))
        if (WindowClass(child) == cls && (!id || GetDlgCtrlID(child) == *id)) return child;
    return nullptr;
}

std::wstring WindowText(HWND window) {
    // GetWindowText does not fetch the text of another process's controls; the
    // message does, and the time-out keeps a hung program from hanging the test.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG,
                             static_cast<UINT>(Stretched(kTextTimeout).count()), &length))
        return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, static_cast<UINT>(Stretched(kTextTimeout).count()),
                             &copied))
        return {};
    text.resize(copied);
    return text;
}

std::wstring WindowClass(HWND window) {
    wchar_t name[256]{};
    const int n = GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return std::wstring(name, n > 0 ? n : 0);
}

DWORD WindowProcessId(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id;
}

std::optional<WindowState> ReadWindowState(HWND window) {
    WindowState state;
    if (!IsWindow(window) || !GetWindowRect(window, &state.rect) ||
        !GetClientRect(window, &state.clientRect))
        return std::nullopt;
    state.visible = IsWindowVisible(window);
    state.minimized = IsIconic(window);
    state.maximized = IsZoomed(window);
    state.enabled = IsWindowEnabled(window);
    return state;
}

} // namespace kivdrv
