#include "tavo/settings/ini_text.h"

#include <algorithm>

#include "tavo/settings/lpt_config.h"

namespace tavo {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// The line sets `key`: the address line is the same as lpt.
bool Sets(const IniLine& line, std::string_view key) {
    return (line.kind == IniLine::Kind::Setting && line.key == key) ||
           (line.kind == IniLine::Kind::Address && key == "lpt");
}

} // namespace

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
    if (!m_text.empty() && m_text.back() != '\n' && m_text != kBom) m_text += lineBreak;
    m_text += std::string(key) + " = " + std::string(value) + std::string(lineBreak);
}

void CIniText::Remove(std::string_view key) {
    const auto lines = IniLines(m_text);
    // From the end, so the places of the lines before stay valid.
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        if (Sets(*line, key)) m_text.erase(line->begin, line->next - line->begin);
}

} // namespace tavo
