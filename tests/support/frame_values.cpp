// The values the main frame defines in the program, for test and benchmark programs that
// run the sequencer or the row commands without the frame.
#include "app/globals.h"

std::atomic<int> g_nRowCount{0};
int g_nCurRow = 0;
int g_nCurCol = 0;
std::atomic<int> g_nDelay{145};
