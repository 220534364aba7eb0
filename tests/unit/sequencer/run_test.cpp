// The run thread and the run control. What the thread writes is checked on a fake port and
// a fake clock that counts the pauses, so nothing depends on how fast the machine is; Start
// and Stop run real threads on tavo.dll with its call trace.
#include "sequencer/run_control.h"
#include "sequencer/run_thread.h"

#include "driver/files.h"
#include "driver/program.h"
#include "driver/window_find.h"
#include "view/kiv_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>

namespace {

using namespace std::chrono_literals;
using Log = std::vector<std::string>;

constexpr std::uint32_t kPort = 0x378;

// --- the thread on a fake port and clock ----------------------------------------------

constexpr std::uint32_t kHandle = 42;
Log g_port; // the fake port's calls, in order

std::uint32_t FakeOpenPrt(std::uint32_t address, std::uint32_t arg2, std::uint32_t count) {
    g_port.push_back("open " + std::to_string(address) + ' ' + std::to_string(arg2) + ' ' +
                     std::to_string(count));
    return kHandle;
}
void FakeW_P(std::uint32_t handle, std::uint32_t value, std::uint32_t arg3) {
    g_port.push_back(handle == kHandle && arg3 == 0 ? std::to_string(value) : "stray W_P");
}
void FakeClosePrt(std::uint32_t handle) {
    g_port.push_back(handle == kHandle ? "close" : "stray ClosePrt");
}

// Records each pause asked for, then calls `onPause` with its number (0 first): the
// moment a Stop or a new speed arrives "during" that pause.
class CFakeClock final : public CRunClock {
public:
    CFakeClock(std::vector<int>& pauses, std::function<void(std::size_t)> onPause)
        : m_pauses(pauses), m_onPause(std::move(onPause)) {}
    void Restart() override {}
    void WaitNext(int ms) override {
        m_pauses.push_back(ms);
        m_onPause(m_pauses.size() - 1);
    }

private:
    std::vector<int>& m_pauses;
    std::function<void(std::size_t)> m_onPause;
};

std::function<void(std::size_t)> StopAt(std::size_t pause) {
    return [pause](std::size_t n) {
        if (n == pause) g_bStop = 1;
    };
}

class FakeRun : public testing::Test {
protected:
    void SetUp() override {
        g_port.clear();
        g_bStop = 0;
        g_nDelay = 10;
    }
    void TearDown() override { CloseHandle(m_done); }

    // The thread procedure on this thread; the pauses it asked for.
    std::vector<int> Play(ByteTable table, std::function<void(std::size_t)> onPause,
                          CRunProgress* progress = nullptr, std::int64_t startAtUtc = 0) {
        std::vector<int> pauses;
        auto job = std::make_unique<CRunJob>(
            CRunJob{std::move(table),
                    {FakeOpenPrt, FakeW_P, FakeClosePrt},
                    kPort,
                    1,
                    m_done,
                    std::make_unique<CFakeClock>(pauses, std::move(onPause)),
                    progress,
                    startAtUtc});
        EXPECT_EQ(RunThreadProc(job.release()), 0u);
        EXPECT_EQ(g_bStop.load(), 0) << "the request is taken down";
        EXPECT_EQ(WaitForSingleObject(m_done, 0), WAIT_OBJECT_0) << "signalled at the end";
        return pauses;
    }

