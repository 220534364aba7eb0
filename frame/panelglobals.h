// The program-wide values the command panel uses. They move to app/globals.h once it
// exists; g_nDelay is defined with the panel, g_strWorkDir by the application.
#pragma once
#if __has_include("app/globals.h")
#include "app/globals.h"
#else
#include <atomic>
#include <cstdint>
#include <string>
extern std::wstring g_strWorkDir;     // the directory captured at start-up
extern std::atomic<int32_t> g_nDelay; // pause between rows, milliseconds
#endif
