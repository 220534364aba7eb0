// CAddRowsDlg: asks how many rows to add and whether they go to the end of the pattern or
// before the current row. The frame keeps one for its whole life, so the members survive
// between uses.
#pragma once
#include "app/resource.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/gdi.h"

class CAddRowsDlg : public CDialog {
public:
    CAddRowsDlg();

    int m_bAddToEnd = 1; // 1: append; 0: insert before the current row
    int m_nCount = 0;    // rows to add, at least 1 once the dialog ends with OK

    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;

    // "Добавить перед строкой  N" for the 0-based row `curRow`.
    static std::wstring PositionText(int curRow);

protected:
    DECLARE_MESSAGE_MAP()
    void OnAddToEnd();

private:
    HWND m_hCountEdit = nullptr; // valid while the dialog is open
    CStatic m_wndPosition;
    CFont m_fontLabel;

    void ShowPositionFor(bool addToEnd);
};
