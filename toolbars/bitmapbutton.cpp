#include "bitmapbutton.h"

#include "framework/gdi.h"

#include <algorithm>
#include <vector>

IMPLEMENT_DYNCREATE(COXBitmapButton, CButton)

BEGIN_MESSAGE_MAP(COXBitmapButton, CButton)
    On<WM_MOUSEMOVE, &COXBitmapButton::OnMouseMove>(),
        On<WM_CAPTURECHANGED, &COXBitmapButton::OnCaptureChanged>(),
        On<WM_SETCURSOR, &COXBitmapButton::OnSetCursor>(),
        On<WM_SETLOGICALENABLE, &COXBitmapButton::OnSetLogicalEnable>(),
END_MESSAGE_MAP()

namespace {
constexpr int kEdge = 2; // the push-button frame
constexpr int kMaxWrapSteps = 32;

// A grey, lighter copy of an icon's colour bitmap, for the disabled state.
HBITMAP MakeDisabledBitmap(HBITMAP color, int cx, int cy) {
    BITMAPINFO bi = TopDown32BitInfo(cx, cy);
    std::vector<std::uint32_t> pixels(static_cast<size_t>(cx) * static_cast<size_t>(cy));
    HDC screen = ::GetDC(nullptr);
    ::GetDIBits(screen, color, 0, static_cast<UINT>(cy), pixels.data(), &bi, DIB_RGB_COLORS);
    pixels = CIconImage::Greyed(std::move(pixels));
    HBITMAP out = ::CreateCompatibleBitmap(screen, cx, cy);
    ::SetDIBits(screen, out, 0, static_cast<UINT>(cy), pixels.data(), &bi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    return out;
}
} // namespace

bool COXBitmapButton::PreCreateWindow(CREATESTRUCTW& cs) {
    cs.style = (cs.style & ~static_cast<DWORD>(BS_TYPEMASK)) | BS_OWNERDRAW;
    return CButton::PreCreateWindow(cs);
}

bool COXBitmapButton::LoadIcon(UINT id, bool resize, int cx, int cy) {
    if (cx <= 0) cx = ::GetSystemMetrics(SM_CXICON);
    if (cy <= 0) cy = ::GetSystemMetrics(SM_CYICON);
    const HMODULE module = ::GetModuleHandleW(nullptr);
    HICON icon = nullptr;
    if (!resize || !m_image.Load(module, id, cx, cy)) {
        m_image.Reset();
        icon = static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON,
                                               resize ? cx : 0, resize ? cy : 0,
                                               resize ? 0 : LR_DEFAULTSIZE));
        if (!icon) return false;
    }
    m_icon.Reset(icon); // none when the image holds it
    m_disabledIcon.Reset();
    m_sizeImage = CSize(cx, cy);
    // Nothing to paint yet while the window is hidden: it is drawn whole when shown.
    if (IsWindowVisible()) Invalidate();
    return true;
}

HICON COXBitmapButton::GetDisabledIcon() {
    if (m_disabledIcon.get() || !m_icon.get()) return m_disabledIcon.get();
    ICONINFO info{};
    if (!::GetIconInfo(m_icon.get(), &info)) return nullptr;
    if (info.hbmColor) {
        HBITMAP grey = MakeDisabledBitmap(info.hbmColor, m_sizeImage.cx, m_sizeImage.cy);
        ICONINFO greyInfo{TRUE, 0, 0, info.hbmMask, grey};
        m_disabledIcon.Reset(::CreateIconIndirect(&greyInfo));
        ::DeleteObject(grey);
        ::DeleteObject(info.hbmColor);
    }
    if (info.hbmMask) ::DeleteObject(info.hbmMask);
    return m_disabledIcon.get();
}

void COXBitmapButton::SetText(const std::wstring& text) {
    m_strText = text;
    SetWindowText(text);
    Invalidate();
}

void COXBitmapButton::SetHorizontalAlignment(DWORD align) {
    ModifyStyle(BS_CENTER, align & BS_CENTER);
    Invalidate();
}

void COXBitmapButton::SetVerticalAlignment(DWORD align) {
    ModifyStyle(BS_VCENTER, align & BS_VCENTER);
    Invalidate();
}

