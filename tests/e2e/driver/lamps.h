// tavo.dll's lamp panels as a user sees them: found by their caption, read from the screen.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace kivdrv {

// The visible lamp panel of `processId` captioned `caption` ("LPT1 378h"); null when none
// shows up within `timeout`.
HWND WaitForLampPanel(DWORD processId, const std::wstring& caption,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10));

// The byte the panel's lamps show on the screen (bit j: lamp Dj lit); nullopt when the
// screen cannot be read.
std::optional<std::uint8_t> ReadLamps(HWND panel);

} // namespace kivdrv
