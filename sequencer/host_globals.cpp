// The values the application and the frame define in the program, for test and benchmark
// programs that drive the sequencer on their own.
#include "app/globals.h"

std::wstring g_strWorkDir;
HMODULE g_hPortLib = nullptr;
std::uint32_t g_nLpt1Address = 0;
std::uint32_t g_nLpt2Address = 0;
std::uint32_t g_nLpt3Address = 0;
std::uint8_t g_nLptCount = 0;
std::uint32_t g_nPortAddress = 0;
HANDLE g_evRunDone = nullptr;
std::atomic<int> g_nRowCount{0};
int g_nCurRow = 0;
int g_nCurCol = 0;
std::atomic<int> g_nDelay{145};
