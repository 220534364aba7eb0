// The program's state in one line: what plays (file and row) or that nothing plays, whether
// a schedule is in force or what is wrong with it, and the next scheduled start or stop.
// The notification icon's tooltip and /status show it. User-interface thread only.
#pragma once
#include <string>

std::wstring ShowStatusLine();
