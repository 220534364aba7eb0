#include "tavo/backends/hid/hid_relays.h"

#include <algorithm>

namespace tavo {
namespace {

constexpr std::wstring_view kProductPrefix = L"USBRelay";
constexpr std::uint8_t kRelayOn = 0xFF, kRelayOff = 0xFD;

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

} // namespace

bool SameRelayId(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

int RelayCount(std::wstring_view productString) {
    if (productString.size() != kProductPrefix.size() + 1 ||
        !productString.starts_with(kProductPrefix))
        return 0;
    const wchar_t digit = productString.back();
    return digit >= L'1' && digit <= L'8' ? digit - L'0' : 0;
}

std::string RelayBoardId(const RelayReport& state) {
    std::string id;
    for (std::size_t i = 1; i <= kRelayIdLength; ++i)
        id += state[i] >= 0x20 && state[i] < 0x7F ? char(state[i]) : '?';
    return id;
}

std::vector<RelayBoard> RelayBoards(std::span<const HidDeviceAnswer> answers) {
    std::vector<RelayBoard> boards;
    for (std::size_t i = 0; i < answers.size(); ++i) {
        const auto& answer = answers[i];
        const int relays = RelayCount(answer.productString);
        if (answer.vendor == kRelayVendor && answer.product == kRelayProduct && relays)
            boards.push_back({i, relays, RelayBoardId(answer.state)});
    }
    return boards;
}

std::optional<RelayBoard> ChooseRelayBoard(std::span<const HidDeviceAnswer> answers,
                                           std::string_view wanted, std::wstring_view path) {
    auto boards = RelayBoards(answers);
    if (wanted.empty() && !path.empty())
        std::erase_if(boards, [&](const RelayBoard& b) { return answers[b.index].path != path; });
    if (wanted.empty()) {
        const auto readable = std::ranges::find_if(boards, KnownRelayId, &RelayBoard::id);
        if (readable != boards.end()) return std::move(*readable);
        if (!boards.empty()) return std::move(boards.front());
        return std::nullopt;
    }
    std::erase_if(boards, [&](const RelayBoard& b) { return !SameRelayId(b.id, wanted); });
    if (boards.size() != 1) return std::nullopt;
    return std::move(boards.front());
}

bool KnownRelayId(std::string_view id) {
    return id.find('?') == std::string_view::npos;
}

std::wstring UnusedLinesNote(int relays) {
    if (relays >= 8) return {};
    std::wstring note = L"D" + std::to_wstring(relays);
    if (relays < 7) note += L"\u2013D7";
    return note + L" без реле";
}

RelayReport RelayCommand(int relay, bool on) {
    return {0, on ? kRelayOn : kRelayOff, std::uint8_t(relay)};
}

std::vector<RelayReport> CRelayEncoder::Show(std::uint8_t value) {
    const std::uint8_t lines = m_lines.Take(value);
    std::vector<RelayReport> reports;
    ForEachSwitch(lines, value, m_relays,
                  [&](int line, bool on) { reports.push_back(RelayCommand(line + 1, on)); });
    return reports;
}

} // namespace tavo
