// Runs on the real tavo.dll with its call trace: what reaches the port, in which order,
// and how Start, Stop and the run thread hand over.
#include "sequencer/run_control.h"
#include "sequencer/run_thread.h"

#include "document/kiv_doc.h"
#include "driver/files.h"
#include "driver/program.h"
#include "driver/window_find.h"
#include "port/port_library.h"
#include "view/kiv_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using namespace std::chrono_literals;
using tavo::TraceRecord;

constexpr std::uint32_t kPort = 0x378;

// A private tavo.dll tracing into a fresh folder, installed as the program's port library,
// with the start-up values a run reads.
class PortRun : public testing::Test {
protected:
    static void SetUpTestSuite() { g_evRunDone = CreateEventW(nullptr, FALSE, FALSE, nullptr); }
    static void TearDownTestSuite() { CloseHandle(std::exchange(g_evRunDone, nullptr)); }

    void SetUp() override {
        const kivdrv::CScopedEnv lpt(L"TAVO_LPT", L"378,0,0");
        const kivdrv::CScopedEnv trace(L"TAVO_TRACE", m_trace.wstring());
        m_library.Reset(LoadLibraryW((kivdrv::ProgramFolder() + L"tavo.dll").c_str()));
        ASSERT_TRUE(m_library);
        g_hPortLib = m_library.Get();
        g_nPortAddress = kPort;
        g_nLptCount = 1;
        g_nDelay = 10;
        g_bStop = 0;
    }
    void TearDown() override {
        run.Stop();
        g_hPortLib = nullptr;
    }

    std::vector<TraceRecord> Trace() const {
        return kivdrv::ReadTrace(m_trace).value_or(std::vector<TraceRecord>{});
    }
    static std::vector<TraceRecord> Writes(const std::vector<TraceRecord>& trace) {
        std::vector<TraceRecord> writes;
        std::ranges::copy_if(trace, std::back_inserter(writes),
                             [](const TraceRecord& r) { return r.call == "W_P"; });
        return writes;
    }
    static std::vector<std::uint64_t> Values(const std::vector<TraceRecord>& writes) {
        std::vector<std::uint64_t> values;
        for (const auto& w : writes)
            values.push_back(w.args.at(1));
        return values;
    }
    bool WaitForWrites(std::size_t n) {
        return kivdrv::WaitUntil([&] { return Writes(Trace()).size() >= n; }, 30s);
    }

    // One whole run: OpenPrt first, then only writes to its handle, ClosePrt last.
    static void ExpectOneRun(const std::vector<TraceRecord>& trace) {
        ASSERT_GE(trace.size(), 3u);
        const TraceRecord& open = trace.front();
        ASSERT_EQ(open.call, "OpenPrt");
        EXPECT_EQ(open.args, (std::vector<std::uint64_t>{kPort, 1, 1}));
        const std::uint64_t handle = open.results.at(0);
        for (std::size_t i = 1; i + 1 < trace.size(); ++i) {
            EXPECT_EQ(trace[i].call, "W_P") << i;
            EXPECT_EQ(trace[i].args.at(0), handle) << i;
            EXPECT_EQ(trace[i].args.at(2), 0u) << i;
        }
        EXPECT_EQ(trace.back().call, "ClosePrt");
        EXPECT_EQ(trace.back().args, std::vector<std::uint64_t>{handle});
    }

    kivdrv::CTempDir m_dir;
    std::filesystem::path m_trace = m_dir / "trace.txt";
    CPortLibrary m_library;
    CRunControl run;
};

