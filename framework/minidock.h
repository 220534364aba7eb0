// CMiniDockFrameWnd: the small tool frame a control bar floats in. It holds one floating
// dock bar; dragging its caption moves the bar (and can dock it again).
#pragma once
#include "dockbar.h"

class CMiniDockFrameWnd : public CWnd {
    DECLARE_DYNCREATE(CMiniDockFrameWnd)
public:
    bool Create(CDockSite* site, HWND owner);
    // Sizes the frame around its bar and places it with its top-left corner at `screen`.
    void RecalcLayout(const CPoint* screen = nullptr);
    CDockBar m_wndDockBar;
    CDockSite* m_pDockSite = nullptr;
    CControlBar* GetBar() const;

protected:
    void OnNcLButtonDown(UINT hit, CPoint screen);
    void OnClose();
    LRESULT OnSysCommand(WPARAM wp, LPARAM lp);
    LRESULT OnMouseActivate(WPARAM wp, LPARAM lp);
    LRESULT OnActivate(WPARAM wp, LPARAM lp);
    LRESULT OnGiveBackActivation(WPARAM wp, LPARAM lp);
    DECLARE_MESSAGE_MAP()
};
