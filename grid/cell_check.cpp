#include "grid/cell_check.h"

#include <algorithm>

CORVCellCheck::CORVCellCheck() : backBrush(::GetSysColor(COLOR_WINDOW)) {}

BYTE CORVCellCheck::CheckState() const {
    return static_cast<BYTE>(IsWindow() ? SendMessage(BM_GETCHECK) : 0);
}

void CORVCellCheck::Click(int x, int y) {
    SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
}
void CORVCellCheck::SetFont(HFONT font, bool redraw) {
    CWnd::SetFont(font, redraw);
}

void CORVCellCheck::SetModified(bool modified) {
    // Nothing asks for "modified"; a saved state no box can have makes it so.
    savedCheck = modified ? 0xFF : CheckState();
}

bool CORVCellCheck::Create(DWORD style, CWnd* parent, UINT id) {
    return CreateControl(L"BUTTON", style, parent, id, CRect());
}

bool CORVCellCheck::Show(int x, int y, int cx, int cy) {
    if (!text.empty()) {
        SetWindowPos(nullptr, x + 2, y + 2, cx - 3, cy - 3, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        const int left = x + 2 + std::max(0, (cx - 16) / 2);
        SetWindowPos(nullptr, left, y + 2, std::min(cx - 3, 13), cy - 3,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Activate();
    return true;
}

void CORVCellCheck::SetValue(const CORVCellValue& value) {
    text = value.text;
    data = value.data;
    SetWindowText(text);
    const DWORD type = GetStyle() & BS_TYPEMASK;
    const bool threeState =
        (type & BS_3STATE) == BS_3STATE || (type & BS_AUTO3STATE) == BS_AUTO3STATE;
    WPARAM check = BST_UNCHECKED;
    if (data == 1)
        check = BST_CHECKED;
    else if (data == 2 && threeState)
        check = BST_INDETERMINATE;
    SendMessage(BM_SETCHECK, check);
    savedCheck = CheckState();
}

CORVCellValue CORVCellCheck::GetValue() {
    text = GetWindowText();
    const BYTE state = CheckState();
    data = state == BST_CHECKED ? 1 : state == BST_INDETERMINATE ? 2 : 0;
    return {text, data};
}

bool CORVCellCheck::IsModified() {
    return CheckState() != savedCheck;
}

bool CORVCellCheck::AcceptValue() {
    savedCheck = CheckState();
    return true;
}

bool CORVCellCheck::ForwardKey(UINT msg, WPARAM key, LPARAM lp) const {
    if (msg != WM_KEYDOWN) return false;
    if (key != VK_TAB && key != VK_RETURN && !orv::IsPageOrArrowKey(static_cast<UINT>(key)))
        return false;
    ::PostMessageW(GetParent(), WM_KEYDOWN, key,
                   lp | (static_cast<LPARAM>(orv::kForwardedKey) << 16));
    return true;
}

bool CORVCellCheck::PreTranslateMessage(MSG* msg) {
    return msg->hwnd == m_hWnd && ForwardKey(msg->message, msg->wParam, msg->lParam);
}

LRESULT CORVCellCheck::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    // Message loops that skip PreTranslateMessage still hand the keys to the grid.
    if (ForwardKey(msg, wp, lp)) return 0;
    return CORVCellWnd::WindowProc(msg, wp, lp);
}

bool CORVCellCheck::OnChildNotify(UINT msg, WPARAM wp, LPARAM, LRESULT* result) {
    if (msg != WM_CTLCOLORBTN && msg != WM_CTLCOLORSTATIC) return false;
    ::SetBkColor(reinterpret_cast<HDC>(wp), ::GetSysColor(COLOR_WINDOW));
    *result = reinterpret_cast<LRESULT>(backBrush.Get());
    return true;
}
