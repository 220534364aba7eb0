// CKIVApp: the application object. Start-up: one copy only, the profile and the template,
// the first pattern, the port library and the port; then the framework's message loop.
#pragma once
#include "app/command_line.h"
#include "app/remote_command.h"
#include "app/unique_handle.h"
#include "framework/app.h"
#include "framework/dialog.h"

#include <memory>
#include <optional>
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
    // The program's own switches (app/kiv_app_switches.cpp): the exit status when they
    // end the start-up here, nullopt when this start goes on to become the running copy.
    std::optional<int> CarryOutSwitches(CKIVCommandLineInfo& info);
    // Hands the command to the running copy and says its answer; nullopt when no copy runs
    // and `mayStartCopy` (/play FILE) lets this start become it.
    static std::optional<int> HandOver(const CKIVCommandLineInfo& info, bool mayStartCopy);
    bool RefuseSecondCopy(const CKIVCommandLineInfo& info);
    bool LoadPortLibraryOrReport();
    bool CountPortsOrReport();
    void SettlePort();

    // /play [FILE] when it is the last step of the start: F4 on the pattern that opened.
    void PlayAtLaunch(const CKIVCommandLineInfo& info);

    UniqueHandle m_instanceMutex;   // held for the life of this copy
    CCommandWindow m_commandWindow; // takes /play, /stop and /status from later starts
    std::optional<int> m_switchStatus;
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
