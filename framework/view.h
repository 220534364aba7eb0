// CView: the child window (id AFX_IDW_PANE_FIRST) that shows a document inside a frame.
// Created by name from the template's view class; deletes itself when its window goes.
#pragma once
#include "wnd.h"

class CDocument;
class CFrameWnd;

class CView : public CWnd {
    DECLARE_DYNAMIC(CView)
public:
    CView() = default;
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }
    CFrameWnd* GetParentFrame() const;

    // Overridables.
    virtual void OnDraw(HDC dc) = 0;
    virtual void OnInitialUpdate(); // calls OnUpdate(nullptr, 0, nullptr)
    virtual void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject);
    virtual void OnActivateView(bool activate, CView* activated, CView* deactivated);
    bool PreCreateWindow(CREATESTRUCTW& cs) override;
    // Routes to the view's own table, then to its document.
    bool OnCmdMsg(UINT id, int code, CCmdUI* ui, CmdAction action = CmdAction::Run) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

    // False while a creator still owns the object (creation may fail).
    bool m_bAutoDelete = true;

protected:
    DECLARE_MESSAGE_MAP()
    void OnPaint();
    LRESULT OnInitialUpdateMsg(WPARAM wp, LPARAM lp);
    LRESULT OnMouseActivate(WPARAM wp, LPARAM lp);
    void PostNcDestroy() override;

private:
    friend class CDocument;
    CDocument* m_pDocument = nullptr;
};
