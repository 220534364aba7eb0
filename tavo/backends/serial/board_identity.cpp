#include "tavo/backends/serial/board_identity.h"

#include <algorithm>
#include <vector>

#include "tavo/settings/settings.h"

namespace tavo {
namespace {

// What the present ports say of a chosen board.
struct Looked {
    std::vector<int> found;               // the COM numbers of the board
    const PortDevice* onChosen = nullptr; // the device of the number it was chosen on
    std::optional<int> moved; // a board of its kind without a serial number, in another socket
};

Looked Look(const BoardChoice& choice, std::span<const PortDevice> present) {
    Looked look;
    for (const auto& device : present) {
        const int number = ParseComPort(device.portName).value_or(0);
        if (number == choice.port) look.onChosen = &device;
        const auto board = BoardIdOf(device);
        if (!board || board->vendor != choice.board.vendor ||
            board->product != choice.board.product)
            continue;
        if (SameBoard(*board, choice.board))
            look.found.push_back(number);
        else if (board->serial.empty() && choice.board.serial.empty())
            look.moved = number;
    }
    return look;
}

} // namespace

std::optional<BoardId> BoardIdOf(const PortDevice& device) {
    const auto usb = ParseUsbDeviceId(device.usbDevice);
    if (!ParseComPort(device.portName) || !usb) return std::nullopt;
    BoardId board{usb->vendor, usb->product};
    // Windows makes up the instance of a board without a serial number from where it is
    // plugged in ("5&2A3B4C5D&0&2").
    const auto instance = usb->instance;
    if (instance.find(L'&') == std::wstring_view::npos)
        board.serial = instance;
    else
        board.location = device.usbLocation.empty() ? std::wstring(instance) : device.usbLocation;
    return board;
}

std::optional<int> FindBoardPort(const BoardChoice& choice, std::span<const PortDevice> present,
                                 const std::function<void(std::wstring)>& note) {
    const auto name = L"board " + BoardIdText(choice.board);
    const auto chosen = ComText(choice.port);
    const auto look = Look(choice, present);
    if (look.found.size() == 1) {
        if (look.found.front() != choice.port)
            note(name + L" found again on " + ComText(look.found.front()) + L" (chosen on " +
                 chosen + L")");
        return look.found.front();
    }
    if (std::ranges::find(look.found, choice.port) != look.found.end()) {
        note(L"several boards answer to " + name + L"; " + chosen + L" as chosen");
        return choice.port;
    }
    if (!look.found.empty()) {
        note(L"several boards answer to " + name + L", none on " + chosen + L": not driving any");
        return std::nullopt;
    }
    const auto hint = look.moved ? L"; one of its kind is on " + ComText(*look.moved) +
                                       L": choose it in the outputs window if it is this one"
                                 : std::wstring();
    if (!look.onChosen) {
        note(name + L" is not among the system's ports; " + chosen + L" as set" + hint);
        return choice.port;
    }
    const auto other = BoardIdOf(*look.onChosen);
    note(name + L" is not plugged in, and " + chosen + L" is now " +
         (other ? L"board " + BoardIdText(*other) : std::wstring(L"another device")) +
         L": not driving it" + hint);
    return std::nullopt;
}

} // namespace tavo
