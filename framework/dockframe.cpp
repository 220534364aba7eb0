// The frame's docking operations, kept beside the dock bars they drive.
#include "app.h"
#include "dockbar.h"
#include "frame.h"

namespace {
constexpr wchar_t kStateEntry[] = L"BarState";
}

void CFrameWnd::DockSiteDeleter::operator()(CDockSite* site) const {
    delete site;
}

CDockSite* CFrameWnd::GetDockSite() {
    if (!m_pDockSite) m_pDockSite.reset(new CDockSite(*this));
    return m_pDockSite.get();
}

void CFrameWnd::EnableDocking(DWORD dockStyle) {
    GetDockSite()->EnableDocking(dockStyle);
}

void CFrameWnd::DockControlBar(CControlBar* bar, UINT dockBarId, const RECT* rect) {
    GetDockSite()->DockControlBar(bar, dockBarId, rect);
}

void CFrameWnd::FloatControlBar(CControlBar* bar, CPoint screen, DWORD style) {
    GetDockSite()->FloatControlBar(bar, screen, style);
}

void CFrameWnd::SaveBarState(const wchar_t* section) const {
    CWinApp* app = AfxGetApp();
    if (!app || !m_pDockSite) return;
    app->WriteProfileBinary(section, kStateEntry, m_pDockSite->SaveState());
}

bool CFrameWnd::LoadBarState(const wchar_t* section) {
    CWinApp* app = AfxGetApp();
    std::vector<BYTE> data;
    if (!app || !m_pDockSite || !app->GetProfileBinary(section, kStateEntry, data)) return false;
    return m_pDockSite->LoadState(data);
}
