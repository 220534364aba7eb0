// tavo.dll as the program sees it: loaded with a configuration, called through its exports.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <future>
#include <map>
#include <set>
#include <string>
#include <thread>

#include "driver/driver.h"
#include "driver/lamps.h"
#include "tavo/backends/output_claim.h"
#include "tavo/window/outputs_model.h"
#include "tavo/settings/config_source.h"
#include "tavo/settings/ini_text.h"
#include "tavo/settings/trace_format.h"
#include "tavo/settings/trace_log.h"
#include "tavo_copy.h"

namespace {

using kivdrv::CTempDir;
using tavo::TraceRecord;
using tavotest::CTavo;
using tavotest::TavoConfig;

struct Count {
    unsigned count;
    std::array<std::uint32_t, 3> ports;
    bool operator==(const Count&) const = default;
};
void PrintTo(const Count& c, std::ostream* os) {
    *os << int(c.count) << " ports " << std::hex << c.ports[0] << ',' << c.ports[1] << ','
        << c.ports[2];
}

Count CountPorts(const CTavo& tavo) {
    Count c{0, {0xDEAD, 0xDEAD, 0xDEAD}};
    c.count = tavo.CountLPT(&c.ports[0], &c.ports[1], &c.ports[2]);
    return c;
}

TEST(TavoDll, ExportsTheFourCallsAndShowOutputs) {
    const CTavo tavo({});
    const auto base = reinterpret_cast<const BYTE*>(tavo.Module());
    const auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    const auto names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::set<std::string> found;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        found.insert(reinterpret_cast<const char*>(base + names[i]));
    EXPECT_EQ(found,
              (std::set<std::string>{"ClosePrt", "CountLPT", "OpenPrt", "ShowOutputs", "W_P"}));
    EXPECT_EQ(exports->NumberOfFunctions, 5u);
}

TEST(TavoDll, PortsComeFromTheEnvironmentThenIniThenDefault) {
    const std::pair<TavoConfig, Count> cases[] = {
        {{L"378,0,3bc", "278,0,0"}, {2, {0x378, 0, 0x3BC}}},
        {{L"0,278,3bc"}, {2, {0, 0x278, 0x3BC}}},
        {{std::nullopt, "; LPT1..LPT3\r\n0,0,2bc\r\n"}, {1, {0, 0, 0x2BC}}},
        {{}, {1, {0x378, 0, 0}}},
        {{L"0,0,0"}, {0, {0, 0, 0}}},
        {{std::nullopt, "backend = virtual\r\nlpt = 0,278,0\r\n"}, {1, {0, 0x278, 0}}},
        // Malformed: ignored (the trace names it), so the default holds.
        {{L"378 0 3bc", "278,0,0"}, {1, {0x378, 0, 0}}},
        {{L"З78,0,0"}, {1, {0x378, 0, 0}}},
        {{std::nullopt, "LPT1=378"}, {1, {0x378, 0, 0}}},
        {{std::nullopt, ""}, {1, {0x378, 0, 0}}},
    };
    for (const auto& [setup, expected] : cases) {
        const CTavo tavo(setup);
        EXPECT_EQ(CountPorts(tavo), expected)
            << "TAVO_LPT=" << kivdrv::Narrow(setup.lpt.value_or(L"(unset)"))
            << " tavo.ini=" << setup.ini.value_or("(none)");
    }
}

TEST(TavoDll, ReloadReadsTheConfigurationAfresh) {
    CTavo tavo({std::nullopt, "278,0,0"});
    EXPECT_EQ(CountPorts(tavo), (Count{1, {0x278, 0, 0}}));
    tavo.Load({std::nullopt, "0,3bc,278"});
    EXPECT_EQ(CountPorts(tavo), (Count{2, {0, 0x3BC, 0x278}}));
    tavo.Load({L"0,0,0"});
    EXPECT_EQ(CountPorts(tavo), (Count{0, {0, 0, 0}}));
}

// A change saved while the program runs drives the next session (the first OpenPrt after
// the last ClosePrt, or a CountLPT); the program keeps what CountLPT told it, so its LPT1
// is the new LPT1. Settings read again unchanged are not noted again.
TEST(TavoDll, SettingsAreReadAgainAsEachSessionBegins) {
    const CTempDir dir;
    const auto path = dir / "trace.txt";
    CTavo tavo({std::nullopt, "colour = red\n278,0,0\n", path.wstring()});
    EXPECT_EQ(CountPorts(tavo), (Count{1, {0x278, 0, 0}}));
    const auto first = tavo.OpenPrt(0x278, 1, 1);
    tavo.WriteIni("colour = red\n3bc,0,0\n");
    EXPECT_EQ(CountPorts(tavo), (Count{1, {0x278, 0, 0}})) << "a port is open";
    tavo.ClosePrt(first);
    for (int start = 0; start < 3; ++start)
        tavo.ClosePrt(tavo.OpenPrt(0x278, 1, 1));
    EXPECT_EQ(CountPorts(tavo), (Count{1, {0x3BC, 0, 0}}));

    const auto trace = kivdrv::ReadTrace(path);
    ASSERT_TRUE(trace);
    std::vector<std::string> notes;
    for (const auto& r : *trace)
        if (r.call == "note" && !r.text.starts_with("settings from ")) notes.push_back(r.text);
    EXPECT_EQ(notes, (std::vector<std::string>{
                         "tavo.ini line 1: ignored: colour = red", "settings changed: read again",
                         "tavo.ini line 1: ignored: colour = red",
                         "ports known only now: lpt = 3bc,0,0; CountLPT told 278,0,0",
                         "LPT1 278h as CountLPT told it drives LPT1 3bch"}));
}

TEST(TavoDll, APerUserFileStandsInPlaceOfTheOneBeside) {
    const CTempDir appData;
    std::filesystem::create_directory(appData / "kiv");
    const std::string_view user = "0,278,0\r\n";
    ASSERT_TRUE(
        kivdrv::WriteFileBytes(appData / "kiv" / "tavo.ini",
                               {reinterpret_cast<const std::uint8_t*>(user.data()), user.size()}));
    const kivdrv::CScopedEnv env(L"APPDATA", appData.Path().wstring());
    EXPECT_EQ(CountPorts(CTavo({std::nullopt, "3bc,0,0"})), (Count{1, {0, 0x278, 0}}));
    EXPECT_EQ(CountPorts(CTavo({L"2bc,0,0", "3bc,0,0"})), (Count{1, {0x2BC, 0, 0}}));
}

std::string FileText(const std::filesystem::path& path) {
    const auto bytes = kivdrv::ReadFileBytes(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "(none)";
}

BOOL WINAPI ReplaceFailsMovingIn(LPCWSTR replaced, LPCWSTR, LPCWSTR backup, DWORD, LPVOID,
                                 LPVOID) {
    if (!backup) DeleteFileW(replaced);
    SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
    return FALSE;
}
BOOL WINAPI ReplaceFailsMovingBack(LPCWSTR replaced, LPCWSTR, LPCWSTR backup, DWORD, LPVOID,
                                   LPVOID) {
    MoveFileW(replaced, backup ? backup : (std::wstring(replaced) + L"~").c_str());
    SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
    return FALSE;
}

TEST(TavoDll, SettingsAreSavedInPlaceOrNotAtAll) {
    const CTempDir dir;
    const auto path = (dir / "kiv" / "tavo.ini").wstring();
    const std::string text = "; лампы \xF0\x9F\x92\xA1\r\n";
    bool whole = false;
    // The folder made; UTF-16 written and read back as such, the lamp as a surrogate pair.
    for (const auto encoding : {tavo::IniEncoding::Utf16Le, tavo::IniEncoding::Utf16Be}) {
        EXPECT_EQ(tavo::SaveSettingsFile(path, text, encoding), 0u);
        EXPECT_EQ(FileText(path).size(), 2 + 2 * (text.size() - 5 - 2)) << "5 Cyrillic, a pair";
        const auto read = tavo::ReadSettingsFile(path, whole);
        EXPECT_EQ(read->text, text);
        EXPECT_EQ(read->encoding, encoding);
    }
    EXPECT_EQ(tavo::DecodeIni("\xEF\xBB\xBF" + text).encoding, tavo::IniEncoding::Bytes);
    // A read-only file is left as it is, and says why; no temporary file stays.
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(tavo::SaveSettingsFile(path, "lamps = 1\r\n", tavo::IniEncoding::Bytes),
              DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(tavo::ReadSettingsFile(path, whole)->text, text);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "kiv"), {}), 1);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    // Replacing fails as on Windows: the new file not moved in (1176), without a backup
    // name the old one gone; or not moved back (1177), the old one under the backup name.
    for (const auto replace : {&ReplaceFailsMovingIn, &ReplaceFailsMovingBack}) {
        EXPECT_NE(tavo::SaveSettingsFile(path, "lamps = 1\r\n", tavo::IniEncoding::Bytes, replace),
                  0u);
        EXPECT_EQ(tavo::ReadSettingsFile(path, whole)->text, text);
    }
}

