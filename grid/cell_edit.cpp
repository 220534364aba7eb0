#include "grid/cell_edit.h"

BEGIN_MESSAGE_MAP(CORVCellEdit, CWnd)
    On<WM_CHAR, &CORVCellEdit::OnChar>(), On<WM_KEYDOWN, &CORVCellEdit::OnKeyDown>(),
        On<WM_KEYUP, &CORVCellEdit::OnKeyUp>(),
END_MESSAGE_MAP()

void CORVCellEdit::SetFont(HFONT font, bool redraw) {
    CWnd::SetFont(font, redraw);
}
void CORVCellEdit::SetModified(bool modified) {
    SendMessage(EM_SETMODIFY, modified);
}

bool CORVCellEdit::Create(DWORD style, CWnd* parent, UINT id) {
    return CreateControl(L"EDIT", style, parent, id, CRect());
}

bool CORVCellEdit::Show(int x, int y, int cx, int cy) {
    SetWindowPos(nullptr, x + 2, y + 2, cx - 3, cy - 3, SWP_NOZORDER | SWP_NOACTIVATE);
    Activate();
    SendMessage(EM_SETSEL, 0, -1);
    SendMessage(EM_SCROLLCARET);
    return true;
}

void CORVCellEdit::SetValue(const CORVCellValue& value) {
    SetModified(false);
    text = value.text;
    SetWindowText(value.text);
}

CORVCellValue CORVCellEdit::GetValue() {
    text = GetWindowText();
    return {text, data};
}

bool CORVCellEdit::IsModified() {
    return SendMessage(EM_GETMODIFY) != 0;
}
bool CORVCellEdit::AcceptValue() {
    return true;
}

bool CORVCellEdit::CanCut() {
    return CanCopy();
}

bool CORVCellEdit::CanCopy() {
    DWORD start = 0, end = 0;
    SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return start != end;
}

bool CORVCellEdit::CanPaste() {
    return ClipboardHasText();
}
bool CORVCellEdit::CanUndo() {
    return SendMessage(EM_CANUNDO) != 0;
}
void CORVCellEdit::Cut() {
    SendMessage(WM_CUT);
}
void CORVCellEdit::Copy() {
    SendMessage(WM_COPY);
}
void CORVCellEdit::Paste() {
    SendMessage(WM_PASTE);
}
void CORVCellEdit::Undo() {
    SendMessage(EM_UNDO);
}

void CORVCellEdit::OnChar(UINT ch, UINT repeat, UINT flags) {
    switch (ch) {
    case VK_TAB:
        PostKeyToParent(VK_TAB, repeat, flags);
        return;
    case VK_RETURN:
        PostKeyToParent(VK_DOWN, repeat, flags);
        return;
    case VK_ESCAPE:
        if (CanUndo()) Undo();
        return;
    default:
        Default();
    }
}

void CORVCellEdit::OnKeyDown(UINT key, UINT repeat, UINT flags) {
    switch (key) {
    case VK_TAB:
    case VK_RETURN:
        return; // handled as characters
    case VK_LEFT:
    case VK_RIGHT:
        if (orv::CaretCanMove(m_hWnd, key == VK_LEFT))
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

void CORVCellEdit::OnKeyUp(UINT key, UINT, UINT) {
    if (key == VK_TAB || key == VK_RETURN || orv::IsPageOrArrowKey(key)) return;
    Default();
}
