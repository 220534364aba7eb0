// What Start costs on a long pattern: the byte table of 10,000,000 rows built straight
// from the document's rows, against one plain pass over the same rows in memory (the sum
// of every cell), in one run. Median of several rounds, the two taken in turn.
#include "document/kiv_row.h"
#include "sequencer/byte_table.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 7;

std::vector<KIV_ROW> Pattern(std::size_t rows) {
    std::vector<KIV_ROW> pattern(rows);
    std::mt19937 random(1);
    for (auto& row : pattern)
        for (auto& cell : row.cells)
            cell = static_cast<std::int32_t>(random() % 3); // 2 stands for a foreign value
    return pattern;
}

template <typename Work> double Milliseconds(Work&& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> times) {
    std::ranges::sort(times);
    return times[times.size() / 2];
}

void Measure(std::size_t rowCount) {
    const auto rows = Pattern(rowCount);
    volatile std::uint64_t sink = 0; // keeps both passes from being optimised away
    std::vector<double> plain, table;
    for (int round = 0; round < kRounds; ++round) {
        plain.push_back(Milliseconds([&] {
            std::uint64_t sum = 0;
            for (const auto& row : rows)
                for (const auto cell : row.cells)
                    sum += static_cast<std::uint32_t>(cell);
            sink = sink + sum;
        }));
        table.push_back(Milliseconds([&] {
            const ByteTable bytes = BuildByteTable(rows, static_cast<int>(rowCount));
            sink = sink + bytes[rowCount / 2];
        }));
    }
    const double p = Median(plain), t = Median(table);
    std::printf("%9zu rows: plain pass %7.1f ms, byte table %7.1f ms, ratio %.2f\n", rowCount, p, t,
                t / p);
}

} // namespace

int main() {
    Measure(1'000'000);
    Measure(10'000'000);
    return 0;
}
