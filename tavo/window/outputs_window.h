// The window "Выходы": the outputs the library can drive, their settings and a test.
#pragma once

#include <windows.h>

#include <cstdint>

namespace tavo {

// Shows the window modally over `owner` (may be null) and returns when it is closed:
// true when the user saved new settings with OK. "Проверить" lights the port at `port`
// (the one the program drives), 0 for the first.
bool ShowOutputsWindow(HWND owner, std::uint32_t port = 0);

// Posted to the window when the program ends: it ends a check (every line off, the output
// closed) and closes; with unsaved changes it asks first whether to save them.
inline constexpr UINT kProgramEnds = WM_APP + 2;

} // namespace tavo
