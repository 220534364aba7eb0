// Where the lamps sit in a panel's client area, sized for the system DPI; the painting
// and the tests that read the painted lamps back both go by it.
#pragma once

#include <windows.h>

namespace tavo {

inline constexpr int kLampCount = 8;
// The panels' window class, by which the tests find them.
inline constexpr wchar_t kLampPanelClass[] = L"tavo.LampPanel";

struct LampLayout {
    int dpi = 96;

    // A length given at 96 DPI, at this DPI.
    constexpr int Scale(int at96) const { return (at96 * dpi + 48) / 96; }

    constexpr int Diameter() const { return Scale(22); }
    constexpr int Gap() const { return Scale(8); }
    constexpr int Margin() const { return Scale(10); }
    constexpr int LabelHeight() const { return Scale(16); }

    // The lamp of line `line`, D0 at the left, as the grid's columns go.
    constexpr RECT Lamp(int line) const {
        const int left = Margin() + line * (Diameter() + Gap());
        return {left, Margin(), left + Diameter(), Margin() + Diameter()};
    }
    // The line's name under its lamp, centred on it.
    constexpr RECT Label(int line) const {
        const RECT lamp = Lamp(line);
        const int half = (Diameter() + Gap()) / 2;
        const int middle = (lamp.left + lamp.right) / 2;
        return {middle - half, lamp.bottom, middle + half, lamp.bottom + LabelHeight()};
    }
    constexpr SIZE Client() const {
        const RECT last = Label(kLampCount - 1);
        return {Lamp(kLampCount - 1).right + Margin(), last.bottom + Margin() / 2};
    }
};

} // namespace tavo
