// The lamp panels of tavo.dll as a user sees them: what they show, when they are there.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "driver/driver.h"
#include "driver/lamps.h"
#include "tavo/lamps/lamp_layout.h"
#include "tavo_copy.h"

namespace {

using namespace std::chrono_literals;
using kivdrv::WaitUntil;
using tavotest::CTavo;

const DWORD kSelf = GetCurrentProcessId();

HWND WaitForPanel(const std::wstring& caption, std::chrono::milliseconds timeout = 10s) {
    return kivdrv::WaitForLampPanel(kSelf, caption, timeout);
}

bool Shows(HWND panel, std::uint8_t value) {
    return WaitUntil([&] { return kivdrv::ReadLamps(panel) == value; });
}

// Every test leaves the desktop without panels, as a user would close them.
class LampPanel : public ::testing::Test {
protected:
    void TearDown() override {
        const auto panels =
            kivdrv::FindTopLevelWindows({std::nullopt, tavo::kLampPanelClass, kSelf});
        for (HWND panel : panels)
            PostMessageW(panel, WM_CLOSE, 0, 0);
        EXPECT_TRUE(
            WaitUntil([&] { return std::none_of(panels.begin(), panels.end(), IsWindow); }));
    }
};

TEST_F(LampPanel, FollowsABurstOfWritesWithoutHoldingThemUpAndComesBackAfterAClose) {
    CTavo tavo({L"378,0,0", std::nullopt, std::nullopt, L"1"});
    const auto handle = tavo.OpenPrt(0x378, 1, 1);
    HWND panel = WaitForPanel(L"LPT1 378h");
    ASSERT_TRUE(panel);
    constexpr LONG_PTR kAside = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    EXPECT_EQ(GetWindowLongPtrW(panel, GWL_EXSTYLE) & kAside, kAside);
    tavo.W_P(handle, 0x109, 0); // the low byte: D0 and D3
    EXPECT_TRUE(Shows(panel, 0x09));

    // With the panel's thread held still the writes go on: they never wait for it.
    const HANDLE thread =
        OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(panel, nullptr));
    ASSERT_TRUE(thread);
    SuspendThread(thread);
    for (std::uint32_t i = 0; i < 1000; ++i)
        tavo.W_P(handle, i * 37, 0);
    ResumeThread(thread);
    CloseHandle(thread);
    EXPECT_TRUE(Shows(panel, (999 * 37) & 0xFF));
    for (std::uint32_t i = 0; i < 1000; ++i)
        tavo.W_P(handle, i ^ 0x5A, 0);
    EXPECT_TRUE(Shows(panel, (999 ^ 0x5A) & 0xFF));

    // After ClosePrt the last state stays; closed by the user, it returns at the next open.
    tavo.W_P(handle, 0, 0);
    tavo.ClosePrt(handle);
    EXPECT_TRUE(Shows(panel, 0));
    PostMessageW(panel, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(panel); }));
    tavo.W_P(tavo.OpenPrt(0x378, 1, 1), 0x80, 0);
    panel = WaitForPanel(L"LPT1 378h");
    ASSERT_TRUE(panel);
    EXPECT_TRUE(Shows(panel, 0x80));
}

TEST_F(LampPanel, FreedLibraryStaysUntilItsPanelIsClosedThenUnloads) {
    CTavo tavo({L"378,0,0", std::nullopt, std::nullopt, L"1"});
    tavo.W_P(tavo.OpenPrt(0xD100, 1, 1), 0x81, 0);
    HWND panel = WaitForPanel(L"d100h"); // an address that is no LPT port
    ASSERT_TRUE(panel);
    tavo.Unload();
    EXPECT_TRUE(GetModuleHandleW(tavo.Path().c_str()));
    EXPECT_TRUE(Shows(panel, 0x81));
    PostMessageW(panel, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !GetModuleHandleW(tavo.Path().c_str()); }));
    EXPECT_FALSE(IsWindow(panel));
}

