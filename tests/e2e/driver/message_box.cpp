#include "message_box.h"

#include <array>
#include <optional>

#include "screen_pixels.h"
#include "text.h"
#include "window_find.h"

namespace kivdrv {
namespace {

constexpr int kMessageTextId = 0xFFFF; // the text static of a message box

bool IsIconStatic(HWND control) {
    return WindowClass(control) == L"Static" &&
           (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

HWND IconStatic(HWND box) {
    for (HWND child : ChildWindows(box))
        if (IsIconStatic(child)) return child;
    return nullptr;
}

struct StandardIcon {
    IconKind kind;
    const wchar_t* id;
};
const std::array kStandardIcons{StandardIcon{IconKind::Error, IDI_ERROR},
                                StandardIcon{IconKind::Warning, IDI_WARNING},
                                StandardIcon{IconKind::Question, IDI_QUESTION},
                                StandardIcon{IconKind::Information, IDI_INFORMATION}};

// Shared system icons are one handle for every process on Windows, but not under Wine;
// there the icon is recognised by its pixels on screen.
std::optional<IconKind> MatchIcon(HWND control, HICON shown) {
    for (const auto& icon : kStandardIcons)
        if (LoadIconW(nullptr, icon.id) == shown) return icon.kind;
    RECT rect{};
    GetWindowRect(control, &rect);
    const auto screen = CaptureScreen(rect);
    for (const auto& icon : kStandardIcons)
        if (IconCovers(LoadIconW(nullptr, icon.id), screen)) return icon.kind;
    return std::nullopt;
}

} // namespace

const char* ToString(IconKind kind) {
    switch (kind) {
    case IconKind::None:
        return "none";
    case IconKind::Error:
        return "error";
    case IconKind::Warning:
        return "warning";
    case IconKind::Question:
        return "question";
    case IconKind::Information:
        return "information";
    case IconKind::Unknown:
        return "unknown";
    }
    return "?";
}

HWND WaitForMessageBox(DWORD processId, std::chrono::milliseconds timeout) {
    // A box is read once it has its caption: under emulation it shows before it has one.
    HWND box = nullptr;
    WaitUntil(
        [&] {
            box = FindTopLevelWindow({.cls = L"#32770", .processId = processId, .visibleOnly = true});
            return box && !WindowText(box).empty();
        },
        timeout);
    return box;
}

IconKind ReadIconKind(HWND box, std::chrono::milliseconds timeout) {
    const HWND control = IconStatic(box);
    // The handle is only compared, never used: it belongs to the other process.
    const auto shown =
        control ? reinterpret_cast<HICON>(SendMessageW(control, STM_GETICON, 0, 0)) : nullptr;
    if (!shown) return IconKind::None;
    std::optional<IconKind> kind;
    WaitUntil([&] { return (kind = MatchIcon(control, shown)).has_value(); }, timeout);
    return kind.value_or(IconKind::Unknown);
}

MessageBoxInfo ReadMessageBox(HWND box, std::chrono::milliseconds iconTimeout) {
    MessageBoxInfo info;
    info.caption = WindowText(box);
    for (HWND child : ChildWindows(box)) {
        const auto cls = WindowClass(child);
        if (cls == L"Button")
            info.buttons.push_back({GetDlgCtrlID(child), StripMnemonic(WindowText(child))});
        else if (cls == L"Static" && GetDlgCtrlID(child) == kMessageTextId)
            info.text = WindowText(child);
    }
    info.icon = ReadIconKind(box, iconTimeout);
    return info;
}

bool PressButton(HWND box, int id) {
    const HWND button = GetDlgItem(box, id);
    if (!button) return false;
    return PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(button)) != FALSE;
}

bool PressButton(HWND box, const std::wstring& text) {
    const auto wanted = StripMnemonic(text);
    for (HWND child : ChildWindows(box))
        if (WindowClass(child) == L"Button" && StripMnemonic(WindowText(child)) == wanted)
            return PressButton(box, GetDlgCtrlID(child));
    return false;
}

} // namespace kivdrv