UINT COXBitmapButton::TextFormat() const {
    DWORD style = GetStyle();
    UINT format = DT_CENTER;
    if ((style & BS_CENTER) == BS_LEFT)
        format = DT_LEFT;
    else if ((style & BS_CENTER) == BS_RIGHT)
        format = DT_RIGHT;
    return format | ((style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE) | DT_NOPREFIX;
}

CSize COXBitmapButton::CaptionSize() const {
    CClientDC dc(m_hWnd);
    return CaptionSize(dc, GetFont(), GetStyle(), m_strText);
}

CSize COXBitmapButton::CaptionSize(HDC dc, HFONT font, DWORD style, const std::wstring& caption) {
    if (caption.empty()) return {};
    ScopedSelectObject use(dc, font);
    auto measure = [&](int width, UINT format) {
        CRect r(0, 0, width, 0);
        ::DrawTextW(dc, caption.c_str(), -1, &r, format | DT_CALCRECT | DT_NOPREFIX);
        return r;
    };
    CRect r = measure(0, DT_SINGLELINE);
    if (!(style & BS_MULTILINE)) return r.Size();
    // Balance the block: narrow a wide one by a third, widen a tall one by a quarter.
    CRect last;
    for (int step = 0; step < kMaxWrapSteps; ++step) {
        r = measure(r.Width(), DT_WORDBREAK);
        if (r == last || r.Height() == 0) break;
        last = r;
        int width = r.Width();
        if (width >= 2.6 * r.Height())
            width -= width / 3;
        else if (r.Height() >= width)
            width += width / 4;
        else
            break;
        r.right = r.left + std::max(1, width);
    }
    return last.IsRectEmpty() ? r.Size() : last.Size();
}

CSize COXBitmapButton::ContentSize(HDC dc, HFONT font, DWORD style,
                                   const std::wstring& caption) const {
    const CSize text = CaptionSize(dc, font, style, caption);
    return {std::max(m_sizeImage.cx, text.cx) + m_rcMargins.left + m_rcMargins.right + 2 * kEdge,
            m_rcMargins.top + m_sizeImage.cy + (text.cy ? m_nGap + text.cy : 0) +
                m_rcMargins.bottom + 2 * kEdge};
}

void COXBitmapButton::SizeToContent() {
    CSize size;
    {
        CClientDC dc(m_hWnd);
        size = ContentSize(dc, GetFont(), GetStyle(), m_strText);
    }
    const CRect now = GetWindowRect();
    if (now.Size() != size)
        SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void COXBitmapButton::EnableButton(bool enable) {
    if (!m_bHyperLook) {
        EnableWindow(enable);
        return;
    }
    if (m_bLogicalEnabled == enable) return;
    m_bLogicalEnabled = enable;
    Invalidate(false);
}

bool COXBitmapButton::IsButtonEnabled() const {
    return IsWindowEnabled() && (!m_bHyperLook || m_bLogicalEnabled);
}

bool COXBitmapButton::Swallows(UINT msg) const {
    if (!m_bHyperLook || m_bLogicalEnabled) return false;
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case BM_CLICK:
        return true;
    default:
        return false;
    }
}

LRESULT COXBitmapButton::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (Swallows(msg)) return 0; // a logically disabled button issues nothing
    return CButton::WindowProc(msg, wp, lp);
}

LRESULT COXBitmapButton::OnSetLogicalEnable(WPARAM wp, LPARAM) {
    if (!m_bHyperLook) return 0;
    EnableButton(wp != 0);
    return 1;
}

void COXBitmapButton::OnMouseMove(UINT flags, CPoint client) {
    Default();
    if (!m_bTrackLook) return;
    bool inside = GetClientRect().PtInRect(client);
    if (inside && !m_bMouseOver) {
        m_bMouseOver = true;
        if (::GetCapture() != m_hWnd) SetCapture(); // to notice the pointer leaving
        Invalidate(false);
    } else if (!inside && m_bMouseOver && !(flags & MK_LBUTTON)) {
        m_bMouseOver = false;
        if (::GetCapture() == m_hWnd) ::ReleaseCapture();
        Invalidate(false);
    }
}

