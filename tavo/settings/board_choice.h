// A USB board as serial_board names it: "0403:6001 A50285BI on COM3" (a board with a
// serial number, known by it wherever it is plugged in) or "1a86:7523 at
// PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2) on COM3" (one without, known by the USB socket it
// sits in). Plain C++ without Windows headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavo {

struct BoardId {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::wstring serial = {};   // empty when the board has none
    std::wstring location = {}; // the socket of a board without a serial number
};

// One board: the same kind, and the same serial number (any case), or the same socket when
// neither has one.
bool SameBoard(const BoardId& a, const BoardId& b);

// A board chosen for a COM port: the value of serial_board.
struct BoardChoice {
    BoardId board;
    int port = 0; // the COM number it had when chosen
};
std::optional<BoardChoice> ParseBoardChoice(std::string_view text);
std::wstring BoardChoiceText(const BoardChoice& choice);
// "0403:6001 A50285BI", for the trace.
std::wstring BoardIdText(const BoardId& board);

// The four hexadecimal digits at `at` ("0403" of a vendor); nullopt when they are not.
std::optional<std::uint16_t> ParseHex4(std::wstring_view text, std::size_t at = 0);

} // namespace tavo
