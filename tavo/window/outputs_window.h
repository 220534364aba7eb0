// The window "Выходы": the outputs the library can drive, their settings and a test.
#pragma once

#include <windows.h>

namespace tavo {

// Shows the window modally over `owner` (may be null) and returns when it is closed:
// true when the user saved new settings with OK.
bool ShowOutputsWindow(HWND owner);

} // namespace tavo
