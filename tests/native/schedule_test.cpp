// The show schedule on a fake clock with the system's real zone rules (the tz database).
#include "schedule/schedule.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

using namespace schedule;

namespace {

// The tz database through the C library, one zone at a time.
class CTzZone final : public CTimeZone {
public:
    explicit CTzZone(const char* name) : m_name(name) {}
    int OffsetAt(Instant t) const override {
        Select();
        const std::time_t time = t;
        std::tm local{};
        localtime_r(&time, &local);
        return int(local.tm_gmtoff);
    }
    // "2026-12-12 20:00" read as this zone's wall clock by mktime.
    Instant Local(const char* text) const {
        Select();
        std::tm tm{};
        strptime(text, "%Y-%m-%d %H:%M", &tm);
        tm.tm_isdst = -1;
        return std::mktime(&tm);
    }

private:
    void Select() const {
        static std::string current;
        if (current == m_name) return;
        setenv("TZ", m_name, 1);
        tzset();
        current = m_name;
    }
    const char* m_name;
};

const CTzZone kBerlin("Europe/Berlin"), kMoscow("Europe/Moscow"), kNewYork("America/New_York"),
    kUtc("UTC");
const Instant kNow = kBerlin.Local("2026-12-10 12:00"); // a Thursday

Schedule Parse(const std::string& text, const CTimeZone& zone = kBerlin, Instant now = kNow) {
    auto result = ParseSchedule(text, zone, now);
    if (const auto* error = std::get_if<ParseError>(&result)) ADD_FAILURE() << error->Text();
    return std::get_if<Schedule>(&result) ? std::get<Schedule>(result) : Schedule{};
}

std::string Section(const char* name, const char* days, const char* start, const char* stop,
                    const char* more = "") {
    return std::string("[") + name + "]\ndays = " + days + "\nstart = " + start +
           "\nstop = " + stop + "\npattern = a.cmb\n" + more;
}

} // namespace

TEST(ScheduleFile, ReadsEveryKeyInEitherLineEndWithBomAndComments) {
    const Schedule s =
        Parse("\xEF\xBB\xBF; sample\r\n[location] ; for the sun\r\nlatitude = 55,75\r\n"
              "longitude = 37.62 # Moscow\r\n[Вечер]\r\ndays = Пн-ср, fri-mon\r\n"
              "start = Sunset -00:30\r\nstop = 01:00:30\r\n"
              "pattern = a.cmb , гирлянда.cmb\r\nPASSES = 10\r\nat_stop = end_of_pass\r\n"
              "from = 2026-12-01\r\nuntil = 2027-01-10\r\n");
    ASSERT_EQ(s.shows.size(), 1u);
    EXPECT_DOUBLE_EQ(s.location->latitude, 55.75);
    const auto& show = s.shows[0];
    EXPECT_EQ(show.name, "Вечер");
    EXPECT_EQ(show.line, 5);
    EXPECT_EQ(show.days, (std::array<bool, 7>{true, true, true, false, true, true, true}));
    EXPECT_EQ(show.start.base, TimeSpec::Base::Sunset);
    EXPECT_EQ(show.start.seconds, -1800);
    EXPECT_EQ(show.stop.seconds, 3630);
    EXPECT_EQ(show.patterns, (std::vector<std::string>{"a.cmb", "гирлянда.cmb"}));
    EXPECT_EQ(show.atStop, AtStop::EndOfPass);
    EXPECT_EQ(*show.until, (Date{2027, 1, 10}));
    EXPECT_TRUE(Parse("; [evening]\n# days = daily\n\n").shows.empty());
}

