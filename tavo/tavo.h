// The four exports of tavo.dll, the port library: virtual LPT ports by default, or a
// real port or network lighting behind the same calls (README.md).
//
//   CountLPT  fills LPT1..LPT3's base addresses (0 when absent; null pointers are
//             skipped) and returns the number of present ports.
//   OpenPrt   opens the port at a base address and returns a handle, never 0. Any
//             address gets a handle. arg2 and arg3 are kept for the trace only.
//   W_P       puts value & 0xFF on the handle's data register; unknown handles are
//             ignored. arg3 is kept for the trace only.
//   ClosePrt  releases the handle; unknown handles are ignored.
//
// Settings are read when the library is loaded, from the TAVO_* environment and tavo.ini
// beside the DLL (settings.h); TAVO_TRACE names a file that every call appends a line to
// (trace_format.h).
#pragma once

#include <cstdint>

extern "C" {
unsigned char CountLPT(std::uint32_t* lpt1, std::uint32_t* lpt2, std::uint32_t* lpt3);
std::uint32_t OpenPrt(std::uint32_t address, std::uint32_t arg2, std::uint32_t arg3);
void W_P(std::uint32_t handle, std::uint32_t value, std::uint32_t arg3);
void ClosePrt(std::uint32_t handle);
}
