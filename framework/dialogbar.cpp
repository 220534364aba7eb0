#include "dialogbar.h"

IMPLEMENT_DYNAMIC(CDialogBar, CControlBar)

namespace {
struct DialogRequest {
    const DLGTEMPLATE* dlgTemplate;
    HWND parent;
};

// The bar's controls talk to the bar's window procedure; the dialog procedure does nothing.
INT_PTR CALLBACK BarDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

HWND MakeDialog(void* context) {
    auto* r = static_cast<DialogRequest*>(context);
    return ::CreateDialogIndirectParamW(GetModuleHandleW(nullptr), r->dlgTemplate, r->parent,
                                        &BarDialogProc, 0);
}
} // namespace

bool CDialogBar::Create(CWnd* parent, UINT templateId, DWORD style, UINT id) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HRSRC res =
        ::FindResourceW(instance, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5) /*RT_DIALOG*/);
    HGLOBAL loaded = res ? ::LoadResource(instance, res) : nullptr;
    auto* dlgTemplate = loaded ? static_cast<const DLGTEMPLATE*>(::LockResource(loaded)) : nullptr;
    if (!dlgTemplate) return false;
    // The bar's style is set before the window exists, so WM_CREATE handlers see it.
    InitBar(style & CBRS_ALL, parent->m_hWnd);
    DialogRequest request{dlgTemplate, parent->m_hWnd};
    if (!CreateAttached(&MakeDialog, &request)) return false;
    ModifyStyle(WS_POPUP | WS_CAPTION, WS_CHILD);
    SetDlgCtrlID(static_cast<int>(id));
    m_sizeDefault = GetWindowRect().Size();
    if (style & WS_VISIBLE) ShowWindow(SW_SHOWNA);
    return true;
}

CSize CDialogBar::CalcFixedLayout(bool stretch, bool horz) {
    if (!stretch) return m_sizeDefault;
    return horz ? CSize(32767, m_sizeDefault.cy) : CSize(m_sizeDefault.cx, 32767);
}

void CDialogBar::OnUpdateCmdUI(CWnd* target, bool disableIfNoHandler) {
    CBarCtrlCmdUI ui;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        int id = ::GetDlgCtrlID(child);
        if (id <= 0 || id == 0xFFFF) continue;
        ui.m_nID = static_cast<UINT>(id);
        ui.m_hOther = child;
        // Only buttons are greyed for lack of a handler; sliders and labels issue no commands.
        bool isButton = (::SendMessageW(child, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON) != 0;
        ui.DoUpdate(target, disableIfNoHandler && isButton);
    }
}