TEST(ScheduleFile, EveryErrorSaysItsLineAndWhy) {
    const std::string ok = Section("a", "daily", "17:00", "18:00");
    const struct {
        std::string text;
        int line;
        const char* reason;
    } cases[] = {
        {"[a]\ndays = \xFF\n", 2, "текст не в кодировке UTF-8"},
        {"[a\n", 1, "нет закрывающей скобки «]»"},
        {"[ ]\n", 1, "пустое имя раздела"},
        {ok + "[a]\n", 6, "раздел «a» уже есть в строке 1"},
        {ok + "stop\n", 6, "ожидается «ключ = значение» или «[имя показа]», а не «stop»"},
        {"days = mon\n", 1, "ключ «days» вне раздела: сначала [имя показа]"},
        {ok + "passes =\n", 6, "у ключа «passes» нет значения"},
        {ok + "Start = 19:00\n", 6, "ключ «Start» уже задан в строке 3"},
        {ok + "strat = 19:00\n", 6, "неизвестный ключ «strat»"},
        {"[location]\nlat = 5\n", 2, "неизвестный ключ «lat» в разделе [location]"},
        {"[a]\nstart = 17:00\nstop = 18:00\n", 1, "в показе «a» нет ключа «pattern»"},
        {"[location]\nlatitude = 5\n", 1, "в разделе [location] нет ключа «longitude»"},
        {Section("a", "mon, sut", "17:00", "18:00"), 2, "неизвестный день недели «sut»"},
        {Section("a", "mon,,tue", "17:00", "18:00"), 2, "пустой элемент в списке дней"},
        {Section("a", "mon", "24:00", "18:00"), 3,
         "неверное время «24:00»: нужно ЧЧ:ММ, ЧЧ:ММ:СС, sunrise или sunset"},
        {Section("a", "mon", "17:0", "18:00"), 3, "неверное время «17:0»"},
        {Section("a", "mon", "sunset 00:30", "23:00"), 3,
         "неверный сдвиг «00:30»: нужно +ЧЧ:ММ или -ЧЧ:ММ"},
        {Section("a", "mon", "17:00", "17:00:00"), 4, "конец показа совпадает с началом"},
        {"[a]\nstart = 1:00\nstop = 2:00\npattern = a.cmb,\n", 4,
         "пустое имя файла в списке узоров"},
        {ok + "passes = 0\n", 6, "число проходов «0»: нужно целое от 1 до 1000000"},
        {ok + "at_stop = later\n", 6, "at_stop «later»: нужно now или end_of_pass"},
        {ok + "from = 2026-02-29\n", 6, "неверная дата «2026-02-29»: нужно ГГГГ-ММ-ДД"},
        {ok + "from = 2027-01-02\nuntil = 2027-01-01\n", 7, "дата until раньше даты from"},
        {"[location]\nlatitude = 91\n", 2, "широта «91»: нужно число от -90 до 90"},
        {"[location]\nlatitude = 1\nlongitude = inf\n", 3,
         "долгота «inf»: нужно число от -180 до 180"},
        {Section("a", "mon", "sunrise", "12:00"), 3,
         "для sunrise и sunset нужен раздел [location] с широтой и долготой"},
    };
    for (const auto& c : cases) {
        const auto result = ParseSchedule(c.text, kBerlin, kNow);
        const auto* error = std::get_if<ParseError>(&result);
        ASSERT_TRUE(error) << c.text;
        EXPECT_EQ(error->line, c.line) << c.text;
        EXPECT_EQ(error->reason.substr(0, std::strlen(c.reason)), c.reason) << c.text;
    }
    std::string many;
    for (int i = 0; i < 101; ++i)
        many += Section(std::to_string(i).c_str(), "mon", "00:00:01", "00:00:02");
    EXPECT_EQ(std::get<ParseError>(ParseSchedule(many, kBerlin, kNow)).Text(),
              "строка 501: больше 100 показов");
}

TEST(ScheduleFile, OverlapsOnAnyDayOfTheComingTwoYearsNameBothShowsAndEveryShowPlays) {
    const std::string moscow = "[location]\nlatitude = 55.75\nlongitude = 37.62\n";
    const struct {
        std::string text;
        const char* error; // empty: no overlap
    } cases[] = {
        {Section("a", "sat", "20:00", "02:00") + Section("b", "sun", "01:00", "03:00"),
         "строка 6: показ «b» 13.12.2026 пересекается с показом «a» (строка 1) 12.12.2026"},
        {Section("a", "sat", "20:00", "02:00") + Section("b", "fri", "22:00", "23:00"), ""},
        {Section("a", "daily", "17:00", "20:00") + Section("b", "daily", "20:00", "17:00"), ""},
        {Section("a", "daily", "17:00", "20:00", "until = 2027-01-01\n") +
             Section("b", "daily", "18:00", "19:00", "from = 2027-01-02\n"),
         ""},
        {Section("a", "daily", "17:00", "20:00", "from = 2031-05-01\n") +
             Section("b", "thu", "18:00", "19:00", "from = 2031-01-01\n"),
         "строка 7: показ «b» 01.05.2031 пересекается с показом «a» (строка 1) 01.05.2031"},
        // The sun sets after 20:00 in Moscow from May to early August only.
        {moscow + Section("a", "mon", "sunset", "sunset +01:00") +
             Section("b", "mon", "21:00", "22:00"),
         "строка 9: показ «b» 03.05.2027 пересекается с показом «a» (строка 4) 03.05.2027"},
        {Section("a", "sat", "17:00", "18:00", "from = 2026-12-24\nuntil = 2026-12-25\n"),
         "строка 1: показ «a» не играет ни в один свой день"},
        {Section("a", "thu", "17:00", "18:00", "until = 2026-12-09\n"), ""},
        // Stops at 21:00 next day in winter, after the next start at 20:00.
        {moscow + Section("a", "daily", "20:00", "sunrise +12:00"),
         "строка 4: показ «a» 09.12.2026 не кончается до своего следующего начала"},
    };
    for (const auto& c : cases) {
        const auto result = ParseSchedule(c.text, kMoscow, kNow);
        const auto* error = std::get_if<ParseError>(&result);
        const std::string text = error ? error->Text() : "";
        EXPECT_EQ(text.substr(0, std::strlen(c.error)), c.error) << c.text;
    }
}

