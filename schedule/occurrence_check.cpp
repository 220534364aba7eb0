// Two shows overlap when an occurrence of one starts before an occurrence of the other
// stops. Sun times move with the date and the zone's offset with the season, so no rule on
// the file's text alone decides it: every occurrence of every show is laid out over two
// years of start days (each weekday in each season) and swept in order of start. A show
// whose dates begin later gets two years from its first day as well. A show that never
// plays there (its days miss its dates, its stop always comes before its start) is an error
// too, unless its dates are over.
#include "schedule/occurrence_check.h"

#include <algorithm>

namespace schedule {

namespace {

constexpr std::int64_t kWindowDays = 2 * 366;
constexpr std::int64_t kLeadDays = 2; // a night that started before a window still runs into it

using Window = std::pair<std::int64_t, std::int64_t>; // first and last start day

// Disjoint windows in order: two years from today and from each later `from`.
std::vector<Window> Windows(const Schedule& schedule, std::int64_t today) {
    std::vector<Window> windows;
    for (const Show& show : schedule.shows) {
        const std::int64_t first = std::max(today, show.from ? DayNumber(*show.from) : today);
        if (!show.until || DayNumber(*show.until) >= first)
            windows.emplace_back(first - kLeadDays, first + kWindowDays);
    }
    std::sort(windows.begin(), windows.end());
    std::vector<Window> merged;
    for (const Window& window : windows) {
        if (!merged.empty() && window.first <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, window.second);
        else
            merged.push_back(window);
    }
    return merged;
}

ParseError Report(const Schedule& schedule, const Occurrence& a, const Occurrence& b) {
    const auto& [earlier, later] = a.show <= b.show ? std::pair{a, b} : std::pair{b, a};
    const Show& first = schedule.shows[earlier.show];
    const Show& second = schedule.shows[later.show];
    if (&first == &second)
        return {second.line, "показ «" + second.name + "» " + DateText(std::min(a.day, b.day)) +
                                 " не кончается до своего следующего начала"};
    return {second.line, "показ «" + second.name + "» " + DateText(later.day) +
                             " пересекается с показом «" + first.name + "» (строка " +
                             std::to_string(first.line) + ") " + DateText(earlier.day)};
}

// Also marks the shows that play after `now`.
std::optional<ParseError> SweepWindow(const Schedule& schedule, const CTimeZone& zone,
                                      const Window& window, Instant now, std::vector<bool>& plays) {
    std::vector<Occurrence> all;
    for (std::size_t show = 0; show < schedule.shows.size(); ++show)
        for (std::int64_t day = window.first; day <= window.second; ++day)
            if (const auto occurrence = OccurrenceOn(schedule, show, zone, day))
                if (occurrence->start < occurrence->stop) {
                    all.push_back(*occurrence);
                    if (occurrence->stop > now) plays[show] = true;
                }
    std::sort(all.begin(), all.end(), [](const Occurrence& a, const Occurrence& b) {
        return a.start != b.start ? a.start < b.start : a.show < b.show;
    });
    const Occurrence* latest = nullptr; // of those so far, the one that stops last
    for (const Occurrence& occurrence : all) {
        if (latest && occurrence.start < latest->stop && latest->stop > now)
            return Report(schedule, *latest, occurrence); // not one wholly past
        if (!latest || occurrence.stop > latest->stop) latest = &occurrence;
    }
    return std::nullopt;
}

} // namespace

std::optional<ParseError> CheckOccurrences(const Schedule& schedule, const CTimeZone& zone,
                                           Instant now) {
    const std::int64_t today = InstantToLocal(zone, now).dayNumber;
    std::vector<bool> plays(schedule.shows.size());
    for (const Window& window : Windows(schedule, today))
        if (auto error = SweepWindow(schedule, zone, window, now, plays)) return error;
    for (std::size_t index = 0; index < schedule.shows.size(); ++index) {
        const Show& show = schedule.shows[index];
        if (!plays[index] && (!show.until || DayNumber(*show.until) >= today))
            return ParseError{show.line, "показ «" + show.name + "» не играет ни в один свой день"};
    }
    return std::nullopt;
}

} // namespace schedule
