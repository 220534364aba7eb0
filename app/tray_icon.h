// The program's icon in the notification area: its tooltip, its right-click menu, and its
// return when the taskbar starts again. Owned by the show driver; removed when it goes.
#pragma once
#include <windows.h>

#include <string>

class CTrayIcon {
public:
    // `window` gets `callbackMessage` for clicks on the icon.
    CTrayIcon(HWND window, UINT callbackMessage, HICON icon);
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Adds the icon again (the taskbar was restarted: "TaskbarCreated").
    void Recreate();
    // Changes the tooltip when it differs.
    void SetTip(const std::wstring& tip);
    // The menu at the pointer; the chosen command id, or 0.
    UINT ShowMenu(bool running) const;

private:
    NOTIFYICONDATAW Data(UINT flags) const;

    HWND m_window;
    UINT m_callbackMessage;
    HICON m_icon;
    std::wstring m_tip;
    bool m_added = false;
};
