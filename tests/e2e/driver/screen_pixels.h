// What is on the screen, as pixels: for checks of what a user sees.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace kivdrv {

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb; // 0x00RRGGBB, rows top-down

    std::uint32_t At(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

// The screen inside `rect` (screen coordinates); empty when it cannot be read.
Pixels CaptureScreen(const RECT& rect);

// True when `pixels` shows `icon` drawn at its top-left corner at that size: every
// opaque pixel of the icon is there, whatever the background.
bool IconCovers(HICON icon, const Pixels& pixels);

} // namespace kivdrv
