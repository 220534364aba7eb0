#include "app/tray_icon.h"

#include "app/resource.h"

#include <shellapi.h>

#include <algorithm>
#include <memory>

namespace {
constexpr UINT kIconId = 1;

struct MenuDestroyer {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
} // namespace

CTrayIcon::CTrayIcon(HWND window, UINT callbackMessage, HICON icon)
    : m_window(window), m_callbackMessage(callbackMessage), m_icon(icon) {
    Recreate();
}

CTrayIcon::~CTrayIcon() {
    NOTIFYICONDATAW data = Data(0);
    Shell_NotifyIconW(NIM_DELETE, &data);
}

NOTIFYICONDATAW CTrayIcon::Data(UINT flags) const {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = m_window;
    data.uID = kIconId;
    data.uFlags = flags;
    data.uCallbackMessage = m_callbackMessage;
    data.hIcon = m_icon;
    // The tooltip holds 127 characters; a longer line is cut.
    const size_t n = std::min(m_tip.size(), std::size(data.szTip) - 1);
    std::copy_n(m_tip.data(), n, data.szTip);
    return data;
}

void CTrayIcon::Recreate() {
    NOTIFYICONDATAW data = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    m_added = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

void CTrayIcon::SetTip(const std::wstring& tip) {
    if (tip == m_tip) return;
    m_tip = tip;
    NOTIFYICONDATAW data = Data(NIF_TIP);
    // A taskbar that was not there at the start may be there now.
    if (!m_added || !Shell_NotifyIconW(NIM_MODIFY, &data)) Recreate();
}

UINT CTrayIcon::ShowMenu(bool running) const {
    const std::unique_ptr<HMENU__, MenuDestroyer> menu(CreatePopupMenu());
    if (!menu) return 0;
    AppendMenuW(menu.get(), running ? MF_GRAYED : MF_ENABLED, ID_TRAY_PLAY, L"Играть сейчас");
    AppendMenuW(menu.get(), running ? MF_ENABLED : MF_GRAYED, ID_TRAY_STOP, L"Стоп");
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_ENABLED, ID_TRAY_SCHEDULE, L"Открыть расписание");
    AppendMenuW(menu.get(), MF_ENABLED, ID_TRAY_OUTPUTS, L"Выходы…");
    POINT at;
    GetCursorPos(&at);
    // The owner comes to the front first, or the menu would not close on a click elsewhere.
    SetForegroundWindow(m_window);
    const UINT chosen =
        static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                         at.x, at.y, 0, m_window, nullptr));
    PostMessageW(m_window, WM_NULL, 0, 0);
    return chosen;
}
