// The show schedule: schedule.ini read into shows, what plays at a given instant, the next
// start or stop, sunrise and sunset. Pure C++: the clock comes in as an Instant, the time-zone
// rules through CTimeZone, so the tests run it on a fake clock with the real zone rules.
//
// Times in the file are local wall-clock times, turned into instants like this:
// - a time inside the hour skipped when the clocks go forward happens at the first moment
//   after the gap (02:30 on that night is 03:00 summer time);
// - a time inside the hour repeated when they go back happens once, at its first occurrence;
// - a show starts once and stops once on each of its days. A day belongs to the start:
//   days = sat with 20:00-02:00 plays Saturday night into Sunday morning. A stop earlier than
//   the start falls on the next day. The wall-clock times decide it (so 02:10-02:40 on the
//   spring-forward night has no length and does not play that night), with sunrise counted
//   as 06:00 and sunset as 18:00 (plus their offsets): start = sunset with stop = 01:00
//   plays into the night; with stop = 23:00 it does not play on a day the sun sets later.
// - sunrise/sunset +-HH:MM moves the event's instant; on a day without the event (polar day
//   or night) the show does not play.
// - from/until are inclusive dates of the start day: a show that starts on the last day
//   plays to its stop.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace schedule {

// Seconds since 1970-01-01 00:00 UTC.
using Instant = std::int64_t;

// The time-zone seam: Windows' zone functions in the program, the tz database in the tests.
class CTimeZone {
public:
    virtual ~CTimeZone() = default;
    // Local time minus UTC, in seconds, at an instant (Moscow: +10800). On Windows: the
    // instant as a SYSTEMTIME through SystemTimeToTzSpecificLocalTime, minus the instant.
    virtual int OffsetAt(Instant t) const = 0;
};

// A civil date.
struct Date {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    friend bool operator==(const Date&, const Date&) = default;
};

// Days since 1970-01-01, and back; weekday 0 = Monday .. 6 = Sunday.
std::int64_t DayNumber(const Date& date);
Date DateOf(std::int64_t dayNumber);
int WeekdayOf(std::int64_t dayNumber);
// "12.12.2026"
std::string DateText(std::int64_t dayNumber);

// Local wall-clock time of day `seconds` (0..86399) on a date as an instant, with the rules
// above for the skipped and the repeated hour.
Instant LocalToInstant(const CTimeZone& zone, std::int64_t dayNumber, int seconds);
// The local date (as a day number) and time of day of an instant.
struct LocalTime {
    std::int64_t dayNumber = 0;
    int seconds = 0;
};
LocalTime InstantToLocal(const CTimeZone& zone, Instant t);

// --- Sunrise and sunset (NOAA's solar equations, zenith 90.833 degrees) ---

struct Location {
    double latitude = 0;  // degrees, north positive
    double longitude = 0; // degrees, east positive
};

enum class SunKind { Sunrise, Sunset };
enum class SunState { Event, PolarDay, PolarNight };
struct SunEvent {
    SunState state = SunState::Event;
    Instant at = 0; // only for SunState::Event
};
// The event of a date near local noon at that longitude.
SunEvent ComputeSunEvent(const Location& where, const Date& date, SunKind kind);

// --- The file ---

// A start or a stop: a wall-clock time, or sunrise/sunset moved by an offset.
struct TimeSpec {
    enum class Base { Clock, Sunrise, Sunset };
    Base base = Base::Clock;
    int seconds = 0; // Clock: time of day 0..86399; sun: offset, may be negative
};

enum class AtStop { Now, EndOfPass };

struct Show {
    std::string name; // the section's
    int line = 0;     // the section's
    // Monday first; days defaults to daily.
    std::array<bool, 7> days{true, true, true, true, true, true, true};
    TimeSpec start;
    TimeSpec stop;
    std::vector<std::string> patterns; // as written, relative to the working folder
    int passes = 1;                    // passes of each pattern before the next
    AtStop atStop = AtStop::Now;
    std::optional<Date> from;
    std::optional<Date> until;
};

struct Schedule {
    std::optional<Location> location;
    std::vector<Show> shows; // in file order
};

struct ParseError {
    int line = 0;       // 1-based; the line the reason is about
    std::string reason; // Russian, UTF-8
    // "строка 7: неизвестный день недели «sut»"
    std::string Text() const;
};

