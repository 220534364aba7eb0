// A small program for the driver's own tests: it shows what the driver must find.
//   driver_helper msgbox ICON BUTTONS CAPTION TEXT   exit code = the button pressed
//        ICON: none|error|warning|question|info  BUTTONS: ok|okcancel|yesno|yesnocancel
//   driver_helper window TITLE CLASS   a window whose child static (id 100) shows the
//        last input it received: "key VK [ctrl]", "click X Y", "command ID"
//   driver_helper report FILE ARGS...  writes cwd, ARGS and two variables to FILE (UTF-8)
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kEventLabelId = 100;

std::vector<std::wstring> Arguments() {
    int count = 0;
    const auto argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> args(argv + 1, argv + count);
    LocalFree(argv);
    return args;
}

int ShowBox(const std::vector<std::wstring>& args) {
    const std::map<std::wstring, UINT> icons{{L"none", 0},
                                             {L"error", MB_ICONERROR},
                                             {L"warning", MB_ICONWARNING},
                                             {L"question", MB_ICONQUESTION},
                                             {L"info", MB_ICONINFORMATION}};
    const std::map<std::wstring, UINT> buttons{{L"ok", MB_OK},
                                               {L"okcancel", MB_OKCANCEL},
                                               {L"yesno", MB_YESNO},
                                               {L"yesnocancel", MB_YESNOCANCEL}};
    if (args.size() != 5 || !icons.contains(args[1]) || !buttons.contains(args[2])) return 200;
    return MessageBoxW(nullptr, args[4].c_str(), args[3].c_str(),
                       icons.at(args[1]) | buttons.at(args[2]));
}

void ShowEvent(HWND window, const std::wstring& text) {
    SetDlgItemTextW(window, kEventLabelId, text.c_str());
}

LRESULT CALLBACK EventWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
        ShowEvent(window, L"key " + std::to_wstring(wParam) +
                              (GetKeyState(VK_CONTROL) < 0 ? L" ctrl" : L""));
        return 0;
    case WM_LBUTTONDOWN:
        ShowEvent(window, L"click " + std::to_wstring(static_cast<short>(LOWORD(lParam))) + L" " +
                              std::to_wstring(static_cast<short>(HIWORD(lParam))));
        return 0;
    case WM_COMMAND:
        ShowEvent(window, L"command " + std::to_wstring(LOWORD(wParam)));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

int RunWindow(const std::vector<std::wstring>& args) {
    if (args.size() != 3) return 200;
    WNDCLASSW wc{};
    wc.lpfnWndProc = EventWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = args[2].c_str();
    RegisterClassW(&wc);
    const HWND window =
        CreateWindowExW(0, args[2].c_str(), args[1].c_str(), WS_OVERLAPPEDWINDOW, 100, 100, 400,
                        300, nullptr, nullptr, wc.hInstance, nullptr);
    // The label sits low in the client area, so clicks above it reach the window.
    CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 200, 380, 20, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEventLabelId)), wc.hInstance,
                    nullptr);
    ShowWindow(window, SW_SHOW);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

std::string Utf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring Variable(const wchar_t* name) {
    wchar_t value[1024];
    const DWORD n = GetEnvironmentVariableW(name, value, 1024);
    return n == 0 || n >= 1024 ? L"<unset>" : std::wstring(value, n);
}

int Report(const std::vector<std::wstring>& args) {
    if (args.size() < 2) return 200;
    wchar_t cwd[MAX_PATH]{};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    std::wstring text = L"cwd=" + std::wstring(cwd) + L"\n";
    for (std::size_t i = 2; i < args.size(); ++i)
        text += L"arg=" + args[i] + L"\n";
    text += L"KIVDRV_A=" + Variable(L"KIVDRV_A") + L"\nKIVDRV_B=" + Variable(L"KIVDRV_B") + L"\n";
    FILE* out = _wfopen(args[1].c_str(), L"wb");
    if (!out) return 201;
    const auto bytes = Utf8(text);
    fwrite(bytes.data(), 1, bytes.size(), out);
    fclose(out);
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const auto args = Arguments();
    if (args.empty()) return 200;
    if (args[0] == L"msgbox") return ShowBox(args);
    if (args[0] == L"window") return RunWindow(args);
    if (args[0] == L"report") return Report(args);
    return 200;
}