LRESULT COXBitmapButton::OnCaptureChanged(WPARAM, LPARAM lp) {
    if (m_bMouseOver && reinterpret_cast<HWND>(lp) != m_hWnd) {
        m_bMouseOver = false;
        Invalidate(false);
    }
    return Default();
}

BOOL COXBitmapButton::OnSetCursor(HWND, UINT, UINT) {
    if (m_bHyperLook) {
        UINT id = IsButtonEnabled() ? kCursorEnabled : kCursorDisabled;
        if (HCURSOR cursor = ::LoadCursorW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id))) {
            ::SetCursor(cursor);
            return TRUE;
        }
    }
    return static_cast<BOOL>(Default());
}

bool COXBitmapButton::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    if (msg != WM_DRAWITEM) return CButton::OnChildNotify(msg, wp, lp, result);
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    *result = TRUE;
    return true;
}

void COXBitmapButton::DrawItem(const DRAWITEMSTRUCT& dis) {
    HDC dc = dis.hDC;
    CRect rc = dis.rcItem;
    bool pressed = (dis.itemState & ODS_SELECTED) != 0;
    bool disabled = (dis.itemState & ODS_DISABLED) || !IsButtonEnabled();
    ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
    bool framed = !m_bTrackLook || pressed || (m_bMouseOver && !disabled);
    if (framed) {
        UINT state = DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0) | (disabled ? DFCS_INACTIVE : 0);
        CRect frame = rc;
        ::DrawFrameControl(dc, &frame, DFC_BUTTON, state);
    }
    CRect inner(rc.left + kEdge + m_rcMargins.left, rc.top + kEdge + m_rcMargins.top,
                rc.right - kEdge - m_rcMargins.right, rc.bottom - kEdge - m_rcMargins.bottom);
    if (pressed) inner.OffsetRect(1, 1);
    if (!m_image.IsNull()) {
        m_image.Draw(dc, inner.left + (inner.Width() - m_sizeImage.cx) / 2, inner.top, disabled);
    } else if (m_icon.get()) {
        // A colour-less icon has no grey copy and is drawn as it is.
        HICON icon = disabled && GetDisabledIcon() ? GetDisabledIcon() : m_icon.get();
        int x = inner.left + (inner.Width() - m_sizeImage.cx) / 2;
        ::DrawIconEx(dc, x, inner.top, icon, m_sizeImage.cx, m_sizeImage.cy, 0, nullptr, DI_NORMAL);
    }
    CRect caption = inner;
    caption.top += m_sizeImage.cy + (m_sizeImage.cy ? m_nGap : 0);
    DrawCaption(dc, caption, disabled);
    if ((dis.itemState & ODS_FOCUS) && !(dis.itemState & ODS_NOFOCUSRECT)) {
        CRect focus(rc.left + m_rcMargins.left, rc.top + m_rcMargins.top,
                    rc.right - m_rcMargins.right, rc.bottom - m_rcMargins.bottom);
        ::DrawFocusRect(dc, &focus);
    }
}

void COXBitmapButton::DrawCaption(HDC dc, CRect area, bool disabled) const {
    if (m_strText.empty()) return;
    ScopedSaveDC save(dc);
    ::SelectObject(dc, GetFont());
    ::SetBkMode(dc, TRANSPARENT);
    UINT format = TextFormat();
    CRect measured = area;
    ::DrawTextW(dc, m_strText.c_str(), -1, &measured, format | DT_CALCRECT);
    DWORD valign = GetStyle() & BS_VCENTER;
    int height = measured.Height();
    if (valign == BS_BOTTOM)
        area.top = area.bottom - height;
    else if (valign == BS_VCENTER)
        area.top += (area.Height() - height) / 2;
    area.bottom = area.top + height;
    if (disabled) {
        // Embossed: a light copy one pixel down and right under the grey text.
        CRect light = area;
        light.OffsetRect(1, 1);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
        ::DrawTextW(dc, m_strText.c_str(), -1, &light, format);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
    } else {
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    }
    ::DrawTextW(dc, m_strText.c_str(), -1, &area, format);
}
