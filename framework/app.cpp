#include "file.h"
#include "app.h"

#include "afxmsg.h"
#include "doc.h"
#include "doctempl.h"
#include "exception.h"
#include "frame.h"
#include "recentfiles.h"
#include "view.h"

#include <commctrl.h>

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
    Command<&CWinApp::OnAppExit>(ID_APP_EXIT),
        CommandRange<&CWinApp::OnOpenRecentFile>(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE16),
        Update<&CWinApp::OnUpdateRecentFileMenu>(ID_FILE_MRU_FILE1),
END_MESSAGE_MAP()

namespace {
CWinApp* g_pApp = nullptr;
constexpr UINT WM_SYSTIMER = 0x0118;

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}
} // namespace

CWinApp* AfxGetApp() {
    return g_pApp;
}
CWnd* AfxGetMainWnd() {
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}
HINSTANCE AfxGetInstanceHandle() {
    return g_pApp && g_pApp->m_hInstance ? g_pApp->m_hInstance : GetModuleHandleW(nullptr);
}

std::wstring AfxLoadString(UINT id) {
    const wchar_t* text = nullptr;
    int n = LoadStringW(AfxGetInstanceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
    return n > 0 && text ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}

std::wstring AfxFormatString1(UINT id, const std::wstring& arg) {
    std::wstring text = AfxLoadString(id);
    for (size_t at = text.find(L"%1"); at != std::wstring::npos;
         at = text.find(L"%1", at + arg.size()))
        text.replace(at, 2, arg);
    return text;
}

std::wstring AfxExtractSubString(const std::wstring& text, int index, wchar_t sep) {
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = text.find(sep, start);
        if (start == std::wstring::npos) return {};
        ++start;
    }
    size_t end = text.find(sep, start);
    return text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

int AfxMessageBox(const std::wstring& text, UINT type, UINT helpId) {
    if (CWinApp* app = AfxGetApp()) return app->DoMessageBox(text, type, helpId);
    return MessageBoxW(nullptr, text.c_str(), nullptr, type);
}

int AfxMessageBox(UINT stringId, UINT type, UINT helpId) {
    return AfxMessageBox(AfxLoadString(stringId), type,
                         helpId == static_cast<UINT>(-1) ? stringId : helpId);
}

CWinApp::CWinApp(const wchar_t* appName) {
    g_pApp = this;
    m_hInstance = GetModuleHandleW(nullptr);
    std::wstring exe = ModulePath();
    size_t slash = exe.find_last_of(L"\\/");
    std::wstring file = exe.substr(slash == std::wstring::npos ? 0 : slash + 1);
    m_strExeName = file.substr(0, file.rfind(L'.'));
    m_strHelpFilePath = exe.substr(0, exe.rfind(L'.')) + L".HLP";
    m_strAppName = appName ? appName : AfxLoadString(AFX_IDS_APP_TITLE);
    if (m_strAppName.empty()) m_strAppName = m_strExeName;
}

CWinApp::~CWinApp() {
    m_templates.clear();
    if (g_pApp == this) g_pApp = nullptr;
}

bool CWinApp::InitApplication() {
    return true;
}
bool CWinApp::InitInstance() {
    return true;
}

int CWinApp::ExitInstance() {
    return m_nExitCode;
}

int CWinApp::DoMessageBox(const std::wstring& text, UINT type, UINT) {
    if (!(type & MB_ICONMASK)) {
        UINT buttons = type & MB_TYPEMASK;
        if (buttons == MB_YESNO || buttons == MB_YESNOCANCEL)
            type |= MB_ICONQUESTION;
        else if (buttons == MB_OK || buttons == MB_OKCANCEL)
            type |= MB_ICONEXCLAMATION;
    }
    HWND owner = nullptr;
    if (m_pMainWnd && m_pMainWnd->IsWindow() && m_pMainWnd->IsWindowVisible())
        owner = GetLastActivePopup(m_pMainWnd->m_hWnd);
    return MessageBoxW(owner, text.c_str(), m_strAppName.c_str(), type);
}

void CWinApp::ReportException(const std::exception_ptr& e) {
    DoMessageBox(AfxExceptionText(e), MB_OK | MB_ICONERROR, 0);
}

bool CWinApp::WinHelp(DWORD_PTR data, UINT cmd) {
    HWND owner = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    return ::WinHelpW(owner, m_strHelpFilePath.c_str(), cmd, data) != FALSE;
}

void CWinApp::OnHelp() {
    WinHelp(0, HELP_CONTEXT);
}
void CWinApp::OnHelpFinder() {
    WinHelp(0, HELP_FINDER);
}

HICON CWinApp::LoadIcon(UINT id) const {
    return ::LoadIconW(m_hInstance, MAKEINTRESOURCEW(id));
}

// --- message loop -----------------------------------------------------------------------

bool CWinApp::PumpMessage() {
    if (GetMessageW(&m_msgCur, nullptr, 0, 0) <= 0) {
        m_nExitCode = static_cast<int>(m_msgCur.wParam);
        return false;
    }
    if (!PreTranslateMessage(&m_msgCur)) {
        TranslateMessage(&m_msgCur);
        DispatchMessageW(&m_msgCur);
    }
    return true;
}

bool CWinApp::IsIdleMessage(const MSG* msg) {
    if (msg->message == WM_MOUSEMOVE || msg->message == WM_NCMOUSEMOVE) {
        CPoint at(msg->pt);
        bool same = msg->message == m_nLastMouseMsg && at == m_ptLastMouse;
        m_ptLastMouse = at;
        m_nLastMouseMsg = msg->message;
        return !same;
    }
    return msg->message != WM_PAINT && msg->message != WM_SYSTIMER;
}

namespace {
struct OwnedWindows {
    HWND owner;
    std::vector<HWND> found;
};
BOOL CALLBACK CollectOwned(HWND hwnd, LPARAM lp) {
    auto* owned = reinterpret_cast<OwnedWindows*>(lp);
    if (GetWindow(hwnd, GW_OWNER) == owned->owner) owned->found.push_back(hwnd);
    return TRUE;
}

void SendIdleUpdate(HWND hwnd) {
    SendMessageW(hwnd, WM_IDLEUPDATECMDUI, TRUE, 0);
    CWnd* wnd = CWnd::FromHandle(hwnd);
    if (wnd)
        wnd->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, true);
    else
        for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            SendIdleUpdate(child);
}
} // namespace

