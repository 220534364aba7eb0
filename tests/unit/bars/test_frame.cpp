#include "test_frame.h"

#include "app/globals.h"
#include "app/resource.h"
#include "framework/app.h"

#include <gtest/gtest.h>

std::wstring g_strWorkDir;

namespace {
// Without a window manager, Wine waits two seconds for one whenever a captioned window is
// hidden; for this test program alone it draws the frames itself instead (no effect on Windows).
const bool g_unmanaged = [] {
    HKEY key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER,
                          L"Software\\Wine\\AppDefaults\\bars_test.exe\\X11 Driver", 0, nullptr, 0,
                          KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        ::RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"N"),
                         2 * sizeof(wchar_t));
        ::RegCloseKey(key);
    }
    return true;
}();

constexpr UINT kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_ROW, ID_INDICATOR_CAPS, ID_INDICATOR_NUM,
                                ID_INDICATOR_SCRL};
} // namespace

BEGIN_MESSAGE_MAP(CTestFrame, CMenuBarHostFrame<CFrameWnd>)
    On<WM_CREATE, &CTestFrame::OnCreate>(), On<WM_INITMENUPOPUP, &CTestFrame::OnInitPopup>(),
        Command<&CTestFrame::OnStart>(ID_CMD_START),
        Update<&CTestFrame::OnUpdateStart>(ID_CMD_START),
        // Every panel command but Stop has a handler, as in the program while nothing runs.
        Command<&CTestFrame::OnAnyCommand>(ID_FILE_NEW),
        Command<&CTestFrame::OnAnyCommand>(ID_FILE_OPEN),
        Command<&CTestFrame::OnAnyCommand>(ID_FILE_SAVE),
        Command<&CTestFrame::OnAnyCommand>(ID_APP_ABOUT),
        CommandRange<&CTestFrame::OnAnyCommand>(ID_CMD_ADD_ROWS, ID_CMD_DELETE_ROW),
        Command<&CTestFrame::OnAnyCommand>(ID_CMD_SETTINGS),
END_MESSAGE_MAP()

int CTestFrame::OnCreate(LPCREATESTRUCT cs) {
    if (CFrameWnd::OnCreate(cs) == -1) return -1;
    if (!m_wndStatusBar.CreateEx(this, SBARS_SIZEGRIP, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                                 AFX_IDW_STATUS_BAR))
        return -1;
    if (!m_wndStatusBar.SetIndicators(kIndicators)) return -1;
    m_wndStatusBar.SetPaneInfo(1, ID_INDICATOR_ROW, SBPS_NORMAL, 190);
    if (!m_wndPanel.Create(this)) return -1;
    return 0;
}

LRESULT CTestFrame::OnInitPopup(WPARAM wp, LPARAM lp) {
    if (!HIWORD(lp)) m_opened.push_back(reinterpret_cast<HMENU>(wp));
    return CFrameWnd::OnInitMenuPopup(wp, lp);
}

CWinApp& TestApp() {
    static CWinApp app(L"KivBarsTest");
    static bool keyed = [] {
        app.SetRegistryKey(L"KivTests");
        return true;
    }();
    (void)keyed;
    return app;
}

std::unique_ptr<CTestFrame> MakeFrame(int x, int y) {
    CWinApp& app = TestApp();
    auto frame = std::make_unique<CTestFrame>();
    if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX))
        return nullptr;
    app.m_pMainWnd = frame.get();
    frame->SetWindowPos(nullptr, x, y, 605, 380, SWP_NOZORDER);
    frame->ShowWindow(SW_SHOW);
    ::SetForegroundWindow(frame->m_hWnd);
    frame->RecalcLayout();
    Pump(100);
    return frame;
}

void DestroyFrame(std::unique_ptr<CTestFrame>& frame) {
    if (!frame) return;
    if (AfxGetApp()->m_pMainWnd == frame.get()) AfxGetApp()->m_pMainWnd = nullptr;
    frame->DestroyWindow();
    Pump(20);
    frame.reset();
}

void Pump(int ms) {
    DWORD end = ::GetTickCount() + static_cast<DWORD>(ms);
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(5);
    } while (static_cast<int>(end - ::GetTickCount()) > 0);
}

bool PumpUntil(const std::function<bool()>& done, int ms) {
    for (int waited = 0; waited < ms && !done(); waited += 20)
        Pump(20);
    return done();
}

void IdleUpdate(CWnd& frame) {
    frame.SendMessage(WM_IDLEUPDATECMDUI, TRUE, 0);
    frame.SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, true);
}

void Key(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ::SendInput(1, &in, sizeof(in));
}

void Tap(WORD vk) {
    Key(vk, false);
    Pump(30);
    Key(vk, true);
    Pump(30);
}

void MoveMouse(POINT screen) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = MulDiv(screen.x, 65536, ::GetSystemMetrics(SM_CXSCREEN)) + 1;
    in.mi.dy = MulDiv(screen.y, 65536, ::GetSystemMetrics(SM_CYSCREEN)) + 1;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof(in));
}

void MouseButton(bool up) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = up ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    ::SendInput(1, &in, sizeof(in));
}

POINT ButtonCentre(const COXMenuBar& bar, int index) {
    CRect r = bar.GetItemRect(index);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::ClientToScreen(bar.m_hWnd, &p);
    return p;
}

std::filesystem::path FreshWorkDir() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    auto dir =
        std::filesystem::path(temp) /
        (L"kivbars" + std::to_wstring(::GetCurrentProcessId()) + L"_" + std::to_wstring(++counter));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    g_strWorkDir = dir.wstring();
    return dir;
}
