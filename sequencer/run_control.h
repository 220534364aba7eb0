// Run control for the main frame: Start hands a byte table to a new run thread, Stop asks
// the thread to end and returns once it has turned the lines off, closed the port and
// ended. One run at a time; the control owns the thread and never lets it outlive itself.
#pragma once

#include <windows.h>

#include <string>

#include "app/globals.h"
#include "sequencer/byte_table.h"
#include "sequencer/run_thread.h"

enum class RunStart {
    Started,
    AlreadyRunning, // nothing changed: the running run goes on
    NoPortLibrary,  // g_hPortLib is null
    MissingExport,  // the library lacks OpenPrt, W_P or ClosePrt
    NoThread,       // the thread could not be created
};

struct RunStartResult {
    RunStart status = RunStart::Started;
    const char* missingExport = nullptr; // with MissingExport: which one
    DWORD error = 0;                     // with NoThread: the system's reason

    explicit operator bool() const { return status == RunStart::Started; }
};

class CRunControl {
public:
    CRunControl() = default;
    ~CRunControl() { Stop(); }
    CRunControl(const CRunControl&) = delete;
    CRunControl& operator=(const CRunControl&) = delete;

    // Starts the run thread on `table` at normal priority. A stop request left over from
    // before is dropped first, so it cannot end the new run at once. The port library's
    // exports are looked up here, where a refusal can still be shown, and handed to the
    // thread with the port address, the port count and g_evRunDone.
    RunStartResult Start(ByteTable table);

    // Asks the run to end and waits, without a time limit, until the thread has written
    // 0, closed the port, signalled g_evRunDone and ended. Nothing happens when idle.
    void Stop();

    bool IsRunning() const { return m_thread != nullptr; }

    // The next Start (only that one) ends by itself after `passes` whole passes.
    void SetNextPassLimit(std::uint64_t passes) { m_nextPassLimit = passes; }
    // The next Start (only that one) writes its first row at this UTC time (FILETIME units).
    void SetNextStartAt(std::int64_t utc) { m_nextStartAt = utc; }
    // The run ends by itself at the first row boundary from this UTC time on (0: never).
    void SetStopAt(std::int64_t utc) { m_progress.stopAtUtc = utc; }
    // The run ends by itself when its current pass ends.
    void StopAtPassEnd() { m_progress.stopAtPassEnd = true; }
    // A run that ended by itself posts `message` to `window` (null: tells nobody); the frame
    // still performs Stop, which joins the thread.
    void SetEndNotify(HWND window, UINT message) {
        m_progress.notify = window;
        m_progress.message = message;
    }
    bool EndedByItself() const { return m_progress.endedByItself.load(); }
    bool StopTimeCame() const {
        const std::int64_t at = m_progress.stopAtUtc.load();
        return at != 0 && UtcNow() >= at;
    }
    // The row of the run's table on the lines (0-based); meaningful while running.
    std::size_t PlayedRow() const { return m_progress.row.load(std::memory_order_relaxed); }

private:
    HANDLE m_thread = nullptr;
    CRunProgress m_progress;
    std::uint64_t m_nextPassLimit = 0;
    std::int64_t m_nextStartAt = 0;
};

// The Russian text that explains a refused start; empty for Started and AlreadyRunning,
// which need no message.
std::wstring RunStartMessage(const RunStartResult& result);

// Shows RunStartMessage in a message box owned by `owner`, if there is anything to say.
void ReportRunStart(HWND owner, const RunStartResult& result);

// The frame's Start in one call: records `view` as the played view, starts the run on
// `table` and reports a refusal to the user. True when the run started.
bool StartRun(CRunControl& run, CKIVView& view, ByteTable table, HWND owner);
