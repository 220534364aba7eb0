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
// Marks the key-downs a control hands on (a reserved bit of the key flags). A message loop
// translates them into characters like real keys; the character carries the mark, so a
// control can tell it from a key the user typed and not hand it on a second time.
constexpr UINT kForwardedKey = 0x0200;
inline LPARAM ForwardedKeyParam(UINT repeat, UINT flags) {
    return MAKELPARAM(repeat, flags | kForwardedKey);
}
// Keys the in-place controls hand back to the grid.
constexpr bool IsPageOrArrowKey(UINT key) {
    return key >= VK_PRIOR && key <= VK_DOWN;
}
bool ShiftDown();
// Whether Left/Right would still move the caret inside an edit control's text.
bool CaretCanMove(HWND edit, bool left);
} // namespace orv
