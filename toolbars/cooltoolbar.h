// COXCoolToolBar: a flat toolbar (transparent too on common controls 4.71 and later) whose
// buttons are drawn in a text colour and, under the pointer, in a hot text colour.
#pragma once
#include "framework/toolbar.h"

class COXCoolToolBar : public CToolBar {
    DECLARE_DYNCREATE(COXCoolToolBar)
public:
    COXCoolToolBar();
    bool CreateEx(CWnd* parent, DWORD ctrlStyle = TBSTYLE_FLAT,
                  DWORD style = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP,
                  UINT id = AFX_IDW_TOOLBAR) override;

    COLORREF GetTextColor() const { return m_clrText; }
    COLORREF GetHotTextColor() const { return m_clrHotText; }
    void SetTextColor(COLORREF color) { m_clrText = color; }
    void SetHotTextColor(COLORREF color) { m_clrHotText = color; }

    // The common-controls version: major in the high word, minor in the low word. Asked once
    // per process; QueryComCtlVersion asks the library itself.
    static DWORD GetComCtlVersion();
    static DWORD QueryComCtlVersion();
    static constexpr DWORD kVersion471 = MAKELONG(71, 4); // 262215

    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

protected:
    // The bar answers its own buttons' updates first, then the target does.
    void UpdateButton(CToolCmdUI& ui, CWnd* target, bool disableIfNoHandler) override;
    COLORREF m_clrText;
    COLORREF m_clrHotText;
};