TEST(ScheduleQueries, DaysBelongToTheStartAndTheLastDayPlaysToItsStop) {
    const Schedule s = Parse(Section("sat", "sat", "20:00", "02:00") +
                             Section("end", "sun-fri", "22:00", "01:00", "until = 2026-12-31\n"));
    const struct {
        const char* at;
        const char* playing;
    } cases[] = {{"2026-12-11 23:00", "end"}, {"2026-12-12 01:30", ""}, {"2026-12-12 23:00", "sat"},
                 {"2026-12-13 01:59", "sat"}, {"2026-12-13 02:00", ""}, {"2027-01-01 00:30", "end"},
                 {"2027-01-01 22:30", ""}};
    for (const auto& c : cases) {
        const auto playing = PlayingAt(s, kBerlin, kBerlin.Local(c.at));
        EXPECT_EQ(playing ? s.shows[playing->show].name : "", c.playing) << c.at;
    }

    const struct {
        const char* now;
        const char* at;
        bool isStart;
    } next[] = {{"2026-12-12 01:30", "2026-12-12 20:00", true},
                {"2026-12-12 21:00", "2026-12-13 02:00", false},
                {"2027-01-01 00:30", "2027-01-01 01:00", false},
                {"2027-01-01 01:00", "2027-01-02 20:00", true}};
    for (const auto& c : next) {
        const auto boundary = NextBoundary(s, kBerlin, kBerlin.Local(c.now));
        ASSERT_TRUE(boundary) << c.now;
        EXPECT_EQ(boundary->at, kBerlin.Local(c.at)) << c.now;
        EXPECT_EQ(boundary->isStart, c.isStart) << c.now;
    }
    EXPECT_EQ(BoundaryText(s, kBerlin, NextBoundary(s, kBerlin, kBerlin.Local("2026-12-12 21:00"))),
              "«sat» закончится 13.12.2026 в 02:00");
}

TEST(ScheduleQueries, ClockChangeNightsStartAndStopOnce) {
    const Schedule s =
        Parse(Section("a", "sun", "02:30", "02:45") + Section("b", "sun", "01:30", "02:15"));
    const std::int64_t spring = DayNumber({2026, 3, 29}), autumn = DayNumber({2026, 10, 25});
    // Spring: both times of a fall in the skipped hour, so a has no length; b stops at 03:00.
    const auto skipped = OccurrenceOn(s, 0, kBerlin, spring);
    EXPECT_EQ(skipped->start, kUtc.Local("2026-03-29 01:00"));
    EXPECT_EQ(skipped->stop, skipped->start);
    EXPECT_EQ(OccurrenceOn(s, 1, kBerlin, spring)->stop, kUtc.Local("2026-03-29 01:00"));
    const auto afterGap = NextBoundary(s, kBerlin, kUtc.Local("2026-03-29 01:00"));
    EXPECT_EQ(afterGap->at, kUtc.Local("2026-04-04 23:30")); // b, a week later
    // Autumn: 02:30-02:45 plays in the first of the two hours, not again in the second.
    const auto repeated = OccurrenceOn(s, 0, kBerlin, autumn);
    EXPECT_EQ(repeated->start, kUtc.Local("2026-10-25 00:30"));
    EXPECT_EQ(repeated->stop, kUtc.Local("2026-10-25 00:45"));
    EXPECT_FALSE(PlayingAt(s, kBerlin, kUtc.Local("2026-10-25 01:35")));
    EXPECT_EQ(NextBoundary(s, kBerlin, kUtc.Local("2026-10-25 00:50"))->at,
              kUtc.Local("2026-11-01 00:30"));
    // Moscow keeps its clock: the same night is an ordinary one.
    EXPECT_EQ(OccurrenceOn(s, 0, kMoscow, spring)->start, kUtc.Local("2026-03-28 23:30"));
}

