#include "grid/cell_combo.h"

#include <algorithm>

// --- the text field ---

BEGIN_MESSAGE_MAP(CORVComboEdit, CWnd)
    On<WM_CHAR, &CORVComboEdit::OnChar>(), On<WM_KEYDOWN, &CORVComboEdit::OnKeyDown>(),
        On<WM_KEYUP, &CORVComboEdit::OnKeyUp>(),
END_MESSAGE_MAP()

namespace {
void PostKey(HWND to, UINT key, UINT repeat, UINT flags) {
    ::PostMessageW(to, WM_KEYDOWN, key, orv::ForwardedKeyParam(repeat, flags));
}

// Key-ups the drop-down and its text field keep from the platform's handling.
bool DropKeyUp(UINT key) {
    if (key == VK_UP || key == VK_DOWN) return !orv::ShiftDown();
    return key == VK_TAB || key == VK_RETURN || orv::IsPageOrArrowKey(key);
}
} // namespace

void CORVComboEdit::OnChar(UINT ch, UINT repeat, UINT flags) {
    switch (ch) {
    case VK_TAB:
        PostKey(GetParent(), VK_TAB, repeat, flags);
        return;
    case VK_RETURN:
        PostKey(GetParent(), VK_DOWN, repeat, flags);
        return;
    case VK_ESCAPE:
        return;
    default:
        Default();
    }
}

void CORVComboEdit::OnKeyDown(UINT key, UINT repeat, UINT flags) {
    switch (key) {
    case VK_TAB:
    case VK_RETURN:
        return;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
        PostKey(GetParent(), key, repeat, flags);
        return;
    case VK_LEFT:
    case VK_RIGHT:
        if (orv::CaretCanMove(m_hWnd, key == VK_LEFT))
            Default();
        else
            PostKey(GetParent(), key, repeat, flags);
        return;
    case VK_UP:
    case VK_DOWN:
        if (orv::ShiftDown())
            Default();
        else
            PostKey(GetParent(), key, repeat, flags);
        return;
    default:
        Default();
    }
}

void CORVComboEdit::OnKeyUp(UINT key, UINT, UINT) {
    if (!DropKeyUp(key)) Default();
}

// --- the drop-down ---

BEGIN_MESSAGE_MAP(CORVCellCombo, CWnd)
    On<WM_CHAR, &CORVCellCombo::OnChar>(), On<WM_KEYDOWN, &CORVCellCombo::OnKeyDown>(),
        On<WM_KEYUP, &CORVCellCombo::OnKeyUp>(), On<WM_SIZE, &CORVCellCombo::OnSize>(),
        On<WM_SETFOCUS, &CORVCellCombo::OnSetFocus>(),
        On<WM_KILLFOCUS, &CORVCellCombo::OnKillFocus>(),
END_MESSAGE_MAP()

void CORVCellCombo::AttachTextField() {
    if (HasTextField() || !m_hWnd) return;
    if (HWND field = GetDlgItem(kEditId)) edit.SubclassWindow(field);
}

LRESULT CORVCellCombo::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (!editSubclassed) {
        editSubclassed = 1;
        AttachTextField();
    }
    if (msg == WM_PARENTNOTIFY && LOWORD(wp) == WM_CREATE && HIWORD(wp) == kEditId)
        AttachTextField();
    if (msg == WM_PAINT) {
        CPaintDC dc(m_hWnd);
        PaintClosed(dc);
        return 0;
    }
    if (msg == WM_NCPAINT) {
        CClientDC dc(m_hWnd);
        PaintClosed(dc);
        return 0;
    }
    if (msg == WM_NCDESTROY) {
        const LRESULT result = CORVCellWnd::WindowProc(msg, wp, lp);
        editSubclassed = 0;
        return result;
    }
    const LRESULT result = CORVCellWnd::WindowProc(msg, wp, lp);
    // The editable styles make their text field during creation.
    if (msg == WM_CREATE) AttachTextField();
    return result;
}

bool CORVCellCombo::OnChildNotify(UINT msg, WPARAM wp, LPARAM, LRESULT*) {
    if (msg == WM_COMMAND && (HIWORD(wp) == CBN_CLOSEUP || HIWORD(wp) == CBN_SELCHANGE))
        Invalidate(true);
    return false; // the parent still hears of it
}

void CORVCellCombo::SetFont(HFONT font, bool redraw) {
    LOGFONTW lf{};
    if (!font || ::GetObjectW(font, sizeof(lf), &lf) != sizeof(lf)) return;
    if (!privateFont.CreateFontIndirect(lf)) return;
    CWnd::SetFont(font, redraw);
}

void CORVCellCombo::SetModified(bool modified) {
    savedText = GetWindowText();
    if (modified) savedText.push_back(L'\x1'); // no text reads like this
}

bool CORVCellCombo::Create(DWORD style, CWnd* parent, UINT id) {
    if (!CreateControl(L"COMBOBOX", style, parent, id, CRect(0, 0, 0, 1000))) return false;
    AttachTextField();
    return true;
}

bool CORVCellCombo::Show(int x, int y, int cx, int cy) {
    itemHeight = cy - 7;
    SetWindowPos(nullptr, x + 1, y + 1, cx - 1, 7 * cy, SWP_NOZORDER | SWP_NOACTIVATE);
    if (HasTextField())
        edit.SetWindowPos(nullptr, 1, 1, cx - cy, cy - 3, SWP_NOZORDER | SWP_NOACTIVATE);
    EnableWindow(true);
    SetFocus();
    if (cx > 2) ShowWindow(SW_SHOW);
    return true;
}

