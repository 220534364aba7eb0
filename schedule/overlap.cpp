// Two shows overlap when an occurrence of one starts before an occurrence of the other
// stops. Sun times move with the date and the zone's offset with the season, so no rule on
// the file's text alone can decide it: each pair's common start days are walked for two
// years (every weekday in every season), against the occurrences of two days either side
// (a sun time moved by hours can leave its own day).
#include "schedule/overlap.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>

namespace schedule {

namespace {

constexpr std::int64_t kWindowDays = 2 * 366;

bool Overlap(const std::optional<Occurrence>& a, const std::optional<Occurrence>& b) {
    return a && b && a->start < b->stop && b->start < a->stop;
}

std::string DayText(std::int64_t day) {
    const Date date = DateOf(day);
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", date.day, date.month, date.year);
    return text;
}

class COccurrences {
public:
    COccurrences(const Schedule& schedule, const CTimeZone& zone)
        : m_schedule(schedule), m_zone(zone) {}

    const std::optional<Occurrence>& On(std::size_t show, std::int64_t day) {
        const auto key = std::pair{show, day};
        auto found = m_cache.find(key);
        if (found == m_cache.end())
            found = m_cache.emplace(key, OccurrenceOn(m_schedule, show, m_zone, day)).first;
        return found->second;
    }

private:
    const Schedule& m_schedule;
    const CTimeZone& m_zone;
    std::map<std::pair<std::size_t, std::int64_t>, std::optional<Occurrence>> m_cache;
};

std::optional<ParseError> PairOverlap(COccurrences& occurrences, const Schedule& schedule,
                                      std::size_t first, std::size_t second, std::int64_t today) {
    const Show& a = schedule.shows[first];
    const Show& b = schedule.shows[second];
    std::int64_t low = today - 2, high = INT64_MAX;
    for (const Show* show : {&a, &b}) {
        if (show->from) low = std::max(low, DayNumber(*show->from));
        if (show->until) high = std::min(high, DayNumber(*show->until));
    }
    high = std::min(high, low + kWindowDays);
    for (std::int64_t day = low; day <= high; ++day) {
        const auto& later = occurrences.On(second, day);
        if (!later) continue;
        for (std::int64_t near = day - 2; near <= day + 2; ++near) {
            if (first == second && near == day) continue;
            if (!Overlap(later, occurrences.On(first, near))) continue;
            if (first == second)
                return ParseError{b.line, "показ «" + b.name +
                                              "» не кончается до своего следующего начала " +
                                              DayText(std::max(day, near))};
            return ParseError{b.line, "показ «" + b.name + "» " + DayText(day) +
                                          " пересекается с показом «" + a.name + "» (строка " +
                                          std::to_string(a.line) + ") " + DayText(near)};
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<ParseError> FindOverlap(const Schedule& schedule, const CTimeZone& zone,
                                      Instant now) {
    COccurrences occurrences(schedule, zone);
    const std::int64_t today = InstantToLocal(zone, now).dayNumber;
    for (std::size_t second = 0; second < schedule.shows.size(); ++second)
        for (std::size_t first = 0; first <= second; ++first)
            if (auto error = PairOverlap(occurrences, schedule, first, second, today))
                return error;
    return std::nullopt;
}

} // namespace schedule
