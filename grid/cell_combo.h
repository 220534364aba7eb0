// CORVCellCombo: the in-place drop-down list, painting its closed state itself, and
// CORVComboEdit: the key handling of an editable drop-down's text field.
#pragma once
#include "framework/gdi.h"
#include "grid/cell_wnd.h"

class CORVComboEdit : public CWnd {
protected:
    DECLARE_MESSAGE_MAP()
    void OnChar(UINT ch, UINT repeat, UINT flags);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    void OnKeyUp(UINT key, UINT repeat, UINT flags);
};

class CORVCellCombo : public CORVCellWnd {
public:
    CFont privateFont;      // a copy of the font given to SetFont
    int editSubclassed = 0; // the text field has been looked for
    CORVComboEdit edit;     // the text field, when the style has one
    int itemHeight = 0;
    std::wstring savedText;

    static constexpr int kEditId = 1001;

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

    bool HasTextField() const { return edit.GetSafeHwnd() != nullptr; }
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

protected:
    DECLARE_MESSAGE_MAP()
    void OnChar(UINT ch, UINT repeat, UINT flags);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    void OnKeyUp(UINT key, UINT repeat, UINT flags);
    void OnSize(UINT type, int cx, int cy);
    void OnSetFocus(HWND other);
    void OnKillFocus(HWND other);

private:
    void AttachTextField();
    void PaintClosed(HDC dc);
    std::wstring SelectedItemText() const;
};
