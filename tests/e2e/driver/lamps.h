// tavo.dll's lamp panels as a user sees them: found by their caption, read from the screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace kivdrv {

// The visible lamp panel of `processId` captioned `caption` ("LPT1 378h"); null if none.
HWND FindLampPanel(DWORD processId, const std::wstring& caption);

// The byte the panel's lamps show on the screen (bit j: lamp Dj lit); nullopt when the
// screen cannot be read.
std::optional<std::uint8_t> ReadLamps(HWND panel);

} // namespace kivdrv
