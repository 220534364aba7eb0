// A serial board unplugged during a run and plugged back: tools/with-serial-ptys takes
// COM10's pty away after 16 bytes and makes it again a second later, what it then gets
// landing in KIV_SERIAL_RETURNED.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "driver/driver.h"
#include "driver/lamps.h"
#include "serial_decode.h"
#include "tavo_copy.h"

namespace {

using namespace tavotest;

long Count(const std::filesystem::path& trace, std::string_view part) {
    const auto records = kivdrv::ReadTrace(trace).value_or(std::vector<tavo::TraceRecord>{});
    return std::ranges::count_if(records, [&](const tavo::TraceRecord& r) {
        return r.call == "note" && r.text.find(part) != std::string::npos;
    });
}

TEST(TavoSerialReplug, ABoardPluggedBackFollowsTheRunAgainWithoutAStart) {
    using namespace std::chrono_literals;
    const kivdrv::CTempDir dir;
    const auto trace = dir / "trace.txt";
    const wchar_t* returned = _wgetenv(L"KIV_SERIAL_RETURNED");
    ASSERT_TRUE(returned) << "run through tools/with-serial-ptys";
    const auto received = [&] { return kivdrv::ReadFileBytes(returned).value_or(Bytes{}); };
    CTavo tavo({std::nullopt, "backend = serial\nserial_port = COM10\n", trace});
    const auto handle = tavo.OpenPrt(0x378, 1, 1);
    // Rows every 20 ms until the board has gone; a minute is a bound, not a measure.
    for (int i = 0; i < 3000 && !Count(trace, "COM10: gone"); ++i) {
        tavo.W_P(handle, std::uint32_t(i % 2 + 1), 0);
        Sleep(20);
    }
    ASSERT_EQ(Count(trace, "COM10: gone"), 1);
    tavo.W_P(handle, 0x42, 0);
    EXPECT_TRUE(
        kivdrv::WaitForLampPanel(GetCurrentProcessId(), L"LPT1 378h (устройство отключено)"));

    // The row on the lines as it comes back reaches it unasked, then each new one.
    ASSERT_TRUE(kivdrv::WaitUntil([&] { return Count(trace, "COM10: back") > 0; }, 60s));
    ASSERT_TRUE(kivdrv::WaitUntil([&] { return !received().empty(); }));
    EXPECT_EQ(received().front(), 0x42);
    tavo.W_P(handle, 0x5A, 0);
    EXPECT_TRUE(kivdrv::WaitUntil([&] { return received().back() == 0x5A; }));
    EXPECT_TRUE(kivdrv::WaitForLampPanel(GetCurrentProcessId(), L"LPT1 378h"));
    tavo.W_P(handle, 0, 0);
    tavo.ClosePrt(handle);
    EXPECT_EQ(Count(trace, "COM10: gone"), 1);
    EXPECT_EQ(Count(trace, "cannot open COM10"), 1) << "the tries that failed alike, once";
    EXPECT_EQ(Count(trace, "COM10: back"), 1);
}

} // namespace
