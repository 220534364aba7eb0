#include "dockbar.h"

#include "frame.h"
#include "minidock.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CDockBar, CControlBar)

BEGIN_MESSAGE_MAP(CDockBar, CControlBar)
    On<WM_SIZEPARENT, &CDockBar::OnSizeParentDock>(),
END_MESSAGE_MAP()

namespace {
constexpr UINT kDockIds[4] = {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM, AFX_IDW_DOCKBAR_LEFT,
                              AFX_IDW_DOCKBAR_RIGHT};
constexpr DWORD kDockAligns[4] = {CBRS_ALIGN_TOP, CBRS_ALIGN_BOTTOM, CBRS_ALIGN_LEFT,
                                  CBRS_ALIGN_RIGHT};
constexpr int kUnbounded = 32767;
} // namespace

int DockBarIndex(UINT dockBarId) {
    for (int i = 0; i < 4; ++i)
        if (kDockIds[i] == dockBarId) return i;
    return -1;
}
UINT DockBarId(int index) {
    return kDockIds[index];
}
DWORD DockBarAlign(int index) {
    return kDockAligns[index];
}

// --- CDockBar ---

CDockBar::~CDockBar() {
    for (CControlBar* bar : m_arrBars) {
        bar->m_pDockBar = nullptr;
        bar->m_pDockSite = nullptr;
    }
}

