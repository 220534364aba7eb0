#include "controlbar.h"

#include "app.h"
#include "dockbar.h"
#include "gdi.h"

#include <commctrl.h>

IMPLEMENT_DYNAMIC(CControlBar, CWnd)

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
    On<WM_SIZEPARENT, &CControlBar::OnSizeParent>(),
        On<WM_IDLEUPDATECMDUI, &CControlBar::OnIdleUpdateCmdUI>(),
        On<WM_SETCURSOR, &CControlBar::OnSetCursor>(), On<WM_TIMER, &CControlBar::OnTimer>(),
        On<WM_DESTROY, &CControlBar::OnDestroy>(), On<WM_NCCALCSIZE, &CControlBar::OnNcCalcSize>(),
        On<WM_NCPAINT, &CControlBar::OnNcPaint>(), On<WM_NCHITTEST, &CControlBar::OnNcHitTest>(),
        On<WM_NCLBUTTONDOWN, &CControlBar::OnNcLButtonDown>(),
        On<WM_LBUTTONDOWN, &CControlBar::OnLButtonDown>(),
        On<WM_MOUSEMOVE, &CControlBar::OnMouseMove>(),
END_MESSAGE_MAP()

namespace {
constexpr UINT_PTR kFlyByTimer = 0xE001;
constexpr UINT kFlyByCheckMs = 200;
constexpr int kGripper = 8;
} // namespace

void CBarCtrlCmdUI::Enable(bool on) {
    if (m_hOther && ::SendMessageW(m_hOther, WM_SETLOGICALENABLE, on, 0)) {
        m_bEnableChanged = true;
        return;
    }
    CCmdUI::Enable(on);
}

CControlBar::~CControlBar() {
    if (m_pDockBar) m_pDockBar->RemoveBar(this, false);
    if (m_hToolTip && ::IsWindow(m_hToolTip)) ::DestroyWindow(m_hToolTip);
}

void CControlBar::InitBar(DWORD barStyle, HWND owner) {
    m_dwStyle = barStyle;
    m_hWndOwner = owner;
}

HWND CControlBar::GetFrameWnd() const {
    HWND start = m_hWndOwner ? m_hWndOwner : GetParent();
    return start ? ::GetAncestor(start, GA_ROOT) : nullptr;
}

void CControlBar::SetBarStyle(DWORD style) {
    DWORD old = m_dwStyle;
    m_dwStyle = style;
    if (old != style) OnBarStyleChange(old, style);
}

