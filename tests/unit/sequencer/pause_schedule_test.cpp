// The pause schedule on a fake clock: wake-ups come late by set amounts, and each row's
// length is what the lines would show; and the real clock after a late wake-up.
#include "sequencer/pause_clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <vector>

namespace {

constexpr std::int64_t kPause = 10'000; // 10 ms in microseconds

// Row lengths when the write ending row i comes `late(i)` after its deadline.
std::vector<std::int64_t> Play(int rows, const std::function<std::int64_t(int)>& late) {
    CPauseSchedule schedule;
    std::vector<std::int64_t> lengths;
    for (std::int64_t i = 0, written = 0, next = 0; i < rows; ++i, written = next) {
        next = schedule.NextDeadline(written, kPause) + late(int(i));
        lengths.push_back(next - written);
    }
    return lengths;
}

TEST(PauseSchedule, LateWakeUpsAreMadeUpSlowlyAndTheMeanHolds) {
    // Every tenth wake-up half a pause late, and once a stall of one and a half pauses.
    const auto lengths = Play(600, [](int i) -> std::int64_t {
        if (i == 100) return kPause * 3 / 2;
        return i < 500 && i % 10 == 3 ? kPause / 2 : 0;
    });
    EXPECT_NEAR(std::accumulate(lengths.begin(), lengths.end(), std::int64_t{0}), 600 * kPause,
                600 * kPause / 1000);
}

TEST(PauseSchedule, AStallOfSeveralPausesStartsAfresh) {
    const auto lengths = Play(100, [](int i) { return i == 10 ? 5 * kPause : 0; });
    EXPECT_EQ(lengths[10], 6 * kPause);
    EXPECT_TRUE(std::all_of(lengths.begin() + 11, lengths.end(), [](auto n) {
        return n == kPause;
    })) << "no row after the stall is hurried";
}

// Work of the test's own makes every third row late: the row written after it still
// stays on the lines nine tenths of its pause, as counted by the system's counter.
TEST(PauseClock, ARowAfterALateWakeUpKeepsItsShare) {
    LARGE_INTEGER frequency{}, start{}, end{};
    QueryPerformanceFrequency(&frequency);
    CPauseClock clock;
    for (int row = 0; row < 12; ++row) {
        if (row % 3 == 2) Sleep(8);
        QueryPerformanceCounter(&start);
        clock.WaitNext(10);
        QueryPerformanceCounter(&end);
        EXPECT_GE((end.QuadPart - start.QuadPart) * 1000, frequency.QuadPart * 9) << row;
    }
}

} // namespace
