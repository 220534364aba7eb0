// The lamp panel beside kiv.exe during a run: it shows the played rows, takes neither the
// focus nor the program's place, and is still open when the program frees the library.
#include <gtest/gtest.h>

#include "driver/lamps.h"
#include "frame_session.h"

namespace kivdrv {
namespace {

class Lamps : public ::testing::Test {
protected:
    CTempDir work;
    void SetUp() override { ClearKivRegistry(); }
    void TearDown() override { ClearKivRegistry(); }
};

std::size_t Writes(const CKivSession& kiv) {
    return Calls(kiv.Trace(), "W_P").size();
}

TEST_F(Lamps, PanelShowsTheRunBesideTheFrameWhichKeepsTheFocus) {
    CKivSession kiv(work, L"378,0,0");
    ASSERT_TRUE(kiv.Frame());
    kiv.ClickCell(0, 0);
    kiv.ClickCell(3, 0);
    ASSERT_TRUE(kiv.WaitForRowPane(1));
    kiv.Press({VK_F4});
    HWND panel = WaitForLampPanel(kiv.Process().Id(), L"LPT1 378h");
    ASSERT_TRUE(panel);

    RECT frame{}, lamps{}, overlap{};
    GetWindowRect(kiv.Frame(), &frame);
    GetWindowRect(panel, &lamps);
    EXPECT_FALSE(IntersectRect(&overlap, &frame, &lamps));
    // Rows 9, 0, 0 played over and over: the panel shows each of them in turn.
    EXPECT_TRUE(WaitUntil([&] { return ReadLamps(panel) == 0x09; }));
    EXPECT_TRUE(WaitUntil([&] { return ReadLamps(panel) == 0x00; }));

    // Clicked or not, the panel leaves the frame in front: keys still reach the program.
    bool frameInFront = true;
    const auto watch = [&](std::size_t rows) {
        const std::size_t until = Writes(kiv) + rows;
        return WaitUntil([&] {
            frameInFront = frameInFront && GetForegroundWindow() == kiv.Frame();
            return Writes(kiv) >= until;
        });
    };
    EXPECT_TRUE(watch(3));
    ClickClient(panel, {4, 4});
    EXPECT_TRUE(watch(3));
    EXPECT_TRUE(frameInFront);
    kiv.Press({VK_F5});
    EXPECT_TRUE(WaitUntil([&] { return Calls(kiv.Trace(), "ClosePrt").size() == 1; }));
    EXPECT_TRUE(WaitUntil([&] { return ReadLamps(panel) == 0x00; }));
    EXPECT_TRUE(IsWindowVisible(panel));

    // The program frees the library at its close with the panel open, and ends cleanly.
    PostMessageW(kiv.Frame(), WM_CLOSE, 0, 0);
    HWND box = kiv.WaitForBox();
    ASSERT_TRUE(box);
    PressButton(box, IDNO);
    EXPECT_EQ(kiv.Process().Wait(10s), 0u);
}

} // namespace
} // namespace kivdrv
