#include "view.h"

#include "afxmsg.h"
#include "doc.h"
#include "doctempl.h"
#include "frame.h"
#include "gdi.h"

IMPLEMENT_DYNAMIC(CView, CWnd)

BEGIN_MESSAGE_MAP(CView, CWnd)
    On<WM_PAINT, &CView::OnPaint>(), On<WM_INITIALUPDATE, &CView::OnInitialUpdateMsg>(),
        On<WM_MOUSEACTIVATE, &CView::OnMouseActivate>(),
END_MESSAGE_MAP()

CView::~CView() {
    if (m_pDocument) m_pDocument->RemoveView(this);
}

CFrameWnd* CView::GetParentFrame() const {
    for (HWND hwnd = m_hWnd ? ::GetParent(m_hWnd) : nullptr; hwnd; hwnd = ::GetParent(hwnd))
        if (auto* frame = dynamic_cast<CFrameWnd*>(CWnd::FromHandle(hwnd))) return frame;
    return nullptr;
}

bool CView::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!cs.lpszClass)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, AfxArrowCursor(),
                                           reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    cs.style |= WS_CLIPSIBLINGS;
    return true;
}

LRESULT CView::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    // The document is joined before any WM_CREATE handler of a derived view runs.
    if (msg == WM_CREATE && !m_pDocument) {
        auto* cs = reinterpret_cast<LPCREATESTRUCTW>(lp);
        auto* context = static_cast<CCreateContext*>(cs->lpCreateParams);
        if (context && context->m_pCurrentDoc) context->m_pCurrentDoc->AddView(this);
    }
    // The frame must not keep a view that is going away.
    if (msg == WM_DESTROY)
        if (CFrameWnd* frame = GetParentFrame(); frame && frame->GetActiveView() == this)
            frame->SetActiveView(nullptr, false);
    return CWnd::WindowProc(msg, wp, lp);
}

void CView::OnPaint() {
    CPaintDC dc(m_hWnd);
    OnDraw(dc);
}

LRESULT CView::OnInitialUpdateMsg(WPARAM, LPARAM) {
    OnInitialUpdate();
    return 0;
}

void CView::OnInitialUpdate() {
    OnUpdate(nullptr, 0, nullptr);
}

void CView::OnUpdate(CView*, LPARAM, CObject*) {
    Invalidate();
}

void CView::OnActivateView(bool activate, CView*, CView*) {
    if (activate) {
        CFrameWnd* frame = GetParentFrame();
        if (frame && ::GetActiveWindow() == frame->m_hWnd) SetFocus();
    }
}

LRESULT CView::OnMouseActivate(WPARAM, LPARAM) {
    LRESULT result = Default();
    if (result == MA_NOACTIVATE || result == MA_NOACTIVATEANDEAT) return result;
    if (CFrameWnd* frame = GetParentFrame(); frame && frame->GetActiveView() != this)
        frame->SetActiveView(this);
    return result;
}

bool CView::OnCmdMsg(UINT id, int code, CCmdUI* ui, CmdAction action) {
    if (CCmdTarget::OnCmdMsg(id, code, ui, action)) return true;
    return m_pDocument && m_pDocument->OnCmdMsg(id, code, ui, action);
}

void CView::PostNcDestroy() {
    if (m_pDocument) m_pDocument->RemoveView(this);
    if (m_bAutoDelete) delete this;
}