// Reads a whole schedule.ini (UTF-8, BOM or not, CRLF or LF) or says the first error; never
// half a schedule. Comments start at ; or # anywhere on a line. Keys and day names take any
// case; days defaults to daily; at most 100 shows. Overlaps are looked for with the zone's
// rules on every start day for two years from today, and from each later `from`: two
// occurrences overlap when one starts before the other stops (one overlap wholly in the past
// does not count). The error is on the later show's line and names both, with their dates.
// A show that does not play once in that time (days that miss its dates, a stop that always
// comes before its start) is an error too, unless its dates are over.
std::variant<Schedule, ParseError> ParseSchedule(std::string_view text, const CTimeZone& zone,
                                                 Instant now);

// --- Queries ---

// One night's show: the show's index in Schedule::shows, its start day and instants.
struct Occurrence {
    std::size_t show = 0;
    std::int64_t day = 0; // day number of the start day
    Instant start = 0;
    Instant stop = 0; // start < stop, or equal when the night's times do not exist
    friend bool operator==(const Occurrence&, const Occurrence&) = default;
};

// The occurrence of a show that starts on a day, if the show plays that day.
std::optional<Occurrence> OccurrenceOn(const Schedule& schedule, std::size_t show,
                                       const CTimeZone& zone, std::int64_t dayNumber);

// The occurrence playing at `now` (start <= now < stop), if any.
std::optional<Occurrence> PlayingAt(const Schedule& schedule, const CTimeZone& zone, Instant now);

// The first start or stop strictly after `now`, looked for up to a year ahead of now (or of
// a later `from`). Empty occurrences are skipped.
struct Boundary {
    Instant at = 0;
    bool isStart = false;
    Occurrence occurrence;
};
std::optional<Boundary> NextBoundary(const Schedule& schedule, const CTimeZone& zone, Instant now);

// Which of a show's patterns plays after `passesDone` whole passes since the show started:
// each pattern plays `passes` passes, then the next, round and round. The driver counts.
std::size_t PatternForPass(const Show& show, std::uint64_t passesDone);

// The next boundary for the tray's tooltip and /status, in local time:
// "«вечер» начнётся 12.12.2026 в 17:00", "«вечер» закончится 13.12.2026 в 02:00", or
// "впереди показов нет".
std::string BoundaryText(const Schedule& schedule, const CTimeZone& zone,
                         const std::optional<Boundary>& next);

// --- Hand against schedule ---
//
// The driver's one object. It remembers which scheduled state it last put in force and asks
// for an action only when the schedule's state changes, so whatever was done by hand (F4, F5,
// /play, /stop) stands until the next scheduled start or stop, which then acts as usual:
// - F5 at 20:00 in a 17:00-23:00 show: dark until tomorrow's 17:00 (the 23:00 stop asks for
//   Stop, which finds the lines dark already).
// - F4 outside any show: plays until the next scheduled start, which starts its show.
// - F4 in a show (another pattern): plays until the show's stop, which goes dark.
// - Launch, waking, a clock change: Poll at once; a show in force is started, a stop that
//   passed while the PC slept darkens.
// - A new schedule (the file edited): the show in force goes on untouched when it is the same
//   (same name, start day, patterns and passes; changed times just apply); otherwise the new
//   state acts at once at the next Poll. A bad edit never reaches the plan: the last good
//   schedule stays.
class CShowPlan {
public:
    // The zone outlives the plan.
    explicit CShowPlan(const CTimeZone& zone) : m_zone(zone) {}

    struct Step {
        enum class Action { None, Start, Stop };
        Action action = Action::None;
        std::optional<Occurrence> playing; // the schedule's show in force now
        // Look again at next->at, and on waking, a clock or zone change, an edit. None:
        // nothing within a year.
        std::optional<Boundary> next;
    };

    void SetSchedule(Schedule schedule) { m_schedule = std::move(schedule); }
    const Schedule& Current() const { return m_schedule; }

    // The user started or stopped a pattern by hand at `now`: the schedule's state at now
    // counts as done, so it does not undo the user's action.
    void NoteHand(Instant now);

    // What to do at `now`; call at launch, at each boundary, after waking or a clock change.
    Step Poll(Instant now);

private:
    struct Applied {
        std::string name;
        std::int64_t day = 0; // the start day
        std::vector<std::string> patterns;
        int passes = 1;
        friend bool operator==(const Applied&, const Applied&) = default;
    };
    std::optional<Applied> AppliedOf(const std::optional<Occurrence>& occurrence) const;

    const CTimeZone& m_zone;
    Schedule m_schedule;
    std::optional<Applied> m_applied; // the scheduled state last put in force; none = dark
};

} // namespace schedule
