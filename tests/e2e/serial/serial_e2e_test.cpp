// kiv.exe playing a pattern to a board on COM7 (tools/with-serial-ptys records what
// reaches the pty's far end): the board sees the rows in the order they were played, round
// and round, and every line off after Stop.
#include <gtest/gtest.h>

#include "frame_session.h"

#include <algorithm>

namespace kivdrv {
namespace {

std::vector<std::uint8_t> Captured() {
    const wchar_t* path = _wgetenv(L"KIV_SERIAL_CAPTURE");
    return path ? ReadFileBytes(path).value_or(std::vector<std::uint8_t>{})
                : std::vector<std::uint8_t>{};
}

// Each state once, as the lamps would change.
template <class Values> std::vector<std::uint64_t> Changes(const Values& values) {
    std::vector<std::uint64_t> shown;
    for (const auto v : values)
        if (shown.empty() || shown.back() != v) shown.push_back(v);
    return shown;
}

TEST(SerialRun, TheBoardSeesTheRowsInOrderThenEveryLineOff) {
    ClearKivRegistry();
    const CTempDir work;
    const CScopedEnv backend(L"TAVO_BACKEND", L"serial");
    const CScopedEnv port(L"TAVO_SERIAL_PORT", L"COM7");
    const std::vector<std::uint8_t> rows = {0x09, 0x80, 0x00};
    ASSERT_TRUE(WriteFileBytes(work.Path() / L"p.cmb", CmbFile(rows)));
    const std::size_t before = Captured().size();
    std::vector<std::uint64_t> played;
    {
        CKivSession kiv(work, L"378,0,0", {(work.Path() / L"p.cmb").wstring()});
        ASSERT_TRUE(kiv.Frame());
        kiv.Press({VK_F4});
        ASSERT_TRUE(WaitUntil([&] { return Calls(kiv.Trace(), "W_P").size() >= 8; }));
        kiv.Press({VK_F5});
        ASSERT_TRUE(WaitUntil([&] { return !Calls(kiv.Trace(), "ClosePrt").empty(); }));
        for (const auto& call : Calls(kiv.Trace(), "W_P"))
            played.push_back(call.args.at(1));
        EXPECT_TRUE(kiv.CloseAndWait());
    }
    ClearKivRegistry();
    std::vector<std::uint8_t> got;
    ASSERT_TRUE(WaitUntil([&] {
        got = Captured();
        return got.size() > before && got.back() == 0;
    }));
    // The writer keeps only the newest row, so a writer starved for a whole row by a busy
    // machine skips it; what reaches the board follows the played order and invents nothing.
    const auto shown = Changes(std::vector<std::uint8_t>(got.begin() + before, got.end()));
    played.insert(played.begin(), 0); // all off as the port opens
    const auto order = Changes(played);
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(shown.front(), 0u) << "all off at the open";
    EXPECT_EQ(shown.back(), 0u) << "all off after Stop";
    auto next = order.begin();
    for (const auto state : shown) {
        next = std::find(next, order.end(), state);
        ASSERT_NE(next, order.end()) << "state " << state << " out of the played order";
    }
    for (const auto row : rows)
        EXPECT_NE(std::find(shown.begin() + 1, shown.end() - 1, row), shown.end() - 1) << row;
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
