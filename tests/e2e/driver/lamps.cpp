#include "lamps.h"

#include "screen_pixels.h"
#include "tavo/lamps/lamp_layout.h"
#include "window_find.h"

namespace kivdrv {

HWND WaitForLampPanel(DWORD processId, const std::wstring& caption,
                      std::chrono::milliseconds timeout) {
    return WaitForWindow({caption, tavo::kLampPanelClass, processId, true}, timeout);
}

std::optional<std::uint8_t> ReadLamps(HWND panel) {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    // The screen is read, so the panel goes above any other topmost window first (a panel
    // of another test's program may sit at the same place); this never activates it.
    SetWindowPos(panel, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RECT client{};
    POINT origin{0, 0};
    if (!GetClientRect(panel, &client) || !ClientToScreen(panel, &origin)) return std::nullopt;
    const Pixels pixels =
        CaptureScreen({origin.x, origin.y, origin.x + client.right, origin.y + client.bottom});
    if (pixels.rgb.empty()) return std::nullopt;
    std::uint8_t value = 0;
    // Our own reading of the panel: at 96 DPI lamp Dj is 22 px wide, its centre at
    // (21 + 30 j, 21), D0 at the left.
    for (int line = 0; line < 8; ++line) {
        const std::uint32_t rgb = pixels.At(MulDiv(21 + 30 * line, dpi, 96), MulDiv(21, dpi, 96));
        const int brightness = ((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF);
        if (brightness > 3 * 128) value |= static_cast<std::uint8_t>(1u << line);
    }
    return value;
}

} // namespace kivdrv
