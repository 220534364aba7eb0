// The windows kiv.exe shows at start-up (frame created minimized, grid with its check box,
// status bar, command panel with nine owner-drawn buttons, slider and labels, menu bar in its
// dock bar), made with plain Win32 calls at their final places: what the same windows cost
// without the framework, the program's own work or its files. Same title as kiv.exe.
#include <windows.h>
#include <commctrl.h>

namespace {
HINSTANCE g_instance;
HFONT g_font;
HICON g_icon;

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    if (msg == WM_DRAWITEM) {
        auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        FillRect(d->hDC, &d->rcItem, GetSysColorBrush(COLOR_BTNFACE));
        DrawIconEx(d->hDC, (d->rcItem.right - 32) / 2, 6, g_icon, 32, 32, 0, nullptr, DI_NORMAL);
        wchar_t text[64];
        GetWindowTextW(d->hwndItem, text, 64);
        RECT r = d->rcItem;
        r.top = 40;
        HGDIOBJ old = SelectObject(d->hDC, g_font);
        SetBkMode(d->hDC, TRANSPARENT);
        DrawTextW(d->hDC, text, -1, &r, DT_CENTER | DT_WORDBREAK);
        SelectObject(d->hDC, old);
        return TRUE;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

INT_PTR CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DRAWITEM) return FrameProc(hwnd, msg, wp, lp);
    return FALSE;
}

LRESULT CALLBACK GridProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT c;
        GetClientRect(hwnd, &c);
        FillRect(dc, &c, GetSysColorBrush(COLOR_WINDOW));
        for (int x = 0; x < c.right; x += 30) {
            MoveToEx(dc, x, 0, nullptr);
            LineTo(dc, x, 5 * 18);
        }
        for (int y = 0; y <= 5 * 18; y += 18) {
            MoveToEx(dc, 0, y, nullptr);
            LineTo(dc, c.right, y);
        }
        SetBkMode(dc, TRANSPARENT);
        const wchar_t* heads[] = {L"D0", L"D1", L"D2", L"D3", L"D4", L"D5", L"D6", L"D7"};
        for (int i = 0; i < 8; ++i)
            TextOutW(dc, 40 + 30 * i, 2, heads[i], 2);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int cx, int cy,
           HWND parent, int id) {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_instance, nullptr);
}

void Register(const wchar_t* name, WNDPROC proc, int brush) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = g_instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(brush + 1));
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}

HWND Panel(HWND frame) {
    struct {
        DLGTEMPLATE t;
        WORD menu, cls, title;
    } tpl{};
    tpl.t.style = WS_CHILD | WS_VISIBLE | DS_CONTROL;
    tpl.t.cx = 190;
    tpl.t.cy = 200;
    HWND panel = CreateDialogIndirectParamW(g_instance, &tpl.t, frame, PanelProc, 0);
    SetWindowPos(panel, nullptr, 308, 0, 287, 328, SWP_NOZORDER | SWP_NOACTIVATE);
    struct B {
        const wchar_t* text;
        int x, y, cx, cy;
    } buttons[] = {{L"Новый", 4, 15, 45, 59},
                   {L"Открыть", 52, 15, 58, 59},
                   {L"Сохранить", 110, 15, 67, 59},
                   {L"О программе ...", 177, 15, 90, 59},
                   {L"Добавить строку", 4, 106, 65, 72},
                   {L"Удалить строку", 71, 106, 58, 72},
                   {L"Пуск", 131, 106, 44, 59},
                   {L"Стоп", 173, 106, 44, 59},
                   {L"Настройка", 215, 106, 66, 59}};
    int id = 100;
    for (const B& b : buttons)
        SendMessageW(Child(L"BUTTON", b.text, BS_OWNERDRAW, b.x, b.y, b.cx, b.cy, panel, id++),
                     WM_SETFONT, reinterpret_cast<WPARAM>(g_font), FALSE);
    HWND slider = Child(TRACKBAR_CLASSW, L"", WS_TABSTOP | TBS_TOP, 8, 250, 272, 40, panel, 200);
    SendMessageW(slider, TBM_SETRANGE, FALSE, MAKELPARAM(10, 300));
    SendMessageW(slider, TBM_SETPOS, TRUE, 145);
    SendMessageW(Child(L"BUTTON", L"Скорость", BS_GROUPBOX, 4, 210, 281, 85, panel, 99), WM_SETFONT,
                 reinterpret_cast<WPARAM>(g_font), FALSE);
    SendMessageW(Child(L"STATIC", L"Высокая", 0, 10, 230, 90, 15, panel, -1), WM_SETFONT,
                 reinterpret_cast<WPARAM>(g_font), FALSE);
    SendMessageW(Child(L"STATIC", L"Низкая", 0, 239, 230, 41, 15, panel, -1), WM_SETFONT,
                 reinterpret_cast<WPARAM>(g_font), FALSE);
    return panel;
}

void MenuBar(HWND frame) {
    HWND top = Child(L"DockBar", L"", WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 308, 24, frame, 1);
    Child(L"DockBar", L"", WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 328, 308, 0, frame, 2);
    Child(L"DockBar", L"", WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 24, 0, 304, frame, 3);
    Child(L"DockBar", L"", WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 308, 24, 0, 304, frame, 4);
    HWND bar = Child(TOOLBARCLASSNAMEW, L"Меню",
                     TBSTYLE_FLAT | TBSTYLE_LIST | CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN,
                     0, 0, 308, 24, top, 5);
    SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    const wchar_t* items[] = {L"Файл", L"Команда", L"Справка"};
    TBBUTTON tb[3]{};
    for (int i = 0; i < 3; ++i) {
        tb[i].iBitmap = I_IMAGENONE;
        tb[i].idCommand = 300 + i;
        tb[i].fsState = TBSTATE_ENABLED;
        tb[i].fsStyle = BTNS_AUTOSIZE | BTNS_DROPDOWN;
        tb[i].iString = reinterpret_cast<INT_PTR>(items[i]);
    }
    SendMessageW(bar, TB_ADDBUTTONSW, 3, reinterpret_cast<LPARAM>(tb));
}
} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show) {
    g_instance = instance;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    Register(L"TreeFrame", FrameProc, COLOR_BTNFACE);
    Register(L"DockBar", DefWindowProcW, COLOR_BTNFACE);
    Register(L"GridView", GridProc, COLOR_WINDOW);
    g_icon = LoadIconW(nullptr, IDI_APPLICATION);
    LOGFONTW lf{};
    lf.lfHeight = -11;
    lstrcpyW(lf.lfFaceName, L"MS Sans Serif");
    g_font = CreateFontIndirectW(&lf);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    HWND frame = CreateWindowExW(0, L"TreeFrame", L"Автомат световых эффектов для WinNT, Win2000",
                                 WS_MINIMIZE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                 (work.right - 605) / 2, (work.bottom - 380) / 2, 605, 380, nullptr,
                                 nullptr, instance, nullptr);
    HWND grid = Child(L"GridView", L"", 0, 0, 24, 308, 304, frame, 59648);
    Child(L"BUTTON", L"", BS_AUTOCHECKBOX, 14, 33, 13, 13, grid, 1000);
    HWND status = Child(STATUSCLASSNAMEW, L"", SBARS_SIZEGRIP, 0, 328, 595, 23, frame, 59393);
    int parts[] = {400, -1};
    SendMessageW(status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    SendMessageW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"Готово"));
    SendMessageW(status, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L"Текущая строка  1"));
    Panel(frame);
    MenuBar(frame);
    ShowWindow(frame, SW_SHOWNORMAL);
    ShowWindow(frame, show);
    UpdateWindow(frame);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
