// A show that starts and stops while it is watched, schedule.ini edited while the program
// runs (a broken edit keeps the last good schedule), a bad file at launch, and a show that
// must not open its file over unsaved edits. Times are a few seconds ahead (HH:MM:SS).
#include <gtest/gtest.h>

#include "frame_session.h"

#include <fstream>
#include <string>

namespace kivdrv {
namespace {

// Local wall-clock time `seconds` from now, as the schedule writes it.
std::string ClockIn(int seconds) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart += seconds * 10000000ULL;
    FILETIME later{t.LowPart, t.HighPart}, local;
    SYSTEMTIME st;
    FileTimeToLocalFileTime(&later, &local);
    FileTimeToSystemTime(&local, &st);
    char text[16];
    snprintf(text, sizeof text, "%02u:%02u:%02u", st.wHour, st.wMinute, st.wSecond);
    return text;
}

std::string Show(const std::string& start, const std::string& stop,
                 const std::string& pattern = "show.cmb") {
    return "[evening]\ndays = daily\nstart = " + start + "\nstop = " + stop +
           "\npattern = " + pattern + "\n";
}

class Schedule : public ::testing::Test {
protected:
    CTempDir work;
    CScopedEnv trace{L"KIV_TRACE", (work / L"kiv-trace.txt").wstring()};

    void SetUp() override {
        ClearKivRegistry();
        const auto show = CmbFile({6, 6});
        ASSERT_TRUE(WriteFileBytes(work / L"show.cmb", show));
    }
    void TearDown() override { ClearKivRegistry(); }

