// The serial back end as boards on the far end of a pty see it: tools/with-serial-ptys
// maps COM7 to a pty whose bytes land in a file, COM8 to one that nobody reads, and COM9
// to one that goes away after 16 bytes.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "driver/driver.h"
#include "tavo_copy.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using States = std::vector<int>;

const States kRows = {0x01, 0x80, 0x5A, 0xFF, 0x09};

Bytes Captured() {
    const wchar_t* path = _wgetenv(L"KIV_SERIAL_CAPTURE");
    return path ? kivdrv::ReadFileBytes(path).value_or(Bytes{}) : Bytes{};
}

// Plays the rows as the program does, a pause each, then 0 and the close; returns what
// came out of COM7 meanwhile, once it has stopped coming.
Bytes PlayRun(const std::string& settings) {
    const std::size_t before = Captured().size();
    {
        tavotest::CTavo tavo({std::nullopt, "backend = serial\nserial_port = com7\n" + settings});
        const auto handle = tavo.OpenPrt(0x378, 1, 1);
        for (const int row : kRows) {
            tavo.W_P(handle, row, 0);
            Sleep(80);
        }
        tavo.W_P(handle, 0, 0);
        tavo.ClosePrt(handle);
    }
    Bytes got;
    for (std::size_t size = SIZE_MAX, quiet = 0; quiet < 3; size = got.size()) {
        Sleep(200);
        got = Captured();
        quiet = got.size() == size ? quiet + 1 : 0;
    }
    return Bytes(got.begin() + std::ptrdiff_t(std::min(before, got.size())), got.end());
}

States Distinct(const States& states) {
    States out;
    for (const int state : states)
        if (out.empty() || out.back() != state) out.push_back(state);
    return out;
}

// The lines after each 4-byte relay frame; `relays` gets the relay each frame names.
States DecodeLcus(const Bytes& b, States& relays) {
    EXPECT_EQ(b.size() % 4, 0u);
    States states;
    for (std::size_t i = 0, state = 0; i + 4 <= b.size(); i += 4) {
        const int relay = b[i + 1], on = b[i + 2];
        EXPECT_TRUE(b[i] == 0xA0 && relay >= 1 && relay <= 8 && on <= 1) << i;
        EXPECT_EQ(b[i + 3], (0xA0 + relay + on) & 0xFF) << "checksum at " << i;
        const std::size_t bit = std::size_t(1) << (relay - 1);
        state = on ? state | bit : state & ~bit;
        states.push_back(int(state));
        relays.push_back(relay);
    }
    return states;
}

// The lines of each DMX USB Pro packet: `level` on channel..channel+7, every other
// channel 0.
States DecodeEnttec(const Bytes& b, int channel, int level) {
    States states;
    for (std::size_t i = 0; i + 5 <= b.size();) {
        const std::size_t length = b[i + 2] | b[i + 3] << 8;
        EXPECT_TRUE(b[i] == 0x7E && b[i + 1] == 6 && b[i + 4] == 0) << "header at " << i;
        EXPECT_EQ(length, std::size_t(std::max(24, channel + 7) + 1));
        if (i + 5 + length > b.size()) return ADD_FAILURE() << "cut short", states;
        EXPECT_EQ(b[i + 4 + length], 0xE7) << "end at " << i;
        int lines = 0;
        for (std::size_t c = 1; c < length; ++c) {
            const int line = int(c) - channel, value = b[i + 4 + c];
            if (line >= 0 && line < 8 && value == level)
                lines |= 1 << line;
            else
                EXPECT_EQ(value, 0) << "channel " << c;
        }
        states.push_back(lines);
        i += 5 + length;
    }
    return states;
}

States WithOffAround(States rows) {
    rows.insert(rows.begin(), 0);
    rows.push_back(0);
    return rows;
}

// Every note of the trace, a line each, for a failure's message.
std::string Notes(const std::filesystem::path& trace) {
    const auto records = kivdrv::ReadTrace(trace);
    if (!records) return "the trace does not parse";
    std::string notes;
    for (const auto& r : *records)
        if (r.call == "note") notes += r.text + "\n";
    return notes;
}

// A trace note holding `text`.
bool Noted(const std::filesystem::path& trace, std::string_view text) {
    for (const auto& r : kivdrv::ReadTrace(trace).value_or(std::vector<tavo::TraceRecord>{}))
        if (r.call == "note" && r.text.find(text) != std::string::npos) return true;
    return false;
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
    // A write that waited for the board would take the driver's timeout each.
    const ULONGLONG before = GetTickCount64();
    for (int i = 0; i < 1000; ++i)
        tavo.W_P(handle, std::uint32_t(i), 0);
    const ULONGLONG written = GetTickCount64();
    tavo.ClosePrt(handle);
    const ULONGLONG closed = GetTickCount64();
    EXPECT_LT(written - before, 5000u);
    EXPECT_LT(closed - written, 5000u);
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
    tavo.ClosePrt(handle);
    int gone = 0;
    for (const auto& r : kivdrv::ReadTrace(trace).value_or(std::vector<tavo::TraceRecord>{}))
        gone += r.call == "note" && r.text.find("COM9: gone") != std::string::npos;
    EXPECT_EQ(gone, 1);
    EXPECT_TRUE(Noted(trace, "cannot open COM9")) << "the pty is gone at the second open";
}

} // namespace
