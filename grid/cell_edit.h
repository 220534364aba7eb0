// CORVCellEdit: the in-place edit box. Navigation keys go back to the grid window.
#pragma once
#include "grid/cell_wnd.h"

class CORVCellEdit : public CORVCellWnd {
public:
    void SetFont(HFONT font, bool redraw) override;
    void SetModified(bool modified) override;
    bool Create(DWORD style, CWnd* parent, UINT id) override;
    bool Show(int x, int y, int cx, int cy) override;
    void SetValue(const CORVCellValue& value) override;
    CORVCellValue GetValue() override;
    bool IsModified() override;
    bool AcceptValue() override;
    bool CanCut() override;
    bool CanCopy() override;
    bool CanPaste() override;
    bool CanUndo() override;
    void Cut() override;
    void Copy() override;
    void Paste() override;
    void Undo() override;

protected:
    DECLARE_MESSAGE_MAP()
    void OnChar(UINT ch, UINT repeat, UINT flags);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    void OnKeyUp(UINT key, UINT repeat, UINT flags);
};
