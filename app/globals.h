// The program-wide values. Each is defined in the folder that owns it: start-up values in
// app/, the frame's in frame/, the run hand-over in sequencer/. Nothing of the program is
// included here, so every program folder may include this header.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

class CKIVView;

// Start-up (app/).
extern std::wstring
    g_strWorkDir;          // current directory at construction; the settings files live there
extern HMODULE g_hPortLib; // the port library
extern std::uint32_t g_nLpt1Address;
extern std::uint32_t g_nLpt2Address;
extern std::uint32_t g_nLpt3Address;
extern std::uint8_t g_nLptCount;
extern std::uint32_t g_nPortAddress;
extern HANDLE g_evRunDone; // auto-reset; signalled by the run thread as its last action

// Refreshed by the frame on every idle pass (frame/).
extern std::atomic<int> g_nRowCount;
extern int g_nCurRow;
extern int g_nCurCol;
extern std::atomic<int> g_nDelay; // 10..300 ms, default 145

// The run hand-over (sequencer/).
extern std::atomic<CKIVView*> g_pRunView;
extern std::atomic<int> g_bStop;
