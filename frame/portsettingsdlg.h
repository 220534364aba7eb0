// CPortSettingsDlg: "Настройка", the choice among LPT1..LPT3 as the port library reported
// them at start-up. OK makes the chosen port's address the one to drive and keeps it in
// "port.cst" for the next start.
#pragma once
#include "app/resource.h"
#include "framework/dialog.h"

#include <cstdint>
#include <string>

class CPortSettingsDlg : public CDialog {
public:
    CPortSettingsDlg();

    bool OnInitDialog() override;
    void OnOK() override;

    // "378h": lower-case hexadecimal without leading zeros, then "h".
    static std::wstring FormatAddress(std::uint32_t address);

private:
    HWND m_pLpt1 = nullptr; // the radio buttons, valid while the dialog is open
    HWND m_pLpt2 = nullptr;
    HWND m_pLpt3 = nullptr;

    // Shows one port; checks its button when present and nothing is checked yet.
    void ShowPort(HWND radio, int addressId, std::uint32_t address, bool& checked);
};
