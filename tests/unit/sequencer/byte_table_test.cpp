// The byte table: which cells light which lines, and what is asked of the pattern.
#include "sequencer/byte_table.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace {

using Cells = std::vector<std::vector<int>>; // [row][col]

ByteTable Build(const Cells& rows, std::set<std::pair<int, int>>* asked = nullptr) {
    return BuildByteTable(static_cast<int>(rows.size()), [&](int col, int row) {
        if (asked) asked->insert({col, row});
        return rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
    });
}

TEST(ByteTable, OnlyCellsHoldingExactlyOneLightTheirLine) {
    const Cells rows = {
        {1, 0, 0, 1, 0, 0, 0, 0},        // D0 and D3
        {0, 0, 0, 0, 0, 0, 0, 1},        // D7 is the top bit
        {2, -1, 0x101, 255, 0, 0, 0, 0}, // values from a foreign file: all off
        {1, 1, 1, 1, 1, 1, 1, 1},        {-1, 1, 0x7fffffff, 0, 1, 3, 0, 1}, // mixed
    };
    std::set<std::pair<int, int>> asked;
    EXPECT_EQ(Build(rows, &asked), (ByteTable{9, 128, 0, 255, 0x92}));

    std::set<std::pair<int, int>> every;
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 8; ++col)
            every.insert({col, row});
    EXPECT_EQ(asked, every) << "eight columns of every row, nothing beyond";
}

TEST(ByteTable, NoRowsAskNothing) {
    int calls = 0;
    const auto count = [&](int, int) { return ++calls, 1; };
    EXPECT_TRUE(BuildByteTable(0, count).empty());
    EXPECT_TRUE(BuildByteTable(-3, count).empty()) << "a stale negative count";
    EXPECT_EQ(calls, 0);
}

// Answers as the pattern view does: the value in `.data`, text beside it.
struct FakeView {
    struct Value {
        std::wstring text;
        int data = 0;
    };
    Cells rows;
    Value GetCellValue(int col, int row) {
        if (row < 0 || row >= static_cast<int>(rows.size())) return {}; // as the view does
        return {L"", rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)]};
    }
};

TEST(ByteTable, FromAViewReadsTheDataOfEachCell) {
    FakeView view{{{0, 1, 0, 0, 0, 0, 1, 0}, {1, 1, 0, 0, 0, 0, 0, 0}}};
    EXPECT_EQ(BuildByteTable(view, 2), (ByteTable{0x42, 3}));
    // A row count that an idle pass has not yet brought down reads the gone rows as off.
    EXPECT_EQ(BuildByteTable(view, 3), (ByteTable{0x42, 3, 0}));
}

} // namespace
