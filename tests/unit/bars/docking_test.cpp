// Docking the menu bar on other sides, floating it, and restoring the layout at the next
// start; a bad saved layout leaves the default one.
#include "test_frame.h"

#include "app/resource.h"
#include "framework/app.h"
#include "framework/barstate.h"
#include "framework/dockbar.h"
#include "framework/minidock.h"

#include <gtest/gtest.h>

namespace {

constexpr wchar_t kSection[] = L"FrameworkBarState";

class DockingTest : public ::testing::Test {
protected:
    void SetUp() override {
        FreshWorkDir();
        AfxGetApp(); // made by the first frame
        frame = MakeFrame();
        ASSERT_TRUE(frame);
        AfxGetApp()->DeleteProfileSection(kSection);
    }
    void TearDown() override { DestroyFrame(frame); }
    // Saves the layout, closes the frame and starts a new one that loads it.
    void Restart() {
        frame->SaveBarState(kSection);
        DestroyFrame(frame);
        frame = MakeFrame();
        ASSERT_TRUE(frame);
        frame->LoadBarState(kSection);
        Pump(50);
    }
    UINT Side() { return static_cast<UINT>(::GetDlgCtrlID(frame->GetMenuBar().GetParent())); }
    std::unique_ptr<CTestFrame> frame;
};

TEST_F(DockingTest, DockedLeftStacksButtonsAndIsRestoredThere) {
    COXMenuBar& bar = frame->GetMenuBar();
    frame->DockControlBar(&bar, AFX_IDW_DOCKBAR_LEFT);
    Pump(30);
    EXPECT_EQ(Side(), AFX_IDW_DOCKBAR_LEFT);
    EXPECT_TRUE(bar.IsVertDocked());
    // Buttons one under the other, the bar taller than wide, along the left client edge.
    for (int i = 1; i < bar.GetButtonCount(); ++i) {
        EXPECT_EQ(bar.GetItemRect(i).left, bar.GetItemRect(0).left);
        EXPECT_GE(bar.GetItemRect(i).top, bar.GetItemRect(i - 1).bottom);
    }
    CRect r = bar.GetWindowRect(), client = frame->GetClientRect();
    frame->ClientToScreen(client);
    EXPECT_GT(r.Height(), r.Width());
    EXPECT_EQ(r.left, client.left);

    Restart();
    EXPECT_EQ(Side(), AFX_IDW_DOCKBAR_LEFT);
    EXPECT_TRUE(frame->GetMenuBar().IsVertDocked());
    // The command panel stays at the right whatever the menu bar does.
    CRect panel = frame->m_wndPanel.GetWindowRect();
    client = frame->GetClientRect();
    frame->ClientToScreen(client);
    EXPECT_EQ(panel.right, client.right);
}

TEST_F(DockingTest, FloatedIsRestoredFloatingWithAnEmptySystemMenu) {
    frame->FloatControlBar(&frame->GetMenuBar(), CPoint(300, 600));
    Pump(30);
    auto* mini = dynamic_cast<CMiniDockFrameWnd*>(
        CWnd::FromHandle(::GetAncestor(frame->GetMenuBar().m_hWnd, GA_ROOT)));
    ASSERT_NE(mini, nullptr);
    EXPECT_EQ(mini->GetWindowText(), L"Меню");
    EXPECT_EQ(::GetMenuItemCount(::GetSystemMenu(mini->m_hWnd, FALSE)), 0);
    // Closing the floating frame cannot hide the only menu.
    mini->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(frame->GetMenuBar().IsWindowVisible());
    // The floating bar leaves the frame active, unless the menu bar took the focus on purpose.
    ::SetActiveWindow(mini->m_hWnd);
    EXPECT_TRUE(PumpUntil([&] { return ::GetActiveWindow() == frame->m_hWnd; }));
    Tap(VK_MENU);
    ASSERT_TRUE(PumpUntil([&] { return frame->GetMenuBar().IsInKeyboardMode(); }));
    Pump(50);
    EXPECT_EQ(::GetFocus(), frame->GetMenuBar().m_hWnd);
    Tap(VK_MENU);
    EXPECT_TRUE(PumpUntil([&] { return ::GetActiveWindow() == frame->m_hWnd; }));

    Restart();
    COXMenuBar& bar = frame->GetMenuBar();
    ASSERT_TRUE(bar.IsFloating());
    CRect r;
    ::GetWindowRect(::GetAncestor(bar.m_hWnd, GA_ROOT), &r);
    EXPECT_EQ(r.TopLeft(), CPoint(300, 600));
    EXPECT_TRUE(bar.IsWindowVisible());
    // Back to the top with a drag: grab the floating caption and drop on the top edge.
    CRect client = frame->GetClientRect();
    frame->ClientToScreen(client);
    ::SetCursorPos(client.left + 40, client.top + 2);
    ::PostMessageW(bar.m_hWnd, WM_LBUTTONUP, 0, 0);
    bar.BeginDrag(CPoint(r.left + 10, r.top + 5));
    EXPECT_EQ(Side(), AFX_IDW_DOCKBAR_TOP);
    EXPECT_FALSE(bar.IsFloating());
}

TEST_F(DockingTest, DraggingToTheLeftEdgeDocksThere) {
    COXMenuBar& bar = frame->GetMenuBar();
    CRect client = frame->GetClientRect();
    frame->ClientToScreen(client);
    CRect r = bar.GetWindowRect();
    ::SetCursorPos(client.left + 3, client.top + 150);
    ::PostMessageW(bar.m_hWnd, WM_MOUSEMOVE, 0, 0);
    ::PostMessageW(bar.m_hWnd, WM_LBUTTONUP, 0, 0);
    bar.BeginDrag(CPoint(r.left + 3, r.top + 5)); // on the gripper
    EXPECT_EQ(Side(), AFX_IDW_DOCKBAR_LEFT);
    // Escape cancels a drag.
    ::SetCursorPos(client.left + 200, client.top + 150);
    ::PostMessageW(bar.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
    bar.BeginDrag(CPoint(client.left + 3, client.top + 5));
    EXPECT_EQ(Side(), AFX_IDW_DOCKBAR_LEFT);
}

TEST_F(DockingTest, MouseDragFromTheGripperDocksOnTheLeft) {
    COXMenuBar& bar = frame->GetMenuBar();
    CRect r = bar.GetWindowRect(), client = frame->GetClientRect();
    frame->ClientToScreen(client);
    POINT grip{r.left + 3, r.top + r.Height() / 2};
    ASSERT_EQ(bar.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(grip.x, grip.y)), HTBORDER);
    POINT drop{client.left + 4, client.top + 160};
    MoveMouse(grip);
    Pump(30);
    const auto dragging = [&] { return ::GetCapture() == bar.m_hWnd; };
    TimerScript script({{dragging,
                         [&] {
                             MoveMouse({drop.x + 30, drop.y});
                         }},
                        {nullptr, [&] { MoveMouse(drop); }},
                        {nullptr, [] { MouseButton(true); }}});
    MouseButton(false);
    PumpUntil([&] { return script.Done(); }, 5000);
    EXPECT_EQ(Side(), AFX_IDW_DOCKBAR_LEFT);
    EXPECT_TRUE(bar.IsVertDocked());
}

TEST_F(DockingTest, BadSavedLayoutsKeepTheDefault) {
    CDockSite* site = frame->GetDockSite();
    COXMenuBar& bar = frame->GetMenuBar();
    frame->DockControlBar(&bar, AFX_IDW_DOCKBAR_RIGHT);
    std::vector<BYTE> good = site->SaveState();
    frame->DockControlBar(&bar, AFX_IDW_DOCKBAR_TOP);

    auto entries = DecodeBarState(good);
    ASSERT_TRUE(entries);
    auto with = [&](auto change) {
        auto copy = *entries;
        change(copy);
        return EncodeBarState(copy);
    };
    auto& menuEntry = *std::find_if(entries->begin(), entries->end(),
                                    [](const BarStateEntry& e) { return e.id == AFX_IDW_TOOLBAR; });
    size_t menuIndex = static_cast<size_t>(&menuEntry - entries->data());

    std::vector<BYTE> truncated(good.begin(), good.end() - 1);
    std::vector<BYTE> corrupt = good;
    corrupt[0] ^= 0xFF;
    std::vector<BYTE> badSide = good;
    badSide[6 + 15 * menuIndex + 5] = 9;
    const std::vector<std::vector<BYTE>> bad = {
        {},
        truncated,
        corrupt,
        badSide,
        with([](auto& v) {
            v.push_back({4242, true, BarStateEntry::Side::Top});
        }), // foreign bar
        with([&](auto& v) { v[menuIndex].side = BarStateEntry::Side::None; }),
        with([&](auto& v) { // floating off every screen
            v[menuIndex].side = BarStateEntry::Side::Floating;
            v[menuIndex].x = -20000;
            v[menuIndex].y = 50;
        }),
        with([&](auto& v) { v.push_back(v[menuIndex]); }), // the same bar twice
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_FALSE(site->LoadState(bad[i])) << i;
        EXPECT_EQ(Side(), AFX_IDW_DOCKBAR_TOP) << i;
        EXPECT_TRUE(bar.IsWindowVisible()) << i;
    }
    // A layout that hides the menu bar leaves it shown: nothing could show it again.
    EXPECT_TRUE(site->LoadState(with([&](auto& v) { v[menuIndex].visible = false; })));
    EXPECT_EQ(Side(), AFX_IDW_DOCKBAR_RIGHT);
    EXPECT_TRUE(bar.IsWindowVisible());
    // The same through the profile: a corrupt value there changes nothing.
    AfxGetApp()->WriteProfileBinary(kSection, L"BarState", corrupt);
    EXPECT_FALSE(frame->LoadBarState(kSection));
    EXPECT_EQ(Side(), AFX_IDW_DOCKBAR_RIGHT);
}

HWND g_watchedFrame;
int g_movesWhileShown;

LRESULT CALLBACK CountChildMoves(int code, WPARAM wp, LPARAM lp) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lp);
    if (code == HC_ACTION && call->message == WM_WINDOWPOSCHANGED &&
        ::IsWindowVisible(g_watchedFrame) && ::IsChild(g_watchedFrame, call->hwnd)) {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(call->lParam);
        if ((pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
            ++g_movesWhileShown;
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

// Created minimized, as the program's frame is: its bars and view are laid out for the
// restored size before it is seen, so showing it moves no child window.
TEST(MinimizedFrame, IsLaidOutBeforeItIsShown) {
    FreshWorkDir();
    TestApp();
    auto frame = std::make_unique<CTestFrame>();
    ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_MINIMIZE | WS_OVERLAPPED | WS_CAPTION |
                                                    WS_SYSMENU | WS_MINIMIZEBOX));
    ASSERT_TRUE(::IsIconic(frame->m_hWnd));
    g_watchedFrame = frame->m_hWnd;
    g_movesWhileShown = 0;
    HHOOK hook =
        ::SetWindowsHookExW(WH_CALLWNDPROCRET, CountChildMoves, nullptr, ::GetCurrentThreadId());
    frame->ActivateFrame(SW_SHOWNORMAL);
    Pump(50);
    ::UnhookWindowsHookEx(hook);
    EXPECT_FALSE(::IsIconic(frame->m_hWnd));
    EXPECT_EQ(g_movesWhileShown, 0);
    // The bars sit at the edges of the restored client area.
    CRect status = frame->m_wndStatusBar.GetWindowRect();
    frame->ScreenToClient(status);
    EXPECT_EQ(status.bottom, frame->GetClientRect().bottom);
    EXPECT_GT(status.Width(), 0);
    DestroyFrame(frame);
}

TEST(BarStateCodec, RoundTripsAndRejectsPartialValues) {
    std::vector<BarStateEntry> entries = {{59392, true, BarStateEntry::Side::Floating, 0, -7, 300},
                                          {142, false, BarStateEntry::Side::None, 0, 0, 0}};
    auto data = EncodeBarState(entries);
    auto back = DecodeBarState(data);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, entries);
    for (size_t cut = 0; cut < data.size(); ++cut)
        EXPECT_FALSE(DecodeBarState(std::span(data).first(cut))) << cut;
    data.push_back(0);
    EXPECT_FALSE(DecodeBarState(data));
}

} // namespace
