// The yardstick for kiv.exe's start-up: a plain window with a button and a line of text.
#include <windows.h>

namespace {
LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, msg, wp, lp);
}
} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"BareWindow";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowW(L"BareWindow", L"Голое окно", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 605, 380, nullptr, nullptr, instance, nullptr);
    CreateWindowW(L"STATIC", L"Строка текста", WS_CHILD | WS_VISIBLE, 20, 20, 300, 20, hwnd,
                  nullptr, instance, nullptr);
    CreateWindowW(L"BUTTON", L"Кнопка", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 50, 100, 28,
                  hwnd, nullptr, instance, nullptr);
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
