// Which USB board a COM port is, so a board chosen in the window "Выходы" is found again
// when Windows gives it another COM number, and two boards of one kind are never taken
// for each other. A board with a serial number is known by it wherever it is plugged in;
// one without is known by the USB socket it sits in (settings/board_choice.h). Plain C++
// without Windows headers.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>

#include "tavo/backends/device_ports.h"
#include "tavo/settings/board_choice.h"

namespace tavo {

// The board behind a COM port's device; nullopt when it is no USB board.
std::optional<BoardId> BoardIdOf(const PortDevice& device);

// Where the chosen board is now: its COM number, or the number as chosen when the system
// knows no device of that number; nullopt when that number is some other device now.
// `note` hears of every such decision but the plain one.
std::optional<int> FindBoardPort(const BoardChoice& choice, std::span<const PortDevice> present,
                                 const std::function<void(std::wstring)>& note);

} // namespace tavo