TEST_F(LampPanel, SwitchedByTheEnvironmentOrTavoIniAndOnWithVirtualPorts) {
    struct Case {
        std::optional<std::wstring> env;
        std::optional<std::string> ini;
        bool shown;
    } const cases[] = {
        {L"0", std::nullopt, false},        {std::nullopt, "378,0,0\nlamps = 0\n", false},
        {L"0", "lamps = 1", false},         {L"1", "lamps = 0", true},
        {std::nullopt, std::nullopt, true},
    };
    for (const auto& c : cases) {
        CTavo tavo({L"378,0,0", c.ini, std::nullopt, c.env});
        tavo.OpenPrt(0x378, 1, 1);
        // Without panels no thread of the library holds it once it is freed.
        if (!c.shown) tavo.Unload();
        EXPECT_EQ(c.shown ? WaitForPanel(L"LPT1 378h") != nullptr
                          : bool(GetModuleHandleW(tavo.Path().c_str())),
                  c.shown)
            << "TAVO_LAMPS=" << kivdrv::Narrow(c.env.value_or(L"(unset)"))
            << " tavo.ini=" << c.ini.value_or("(none)");
        TearDown();
    }
}

HWND WaitForOutputsWindow(DWORD process) {
    return kivdrv::WaitForWindow({L"Выходы", std::nullopt, process, true});
}

// Right-clicks the panel and picks the menu's only item, as a user would.
void ChooseOutputs(HWND panel) {
    PostMessageW(panel, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    const HWND menu = kivdrv::WaitForWindow({std::nullopt, L"#32768", kSelf, true});
    ASSERT_TRUE(menu);
    const auto items = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
    wchar_t text[32] = {};
    GetMenuStringW(items, 0, text, int(std::size(text)), MF_BYPOSITION);
    EXPECT_EQ(std::wstring(text), L"Выходы…");
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
}

// The window opens on a thread of its own, so the lamps go on while it is open; a second
// choice brings it forward rather than open another.
TEST_F(LampPanel, RightClickOpensTheOutputsWindowOnce) {
    CTavo tavo({L"378,0,0", std::nullopt, std::nullopt, L"1"});
    const auto handle = tavo.OpenPrt(0x378, 1, 1);
    const HWND panel = WaitForPanel(L"LPT1 378h");
    ASSERT_TRUE(panel);
    ChooseOutputs(panel);
    const HWND window = WaitForOutputsWindow(kSelf);
    ASSERT_TRUE(window);
    tavo.W_P(handle, 0x24, 0);
    EXPECT_TRUE(Shows(panel, 0x24));
    ChooseOutputs(panel);
    // The close comes after the menu's command, so by then a second window has its thread,
    // and that thread keeps the library.
    ASSERT_TRUE(WaitUntil([&] {
        return !kivdrv::FindTopLevelWindow({std::nullopt, L"#32768", kSelf, true});
    }));
    PostMessageW(panel, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(panel); }));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window); }));
    tavo.Unload();
    EXPECT_TRUE(tavo.Release()) << "a second window";
}

TEST(OutputsProgram, OpensTheWindowOnItsOwn) {
    kivdrv::StartOptions start;
    start.path = kivdrv::ProgramFolder() + L"tavo_outputs.exe";
    const kivdrv::CProcess program(start);
    const HWND window = WaitForOutputsWindow(program.Id());
    ASSERT_TRUE(window);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.Wait(), 0u);
}

TEST_F(LampPanel, ComesBackWhereTheUserLeftItOrOnScreenWhenThatIsGone) {
    const wchar_t places[] = L"Software\\tavo\\Lamps";
    const std::int32_t kept[] = {100, 120}, gone[] = {-20000, 30000};
    RegSetKeyValueW(HKEY_CURRENT_USER, places, L"278", REG_BINARY, kept, sizeof kept);
    RegSetKeyValueW(HKEY_CURRENT_USER, places, L"3bc", REG_BINARY, gone, sizeof gone);
    CTavo tavo({L"0,278,3bc", std::nullopt, std::nullopt, L"1"});
    tavo.OpenPrt(0x278, 1, 1);
    tavo.OpenPrt(0x3BC, 1, 1);
    HWND left = WaitForPanel(L"LPT2 278h");
    HWND lost = WaitForPanel(L"LPT3 3bch");
    ASSERT_TRUE(left && lost);
    RECT r{};
    GetWindowRect(left, &r);
    EXPECT_EQ(std::pair(r.left, r.top), std::pair(100L, 120L));
    GetWindowRect(lost, &r);
    EXPECT_TRUE(MonitorFromRect(&r, MONITOR_DEFAULTTONULL));
    kivdrv::DeleteRegTree(places);
}

} // namespace
