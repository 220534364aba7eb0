// Standard message boxes (dialog class "#32770") of another process: read and answer them.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace kivdrv {

using namespace std::chrono_literals;

enum class IconKind { None, Error, Warning, Question, Information, Unknown };
const char* ToString(IconKind kind);

struct BoxButton {
    int id = 0;
    std::wstring text; // as shown, mnemonic markers removed
};

struct MessageBoxInfo {
    std::wstring caption;
    std::wstring text;
    IconKind icon = IconKind::None;
    std::vector<BoxButton> buttons;
};

// The first visible dialog-class window of the process, once it has its caption; null
// after `timeout`.
HWND WaitForMessageBox(DWORD processId, std::chrono::milliseconds timeout = 10s);

// Caption, text, buttons and icon. The icon is told by what the box shows on screen, so
// the box must not be covered; it is waited for up to `iconTimeout` while it paints.
MessageBoxInfo ReadMessageBox(HWND box, std::chrono::milliseconds iconTimeout = 3s);

// Which standard icon the box shows (see ReadMessageBox).
IconKind ReadIconKind(HWND box, std::chrono::milliseconds timeout = 3s);

// Presses a button as a click would (WM_COMMAND to the box); false if there is none.
bool PressButton(HWND box, int id);
bool PressButton(HWND box, const std::wstring& text); // shown text, '&' optional

} // namespace kivdrv
