// CControlBar: the base of every bar a frame lays out along its edges (status bar,
// toolbars, dialog bars, dock bars). A bar takes its slice of the frame's client area on
// WM_SIZEPARENT, updates its controls on the idle pass through its owner's command-update
// handlers, shows tooltips and fly-by prompts from the string table, and can be dragged to
// dock on another side or float when docking is enabled for it.
#pragma once
#include "afxmsg.h"
#include "wnd.h"

#include <algorithm>
#include <set>
#include <string>

class CDockBar;
class CDockSite;

// The bar's own style bits within a Create style (the rest is the window's style).
constexpr DWORD CBRS_ALL = 0x0040FFFF;

// Modes of CalcDynamicLayout.
constexpr DWORD LM_STRETCH = 0x01;
constexpr DWORD LM_HORZ = 0x02;
constexpr DWORD LM_MRUWIDTH = 0x04;
constexpr DWORD LM_HORZDOCK = 0x08;
constexpr DWORD LM_VERTDOCK = 0x10;
constexpr DWORD LM_LENGTHY = 0x20;
constexpr DWORD LM_COMMIT = 0x40;

// Updates one control of a bar: Enable goes to the control's logical state when it keeps one.
class CBarCtrlCmdUI : public CCmdUI {
public:
    void Enable(bool on = true) override;
};

class CControlBar : public CWnd {
    DECLARE_DYNAMIC(CControlBar)
public:
    ~CControlBar() override;

    // Attributes.
    DWORD GetBarStyle() const { return m_dwStyle; }
    void SetBarStyle(DWORD style);
    DWORD GetEnabledAlignment() const { return m_dwDockStyle; }
    bool IsFloating() const { return (m_dwStyle & CBRS_FLOATING) != 0; }
    bool IsHorzDocked() const { return (m_dwStyle & CBRS_ORIENT_HORZ) != 0; }
    bool IsVertDocked() const { return (m_dwStyle & CBRS_ORIENT_VERT) != 0; }
    // The window that receives the bar's commands and answers its command updates.
    HWND GetOwner() const { return m_hWndOwner; }
    void SetOwner(HWND owner) { m_hWndOwner = owner; }
    // The frame-level window of the bar's owner (for fly-by texts).
    HWND GetFrameWnd() const;

    // Docking: the sides the bar may be docked to (CBRS_ALIGN_*), 0 for none.
    void EnableDocking(DWORD dockStyle);
    CDockSite* m_pDockSite = nullptr; // set once the bar is docked or floated
    CDockBar* m_pDockBar = nullptr;   // the dock bar holding it, when docked or floating
    // A bar that the user has no way to show again is never hidden by a restored layout.
    bool m_bKeepVisible = false;

    // Layout. `length` is the free length along the bar; the result is the bar's size.
    virtual CSize CalcFixedLayout(bool stretch, bool horz);
    virtual CSize CalcDynamicLayout(int length, DWORD mode);
    // Updates the bar's controls; `target` answers the updates.
    virtual void OnUpdateCmdUI(CWnd* target, bool disableIfNoHandler) = 0;
    // The bar moved between docked and floating, or changed side.
    virtual void OnBarStyleChange(DWORD oldStyle, DWORD newStyle);
    // Size of the non-client gripper and borders for the current style.
    CRect GetBorders() const;

    // Starts dragging the bar from the given screen point (mouse button held down).
    void BeginDrag(CPoint screen);

protected:
    DWORD m_dwStyle = 0;     // CBRS_* of the bar
    DWORD m_dwDockStyle = 0; // allowed sides
    HWND m_hWndOwner = nullptr;
    int m_cxGripper = 0; // non-client gripper thickness while docked (0: none)

    // Call from Create of derived classes after the window exists.
    void InitBar(DWORD barStyle, HWND owner);
    // The thickness the bar takes when laid out against `avail` (its own edge rules).
    virtual CSize CalcSizeParent(const CRect& avail, bool stretch);
    bool OnCommand(WPARAM wp, LPARAM lp) override;
    bool OnNotify(WPARAM wp, LPARAM lp, LRESULT* result) override;

    // Tooltips and fly-by help for the bar's child controls.
    void EnsureToolTips();
    void SetFlyBy(UINT id);
    // The command id whose prompt belongs to the pointer at this screen point (0: none).
    virtual UINT FlyByIdAt(POINT screen) const;
    // True when a press at this client point should start a drag.
    virtual bool IsDragPoint(CPoint client) const;

    LRESULT OnSizeParent(WPARAM wp, LPARAM lp);
    LRESULT OnIdleUpdateCmdUI(WPARAM wp, LPARAM lp);
    BOOL OnSetCursor(HWND wnd, UINT hit, UINT msg);
    void OnTimer(UINT_PTR id);
    void OnMouseMove(UINT flags, CPoint client);
    void OnDestroy();
    LRESULT OnNcCalcSize(WPARAM wp, LPARAM lp);
    void OnNcPaint();
    LRESULT OnNcHitTest(WPARAM wp, LPARAM lp);
    void OnNcLButtonDown(UINT hit, CPoint screen);
    void OnLButtonDown(UINT flags, CPoint client);
    DECLARE_MESSAGE_MAP()

private:
    HWND m_hToolTip = nullptr; // owned; destroyed with the bar
    std::set<HWND> m_tools;    // controls already known to the tooltip
    std::wstring m_tipText;    // buffer handed to the tooltip
    UINT m_nFlyById = 0;       // the control whose prompt the status bar shows
    void DrawGripper(HDC dc, const CRect& window) const;
};
