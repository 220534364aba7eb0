// USB HID relay boards (vendor 16C0, product 05DF, product string "USBRelay<N>"): which
// attached device to drive, and the feature reports that switch its relays.
// Plain C++ without Windows headers, so the choice is tested on recorded answers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tavo/backends/device_lines.h"

namespace tavo {

inline constexpr std::uint16_t kRelayVendor = 0x16C0;
inline constexpr std::uint16_t kRelayProduct = 0x05DF;
// A board's id, as hid_serial names it.
inline constexpr std::size_t kRelayIdLength = 5;

// Report id 0, then the board's 8 bytes.
using RelayReport = std::array<std::uint8_t, 9>;

// What the system tells of one attached HID device.
struct HidDeviceAnswer {
    std::wstring path;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::wstring productString;
    RelayReport state{}; // the board's feature report: its id in bytes 1..5
};

struct RelayBoard {
    std::size_t index = 0; // into the answers
    int relays = 0;
    std::string id;
};

// N of "USBRelay<N>" (1..8); 0 for any other product string.
int RelayCount(std::wstring_view productString);
// The 5-character id a board reports, non-printable bytes as '?'.
std::string RelayBoardId(const RelayReport& state);
// An id read whole, not one the board did not answer.
bool KnownRelayId(std::string_view id);
// Every relay board among the answers, in their order.
std::vector<RelayBoard> RelayBoards(std::span<const HidDeviceAnswer> answers);

class CReporter;

// The relay boards attached, as the window lists them; their index means nothing. Asks
// the system (SetupAPI and hid.dll); defined in tavo.dll only.
std::vector<RelayBoard> FindRelayBoards(CReporter& reporter);
// The board with id `wanted` (any case), none when several answer to it; when `wanted` is
// empty, the board at `path` when one is given (a board driven whose id could not be read),
// else the first whose id can be read, else the first (a board Wine 10 keeps after it went
// away answers no id). nullopt when there is none.
std::optional<RelayBoard> ChooseRelayBoard(std::span<const HidDeviceAnswer> answers,
                                           std::string_view wanted, std::wstring_view path = {});
// Ids compare without regard to case.
bool SameRelayId(std::string_view a, std::string_view b);

// The caption note for the lines a board of `relays` relays ignores ("D2–D7 без реле");
// empty when it has all eight.
std::wstring UnusedLinesNote(int relays);

// FF (on) or FD (off), then the relay number 1..8.
RelayReport RelayCommand(int relay, bool on);

// The reports that show each new value on a board with `relays` relays.
class CRelayEncoder {
public:
    explicit CRelayEncoder(int relays) : m_relays(relays) {}
    std::vector<RelayReport> Show(std::uint8_t value);
    void Forget() { m_lines.Forget(); }

private:
    int m_relays;
    CLineChanges m_lines;
};

} // namespace tavo