void CControlBar::OnBarStyleChange(DWORD oldStyle, DWORD newStyle) {
    constexpr DWORD kLayoutBits = CBRS_ALIGN_ANY | CBRS_FLOATING | CBRS_GRIPPER;
    if (m_hWnd && ((oldStyle ^ newStyle) & kLayoutBits))
        SetWindowPos(nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CControlBar::EnableDocking(DWORD dockStyle) {
    m_dwDockStyle = dockStyle & CBRS_ALIGN_ANY;
}

CRect CControlBar::GetBorders() const {
    if (!(m_dwStyle & CBRS_GRIPPER) || IsFloating() || !m_pDockBar) return {};
    return IsVertDocked() ? CRect(1, kGripper, 1, 1) : CRect(kGripper, 1, 1, 1);
}

CSize CControlBar::CalcFixedLayout(bool stretch, bool horz) {
    if (!stretch) return {};
    return horz ? CSize(32767, 0) : CSize(0, 32767);
}

CSize CControlBar::CalcDynamicLayout(int, DWORD mode) {
    return CalcFixedLayout((mode & LM_STRETCH) != 0, (mode & LM_HORZ) != 0);
}

CSize CControlBar::CalcSizeParent(const CRect&, bool stretch) {
    return CalcFixedLayout(stretch, (m_dwStyle & CBRS_ORIENT_HORZ) != 0);
}

LRESULT CControlBar::OnSizeParent(WPARAM, LPARAM lp) {
    auto* p = reinterpret_cast<SizeParentParams*>(lp);
    DWORD align = m_dwStyle & CBRS_ALIGN_ANY;
    if (!(GetStyle() & WS_VISIBLE) || !align || IsFloating()) return 0;
    CRect avail = p->rect;
    CSize size = CalcSizeParent(avail, p->stretch != FALSE);
    CRect r = avail;
    if (align & CBRS_ALIGN_TOP) {
        r.bottom = std::min(avail.bottom, r.top + static_cast<int>(size.cy));
        p->rect.top = r.bottom;
    } else if (align & CBRS_ALIGN_BOTTOM) {
        r.top = std::max(avail.top, r.bottom - static_cast<int>(size.cy));
        p->rect.bottom = r.top;
    } else if (align & CBRS_ALIGN_LEFT) {
        r.right = std::min(avail.right, r.left + static_cast<int>(size.cx));
        p->rect.left = r.right;
    } else {
        r.left = std::max(avail.left, r.right - static_cast<int>(size.cx));
        p->rect.right = r.left;
    }
    if (p->hdwp) {
        if (!AfxIsWindowAt(m_hWnd, r))
            p->hdwp = ::DeferWindowPos(p->hdwp, m_hWnd, nullptr, r.left, r.top, r.Width(),
                                       r.Height(), SWP_NOACTIVATE | SWP_NOZORDER);
    } else if (align & CBRS_ORIENT_HORZ) {
        p->sizeTotal.cy += r.Height();
    } else {
        p->sizeTotal.cx += r.Width();
    }
    return 0;
}

LRESULT CControlBar::OnIdleUpdateCmdUI(WPARAM wp, LPARAM) {
    if (!(GetStyle() & WS_VISIBLE)) return 0;
    if (CWnd* target = FromHandle(m_hWndOwner)) OnUpdateCmdUI(target, wp != 0);
    if (m_dwStyle & CBRS_TOOLTIPS) EnsureToolTips();
    return 0;
}

bool CControlBar::OnCommand(WPARAM wp, LPARAM lp) {
    if (CWnd::OnCommand(wp, lp)) return true;
    // The bar's controls issue commands for its owner, as menu items do.
    if (m_hWndOwner && m_hWndOwner != m_hWnd) ::SendMessageW(m_hWndOwner, WM_COMMAND, wp, lp);
    return true;
}

bool CControlBar::OnNotify(WPARAM wp, LPARAM lp, LRESULT* result) {
    auto* hdr = reinterpret_cast<NMHDR*>(lp);
    if (hdr->hwndFrom == m_hToolTip && hdr->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lp);
        UINT id = static_cast<UINT>(hdr->idFrom);
        if (info->uFlags & TTF_IDISHWND) id = ::GetDlgCtrlID(reinterpret_cast<HWND>(hdr->idFrom));
        m_tipText = AfxExtractSubString(AfxLoadString(id), 1);
        info->lpszText = m_tipText.data();
        *result = 0;
        return true;
    }
    if (CWnd::OnNotify(wp, lp, result)) return true;
    if (m_hWndOwner && m_hWndOwner != m_hWnd && hdr->hwndFrom != m_hToolTip) {
        *result = ::SendMessageW(m_hWndOwner, WM_NOTIFY, wp, lp);
        return true;
    }
    return false;
}

void CControlBar::EnsureToolTips() {
    if (!m_hToolTip) {
        m_hToolTip =
            ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!m_hToolTip) return;
    }
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        int id = ::GetDlgCtrlID(child);
        if (id == 0 || id == 0xFFFF || id == -1 || m_tools.contains(child)) continue;
        TOOLINFOW ti{};
        ti.cbSize = sizeof(ti);
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = m_hWnd;
        ti.uId = reinterpret_cast<UINT_PTR>(child);
        ti.lpszText = LPSTR_TEXTCALLBACKW;
        ::SendMessageW(m_hToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
        m_tools.insert(child);
    }
}

UINT CControlBar::FlyByIdAt(POINT screen) const {
    HWND under = ::WindowFromPoint(screen);
    if (!under || under == m_hWnd || ::GetParent(under) != m_hWnd) return 0;
    int id = ::GetDlgCtrlID(under);
    return id == 0xFFFF || id < 0 ? 0 : static_cast<UINT>(id);
}