TEST(ScheduleSun, WithinAMinuteOfTheEphemerisAndNoneInPolarNightOrDay) {
    // Rise and set of the sun's upper limb with 34' of refraction (the almanacs' convention),
    // worked out with PyEphem 4.1.4 (VSOP87) and rounded to the minute; local times.
    const Location moscow{55.7558, 37.6173}, newYork{40.7128, -74.0060};
    const struct {
        const CTzZone& zone;
        Location where;
        Date date;
        const char* rise;
        const char* set;
    } cases[] = {
        {kMoscow, moscow, {2026, 3, 20}, "2026-03-20 06:32", "2026-03-20 18:43"},
        {kMoscow, moscow, {2026, 6, 21}, "2026-06-21 03:45", "2026-06-21 21:18"},
        {kMoscow, moscow, {2026, 9, 23}, "2026-09-23 06:16", "2026-09-23 18:26"},
        {kMoscow, moscow, {2026, 12, 21}, "2026-12-21 08:57", "2026-12-21 15:58"},
        {kNewYork, newYork, {2026, 3, 20}, "2026-03-20 06:59", "2026-03-20 19:08"},
        {kNewYork, newYork, {2026, 6, 21}, "2026-06-21 05:25", "2026-06-21 20:31"},
        {kNewYork, newYork, {2026, 9, 23}, "2026-09-23 06:45", "2026-09-23 18:51"},
        {kNewYork, newYork, {2026, 12, 21}, "2026-12-21 07:17", "2026-12-21 16:32"},
    };
    for (const auto& c : cases) {
        const SunEvent rise = ComputeSunEvent(c.where, c.date, SunKind::Sunrise);
        const SunEvent set = ComputeSunEvent(c.where, c.date, SunKind::Sunset);
        ASSERT_EQ(rise.state, SunState::Event);
        EXPECT_NEAR(double(rise.at), double(c.zone.Local(c.rise)), 60) << c.rise;
        EXPECT_NEAR(double(set.at), double(c.zone.Local(c.set)), 60) << c.set;
    }
    const Location murmansk{68.97, 33.08};
    EXPECT_EQ(ComputeSunEvent(murmansk, {2026, 12, 21}, SunKind::Sunset).state,
              SunState::PolarNight);
    EXPECT_EQ(ComputeSunEvent(murmansk, {2026, 6, 21}, SunKind::Sunrise).state, SunState::PolarDay);

    // A sunset show there skips the polar night; in Moscow, one that stops at 21:00 does not
    // play while the sun sets later.
    const Schedule north = Parse("[location]\nlatitude = 68.97\nlongitude = 33.08\n" +
                                     Section("a", "daily", "sunset", "23:00"),
                                 kMoscow);
    EXPECT_GT(NextBoundary(north, kMoscow, kMoscow.Local("2026-12-21 12:00"))->at,
              kMoscow.Local("2027-01-10 12:00"));
    const Schedule light = Parse("[location]\nlatitude = 55.75\nlongitude = 37.62\n" +
                                     Section("a", "daily", "sunset", "21:00"),
                                 kMoscow);
    const auto june = OccurrenceOn(light, 0, kMoscow, DayNumber({2026, 6, 21}));
    EXPECT_EQ(june->start, june->stop);
}

TEST(ShowPlan, HandWinsUntilTheNextBoundary) {
    const std::string evening = Section("evening", "daily", "17:00", "23:00");
    CShowPlan plan(kBerlin);
    plan.SetSchedule(Parse(evening));
    using A = CShowPlan::Step::Action;
    const auto poll = [&plan](const char* at) { return plan.Poll(kBerlin.Local(at)).action; };

    EXPECT_EQ(poll("2026-12-12 16:00"), A::None);
    EXPECT_EQ(poll("2026-12-12 17:00"), A::Start);
    plan.NoteHand(kBerlin.Local("2026-12-12 20:00")); // F5
    EXPECT_EQ(poll("2026-12-12 20:00"), A::None);
    EXPECT_EQ(poll("2026-12-12 23:00"), A::Stop);     // nothing to see: already dark
    plan.NoteHand(kBerlin.Local("2026-12-13 10:00")); // F4 outside the show
    EXPECT_EQ(poll("2026-12-13 10:00"), A::None);
    EXPECT_EQ(poll("2026-12-13 17:00"), A::Start);

    // Edits: other times keep the show going, other patterns restart it, none stops it.
    plan.SetSchedule(Parse(Section("evening", "daily", "16:00", "22:00")));
    EXPECT_EQ(poll("2026-12-13 18:00"), A::None);
    plan.SetSchedule(Parse(evening + "passes = 2\n"));
    EXPECT_EQ(poll("2026-12-13 18:00"), A::Start);
    plan.SetSchedule(Schedule{});
    EXPECT_EQ(poll("2026-12-13 18:00"), A::Stop);

    // Asleep over the stop: dark on waking. Launched by /play FILE in a show: the file plays.
    plan.SetSchedule(Parse(evening));
    EXPECT_EQ(poll("2026-12-14 18:00"), A::Start);
    EXPECT_EQ(poll("2026-12-15 09:00"), A::Stop);
    CShowPlan launched(kBerlin);
    launched.SetSchedule(Parse(evening));
    launched.NoteHand(kBerlin.Local("2026-12-15 18:00"));
    EXPECT_EQ(launched.Poll(kBerlin.Local("2026-12-15 18:00")).action, A::None);
}
