#include "tavo/backends/serial/board_identity.h"

#include <algorithm>
#include <vector>

#include "tavo/backends/serial/serial_frames.h"
#include "tavo/settings/settings.h"

namespace tavo {
namespace {

constexpr std::wstring_view kUsbPrefix = L"usb\\vid_"; // then 4 digits, "&pid_", 4 digits
constexpr std::size_t kVendorAt = 8, kProductAt = 17, kInstanceAt = 22;

std::optional<std::uint16_t> Hex4(std::wstring_view text, std::size_t at) {
    if (text.size() < at + 4) return std::nullopt;
    unsigned value = 0;
    for (const wchar_t c : text.substr(at, 4)) {
        const wchar_t lower = wchar_t(c | 0x20);
        if (c >= L'0' && c <= L'9')
            value = value * 16 + unsigned(c - L'0');
        else if (lower >= L'a' && lower <= L'f')
            value = value * 16 + unsigned(lower - L'a' + 10);
        else
            return std::nullopt;
    }
    return std::uint16_t(value);
}

std::optional<std::uint16_t> Hex4(std::string_view text) {
    return Hex4(WidenAscii(text), 0);
}

std::wstring Hex4Text(std::uint16_t value) {
    std::wstring text(4, L'0');
    for (int i = 3; i >= 0; --i, value >>= 4)
        text[std::size_t(i)] = L"0123456789abcdef"[value & 0xF];
    return text;
}

bool SameBoard(const BoardId& a, const BoardId& b) {
    if (a.vendor != b.vendor || a.product != b.product) return false;
    if (!a.serial.empty() || !b.serial.empty()) return SameNoCase(a.serial, b.serial);
    return SameNoCase(a.location, b.location);
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    for (text = Trim(text); !text.empty(); text = Trim(text)) {
        const auto end = std::min(text.find(' '), text.size());
        words.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return words;
}

std::wstring ComText(int port) {
    return L"COM" + std::to_wstring(port);
}

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

bool IsUsbDeviceId(std::wstring_view id) {
    return StartsWithNoCase(id, kUsbPrefix) && Hex4(id, kVendorAt) &&
           StartsWithNoCase(id.substr(kVendorAt + 4), L"&pid_") && Hex4(id, kProductAt) &&
           id.size() > kInstanceAt && id[kInstanceAt - 1] == L'\\';
}

std::optional<BoardId> BoardIdOf(const PortDevice& device) {
    const auto& id = device.usbDevice;
    if (!ParseComPort(device.portName) || !IsUsbDeviceId(id)) return std::nullopt;
    BoardId board{*Hex4(id, kVendorAt), *Hex4(id, kProductAt)};
    // Windows makes up the instance of a board without a serial number from where it is
    // plugged in ("5&2A3B4C5D&0&2").
    const auto instance = std::wstring_view(id).substr(kInstanceAt);
    if (instance.find(L'&') == std::wstring_view::npos)
        board.serial = instance;
    else
        board.location = device.usbLocation.empty() ? std::wstring(instance) : device.usbLocation;
    return board;
}

std::optional<BoardChoice> ParseBoardChoice(std::string_view text) {
    const auto words = Words(text);
    const bool located = words.size() == 5 && SameNoCase(WidenAscii(words[1]), L"at");
    if (words.size() != (located ? 5u : 4u) || words[0].size() != 9 || words[0][4] != ':' ||
        !SameNoCase(WidenAscii(words[words.size() - 2]), L"on"))
        return std::nullopt;
    const auto vendor = Hex4(words[0].substr(0, 4)), product = Hex4(words[0].substr(5));
    const auto port = ParseComPort(words.back());
    if (!vendor || !product || !port) return std::nullopt;
    BoardChoice choice{{*vendor, *product}, *port};
    (located ? choice.board.location : choice.board.serial) = WidenAscii(words[located ? 2 : 1]);
    return choice;
}

std::wstring BoardIdText(const BoardId& board) {
    return Hex4Text(board.vendor) + L':' + Hex4Text(board.product) +
           (board.serial.empty() ? L" at " + board.location : L" " + board.serial);
}

std::wstring BoardChoiceText(const BoardChoice& choice) {
    return BoardIdText(choice.board) + L" on " + ComText(choice.port);
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
