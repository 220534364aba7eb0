// One port's lamp panel: a small tool window above the program's, never active, painting
// eight lamps from a byte. It lives on the panel thread and is driven only from there.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "tavo/lamps/lamp_gdi.h"
#include "tavo/lamps/lamp_layout.h"

namespace tavo {

class CLampWindow {
public:
    // The window class, registered by the panel thread while it runs.
    static bool Register(HINSTANCE instance);
    static void Unregister(HINSTANCE instance);

    // Created hidden, placed for the port (`index`: panels already placed). `onOutputs`
    // runs when the user picks "Выходы…" in its right-click menu.
    CLampWindow(HINSTANCE instance, std::uint32_t address, const std::wstring& caption, int index,
                std::function<void()> onOutputs);
    ~CLampWindow();
    CLampWindow(const CLampWindow&) = delete;
    CLampWindow& operator=(const CLampWindow&) = delete;

    // False once the user has closed it (or it could not be made).
    bool IsOpen() const { return m_window && m_open; }
    HWND Handle() const { return m_window; }

    void SetCaption(const std::wstring& caption);
    // Lights the lamps as the bits of `value`; paints at once when they change.
    void Show(std::uint8_t value);
    // Shows it on top without activating it.
    void Reveal();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp);
    LRESULT HandleMessage(UINT message, WPARAM wp, LPARAM lp);
    void ShowMenu(LPARAM at);
    void Paint(HDC dc) const;
    void PaintLamps(HDC dc) const;

    const std::uint32_t m_address;
    const std::function<void()> m_onOutputs;
    const LampLayout m_layout;
    const CBrush m_litBrush;
    const CBrush m_darkBrush;
    const CPen m_litPen;
    const CPen m_darkPen;
    const CFont m_font;
    HWND m_window = nullptr;
    bool m_open = true;
    int m_value = -1; // painted byte; -1 before the first
};

} // namespace tavo
