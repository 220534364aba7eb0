// The status bar's panes: widths, texts set by update handlers, keyboard indicators.
#include "test_frame.h"

#include <gtest/gtest.h>

namespace {

TEST(StatusBar, PanesAndIndicators) {
    FreshWorkDir();
    auto frame = MakeFrame();
    ASSERT_TRUE(frame);
    CStatusBar& bar = frame->m_wndStatusBar;
    ASSERT_EQ(bar.GetCount(), 5);
    EXPECT_EQ(bar.CommandToIndex(59146), 1);
    EXPECT_EQ(bar.CommandToIndex(ID_INDICATOR_SCRL), 4);
    UINT id = 0, style = 0;
    int width = 0;
    bar.GetPaneInfo(1, id, style, width);
    EXPECT_EQ(width, 190);
    // Along the bottom edge, full width.
    CRect client = frame->GetClientRect(), r = bar.GetWindowRect();
    frame->ClientToScreen(client);
    EXPECT_EQ(r.bottom, client.bottom);
    EXPECT_EQ(r.Width(), client.Width());

    IdleUpdate(*frame);
    // The indicator shows its text exactly while its key is toggled on.
    bool caps = (::GetKeyState(VK_CAPITAL) & 1) != 0;
    EXPECT_EQ(bar.GetShownText(2), caps ? L"CAP" : L"");
    EXPECT_EQ(bar.GetPaneText(2), L"CAP");
    EXPECT_EQ(bar.GetShownText(1), L" ");
    bar.SetPaneText(1, L"Текущая строка  3");
    EXPECT_EQ(bar.GetShownText(1), L"Текущая строка  3");
    DestroyFrame(frame);
}

} // namespace

// Shows the test frame for a screenshot taken from outside: KIV_SHOT=top|left|float.
TEST(Screenshot, DISABLED_ShowFrame) {
    FreshWorkDir();
    auto frame = MakeFrame(40, 40);
    ASSERT_TRUE(frame);
    wchar_t shot[16] = L"";
    ::GetEnvironmentVariableW(L"KIV_SHOT", shot, 16);
    if (std::wstring(shot) == L"left")
        frame->DockControlBar(&frame->GetMenuBar(), AFX_IDW_DOCKBAR_LEFT);
    if (std::wstring(shot) == L"float")
        frame->FloatControlBar(&frame->GetMenuBar(), CPoint(700, 80));
    DWORD t0 = ::GetTickCount();
    IdleUpdate(*frame);
    frame->m_wndStatusBar.SetPaneText(1, L"Текущая строка  1");
    Pump(8000);
    printf("%lu\n", ::GetTickCount() - t0);
    DestroyFrame(frame);
}
