// Boards the library knows, looked for while the lamps show for want of a real output,
// so the lamp panel can point to the window "Выходы". Nothing found here is driven.
#pragma once

#include <optional>
#include <string>

#include "tavo/backends/backend.h"

namespace tavo {

struct KnownBoard {
    std::wstring shortName;  // for the lamp caption: "COM3", "USB-реле"
    std::string description; // for the trace: "USBRelay2 ABCDE", "USB-SERIAL CH340 (COM3)"
};

// The first HID relay board attached, else the first COM port of a USB serial adapter.
std::optional<KnownBoard> FindKnownBoard(CReporter& reporter);

// "USBRelay2 ABCDE" of the first HID relay board attached (hid_backend.cpp).
std::optional<std::string> FindRelayBoard(CReporter& reporter);

} // namespace tavo