// The trace names the file read, and a tavo.ini another program holds at a Start.
TEST(TavoDll, TheFileReadIsNotedAndALockedOne) {
    const CTempDir dir;
    CTavo tavo({std::nullopt, "lamps = 1\n", (dir / "trace.txt").wstring()});
    const auto ini = (tavo.Path().parent_path() / "tavo.ini").wstring();
    const auto held = tavo::AdoptFile(CreateFileW(ini.c_str(), GENERIC_READ, 0, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    tavo.CountLPT(nullptr, nullptr, nullptr);
    const auto text = FileText(dir / "trace.txt");
    EXPECT_NE(text.find("settings from " + tavo::Utf8(ini)), std::string::npos) << text;
    EXPECT_NE(text.find("tavo.ini not read whole, locked or too long"), std::string::npos) << text;
}

// The window checks no output a session drives, in this process or in another.
TEST(TavoDll, ASessionClaimsTheRealOutputsItDrives) {
    const CTavo tavo({std::nullopt, "backend = e131, virtual\nnet_target = 127.0.0.1:5568\n"});
    const std::wstring claim = L"Local\\tavo-output-e131";
    EXPECT_FALSE(tavo::OutputClaimed(claim));
    const auto h = tavo.OpenPrt(0x378, 0, 0);
    EXPECT_TRUE(tavo::OutputClaimed(claim));
    tavo.ClosePrt(h);
    EXPECT_FALSE(tavo::OutputClaimed(claim));
}

// A Start while the window's check drives the output waits for the check to let go, so
// the check's last all-off comes before the run rather than in its middle: under the
// default `auto` too, whose output is the driver's. One check at a time.
TEST(TavoDll, AStartWaitsForTheCheckOnItsOutput) {
    for (const auto& [ini, output] :
         {std::pair("backend = e131\nnet_target = 127.0.0.1:5568\n", L"e131"),
          std::pair("; auto\n", L"inpout")}) {
        const CTavo tavo({std::nullopt, ini});
        const std::wstring claim = std::wstring(L"Local\\tavo-output-") + output;
        std::atomic<bool> checking = true;
        std::future<bool> checkedWhenOpened;
        {
            const tavo::CCheckClaim check(claim);
            ASSERT_TRUE(check.Held());
            const auto another = [&] { return tavo::CCheckClaim(claim).Held(); };
            EXPECT_FALSE(std::async(std::launch::async, another).get());
            checkedWhenOpened = std::async(std::launch::async, [&] {
                tavo.ClosePrt(tavo.OpenPrt(0x378, 0, 0));
                return checking.load();
            });
            EXPECT_TRUE(kivdrv::WaitUntil([&] { return tavo::OutputClaimed(claim); }));
            checking = false;
        }
        EXPECT_FALSE(checkedWhenOpened.get()) << ini;
    }
}

// A relay board's check, by the board's id or of the first board, sees a session driving
// that board whichever way the session's settings name it; a check of another board does not.
TEST(TavoDll, ARelayBoardsCheckSeesTheSessionOnIt) {
    const auto sees = [](std::string_view check, std::string_view session, std::string unit) {
        using tavo::BackendKind;
        const auto claims = tavo::SessionClaimNames(BackendKind::HidRelay,
                                                    tavo::FileSettings(session), unit);
        return std::ranges::count(
                   claims, tavo::OutputClaimName(BackendKind::HidRelay, tavo::FileSettings(check))) > 0;
    };
    EXPECT_TRUE(sees("hid_serial = abcde\n", "", "ABCDE"));
    EXPECT_TRUE(sees("", "hid_serial = QWERT\n", ""));
    EXPECT_FALSE(sees("hid_serial = ASDFG\n", "hid_serial = QWERT\n", ""));
}

// The lamps' tick after OK is what the library then does with the file saved: for each
// file and each thing a user does (OK alone; E1.31; the lamps alone; E1.31 without or with
// the lamps), a Start shows the lamps exactly when the window ticked them.
TEST(TavoDll, TheOutputsWindowsLampsTickIsWhatTheLibraryShows) {
    using namespace tavo;
    const std::vector<std::pair<std::size_t, bool>> actions[] = {
        {}, {{3, 1}}, {{0, 1}, {3, 0}}, {{3, 1}, {0, 0}}, {{3, 1}, {0, 1}}};
    for (const std::string file : {"", "lamps = 0\r\n", "backend = virtual\r\nlamps = 0\r\n",
                                   "backend = e131\r\nnet_target = 127.0.0.1:5568\r\n"})
        for (const auto& action : actions) {
            std::vector<OutputRow> rows = {{.kind = BackendKind::Virtual},
                                           {.kind = BackendKind::Inpout, .usable = false},
                                           {.kind = BackendKind::Serial, .value = "COM3"},
                                           {.kind = BackendKind::E131}};
            auto settings = FileSettings(file);
            TickFromSettings(rows, settings);
            const auto before = SettingsOf(rows, {});
            for (const auto& [row, on] : action)
                Tick(rows, row, on);
            if (!ShowsSomething(rows)) continue; // OK refuses
            CIniText ini(file);
            ApplyChanges(ini, before, SettingsOf(rows, {}), false);
            const tavotest::CTavo tavo({.ini = ini.Text() + "net_target = 127.0.0.1:5568\n",
                                        .lamps = std::nullopt});
            const auto handle = tavo.OpenPrt(0x378, 0, 0);
            const auto wait = std::chrono::milliseconds(rows[0].ticked ? 10'000 : 1'000);
            EXPECT_EQ(kivdrv::WaitForLampPanel(GetCurrentProcessId(), L"LPT1 378h", wait) != nullptr,
                      rows[0].ticked)
                << "[" << file << "] action " << &action - actions << ":\n" << ini.Text();
            tavo.ClosePrt(handle);
        }
}

TEST(TavoDll, NullPointersAndUnknownHandlesAreHarmless) {
    const CTavo tavo({L"378,278,0"});
    std::uint32_t lpt2 = 0xDEAD;
    EXPECT_EQ(tavo.CountLPT(nullptr, &lpt2, nullptr), 2);
    EXPECT_EQ(lpt2, 0x278u);
    EXPECT_EQ(tavo.CountLPT(nullptr, nullptr, nullptr), 2);

    tavo.W_P(0, 1, 0);
    tavo.W_P(12345, 1, 0);
    tavo.ClosePrt(0);
    tavo.ClosePrt(12345);
    const auto h = tavo.OpenPrt(0x378, 1, 1);
    EXPECT_NE(h, 0u);
    tavo.ClosePrt(h);
    tavo.ClosePrt(h);
    tavo.W_P(h, 1, 0);
}

TEST(TavoDll, TracesEveryCallInOrder) {
    const CTempDir dir;
    const auto path = dir / "trace.txt";
    kivdrv::WriteFileBytes(path, std::vector<std::uint8_t>{'0', ' ', 'O', 'l', 'd', '\n'});
    const CTavo tavo({L"378,0,3bc", std::nullopt, path.wstring()});

    EXPECT_EQ(tavo.CountLPT(nullptr, nullptr, nullptr), 2);
    const auto a = tavo.OpenPrt(0x378, 1, 2);
    const auto b = tavo.OpenPrt(0xABC, 1, 2); // any address: the ports are virtual
    EXPECT_NE(a, b);
    tavo.W_P(a, 0x1A5, 0);
    Sleep(50);
    tavo.W_P(b, 255, 7);
    tavo.W_P(4242, 3, 0);
    tavo.ClosePrt(a);
    tavo.ClosePrt(b);

    // Readable while the library holds the file, every line there at once.
    auto trace = kivdrv::ReadTrace(path);
    ASSERT_TRUE(trace);
    std::erase_if(*trace, [](const TraceRecord& r) { return r.call == "note"; });
    const std::vector<std::pair<std::string, std::vector<std::uint64_t>>> expected = {
        {"Old", {}},
        {"CountLPT", {2, 888, 0, 956}},
        {"OpenPrt", {888, 1, 2, a}},
        {"OpenPrt", {2748, 1, 2, b}},
        {"W_P", {a, 0x1A5, 0}},
        {"W_P", {b, 255, 7}},
        {"W_P", {4242, 3, 0}},
        {"ClosePrt", {a}},
        {"ClosePrt", {b}},
    };
    ASSERT_EQ(trace->size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const TraceRecord& r = (*trace)[i];
        auto numbers = r.args;
        numbers.insert(numbers.end(), r.results.begin(), r.results.end());
        EXPECT_EQ(r.call, expected[i].first) << "line " << i;
        EXPECT_EQ(numbers, expected[i].second) << "line " << i;
        if (i > 1) {
            EXPECT_GE(r.micros, (*trace)[i - 1].micros) << "line " << i;
        }
    }
    EXPECT_EQ((*trace)[1].results.size(), 4u) << "CountLPT = count lpt1 lpt2 lpt3";
    EXPECT_EQ((*trace)[2].results.size(), 1u) << "OpenPrt address arg2 arg3 = handle";
    EXPECT_GE((*trace)[5].micros - (*trace)[4].micros, 40'000u) << "microseconds";
    EXPECT_LT((*trace)[1].micros, 60'000'000u) << "counted from the load";

    const auto raw = kivdrv::ReadFileBytes(path);
    const std::string text(raw->begin(), raw->end());
    EXPECT_NE(text.find(" W_P " + std::to_string(a) + " 421 0\n"), std::string::npos) << text;
}

// The calls' lines and the writer threads' notes go to one file at once.
TEST(TavoDll, LinesFromSeveralThreadsAtOnceStayWhole) {
    const CTempDir dir;
    const auto path = dir / "trace.txt";
    std::map<std::string, int> written;
    {
        const tavo::CTraceLog log(path.wstring());
        std::vector<std::jthread> threads;
        for (int t = 0; t < 4; ++t) {
            const std::string text(10 + t * 20, char('a' + t));
            written[text] = 2000;
            threads.emplace_back([&log, text] {
                for (int i = 0; i < 2000; ++i)
                    log.Write(tavo::FormatTraceNote(i, text));
            });
        }
    }
    const auto trace = kivdrv::ReadTrace(path);
    ASSERT_TRUE(trace);
    std::map<std::string, int> read;
    for (const auto& r : *trace)
        ++read[r.text];
    EXPECT_EQ(read, written);
}

TEST(TavoDll, MalformedIniLinesAreNamedInTheTraceAndChangeNothingElse) {
    const CTempDir dir;
    const auto path = dir / "trace.txt";
    const CTavo tavo({std::nullopt, "278,0,0\nbackend = usb\nwhat is this\n", path.wstring()});
    EXPECT_EQ(CountPorts(tavo), (Count{1, {0x278, 0, 0}}));
    const auto trace = kivdrv::ReadTrace(path);
    ASSERT_TRUE(trace);
    std::vector<std::string> notes;
    for (const auto& r : *trace)
        if (r.call == "note" && r.text.starts_with("tavo.ini")) notes.push_back(r.text);
    EXPECT_EQ(notes, (std::vector<std::string>{
                         "tavo.ini line 3: ignored: what is this",
                         "tavo.ini line 2: backend = usb: ignored: not auto, virtual, inpout, "
                         "bridge, e131, artnet, serial or hidrelay"}));
}

TEST(TavoDll, TraceFileThatCannotBeOpenedIsNoTrace) {
    const CTavo tavo({L"378,0,0", std::nullopt, L"Z:\\no\\such\\folder\\trace.txt"});
    EXPECT_EQ(tavo.CountLPT(nullptr, nullptr, nullptr), 1);
    const auto h = tavo.OpenPrt(0x378, 1, 1);
    tavo.W_P(h, 1, 0);
    tavo.ClosePrt(h);
}

} // namespace
