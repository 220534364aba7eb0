// One line to the console or the stream the program was started from: the answers of
// /status and the reasons of a refused command. A program with windows has no console of
// its own; it writes to its standard handle when it has one (redirected, or given by Wine
// from the Linux shell or cron), or else to the console of the program that started it.
#pragma once
#include <windows.h>

#include <string>

// `which`: STD_OUTPUT_HANDLE or STD_ERROR_HANDLE. A console gets the text as it is; a file
// or a pipe gets it in UTF-8. Nothing happens when there is nowhere to write.
void WriteConsoleLine(DWORD which, const std::wstring& line);
