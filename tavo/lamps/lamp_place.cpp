#include "tavo/lamps/lamp_place.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <memory>
#include <string>

namespace tavo {
namespace {

// HKCU\Software\tavo\Lamps, one value per port address ("378"): the panel's top left
// corner as two 32-bit numbers.
constexpr wchar_t kPlacesKey[] = L"Software\\tavo\\Lamps";

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using CRegKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

std::wstring ValueName(std::uint32_t address) {
    wchar_t text[16];
    swprintf(text, std::size(text), L"%x", address);
    return text;
}

std::optional<POINT> SavedPlace(std::uint32_t address) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kPlacesKey, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return std::nullopt;
    const CRegKey key(raw);
    std::int32_t corner[2] = {};
    DWORD type = 0;
    DWORD size = sizeof corner;
    if (RegQueryValueExW(key.get(), ValueName(address).c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(corner), &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size != sizeof corner)
        return std::nullopt;
    return POINT{corner[0], corner[1]};
}

RECT At(POINT topLeft, SIZE size) {
    return {topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy};
}

bool Inside(const RECT& r, const RECT& area) {
    return r.left >= area.left && r.top >= area.top && r.right <= area.right &&
           r.bottom <= area.bottom;
}

// `r` moved the least to lie inside `area` (its top left corner inside when it is larger).
RECT MovedInside(const RECT& r, const RECT& area) {
    const LONG x = std::max(area.left, std::min(r.left, area.right - (r.right - r.left)));
    const LONG y = std::max(area.top, std::min(r.top, area.bottom - (r.bottom - r.top)));
    return At({x, y}, {r.right - r.left, r.bottom - r.top});
}

RECT WorkAreaNear(const RECT& r) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}

// A window a user would call the program's: visible, captioned, not a tool window.
bool IsProgramWindow(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    return process == GetCurrentProcessId() && IsWindowVisible(window) &&
           (style & WS_CAPTION) == WS_CAPTION && !(exStyle & WS_EX_TOOLWINDOW);
}

// A named callback: a lambda has no stdcall conversion in a 32-bit build.
BOOL CALLBACK KeepFirstProgramWindow(HWND window, LPARAM out) {
    if (!IsProgramWindow(window)) return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}

} // namespace

HWND ProgramWindow() {
    HWND front = GetForegroundWindow();
    if (front && IsProgramWindow(front)) return front;
    HWND found = nullptr;
    EnumWindows(KeepFirstProgramWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

namespace {

// The first of `candidates` that lies wholly inside `work`; else the first moved inside.
RECT FirstThatFits(std::initializer_list<RECT> candidates, const RECT& work) {
    for (const RECT& r : candidates)
        if (Inside(r, work)) return r;
    return MovedInside(*candidates.begin(), work);
}

// Right of the program's window, else below it, else left of it; panels of further ports
// line up under or beside the first. Without a program window: the work area's corner.
RECT DefaultPlace(SIZE size, int index) {
    const int gap = 4;
    HWND program = ProgramWindow();
    RECT frame{};
    if (!program || !GetWindowRect(program, &frame)) {
        const POINT origin{0, 0};
        MONITORINFO info{};
        info.cbSize = sizeof info;
        GetMonitorInfoW(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), &info);
        const RECT& work = info.rcWork;
        return At({work.right - size.cx - gap, work.bottom - (index + 1) * (size.cy + gap)}, size);
    }
    const LONG down = index * (size.cy + gap);
    const LONG across = index * (size.cx + gap);
    return FirstThatFits({At({frame.right + gap, frame.top + down}, size),
                          At({frame.left + across, frame.bottom + gap}, size),
                          At({frame.left - gap - size.cx, frame.top + down}, size)},
                         WorkAreaNear(frame));
}

} // namespace

RECT PlacePanel(std::uint32_t address, SIZE size, int index) {
    if (const auto saved = SavedPlace(address)) {
        const RECT r = At(*saved, size);
        // A place off every monitor (one unplugged since) comes back onto the nearest.
        if (MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) return r;
        return MovedInside(r, WorkAreaNear(r));
    }
    return DefaultPlace(size, index);
}

void SavePanelPlace(std::uint32_t address, POINT topLeft) {
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kPlacesKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                        nullptr) != ERROR_SUCCESS)
        return;
    const CRegKey key(raw);
    const std::int32_t corner[2] = {topLeft.x, topLeft.y};
    RegSetValueExW(key.get(), ValueName(address).c_str(), 0, REG_BINARY,
                   reinterpret_cast<const BYTE*>(corner), sizeof corner);
}

} // namespace tavo
