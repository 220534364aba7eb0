#include "grid/grid_types.h"

void orv::FillSolidRect(HDC dc, const RECT& rect, COLORREF color) {
    const COLORREF old = ::SetBkColor(dc, color);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(dc, old);
}

void orv::Draw3dRect(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    FillSolidRect(dc, {r.left, r.top, r.left + w - 1, r.top + 1}, topLeft);
    FillSolidRect(dc, {r.left, r.top, r.left + 1, r.top + h - 1}, topLeft);
    FillSolidRect(dc, {r.left + w - 1, r.top, r.right, r.bottom}, bottomRight);
    FillSolidRect(dc, {r.left, r.top + h - 1, r.right, r.bottom}, bottomRight);
}

void CORVFocusFrame::Draw(HDC dc, const RECT& rect) const {
    if (solid) {
        orv::Draw3dRect(dc, rect, frame, frame);
        return;
    }
    orv::Draw3dRect(dc, rect, back, back);
    const COLORREF oldBack = ::SetBkColor(dc, back);
    const COLORREF oldText = ::SetTextColor(dc, frame);
    ::DrawFocusRect(dc, &rect);
    ::SetBkColor(dc, oldBack);
    ::SetTextColor(dc, oldText);
}

CORVCellStyle CORVCellStyle::FromSystemColors() {
    CORVCellStyle s;
    s.normalBack = s.currentBack = ::GetSysColor(COLOR_WINDOW);
    s.normalText = s.currentText = ::GetSysColor(COLOR_WINDOWTEXT);
    s.selectedBack = ::GetSysColor(COLOR_HIGHLIGHT);
    s.selectedText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    s.borderLeft = s.borderTop = s.borderRight = s.borderBottom = ::GetSysColor(COLOR_BTNFACE);
    s.borderJoined = 0;
    s.focusFrame.back = ::GetSysColor(COLOR_WINDOW);
    s.focusFrame.frame = RGB(0, 100, 200);
    s.focusFrame.solid = 1;
    return s;
}
