// schedule.ini read into a Schedule: one pass over the lines, each value checked as it comes,
// each section's missing keys when it ends, then the location and the overlaps.
#include "schedule/occurrence_check.h"
#include "schedule/schedule.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <map>

namespace schedule {

namespace {

constexpr std::size_t kMaxShows = 100;

// Thrown inside the parser only; ParseSchedule turns it into its result.
struct LineError {
    int line;
    std::string reason;
};

std::string Quote(std::string_view s) {
    return "«" + std::string(s) + "»";
}

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == s.npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// ASCII and Russian capitals to small letters (А..Я as two UTF-8 bytes).
std::string Lower(std::string_view s) {
    std::string out(s);
    for (std::size_t i = 0; i < out.size(); ++i) {
        auto& c = reinterpret_cast<unsigned char&>(out[i]);
        if (c >= 'A' && c <= 'Z') c += 32;
        if (c == 0xD0 && i + 1 < out.size()) {
            auto& next = reinterpret_cast<unsigned char&>(out[i + 1]);
            if (next >= 0x90 && next <= 0x9F)
                next += 0x20;
            else if (next >= 0xA0 && next <= 0xAF)
                c = 0xD1, next -= 0x20;
        }
    }
    return out;
}

// The line of the first byte that is not UTF-8, or 0.
int FirstBadUtf8Line(std::string_view text) {
    int line = 1;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int more = c < 0x80                ? 0
                         : c >= 0xC2 && c < 0xE0 ? 1
                         : c >= 0xE0 && c < 0xF0 ? 2
                         : c >= 0xF0 && c < 0xF5 ? 3
                                                 : -1;
        if (more < 0 || (more > 0 && i + more >= text.size())) return line;
        for (int k = 1; k <= more; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return line;
        line += c == '\n';
        i += more + 1;
    }
    return 0;
}

std::optional<int> Digits(std::string_view s, std::size_t minLength, std::size_t maxLength) {
    int value = 0;
    if (s.size() < minLength || s.size() > maxLength) return std::nullopt;
    for (const char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// H:MM, HH:MM or, with seconds allowed, HH:MM:SS, as seconds.
std::optional<int> ClockSeconds(std::string_view s, bool seconds) {
    const auto colon = s.find(':');
    if (colon == s.npos) return std::nullopt;
    const auto hours = Digits(s.substr(0, colon), 1, 2);
    std::string_view rest = s.substr(colon + 1);
    const auto colon2 = rest.find(':');
    if (colon2 != rest.npos && !seconds) return std::nullopt;
    const auto minutes = Digits(rest.substr(0, colon2), 2, 2);
    const auto secs =
        colon2 == rest.npos ? std::optional<int>(0) : Digits(rest.substr(colon2 + 1), 2, 2);
    if (!hours || !minutes || !secs || *hours > 23 || *minutes > 59 || *secs > 59)
        return std::nullopt;
    return *hours * 3600 + *minutes * 60 + *secs;
}

TimeSpec ParseTime(int line, std::string_view value) {
    const std::string text = Lower(value);
    for (const auto& [word, base] : {std::pair{"sunrise", TimeSpec::Base::Sunrise},
                                     std::pair{"sunset", TimeSpec::Base::Sunset}}) {
        if (!std::string_view(text).starts_with(word)) continue;
        const std::string_view offset = Trim(std::string_view(text).substr(std::strlen(word)));
        if (offset.empty()) return {base, 0};
        const auto amount = ClockSeconds(Trim(offset.substr(1)), false);
        if ((offset[0] != '+' && offset[0] != '-') || !amount)
            throw LineError{line, "неверный сдвиг " + Quote(offset) + ": нужно +ЧЧ:ММ или -ЧЧ:ММ"};
        return {base, offset[0] == '-' ? -*amount : *amount};
    }
    const auto seconds = ClockSeconds(text, true);
    if (!seconds)
        throw LineError{line, "неверное время " + Quote(value) +
                                  ": нужно ЧЧ:ММ, ЧЧ:ММ:СС, sunrise или sunset"};
    return {TimeSpec::Base::Clock, *seconds};
}

int DayIndex(int line, std::string_view name) {
    static constexpr std::string_view kNames[2][7] = {
        {"mon", "tue", "wed", "thu", "fri", "sat", "sun"},
        {"пн", "вт", "ср", "чт", "пт", "сб", "вс"}};
    const std::string lower = Lower(Trim(name));
    for (const auto& names : kNames)
        for (int day = 0; day < 7; ++day)
            if (names[day] == lower) return day;
    throw LineError{line, "неизвестный день недели " + Quote(Trim(name))};
}

// "mon-fri, sun", "fri-mon" (round the week end), "daily".
std::array<bool, 7> ParseDays(int line, std::string_view value) {
    std::array<bool, 7> days{};
    std::size_t begin = 0;
    while (begin <= value.size()) {
        const auto end = std::min(value.find(',', begin), value.size());
        const std::string_view item = Trim(value.substr(begin, end - begin));
        begin = end + 1;
        const std::string lower = Lower(item);
        if (lower == "daily" || lower == "ежедневно") {
            days.fill(true);
            continue;
        }
        if (item.empty()) throw LineError{line, "пустой элемент в списке дней"};
        const auto dash = item.find('-');
        const int first = DayIndex(line, item.substr(0, dash));
        const int last = dash == item.npos ? first : DayIndex(line, item.substr(dash + 1));
        for (int day = first;; day = (day + 1) % 7) {
            days[day] = true;
            if (day == last) break;
        }
    }
    return days;
}

std::vector<std::string> ParsePatterns(int line, std::string_view value) {
    std::vector<std::string> patterns;
    std::size_t begin = 0;
    while (begin <= value.size()) {
        const auto end = std::min(value.find(',', begin), value.size());
        const std::string_view item = Trim(value.substr(begin, end - begin));
        if (item.empty()) throw LineError{line, "пустое имя файла в списке узоров"};
        patterns.emplace_back(item);
        begin = end + 1;
    }
    return patterns;
}

Date ParseDate(int line, std::string_view value) {
    const auto year = value.size() == 10 && value[4] == '-' && value[7] == '-'
                          ? Digits(value.substr(0, 4), 4, 4)
                          : std::nullopt;
    const auto month = Digits(value.substr(std::min<std::size_t>(5, value.size()), 2), 2, 2);
    const auto day = Digits(value.substr(std::min<std::size_t>(8, value.size())), 2, 2);
    const Date date{year.value_or(0), month.value_or(0), day.value_or(0)};
    if (!year || !month || !day || *year < 2000 || *year > 2199 || *month < 1 || *month > 12 ||
        *day < 1 || DateOf(DayNumber(date)) != date)
        throw LineError{line, "неверная дата " + Quote(value) + ": нужно ГГГГ-ММ-ДД"};
    return date;
}

double ParseDegrees(int line, std::string_view value, double limit, const char* what) {
    std::string text(value.starts_with('+') ? value.substr(1) : value);
    for (char& c : text)
        if (c == ',') c = '.'; // 55,75 as Russian users write it
    double degrees = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), degrees);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(degrees) ||
        std::fabs(degrees) > limit)
        throw LineError{line, std::string(what) + " " + Quote(value) + ": нужно число от -" +
                                  std::to_string(int(limit)) + " до " + std::to_string(int(limit))};
    return degrees;
}

class CParser {
public:
    Schedule Run(std::string_view text);

private:
    void Line(int line, std::string_view text);
    void OpenSection(int line, std::string_view name);
    void CloseSection();
    // Each false for a key that its section does not have.
    bool LocationKey(int line, const std::string& key, std::string_view value);
    bool ShowKey(int line, const std::string& key, std::string_view value);
    void Require(std::initializer_list<const char*> keys, const std::string& where) const;

