// tavo.dll against the real drivers of the test PC (tools/testpc), run there by
// tests/vm/guest, which sets the scene for each group: kiv-parport on /dev/parport0 (with
// or without lp), the FTDI adapter as a COM port, a uhid relay board.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <regex>

#include "driver/driver.h"
#include "driver/lamps.h"
#include "serial_decode.h"
#include "tavo_copy.h"

namespace {

using namespace tavotest;

const States kRows = {0x01, 0x80, 0x5A, 0xFF, 0x09};
// Under emulation a window takes its time.
constexpr std::chrono::seconds kSlow{60};

std::wstring Env(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value ? value : L"";
}

// A file of the folder the guest shares with the host, as Wine names it.
std::wstring Shared(const wchar_t* name) {
    std::wstring path = L"Z:" + Env(L"TESTPC_SHARE") + L"/" + name;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::vector<std::string> Lines(const std::wstring& path) {
    std::ifstream in{std::filesystem::path(path)};
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The values of the data register as kiv-vm-port sampled them, once it ends at 0.
States Sampled() {
    States values;
    kivdrv::WaitUntil(
        [&] {
            values.clear();
            for (const auto& line : Lines(Shared(L"lines")))
                values.push_back(std::stoi(line));
            return !values.empty() && values.back() == 0;
        },
        kSlow);
    return values;
}

// Bridge settings from the environment (tools/with-kiv-parport).
TEST(RealParport, TheDataRegisterFollowsTheRowsThenZero) {
    const kivdrv::CTempDir dir;
    CTavo tavo({std::nullopt, std::nullopt, (dir / "trace").wstring()});
    std::uint32_t lpt[3] = {};
    EXPECT_EQ(tavo.CountLPT(&lpt[0], &lpt[1], &lpt[2]), 2);
    EXPECT_EQ(std::vector<std::uint32_t>(lpt, lpt + 3),
              (std::vector<std::uint32_t>{0x378, 0x278, 0}))
        << "the addresses the kernel reports";
    Play(tavo, kRows, 150);
    // The first sample is what the kernel's probe of the port left there.
    auto rows = Distinct(Sampled());
    rows.erase(rows.begin());
    auto expected = kRows;
    expected.push_back(0);
    EXPECT_EQ(rows, expected);
}

// Run with lp loaded.
TEST(RealParport, WithLpHoldingThePortTheCaptionSaysSo) {
    const kivdrv::CTempDir dir;
    const auto trace = dir / "trace";
    CTavo tavo({std::nullopt, std::nullopt, trace.wstring()});
    Play(tavo, kRows, 150);
    EXPECT_TRUE(Noted(trace, "kiv-parport refused, status 5"));
    EXPECT_TRUE(kivdrv::WaitForLampPanel(
        GetCurrentProcessId(), L"LPT1 378h (kiv-parport: порт занят драйвером lp)", kSlow));
}

// The FTDI adapter: /dev/ttyUSB0 under the COM name `make run` gives it (KIV_VM_COM); its
// bytes land in the share, QEMU's log of the adapter's control requests beside them.
std::string Com() {
    const char* name = std::getenv("KIV_VM_COM");
    return name ? name : "";
}
const std::string kCom = "backend = serial\nserial_port = " + Com() + "\n";

Bytes PlayOnAdapter(const std::string& settings) {
    return PlayRun(kCom + settings, kRows, Shared(L"ttyUSB0.bin").c_str());
}

// QEMU's trace of the adapter from line `from` on: each baud set, and DTR and RTS after
// each modem-control request (bit 0 DTR, bit 1 RTS).
struct AdapterLog {
    std::vector<int> bauds;
    States lines;
};
AdapterLog ReadAdapterLog(std::size_t from = 0) {
    static const std::regex baud("usb_serial_set_baud .*baud rate (\\d+)");
    static const std::regex control(
        "usb_serial_handle_control .*control 0x4001, value 0x([0-9a-f]+)");
    AdapterLog log;
    int lines = 0;
    const auto all = Lines(Shared(L"qemu.log"));
    for (std::size_t i = from; i < all.size(); ++i) {
        std::smatch m;
        if (std::regex_search(all[i], m, baud)) log.bauds.push_back(std::stoi(m[1]));
        if (!std::regex_search(all[i], m, control)) continue;
        const int value = std::stoi(m[1], nullptr, 16);
        lines = (lines & ~(value >> 8)) | (value & value >> 8);
        log.lines.push_back(lines);
    }
    return log;
}

TEST(RealSerial, EachProtocolReachesTheAdapterInOrderThenAllOffAtTheBaudSet) {
    const std::size_t logged = Lines(Shared(L"qemu.log")).size();
    const auto bytes = PlayOnAdapter("serial_baud = 38400\n");
    EXPECT_EQ(Distinct(States(bytes.begin(), bytes.end())), WithOffAround(kRows));
    const auto log = ReadAdapterLog(logged);
    ASSERT_FALSE(log.bauds.empty());
    // An FTDI chip makes 38400 exactly (3 MHz / 78.125).
    EXPECT_EQ(log.bauds.back(), 38400) << "the driver set the adapter to the baud chosen";
    // The kernel raises DTR and RTS as it opens the port; once low they stay low, until
    // the port is opened again for the mark after the run (PlayRun).
    const auto low = std::find(log.lines.begin(), log.lines.end(), 0);
    ASSERT_NE(low, log.lines.end());
    EXPECT_LE(std::count_if(low, log.lines.end(), [](int lines) { return lines != 0; }), 1);

    States relays;
    const auto lcus = DecodeLcus(PlayOnAdapter("serial_protocol = lcus\n"), relays);
    ASSERT_FALSE(lcus.empty());
    EXPECT_EQ(lcus.back(), 0);
    auto at = lcus.begin();
    for (const int row : kRows)
        EXPECT_NE(at = std::find(at, lcus.end(), row), lcus.end()) << "row " << row;

    const auto dmx = DecodeEnttec(
        PlayOnAdapter("serial_protocol = enttec\nchannel = 20\nlevel = 200\n"), 20, 200);
    EXPECT_EQ(Distinct(dmx), WithOffAround(kRows));
}

// Every byte the adapter was sent so far.
Bytes Written() {
    return kivdrv::ReadFileBytes(Shared(L"ttyUSB0.bin")).value_or(Bytes{});
}

// A line for QEMU's monitor (tools/testpc).
void Monitor(const std::string& command) {
    std::ofstream(std::filesystem::path(Shared(L"monitor.in")), std::ios::app) << command << "\n";
}
// Unplugged and plugged back 4 s later with the port still open: the same OpenPrt drives
// it again, the current row first, and a fresh Start works too.
TEST(RealSerial, AnAdapterPluggedBackMidRunIsDrivenAgainWithoutAStart) {
    const kivdrv::CTempDir dir;
    const auto trace = dir / "trace";
    const auto written = Written;
    CTavo tavo({std::nullopt, kCom, trace.wstring()});
    const auto handle = tavo.OpenPrt(0x378, 1, 1);
    ASSERT_TRUE(PlayUntil(tavo, handle, 50, [&] { return written().size() > 5; }));
    Monitor("device_del ftdi");
    ASSERT_TRUE(PlayUntil(tavo, handle, 50, [&] { return Noted(trace, Com() + ": gone"); }));
    // The lamps take up the note at a row after it: the rows go on until they show it.
    const auto panel = [](const wchar_t* caption) {
        return [caption] {
            return kivdrv::WaitForLampPanel(GetCurrentProcessId(), caption,
                                            std::chrono::milliseconds(0)) != nullptr;
        };
    };
    EXPECT_TRUE(PlayUntil(tavo, handle, 50, panel(L"LPT1 378h (устройство отключено)")));
    tavo.W_P(handle, 0x42, 0);
    Sleep(4000); // the adapter stays away a while, as a hand replugs it
    const std::size_t before = written().size();
    const ULONGLONG plugged = GetTickCount64();
    Monitor("device_add usb-serial,id=ftdi,chardev=ftdi,bus=xhci.0");
    const auto wine = reinterpret_cast<const char* (*)()>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    if (wine && std::atoi(wine()) >= 10) {
        // Wine 10 keeps the vanished device until its server restarts: the user sees the
        // board away, the cure in the trace, and at the next Start the virtual ports.
        EXPECT_TRUE(kivdrv::WaitUntil([&] { return Noted(trace, "does not answer"); }, kSlow));
        // Stop, then Start in the same program: the port opens, answers nothing, and the
        // lamps say so.
        tavo.ClosePrt(handle);
        const auto again = tavo.OpenPrt(0x378, 1, 1);
        const auto caption = L"LPT1 378h (" + kivdrv::Widen(Com()) + L" не отвечает)";
        EXPECT_TRUE(PlayUntil(tavo, again, 50, panel(caption.c_str()))) << Notes(trace);
        tavo.ClosePrt(again);
        return;
    }
    ASSERT_TRUE(kivdrv::WaitUntil([&] { return written().size() > before; }, kSlow))
        << Notes(trace);
    std::cout << "the first byte after the replug came " << GetTickCount64() - plugged
              << " ms after device_add\n";
    EXPECT_EQ(written()[before], 0x42) << "the row on the lines as the adapter came back";
    tavo.W_P(handle, 0x5A, 0);
    EXPECT_TRUE(kivdrv::WaitUntil([&] { return written().back() == 0x5A; }, kSlow));
    EXPECT_TRUE(PlayUntil(tavo, handle, 50, panel(L"LPT1 378h")));
    tavo.ClosePrt(handle);
    EXPECT_EQ(NoteCount(trace, Com() + ": gone"), 1);
    EXPECT_EQ(NoteCount(trace, Com() + ": back"), 1);
    tavo.Unload();
    EXPECT_TRUE(tavo.Release());

    const auto bytes = PlayOnAdapter("");
    EXPECT_EQ(Distinct(States(bytes.begin(), bytes.end())), WithOffAround(kRows))
        << "a fresh Start";
}

// A relay module's adapter unplugged and plugged back within one row of 3 s: let go of
// while nothing is written, so Linux gives it back its name, and the next row reaches it.
TEST(RealSerial, ARelayModuleUnpluggedDuringALongRowTakesTheNextOne) {
    const kivdrv::CTempDir dir;
    const auto trace = dir / "trace";
    const std::string ini = kCom + "serial_protocol = lcus\n";
    const std::size_t from = Written().size();
    const auto shown = [&] {
        const auto all = Written();
        return Shown(ini, Bytes(all.begin() + std::ptrdiff_t(from), all.end()));
    };
    CTavo tavo({std::nullopt, ini, trace.wstring()});
    const auto handle = tavo.OpenPrt(0x378, 1, 1);
    tavo.W_P(handle, 0x01, 0);
    ASSERT_TRUE(kivdrv::WaitUntil([&] { return shown() == 1; }, kSlow));
    const ULONGLONG rowStart = GetTickCount64();
    Monitor("device_del ftdi");
    EXPECT_TRUE(kivdrv::WaitUntil([&] { return Noted(trace, Com() + ": gone"); }, kSlow));
    Monitor("device_add usb-serial,id=ftdi,chardev=ftdi,bus=xhci.0");
    const ULONGLONG rowMs = GetTickCount64() - rowStart;
    Sleep(rowMs < 3000 ? DWORD(3000 - rowMs) : 0);
    tavo.W_P(handle, 0x02, 0);
    EXPECT_TRUE(kivdrv::WaitUntil([&] { return shown() == 2; }, kSlow)) << Notes(trace);
    tavo.ClosePrt(handle);
}

// The uhid relay board (kiv-vm-relay), each state it was switched to in the share.
States Relays() {
    States relays;
    for (const auto& line : Lines(Shared(L"relays")))
        relays.push_back(std::stoi(line));
    return relays;
}

TEST(RealHid, RelaysOneAndTwoFollowTheRowsThenAllOff) {
    const kivdrv::CTempDir dir;
    const auto trace = dir / "trace";
    CTavo tavo({std::nullopt, "backend = hidrelay\n", trace.wstring()});
    const auto handle = tavo.OpenPrt(0x378, 1, 1);
    // Each row stays until the board shows it (a USBRelay2 has relays 1 and 2: D0 and D1):
    // under emulation one switch can outlast a row, and then only the newest row is sent.
    auto rows = kRows;
    rows.push_back(0);
    for (const int row : rows) {
        tavo.W_P(handle, row, 0);
        ASSERT_TRUE(kivdrv::WaitUntil(
            [&] {
                const auto relays = Relays();
                return !relays.empty() && relays.back() == (row & 3);
            },
            kSlow))
            << "row " << row << ": " << ::testing::PrintToString(Relays());
    }
    tavo.ClosePrt(handle);
    EXPECT_TRUE(Noted(trace, "USBRelay2 VMREL")) << "the board's id, from its feature report";
}

// Run with a board that is destroyed after 10 switches and made again 2 s later
// (tests/vm/guest, hidreplug).
TEST(RealHidReplug, ABoardMadeAgainMidRunFollowsTheRowsAgain) {
    const kivdrv::CTempDir dir;
    const auto trace = dir / "trace";
    CTavo tavo({std::nullopt, "backend = hidrelay\n", trace.wstring()});
    const auto handle = tavo.OpenPrt(0x378, 1, 1);
    ASSERT_TRUE(PlayUntil(tavo, handle, 50, [&] { return Noted(trace, "VMREL: gone"); }))
        << ::testing::PrintToString(Relays());
    tavo.W_P(handle, 3, 0);
    ASSERT_TRUE(kivdrv::WaitUntil([&] { return Noted(trace, "VMREL: back"); }, kSlow))
        << Notes(trace);
    // Made again with its relays off, it is told the row on the lines, then each new one.
    for (const int row : {3, 1, 2}) {
        tavo.W_P(handle, row, 0);
        EXPECT_TRUE(kivdrv::WaitUntil([&] { return Relays().back() == row; }, kSlow))
            << "row " << row << ": " << ::testing::PrintToString(Relays());
    }
    tavo.W_P(handle, 0, 0);
    tavo.ClosePrt(handle);
    EXPECT_TRUE(kivdrv::WaitUntil([&] { return Relays().back() == 0; }, kSlow));
    EXPECT_EQ(NoteCount(trace, "VMREL: gone"), 1);
}

} // namespace
