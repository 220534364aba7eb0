// The status bar's panes: widths, texts set by update handlers, keyboard indicators.
#include "test_frame.h"

#include "app/resource.h"

#include <gtest/gtest.h>

namespace {

TEST(StatusBar, PanesAndIndicators) {
    FreshWorkDir();
    auto frame = MakeFrame();
    ASSERT_TRUE(frame);
    CStatusBar& bar = frame->m_wndStatusBar;
    ASSERT_EQ(bar.GetCount(), 5);
    EXPECT_EQ(bar.CommandToIndex(ID_INDICATOR_ROW), 1);
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
    // The frame has no sizing border: no grip, and its corner does not size the frame.
    EXPECT_FALSE(bar.GetStyle() & SBARS_SIZEGRIP);
    EXPECT_NE(bar.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(r.right - 2, r.bottom - 2)),
              HTBOTTOMRIGHT);

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
