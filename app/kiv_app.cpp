#include "app/kiv_app.h"

#include "app/globals.h"
#include "app/remote_actions.h"
#include "frame/port_file.h"
#include "app/resource.h"
#include "app/show_driver.h"
#include "document/kiv_doc.h"
#include "frame/mainframe.h"
#include "framework/afxmsg.h"
#include "framework/doctempl.h"
#include "framework/exception.h"
#include "framework/file.h"
#include "port/port_library.h"
#include "view/kiv_view.h"

#include <memory>

namespace {
constexpr wchar_t kRegistryKey[] = L"Автомат световых эффектов";
constexpr wchar_t kLibraryErrorCaption[] = L"Ошибка библиотеки TAVO.DLL";
constexpr wchar_t kNoPortText[] = L"В системе нет LPT порта.";

struct LocalFreeDeleter {
    void operator()(wchar_t* p) const { LocalFree(p); }
};

std::wstring SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::unique_ptr<wchar_t, LocalFreeDeleter> owner(text);
    if (n == 0 || !text)
        return L"Не удалось загрузить библиотеку TAVO.DLL (ошибка " + std::to_wstring(error) +
               L").";
    return std::wstring(text, n);
}

struct TitleSearch {
    const std::wstring* title;
    HWND found;
};

BOOL CALLBACK MatchTitle(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<TitleSearch*>(lp);
    int n = GetWindowTextLengthW(hwnd);
    if (n != static_cast<int>(search->title->size())) return TRUE;
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), n + 1)));
    if (text != *search->title) return TRUE;
    search->found = hwnd;
    return FALSE;
}
} // namespace

HWND FindWindowWithTitle(const std::wstring& title) {
    TitleSearch search{&title, nullptr};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BEGIN_MESSAGE_MAP(CKIVApp, CWinApp)
    Command<&CKIVApp::OnAppAbout>(ID_APP_ABOUT), Command<&CWinApp::OnFileNew>(ID_FILE_NEW),
        Command<&CWinApp::OnFileOpen>(ID_FILE_OPEN),
        Command<&CWinApp::OnHelpFinder>(ID_HELP_FINDER),
END_MESSAGE_MAP()

CKIVApp::CKIVApp() {
    // The settings files stay in the start-up folder even when a file dialog changes it.
    g_strWorkDir = AfxGetCurrentDirectory();
    g_evRunDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

CKIVApp::~CKIVApp() {
    if (g_evRunDone) CloseHandle(g_evRunDone);
    g_evRunDone = nullptr;
}

bool CKIVApp::InitInstance() {
    CKIVCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    m_switchStatus = CarryOutSwitches(cmdInfo);
    if (m_switchStatus || RefuseSecondCopy(cmdInfo)) return false;
    Enable3dControls();
    SetRegistryKey(kRegistryKey);
    LoadStdProfileSettings(4);
    AddDocTemplate(std::make_unique<CSingleDocTemplate>(
        IDR_MAINFRAME, RUNTIME_CLASS(CKIVDoc), RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CKIVView)));
    if (!ProcessShellCommand(cmdInfo)) return false;
    auto* frame = dynamic_cast<CMainFrame*>(m_pMainWnd);
    if (frame) frame->RestoreBarState();
    EnableShellOpen();
    RegisterShellFileTypes(false);
    if (!LoadPortLibraryOrReport() || !CountPortsOrReport()) return false;
    SettlePort();
    if (!m_pMainWnd) return false;
    m_pMainWnd->CenterWindow();
    m_pMainWnd->ShowWindow(SW_SHOW);
    m_pMainWnd->UpdateWindow();
    if (frame) {
        m_showDriver = std::make_unique<CShowDriver>();
        if (!m_showDriver->Begin(*frame)) m_showDriver.reset();
    }
    m_commandWindow.Create(CarryOutRemoteCommand);
    PlayAtLaunch(cmdInfo);
    return true;
}

int CKIVApp::ExitInstance() {
    m_commandWindow.DestroyWindow();
    m_showDriver.reset(); // the icon goes with it
    const int status = CWinApp::ExitInstance();
    return m_switchStatus.value_or(status);
}

bool CKIVApp::OnIdle(LONG count) {
    const bool more = CWinApp::OnIdle(count);
    if (count == 0 && m_showDriver) m_showDriver->OnIdle();
    return more;
}

bool CKIVApp::RefuseSecondCopy(const CKIVCommandLineInfo& info) {
    // /Unregister opens no window: an uninstall runs it while the program may be open, and
    // must not wait on a box.
    if (info.m_nShellCommand == CCommandLineInfo::AppUnregister) return false;
    // The mutex settles two copies started at once, before either has its window.
    m_instanceMutex.reset(CreateMutexW(nullptr, FALSE, kInstanceMutexName));
    const bool mutexTaken = m_instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS;
    if (!mutexTaken && !FindWindowWithTitle(m_strAppName)) return false;
    if (mutexTaken && info.m_remote == RemoteVerb::Play) {
        // Another start took the mutex first: its copy gets the command after all.
        m_instanceMutex.reset();
        m_switchStatus = HandOver(info, false);
        return true;
    }
    AfxMessageBox(IDP_ALREADY_RUNNING, MB_OK);
    // Looked up after the box: a copy that was still starting has its window by now.
    if (HWND other = FindWindowWithTitle(m_strAppName)) {
        if (IsIconic(other)) ShowWindow(other, SW_RESTORE);
        SetForegroundWindow(other);
    }
    return true;
}

bool CKIVApp::LoadPortLibraryOrReport() {
    // Never from the current folder: a pattern's folder may hold a stranger of that name.
    g_hPortLib = LoadPortLibrary(kPortLibraryName);
    if (g_hPortLib) return true;
    DWORD error = GetLastError();
    MessageBoxW(nullptr, SystemMessage(error).c_str(), kLibraryErrorCaption, MB_OK | MB_ICONERROR);
    return false;
}

bool CKIVApp::CountPortsOrReport() {
    CountLPTFn* countLpt = FindCountLPT(g_hPortLib);
    if (!countLpt) {
        // A library without the export is not ours: say so instead of calling nowhere.
        MessageBoxW(nullptr, L"В библиотеке TAVO.DLL нет функции CountLPT.", kLibraryErrorCaption,
                    MB_OK | MB_ICONERROR);
        FreeLibrary(g_hPortLib);
        g_hPortLib = nullptr;
        return false;
    }
    g_nLptCount = countLpt(&g_nLpt1Address, &g_nLpt2Address, &g_nLpt3Address);
    if (g_nLptCount != 0) return true;
    AfxMessageBox(kNoPortText, MB_OK | MB_ICONERROR);
    return false;
}

void CKIVApp::SettlePort() {
    const std::wstring path = PortFilePath();
    if (auto stored = ReadPortFile(path)) {
        g_nPortAddress = *stored; // used as it is, even for a port that is gone
        return;
    }
    g_nPortAddress = FirstPresentPort(g_nLpt1Address, g_nLpt2Address, g_nLpt3Address);
    try {
        WritePortFile(path, g_nPortAddress);
    } catch (...) {
        // The program still works with the default port; only the choice is not kept.
        ReportPortFileFailure(std::current_exception());
    }
}

void CKIVApp::OnAppAbout() {
    CAboutDlg about;
    about.DoModal();
}

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

bool CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    HICON icon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
    if (!icon) icon = LoadIconW(nullptr, IDI_APPLICATION);
    SendDlgItemMessageW(m_hWnd, IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    return true;
}

CKIVApp theApp;
