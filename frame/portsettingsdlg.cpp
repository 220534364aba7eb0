#include "frame/portsettingsdlg.h"

#include "app/globals.h"
#include "frame/port_file.h"

#include <cwchar>

CPortSettingsDlg::CPortSettingsDlg() : CDialog(IDD_PORT_SETTINGS) {}

std::wstring CPortSettingsDlg::FormatAddress(std::uint32_t address) {
    wchar_t text[16] = {};
    std::swprintf(text, std::size(text), L"%xh", static_cast<unsigned>(address));
    return text;
}

bool CPortSettingsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CenterWindow();
    m_pLpt1 = GetDlgItem(IDC_LPT1);
    m_pLpt2 = GetDlgItem(IDC_LPT2);
    m_pLpt3 = GetDlgItem(IDC_LPT3);
    // The first present port is selected, not the one in use: OK switches to the selection.
    bool checked = false;
    ShowPort(m_pLpt1, IDC_LPT1_ADDRESS, g_nLpt1Address, checked);
    ShowPort(m_pLpt2, IDC_LPT2_ADDRESS, g_nLpt2Address, checked);
    ShowPort(m_pLpt3, IDC_LPT3_ADDRESS, g_nLpt3Address, checked);
    return true;
}

void CPortSettingsDlg::ShowPort(HWND radio, int addressId, std::uint32_t address, bool& checked) {
    if (address == 0) {
        ::EnableWindow(radio, FALSE);
        return;
    }
    ::SetDlgItemTextW(m_hWnd, addressId, FormatAddress(address).c_str());
    if (checked) return;
    ::SendMessageW(radio, BM_SETCHECK, BST_CHECKED, 0);
    checked = true;
}

void CPortSettingsDlg::OnOK() {
    auto isChecked = [](HWND radio) {
        return ::SendMessageW(radio, BM_GETCHECK, 0, 0) == BST_CHECKED;
    };
    if (isChecked(m_pLpt1))
        g_nPortAddress = g_nLpt1Address;
    else if (isChecked(m_pLpt2))
        g_nPortAddress = g_nLpt2Address;
    else if (isChecked(m_pLpt3))
        g_nPortAddress = g_nLpt3Address;
    // A file that cannot be written flies as the framework's file exception: its box is
    // shown and the dialog stays open.
    WritePortFile(PortFilePath(), g_nPortAddress);
    EndDialog(IDOK);
}
