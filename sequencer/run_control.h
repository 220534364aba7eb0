// Run control for the main frame: Start hands a byte table to a new run thread, Stop asks
// the thread to end and returns once it has turned the lines off, closed the port and
// ended. One run at a time; the control owns the thread and never lets it outlive itself.
#pragma once

#include <windows.h>

#include <string>

#include "app/globals.h"
#include "sequencer/byte_table.h"

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
    // before is dropped first, so it cannot end the new run at once. The port library is
    // checked here, where a refusal can still be shown; no thread starts without it.
    RunStartResult Start(ByteTable table);

    // Asks the run to end and waits, without a time limit, until the thread has written
    // 0, closed the port, signalled g_evRunDone and ended. Nothing happens when idle.
    void Stop();

    bool IsRunning() const { return m_thread != nullptr; }

private:
    HANDLE m_thread = nullptr;
};

// The Russian text that explains a refused start; empty for Started and AlreadyRunning,
// which need no message.
std::wstring RunStartMessage(const RunStartResult& result);

// Shows RunStartMessage in a message box owned by `owner`, if there is anything to say.
void ReportRunStart(HWND owner, const RunStartResult& result);

// The frame's Start in one call: records `view` as the played view, builds the table
// from its first g_nRowCount rows, starts the run and reports a refusal to the user.
// True when the run started.
template <typename View> bool StartRun(CRunControl& run, View& view, HWND owner) {
    g_pRunView = &view;
    const RunStartResult result = run.Start(BuildByteTable(view, g_nRowCount.load()));
    ReportRunStart(owner, result);
    return static_cast<bool>(result);
}
