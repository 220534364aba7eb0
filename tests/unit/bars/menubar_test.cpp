// The menu bar on a real frame: its buttons, the Alt keyboard mode, hot tracking between
// pop-ups, and where pop-ups open.
#include "test_frame.h"

#include <gtest/gtest.h>

namespace {

class MenuBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        FreshWorkDir();
        frame = MakeFrame();
        ASSERT_TRUE(frame);
        bar = &frame->GetMenuBar();
    }
    void TearDown() override {
        ::EndMenu();
        Key(VK_MENU, true);
        DestroyFrame(frame);
    }
    // `count` pop-ups opened so far: the timer ticks in the last one's loop.
    std::function<bool()> Opened(std::size_t count) const {
        return [this, count] { return frame->m_opened.size() >= count; };
    }
    std::unique_ptr<CTestFrame> frame;
    COXMenuBar* bar = nullptr;
};

TEST_F(MenuBarTest, ShowsTheMenuTitlesWithoutMnemonicsAndEnablesThem) {
    EXPECT_EQ(::GetMenu(frame->m_hWnd), nullptr); // the frame carries no classic menu
    ASSERT_EQ(bar->GetButtonCount(), 3);
    EXPECT_EQ(bar->GetButtonText(0), L"Файл");
    EXPECT_EQ(bar->GetButtonText(1), L"Команда");
    EXPECT_EQ(bar->GetButtonText(2), L"Справка");
    EXPECT_TRUE(bar->GetMnemonics().empty());
    EXPECT_EQ(bar->GetWindowText(), L"Меню");
    // No frame handler exists for the buttons' ids; the bar answers for them.
    IdleUpdate(*frame);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(bar->SendMessage(TB_ISBUTTONENABLED, bar->GetItemID(i))) << i;
    // Docked at the top, as wide as the space left of the command panel.
    CRect barRect = bar->GetWindowRect(), panel = frame->m_wndPanel.GetWindowRect();
    CRect client = frame->GetClientRect();
    frame->ClientToScreen(client);
    EXPECT_EQ(barRect.top, client.top);
    EXPECT_EQ(barRect.right, panel.left);
    EXPECT_EQ(bar->GetItemRect(0).Height() + 5, barRect.Height());
}

TEST_F(MenuBarTest, MnemonicTableAndMenuChanges) {
    HMENU other = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(200));
    HMENU original = bar->GetMenu();
    ASSERT_TRUE(bar->SetMenu(other));
    ASSERT_EQ(bar->GetButtonCount(), 2);
    ASSERT_EQ(bar->GetMnemonics().size(), 2u);
    EXPECT_EQ(bar->GetMnemonics().at(L'E'), 0);
    EXPECT_EQ(bar->GetMnemonics().at(L'V'), 1);
    EXPECT_TRUE(bar->SetMenu(other)); // the same handle again changes nothing
    EXPECT_EQ(bar->GetButtonCount(), 2);
    // A handle that is no menu leaves the bar empty and says so.
    EXPECT_FALSE(bar->SetMenu(reinterpret_cast<HMENU>(static_cast<INT_PTR>(0x5A5A))));
    EXPECT_EQ(bar->GetButtonCount(), 0);
    EXPECT_TRUE(bar->SetMenu(original));
    EXPECT_EQ(bar->GetButtonCount(), 3);
    ::DestroyMenu(other);
}

TEST_F(MenuBarTest, AltTapTogglesKeyboardModeAndGivesTheFocusBack) {
    HWND view = ::CreateWindowExW(
        0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, frame->m_hWnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(AFX_IDW_PANE_FIRST)), nullptr, nullptr);
    ::SetFocus(view);
    Pump(50);
    ASSERT_EQ(::GetFocus(), view);

    Tap(VK_MENU);
    ASSERT_TRUE(PumpUntil([&] { return bar->IsInKeyboardMode(); }));
    EXPECT_EQ(bar->GetHotItem(), 0);
    EXPECT_EQ(::GetFocus(), bar->m_hWnd);

    Tap(VK_RIGHT); // the highlight moves along the bar
    EXPECT_EQ(bar->GetHotItem(), 1);

    Tap(VK_MENU);
    ASSERT_TRUE(PumpUntil([&] { return !bar->IsInKeyboardMode(); }));
    EXPECT_EQ(bar->GetHotItem(), -1);
    EXPECT_EQ(::GetFocus(), view);

    // Alt, Enter opens the highlighted pop-up; once it closes the view has the keys again.
    Tap(VK_MENU);
    ASSERT_TRUE(PumpUntil([&] { return bar->IsInKeyboardMode(); }));
    EXPECT_EQ(bar->GetHotItem(), 1); // the last highlighted button
    TimerScript script({{Opened(1), [] { ::EndMenu(); }}});
    Tap(VK_RETURN);
    EXPECT_TRUE(PumpUntil([&] { return !bar->IsInKeyboardMode() && ::GetFocus() == view; }));
    ASSERT_EQ(frame->m_opened.size(), 1u);
    EXPECT_EQ(frame->m_opened[0], ::GetSubMenu(bar->GetMenu(), 1));
}

