// The byte table: which cells light which lines, and how many rows it holds.
#include "sequencer/byte_table.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using Row = std::array<int, 8>;

TEST(ByteTable, OnlyCellsHoldingExactlyOneLightTheirLine) {
    const std::vector<Row> rows = {
        {1, 0, 0, 1, 0, 0, 0, 0},        // D0 and D3
        {0, 0, 0, 0, 0, 0, 0, 1},        // D7 is the top bit
        {2, -1, 0x101, 255, 0, 0, 0, 0}, // values from a foreign file: all off
        {1, 1, 1, 1, 1, 1, 1, 1},        {-1, 1, 0x7fffffff, 0, 1, 3, 0, 1}, // mixed
    };
    const ByteTable expected{9, 128, 0, 255, 0x92};
    EXPECT_EQ(BuildByteTable(rows, 5), expected);
    // Rows that are not eight packed cells take the plain way, to the same bytes.
    std::vector<std::vector<int>> loose;
    for (const Row& row : rows)
        loose.emplace_back(row.begin(), row.end());
    EXPECT_EQ(BuildByteTable(loose, 5), expected);
}

TEST(ByteTable, TheRowCountDecidesTheLength) {
    const std::vector<Row> rows = {{0, 1, 0, 0, 0, 0, 1, 0}, {1, 1, 0, 0, 0, 0, 0, 0}};
    EXPECT_EQ(BuildByteTable(rows, 1), ByteTable{0x42});
    // A count that an idle pass has not yet brought down plays the gone rows as off.
    EXPECT_EQ(BuildByteTable(rows, 3), (ByteTable{0x42, 3, 0}));
    EXPECT_TRUE(BuildByteTable(rows, 0).empty());
    EXPECT_TRUE(BuildByteTable(rows, -3).empty()) << "a stale negative count";
}

} // namespace
