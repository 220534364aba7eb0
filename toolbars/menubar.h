// COXMenuBar: the frame's menu shown as a row of flat text buttons that open its pop-ups.
// Hot tracking across the bar and the Alt keyboard mode come through the thread hooks the
// frame layer installs (CMenuBarHostFrame), which call OnMouseHook and OnKeyboardHook.
#pragma once
#include "cooltoolbar.h"

#include "framework/gdi.h"

#include <map>

class COXMenuBar : public COXCoolToolBar {
    DECLARE_DYNCREATE(COXMenuBar)
public:
    static constexpr int kPopupRoom = 200; // pixels a pop-up needs beside its button

    bool Create(CWnd* parentFrame,
                DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_SIZE_DYNAMIC,
                UINT id = AFX_IDW_TOOLBAR);
    // Shows a menu; the same handle again does nothing. False (no buttons) for a bad handle.
    bool SetMenu(HMENU menu);
    HMENU GetMenu() const { return m_hMenu; }
    const std::map<wchar_t, int>& GetMnemonics() const { return m_mnemonics; }

    // State, for the frame layer and tests.
    bool IsInKeyboardMode() const { return m_bKeyboardMode; }
    int GetShownPopup() const { return m_nPopup; }
    int GetHotItem() const { return static_cast<int>(SendMessage(TB_GETHOTITEM)); }
    std::wstring GetButtonText(int index) const;

    // Opens pop-up `index` now (modal until it closes), or posts the request.
    void TrackPopup(int index);
    void PostOpenPopup(int index);
    // Where pop-up `index` opens: the screen point and TrackPopupMenu alignment flags.
    UINT PopupPlacement(int index, POINT& at) const;

    // Hook entry points; true when the bar used the input (the hook then swallows it).
    bool OnMouseHook(UINT msg, POINT screen);
    bool OnKeyboardHook(UINT vk, LPARAM flags);

    void OnBarStyleChange(DWORD oldStyle, DWORD newStyle) override;

protected:
    void OnMenuButtonUpdate(CCmdUI* ui);
    void OnLButtonDownBar(UINT flags, CPoint client);
    void OnKillFocus(HWND next);
    void OnSettingChange();
    LRESULT OnOpenPopupRequest(WPARAM wp, LPARAM lp);
    DECLARE_MESSAGE_MAP()

private:
    HMENU m_hMenu = nullptr;
    CWnd* m_pFrame = nullptr;
    CFont m_font;
    std::map<wchar_t, int> m_mnemonics;
    int m_nPopup = -1;
    int m_nNextPopup = -1;
    int m_nPendingOpen = -1;
    int m_nLastHot = -1;
    bool m_bKeyboardMode = false;
    bool m_bAltDown = false;
    bool m_bAltWithOtherKey = false;
    POINT m_ptLastMouse{-1, -1};
    static HWND s_hWndOldFocus; // the window that had the focus before keyboard mode

    void RebuildButtons();
    void UpdateMenuFont();
    void EnterKeyboardMode();
    void LeaveKeyboardMode(bool restoreFocus);
    bool HandleBarKey(UINT vk);
    bool IsHorizontal() const { return !IsVertDocked() || IsFloating(); }
    void MoveHot(int step);
    void SwitchPopup(int index);
};
