// CORVCellCheck: the in-place check box. A click on the cell presses it; the user's own
// release toggles it. Navigation keys go back to the grid window.
#pragma once
#include "framework/gdi.h"
#include "grid/cell_wnd.h"

class CORVCellCheck : public CORVCellWnd {
public:
    CBrush backBrush;    // the window colour, so the box blends with the cell
    BYTE savedCheck = 0; // check state at the last load or commit

    CORVCellCheck();

    void Click(int x, int y) override;
    void SetFont(HFONT font, bool redraw) override;
    void SetModified(bool modified) override;
    bool Create(DWORD style, CWnd* parent, UINT id) override;
    bool Show(int x, int y, int cx, int cy) override;
    void SetValue(const CORVCellValue& value) override;
    CORVCellValue GetValue() override;
    bool IsModified() override;
    bool AcceptValue() override;

    bool PreTranslateMessage(MSG* msg) override;
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    BYTE CheckState() const;
    bool ForwardKey(UINT msg, WPARAM key, LPARAM lp) const;
};
