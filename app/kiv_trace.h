// The program's own trace of what its show driver did and why: one line per event, to the
// file named by KIV_TRACE (taken at the first line; appended, UTF-8) and to the debugger
// (OutputDebugString). The port library keeps its own trace (TAVO_TRACE).
#pragma once
#include <string>

void KivTrace(const std::wstring& line);
