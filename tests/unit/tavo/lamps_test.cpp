// The lamp panels of tavo.dll as a user sees them: what they show, when they are there.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "driver/driver.h"
#include "driver/lamps.h"
#include "tavo/lamp_layout.h"
#include "tavo_copy.h"

namespace {

using namespace std::chrono_literals;
using kivdrv::FindLampPanel;
using kivdrv::ReadLamps;
using kivdrv::WaitUntil;
using tavotest::CTavo;

const DWORD kSelf = GetCurrentProcessId();
const wchar_t kPlaces[] = L"Software\\tavo\\Lamps";

HWND WaitForPanel(const std::wstring& caption) {
    HWND panel = nullptr;
    WaitUntil([&] { return (panel = FindLampPanel(kSelf, caption)) != nullptr; });
    return panel;
}

bool Shows(HWND panel, std::uint8_t value) {
    return WaitUntil([&] { return ReadLamps(panel) == value; });
}

// Every test leaves the desktop without panels, as the user would close them.
class LampPanel : public ::testing::Test {
protected:
    void TearDown() override {
        const auto panels =
            kivdrv::FindTopLevelWindows({std::nullopt, tavo::kLampPanelClass, kSelf});
        for (HWND panel : panels)
            PostMessageW(panel, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitUntil([&] {
            return std::none_of(panels.begin(), panels.end(), [](HWND w) { return IsWindow(w); });
        }));
    }
};

// The panel's thread, held still while the exports run: they must not need it.
class CHeldThread {
public:
    explicit CHeldThread(HWND window)
        : m_thread(
              OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(window, nullptr))) {
        if (m_thread) SuspendThread(m_thread);
    }
    ~CHeldThread() {
        if (!m_thread) return;
        ResumeThread(m_thread);
        CloseHandle(m_thread);
    }
    CHeldThread(const CHeldThread&) = delete;
    CHeldThread& operator=(const CHeldThread&) = delete;
    explicit operator bool() const { return m_thread != nullptr; }

private:
    HANDLE m_thread;
};

TEST_F(LampPanel, FollowsABurstOfWritesWithoutHoldingThemUpAndComesBackAfterAClose) {
    CTavo tavo({L"378,0,0", std::nullopt, std::nullopt, L"1"});
    const auto handle = tavo.OpenPrt(0x378, 1, 1);
    HWND panel = WaitForPanel(L"LPT1 378h");
    ASSERT_TRUE(panel);
    const auto exStyle = GetWindowLongPtrW(panel, GWL_EXSTYLE);
    EXPECT_EQ(exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE),
              WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE);
    tavo.W_P(handle, 0x109, 0); // the low byte: D0 and D3
    EXPECT_TRUE(Shows(panel, 0x09));

    {
        const CHeldThread held(panel);
        ASSERT_TRUE(held);
        for (std::uint32_t i = 0; i < 1000; ++i)
            tavo.W_P(handle, (i * 37) & 0xFF, 0);
    }
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
    const auto again = tavo.OpenPrt(0x378, 1, 1);
    tavo.W_P(again, 0x80, 0);
    panel = WaitForPanel(L"LPT1 378h");
    ASSERT_TRUE(panel);
    EXPECT_TRUE(Shows(panel, 0x80));
}

TEST_F(LampPanel, FreedLibraryStaysUntilItsPanelIsClosedThenUnloads) {
    CTavo tavo({L"378,0,0", std::nullopt, std::nullopt, L"1"});
    const auto handle = tavo.OpenPrt(0xD100, 1, 1);
    tavo.W_P(handle, 0x81, 0);
    HWND panel = WaitForPanel(L"d100h"); // an address that is no LPT port
    ASSERT_TRUE(panel);
    tavo.Unload();
    EXPECT_TRUE(GetModuleHandleW(tavo.Path().c_str()));
    EXPECT_TRUE(Shows(panel, 0x81));
    PostMessageW(panel, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !GetModuleHandleW(tavo.Path().c_str()); }));
    EXPECT_FALSE(IsWindow(panel));
}

TEST_F(LampPanel, SwitchedOffByTheEnvironmentOrTavoIni) {
    struct Case {
        std::optional<std::wstring> env;
        std::optional<std::string> ini;
        bool shown;
    };
    const Case cases[] = {
        {L"0", std::nullopt, false},        {std::nullopt, "378,0,0\nlamps = 0\n", false},
        {L"0", "lamps = 1", false},         {L"1", "lamps = 0", true},
        {std::nullopt, std::nullopt, true}, // virtual ports: on
    };
    for (const auto& c : cases) {
        CTavo tavo({L"378,0,0", c.ini, std::nullopt, c.env});
        tavo.OpenPrt(0x378, 1, 1);
        EXPECT_EQ(kivdrv::WaitForWindow({L"LPT1 378h", std::nullopt, kSelf, true}, 1s) != nullptr,
                  c.shown)
            << "TAVO_LAMPS=" << kivdrv::Narrow(c.env.value_or(L"(unset)"))
            << " tavo.ini=" << c.ini.value_or("(none)");
        TearDown();
    }
}

TEST_F(LampPanel, ComesBackWhereTheUserLeftItOrOnScreenWhenThatIsGone) {
    const std::int32_t kept[] = {100, 120};
    const std::int32_t gone[] = {-20000, 30000};
    RegSetKeyValueW(HKEY_CURRENT_USER, kPlaces, L"278", REG_BINARY, kept, sizeof kept);
    RegSetKeyValueW(HKEY_CURRENT_USER, kPlaces, L"3bc", REG_BINARY, gone, sizeof gone);
    CTavo tavo({L"0,278,3bc", std::nullopt, std::nullopt, L"1"});
    tavo.OpenPrt(0x278, 1, 1);
    tavo.OpenPrt(0x3BC, 1, 1);
    HWND left = WaitForPanel(L"LPT2 278h");
    HWND lost = WaitForPanel(L"LPT3 3bch");
    ASSERT_TRUE(left && lost);
    RECT r{};
    GetWindowRect(left, &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 120);
    GetWindowRect(lost, &r);
    EXPECT_TRUE(MonitorFromRect(&r, MONITOR_DEFAULTTONULL));
    kivdrv::DeleteRegTree(kPlaces);
}

} // namespace
