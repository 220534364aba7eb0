// CDialogBar: a control bar made from a dialog template. Its controls send their commands
// to the bar's owner and are enabled on the idle pass by the owner's command-update handlers.
#pragma once
#include "controlbar.h"

class CDialogBar : public CControlBar {
    DECLARE_DYNAMIC(CDialogBar)
public:
    // `style`: CBRS_* side and options; the window is a child of `parent` with id `id`.
    bool Create(CWnd* parent, UINT templateId, DWORD style, UINT id);
    CSize m_sizeDefault; // the template's size in pixels

    CSize CalcFixedLayout(bool stretch, bool horz) override;
    void OnUpdateCmdUI(CWnd* target, bool disableIfNoHandler) override;
};