TEST_F(PortRun, StopDuringAPauseWritesTheNextRowThenZero) {
    g_nDelay = 300;
    ASSERT_TRUE(run.Start({1, 2, 4}));
    EXPECT_TRUE(run.IsRunning());
    ASSERT_TRUE(WaitForWrites(1));
    run.Stop(); // well inside the first pause
    EXPECT_FALSE(run.IsRunning());
    EXPECT_EQ(g_bStop.load(), 0) << "the thread took the request down";

    const auto trace = Trace(); // complete: Stop returned after ClosePrt
    ExpectOneRun(trace);
    const auto writes = Writes(trace);
    EXPECT_EQ(Values(writes), (std::vector<std::uint64_t>{1, 2, 0}));
    // The pause was not cut short by the request.
    EXPECT_GE(writes[1].micros - writes[0].micros, 250'000u);
}

TEST_F(PortRun, RowsPlayInOrderRoundAndRound) {
    ASSERT_TRUE(run.Start({1, 2, 3}));
    ASSERT_TRUE(WaitForWrites(8));
    run.Stop();
    const auto trace = Trace();
    ExpectOneRun(trace);
    const auto values = Values(Writes(trace));
    ASSERT_GE(values.size(), 9u);
    for (std::size_t i = 0; i + 1 < values.size(); ++i)
        EXPECT_EQ(values[i], i % 3 + 1) << i;
    EXPECT_EQ(values.back(), 0u);
}

TEST_F(PortRun, AOneRowPatternWritesItsByteAfterEveryPause) {
    ASSERT_TRUE(run.Start({0x81}));
    ASSERT_TRUE(WaitForWrites(5));
    run.Stop();
    const auto trace = Trace();
    ExpectOneRun(trace);
    auto values = Values(Writes(trace));
    EXPECT_EQ(values.back(), 0u);
    values.pop_back();
    EXPECT_GE(values.size(), 5u);
    EXPECT_EQ(std::ranges::count(values, 0x81u), static_cast<std::ptrdiff_t>(values.size()));
}

TEST_F(PortRun, AStopAlreadyRequestedWritesRowZeroOnceThenZero) {
    // The thread procedure on this thread, as if Stop came before the first write.
    g_bStop = 1;
    ResetEvent(g_evRunDone);
    EXPECT_EQ(RunThreadProc(new CRunJob{{9, 5}}), 0u);
    EXPECT_EQ(g_bStop.load(), 0);
    EXPECT_EQ(WaitForSingleObject(g_evRunDone, 0), WAIT_OBJECT_0) << "signalled at the end";
    EXPECT_EQ(WaitForSingleObject(g_evRunDone, 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "auto-reset: one wait takes the signal";
    const auto trace = Trace();
    ExpectOneRun(trace);
    EXPECT_EQ(Values(Writes(trace)), (std::vector<std::uint64_t>{9, 0}));
}

TEST_F(PortRun, AnEmptyPatternWritesNothingUntilStopThenZero) {
    ASSERT_TRUE(run.Start({}));
    Sleep(50); // some idle checks go by
    EXPECT_TRUE(run.IsRunning());
    run.Stop();
    EXPECT_FALSE(run.IsRunning());
    EXPECT_EQ(g_bStop.load(), 0);
    const auto trace = Trace();
    ExpectOneRun(trace);
    EXPECT_EQ(Values(Writes(trace)), std::vector<std::uint64_t>{0});

    // A null job plays the same way.
    g_bStop = 1;
    EXPECT_EQ(RunThreadProc(nullptr), 0u);
    EXPECT_EQ(Values(Writes(Trace())), (std::vector<std::uint64_t>{0, 0}));
}

TEST_F(PortRun, ANewSpeedTakesEffectAtTheNextPause) {
    g_nDelay = 300;
    ASSERT_TRUE(run.Start({1, 2}));
    ASSERT_TRUE(WaitForWrites(1));
    g_nDelay = 10; // during the first pause
    ASSERT_TRUE(WaitForWrites(8));
    run.Stop();
    const auto writes = Writes(Trace());
    ASSERT_GE(writes.size(), 8u);
    const auto first = writes[1].micros - writes[0].micros;
    const auto nextSix = writes[7].micros - writes[1].micros;
    EXPECT_GE(first, 250'000u) << "the pause under way keeps its length";
    EXPECT_LT(nextSix, first) << "six pauses at the new speed, shorter than one old one";
}

TEST_F(PortRun, ADelayOutsideTheSlidersRangeIsHeldToIt) {
    g_nDelay = 0;
    ASSERT_TRUE(run.Start({1, 2}));
    ASSERT_TRUE(WaitForWrites(4));
    run.Stop();
    const auto writes = Writes(Trace());
    ASSERT_GE(writes.size(), 4u);
    // Every row has its own deadline 10 ms after the one before.
    EXPECT_GE(writes[3].micros - writes[0].micros, 29'000u);
}

TEST_F(PortRun, StartDropsAStaleRequestAndRefusesASecondRun) {
    g_bStop = 1; // left over, e.g. from a run that ended on its own
    ASSERT_TRUE(run.Start({7}));
    ASSERT_TRUE(WaitForWrites(3)) << "the new run was not ended by the old request";
    const auto second = run.Start({8});
    EXPECT_EQ(second.status, RunStart::AlreadyRunning);
    EXPECT_TRUE(RunStartMessage(second).empty());
    run.Stop();
    run.Stop(); // idle: nothing more happens
    const auto trace = Trace();
    ExpectOneRun(trace);
    EXPECT_EQ(std::ranges::count(Values(Writes(trace)), 8u), 0);
}

TEST_F(PortRun, TheOwnerStopsARunWhenItGoes) {
    {
        CRunControl owner;
        ASSERT_TRUE(owner.Start({3}));
        ASSERT_TRUE(WaitForWrites(1));
    }
    const auto trace = Trace();
    ExpectOneRun(trace);
    EXPECT_EQ(Values(Writes(trace)).back(), 0u) << "the lines are left off";
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
    EXPECT_TRUE(Trace().empty());
}

TEST_F(PortRun, StartRunPlaysTheViewsPatternAsItWasAtStart) {
    CKIVDoc doc;
    doc.m_bAutoDelete = false;
    CKIVView view;
    doc.AddView(&view);
    doc.m_arrRows = {KIV_ROW{{1, 0, 0, 1, 0, 0, 0, 0}}, KIV_ROW{{0, 0, 0, 0, 0, 0, 0, 1}}};
    g_nRowCount = 2;
    g_nDelay = 300;
    ASSERT_TRUE(StartRun(run, view, nullptr));
    EXPECT_EQ(g_pRunView.load(), &view);
    doc.m_arrRows[1][0] = 1; // an edit during the run
    doc.m_arrRows.clear();
    ASSERT_TRUE(WaitForWrites(2));
    run.Stop(); // during the second pause: row 0 once more, then 0
    EXPECT_EQ(Values(Writes(Trace())), (std::vector<std::uint64_t>{9, 128, 9, 0}));
    g_pRunView = nullptr;
}

} // namespace
