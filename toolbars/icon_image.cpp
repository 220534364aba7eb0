#include "icon_image.h"

#include <cstring>

namespace {

#pragma pack(push, 2)
struct GroupIconEntry { // an entry of an RT_GROUP_ICON resource
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved, type, count;
};
#pragma pack(pop)

const void* ResourceData(HMODULE module, LPCWSTR name, LPCWSTR type, DWORD* size) {
    HRSRC info = ::FindResourceW(module, name, type);
    HGLOBAL data = info ? ::LoadResource(module, info) : nullptr;
    *size = info ? ::SizeofResource(module, info) : 0;
    return data ? ::LockResource(data) : nullptr;
}

// The id of the 32-bit cx-by-cy image of an icon group, or 0.
WORD FindImage(HMODULE module, UINT id, int cx, int cy) {
    DWORD size = 0;
    const auto* group =
        static_cast<const BYTE*>(ResourceData(module, MAKEINTRESOURCEW(id), RT_GROUP_ICON, &size));
    if (!group || size < sizeof(GroupIconHeader)) return 0;
    GroupIconHeader header;
    std::memcpy(&header, group, sizeof(header));
    for (WORD i = 0; i < header.count; ++i) {
        const size_t at = sizeof(header) + i * sizeof(GroupIconEntry);
        if (at + sizeof(GroupIconEntry) > size) break;
        GroupIconEntry entry;
        std::memcpy(&entry, group + at, sizeof(entry));
        const int w = entry.width ? entry.width : 256, h = entry.height ? entry.height : 256;
        if (w == cx && h == cy && entry.bitCount == 32) return entry.id;
    }
    return 0;
}

} // namespace

bool CIconImage::Load(HMODULE module, UINT id, int cx, int cy) {
    Reset();
    const WORD image = FindImage(module, id, cx, cy);
    DWORD size = 0;
    const auto* data = static_cast<const BYTE*>(
        image ? ResourceData(module, MAKEINTRESOURCEW(image), RT_ICON, &size) : nullptr);
    BITMAPINFOHEADER bih{};
    if (!data || size < sizeof(bih)) return false;
    std::memcpy(&bih, data, sizeof(bih));
    const size_t count = static_cast<size_t>(cx) * static_cast<size_t>(cy);
    // The colour rows (bottom-up) follow the header; the mask after them is not needed.
    if (bih.biSize < sizeof(bih) || bih.biWidth != cx || bih.biHeight != 2 * cy ||
        bih.biBitCount != 32 || bih.biCompression != BI_RGB ||
        size < bih.biSize + count * sizeof(std::uint32_t))
        return false;
    std::vector<std::uint32_t> pixels(count);
    const BYTE* rows = data + bih.biSize;
    for (int y = 0; y < cy; ++y)
        std::memcpy(&pixels[static_cast<size_t>(cy - 1 - y) * cx],
                    rows + static_cast<size_t>(y) * cx * sizeof(std::uint32_t),
                    cx * sizeof(std::uint32_t));
    return SetPixels(std::move(pixels), cx, cy);
}

bool CIconImage::SetPixels(std::vector<std::uint32_t> pixels, int cx, int cy) {
    Reset();
    // Without any alpha the system draws through the mask instead: leave that to it.
    bool alpha = false;
    for (std::uint32_t p : pixels)
        alpha = alpha || (p >> 24) != 0;
    if (!alpha || cx <= 0 || cy <= 0 || pixels.size() != static_cast<size_t>(cx) * cy) return false;
    m_pixels = std::move(pixels);
    m_cx = cx;
    m_cy = cy;
    m_normal.Attach(MakeBitmap(m_pixels));
    return true;
}

void CIconImage::Reset() {
    m_pixels.clear();
    m_cx = m_cy = 0;
    m_normal.DeleteObject();
    m_grey.DeleteObject();
}

void CIconImage::Draw(HDC dc, int x, int y, bool grey) {
    if (IsNull()) return;
    if (grey && !m_grey) m_grey.Attach(MakeBitmap(Greyed(m_pixels)));
    HDC memory = ::CreateCompatibleDC(dc);
    {
        ScopedSelectObject use(memory, grey ? m_grey.Get() : m_normal.Get());
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        ::GdiAlphaBlend(dc, x, y, m_cx, m_cy, memory, 0, 0, m_cx, m_cy, blend);
    }
    ::DeleteDC(memory);
}

std::vector<std::uint32_t> CIconImage::Premultiplied(std::vector<std::uint32_t> pixels) {
    for (std::uint32_t& p : pixels) {
        const std::uint32_t a = p >> 24;
        auto channel = [&](int shift) { return (((p >> shift) & 0xFF) * a + 127) / 255 << shift; };
        p = (a << 24) | channel(16) | channel(8) | channel(0);
    }
    return pixels;
}

std::vector<std::uint32_t> CIconImage::Greyed(std::vector<std::uint32_t> pixels) {
    for (std::uint32_t& p : pixels) {
        const std::uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        const std::uint32_t grey = 128 + (r * 30 + g * 59 + b * 11) / 100 / 2;
        p = (p & 0xFF000000) | (grey << 16) | (grey << 8) | grey;
    }
    return pixels;
}

HBITMAP CIconImage::MakeBitmap(const std::vector<std::uint32_t>& straight) const {
    const BITMAPINFO bi = TopDown32BitInfo(m_cx, m_cy);
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) return bitmap;
    const std::vector<std::uint32_t> premultiplied = Premultiplied(straight);
    std::memcpy(bits, premultiplied.data(), premultiplied.size() * sizeof(std::uint32_t));
    return bitmap;
}
