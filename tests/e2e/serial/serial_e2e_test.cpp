// kiv.exe playing a pattern to a board on COM7 (tools/with-serial-ptys records what
// reaches the pty's far end): the board sees every row in order, round and round, and
// every line off after Stop.
#include <gtest/gtest.h>

#include "frame_session.h"

namespace kivdrv {
namespace {

std::vector<std::uint8_t> Captured() {
    const wchar_t* path = _wgetenv(L"KIV_SERIAL_CAPTURE");
    return path ? ReadFileBytes(path).value_or(std::vector<std::uint8_t>{})
                : std::vector<std::uint8_t>{};
}

TEST(SerialRun, TheBoardSeesEveryRowInOrderThenEveryLineOff) {
    ClearKivRegistry();
    const CTempDir work;
    const CScopedEnv backend(L"TAVO_BACKEND", L"serial");
    const CScopedEnv port(L"TAVO_SERIAL_PORT", L"COM7");
    const std::vector<std::uint8_t> rows = {0x09, 0x80, 0x00};
    ASSERT_TRUE(WriteFileBytes(work.Path() / L"p.cmb", CmbFile(rows)));
    const std::size_t before = Captured().size();
    {
        CKivSession kiv(work, L"378,0,0", {(work.Path() / L"p.cmb").wstring()});
        ASSERT_TRUE(kiv.Frame());
        kiv.Press({VK_F4});
        ASSERT_TRUE(WaitUntil([&] { return Calls(kiv.Trace(), "W_P").size() >= 8; }));
        kiv.Press({VK_F5});
        ASSERT_TRUE(WaitUntil([&] { return !Calls(kiv.Trace(), "ClosePrt").empty(); }));
        EXPECT_TRUE(kiv.CloseAndWait());
    }
    ClearKivRegistry();
    std::vector<std::uint8_t> got;
    ASSERT_TRUE(WaitUntil([&] {
        got = Captured();
        return got.size() > before && got.back() == 0;
    }));
    std::vector<int> shown; // each state once, as the lamps would change
    for (std::size_t i = before; i < got.size(); ++i)
        if (shown.empty() || shown.back() != got[i]) shown.push_back(got[i]);
    ASSERT_GE(shown.size(), 7u) << "two rounds";
    EXPECT_EQ(shown.front(), 0) << "all off at the open";
    for (std::size_t i = 1; i < shown.size(); ++i)
        EXPECT_EQ(shown[i], i + 1 == shown.size() ? 0 : rows[(i - 1) % 3]) << i;
}

// COM8's far end never reads: once its buffer is full every write stalls, and Stop and
// closing must not wait for it.
TEST(SerialRun, ABoardThatStopsReadingDelaysNeitherStopNorClosing) {
    ClearKivRegistry();
    const CTempDir work;
    const std::uint8_t fastest[] = {10, 0, 0, 0};
    ASSERT_TRUE(WriteFileBytes(work.Path() / L"slider.cst", fastest));
    const CScopedEnv backend(L"TAVO_BACKEND", L"serial");
    const CScopedEnv port(L"TAVO_SERIAL_PORT", L"COM8");
    const CScopedEnv protocol(L"TAVO_SERIAL_PROTOCOL", L"enttec");
    const CScopedEnv channel(L"TAVO_CHANNEL", L"505"); // 518 bytes a row
    ASSERT_TRUE(WriteFileBytes(work.Path() / L"p.cmb", CmbFile({0x01, 0x00})));
    CKivSession kiv(work, L"378,0,0", {(work.Path() / L"p.cmb").wstring()});
    ASSERT_TRUE(kiv.Frame());
    kiv.Press({VK_F4});
    const auto stalled = [&] {
        for (const auto& record : kiv.Trace())
            if (record.text.find("not reading") != std::string::npos) return true;
        return false;
    };
    ASSERT_TRUE(WaitUntil(stalled, 30s));
    kiv.Press({VK_F5});
    // A wait for a board that never reads never ends: the bounds only keep that from
    // stalling the suite (the times are in bench/README.md).
    EXPECT_TRUE(WaitUntil([&] { return !Calls(kiv.Trace(), "ClosePrt").empty(); }, 30s));
    PostMessageW(kiv.Frame(), WM_CLOSE, 0, 0);
    EXPECT_EQ(kiv.Process().Wait(30s), 0u);
    ClearKivRegistry();
}

} // namespace
} // namespace kivdrv
