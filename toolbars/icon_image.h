// CIconImage: a 32-bit icon resource kept as premultiplied bitmaps (as it is and greyed) and
// drawn by alpha blending, as the system draws such an icon. Loading an icon object asks the
// window server several times under Wine; reading the resource and making a DIB section
// asks it nothing.
#pragma once
#include "framework/gdi.h"

#include <windows.h>

#include <cstdint>
#include <vector>

class CIconImage {
public:
    // The 32-bit image of exactly cx by cy pixels in icon group `id` with an alpha channel;
    // false (and empty) when the group has none.
    bool Load(HMODULE module, UINT id, int cx, int cy);
    // Straight BGRA pixels, top-down; false (and empty) without any alpha.
    bool SetPixels(std::vector<std::uint32_t> pixels, int cx, int cy);
    void Reset();
    bool IsNull() const { return m_pixels.empty(); }
    // Draws at (x, y); `grey` gives the disabled look, made on first use.
    void Draw(HDC dc, int x, int y, bool grey);

    // Straight BGRA pixels, top-down: premultiplied as the system does for a 32-bit icon.
    static std::vector<std::uint32_t> Premultiplied(std::vector<std::uint32_t> pixels);
    // The disabled look: grey, lighter, the alpha kept.
    static std::vector<std::uint32_t> Greyed(std::vector<std::uint32_t> pixels);

private:
    std::vector<std::uint32_t> m_pixels; // straight BGRA, top-down
    int m_cx = 0;
    int m_cy = 0;
    CBitmap m_normal;
    CBitmap m_grey;

    HBITMAP MakeBitmap(const std::vector<std::uint32_t>& straight) const;
};
