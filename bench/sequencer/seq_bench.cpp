// How true to the millisecond a run keeps its pauses: 300 rows (or the count given as the
// argument) at 10 ms and at 145 ms, played by the run thread on the traced tavo.dll; the
// periods come from the trace's timestamps. A plain Sleep loop over the same port calls is
// measured beside it. For a busy machine, start the load around it (README).
#include "driver/files.h"
#include "driver/program.h"
#include "port/port_library.h"
#include "sequencer/pause_clock.h"
#include "sequencer/run_control.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

int g_rows = 300; // rows per measurement

struct Figures {
    double meanMs = 0, errorPercent = 0, driftMs = 0, minMs = 0, maxMs = 0;
    double p99Ms = 0;  // 99th percentile of |period - delay|
    int shortRows = 0; // periods under 90 % of the delay
};

// The write times of the first g_rows + 1 writes, in microseconds.
std::vector<double> WriteTimes(const std::filesystem::path& trace) {
    std::vector<double> times;
    for (const auto& r : kivdrv::ReadTrace(trace).value_or(std::vector<tavo::TraceRecord>{}))
        if (r.call == "W_P" && std::cmp_less(times.size(), g_rows + 1))
            times.push_back(static_cast<double>(r.micros));
    return times;
}

Figures Measure(const std::vector<double>& times, int delay) {
    Figures f;
    if (std::cmp_less(times.size(), g_rows + 1)) return f;
    f.minMs = 1e9;
    std::vector<double> off;
    for (int i = 1; i <= g_rows; ++i) {
        const double period = (times[i] - times[i - 1]) / 1000.0;
        f.minMs = std::min(f.minMs, period);
        f.maxMs = std::max(f.maxMs, period);
        f.shortRows += period < delay * 0.9;
        off.push_back(std::abs(period - delay));
    }
    std::ranges::sort(off);
    f.p99Ms = off[off.size() * 99 / 100];
    const double total = (times[g_rows] - times[0]) / 1000.0;
    f.meanMs = total / g_rows;
    f.errorPercent = (f.meanMs - delay) * 100.0 / delay;
    f.driftMs = total - static_cast<double>(g_rows) * delay;
    return f;
}

// tavo.dll loaded afresh, tracing into `trace`, as the program's port library. No lamp
// panel: its thread would keep the library, and its trace file, loaded between runs.
CPortLibrary LoadTracing(const std::filesystem::path& trace) {
    const kivdrv::CScopedEnv lpt(L"TAVO_LPT", L"378,0,0");
    const kivdrv::CScopedEnv lamps(L"TAVO_LAMPS", L"0");
    const kivdrv::CScopedEnv env(L"TAVO_TRACE", trace.wstring());
    CPortLibrary library(LoadLibraryW((kivdrv::ProgramFolder() + L"tavo.dll").c_str()));
    g_hPortLib = library.Get();
    return library;
}

std::vector<double> PlayRun(const std::filesystem::path& trace, int delay) {
    const CPortLibrary library = LoadTracing(trace);
    ByteTable table(g_rows + 1);
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<std::uint8_t>(i);
    g_nDelay = delay;
    CRunControl run;
    if (!run.Start(std::move(table))) return {};
    // Not a look at the trace until the rows should be out, so the bench does not disturb
    // the run.
    Sleep(static_cast<DWORD>(g_rows * delay + 500));
    for (int waited = 0;
         std::cmp_less_equal(WriteTimes(trace).size(), g_rows) && waited < g_rows * delay;
         waited += 250)
        Sleep(250);
    run.Stop();
    g_hPortLib = nullptr;
    return WriteTimes(trace);
}

// The run thread's own loop outside the thread: write, then pause with `wait`.
template <typename Begin, typename Wait>
std::vector<double> Loop(const std::filesystem::path& trace, int delay, Begin&& begin,
                         Wait&& wait) {
    const CPortLibrary library = LoadTracing(trace);
    const auto port = FindRunExports(library.Get());
    if (!port) return {};
    const auto handle = port->OpenPrt(0x378, 1, 1);
    begin();
    for (int i = 0; i <= g_rows; ++i) {
        port->W_P(handle, static_cast<std::uint32_t>(i), 0);
        wait(delay);
    }
    port->W_P(handle, 0, 0);
    port->ClosePrt(handle);
    g_hPortLib = nullptr;
    return WriteTimes(trace);
}

std::vector<double> ClockLoop(const std::filesystem::path& trace, int delay,
                              CPauseClock::Kind kind) {
    CPauseClock clock(kind);
    return Loop(
        trace, delay, [&] { clock.Restart(); }, [&](int ms) { clock.WaitNext(ms); });
}

std::vector<double> SleepLoop(const std::filesystem::path& trace, int delay) {
    return Loop(
        trace, delay, [] {}, [](int ms) { Sleep(static_cast<DWORD>(ms)); });
}

void Print(const char* what, int delay, const Figures& f) {
    std::printf("%-17s %3d ms: mean %.4f ms (%+.3f %%), shortest %.3f ms, %d under 90 %%, "
                "longest %.3f ms, drift %+.2f ms over %d rows, 99 %% within %.3f ms\n",
                what, delay, f.meanMs, f.errorPercent, f.minMs, f.shortRows, f.maxMs, f.driftMs,
                g_rows, f.p99Ms);
}

const char* KindName(CPauseClock::Kind kind) {
    switch (kind) {
    case CPauseClock::Kind::HighResolution:
        return "high-resolution waitable timer";
    case CPauseClock::Kind::Normal:
        return "waitable timer, system timer at 1 ms";
    case CPauseClock::Kind::Sleep:
        break;
    }
    return "Sleep, system timer at 1 ms";
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1) g_rows = std::max(std::atoi(argv[1]), 10);
    g_evRunDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    g_nPortAddress = 0x378;
    g_nLptCount = 1;
    std::printf("pauses on: %s\n", KindName(CPauseClock().TimerKind()));
    kivdrv::CTempDir dir;
    int n = 0;
    for (const int delay : {10, 145}) {
        const auto name = [&] { return dir / ("trace" + std::to_string(n++) + ".txt"); };
        Print("run thread", delay, Measure(PlayRun(name(), delay), delay));
        Print("timer", delay, Measure(ClockLoop(name(), delay, CPauseClock::Kind::Normal), delay));
        Print("Sleep to deadline", delay,
              Measure(ClockLoop(name(), delay, CPauseClock::Kind::Sleep), delay));
        Print("plain Sleep", delay, Measure(SleepLoop(name(), delay), delay));
    }
    CloseHandle(g_evRunDone);
    return 0;
}
