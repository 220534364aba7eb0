#include "sequencer/run_thread.h"

#include <algorithm>

#include "app/globals.h"

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

// The open port: all lines off and closed when it goes, however the run ends.
class COpenPort {
public:
    COpenPort(const PortRunExports& port, std::uint32_t address, std::uint32_t count)
        : m_port(port), m_handle(port.OpenPrt(address, 1, count)) {}
    ~COpenPort() {
        m_port.W_P(m_handle, 0, 0);
        m_port.ClosePrt(m_handle);
    }
    COpenPort(const COpenPort&) = delete;
    COpenPort& operator=(const COpenPort&) = delete;

    void Write(std::uint8_t byte) const { m_port.W_P(m_handle, byte, 0); }

private:
    PortRunExports m_port;
    std::uint32_t m_handle;
};

// A pass has ended (the last row had its pause): true when the run should end here.
bool PassEnds(CRunProgress& progress) {
    const std::uint64_t done = ++progress.passes;
    const std::uint64_t limit = progress.passLimit.load();
    if (!progress.stopAtPassEnd.load() && (limit == 0 || done < limit)) return false;
    progress.endedByItself = true;
    return true;
}

// A scheduled stop darkens at the end of the row on the lines, however late its Stop comes.
bool StopTimeCame(CRunProgress& progress) {
    const std::int64_t at = progress.stopAtUtc.load();
    if (at == 0 || UtcNow() < at) return false;
    progress.endedByItself = true;
    return true;
}

void PlayRows(const ByteTable& table, const COpenPort& port, CRunClock& clock,
              CRunProgress* progress) {
    clock.Restart();
    for (std::size_t row = 0;; row = row + 1 == table.size() ? 0 : row + 1) {
        if (progress) progress->row.store(row, std::memory_order_relaxed);
        port.Write(table[row]);
        if (TakeStopRequest()) return;
        clock.WaitNext(Pause());
        if (progress && row + 1 == table.size() && PassEnds(*progress)) return;
        if (progress && StopTimeCame(*progress)) return;
    }
}

// Nothing to write: wait for the request all the same, so Stop and the close of the
// program do not wait for ever.
void WaitForStop(CRunClock& clock) {
    clock.Restart();
    while (!TakeStopRequest())
        clock.WaitNext(kIdleStopCheckMs);
}

void Play(std::unique_ptr<CRunJob> job) {
    if (!job->port.OpenPrt || !job->port.W_P || !job->port.ClosePrt) return;
    const std::unique_ptr<CRunClock> clock =
        job->clock ? std::move(job->clock) : std::make_unique<CPauseClock>();
    const COpenPort port(job->port, job->portAddress, job->portCount);
    // A scheduled start: the port is open and the table built, so the first row is on the
    // lines at its time; a Stop before it ends the run without one.
    if (job->startAtUtc && !clock->WaitUntilUtc(job->startAtUtc, TakeStopRequest)) return;
    if (job->table.empty())
        WaitForStop(*clock);
    else
        PlayRows(job->table, port, *clock, job->progress);
    job.reset(); // the table goes before the lines are turned off
}

} // namespace

unsigned __stdcall RunThreadProc(void* param) {
    std::unique_ptr<CRunJob> job(static_cast<CRunJob*>(param));
    if (!job) return 0;
    const HANDLE done = job->done;
    CRunProgress* const progress = job->progress;
    if (done) ResetEvent(done);
    try {
        Play(std::move(job));
    } catch (...) {
        // Nobody to tell: the run simply ends, and Stop still finds it ended.
    }
    if (done) SetEvent(done);
    // Whoever waits for a pass end learns of it; Stop still joins the thread as ever.
    if (progress && progress->endedByItself && progress->notify)
        PostMessageW(progress->notify, progress->message, 0, 0);
    return 0;
}
