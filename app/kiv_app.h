// CKIVApp: the application object. Start-up: one copy only, the profile and the template,
// the first pattern, the port library and the port; then the framework's message loop.
#pragma once
#include "framework/app.h"
#include "framework/dialog.h"

#include <memory>
#include <string>

class CShowDriver;

class CKIVApp : public CWinApp {
public:
    CKIVApp();
    ~CKIVApp() override;

    bool InitInstance() override;
    int ExitInstance() override;
    bool OnIdle(LONG count) override;

    // The schedule's driver and the notification icon; null before the frame is shown.
    CShowDriver* ShowDriver() const { return m_showDriver.get(); }

protected:
    DECLARE_MESSAGE_MAP()
    void OnAppAbout();

private:
    // Steps of InitInstance that can end the start-up.
    bool RefuseSecondCopy();
    bool LoadPortLibraryOrReport();
    bool CountPortsOrReport();
    void SettlePort();

    struct HandleCloser {
        void operator()(HANDLE h) const { CloseHandle(h); }
    };
    std::unique_ptr<void, HandleCloser> m_instanceMutex; // held for the life of this copy
    std::unique_ptr<CShowDriver> m_showDriver;
};

// The About box: dialog 100 with only an OK button.
class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    bool OnInitDialog() override;
};

// The top-level window whose title is exactly `title`, of any class and program.
HWND FindWindowWithTitle(const std::wstring& title);