bool CDockBar::Create(CWnd* parent, DWORD align, UINT id, bool floating) {
    m_bFloating = floating;
    LPCWSTR cls =
        AfxRegisterWndClass(0, AfxArrowCursor(), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (!CreateEx(0, cls, nullptr, style, CRect(), parent->m_hWnd, id)) return false;
    InitBar(align | (floating ? CBRS_FLOATING : 0), parent->m_hWnd);
    return true;
}

void CDockBar::AddBar(CControlBar* bar, int index) {
    if (FindBar(bar) >= 0) return;
    if (index < 0 || index > static_cast<int>(m_arrBars.size()))
        index = static_cast<int>(m_arrBars.size());
    m_arrBars.insert(m_arrBars.begin() + index, bar);
    bar->m_pDockBar = this;
    bar->m_pDockSite = m_pDockSite;
}

void CDockBar::RemoveBar(CControlBar* bar, bool relayout) {
    int i = FindBar(bar);
    if (i < 0) return;
    m_arrBars.erase(m_arrBars.begin() + i);
    bar->m_pDockBar = nullptr;
    if (m_bFloating && m_arrBars.empty() && m_hWnd) ::ShowWindow(GetParent(), SW_HIDE);
    if (relayout && m_pDockSite && !m_bFloating) m_pDockSite->GetFrame().RecalcLayout();
}

int CDockBar::FindBar(const CControlBar* bar) const {
    auto it = std::find(m_arrBars.begin(), m_arrBars.end(), bar);
    return it == m_arrBars.end() ? -1 : static_cast<int>(it - m_arrBars.begin());
}

int CDockBar::InsertIndexAt(CPoint screen) const {
    bool horz = (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
    int index = 0;
    for (CControlBar* bar : m_arrBars) {
        CRect r = bar->GetWindowRect();
        int mid = horz ? (r.top + r.bottom) / 2 : (r.left + r.right) / 2;
        int at = horz ? screen.y : screen.x;
        bool before = (m_dwStyle & (CBRS_ALIGN_BOTTOM | CBRS_ALIGN_RIGHT)) ? at > mid : at < mid;
        if (before) break;
        ++index;
    }
    return index;
}

CSize CDockBar::LayoutBars(int length, bool commit) {
    bool horz = (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
    DWORD mode = m_bFloating ? (LM_HORZ | LM_MRUWIDTH)
                 : horz      ? (LM_HORZ | LM_HORZDOCK | LM_STRETCH)
                             : (LM_VERTDOCK | LM_STRETCH);
    int along = 0, across = 0;
    for (CControlBar* bar : m_arrBars) {
        if (!(bar->GetStyle() & WS_VISIBLE)) continue;
        CSize size = bar->CalcDynamicLayout(m_bFloating ? -1 : length, mode);
        int thick = horz ? size.cy : size.cx;
        int span = m_bFloating ? (horz ? size.cx : size.cy) : length;
        if (commit) {
            const CRect place = horz ? CRect(0, across, span, across + thick)
                                     : CRect(across, 0, across + thick, span);
            if (!AfxIsWindowAt(bar->m_hWnd, place))
                bar->SetWindowPos(nullptr, place.left, place.top, place.Width(), place.Height(),
                                  SWP_NOZORDER | SWP_NOACTIVATE);
        }
        across += thick;
        along = std::max(along, span);
    }
    return horz ? CSize(along, across) : CSize(across, along);
}

CSize CDockBar::CalcSizeParent(const CRect& avail, bool) {
    bool horz = (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
    return LayoutBars(horz ? avail.Width() : avail.Height(), false);
}

LRESULT CDockBar::OnSizeParentDock(WPARAM wp, LPARAM lp) {
    auto* p = reinterpret_cast<SizeParentParams*>(lp);
    bool horz = (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
    int length = horz ? p->rect.right - p->rect.left : p->rect.bottom - p->rect.top;
    OnSizeParent(wp, lp);
    if (p->hdwp) LayoutBars(length, true);
    return 0;
}

void CDockBar::OnUpdateCmdUI(CWnd*, bool disableIfNoHandler) {
    // Floating bars are no children of the frame: the frame's first dock bar updates them.
    if (!m_pDockSite || m_bFloating) return;
    for (int i = 0; i < 4; ++i) {
        if (CDockBar* first = m_pDockSite->GetDockBar(DockBarId(i))) {
            if (first == this) m_pDockSite->UpdateFloatingBars(disableIfNoHandler);
            return;
        }
    }
}

// --- CDockSite ---

CDockSite::CDockSite(CFrameWnd& frame) : m_frame(frame) {}

CDockSite::~CDockSite() = default;

void CDockSite::EnableDocking(DWORD dockStyle) {
    for (int i = 0; i < 4; ++i) {
        if (!(dockStyle & kDockAligns[i]) || m_dockBars[i]) continue;
        auto bar = std::make_unique<CDockBar>();
        bar->m_pDockSite = this;
        if (bar->Create(&m_frame, kDockAligns[i], kDockIds[i])) m_dockBars[i] = std::move(bar);
    }
}

CDockBar* CDockSite::GetDockBar(UINT dockBarId) const {
    int i = DockBarIndex(dockBarId);
    return i < 0 ? nullptr : m_dockBars[i].get();
}

CMiniDockFrameWnd* CDockSite::Detach(CControlBar* bar) {
    CDockBar* old = bar->m_pDockBar;
    if (!old) return nullptr;
    old->RemoveBar(bar, false);
    if (!old->IsFloatingDock() || !old->GetBars().empty()) return nullptr;
    for (auto& mini : m_floating)
        if (&mini->m_wndDockBar == old) return mini.get();
    return nullptr;
}

void CDockSite::DockControlBar(CControlBar* bar, UINT dockBarId, const RECT* rect) {
    if (!bar || !bar->m_hWnd) return;
    m_retired.clear();
    if (dockBarId == 0) {
        for (int i = 0; i < 4 && !dockBarId; ++i)
            if ((bar->GetEnabledAlignment() & kDockAligns[i]) && m_dockBars[i])
                dockBarId = kDockIds[i];
    }
    int side = DockBarIndex(dockBarId);
    if (side < 0 || !m_dockBars[side]) return;
    CDockBar* dock = m_dockBars[side].get();
    int index = -1;
    if (rect) index = dock->InsertIndexAt(CRect(*rect).TopLeft());
    CMiniDockFrameWnd* emptied = Detach(bar);
    ::SetParent(bar->m_hWnd, dock->m_hWnd);
    dock->AddBar(bar, index);
    bar->m_pDockSite = this;
    bar->SetBarStyle((bar->GetBarStyle() & ~(CBRS_ALIGN_ANY | CBRS_FLOATING)) | kDockAligns[side]);
    if (emptied) DestroyFloatingFrame(emptied);
    RecalcLayout();
}

void CDockSite::FloatControlBar(CControlBar* bar, CPoint screen, DWORD style) {
    if (!bar || !bar->m_hWnd) return;
    m_retired.clear();
    if (bar->IsFloating() && bar->m_pDockBar) {
        if (auto* mini =
                dynamic_cast<CMiniDockFrameWnd*>(CWnd::FromHandle(bar->m_pDockBar->GetParent())))
            mini->RecalcLayout(&screen);
        return;
    }
    std::unique_ptr<CMiniDockFrameWnd> mini;
    if (const CRuntimeClass* rc = m_frame.m_pFloatingFrameClass) {
        std::unique_ptr<CObject> obj(rc->CreateObject());
        if (dynamic_cast<CMiniDockFrameWnd*>(obj.get()))
            mini.reset(static_cast<CMiniDockFrameWnd*>(obj.release()));
    }
    if (!mini) mini = std::make_unique<CMiniDockFrameWnd>();
    if (!mini->Create(this, m_frame.m_hWnd)) return;
    mini->SetWindowText(bar->GetWindowText());
    CMiniDockFrameWnd* emptied = Detach(bar);
    ::SetParent(bar->m_hWnd, mini->m_wndDockBar.m_hWnd);
    mini->m_wndDockBar.AddBar(bar);
    bar->m_pDockSite = this;
    DWORD align = (style & CBRS_ORIENT_VERT) && !(style & CBRS_ORIENT_HORZ) ? CBRS_ALIGN_LEFT
                                                                            : CBRS_ALIGN_TOP;
    bar->SetBarStyle((bar->GetBarStyle() & ~CBRS_ALIGN_ANY) | align | CBRS_FLOATING);
    mini->RecalcLayout(&screen);
    mini->ShowWindow(SW_SHOWNA);
    m_floating.push_back(std::move(mini));
    if (emptied) DestroyFloatingFrame(emptied);
    RecalcLayout();
}

void CDockSite::DestroyFloatingFrame(CMiniDockFrameWnd* mini) {
    auto it = std::find_if(m_floating.begin(), m_floating.end(),
                           [mini](const auto& p) { return p.get() == mini; });
    if (it == m_floating.end()) return;
    // The frame may be handling a message on the stack right now: free it later.
    (*it)->DestroyWindow();
    m_retired.push_back(std::move(*it));
    m_floating.erase(it);
}

void CDockSite::UpdateFloatingBars(bool disableIfNoHandler) {
    for (auto& mini : m_floating)
        for (CControlBar* bar : mini->m_wndDockBar.GetBars())
            bar->SendMessage(WM_IDLEUPDATECMDUI, disableIfNoHandler, 0);
}

std::vector<CControlBar*> CDockSite::AllBars() const {
    std::vector<CControlBar*> bars;
    for (HWND child = ::GetWindow(m_frame.m_hWnd, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        auto* bar = dynamic_cast<CControlBar*>(CWnd::FromHandle(child));
        if (bar && !dynamic_cast<CDockBar*>(bar)) bars.push_back(bar);
    }
    for (const auto& dock : m_dockBars)
        if (dock) bars.insert(bars.end(), dock->GetBars().begin(), dock->GetBars().end());
    for (const auto& mini : m_floating)
        bars.insert(bars.end(), mini->m_wndDockBar.GetBars().begin(),
                    mini->m_wndDockBar.GetBars().end());
    return bars;
}

void CDockSite::RecalcLayout() {
    if (m_frame.m_hWnd) m_frame.RecalcLayout();
}
