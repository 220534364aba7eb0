// The run thread: plays a byte table on the port, row after row and round and round,
// until Stop asks it to end; then turns every line off, closes the port and signals
// g_evRunDone as its last action.
#pragma once

#include <windows.h>

#include "sequencer/byte_table.h"

// What one run plays. The run thread owns it from its first instruction and frees it
// when it ends.
struct CRunJob {
    ByteTable table;
};

// The thread procedure: `param` is a CRunJob made with new, which it takes over (null
// plays nothing, as an empty pattern does). Returns 0. Never lets an exception out.
unsigned __stdcall RunThreadProc(void* param);

// The pause between rows, in milliseconds: g_nDelay, held within these.
inline constexpr int kMinDelayMs = 10;
inline constexpr int kMaxDelayMs = 300;

// While a pattern with no rows plays, the stop request is looked at this often.
inline constexpr int kIdleStopCheckMs = 10;
