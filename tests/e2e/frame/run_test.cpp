// Start and Stop on the traced virtual port, the panel buttons during a run, and the close
// while a run is active or after a cancelled close.
#include <gtest/gtest.h>

#include "frame_session.h"

#include "app/resource.h"

namespace kivdrv {
namespace {

class Run : public ::testing::Test {
protected:
    CTempDir work;
    void SetUp() override { ClearKivRegistry(); }
    void TearDown() override { ClearKivRegistry(); }
};

// The values written to the port, in order.
std::vector<std::uint64_t> Written(const std::vector<tavo::TraceRecord>& trace) {
    std::vector<std::uint64_t> values;
    for (const auto& call : Calls(trace, "W_P"))
        values.push_back(call.args.at(1));
    return values;
}

// The run ended as it must: 0 written last, then the port closed with its handle.
void ExpectEndedCleanly(const std::vector<tavo::TraceRecord>& trace) {
    ASSERT_FALSE(trace.empty());
    const auto opens = Calls(trace, "OpenPrt");
    ASSERT_EQ(opens.size(), 1u);
    const std::uint64_t handle = opens[0].results.at(0);
    const auto& last = trace.back();
    EXPECT_EQ(last.call, "ClosePrt");
    EXPECT_EQ(last.args.at(0), handle);
    const auto& beforeLast = trace[trace.size() - 2];
    EXPECT_EQ(beforeLast.call, "W_P");
    EXPECT_EQ(beforeLast.args.at(1), 0u);
}

TEST_F(Run, StartPlaysTheTickedRowsAndStopTurnsTheLinesOff) {
    CKivSession kiv(work, L"378,0,0");
    ASSERT_TRUE(kiv.Frame());
    kiv.Press({VK_F5}); // greyed while nothing runs: no port call
    kiv.ClickCell(0, 0);
    kiv.ClickCell(3, 0);
    ASSERT_TRUE(kiv.WaitForRowPane(1));

    kiv.Press({VK_F4});
    ASSERT_TRUE(WaitUntil([&] { return Written(kiv.Trace()).size() >= 4; }));
    const auto opens = Calls(kiv.Trace(), "OpenPrt");
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].args, (std::vector<std::uint64_t>{0x378, 1, 1}));
    const auto played = Written(kiv.Trace());
    EXPECT_EQ(std::vector<std::uint64_t>(played.begin(), played.begin() + 4),
              (std::vector<std::uint64_t>{9, 0, 0, 9}));

    // While it plays, Start and Settings are greyed: their keys and buttons do nothing.
    kiv.Press({VK_F6});
    kiv.Press({VK_F4});
    kiv.ClickPanelButton(ID_CMD_SETTINGS);
    kiv.ClickPanelButton(ID_CMD_START);
    EXPECT_FALSE(kiv.WaitForDialog(kSettingsTitle, 1s));
    EXPECT_EQ(Calls(kiv.Trace(), "OpenPrt").size(), 1u);

    kiv.ClickPanelButton(ID_CMD_STOP);
    ASSERT_TRUE(
        WaitUntil([&] { return !kiv.Trace().empty() && kiv.Trace().back().call == "ClosePrt"; }));
    ExpectEndedCleanly(kiv.Trace());
    // Settings are back once the run has stopped.
    kiv.Press({VK_F6});
    HWND settings = kiv.WaitForDialog(kSettingsTitle);
    ASSERT_TRUE(settings);
    PressButton(settings, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }));
    PostMessageW(kiv.Frame(), WM_CLOSE, 0, 0);
    HWND box = kiv.WaitForBox(); // the ticked cells: save?
    ASSERT_TRUE(box);
    PressButton(box, IDNO);
    EXPECT_EQ(kiv.Process().Wait(10s), 0u);
}

