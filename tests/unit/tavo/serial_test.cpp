// The serial back end as boards on the far end of a pty see it: tools/with-serial-ptys
// maps COM7 to a pty whose bytes land in a file, COM8 to one that nobody reads, and COM9
// to one that goes away after 16 bytes, and COM10 to one that goes away after 16 bytes and
// comes back a second later, what it then gets landing in KIV_SERIAL_RETURNED.
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

const States kRows = {0x01, 0x80, 0x5A, 0xFF, 0x09};

Bytes PlayRun(const std::string& settings, const std::optional<std::wstring>& trace = {}) {
    return tavotest::PlayRun("backend = serial\nserial_port = com7\n" + settings, kRows,
                             _wgetenv(L"KIV_SERIAL_CAPTURE"), trace);
}

TEST(TavoSerial, EachProtocolShowsTheRowsInOrderThenEveryLineOff) {
    const auto bytes = PlayRun("");
    EXPECT_EQ(Distinct(States(bytes.begin(), bytes.end())), WithOffAround(kRows));

    States relays;
    const auto lcus = DecodeLcus(PlayRun("serial_protocol = lcus\n"), relays);
    // Every relay off at the open and at the close; between, a frame a changed line.
    const States eachRelay = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_GE(relays.size(), 16u);
    EXPECT_EQ(States(relays.begin(), relays.begin() + 8), eachRelay);
    EXPECT_EQ(States(relays.end() - 8, relays.end()), eachRelay);
    EXPECT_EQ(lcus.back(), 0);
    auto at = lcus.begin();
    for (const int row : kRows)
        EXPECT_NE(at = std::find(at, lcus.end(), row), lcus.end()) << "row " << row;
    // Between, only changed lines: each frame changes the state (the 0 just before the
    // close may be left to the close's own frames).
    for (std::size_t i = 8; i + 8 < lcus.size(); ++i)
        EXPECT_NE(lcus[i], lcus[i - 1]) << "frame " << i << " changes nothing";

    const auto dmx =
        DecodeEnttec(PlayRun("serial_protocol = enttec\nchannel = 20\nlevel = 200\n"), 20, 200);
    EXPECT_EQ(Distinct(dmx), WithOffAround(kRows));
}

// A port held by another program is left to real Windows: Wine shares a COM port. Wine
// has no HID relay board either.
TEST(TavoSerial, WithoutTheirDeviceOrWithABadSettingUsbBackEndsGiveWayToVirtualPorts) {
    const std::pair<std::string, std::string> cases[] = {
        {"serial\nserial_port = COM6", "cannot open COM6"},
        {"serial", "serial_port is not set"},
        {"serial\nserial_port = COM8\nserial_protocol = dmx", "not byte, lcus or enttec"},
        {"hidrelay", "no USBRelay board"},
        {"hidrelay\nhid_serial = ABCDEF", "not a board id"},
        {"hidrelay\nhid_serial = ABC", "not a board id"},
    };
    for (const auto& [settings, note] : cases) {
        const kivdrv::CTempDir dir;
        const auto trace = dir / "trace.txt";
        tavotest::CTavo tavo({std::nullopt, "backend = " + settings + "\n", trace});
        tavo.ClosePrt(tavo.OpenPrt(0x378, 1, 1));
        EXPECT_TRUE(Noted(trace, note)) << settings;
        EXPECT_TRUE(Noted(trace, "falling back to virtual ports")) << settings;
    }
}

// The serial port opening fine must not wipe the note of the bridge beside it.
TEST(TavoSerial, InAListEachBackEndsNotesStandBesideTheOthers) {
    const kivdrv::CScopedEnv token(L"KIV_PARPORT_TOKEN", std::wstring(32, L'0'));
    tavotest::CTavo tavo(
        {std::nullopt, "backend = bridge, serial\nbridge = 127.0.0.1:1\nserial_port = COM7\n"});
    const auto handle = tavo.OpenPrt(0x378, 1, 1);
    const kivdrv::WindowQuery panels{std::nullopt, tavo::kLampPanelClass, GetCurrentProcessId(),
                                     true};
    EXPECT_TRUE(kivdrv::WaitUntil([&] {
        return std::ranges::any_of(kivdrv::FindTopLevelWindows(panels), [](HWND panel) {
            return kivdrv::WindowText(panel).find(L"(нет связи с kiv-parport") !=
                   std::wstring::npos;
        });
    }));
    tavo.ClosePrt(handle);
}

