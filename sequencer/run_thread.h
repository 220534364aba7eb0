// The run thread: plays a byte table on the port, row after row and round and round,
// until Stop asks it to end; then turns every line off, closes the port and signals the
// run's done event as its last action.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "port/port_library.h"
#include "sequencer/byte_table.h"
#include "sequencer/pause_clock.h"

// Everything one run needs, filled on the user-interface thread before the thread starts:
// the thread reads only its job and the atomics g_bStop and g_nDelay.
struct CRunJob {
    ByteTable table;
    PortRunExports port;              // looked up for this run
    std::uint32_t portAddress = 0;    // OpenPrt's address
    std::uint32_t portCount = 0;      // and its port count
    HANDLE done = nullptr;            // reset at the start, signalled at the end
    std::unique_ptr<CRunClock> clock; // null: the thread makes a CPauseClock
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
