#include "grid/grid_view.h"

#include "framework/afxmsg.h"
#include "framework/cmdtarget.h"

IMPLEMENT_DYNCREATE(CORVGridView, CView)

BEGIN_MESSAGE_MAP(CORVGridView, CView)
    On<WM_PAINT, &CORVGridView::OnPaint>(), On<WM_ERASEBKGND, &CORVGridView::OnEraseBkgnd>(),
        On<WM_VSCROLL, &CORVGridView::OnVScroll>(), On<WM_HSCROLL, &CORVGridView::OnHScroll>(),
        On<WM_SIZE, &CORVGridView::OnSize>(), On<WM_KEYDOWN, &CORVGridView::OnKeyDownMsg>(),
        On<WM_MOUSEMOVE, &CORVGridView::OnMouseMoveMsg>(),
        On<WM_LBUTTONUP, &CORVGridView::OnLButtonUpMsg>(),
        On<WM_LBUTTONDOWN, &CORVGridView::OnLButtonDownMsg>(),
        On<WM_LBUTTONDBLCLK, &CORVGridView::OnLButtonDblClkMsg>(),
        On<WM_SETCURSOR, &CORVGridView::OnSetCursorMsg>(),
        On<WM_MOUSEWHEEL, &CORVGridView::OnMouseWheelMsg>(),
        On<WM_SETFOCUS, &CORVGridView::OnSetFocus>(),
        On<WM_KILLFOCUS, &CORVGridView::OnKillFocus>(),
        On<WM_ORV_FOCUSCELL, &CORVGridView::OnFocusCellMsg>(),
        On<WM_DESTROY, &CORVGridView::OnDestroy>(),
        Command<&CORVGridView::OnEditCommand>(ID_EDIT_COPY),
        Command<&CORVGridView::OnEditCommand>(ID_EDIT_CUT),
        Command<&CORVGridView::OnEditCommand>(ID_EDIT_PASTE),
        Command<&CORVGridView::OnEditCommand>(ORV_ID_EDIT_UNDO),
        Update<&CORVGridView::OnUpdateEditCommand>(ID_EDIT_COPY),
        Update<&CORVGridView::OnUpdateEditCommand>(ID_EDIT_CUT),
        Update<&CORVGridView::OnUpdateEditCommand>(ID_EDIT_PASTE),
        Update<&CORVGridView::OnUpdateEditCommand>(ORV_ID_EDIT_UNDO),
END_MESSAGE_MAP()

CORVGridView::CORVGridView() {
    window = this;
}
CORVGridView::~CORVGridView() = default;

void CORVGridView::OnDraw(HDC) {}

void CORVGridView::OnPaint() {
    CPaintDC dc(m_hWnd);
    Paint(dc);
}

BOOL CORVGridView::OnEraseBkgnd(HDC) {
    return TRUE;
}

void CORVGridView::OnVScroll(UINT code, UINT pos, HWND bar) {
    if (bar == GetScrollBarCtrl(SB_VERT)) OnScroll(MAKEWORD(0xFF, code), pos, true);
}

void CORVGridView::OnHScroll(UINT code, UINT pos, HWND bar) {
    if (bar == GetScrollBarCtrl(SB_HORZ)) OnScroll(MAKEWORD(code, 0xFF), pos, true);
}

void CORVGridView::OnSize(UINT, int, int) {
    Default();
    RecalcLayout();
    if (CurrentCtrl()) SetCurrentCell(currentCol, currentRow);
}

void CORVGridView::OnKeyDownMsg(UINT key, UINT repeat, UINT flags) {
    if (!OnKeyDown(key, repeat, flags)) Default();
}

void CORVGridView::OnMouseMoveMsg(UINT flags, CPoint p) {
    OnMouseMove(flags, p.x, p.y);
    Default();
}

void CORVGridView::OnLButtonUpMsg(UINT flags, CPoint p) {
    OnLButtonUp(flags, p.x, p.y);
    Default();
}

void CORVGridView::OnLButtonDownMsg(UINT flags, CPoint p) {
    OnLButtonDown(flags, p.x, p.y);
    Default();
}

void CORVGridView::OnLButtonDblClkMsg(UINT flags, CPoint p) {
    OnLButtonDblClk(flags, p.x, p.y);
    Default();
}

BOOL CORVGridView::OnSetCursorMsg(HWND wnd, UINT hitTest, UINT message) {
    if (OnSetCursor(wnd, hitTest, message)) return TRUE;
    return static_cast<BOOL>(Default());
}

BOOL CORVGridView::OnMouseWheelMsg(UINT flags, short delta, CPoint point) {
    return OnMouseWheel(flags, delta, point);
}

void CORVGridView::OnSetFocus(HWND other) {
    Default();
    hasFocus = true;
    PostMessage(WM_ORV_FOCUSCELL, reinterpret_cast<WPARAM>(other), 0);
}

void CORVGridView::OnKillFocus(HWND) {
    hasFocus = false;
    Default();
}

LRESULT CORVGridView::OnFocusCellMsg(WPARAM wp, LPARAM) {
    OnFocusCell(reinterpret_cast<HWND>(wp));
    return 0;
}

void CORVGridView::OnDestroy() {
    EndEdit(true);
    Default();
}

// --- Edit commands: the current cell's control, shown or not ---

void CORVGridView::OnEditCommand(UINT id) {
    CORVCellCtrl* ctrl = CurrentCtrl();
    if (!ctrl) return;
    switch (id) {
    case ID_EDIT_COPY:
        ctrl->Copy();
        break;
    case ID_EDIT_CUT:
        ctrl->Cut();
        break;
    case ID_EDIT_PASTE:
        ctrl->Paste();
        break;
    case ORV_ID_EDIT_UNDO:
        ctrl->Undo();
        break;
    default:
        break;
    }
}

void CORVGridView::OnUpdateEditCommand(CCmdUI* ui) {
    CORVCellCtrl* ctrl = CurrentCtrl();
    bool enable = false;
    if (ctrl) {
        switch (ui->m_nID) {
        case ID_EDIT_COPY:
            enable = ctrl->CanCopy();
            break;
        case ID_EDIT_CUT:
            enable = ctrl->CanCut();
            break;
        case ID_EDIT_PASTE:
            enable = ctrl->CanPaste();
            break;
        case ORV_ID_EDIT_UNDO:
            enable = ctrl->CanUndo();
            break;
        default:
            break;
        }
    }
    ui->Enable(enable);
}