bool CWinApp::OnIdle(LONG count) {
    if (count > 0 || !m_pMainWnd || !m_pMainWnd->IsWindow()) return false;
    HWND main = m_pMainWnd->m_hWnd;
    SendIdleUpdate(main);
    // Floating bars live in top-level windows owned by the frame.
    OwnedWindows owned{main, {}};
    EnumThreadWindows(GetCurrentThreadId(), CollectOwned, reinterpret_cast<LPARAM>(&owned));
    for (HWND hwnd : owned.found)
        if (IsWindow(hwnd)) SendIdleUpdate(hwnd);
    return false;
}

bool CWinApp::PreTranslateMessage(MSG* msg) {
    HWND visitedTop = nullptr;
    for (HWND hwnd = msg->hwnd; hwnd;) {
        if (CWnd* wnd = CWnd::FromHandle(hwnd))
            if (wnd->PreTranslateMessage(msg)) return true;
        if (!(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD)) {
            visitedTop = hwnd;
            break;
        }
        hwnd = ::GetParent(hwnd);
    }
    // Messages of modeless windows still get the main frame's accelerators.
    if (m_pMainWnd && m_pMainWnd->IsWindow() && visitedTop != m_pMainWnd->m_hWnd)
        return m_pMainWnd->PreTranslateMessage(msg);
    return false;
}

int CWinApp::Run() {
    bool idle = true;
    LONG idleCount = 0;
    for (;;) {
        MSG peek;
        while (idle && !PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
            try {
                if (!OnIdle(idleCount++)) idle = false;
            } catch (...) {
                AfxReportException(std::current_exception());
                idle = false;
            }
        }
        do {
            bool more = true;
            try {
                more = PumpMessage();
            } catch (...) {
                AfxReportException(std::current_exception());
            }
            if (!more) return ExitInstance();
            if (IsIdleMessage(&m_msgCur)) {
                idle = true;
                idleCount = 0;
            }
        } while (PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE));
    }
}