    const HANDLE m_done = CreateEventW(nullptr, FALSE, TRUE, nullptr); // reset by the run
};

TEST_F(FakeRun, StopDuringAPauseEndsItThenWritesTheNextRowAndZero) {
    g_nDelay = 300;
    EXPECT_EQ(Play({1, 2, 4}, StopAt(0)), std::vector<int>{300});
    EXPECT_EQ(g_port, (Log{"open 888 1 1", "1", "2", "0", "close"}));
}

TEST_F(FakeRun, EndsByItselfAfterItsPassesOrAtTheEndOfThePassAsked) {
    CRunProgress limited;
    limited.passLimit = 2;
    Play(
        {1, 2}, [](std::size_t) {}, &limited);
    EXPECT_EQ(g_port, (Log{"open 888 1 1", "1", "2", "1", "2", "0", "close"}));
    EXPECT_TRUE(limited.endedByItself);
    EXPECT_EQ(limited.passes, 2u);

    g_port.clear();
    CRunProgress late; // its stop time long past: the row on the lines has its pause, then 0
    late.stopAtUtc = 1;
    Play(
        {1, 2}, [](std::size_t) {}, &late);
    EXPECT_EQ(g_port, (Log{"open 888 1 1", "1", "0", "close"}));

    g_port.clear();
    CRunProgress asked; // raised during the second row of the second pass
    Play(
        {1, 2, 4},
        [&](std::size_t n) {
            if (n == 4) asked.stopAtPassEnd = true;
        },
        &asked);
    EXPECT_EQ(g_port, (Log{"open 888 1 1", "1", "2", "4", "1", "2", "4", "0", "close"}));
    EXPECT_TRUE(asked.endedByItself);
}

TEST_F(FakeRun, AStopBeforeAScheduledStartEndsTheRunWithoutARow) {
    g_bStop = 1;
    EXPECT_TRUE(Play(
                    {1, 2}, [](std::size_t) {}, nullptr, 1)
                    .empty());
    EXPECT_EQ(g_port, (Log{"open 888 1 1", "0", "close"}));
}

TEST_F(FakeRun, RowsPlayInOrderRoundAndRound) {
    EXPECT_EQ(Play({1, 2, 3}, StopAt(6)), std::vector<int>(7, 10));
    EXPECT_EQ(g_port, (Log{"open 888 1 1", "1", "2", "3", "1", "2", "3", "1", "2", "0", "close"}));
    g_port.clear();
    Play({0x81}, StopAt(2)); // one row: written again after every pause
    EXPECT_EQ(g_port, (Log{"open 888 1 1", "129", "129", "129", "129", "0", "close"}));
}

TEST_F(FakeRun, EachPauseTakesTheSpeedOfItsMomentHeldToTheSlidersRange) {
    g_nDelay = 300;
    const int next[] = {10, 0, 1000};
    const auto pauses = Play({1, 2}, [&](std::size_t n) {
        if (n < std::size(next))
            g_nDelay = next[n];
        else
            g_bStop = 1;
    });
    EXPECT_EQ(pauses, (std::vector<int>{300, 10, 10, 300})); // the slider's ends
}

TEST_F(FakeRun, AStopAlreadyRequestedWritesRowZeroOnceThenZero) {
    g_bStop = 1;
    EXPECT_TRUE(Play({9, 5}, StopAt(0)).empty());
    EXPECT_EQ(g_port, (Log{"open 888 1 1", "9", "0", "close"}));
    EXPECT_EQ(WaitForSingleObject(m_done, 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "auto-reset: one wait takes the signal";
}

TEST_F(FakeRun, AnEmptyPatternWritesNothingUntilStopThenZero) {
    EXPECT_EQ(Play({}, StopAt(2)), std::vector<int>(3, kIdleStopCheckMs));
    EXPECT_EQ(g_port, (Log{"open 888 1 1", "0", "close"}));
}

TEST_F(FakeRun, ARunEndedByAnExceptionStillLeavesThePortOffAndClosed) {
    Play({1, 2}, [](std::size_t n) {
        if (n == 1) throw std::runtime_error("clock failed");
    });
    EXPECT_EQ(g_port, (Log{"open 888 1 1", "1", "2", "0", "close"}));
}

// --- Start and Stop on real threads and tavo.dll ----------------------------------------

// tavo.dll tracing into one file for the suite, installed as the program's port library,
// with the start-up values a run reads; each test sees the calls made since it began.
class PortRun : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<kivdrv::CTempDir>();
        const kivdrv::CScopedEnv lpt(L"TAVO_LPT", L"378,0,0");
        const kivdrv::CScopedEnv trace(L"TAVO_TRACE", Path().wstring());
        const kivdrv::CScopedEnv lamps(L"TAVO_LAMPS", L"0");
        g_hPortLib = LoadLibraryW((kivdrv::ProgramFolder() + L"tavo.dll").c_str());
        g_evRunDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }
    static void TearDownTestSuite() {
        CloseHandle(std::exchange(g_evRunDone, nullptr));
        FreeLibrary(std::exchange(g_hPortLib, nullptr));
        s_dir.reset();
    }
    static std::filesystem::path Path() { return *s_dir / "trace.txt"; }

    void SetUp() override {
        ASSERT_TRUE(g_hPortLib);
        m_library = g_hPortLib;
        m_seen = AllCalls().size();
        g_nPortAddress = kPort;
        g_nLptCount = 1;
        g_nDelay = 10;
    }
    void TearDown() override {
        run.Stop();
        g_hPortLib = m_library;
    }

    // The port calls of the trace, without the library's notes.
    static std::vector<tavo::TraceRecord> AllCalls() {
        auto all = kivdrv::ReadTrace(Path()).value_or(std::vector<tavo::TraceRecord>{});
        std::erase_if(all, [](const tavo::TraceRecord& r) { return r.call == "note"; });
        return all;
    }
    // This test's calls: "OpenPrt address arg2 count", the values written, "ClosePrt".
    Log Calls() const {
        const auto all = AllCalls();
        Log calls;
        for (std::size_t i = m_seen; i < all.size(); ++i) {
            const auto& r = all[i];
            std::string text = r.call == "W_P" ? std::to_string(r.args.at(1)) : r.call;
            if (r.call == "OpenPrt")
                for (const auto arg : r.args)
                    text += ' ' + std::to_string(arg);
            calls.push_back(text);
        }
        return calls;
    }
    bool WaitForCalls(std::size_t n) {
        return kivdrv::WaitUntil([&] { return Calls().size() >= n; }, 30s);
    }

    static inline std::unique_ptr<kivdrv::CTempDir> s_dir;
    HMODULE m_library = nullptr;
    std::size_t m_seen = 0;
    CRunControl run;
};

TEST_F(PortRun, StartHandsTheThreadItsPortAndRefusesASecondRun) {
    g_bStop = 1; // left over, e.g. from a run that ended on its own
    ASSERT_TRUE(run.Start({7}));
    // The thread has its own copy of these: changing them now does not reach it.
    g_nPortAddress = 0x278;
    g_nLptCount = 3;
    ASSERT_TRUE(WaitForCalls(3)) << "the new run was not ended by the old request";
    const auto second = run.Start({8});
    EXPECT_EQ(second.status, RunStart::AlreadyRunning);
    EXPECT_TRUE(RunStartMessage(second).empty());
    run.Stop();
    EXPECT_FALSE(run.IsRunning());
    run.Stop(); // idle: nothing more happens
    const Log calls = Calls();
    EXPECT_EQ(calls.front(), "OpenPrt 888 1 1");
    EXPECT_EQ(std::count(calls.begin() + 1, calls.end() - 2, "7"), std::ssize(calls) - 3);
    EXPECT_EQ(Log(calls.end() - 2, calls.end()), (Log{"0", "ClosePrt"}));
}

TEST_F(PortRun, TheOwnerStopsARunWhenItGoes) {
    {
        CRunControl owner;
        ASSERT_TRUE(owner.Start({3}));
        ASSERT_TRUE(WaitForCalls(2));
    }
    const Log calls = Calls();
    EXPECT_EQ(Log(calls.end() - 2, calls.end()), (Log{"0", "ClosePrt"}))
        << "the lines are left off";
}

TEST_F(PortRun, NoRunWithoutTheLibraryOrItsExports) {
    g_hPortLib = nullptr;
    const auto none = run.Start({1});
    EXPECT_EQ(none.status, RunStart::NoPortLibrary);
    EXPECT_EQ(RunStartMessage(none), L"Библиотека TAVO.DLL не загружена.\nЗапуск невозможен.");

    g_hPortLib = GetModuleHandleW(L"kernel32.dll"); // a library without the port exports
    const auto missing = run.Start({1});
    EXPECT_EQ(missing.status, RunStart::MissingExport);
    EXPECT_EQ(RunStartMessage(missing),
              L"В библиотеке TAVO.DLL нет функции OpenPrt.\nЗапуск невозможен.");

    EXPECT_FALSE(run.IsRunning());
    EXPECT_TRUE(Calls().empty());
}

TEST_F(PortRun, StartRunRecordsThePlayedView) {
    CKIVView view;
    ASSERT_TRUE(StartRun(run, view, {9}, nullptr));
    EXPECT_EQ(g_pRunView.load(), &view);
    ASSERT_TRUE(WaitForCalls(2));
    run.Stop();
    EXPECT_EQ(Calls().at(1), "9");
    g_pRunView = nullptr;
}

} // namespace
