// CORVGridView: the grid in a document view. The view is the grid's window: it forwards
// paint, size, scroll, key, mouse and focus messages to the grid, re-shows the current
// cell's control when it regains the focus, and routes the Edit commands to that control.
#pragma once
#include "framework/view.h"
#include "grid/grid.h"

class CCmdUI;

constexpr UINT ORV_ID_EDIT_UNDO = 57643; // the framework's standard Edit > Undo id

class CORVGridView : public CView, public CORVGrid {
    DECLARE_DYNCREATE(CORVGridView)
public:
    CORVGridView();
    ~CORVGridView() override;

    // The separate scroll-bar control serving a direction (SB_HORZ/SB_VERT); null when the
    // view's own bar serves it.
    HWND GetScrollBarCtrl(int bar) const { return ScrollBarCtrl(bar); }
    void OnDraw(HDC dc) override; // draws nothing: the grid paints on WM_PAINT

protected:
    DECLARE_MESSAGE_MAP()
    void OnPaint();
    BOOL OnEraseBkgnd(HDC dc);
    void OnVScroll(UINT code, UINT pos, HWND bar);
    void OnHScroll(UINT code, UINT pos, HWND bar);
    void OnSize(UINT type, int cx, int cy);
    void OnKeyDownMsg(UINT key, UINT repeat, UINT flags);
    void OnMouseMoveMsg(UINT flags, CPoint point);
    void OnLButtonUpMsg(UINT flags, CPoint point);
    void OnLButtonDownMsg(UINT flags, CPoint point);
    void OnLButtonDblClkMsg(UINT flags, CPoint point);
    BOOL OnSetCursorMsg(HWND wnd, UINT hitTest, UINT message);
    BOOL OnMouseWheelMsg(UINT flags, short delta, CPoint point);
    void OnSetFocus(HWND other);
    void OnKillFocus(HWND other);
    LRESULT OnFocusCellMsg(WPARAM wp, LPARAM lp);
    void OnDestroy();

    // Copy, Cut, Paste and Undo go to the current cell's control.
    void OnEditCommand(UINT id);
    void OnUpdateEditCommand(CCmdUI* ui);
};
