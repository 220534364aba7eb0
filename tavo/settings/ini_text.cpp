#include "tavo/settings/ini_text.h"

#include <algorithm>
#include <cstdint>

#include "tavo/settings/lpt_config.h"

namespace tavo {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// The line sets `key`: the address line is the same as lpt.
bool Sets(const IniLine& line, std::string_view key) {
    return (line.kind == IniLine::Kind::Setting && line.key == key) ||
           (line.kind == IniLine::Kind::Address && key == "lpt");
}

std::string_view Utf16Mark(IniEncoding encoding) {
    return encoding == IniEncoding::Utf16Le ? std::string_view("\xFF\xFE", 2)
                                            : std::string_view("\xFE\xFF", 2);
}

// UTF-16 units as UTF-8; a lone surrogate becomes '?'.
std::string FromUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    const auto unit = [&](std::size_t i) {
        const auto a = std::uint8_t(bytes[i]), b = std::uint8_t(bytes[i + 1]);
        return char32_t(bigEndian ? a << 8 | b : b << 8 | a);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = '?';
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += {char(0xC0 | c >> 6), char(0x80 | (c & 0x3F))};
        } else if (c < 0x10000) {
            out += {char(0xE0 | c >> 12), char(0x80 | (c >> 6 & 0x3F)), char(0x80 | (c & 0x3F))};
        } else {
            out += {char(0xF0 | c >> 18), char(0x80 | (c >> 12 & 0x3F)),
                    char(0x80 | (c >> 6 & 0x3F)), char(0x80 | (c & 0x3F))};
        }
    }
    return out;
}

// UTF-8 as UTF-16 units; a byte that starts no character becomes '?'.
std::string ToUtf16(std::string_view text, bool bigEndian) {
    std::string out;
    const auto put = [&](char32_t u) {
        const char high = char(u >> 8), low = char(u & 0xFF);
        out += bigEndian ? std::string{high, low} : std::string{low, high};
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = std::uint8_t(text[i]);
        const std::size_t length = lead < 0x80       ? 1
                                   : lead >> 5 == 6  ? 2
                                   : lead >> 4 == 14 ? 3
                                   : lead >> 3 == 30 ? 4
                                                     : 0;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            valid = (std::uint8_t(text[i + k]) & 0xC0) == 0x80;
            c = c << 6 | (std::uint8_t(text[i + k]) & 0x3F);
        }
        i += valid ? length : 1;
        if (!valid) c = '?';
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

// The line is a comment that, uncommented, would set `key`.
bool CommentedSample(const IniLine& line, std::string_view text, std::string_view key) {
    if (line.kind != IniLine::Kind::Comment) return false;
    auto content = Trim(text.substr(line.begin, line.end - line.begin));
    const auto start = content.find_first_not_of(";#");
    if (start == std::string_view::npos) return false;
    content = Trim(content.substr(start));
    const auto equals = content.find('=');
    return equals != std::string_view::npos && AsciiLower(Trim(content.substr(0, equals))) == key;
}

} // namespace

IniFileText DecodeIni(std::string_view bytes) {
    for (const auto encoding : {IniEncoding::Utf16Le, IniEncoding::Utf16Be})
        if (bytes.starts_with(Utf16Mark(encoding)))
            return {FromUtf16(bytes.substr(2), encoding == IniEncoding::Utf16Be), encoding};
    return {std::string(bytes), IniEncoding::Bytes};
}

std::string EncodeIni(std::string_view text, IniEncoding encoding) {
    if (encoding == IniEncoding::Bytes) return std::string(text);
    return std::string(Utf16Mark(encoding)) + ToUtf16(text, encoding == IniEncoding::Utf16Be);
}

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    std::ranges::transform(out, out.begin(),
                           [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return out;
}

std::vector<IniLine> IniLines(std::string_view text) {
    std::vector<IniLine> lines;
    bool haveAddressLine = false;
    std::size_t at = text.starts_with(kBom) ? kBom.size() : 0;
    for (int number = 1; at < text.size(); ++number) {
        IniLine line;
        line.number = number;
        line.begin = at;
        const auto eol = text.find('\n', at);
        line.next = eol == std::string_view::npos ? text.size() : eol + 1;
        line.end = eol == std::string_view::npos ? text.size() : eol;
        if (line.end > line.begin && text[line.end - 1] == '\r') --line.end;
        at = line.next;

        const auto content = Trim(text.substr(line.begin, line.end - line.begin));
        const auto equals = content.find('=');
        if (content.empty())
            line.kind = IniLine::Kind::Blank;
        else if (content.front() == ';' || content.front() == '#')
            line.kind = IniLine::Kind::Comment;
        else if (equals == std::string_view::npos) {
            line.kind = haveAddressLine ? IniLine::Kind::Other : IniLine::Kind::Address;
            line.value = content;
            haveAddressLine = true;
        } else {
            line.kind = IniLine::Kind::Setting;
            line.key = AsciiLower(Trim(content.substr(0, equals)));
            line.value = Trim(content.substr(equals + 1));
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string_view CIniText::LineBreak() const {
    const auto eol = m_text.find('\n');
    return eol == std::string::npos || (eol > 0 && m_text[eol - 1] == '\r') ? "\r\n" : "\n";
}

void CIniText::Set(std::string_view key, std::string_view value) {
    const auto lines = IniLines(m_text);
    const auto last = std::ranges::find_if(lines.rbegin(), lines.rend(),
                                           [&](const IniLine& line) { return Sets(line, key); });
    if (last != lines.rend()) {
        // The value's place in the line; an empty value sits at the line's end.
        const std::size_t from =
            last->value.empty() ? last->end : std::size_t(last->value.data() - m_text.data());
        const std::size_t to = last->value.empty() ? last->end : from + last->value.size();
        std::string replacement(value);
        if (last->value.empty() && m_text[from - 1] == '=') replacement.insert(0, 1, ' ');
        m_text.replace(from, to - from, replacement);
        return;
    }
    const auto lineBreak = LineBreak();
    const auto line = std::string(key) + " = " + std::string(value) + std::string(lineBreak);
    // Under its commented sample ("; key = ..."), where a user would look for it.
    const auto sample = std::ranges::find_if(lines.rbegin(), lines.rend(), [&](const IniLine& l) {
        return CommentedSample(l, m_text, key);
    });
    if (sample != lines.rend()) {
        // The last line without a line feed (perhaps ending in a lone '\r') gets one first.
        const bool unbroken = m_text[sample->next - 1] != '\n';
        if (unbroken) m_text += lineBreak;
        m_text.insert(unbroken ? m_text.size() : sample->next, line);
        return;
    }
    if (!m_text.empty() && m_text.back() != '\n' && m_text != kBom) m_text += lineBreak;
    m_text += line;
}

void CIniText::Remove(std::string_view key) {
    const auto lines = IniLines(m_text);
    // From the end, so the places of the lines before stay valid.
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        if (Sets(*line, key)) m_text.erase(line->begin, line->next - line->begin);
}

} // namespace tavo
