#include "app/placeholder.h"

IMPLEMENT_DYNCREATE(CStartFrame, CFrameWnd)
IMPLEMENT_DYNCREATE(CStartDoc, CDocument)
IMPLEMENT_DYNCREATE(CStartView, CView)

bool CStartFrame::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!CFrameWnd::PreCreateWindow(cs)) return false;
    // Replaced, not combined: no sizing border, no maximize box, and no document name in
    // the title. Created minimized; the first activation restores it.
    cs.style = WS_MINIMIZE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    cs.cx = 605;
    cs.cy = 380;
    return true;
}

void CStartFrame::RestoreBarState() {
    LockWindowUpdate(m_hWnd);
    LoadBarState(L"FrameworkBarState");
    LockWindowUpdate(nullptr);
}