TEST_F(Run, ClosingDuringARunStopsItFirstAndStoresThePort) {
    CKivSession kiv(work, L"0,278,0");
    ASSERT_TRUE(kiv.Frame());
    kiv.Press({VK_F4});
    ASSERT_TRUE(WaitUntil([&] { return Written(kiv.Trace()).size() >= 2; }));
    std::filesystem::remove(kiv.WorkFile(L"port.cst"));
    EXPECT_TRUE(kiv.CloseAndWait());
    ExpectEndedCleanly(kiv.Trace());
    EXPECT_EQ(Calls(kiv.Trace(), "OpenPrt").at(0).args.at(0), 0x278u);
    EXPECT_EQ(ReadFileBytes(kiv.WorkFile(L"port.cst")),
              (std::vector<std::uint8_t>{0x78, 0x02, 0, 0}));
}

TEST_F(Run, CancelledCloseKeepsTheRunAndThePortLibrary) {
    CKivSession kiv(work);
    ASSERT_TRUE(kiv.Frame());
    kiv.ClickCell(7, 1);
    ASSERT_TRUE(kiv.WaitForRowPane(2));
    kiv.Press({VK_F4});
    ASSERT_TRUE(WaitUntil([&] { return !Written(kiv.Trace()).empty(); }));

    PostMessageW(kiv.Frame(), WM_CLOSE, 0, 0);
    HWND box = kiv.WaitForBox();
    ASSERT_TRUE(box);
    PressButton(box, IDCANCEL);
    // Still playing after the cancelled close, and Stop and a new Start still reach the port.
    const size_t before = Written(kiv.Trace()).size();
    EXPECT_TRUE(WaitUntil([&] { return Written(kiv.Trace()).size() > before + 2; }));
    EXPECT_TRUE(Calls(kiv.Trace(), "ClosePrt").empty());
    kiv.Press({VK_F5});
    ASSERT_TRUE(WaitUntil([&] { return Calls(kiv.Trace(), "ClosePrt").size() == 1; }));
    kiv.Press({VK_F4});
    EXPECT_TRUE(WaitUntil([&] { return Calls(kiv.Trace(), "OpenPrt").size() == 2; }));
    kiv.Press({VK_F5});
    EXPECT_TRUE(WaitUntil([&] { return Calls(kiv.Trace(), "ClosePrt").size() == 2; }));
    const auto played = Written(kiv.Trace());
    EXPECT_NE(std::find(played.begin(), played.end(), 0x80u), played.end());

    PostMessageW(kiv.Frame(), WM_CLOSE, 0, 0);
    box = kiv.WaitForBox();
    ASSERT_TRUE(box);
    PressButton(box, IDNO);
    EXPECT_EQ(kiv.Process().Wait(10s), 0u);
}

TEST_F(Run, LibraryWithoutW_PRefusesStartWithABoxAndTheProgramGoesOn) {
    CTempDir folder;
    const std::filesystem::path bin(ProgramFolder());
    std::filesystem::copy_file(bin / "kiv.exe", folder / "kiv.exe");
    std::filesystem::copy_file(bin / "kiv_no_write_tavo.dll", folder / "tavo.dll");
    CProcess kiv({(folder / "kiv.exe").wstring(), {}, work.Path().wstring(), {}});
    HWND frame = WaitForWindow({kKivTitle, std::nullopt, kiv.Id(), true});
    ASSERT_TRUE(frame);
    BringToFront(frame);
    SendKeys({VK_F4});
    HWND box = WaitForMessageBox(kiv.Id());
    ASSERT_TRUE(box);
    const MessageBoxInfo info = ReadMessageBox(box, 0ms);
    EXPECT_EQ(info.caption, L"Ошибка библиотеки TAVO.DLL");
    EXPECT_EQ(info.text, L"В библиотеке TAVO.DLL нет функции W_P.\nЗапуск невозможен.");
    PressButton(box, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    // Nothing runs: Settings stay available, and the close needs no Stop.
    BringToFront(frame);
    SendKeys({VK_F6});
    HWND settings = WaitForWindow({kSettingsTitle, L"#32770", kiv.Id(), true});
    ASSERT_TRUE(settings);
    PressButton(settings, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }));
    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(kiv.Wait(10s), 0u);
}

} // namespace
} // namespace kivdrv