// --- documents ----------------------------------------------------------------------------

void CWinApp::AddDocTemplate(std::unique_ptr<CDocTemplate> templ) {
    m_templates.push_back(std::move(templ));
}

bool CWinApp::SaveAllModified() {
    for (auto& t : m_templates)
        if (!t->SaveAllModified()) return false;
    return true;
}

void CWinApp::CloseAllDocuments(bool endSession) {
    for (auto& t : m_templates)
        t->CloseAllDocuments(endSession);
}

CDocument* CWinApp::OpenDocumentFile(const wchar_t* path) {
    if (m_templates.empty() || !path) return nullptr;
    wchar_t full[MAX_PATH * 2];
    DWORD n = GetFullPathNameW(path, MAX_PATH * 2, full, nullptr);
    std::wstring name = (n > 0 && n < MAX_PATH * 2) ? std::wstring(full, n) : std::wstring(path);
    CDocTemplate* templ = m_templates.front().get();
    // The document that is open already comes to the front instead of being read again.
    if (CDocument* doc = templ->GetOnlyDocument())
        if (AfxSameText(doc->GetPathName(), name)) {
            if (CView* view = doc->GetFirstView())
                if (CFrameWnd* frame = view->GetParentFrame()) frame->ActivateFrame();
            return doc;
        }
    return templ->OpenDocumentFile(name.c_str());
}

void CWinApp::OnFileNew() {
    if (!m_templates.empty()) m_templates.front()->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen() {
    std::wstring name;
    if (!DoPromptFileName(name, AFX_IDS_OPENFILE, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, true,
                          nullptr))
        return;
    OpenDocumentFile(name.c_str());
}

void CWinApp::OnAppExit() {
    if (m_pMainWnd) m_pMainWnd->SendMessage(WM_CLOSE);
}

void CWinApp::OnOpenRecentFile(UINT id) {
    if (!m_pRecentFileList) return;
    int index = static_cast<int>(id - ID_FILE_MRU_FILE1);
    if (index < 0 || index >= m_pRecentFileList->GetCount()) return;
    std::wstring path = (*m_pRecentFileList)[index];
    if (!OpenDocumentFile(path.c_str())) {
        // A file that cannot be opened leaves the list.
        m_pRecentFileList->Remove(index);
        m_pRecentFileList->WriteList(*this);
    }
}

void CWinApp::OnUpdateRecentFileMenu(CCmdUI* ui) {
    if (m_pRecentFileList)
        m_pRecentFileList->UpdateMenu(ui);
    else
        ui->Enable(false);
}

void CWinApp::LoadStdProfileSettings(UINT maxMRU) {
    if (maxMRU == 0) return;
    m_pRecentFileList =
        std::make_unique<CRecentFileList>(ID_FILE_MRU_FILE1, L"Recent File List", L"File%d",
                                          static_cast<int>(std::min<UINT>(maxMRU, 16)));
    m_pRecentFileList->ReadList(*this);
}

void CWinApp::AddToRecentFileList(const std::wstring& path) {
    if (!m_pRecentFileList) return;
    m_pRecentFileList->Add(path);
    m_pRecentFileList->WriteList(*this);
}

// --- entry --------------------------------------------------------------------------------

int AfxWinMain(HINSTANCE instance, LPWSTR cmdLine, int cmdShow) {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    app->m_hInstance = instance;
    app->m_strCmdLine = cmdLine ? cmdLine : L"";
    app->m_nCmdShow = cmdShow;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    try {
        if (!app->InitApplication() || !app->InitInstance()) {
            // A failed start-up removes the window directly, without the close handler.
            if (app->m_pMainWnd && app->m_pMainWnd->IsWindow()) app->m_pMainWnd->DestroyWindow();
            return app->ExitInstance();
        }
        return app->Run();
    } catch (...) {
        AfxReportException(std::current_exception());
    }
    return -1;
}
