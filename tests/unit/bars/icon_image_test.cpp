// The panel's icons drawn from their resource bits look exactly as the system draws the icon
// objects: as they are, and greyed for a disabled button.
#include "toolbars/icon_image.h"

#include "app/resource.h"

#include <gtest/gtest.h>

namespace {

constexpr int kSize = 32;

// A 32-bit canvas in the button-face colour, and what was drawn on it.
struct Canvas {
    HDC dc = ::CreateCompatibleDC(nullptr);
    std::uint32_t* bits = nullptr;
    HBITMAP bitmap;
    Canvas() {
        const BITMAPINFO bi = TopDown32BitInfo(kSize, kSize);
        void* p = nullptr;
        bitmap = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<std::uint32_t*>(p);
        ::SelectObject(dc, bitmap);
        RECT all{0, 0, kSize, kSize};
        ::FillRect(dc, &all, ::GetSysColorBrush(COLOR_BTNFACE));
    }
    ~Canvas() {
        ::DeleteDC(dc);
        ::DeleteObject(bitmap);
    }
    std::vector<std::uint32_t> Pixels() const { return {bits, bits + kSize * kSize}; }
};

// The system's grey copy: the icon's colour bits greyed, with its own mask.
HICON GreyIcon(HICON icon) {
    ICONINFO info{};
    ::GetIconInfo(icon, &info);
    BITMAPINFO bi = TopDown32BitInfo(kSize, kSize);
    std::vector<std::uint32_t> pixels(kSize * kSize);
    HDC screen = ::GetDC(nullptr);
    ::GetDIBits(screen, info.hbmColor, 0, kSize, pixels.data(), &bi, DIB_RGB_COLORS);
    pixels = CIconImage::Greyed(std::move(pixels));
    HBITMAP grey = ::CreateCompatibleBitmap(screen, kSize, kSize);
    ::SetDIBits(screen, grey, 0, kSize, pixels.data(), &bi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    ICONINFO greyInfo{TRUE, 0, 0, info.hbmMask, grey};
    HICON result = ::CreateIconIndirect(&greyInfo);
    ::DeleteObject(grey);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    return result;
}

TEST(IconImage, DrawsThePanelIconsAsTheSystemDoes) {
    const HMODULE module = ::GetModuleHandleW(nullptr);
    for (UINT id : {IDI_NEW, IDI_OPEN, IDI_SAVE, IDI_ABOUT, IDI_ADD_ROWS, IDI_DELETE_ROW, IDI_START,
                    IDI_STOP, IDI_SETTINGS}) {
        SCOPED_TRACE(id);
        CIconImage image;
        ASSERT_TRUE(image.Load(module, id, kSize, kSize));
        auto icon = static_cast<HICON>(
            ::LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, kSize, kSize, 0));
        HICON grey = GreyIcon(icon);
        for (bool disabled : {false, true}) {
            Canvas ours, system;
            image.Draw(ours.dc, 0, 0, disabled);
            ::DrawIconEx(system.dc, 0, 0, disabled ? grey : icon, kSize, kSize, 0, nullptr,
                         DI_NORMAL);
            EXPECT_EQ(ours.Pixels(), system.Pixels()) << (disabled ? "greyed" : "as it is");
        }
        ::DestroyIcon(grey);
        ::DestroyIcon(icon);
    }
}

TEST(IconImage, LeavesOtherImagesToTheIconObjects) {
    CIconImage image;
    EXPECT_FALSE(image.Load(::GetModuleHandleW(nullptr), IDI_NEW, 16, 16)); // no such size
    EXPECT_FALSE(image.Load(::GetModuleHandleW(nullptr), 1, kSize, kSize)); // no such group
    EXPECT_FALSE(image.SetPixels(std::vector<std::uint32_t>(kSize * kSize, 0x00FFFFFF), kSize,
                                 kSize)); // no alpha: drawn through the mask
    EXPECT_TRUE(image.IsNull());
}

} // namespace