void CORVCellCombo::OnSize(UINT, int, int) {
    Default();
    SendMessage(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), LOWORD(itemHeight));
}

void CORVCellCombo::SetValue(const CORVCellValue& value) {
    if (value.data == -1) {
        SetWindowText(value.text);
    } else {
        const int count = static_cast<int>(SendMessage(CB_GETCOUNT));
        for (int i = 0; i < count; ++i)
            if (static_cast<int>(SendMessage(CB_GETITEMDATA, i)) == value.data)
                SendMessage(CB_SETCURSEL, i);
    }
    text = value.text;
    data = value.data;
    savedText = GetWindowText();
}

CORVCellValue CORVCellCombo::GetValue() {
    text = GetWindowText();
    const LRESULT selected = SendMessage(CB_GETCURSEL);
    data = selected == CB_ERR ? -1 : static_cast<int>(SendMessage(CB_GETITEMDATA, selected));
    return {text, data};
}

bool CORVCellCombo::IsModified() {
    return savedText != GetWindowText();
}
bool CORVCellCombo::AcceptValue() {
    return true;
}

bool CORVCellCombo::CanCut() {
    return HasTextField() && CanCopy();
}

bool CORVCellCombo::CanCopy() {
    if (!HasTextField()) return !GetWindowText().empty();
    DWORD start = 0, end = 0;
    edit.SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return start != end;
}

bool CORVCellCombo::CanPaste() {
    return HasTextField() && ClipboardHasText();
}
bool CORVCellCombo::CanUndo() {
    return HasTextField() && edit.SendMessage(EM_CANUNDO) != 0;
}

void CORVCellCombo::Cut() {
    if (HasTextField()) edit.SendMessage(WM_CUT);
}

void CORVCellCombo::Copy() {
    if (HasTextField())
        edit.SendMessage(WM_COPY);
    else
        CopyTextToClipboard(GetWindowText());
}

void CORVCellCombo::Paste() {
    if (HasTextField()) edit.SendMessage(WM_PASTE);
}

void CORVCellCombo::Undo() {
    if (HasTextField()) edit.SendMessage(EM_UNDO);
}

// --- keys ---

void CORVCellCombo::OnChar(UINT ch, UINT repeat, UINT flags) {
    if (flags & orv::kForwardedKey) return; // made from a key the text field handed on
    switch (ch) {
    case VK_TAB:
        PostKeyToParent(VK_TAB, repeat, flags);
        return;
    case VK_RETURN:
        PostKeyToParent(VK_DOWN, repeat, flags);
        return;
    case VK_ESCAPE:
        return;
    default:
        Default();
    }
}

void CORVCellCombo::OnKeyDown(UINT key, UINT repeat, UINT flags) {
    switch (key) {
    case VK_TAB:
    case VK_RETURN:
        return;
    case VK_UP:
    case VK_DOWN:
        if (orv::ShiftDown())
            Default();
        else
            PostKeyToParent(key, repeat, flags);
        return;
    default:
        if (orv::IsPageOrArrowKey(key))
            PostKeyToParent(key, repeat, flags);
        else
            Default();
    }
}

void CORVCellCombo::OnKeyUp(UINT key, UINT, UINT) {
    if (!DropKeyUp(key)) Default();
}

// --- painting of the closed state ---

void CORVCellCombo::OnSetFocus(HWND) {
    Default();
    Invalidate(true);
}

void CORVCellCombo::OnKillFocus(HWND) {
    Default();
    Invalidate(true);
}

std::wstring CORVCellCombo::SelectedItemText() const {
    const LRESULT selected = SendMessage(CB_GETCURSEL);
    if (selected == CB_ERR) return {};
    const LRESULT length = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(selected));
    if (length <= 0) return {};
    std::wstring item(static_cast<size_t>(length) + 1, L'\0');
    SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(item.data()));
    item.resize(wcslen(item.c_str()));
    return item;
}

void CORVCellCombo::PaintClosed(HDC dc) {
    CRect r = GetClientRect();
    if (frameStyle) frameStyle->Draw(dc, r);
    r.DeflateRect(1, 1);
    if (r.IsRectEmpty()) return;
    const bool focused = ::GetFocus() == m_hWnd;
    const COLORREF back = ::GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    const COLORREF fore = ::GetSysColor(focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    const COLORREF oldText = ::SetTextColor(dc, fore);
    const COLORREF oldBack = ::SetBkColor(dc, back);
    orv::FillSolidRect(dc, r, back);
    {
        ScopedSelectObject use(dc, GetFont());
        const std::wstring item = SelectedItemText();
        CRect textRect = r;
        ::DrawTextW(dc, item.c_str(), static_cast<int>(item.size()), &textRect,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    CRect button = r;
    button.left = std::max<int>(r.left, r.right - r.Height());
    const bool open = SendMessage(CB_GETDROPPEDSTATE) != 0;
    ::DrawFrameControl(dc, &button, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | (open ? DFCS_PUSHED : 0));
    ::SetTextColor(dc, oldText);
    ::SetBkColor(dc, oldBack);
}
