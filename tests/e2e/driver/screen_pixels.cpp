#include "screen_pixels.h"

#include <cstring>

namespace kivdrv {
namespace {

// A top-down 32-bit DIB section selected into a memory DC.
class CDibCanvas {
public:
    CDibCanvas(int width, int height) : m_width(width), m_height(height) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
        if (m_dc && m_bitmap) m_old = SelectObject(m_dc, m_bitmap);
    }
    ~CDibCanvas() {
        if (m_old) SelectObject(m_dc, m_old);
        if (m_bitmap) DeleteObject(m_bitmap);
        if (m_dc) DeleteDC(m_dc);
    }
    CDibCanvas(const CDibCanvas&) = delete;
    CDibCanvas& operator=(const CDibCanvas&) = delete;

    bool IsValid() const { return m_old != nullptr; }
    HDC Dc() const { return m_dc; }

    Pixels Read() const {
        GdiFlush();
        Pixels out{m_width, m_height, std::vector<std::uint32_t>(std::size_t(m_width) * m_height)};
        std::memcpy(out.rgb.data(), m_bits, out.rgb.size() * sizeof(std::uint32_t));
        for (auto& p : out.rgb)
            p &= 0xFFFFFF;
        return out;
    }

    void Fill(COLORREF color) const {
        const HBRUSH brush = CreateSolidBrush(color);
        const RECT all{0, 0, m_width, m_height};
        FillRect(m_dc, &all, brush);
        DeleteObject(brush);
    }

private:
    int m_width;
    int m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    void* m_bits = nullptr;
};

Pixels DrawIconOn(HICON icon, int width, int height, COLORREF background) {
    const CDibCanvas canvas(width, height);
    if (!canvas.IsValid()) return {};
    canvas.Fill(background);
    DrawIconEx(canvas.Dc(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    return canvas.Read();
}

} // namespace

Pixels CaptureScreen(const RECT& rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return {};
    const CDibCanvas canvas(width, height);
    const HDC screen = GetDC(nullptr);
    const bool copied =
        canvas.IsValid() && screen &&
        BitBlt(canvas.Dc(), 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    if (screen) ReleaseDC(nullptr, screen);
    return copied ? canvas.Read() : Pixels{};
}

bool IconCovers(HICON icon, const Pixels& pixels) {
    if (!icon || pixels.rgb.empty()) return false;
    // Pixels that come out the same over black and over white are the icon's own.
    const auto overBlack = DrawIconOn(icon, pixels.width, pixels.height, RGB(0, 0, 0));
    const auto overWhite = DrawIconOn(icon, pixels.width, pixels.height, RGB(255, 255, 255));
    if (overBlack.rgb.size() != pixels.rgb.size() || overWhite.rgb.size() != pixels.rgb.size())
        return false;
    std::size_t opaque = 0;
    for (std::size_t i = 0; i < pixels.rgb.size(); ++i) {
        if (overBlack.rgb[i] != overWhite.rgb[i]) continue;
        ++opaque;
        if (overBlack.rgb[i] != pixels.rgb[i]) return false;
    }
    return opaque > 0;
}

} // namespace kivdrv
