// What the system has now for the outputs, as the window lists them: the COM ports, the
// relay boards, and where the port driver library is looked for.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tavo/backends/backend.h"
#include "tavo/backends/hid/hid_relays.h"

namespace tavo {

// A COM port present, and the name Windows shows for it.
struct ComPort {
    int number = 0;         // 3 for COM3
    std::wstring name = {}; // "USB-SERIAL CH340 (COM3)", or "COM3" for a port without a device
    std::string board = {}; // serial_board for a USB board: "1a86:7523 at ... on COM3"
};

// The devices of the Ports class that are COM ports, with their names, and the ports only
// the system's list of serial ports knows (virtual ones, and under Wine those it maps to
// Linux devices); by number.
std::vector<ComPort> FindComPorts(CReporter& reporter);

// The relay boards attached ("USBRelay<relays>" and its id); their index means nothing.
std::vector<RelayBoard> FindRelayBoards(CReporter& reporter);

// The full paths the port driver library is loaded from, in the order they are tried.
std::vector<std::wstring> DriverLibraryPlaces(HMODULE self);

// True when the library runs under Wine, where the Linux helper can drive a port.
bool UnderWine();

} // namespace tavo
