// CToolBar: a bar on the toolbar common control. Buttons send their command ids to the
// bar's owner; the idle pass enables and checks them through command-update handlers.
// With CBRS_SIZE_DYNAMIC a bar docked on the left or right stacks its buttons vertically.
#pragma once
#include "controlbar.h"

#include <commctrl.h>

// Updates one toolbar button.
class CToolCmdUI : public CCmdUI {
public:
    explicit CToolCmdUI(HWND toolbar) : m_hToolBar(toolbar) {}
    void Enable(bool on = true) override;
    void SetCheck(int check = 1) override;
    void SetText(const std::wstring&) override {}

private:
    HWND m_hToolBar;
};

class CToolBar : public CControlBar {
    DECLARE_DYNAMIC(CToolBar)
public:
    // `ctrlStyle`: TBSTYLE_* of the control; `style`: window style plus CBRS_* bar style.
    virtual bool CreateEx(CWnd* parent, DWORD ctrlStyle = TBSTYLE_FLAT,
                          DWORD style = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP,
                          UINT id = AFX_IDW_TOOLBAR);
    bool Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP,
                UINT id = AFX_IDW_TOOLBAR) {
        return CreateEx(parent, TBSTYLE_FLAT, style, id);
    }

    int GetButtonCount() const { return static_cast<int>(SendMessage(TB_BUTTONCOUNT)); }
    UINT GetItemID(int index) const;
    CRect GetItemRect(int index) const;
    int CommandToIndex(UINT id) const {
        return static_cast<int>(SendMessage(TB_COMMANDTOINDEX, id));
    }
    // The button under a client point; -1 when none.
    int HitTest(CPoint client) const;
    // Stacks the buttons (vertical) or lines them up.
    void SetVerticalLayout(bool vertical);

    CSize CalcFixedLayout(bool stretch, bool horz) override;
    CSize CalcDynamicLayout(int length, DWORD mode) override;
    void OnUpdateCmdUI(CWnd* target, bool disableIfNoHandler) override;
    void OnBarStyleChange(DWORD oldStyle, DWORD newStyle) override;

protected:
    // Room across the bar beyond the buttons (the menu bar asks for its own).
    int m_cyExtra = 4;
    bool IsDragPoint(CPoint client) const override { return HitTest(client) < 0; }
    UINT FlyByIdAt(POINT screen) const override;
    // Updates one button on the idle pass.
    virtual void UpdateButton(CToolCmdUI& ui, CWnd* target, bool disableIfNoHandler) {
        ui.DoUpdate(target, disableIfNoHandler);
    }
    // The size of the buttons laid out in a row (horizontal) or a column.
    CSize ButtonsExtent(bool horz) const;
};
