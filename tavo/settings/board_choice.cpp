#include "tavo/settings/board_choice.h"

#include <algorithm>
#include <vector>

#include "tavo/settings/lpt_config.h"
#include "tavo/settings/settings.h"

namespace tavo {
namespace {

wchar_t LowerAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c;
}

// The same text, in any letter case of A-Z.
bool SameNoCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return LowerAscii(x) == LowerAscii(y); });
}

std::optional<std::uint16_t> Hex4(std::string_view text) {
    return ParseHex4(WidenAscii(text));
}

std::wstring Hex4Text(std::uint16_t value) {
    std::wstring text(4, L'0');
    for (int i = 3; i >= 0; --i, value >>= 4)
        text[std::size_t(i)] = L"0123456789abcdef"[value & 0xF];
    return text;
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

} // namespace

std::optional<std::uint16_t> ParseHex4(std::wstring_view text, std::size_t at) {
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

bool SameBoard(const BoardId& a, const BoardId& b) {
    if (a.vendor != b.vendor || a.product != b.product) return false;
    if (!a.serial.empty() || !b.serial.empty()) return SameNoCase(a.serial, b.serial);
    return SameNoCase(a.location, b.location);
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

} // namespace tavo
