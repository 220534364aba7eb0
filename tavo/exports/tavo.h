// The exports of tavo.dll, the port library: virtual LPT ports by default, or a real port,
// network lighting or a USB board behind the same four calls (README.md), and a fifth for
// tavo_outputs.exe.
//
//   CountLPT  fills LPT1..LPT3's base addresses (0 when absent; null pointers are
//             skipped) and returns the number of present ports.
//   OpenPrt   opens the port at a base address and returns a handle, never 0. Any
//             address gets a handle. arg2 and arg3 are kept for the trace only.
//   W_P       puts value & 0xFF on the handle's data register; unknown handles are
//             ignored. arg3 is kept for the trace only.
//   ClosePrt  releases the handle; unknown handles are ignored.
//   ShowOutputs  shows the window "Выходы" modally over `owner` (may be null); 1 when the
//             user saved new settings with OK, else 0.
//
// Settings are read as each session of ports begins (the first OpenPrt after the last
// ClosePrt, or a CountLPT), from the TAVO_* environment and tavo.ini (settings.h);
// TAVO_TRACE, read at load, names a file that every call appends a line to
// (trace_format.h).
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {
unsigned char CountLPT(std::uint32_t* lpt1, std::uint32_t* lpt2, std::uint32_t* lpt3);
std::uint32_t OpenPrt(std::uint32_t address, std::uint32_t arg2, std::uint32_t arg3);
void W_P(std::uint32_t handle, std::uint32_t value, std::uint32_t arg3);
void ClosePrt(std::uint32_t handle);
int __stdcall ShowOutputs(HWND owner);
}