    void WriteSchedule(const std::string& text) {
        std::ofstream(work / L"schedule.ini", std::ios::binary | std::ios::trunc) << text;
    }
    // The program's own trace (UTF-8 lines).
    std::string KivTrace() const {
        const auto bytes = ReadFileBytes(work / L"kiv-trace.txt");
        return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
    }
    bool WaitForKivTrace(const std::string& part, std::chrono::milliseconds timeout = 15s) {
        return WaitUntil([&] { return KivTrace().find(part) != std::string::npos; }, timeout);
    }
};

std::vector<std::uint64_t> Written(const std::vector<tavo::TraceRecord>& trace) {
    std::vector<std::uint64_t> values;
    for (const auto& call : Calls(trace, "W_P"))
        values.push_back(call.args.at(1));
    return values;
}

bool Closed(const CKivSession& kiv) {
    const auto trace = kiv.Trace();
    return !trace.empty() && trace.back().call == "ClosePrt";
}

TEST_F(Schedule, AShowStartsWithItsFileAndStopsDarkWhileWatched) {
    WriteSchedule(Show(ClockIn(4), ClockIn(8)));
    CKivSession kiv(work);
    ASSERT_TRUE(kiv.Frame());
    EXPECT_TRUE(Written(kiv.Trace()).empty()) << "nothing before its start";

    ASSERT_TRUE(WaitUntil([&] { return !Written(kiv.Trace()).empty(); }, 15s));
    EXPECT_EQ(Written(kiv.Trace()).front(), 6u) << "the show's file, opened for it";
    EXPECT_TRUE(WaitForKivTrace("Играет «show.cmb»"));
    ASSERT_TRUE(WaitUntil([&] { return Closed(kiv); }, 15s));
    EXPECT_EQ(Written(kiv.Trace()).back(), 0u) << "dark at the stop";
    EXPECT_EQ(Calls(kiv.Trace(), "OpenPrt").size(), 1u);
    EXPECT_TRUE(WaitForKivTrace("«evening» начнётся"));
    EXPECT_TRUE(kiv.CloseAndWait());
}

TEST_F(Schedule, AnEditActsAtOnceAndABrokenEditKeepsTheLastGoodSchedule) {
    CKivSession kiv(work); // the sample: nothing plays
    ASSERT_TRUE(kiv.Frame());
    EXPECT_TRUE(WaitForKivTrace("В расписании нет показов"));

    WriteSchedule(Show(ClockIn(-60), ClockIn(600))); // in force now: starts at once
    ASSERT_TRUE(WaitUntil([&] { return !Written(kiv.Trace()).empty(); }, 15s));

    WriteSchedule("[evening]\ndays = daily\nstart = 25:00\n");
    ASSERT_TRUE(WaitForKivTrace("строка 3"));
    EXPECT_TRUE(WaitForKivTrace("действует прежнее"));
    EXPECT_FALSE(Closed(kiv)) << "the show goes on under the last good schedule";
    EXPECT_FALSE(kiv.WaitForBox(1s)) << "no box while the program runs";

    WriteSchedule(Show(ClockIn(-60), ClockIn(2)));
    ASSERT_TRUE(WaitUntil([&] { return Closed(kiv); }, 15s)) << KivTrace();
    EXPECT_EQ(Written(kiv.Trace()).back(), 0u);
    EXPECT_TRUE(kiv.CloseAndWait());
}

TEST_F(Schedule, ABadFileAtLaunchIsShownWithItsLineAndNothingPlays) {
    WriteSchedule("; comment\n[evening]\ndays = someday\n");
    CKivSession kiv(work);
    HWND box = kiv.WaitForBox();
    ASSERT_TRUE(box);
    const MessageBoxInfo info = ReadMessageBox(box);
    EXPECT_NE(info.text.find(L"строка 3"), std::wstring::npos) << Narrow(info.text);
    PressButton(box, IDOK);
    EXPECT_TRUE(WaitForKivTrace("Ошибка в расписании: строка 3"));
    EXPECT_TRUE(Calls(kiv.Trace(), "OpenPrt").empty());
    EXPECT_TRUE(kiv.CloseAndWait());
}

TEST_F(Schedule, AListPlaysInTurnAndEndOfPassStopsAtTheEndOfAPass) {
    ASSERT_TRUE(WriteFileBytes(work / L"a.cmb", CmbFile({1, 2, 4})));
    ASSERT_TRUE(WriteFileBytes(work / L"b.cmb", CmbFile({8, 16, 32})));
    WriteSchedule("[list]\ndays = daily\nstart = " + ClockIn(-60) + "\nstop = " + ClockIn(4) +
                  "\npattern = a.cmb, b.cmb\npasses = 1\nat_stop = end_of_pass\n");
    CKivSession kiv(work);
    ASSERT_TRUE(kiv.Frame());
    ASSERT_TRUE(WaitForKivTrace("стоп в конце прохода", 20s));
    ASSERT_TRUE(WaitUntil([&] { return Closed(kiv); }, 15s));
    std::vector<std::uint64_t> rows; // the rows played, the dark between patterns left out
    for (std::uint64_t value : Written(kiv.Trace()))
        if (value != 0) rows.push_back(value);
    ASSERT_GE(rows.size(), 6u);
    EXPECT_EQ(std::vector<std::uint64_t>(rows.begin(), rows.begin() + 6),
              (std::vector<std::uint64_t>{1, 2, 4, 8, 16, 32}));
    EXPECT_TRUE(rows.back() == 4 || rows.back() == 32) << "a whole pass: " << rows.back();
    EXPECT_EQ(rows.size() % 3, 0u);
    EXPECT_TRUE(kiv.CloseAndWait());
}

TEST_F(Schedule, UnsavedEditsAreNeitherLostNorAskedAboutTheShownPatternPlays) {
    CKivSession kiv(work);
    ASSERT_TRUE(kiv.Frame());
    kiv.ClickCell(0, 0); // the new pattern, edited: row 1 plays 1
    ASSERT_TRUE(kiv.WaitForRowPane(1));
    WriteSchedule(Show(ClockIn(-60), ClockIn(600)));

    ASSERT_TRUE(WaitUntil([&] { return !Written(kiv.Trace()).empty(); }, 15s));
    EXPECT_EQ(Written(kiv.Trace()).front(), 1u);
    EXPECT_TRUE(WaitForKivTrace("несохранённые правки"));
    EXPECT_FALSE(kiv.WaitForBox(1s));

    PostMessageW(kiv.Frame(), WM_CLOSE, 0, 0); // the edits are still there to save
    HWND box = kiv.WaitForBox();
    ASSERT_TRUE(box);
    PressButton(box, IDNO);
    EXPECT_EQ(kiv.Process().Wait(10s), 0u);
}

} // namespace
} // namespace kivdrv
