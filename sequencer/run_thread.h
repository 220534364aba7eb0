// The run thread: plays a byte table on the port, row after row and round and round,
// until Stop asks it to end; then turns every line off, closes the port and signals the
// run's done event as its last action.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "port/port_library.h"
#include "sequencer/byte_table.h"
#include "sequencer/pause_clock.h"

// What a run shows while it plays, and how it may end by itself: after `passLimit` whole
// passes (0: never), or at the end of the pass when `stopAtPassEnd` is raised. Owned by the
// run control, which outlives the thread; the thread only writes `row` and `passes`.
struct CRunProgress {
    std::atomic<std::size_t> row{0};      // the row on the lines
    std::atomic<std::uint64_t> passes{0}; // whole passes played
    std::atomic<std::uint64_t> passLimit{0};
    std::atomic<bool> stopAtPassEnd{false};
    std::atomic<std::int64_t> stopAtUtc{0}; // ends at the first row boundary from then on
    std::atomic<bool> endedByItself{false}; // the run ended by the above, not by Stop
    HWND notify = nullptr;                  // told with `message` when it ended by itself
    UINT message = 0;
};

// Everything one run needs, filled on the user-interface thread before the thread starts:
// the thread reads only its job and the atomics g_bStop and g_nDelay.
struct CRunJob {
    ByteTable table;
    PortRunExports port;              // looked up for this run
    std::uint32_t portAddress = 0;    // OpenPrt's address
    std::uint32_t portCount = 0;      // and its port count
    HANDLE done = nullptr;            // reset at the start, signalled at the end
    std::unique_ptr<CRunClock> clock; // null: the thread makes a CPauseClock
    CRunProgress* progress = nullptr; // null: plays until Stop, tells nothing
    std::int64_t startAtUtc = 0;      // the first row at this UTC time (FILETIME); 0: at once
};

// The thread procedure: `param` is a CRunJob made with new, which it takes over (null
// does nothing). Returns 0. Never lets an exception out; once the port is open, whatever
// ends the run writes 0 and closes the port.
unsigned __stdcall RunThreadProc(void* param);

// The pause between rows, in milliseconds: g_nDelay, held within these.
inline constexpr int kMinDelayMs = 10;
inline constexpr int kMaxDelayMs = 300;

// While a pattern with no rows plays, the stop request is looked at this often.
inline constexpr int kIdleStopCheckMs = 10;
