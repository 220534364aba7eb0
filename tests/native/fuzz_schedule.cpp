// Any bytes as schedule.ini: a whole schedule or one error on a line of the file, never a
// crash; a schedule's queries agree (what plays holds the instant, the next boundary lies
// ahead), under a zone that skips and repeats an hour each year.
#include "fuzz_check.h"
#include "schedule/schedule.h"

#include <algorithm>
#include <cstdint>

namespace {

// Summer time from day 90 to day 300 of every 365.
class CToyZone final : public schedule::CTimeZone {
public:
    int OffsetAt(schedule::Instant t) const override {
        const auto day = ((t / 86400) % 365 + 365) % 365;
        return day >= 90 && day < 300 ? 7200 : 3600;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const CToyZone zone;
    const schedule::Instant now = 1796900000; // December 2026
    auto result = schedule::ParseSchedule(text, zone, now);
    if (const auto* error = std::get_if<schedule::ParseError>(&result)) {
        Check(error->line >= 1 && error->line <= std::count(text.begin(), text.end(), '\n') + 1);
        Check(!error->reason.empty());
        return 0;
    }
    const auto& schedule = std::get<schedule::Schedule>(result);
    for (const auto& show : schedule.shows)
        Check(!show.patterns.empty() && show.passes >= 1 &&
              schedule::PatternForPass(show, 12345) < show.patterns.size());
    schedule::CShowPlan plan(zone);
    plan.SetSchedule(schedule);
    for (schedule::Instant t = now; t < now + 3 * 86400; t += 5 * 3600 + 17) {
        const auto step = plan.Poll(t);
        if (step.playing) Check(step.playing->start <= t && t < step.playing->stop);
        if (step.next) Check(step.next->at > t);
    }
    return 0;
}
