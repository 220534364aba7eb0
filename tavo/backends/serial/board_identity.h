// Which USB board a COM port is, so a board chosen in the window "Выходы" is found again
// when Windows gives it another COM number, and two boards of one kind are never taken
// for each other. A board with a serial number is known by it wherever it is plugged in;
// one without is known by the USB socket it sits in. Plain C++ without Windows headers.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tavo/backends/device_ports.h"

namespace tavo {

struct BoardId {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::wstring serial = {};   // empty when the board has none
    std::wstring location = {}; // the socket of a board without a serial number
};

// "USB\VID_0403&PID_6001\A50285BI": a USB device's own instance id, not one of its
// functions' (&MI_) nor a driver's child.
bool IsUsbDeviceId(std::wstring_view id);

// The board behind a COM port's device; nullopt when it is no USB board.
std::optional<BoardId> BoardIdOf(const PortDevice& device);

// A board chosen for a COM port: the value of serial_board,
// "0403:6001 A50285BI on COM3" or "1a86:7523 at PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2) on COM3".
struct BoardChoice {
    BoardId board;
    int port = 0; // the COM number it had when chosen
};
std::optional<BoardChoice> ParseBoardChoice(std::string_view text);
std::wstring BoardChoiceText(const BoardChoice& choice);
// "0403:6001 A50285BI", for the trace.
std::wstring BoardIdText(const BoardId& board);

// Where the chosen board is now: its COM number, or the number as chosen when the system
// knows no device of that number; nullopt when that number is some other device now.
// `note` hears of every such decision but the plain one.
std::optional<int> FindBoardPort(const BoardChoice& choice, std::span<const PortDevice> present,
                                 const std::function<void(std::wstring)>& note);

} // namespace tavo
