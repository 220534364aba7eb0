// Owners of GDI objects and device contexts. Every object created through an owner is
// counted, so tests can prove that painting gives back everything it takes.
#pragma once
#include "types.h"

#include <utility>

namespace gdi {
// Live GDI objects created through the owners below (pens, brushes, fonts, regions, bitmaps).
long LiveObjects();
void CountCreated(HGDIOBJ obj);
void CountDeleted();
} // namespace gdi

// Owns one GDI object of type H; move-only; deletes it on destruction. There is no Detach:
// ownership only moves to another owner, so the count sees every object until it is deleted.
template <class H> class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(H handle) { Attach(handle); }
    CGdiObject(CGdiObject&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept {
        if (this != &other) {
            DeleteObject();
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    ~CGdiObject() { DeleteObject(); }

    H Get() const { return m_handle; }
    operator H() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    void Attach(H handle) {
        DeleteObject();
        m_handle = handle;
        gdi::CountCreated(handle);
    }
    void DeleteObject() {
        if (m_handle) {
            ::DeleteObject(m_handle);
            gdi::CountDeleted();
            m_handle = nullptr;
        }
    }

private:
    H m_handle = nullptr;
};

class CPen : public CGdiObject<HPEN> {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
    bool CreatePen(int style, int width, COLORREF color) {
        Attach(::CreatePen(style, width, color));
        return Get() != nullptr;
    }
};

class CBrush : public CGdiObject<HBRUSH> {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    bool CreateSolidBrush(COLORREF color) {
        Attach(::CreateSolidBrush(color));
        return Get() != nullptr;
    }
};

class CFont : public CGdiObject<HFONT> {
public:
    bool CreateFontIndirect(const LOGFONTW& lf) {
        Attach(::CreateFontIndirectW(&lf));
        return Get() != nullptr;
    }
    // Height in tenths of a point, for the screen.
    bool CreatePointFont(int tenthsOfPoint, const wchar_t* face);
    bool GetLogFont(LOGFONTW& lf) const {
        return ::GetObjectW(Get(), sizeof(lf), &lf) == sizeof(lf);
    }
};

class CRgn : public CGdiObject<HRGN> {
public:
    bool CreateRectRgn(int l, int t, int r, int b) {
        Attach(::CreateRectRgn(l, t, r, b));
        return Get() != nullptr;
    }
    bool CreateRectRgnIndirect(const RECT& r) {
        return CreateRectRgn(r.left, r.top, r.right, r.bottom);
    }
};

// The header of a 32-bit, top-down DIB of cx by cy pixels.
inline BITMAPINFO TopDown32BitInfo(int cx, int cy) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = -cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

class CBitmap : public CGdiObject<HBITMAP> {
public:
    bool CreateCompatibleBitmap(HDC dc, int cx, int cy) {
        Attach(::CreateCompatibleBitmap(dc, cx, cy));
        return Get() != nullptr;
    }
};

// Selects an object into a DC for one scope and restores the previous one.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC dc, HGDIOBJ obj)
        : m_dc(dc), m_old(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~ScopedSelectObject() {
        if (m_old) ::SelectObject(m_dc, m_old);
    }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// Saves the DC's state for one scope (clip region, colours, modes, selected objects).
class ScopedSaveDC {
public:
    explicit ScopedSaveDC(HDC dc) : m_dc(dc), m_id(::SaveDC(dc)) {}
    ~ScopedSaveDC() { ::RestoreDC(m_dc, m_id); }
    ScopedSaveDC(const ScopedSaveDC&) = delete;
    ScopedSaveDC& operator=(const ScopedSaveDC&) = delete;

private:
    HDC m_dc;
    int m_id;
};

// BeginPaint/EndPaint.
class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) : m_hwnd(hwnd), m_dc(::BeginPaint(hwnd, &m_ps)) {}
    ~CPaintDC() { ::EndPaint(m_hwnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    operator HDC() const { return m_dc; }
    const RECT& PaintRect() const { return m_ps.rcPaint; }
    PAINTSTRUCT m_ps{};

private:
    HWND m_hwnd;
    HDC m_dc;
};

// GetDC/ReleaseDC.
class CClientDC {
public:
    explicit CClientDC(HWND hwnd) : m_hwnd(hwnd), m_dc(::GetDC(hwnd)) {}
    ~CClientDC() { ::ReleaseDC(m_hwnd, m_dc); }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// GetWindowDC/ReleaseDC: the whole window, non-client area included.
class CWindowDC {
public:
    explicit CWindowDC(HWND hwnd) : m_hwnd(hwnd), m_dc(::GetWindowDC(hwnd)) {}
    ~CWindowDC() { ::ReleaseDC(m_hwnd, m_dc); }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// A memory DC with its own bitmap, for drawing off screen (and for tests that read pixels).
class CMemoryDC {
public:
    CMemoryDC(int cx, int cy);
    ~CMemoryDC();
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;
    operator HDC() const { return m_dc; }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_dc, x, y); }

private:
    HDC m_dc;
    CBitmap m_bitmap;
    HGDIOBJ m_old = nullptr;
};
