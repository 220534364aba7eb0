// What plays when, and the next boundary.
#include "schedule/schedule.h"

#include <algorithm>
#include <cstdio>

namespace schedule {

namespace {

constexpr std::int64_t kLookAheadDays = 366;

// A start or stop on a day, or none when the sun does not rise or set that day.
std::optional<Instant> Resolve(const Schedule& schedule, const CTimeZone& zone,
                               const TimeSpec& spec, std::int64_t day) {
    if (spec.base == TimeSpec::Base::Clock) return LocalToInstant(zone, day, spec.seconds);
    if (!schedule.location) return std::nullopt;
    const auto kind = spec.base == TimeSpec::Base::Sunrise ? SunKind::Sunrise : SunKind::Sunset;
    const SunEvent event = ComputeSunEvent(*schedule.location, DateOf(day), kind);
    if (event.state != SunState::Event) return std::nullopt;
    return event.at + spec.seconds;
}

// The wall-clock time that decides whether the stop falls on the next day: sunrise counts
// as a morning time (06:00), sunset as an evening time (18:00), each moved by its offset.
// So start = sunset with stop = 01:00 plays into the night; with stop = 23:00 it stops the
// same evening, and on a day when the sun sets after 23:00 it does not play at all, where
// taking the next day's 23:00 would keep the lights on for a whole day.
int NominalSeconds(const TimeSpec& spec) {
    switch (spec.base) {
    case TimeSpec::Base::Sunrise:
        return 6 * 3600 + spec.seconds;
    case TimeSpec::Base::Sunset:
        return 18 * 3600 + spec.seconds;
    case TimeSpec::Base::Clock:
        break;
    }
    return spec.seconds;
}

bool PlaysOn(const Show& show, std::int64_t day) {
    return show.days[WeekdayOf(day)] && (!show.from || day >= DayNumber(*show.from)) &&
           (!show.until || day <= DayNumber(*show.until));
}

} // namespace

std::optional<Occurrence> OccurrenceOn(const Schedule& schedule, std::size_t index,
                                       const CTimeZone& zone, std::int64_t day) {
    const Show& show = schedule.shows.at(index);
    if (!PlaysOn(show, day)) return std::nullopt;
    const auto start = Resolve(schedule, zone, show.start, day);
    const bool nextDay = NominalSeconds(show.stop) < NominalSeconds(show.start);
    const auto stop = Resolve(schedule, zone, show.stop, day + nextDay);
    if (!start || !stop) return std::nullopt;
    return Occurrence{index, day, *start, std::max(*start, *stop)};
}

std::optional<Occurrence> PlayingAt(const Schedule& schedule, const CTimeZone& zone, Instant now) {
    const std::int64_t today = InstantToLocal(zone, now).dayNumber;
    for (std::size_t show = 0; show < schedule.shows.size(); ++show)
        for (std::int64_t day = today - 2; day <= today + 1; ++day)
            if (const auto occurrence = OccurrenceOn(schedule, show, zone, day))
                if (occurrence->start <= now && now < occurrence->stop) return occurrence;
    return std::nullopt;
}

std::optional<Boundary> NextBoundary(const Schedule& schedule, const CTimeZone& zone, Instant now) {
    const std::int64_t today = InstantToLocal(zone, now).dayNumber;
    std::optional<Boundary> next;
    const auto offer = [&next](Boundary candidate) {
        if (!next || candidate.at < next->at || (candidate.at == next->at && candidate.isStart))
            next = candidate;
    };
    for (std::size_t index = 0; index < schedule.shows.size(); ++index) {
        const Show& show = schedule.shows[index];
        const std::int64_t first =
            std::max(today - 2, show.from ? DayNumber(*show.from) : today - 2);
        std::int64_t last = first + kLookAheadDays;
        if (show.until) last = std::min(last, DayNumber(*show.until));
        for (std::int64_t day = first; day <= last; ++day) {
            const auto occurrence = OccurrenceOn(schedule, index, zone, day);
            if (!occurrence || occurrence->start == occurrence->stop || occurrence->stop <= now)
                continue;
            const bool started = occurrence->start <= now;
            offer({started ? occurrence->stop : occurrence->start, !started, *occurrence});
            break;
        }
    }
    return next;
}

std::size_t PatternForPass(const Show& show, std::uint64_t passesDone) {
    if (show.patterns.empty()) return 0;
    return std::size_t(passesDone / std::uint64_t(std::max(show.passes, 1)) % show.patterns.size());
}

std::string BoundaryText(const Schedule& schedule, const CTimeZone& zone,
                         const std::optional<Boundary>& next) {
    if (!next) return "впереди показов нет";
    const LocalTime local = InstantToLocal(zone, next->at);
    const int h = local.seconds / 3600, m = local.seconds / 60 % 60, s = local.seconds % 60;
    char time[16];
    if (s)
        std::snprintf(time, sizeof time, "%02d:%02d:%02d", h, m, s);
    else
        std::snprintf(time, sizeof time, "%02d:%02d", h, m);
    return "«" + schedule.shows.at(next->occurrence.show).name + "» " +
           (next->isStart ? "начнётся " : "закончится ") + DateText(local.dayNumber) + " в " + time;
}

} // namespace schedule
