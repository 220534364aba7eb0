// CORVCellWnd: what every window-based cell control shares: the window first, the
// cell-control interface second; destroy, enable, active state, hiding and the keys
// it hands back to the grid.
#pragma once
#include "framework/wnd.h"
#include "grid/cell_ctrl.h"

class CORVCellWnd : public CWnd, public CORVCellCtrl {
public:
    bool Enable(bool enable) override;
    bool Hide() override;
    bool Destroy() override;
    bool IsActive() override;

protected:
    bool CreateControl(LPCWSTR className, DWORD style, CWnd* parent, UINT id, const RECT& rect);
    // Enables, shows and focuses the window.
    void Activate();
    // Posts a key-down to the parent with the key message's own repeat count and flags.
    void PostKeyToParent(UINT key, UINT repeat, UINT flags) const;
};

namespace orv {
// Keys the in-place controls hand back to the grid.
constexpr bool IsPageOrArrowKey(UINT key) { return key >= VK_PRIOR && key <= VK_DOWN; }
bool ShiftDown();
// Whether Left/Right would still move the caret inside an edit control's text.
bool CaretCanMove(HWND edit, bool left);
} // namespace orv
