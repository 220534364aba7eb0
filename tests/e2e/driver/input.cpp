#include "input.h"

#include <vector>

namespace kivdrv {
namespace {

INPUT KeyInput(WORD virtualKey, WORD unicode, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan =
        unicode ? unicode : static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = flags;
    return input;
}

INPUT MouseInput(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    return input;
}

bool Send(std::vector<INPUT>& inputs) {
    return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) ==
           inputs.size();
}

LPARAM KeyLParam(UINT virtualKey, bool up) {
    const LPARAM scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    return 1 | (scan << 16) | (up ? (LPARAM{3} << 30) : 0);
}

} // namespace

bool PostCommand(HWND window, int id) {
    return PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0) != FALSE;
}

bool PostKey(HWND window, UINT virtualKey) {
    return PostMessageW(window, WM_KEYDOWN, virtualKey, KeyLParam(virtualKey, false)) &&
           PostMessageW(window, WM_KEYUP, virtualKey, KeyLParam(virtualKey, true));
}

bool BringToFront(HWND window) {
    return SetForegroundWindow(window) && GetForegroundWindow() == window;
}

bool SendKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (const WORD key : keys)
        inputs.push_back(KeyInput(key, 0, 0));
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it)
        inputs.push_back(KeyInput(*it, 0, KEYEVENTF_KEYUP));
    return Send(inputs);
}

bool TypeText(std::wstring_view text) {
    std::vector<INPUT> inputs;
    for (const wchar_t c : text) {
        inputs.push_back(KeyInput(0, c, KEYEVENTF_UNICODE));
        inputs.push_back(KeyInput(0, c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
    }
    return Send(inputs);
}

bool ClickClient(HWND window, POINT client) {
    // The window's thread first takes in what it has queued, the pointer motion of an
    // earlier click among it: taken in after the move below, that motion would put the
    // pointer back where the earlier click was.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
    if (!ClientToScreen(window, &client) || !SetCursorPos(client.x, client.y)) return false;
    std::vector inputs{MouseInput(MOUSEEVENTF_LEFTDOWN), MouseInput(MOUSEEVENTF_LEFTUP)};
    return Send(inputs);
}

} // namespace kivdrv
