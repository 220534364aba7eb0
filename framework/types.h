// Small value types over the Win32 point, size and rectangle structures.
#pragma once
#include <windows.h>

#include <utility>

struct CSize : SIZE {
    constexpr CSize() : SIZE{0, 0} {}
    constexpr CSize(int x, int y) : SIZE{x, y} {}
    constexpr CSize(SIZE s) : SIZE(s) {}
    friend constexpr bool operator==(const CSize& a, const CSize& b) {
        return a.cx == b.cx && a.cy == b.cy;
    }
};

struct CPoint : POINT {
    constexpr CPoint() : POINT{0, 0} {}
    constexpr CPoint(int px, int py) : POINT{px, py} {}
    constexpr CPoint(POINT p) : POINT(p) {}
    // The packed coordinates of a mouse message's lParam (signed).
    static CPoint FromLParam(LPARAM lp) {
        return {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    }
    void Offset(int dx, int dy) { x += dx, y += dy; }
    friend constexpr bool operator==(const CPoint& a, const CPoint& b) {
        return a.x == b.x && a.y == b.y;
    }
};

struct CRect : RECT {
    constexpr CRect() : RECT{0, 0, 0, 0} {}
    constexpr CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    constexpr CRect(const RECT& r) : RECT(r) {}
    constexpr CRect(POINT p, SIZE s) : RECT{p.x, p.y, p.x + s.cx, p.y + s.cy} {}
    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr CSize Size() const { return {Width(), Height()}; }
    constexpr CPoint TopLeft() const { return {left, top}; }
    constexpr CPoint BottomRight() const { return {right, bottom}; }
    constexpr bool IsRectEmpty() const { return left >= right || top >= bottom; }
    constexpr bool PtInRect(POINT p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    void SetRect(int l, int t, int r, int b) { left = l, top = t, right = r, bottom = b; }
    void OffsetRect(int dx, int dy) { ::OffsetRect(this, dx, dy); }
    void InflateRect(int dx, int dy) { ::InflateRect(this, dx, dy); }
    void DeflateRect(int dx, int dy) { ::InflateRect(this, -dx, -dy); }
    bool IntersectRect(const RECT& a, const RECT& b) { return ::IntersectRect(this, &a, &b); }
    bool UnionRect(const RECT& a, const RECT& b) { return ::UnionRect(this, &a, &b); }
    void NormalizeRect() {
        if (left > right) std::swap(left, right);
        if (top > bottom) std::swap(top, bottom);
    }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
    friend bool operator==(const CRect& a, const CRect& b) { return ::EqualRect(&a, &b); }
};