TEST(TavoSerial, ABoardThatStopsReadingDelaysNeitherWritesNorTheClose) {
    const kivdrv::CTempDir dir;
    const auto trace = dir / "trace.txt";
    tavotest::CTavo tavo(
        {std::nullopt, "backend = serial\nserial_port = COM8\nserial_protocol = enttec\n", trace});
    const auto handle = tavo.OpenPrt(0x378, 1, 1);
    // The pty's buffer holds a few thousand frames; a minute is a bound, not a measure.
    const ULONGLONG start = GetTickCount64();
    bool stalled = false;
    for (int i = 0; !stalled && GetTickCount64() - start < 60'000; ++i) {
        tavo.W_P(handle, std::uint32_t(i), 0);
        if (i % 1000 == 0) stalled = Noted(trace, "not reading");
    }
    ASSERT_TRUE(stalled) << Notes(trace);
    // A write that waited for the board would take the driver's timeout each, minutes for
    // these; the minute only keeps that from stalling the suite (times: bench/README.md).
    const ULONGLONG before = GetTickCount64();
    for (int i = 0; i < 1000; ++i)
        tavo.W_P(handle, std::uint32_t(i), 0);
    tavo.ClosePrt(handle);
    EXPECT_LT(GetTickCount64() - before, 60'000u) << "hang guard";
    tavo.Unload();
    for (int i = 0; i < 100 && GetModuleHandleW(tavo.Path().c_str()); ++i)
        Sleep(50);
    EXPECT_FALSE(GetModuleHandleW(tavo.Path().c_str())) << "still loaded";
}

TEST(TavoSerial, ABoardThatGoesAwayIsNotedOnceAndTheNextOpenTriesAgain) {
    const kivdrv::CTempDir dir;
    const auto trace = dir / "trace.txt";
    tavotest::CTavo tavo({std::nullopt, "backend = serial\nserial_port = COM9\n", trace});
    auto handle = tavo.OpenPrt(0x378, 1, 1);
    for (int i = 0; i < 100; ++i) {
        tavo.W_P(handle, std::uint32_t(i), 0);
        Sleep(20);
    }
    tavo.ClosePrt(handle);
    handle = tavo.OpenPrt(0x378, 1, 1);
    // The caption is this session's: the last one's "устройство отключено" ended with it.
    EXPECT_TRUE(tavotest::PlayUntil(tavo, handle, 20, [] {
        return kivdrv::WaitForLampPanel(GetCurrentProcessId(), L"LPT1 378h (COM9 недоступен)",
                                        std::chrono::milliseconds(0)) != nullptr;
    }));
    tavo.ClosePrt(handle);
    int gone = 0;
    for (const auto& r : kivdrv::ReadTrace(trace).value_or(std::vector<tavo::TraceRecord>{}))
        gone += r.call == "note" && r.text.find("COM9: gone") != std::string::npos;
    EXPECT_EQ(gone, 1);
    EXPECT_TRUE(Noted(trace, "cannot open COM9")) << "the pty is gone at the second open";
}

// A board chosen in the window on Windows, and Wine lists no device behind COM7: the port is
// opened as chosen, and the trace says why.
TEST(TavoSerial, AChosenBoardThatTheSystemDoesNotListPlaysOnItsPort) {
    const kivdrv::CTempDir dir;
    const auto trace = dir / "trace.txt";
    const auto bytes = PlayRun("serial_board = 1a86:7523 at USB(2) on COM7\n", trace.wstring());
    EXPECT_EQ(Distinct(States(bytes.begin(), bytes.end())), WithOffAround(kRows));
    EXPECT_TRUE(Noted(trace, "is not among the system's ports; COM7 as set")) << Notes(trace);
}

// COM10 unplugged during a run and plugged back: the row on the lines as it comes back
// reaches it unasked, then each new one, with no new OpenPrt.
TEST(TavoSerial, ABoardPluggedBackFollowsTheRunAgainWithoutAStart) {
    const kivdrv::CTempDir dir;
    const auto trace = dir / "trace.txt";
    const wchar_t* returned = _wgetenv(L"KIV_SERIAL_RETURNED");
    ASSERT_TRUE(returned) << "run through tools/with-serial-ptys";
    const auto received = [&] { return kivdrv::ReadFileBytes(returned).value_or(Bytes{}); };
    CTavo tavo({std::nullopt, "backend = serial\nserial_port = COM10\n", trace});
    const auto handle = tavo.OpenPrt(0x378, 1, 1);
    ASSERT_TRUE(PlayUntil(tavo, handle, 20, [&] { return Noted(trace, "COM10: gone"); }));
    tavo.W_P(handle, 0x42, 0);
    EXPECT_TRUE(
        kivdrv::WaitForLampPanel(GetCurrentProcessId(), L"LPT1 378h (устройство отключено)"));
    ASSERT_TRUE(kivdrv::WaitUntil([&] { return !received().empty(); }, std::chrono::minutes(1)));
    EXPECT_EQ(received().front(), 0x42);
    tavo.W_P(handle, 0x5A, 0);
    EXPECT_TRUE(kivdrv::WaitUntil([&] { return received().back() == 0x5A; }));
    EXPECT_TRUE(kivdrv::WaitForLampPanel(GetCurrentProcessId(), L"LPT1 378h"));
    tavo.ClosePrt(handle);
    // Each once: the tries to open it again that failed alike too.
    for (const char* once : {"COM10: gone", "cannot open COM10", "COM10: back"})
        EXPECT_EQ(NoteCount(trace, once), 1) << once << "\n" << Notes(trace);
}

} // namespace
