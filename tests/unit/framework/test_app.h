// The test executable's application object: message boxes are recorded and answered
// instead of shown, and the profile lives under a key of its own.
#pragma once
#include "framework/app.h"

#include <string>
#include <vector>

class CTestApp : public CWinApp {
public:
    CTestApp();
    int DoMessageBox(const std::wstring& text, UINT type, UINT helpId) override;

    std::vector<std::wstring> m_boxes;
    int m_nAnswer = IDOK;
    std::vector<std::wstring> m_log; // commands that reached the application

protected:
    DECLARE_MESSAGE_MAP()
    void OnAppCommand() { m_log.push_back(L"app"); }
};

// Command ids of the routing tests.
constexpr UINT kViewCmd = 100, kDocCmd = 101, kFrameCmd = 102, kAppCmd = 103, kNobodyCmd = 104;

CTestApp& TestApp();

// Runs the thread's pending messages.
void PumpPending();

// Removes the test's profile key; the tests call it before and after using the profile.
void ClearTestProfile();
