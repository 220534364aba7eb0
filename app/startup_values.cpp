// The start-up values. All are constant-initialised, so they exist before any
// constructor (the application object's included) fills them.
#include "app/globals.h"

std::wstring g_strWorkDir;
HMODULE g_hPortLib = nullptr;
std::uint32_t g_nLpt1Address = 0;
std::uint32_t g_nLpt2Address = 0;
std::uint32_t g_nLpt3Address = 0;
std::uint8_t g_nLptCount = 0;
std::uint32_t g_nPortAddress = 0;
HANDLE g_evRunDone = nullptr;