void CControlBar::SetFlyBy(UINT id) {
    if (id == m_nFlyById) return;
    m_nFlyById = id;
    HWND frame = GetFrameWnd();
    if (id) {
        if (frame) ::SendMessageW(frame, WM_SETMESSAGESTRING, id, 0);
        ::SetTimer(m_hWnd, kFlyByTimer, kFlyByCheckMs, nullptr);
    } else {
        ::KillTimer(m_hWnd, kFlyByTimer);
        if (frame) ::SendMessageW(frame, WM_POPMESSAGESTRING, 0, 0);
    }
}

BOOL CControlBar::OnSetCursor(HWND wnd, UINT, UINT msg) {
    if ((m_dwStyle & CBRS_FLYBY) && msg == WM_MOUSEMOVE && wnd != m_hWnd) {
        POINT pt;
        ::GetCursorPos(&pt);
        SetFlyBy(FlyByIdAt(pt));
    }
    return static_cast<BOOL>(Default());
}

void CControlBar::OnMouseMove(UINT, CPoint) {
    if (m_dwStyle & CBRS_FLYBY) {
        POINT pt;
        ::GetCursorPos(&pt);
        SetFlyBy(FlyByIdAt(pt));
    }
    Default();
}

void CControlBar::OnTimer(UINT_PTR id) {
    if (id != kFlyByTimer) {
        Default();
        return;
    }
    POINT pt;
    ::GetCursorPos(&pt);
    HWND active = ::GetActiveWindow();
    bool ours = active && (active == GetFrameWnd() || ::GetAncestor(m_hWnd, GA_ROOT) == active);
    SetFlyBy(ours ? FlyByIdAt(pt) : 0);
}

void CControlBar::OnDestroy() {
    if (m_nFlyById) SetFlyBy(0);
    if (m_hToolTip) {
        ::DestroyWindow(m_hToolTip);
        m_hToolTip = nullptr;
    }
    m_tools.clear();
    Default();
}

LRESULT CControlBar::OnNcCalcSize(WPARAM, LPARAM lp) {
    CRect b = GetBorders();
    if (b == CRect()) return Default();
    auto* r = reinterpret_cast<RECT*>(lp); // the first rectangle of either form
    r->left += b.left;
    r->top += b.top;
    r->right = std::max(r->left, r->right - static_cast<int>(b.right));
    r->bottom = std::max(r->top, r->bottom - static_cast<int>(b.bottom));
    return 0;
}

void CControlBar::OnNcPaint() {
    CRect b = GetBorders();
    if (b == CRect()) {
        Default();
        return;
    }
    CWindowDC dc(m_hWnd);
    CRect window = GetWindowRect();
    window.OffsetRect(-window.left, -window.top);
    CRect client(b.left, b.top, window.right - b.right, window.bottom - b.bottom);
    ScopedSaveDC save(dc);
    ::ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    ::FillRect(dc, &window, ::GetSysColorBrush(COLOR_BTNFACE));
    DrawGripper(dc, window);
}

void CControlBar::DrawGripper(HDC dc, const CRect& window) const {
    CRect grip =
        IsVertDocked() ? CRect(2, 2, window.right - 2, 5) : CRect(2, 2, 5, window.bottom - 2);
    ::DrawEdge(dc, &grip, BDR_RAISEDINNER, BF_RECT);
}

LRESULT CControlBar::OnNcHitTest(WPARAM, LPARAM) {
    LRESULT hit = Default();
    if (GetBorders() == CRect() || hit == HTCLIENT) return hit;
    return HTBORDER;
}

void CControlBar::OnNcLButtonDown(UINT hit, CPoint screen) {
    if (hit == HTBORDER && m_dwDockStyle && m_pDockSite) {
        BeginDrag(screen);
        return;
    }
    Default();
}

bool CControlBar::IsDragPoint(CPoint client) const {
    return ::ChildWindowFromPoint(m_hWnd, client) == m_hWnd;
}

void CControlBar::OnLButtonDown(UINT, CPoint client) {
    if (m_dwDockStyle && m_pDockSite && IsDragPoint(client)) {
        CPoint screen = client;
        ClientToScreen(screen);
        BeginDrag(screen);
        return;
    }
    Default();
}

void CControlBar::BeginDrag(CPoint screen) {
    if (m_pDockSite) m_pDockSite->TrackDrag(this, screen);
}