TEST_F(MenuBarTest, AltHeldWithAnotherKeyDoesNotToggle) {
    const bool toggled = ::GetKeyState(VK_MENU) & 1; // flips as the Alt press is taken in
    Key(VK_MENU, false);
    Pump(30);
    Tap('X');
    Key(VK_MENU, true);
    ASSERT_TRUE(PumpUntil([&] { // the press and the release both taken in
        const SHORT alt = ::GetKeyState(VK_MENU);
        return !(alt & 0x8000) && bool(alt & 1) != toggled;
    }));
    EXPECT_FALSE(bar->IsInKeyboardMode());
    EXPECT_EQ(bar->GetShownPopup(), -1);
    // The next tap alone still toggles.
    Tap(VK_MENU);
    EXPECT_TRUE(PumpUntil([&] { return bar->IsInKeyboardMode(); }));
}

TEST_F(MenuBarTest, PointerMovedOntoAnotherButtonOpensItsPopup) {
    HMENU file = ::GetSubMenu(bar->GetMenu(), 0), command = ::GetSubMenu(bar->GetMenu(), 1);
    POINT target = ButtonCentre(*bar, 1);
    TimerScript script({{Opened(1), [&] { MoveMouse(target); }}, {Opened(2), [] { ::EndMenu(); }}});
    MoveMouse(ButtonCentre(*bar, 0)); // a real click opens "Файл"
    Pump(30);
    MouseButton(false);
    MouseButton(true);
    PumpUntil([&] { return script.Done(); }, 5000);
    ASSERT_GE(frame->m_opened.size(), 2u);
    EXPECT_EQ(frame->m_opened[0], file);
    EXPECT_EQ(frame->m_opened[1], command);
}

TEST_F(MenuBarTest, RightKeyInAnOpenPopupOpensTheNextOne) {
    HMENU command = ::GetSubMenu(bar->GetMenu(), 1), help = ::GetSubMenu(bar->GetMenu(), 2);
    MoveMouse({5, 5}); // the pointer away from the bar
    TimerScript script({{Opened(1), [] { Tap(VK_RIGHT); }}, {Opened(2), [] { ::EndMenu(); }}});
    bar->PostOpenPopup(1);
    PumpUntil([&] { return script.Done(); }, 5000);
    ASSERT_GE(frame->m_opened.size(), 2u);
    EXPECT_EQ(frame->m_opened[0], command);
    EXPECT_EQ(frame->m_opened[1], help);
}

TEST_F(MenuBarTest, PopupOpensRightOfTheButtonNearTheBottomEdge) {
    int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    POINT at;
    bar->PopupPlacement(0, at);
    CRect button = bar->GetItemRect(0);
    bar->ClientToScreen(button);
    EXPECT_EQ(at.x, button.left); // room below: under the button
    EXPECT_EQ(at.y, button.bottom);

    // Dock the bar at the bottom and move the frame so less than 200 pixels remain below.
    frame->DockControlBar(bar, AFX_IDW_DOCKBAR_BOTTOM);
    CRect barRect = bar->GetWindowRect(), frameRect = frame->GetWindowRect();
    int dy = screenHeight - 120 - barRect.bottom;
    frame->SetWindowPos(nullptr, frameRect.left, frameRect.top + dy, 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER);
    Pump(50);
    button = bar->GetItemRect(0);
    bar->ClientToScreen(button);
    ASSERT_LT(screenHeight - button.bottom, COXMenuBar::kPopupRoom);
    UINT flags = bar->PopupPlacement(0, at);
    EXPECT_EQ(at.x, button.right);
    EXPECT_EQ(at.y, button.top);
    EXPECT_EQ(flags & (TPM_RIGHTALIGN | TPM_CENTERALIGN), 0u);

    // The real pop-up lies right of the button.
    CRect shown;
    TimerScript script({{Opened(1), [&] {
                             ::GetWindowRect(::FindWindowW(L"#32768", nullptr), &shown);
                             ::EndMenu();
                         }}});
    bar->PostOpenPopup(0);
    PumpUntil([&] { return script.Done(); }, 5000);
    EXPECT_GE(shown.left, button.right);
}

TEST_F(MenuBarTest, VerticalBarNearTheRightEdgeOpensLeftOfTheButton) {
    frame->DockControlBar(bar, AFX_IDW_DOCKBAR_LEFT);
    POINT at;
    CRect button = bar->GetItemRect(0);
    bar->ClientToScreen(button);
    EXPECT_EQ(bar->PopupPlacement(0, at) & TPM_RIGHTALIGN, 0u);
    EXPECT_EQ(at.x, button.right);
    CRect frameRect = frame->GetWindowRect();
    int dx = ::GetSystemMetrics(SM_CXSCREEN) - 100 - button.right;
    frame->SetWindowPos(nullptr, frameRect.left + dx, frameRect.top, 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER);
    Pump(30);
    button = bar->GetItemRect(0);
    bar->ClientToScreen(button);
    EXPECT_NE(bar->PopupPlacement(0, at) & TPM_RIGHTALIGN, 0u);
    EXPECT_EQ(at.x, button.left);
}

TEST(CoolToolBar, CommonControlsVersionGivesTheTransparentStyle) {
    DWORD version = COXCoolToolBar::QueryComCtlVersion();
    EXPECT_GE(HIWORD(version), 4);
    EXPECT_EQ(COXCoolToolBar::GetComCtlVersion(), version);
    FreshWorkDir();
    auto frame = MakeFrame();
    ASSERT_TRUE(frame);
    DWORD style = frame->GetMenuBar().GetStyle();
    EXPECT_TRUE(style & TBSTYLE_FLAT);
    EXPECT_EQ((style & TBSTYLE_TRANSPARENT) != 0, version >= COXCoolToolBar::kVersion471);
    DestroyFrame(frame);
}

} // namespace
