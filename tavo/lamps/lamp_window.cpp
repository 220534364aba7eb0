#include "tavo/lamps/lamp_window.h"

#include "tavo/lamps/lamp_place.h"

#include <windowsx.h>

#include <memory>
#include <type_traits>

namespace tavo {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
// A tool window has no taskbar button; no-activate keeps the program's frame in front.
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;

// The right-click menu's one command.
constexpr UINT kOutputsCommand = 1;

struct MenuDestroyer {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using CMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

constexpr COLORREF kLitFill = RGB(255, 196, 32);
constexpr COLORREF kLitRim = RGB(208, 64, 0);
constexpr COLORREF kDarkFill = RGB(64, 64, 64);
constexpr COLORREF kDarkRim = RGB(32, 32, 32);

int SystemDpi() {
    const CScreenDc screen;
    const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSX);
    return dpi > 0 ? dpi : 96;
}

CFont LabelFont(const LampLayout& layout) {
    return CFont(CreateFontW(-layout.Scale(11), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
}

// The BeginPaint/EndPaint pair of one WM_PAINT.
class CPaintDc {
public:
    explicit CPaintDc(HWND window) : m_window(window) { BeginPaint(window, &m_paint); }
    ~CPaintDc() { EndPaint(m_window, &m_paint); }
    CPaintDc(const CPaintDc&) = delete;
    CPaintDc& operator=(const CPaintDc&) = delete;
    HDC Get() const { return m_paint.hdc; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint{};
};

} // namespace

bool CLampWindow::Register(HINSTANCE instance) {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = WindowProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.lpszClassName = kLampPanelClass;
    return RegisterClassExW(&cls) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void CLampWindow::Unregister(HINSTANCE instance) {
    UnregisterClassW(kLampPanelClass, instance);
}

CLampWindow::CLampWindow(HINSTANCE instance, std::uint32_t address, const std::wstring& caption,
                         int index, std::function<void()> onOutputs)
    : m_address(address), m_onOutputs(std::move(onOutputs)), m_layout{SystemDpi()},
      m_litBrush(CreateSolidBrush(kLitFill)), m_darkBrush(CreateSolidBrush(kDarkFill)),
      m_litPen(CreatePen(PS_SOLID, m_layout.Scale(2), kLitRim)),
      m_darkPen(CreatePen(PS_SOLID, m_layout.Scale(2), kDarkRim)), m_font(LabelFont(m_layout)) {
    const SIZE client = m_layout.Client();
    RECT frame{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    const SIZE size{frame.right - frame.left, frame.bottom - frame.top};
    const RECT place = PlacePanel(address, size, index);
    m_window = CreateWindowExW(kExStyle, kLampPanelClass, caption.c_str(), kStyle, place.left,
                               place.top, size.cx, size.cy, nullptr, nullptr, instance, this);
}

CLampWindow::~CLampWindow() {
    if (m_window) DestroyWindow(m_window);
}

void CLampWindow::SetCaption(const std::wstring& caption) {
    wchar_t current[128] = {};
    GetWindowTextW(m_window, current, static_cast<int>(std::size(current)));
    if (caption != current) SetWindowTextW(m_window, caption.c_str());
}

void CLampWindow::Show(std::uint8_t value) {
    if (value == m_value) return;
    m_value = value;
    RedrawWindow(m_window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void CLampWindow::Reveal() {
    SetWindowPos(m_window, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

LRESULT CALLBACK CLampWindow::WindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<CLampWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_window = window;
    }
    auto* self = reinterpret_cast<CLampWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    try {
        if (self) return self->HandleMessage(message, wp, lp);
    } catch (...) {
    }
    return DefWindowProcW(window, message, wp, lp);
}

LRESULT CLampWindow::HandleMessage(UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND:
        return 1; // the paint covers every pixel
    case WM_PAINT: {
        const CPaintDc dc(m_window);
        Paint(dc.Get());
        return 0;
    }
    case WM_CLOSE:
        // The panel thread drops it; the next OpenPrt of the port brings a new one.
        m_open = false;
        ShowWindow(m_window, SW_HIDE);
        return 0;
    case WM_CONTEXTMENU:
        // On the caption the system's menu stays.
        if (lp != -1 && SendMessageW(m_window, WM_NCHITTEST, 0, lp) != HTCLIENT) break;
        ShowMenu(lp);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == kOutputsCommand && m_onOutputs) m_onOutputs();
        return 0;
    case WM_EXITSIZEMOVE: {
        RECT r{};
        if (GetWindowRect(m_window, &r)) SavePanelPlace(m_address, {r.left, r.top});
        return 0;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        m_window = nullptr;
        return 0;
    default:
        break;
    }
    return DefWindowProcW(m_window, message, wp, lp);
}

// `at`: screen coordinates, or -1 from the keyboard. A menu closes on a click elsewhere
// only when its window is in the foreground, so the panel takes it for the menu's time and
// then gives it back, so the program's keys (F5) reach the program again.
void CLampWindow::ShowMenu(LPARAM at) {
    POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (at == -1) {
        point = {0, 0};
        ClientToScreen(m_window, &point);
    }
    const CMenu menu(CreatePopupMenu());
    if (!menu || !AppendMenuW(menu.get(), MF_STRING, kOutputsCommand, L"Выходы…")) return;
    const HWND previous = GetForegroundWindow();
    SetForegroundWindow(m_window);
    TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, point.x, point.y, 0, m_window, nullptr);
    PostMessageW(m_window, WM_NULL, 0, 0);
    if (previous && previous != m_window && GetForegroundWindow() == m_window)
        SetForegroundWindow(previous);
}

// Drawn off-screen first, so a lamp never flickers through the background.
void CLampWindow::Paint(HDC dc) const {
    const SIZE size = m_layout.Client();
    const CMemoryDc memory(CreateCompatibleDC(dc));
    const CBitmap bitmap(CreateCompatibleBitmap(dc, size.cx, size.cy));
    if (!memory || !bitmap) return;
    const CScopedSelect selectBitmap(memory.get(), bitmap.get());
    const RECT all{0, 0, size.cx, size.cy};
    FillRect(memory.get(), &all, GetSysColorBrush(COLOR_BTNFACE));
    PaintLamps(memory.get());
    BitBlt(dc, 0, 0, size.cx, size.cy, memory.get(), 0, 0, SRCCOPY);
}

void CLampWindow::PaintLamps(HDC dc) const {
    const CScopedSelect font(dc, m_font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    for (int line = 0; line < kLampCount; ++line) {
        const bool lit = m_value >= 0 && (m_value >> line) & 1;
        const CScopedSelect brush(dc, (lit ? m_litBrush : m_darkBrush).get());
        const CScopedSelect pen(dc, (lit ? m_litPen : m_darkPen).get());
        const RECT lamp = m_layout.Lamp(line);
        Ellipse(dc, lamp.left, lamp.top, lamp.right, lamp.bottom);
        wchar_t name[] = L"D0";
        name[1] = static_cast<wchar_t>(L'0' + line);
        RECT label = m_layout.Label(line);
        DrawTextW(dc, name, 2, &label, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

} // namespace tavo
