#include "sequencer/run_thread.h"

#include <algorithm>
#include <memory>

#include "app/globals.h"
#include "port/port_library.h"
#include "sequencer/pause_clock.h"

// The run hand-over, owned here.
std::atomic<CKIVView*> g_pRunView{nullptr};
std::atomic<int> g_bStop{0};

namespace {

// The stop request, obeyed: true once, and the flag is down again.
bool TakeStopRequest() {
    if (g_bStop.load() == 0) return false;
    g_bStop = 0;
    return true;
}

// The slider keeps the delay within 10..300 ms; a value from elsewhere is held there too,
// so that a 0 cannot turn the run into a loop that floods the port without a pause.
int Pause() {
    return std::clamp(g_nDelay.load(), kMinDelayMs, kMaxDelayMs);
}

void PlayRows(const ByteTable& table, const PortRunExports& port, std::uint32_t handle,
              CPauseClock& clock) {
    clock.Restart();
    for (std::size_t row = 0;; row = row + 1 == table.size() ? 0 : row + 1) {
        port.W_P(handle, table[row], 0);
        if (TakeStopRequest()) return;
        clock.WaitNext(Pause());
    }
}

// Nothing to write: wait for the request all the same, so Stop and the close of the
// program do not wait for ever.
void WaitForStop(CPauseClock& clock) {
    clock.Restart();
    while (!TakeStopRequest())
        clock.WaitNext(kIdleStopCheckMs);
}

void Play(std::unique_ptr<CRunJob> job) {
    // Looked up afresh for every run. Start has checked them on the user-interface
    // thread; if they are gone all the same, there is no port to open and nothing to play.
    const auto port = FindRunExports(g_hPortLib);
    if (!port) return;
    CPauseClock clock;
    const std::uint32_t handle = port->OpenPrt(g_nPortAddress, 1, g_nLptCount);
    if (job && !job->table.empty())
        PlayRows(job->table, *port, handle, clock);
    else
        WaitForStop(clock);
    job.reset();
    port->W_P(handle, 0, 0);
    port->ClosePrt(handle);
}

} // namespace

unsigned __stdcall RunThreadProc(void* param) {
    std::unique_ptr<CRunJob> job(static_cast<CRunJob*>(param));
    if (g_evRunDone) ResetEvent(g_evRunDone);
    try {
        Play(std::move(job));
    } catch (...) {
        // Nobody to tell: the run simply ends, and Stop still finds it ended.
    }
    if (g_evRunDone) SetEvent(g_evRunDone);
    return 0;
}
