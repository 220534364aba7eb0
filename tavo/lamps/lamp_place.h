// Where a lamp panel goes on the screen: where the user last left this port's panel, else
// beside the program's window; always on a monitor.
#pragma once

#include <windows.h>

#include <cstdint>

namespace tavo {

// The panel's window rectangle of `size` for the port at `address`. `index` counts the
// panels already placed, so that several ports' panels do not cover each other.
RECT PlacePanel(std::uint32_t address, SIZE size, int index);

// The program's frame: the foreground window when it is ours, else our topmost one
// (visible, captioned, no tool window); null when there is none.
HWND ProgramWindow();

// Remembers where the user moved the port's panel, for the current user.
void SavePanelPlace(std::uint32_t address, POINT topLeft);

} // namespace tavo