    Schedule m_schedule;
    std::optional<Location> m_location;    // while [location] is read
    std::map<std::string, int> m_sections; // name (location in small letters) to its line
    std::map<std::string, int> m_keys;     // the open section's keys to their lines
    int m_sectionLine = 0;
    bool m_inShow = false;
    int m_sunLine = 0; // the first start or stop at sunrise or sunset
};

Schedule CParser::Run(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    if (const int bad = FirstBadUtf8Line(text)) throw LineError{bad, "текст не в кодировке UTF-8"};
    int line = 0;
    for (std::size_t begin = 0; begin < text.size();) {
        const auto end = std::min(text.find('\n', begin), text.size());
        Line(++line, text.substr(begin, end - begin));
        begin = end + 1;
    }
    CloseSection();
    if (m_sunLine && !m_schedule.location)
        throw LineError{m_sunLine,
                        "для sunrise и sunset нужен раздел [location] с широтой и долготой"};
    return std::move(m_schedule);
}

void CParser::Line(int line, std::string_view text) {
    if (text.ends_with('\r')) text.remove_suffix(1);
    text = Trim(text.substr(0, text.find_first_of(";#")));
    if (text.empty()) return;
    if (text.front() == '[') {
        if (text.back() != ']') throw LineError{line, "нет закрывающей скобки «]»"};
        return OpenSection(line, Trim(text.substr(1, text.size() - 2)));
    }
    const auto equals = text.find('=');
    if (equals == text.npos)
        throw LineError{line,
                        "ожидается «ключ = значение» или «[имя показа]», а не " + Quote(text)};
    const std::string_view name = Trim(text.substr(0, equals));
    const std::string key = Lower(name);
    const std::string_view value = Trim(text.substr(equals + 1));
    if (!m_sectionLine)
        throw LineError{line, "ключ " + Quote(name) + " вне раздела: сначала [имя показа]"};
    if (value.empty()) throw LineError{line, "у ключа " + Quote(name) + " нет значения"};
    if (const auto seen = m_keys.find(key); seen != m_keys.end())
        throw LineError{line, "ключ " + Quote(name) + " уже задан в строке " +
                                  std::to_string(seen->second)};
    if (!(m_inShow ? ShowKey(line, key, value) : LocationKey(line, key, value)))
        throw LineError{line, "неизвестный ключ " + Quote(name) +
                                  (m_inShow ? "" : " в разделе [location]")};
    m_keys.emplace(key, line);
}

void CParser::OpenSection(int line, std::string_view name) {
    CloseSection();
    if (name.empty()) throw LineError{line, "пустое имя раздела"};
    const bool location = Lower(name) == "location";
    const std::string id = location ? "location" : std::string(name);
    if (const auto seen = m_sections.find(id); seen != m_sections.end())
        throw LineError{line, "раздел " + Quote(name) + " уже есть в строке " +
                                  std::to_string(seen->second)};
    if (!location && m_schedule.shows.size() == kMaxShows)
        throw LineError{line, "больше " + std::to_string(kMaxShows) + " показов"};
    m_sections.emplace(id, line);
    m_sectionLine = line;
    m_inShow = !location;
    if (location) {
        m_location.emplace();
        return;
    }
    Show& show = m_schedule.shows.emplace_back();
    show.name = name;
    show.line = line;
}

void CParser::Require(std::initializer_list<const char*> keys, const std::string& where) const {
    for (const char* key : keys)
        if (!m_keys.contains(key))
            throw LineError{m_sectionLine, where + " нет ключа " + Quote(key)};
}

void CParser::CloseSection() {
    if (m_inShow) {
        const Show& show = m_schedule.shows.back();
        Require({"start", "stop", "pattern"}, "в показе " + Quote(show.name));
        if (show.start.base == show.stop.base && show.start.seconds == show.stop.seconds)
            throw LineError{m_keys.at("stop"), "конец показа совпадает с началом"};
        if (show.from && show.until && DayNumber(*show.until) < DayNumber(*show.from))
            throw LineError{m_keys.at("until"), "дата until раньше даты from"};
    } else if (m_location) {
        Require({"latitude", "longitude"}, "в разделе [location]");
        m_schedule.location = std::exchange(m_location, std::nullopt);
    }
    m_keys.clear();
    m_inShow = false;
}

bool CParser::LocationKey(int line, const std::string& key, std::string_view value) {
    if (key == "latitude")
        m_location->latitude = ParseDegrees(line, value, 90, "широта");
    else if (key == "longitude")
        m_location->longitude = ParseDegrees(line, value, 180, "долгота");
    else
        return false;
    return true;
}

bool CParser::ShowKey(int line, const std::string& key, std::string_view value) {
    Show& show = m_schedule.shows.back();
    if (key == "days") {
        show.days = ParseDays(line, value);
    } else if (key == "start" || key == "stop") {
        TimeSpec& spec = key == "start" ? show.start : show.stop;
        spec = ParseTime(line, value);
        if (spec.base != TimeSpec::Base::Clock && !m_sunLine) m_sunLine = line;
    } else if (key == "pattern") {
        show.patterns = ParsePatterns(line, value);
    } else if (key == "passes") {
        const auto passes = Digits(value, 1, 7);
        if (!passes || *passes < 1 || *passes > 1000000)
            throw LineError{line,
                            "число проходов " + Quote(value) + ": нужно целое от 1 до 1000000"};
        show.passes = *passes;
    } else if (key == "at_stop") {
        const std::string lower = Lower(value);
        if (lower != "now" && lower != "end_of_pass")
            throw LineError{line, "at_stop " + Quote(value) + ": нужно now или end_of_pass"};
        show.atStop = lower == "now" ? AtStop::Now : AtStop::EndOfPass;
    } else if (key == "from" || key == "until") {
        (key == "from" ? show.from : show.until) = ParseDate(line, value);
    } else {
        return false;
    }
    return true;
}

} // namespace

std::string ParseError::Text() const {
    return "строка " + std::to_string(line) + ": " + reason;
}

std::variant<Schedule, ParseError> ParseSchedule(std::string_view text, const CTimeZone& zone,
                                                 Instant now) {
    try {
        Schedule schedule = CParser().Run(text);
        if (auto error = CheckOccurrences(schedule, zone, now)) return *std::move(error);
        return schedule;
    } catch (const LineError& error) {
        return ParseError{error.line, error.reason};
    }
}

} // namespace schedule
