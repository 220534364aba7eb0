#include "grid/cell_wnd.h"

bool CORVCellWnd::Enable(bool enable) {
    return IsWindow() && EnableWindow(enable);
}

bool CORVCellWnd::Hide() {
    if (!IsWindow()) return true;
    EnableWindow(false);
    ShowWindow(SW_HIDE);
    SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

bool CORVCellWnd::Destroy() {
    return DestroyWindow();
}
bool CORVCellWnd::IsActive() {
    return IsWindow() && IsWindowEnabled();
}

bool CORVCellWnd::CreateControl(LPCWSTR className, DWORD style, CWnd* parent, UINT id,
                                const RECT& rect) {
    return CreateEx(0, className, L"", style, rect, parent ? parent->GetSafeHwnd() : nullptr, id);
}

void CORVCellWnd::Activate() {
    EnableWindow(true);
    ShowWindow(SW_SHOW);
    SetFocus();
}

void CORVCellWnd::PostKeyToParent(UINT key, UINT repeat, UINT flags) const {
    ::PostMessageW(GetParent(), WM_KEYDOWN, key, orv::ForwardedKeyParam(repeat, flags));
}

bool orv::ShiftDown() {
    return ::GetKeyState(VK_SHIFT) < 0;
}

bool orv::CaretCanMove(HWND edit, bool left) {
    const int length = ::GetWindowTextLengthW(edit);
    if (length == 0) return false;
    POINT caret{};
    ::GetCaretPos(&caret);
    if (left) {
        const LRESULT first = ::SendMessageW(edit, EM_POSFROMCHAR, 0, 0);
        return caret.x != static_cast<short>(LOWORD(first));
    }
    const LRESULT last = ::SendMessageW(edit, EM_POSFROMCHAR, static_cast<WPARAM>(length - 1), 0);
    return caret.x <= static_cast<short>(LOWORD(last));
}
