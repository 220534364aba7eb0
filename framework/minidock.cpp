#include "minidock.h"

IMPLEMENT_DYNCREATE(CMiniDockFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CMiniDockFrameWnd, CWnd)
    On<WM_NCLBUTTONDOWN, &CMiniDockFrameWnd::OnNcLButtonDown>(),
        On<WM_CLOSE, &CMiniDockFrameWnd::OnClose>(),
        On<WM_SYSCOMMAND, &CMiniDockFrameWnd::OnSysCommand>(),
        On<WM_MOUSEACTIVATE, &CMiniDockFrameWnd::OnMouseActivate>(),
        On<WM_ACTIVATE, &CMiniDockFrameWnd::OnActivate>(),
        On<WM_APP + 0x3A1, &CMiniDockFrameWnd::OnGiveBackActivation>(),
END_MESSAGE_MAP()

namespace {
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr UINT WM_GIVEBACKACTIVATION = WM_APP + 0x3A1;
} // namespace

bool CMiniDockFrameWnd::Create(CDockSite* site, HWND owner) {
    m_pDockSite = site;
    LPCWSTR cls = AfxRegisterWndClass(CS_DBLCLKS, AfxArrowCursor(),
                                      reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    if (!CreateEx(kExStyle, cls, L"", kStyle, CRect(0, 0, 100, 40), owner, 0)) return false;
    m_wndDockBar.m_pDockSite = site;
    if (!m_wndDockBar.Create(this, CBRS_ALIGN_TOP, AFX_IDW_DOCKBAR_FLOAT, true)) {
        DestroyWindow();
        return false;
    }
    return true;
}

CControlBar* CMiniDockFrameWnd::GetBar() const {
    auto bars = m_wndDockBar.GetBars();
    return bars.empty() ? nullptr : bars.front();
}

void CMiniDockFrameWnd::RecalcLayout(const CPoint* screen) {
    CSize size = m_wndDockBar.LayoutBars(-1, true);
    m_wndDockBar.SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    CRect frame(0, 0, size.cx, size.cy);
    ::AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    CRect now = GetWindowRect();
    CPoint at = screen ? *screen : now.TopLeft();
    SetWindowPos(nullptr, at.x, at.y, frame.Width(), frame.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMiniDockFrameWnd::OnNcLButtonDown(UINT hit, CPoint screen) {
    CControlBar* bar = GetBar();
    if (hit == HTCAPTION && bar && m_pDockSite) {
        // Dragging the caption moves the bar itself, so it can dock again.
        m_pDockSite->TrackDrag(bar, screen);
        return;
    }
    Default();
}

void CMiniDockFrameWnd::OnClose() {
    CControlBar* bar = GetBar();
    if (bar && bar->m_bKeepVisible) return; // no way to show it again
    if (bar) bar->ShowWindow(SW_HIDE);
    ShowWindow(SW_HIDE);
}

LRESULT CMiniDockFrameWnd::OnSysCommand(WPARAM wp, LPARAM) {
    if ((wp & 0xFFF0) == SC_CLOSE) {
        OnClose();
        return 0;
    }
    return Default();
}

// The floating bar serves the frame: clicks on it and new floating frames leave the frame
// active, so its keys (Alt+F4 too) keep going where the user expects.
LRESULT CMiniDockFrameWnd::OnMouseActivate(WPARAM, LPARAM) {
    return MA_NOACTIVATE;
}

LRESULT CMiniDockFrameWnd::OnActivate(WPARAM wp, LPARAM lp) {
    if (LOWORD(wp) != WA_INACTIVE) PostMessage(WM_GIVEBACKACTIVATION);
    return CWnd::DefWindowProc(WM_ACTIVATE, wp, lp);
}

LRESULT CMiniDockFrameWnd::OnGiveBackActivation(WPARAM, LPARAM) {
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    HWND focus = ::GetFocus();
    // A bar that took the focus on purpose (the menu bar's keyboard mode) keeps it.
    bool barHasFocus = focus && focus != m_hWnd && ::IsChild(m_hWnd, focus);
    if (owner && ::IsWindowEnabled(owner) && ::GetActiveWindow() == m_hWnd && !barHasFocus)
        ::SetActiveWindow(owner);
    return 0;
}
