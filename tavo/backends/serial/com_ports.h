// The COM ports present, as the window lists them, each with the board it is when it is a
// USB board.
#pragma once

#include <string>
#include <vector>

namespace tavo {

class CReporter;

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

} // namespace tavo
