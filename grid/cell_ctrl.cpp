#include "grid/cell_ctrl.h"

#include <cstring>

void CORVCellCtrl::Click(int, int) {}
void CORVCellCtrl::SetFont(HFONT, bool) {}
void CORVCellCtrl::SetModified(bool) {}
bool CORVCellCtrl::Enable(bool) {
    return true;
}
bool CORVCellCtrl::Create(DWORD, CWnd*, UINT) {
    return true;
}
bool CORVCellCtrl::Show(int, int, int, int) {
    return true;
}
bool CORVCellCtrl::Hide() {
    return true;
}

void CORVCellCtrl::SetValue(const CORVCellValue& value) {
    text = value.text;
    data = value.data;
}

CORVCellValue CORVCellCtrl::GetValue() {
    return {text, data};
}
bool CORVCellCtrl::IsModified() {
    return false;
}
bool CORVCellCtrl::AcceptValue() {
    return true;
}
bool CORVCellCtrl::Destroy() {
    return true;
}
bool CORVCellCtrl::IsActive() {
    return false;
}
bool CORVCellCtrl::CanCut() {
    return false;
}
bool CORVCellCtrl::CanCopy() {
    return false;
}
bool CORVCellCtrl::CanPaste() {
    return false;
}
bool CORVCellCtrl::CanUndo() {
    return false;
}
void CORVCellCtrl::Cut() {}
void CORVCellCtrl::Copy() {}
void CORVCellCtrl::Paste() {}
void CORVCellCtrl::Undo() {}

bool CopyTextToClipboard(const std::wstring& text) {
    if (text.empty()) return false;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE, bytes);
    if (!block) return false;
    void* p = ::GlobalLock(block);
    if (!p) {
        ::GlobalFree(block);
        return false;
    }
    std::memcpy(p, text.c_str(), bytes);
    ::GlobalUnlock(block);
    if (!::OpenClipboard(nullptr)) {
        ::GlobalFree(block);
        return false;
    }
    // Unicode text: the system offers it to readers of 8-bit text as well.
    const bool handed = ::EmptyClipboard() && ::SetClipboardData(CF_UNICODETEXT, block);
    ::CloseClipboard();
    if (!handed) ::GlobalFree(block);
    return handed;
}

bool ClipboardHasText() {
    return ::IsClipboardFormatAvailable(CF_UNICODETEXT) || ::IsClipboardFormatAvailable(CF_TEXT);
}
