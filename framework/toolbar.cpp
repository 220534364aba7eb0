#include "toolbar.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CToolBar, CControlBar)

void CToolCmdUI::Enable(bool on) {
    auto state = ::SendMessageW(m_hToolBar, TB_GETSTATE, m_nID, 0);
    if (state != -1 && ((state & TBSTATE_ENABLED) != 0) != on)
        ::SendMessageW(m_hToolBar, TB_ENABLEBUTTON, m_nID, MAKELPARAM(on ? TRUE : FALSE, 0));
    m_bEnableChanged = true;
}

void CToolCmdUI::SetCheck(int check) {
    ::SendMessageW(m_hToolBar, TB_CHECKBUTTON, m_nID, MAKELPARAM(check ? TRUE : FALSE, 0));
}

bool CToolBar::CreateEx(CWnd* parent, DWORD ctrlStyle, DWORD style, UINT id) {
    DWORD wndStyle =
        (style & ~CBRS_ALL) | ctrlStyle | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (!CWnd::CreateEx(0, TOOLBARCLASSNAMEW, nullptr, wndStyle, CRect(), parent->m_hWnd, id))
        return false;
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    InitBar(style & CBRS_ALL, parent->m_hWnd);
    return true;
}

UINT CToolBar::GetItemID(int index) const {
    TBBUTTON button{};
    if (!SendMessage(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button)))
        return 0;
    return static_cast<UINT>(button.idCommand);
}

CRect CToolBar::GetItemRect(int index) const {
    CRect r;
    SendMessage(TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    return r;
}

int CToolBar::HitTest(CPoint client) const {
    if (!GetClientRect().PtInRect(client)) return -1;
    for (int i = 0; i < GetButtonCount(); ++i)
        if (GetItemRect(i).PtInRect(client)) return i;
    return -1;
}

UINT CToolBar::FlyByIdAt(POINT screen) const {
    if (::WindowFromPoint(screen) != m_hWnd) return 0;
    CPoint client = screen;
    ScreenToClient(client);
    int i = HitTest(client);
    return i < 0 ? 0 : GetItemID(i);
}

void CToolBar::SetVerticalLayout(bool vertical) {
    for (int i = 0; i < GetButtonCount(); ++i) {
        UINT id = GetItemID(i);
        auto state = static_cast<UINT>(SendMessage(TB_GETSTATE, id));
        UINT next = vertical ? (state | TBSTATE_WRAP) : (state & ~TBSTATE_WRAP);
        if (next != state) SendMessage(TB_SETSTATE, id, MAKELPARAM(next, 0));
    }
    // Some controls lay their buttons out again only when one is hidden or shown.
    if (GetButtonCount() > 0) {
        UINT first = GetItemID(0);
        SendMessage(TB_HIDEBUTTON, first, MAKELPARAM(TRUE, 0));
        SendMessage(TB_HIDEBUTTON, first, MAKELPARAM(FALSE, 0));
    }
}

CSize CToolBar::ButtonsExtent(bool horz) const {
    int along = 0, across = 0;
    for (int i = 0; i < GetButtonCount(); ++i) {
        CRect r = GetItemRect(i);
        along += horz ? r.Width() : r.Height();
        across = std::max(across, static_cast<int>(horz ? r.Height() : r.Width()));
    }
    return horz ? CSize(along, across) : CSize(across, along);
}

CSize CToolBar::CalcFixedLayout(bool stretch, bool horz) {
    return CalcDynamicLayout(-1, (stretch ? LM_STRETCH : 0) |
                                     (horz ? LM_HORZ | LM_HORZDOCK : LM_VERTDOCK));
}

CSize CToolBar::CalcDynamicLayout(int length, DWORD mode) {
    bool docked = (mode & (LM_HORZDOCK | LM_VERTDOCK)) != 0;
    bool horz = (mode & LM_HORZ) || !(m_dwStyle & CBRS_SIZE_DYNAMIC);
    CSize content = ButtonsExtent(horz);
    // The gripper sits along the bar's start while it is docked.
    int grip = docked && (m_dwStyle & CBRS_GRIPPER) ? 8 + 1 : 0;
    CSize size = horz ? CSize(content.cx + grip + 2, content.cy + m_cyExtra)
                      : CSize(content.cx + m_cyExtra, content.cy + grip + 2);
    if ((mode & LM_STRETCH) && length > 0) {
        if (horz)
            size.cx = std::max(static_cast<int>(size.cx), length);
        else
            size.cy = std::max(static_cast<int>(size.cy), length);
    }
    return size;
}

void CToolBar::OnBarStyleChange(DWORD oldStyle, DWORD newStyle) {
    if (newStyle & CBRS_SIZE_DYNAMIC)
        SetVerticalLayout((newStyle & CBRS_ORIENT_VERT) && !(newStyle & CBRS_FLOATING));
    CControlBar::OnBarStyleChange(oldStyle, newStyle);
}

void CToolBar::OnUpdateCmdUI(CWnd* target, bool disableIfNoHandler) {
    CToolCmdUI ui(m_hWnd);
    ui.m_nIndexMax = static_cast<UINT>(GetButtonCount());
    for (int i = 0; i < GetButtonCount(); ++i) {
        TBBUTTON button{};
        SendMessage(TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button));
        if (button.fsStyle & BTNS_SEP) continue;
        ui.m_nID = static_cast<UINT>(button.idCommand);
        ui.m_nIndex = static_cast<UINT>(i);
        UpdateButton(ui, target, disableIfNoHandler);
    }
}
