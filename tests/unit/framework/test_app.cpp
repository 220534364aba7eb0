#include "test_app.h"

namespace {
CTestApp g_app;
}

BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
    Command<&CTestApp::OnAppCommand>(kAppCmd),
        Command<&CTestApp::OnAppCommand>(kFrameCmd), // the frame answers first
END_MESSAGE_MAP()

CTestApp::CTestApp() : CWinApp(L"KivFrameworkTests") {}

int CTestApp::DoMessageBox(const std::wstring& text, UINT, UINT) {
    m_boxes.push_back(text);
    return m_nAnswer;
}

CTestApp& TestApp() {
    return g_app;
}

void PumpPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void ClearTestProfile() {
    std::wstring key = L"Software\\KivTests-" + std::to_wstring(GetCurrentProcessId());
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    g_app.SetRegistryKey((L"KivTests-" + std::to_wstring(GetCurrentProcessId())).c_str());
}
