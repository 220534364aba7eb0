#include "frame/addrowsdlg.h"

#include "app/globals.h"
#include "grid/grid_types.h"

BEGIN_MESSAGE_MAP(CAddRowsDlg, CDialog)
    Command<&CAddRowsDlg::OnAddToEnd>(IDC_ADD_TO_END),
END_MESSAGE_MAP()

namespace {
// Where the label sits, in pixels of the client area: inside the group box, below the count.
constexpr RECT kPositionRect{18, 65, 200, 80};
} // namespace

CAddRowsDlg::CAddRowsDlg() : CDialog(IDD_ADD_ROWS) {}

std::wstring CAddRowsDlg::PositionText(int curRow) {
    return L"Добавить перед строкой  " + std::to_wstring(curRow + 1);
}

bool CAddRowsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CenterWindow();
    m_fontLabel.CreatePointFont(80, L"MS Sans Serif");
    // The count always starts at 1, whatever was confirmed last time.
    SetDlgItemInt(m_hWnd, IDC_COUNT, 1, TRUE);
    m_hCountEdit = GetDlgItem(IDC_COUNT);
    m_wndPosition.Create(L"", WS_CHILD | WS_VISIBLE, kPositionRect, m_hWnd, IDC_POSITION);
    m_wndPosition.SetFont(m_fontLabel);
    if (g_nRowCount.load() == 0) {
        // Nothing to insert before: the rows can only be appended.
        ::CheckDlgButton(m_hWnd, IDC_ADD_TO_END, BST_CHECKED);
        ::EnableWindow(GetDlgItem(IDC_ADD_TO_END), FALSE);
    } else {
        ShowPositionFor(IsDlgButtonChecked(m_hWnd, IDC_ADD_TO_END) == BST_CHECKED);
    }
    return true;
}

void CAddRowsDlg::DoDataExchange(CDataExchange* dx) {
    // Adding never changes or removes existing rows, so fewer than one row is refused here,
    // where the user can correct it; more than the grid can hold never fits either. The
    // count comes first, so a refused box stores nothing and Cancel leaves the tick as it was.
    DDX_Text(dx, IDC_COUNT, m_nCount);
    DDV_MinMaxInt(dx, m_nCount, 1, ORV_MAX_ROWS);
    DDX_Check(dx, IDC_ADD_TO_END, m_bAddToEnd);
}

void CAddRowsDlg::OnAddToEnd() {
    m_wndPosition.SetWindowText(PositionText(g_nCurRow));
    ShowPositionFor(IsDlgButtonChecked(m_hWnd, IDC_ADD_TO_END) == BST_CHECKED);
}

void CAddRowsDlg::ShowPositionFor(bool addToEnd) {
    m_wndPosition.ShowWindow(addToEnd ? SW_HIDE : SW_SHOW);
}
