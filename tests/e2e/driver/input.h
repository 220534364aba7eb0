// Input to another program: posted messages (no focus needed) or real input through
// SendInput (goes where a user's input would go: the focused window, the window under
// the cursor).
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string_view>

namespace kivdrv {

// WM_COMMAND with the id, as from a menu (notification code 0).
bool PostCommand(HWND window, int id);

// WM_KEYDOWN and WM_KEYUP of one key. Modifier state is not posted: use SendKeys for
// Ctrl+ combinations and accelerators that test it.
bool PostKey(HWND window, UINT virtualKey);

// Makes the window the foreground window, which gets SendKeys' input.
bool BringToFront(HWND window);

// Presses the keys in order and releases them in reverse: SendKeys({VK_CONTROL, 'N'}).
bool SendKeys(std::initializer_list<WORD> keys);

// Types text as Unicode characters into the focused control.
bool TypeText(std::wstring_view text);

// A left click at a point of the window's client area: the cursor moves there first.
bool ClickClient(HWND window, POINT client);

} // namespace kivdrv
