// Rows added and deleted in the document and the grid together, all or nothing.
#include "frame/rowcommands.h"

#include "framework/exception.h"
#include "grid/grid.h"

#include <gtest/gtest.h>

namespace {

KIV_ROW Row(int tag) {
    KIV_ROW row{};
    row[0] = tag;
    return row;
}

class RowCommands : public ::testing::Test {
protected:
    CORVGrid grid;
    std::vector<KIV_ROW> rows{Row(1), Row(2), Row(3)};

    void SetUp() override { grid.SetRowCount(3, false); }
    std::vector<int> Tags() const {
        std::vector<int> tags;
        for (const KIV_ROW& row : rows)
            tags.push_back(row[0]);
        return tags;
    }
};

TEST_F(RowCommands, InsertPutsZeroRowsBeforeThePositionOrAtTheEnd) {
    InsertPatternRows(rows, grid, 1, 2);
    EXPECT_EQ(Tags(), (std::vector<int>{1, 0, 0, 2, 3}));
    EXPECT_EQ(rows[2], KIV_ROW{});
    EXPECT_EQ(grid.GetRowCount(), 5);
    InsertPatternRows(rows, grid, 5, 1);
    EXPECT_EQ(Tags(), (std::vector<int>{1, 0, 0, 2, 3, 0}));
    EXPECT_EQ(grid.GetRowCount(), 6);
}

TEST_F(RowCommands, InsertIntoAnEmptyPattern) {
    rows.clear();
    grid.SetRowCount(0, false);
    InsertPatternRows(rows, grid, 0, 1);
    EXPECT_EQ(rows.size(), 1u);
    EXPECT_EQ(grid.GetRowCount(), 1);
}

TEST_F(RowCommands, CountsThatDoNotFitAreRefusedAsOutOfMemoryWithNothingChanged) {
    EXPECT_THROW(InsertPatternRows(rows, grid, 3, ORV_MAX_ROWS - 2), CMemoryException);
    EXPECT_THROW(InsertPatternRows(rows, grid, 0, 0x7FFFFFFF), CMemoryException);
    EXPECT_EQ(Tags(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(grid.GetRowCount(), 3);
}

TEST_F(RowCommands, InsertIgnoresCountsBelowOneAndPositionsOutsideThePattern) {
    InsertPatternRows(rows, grid, 1, 0);
    InsertPatternRows(rows, grid, 1, -4);
    InsertPatternRows(rows, grid, -1, 1);
    InsertPatternRows(rows, grid, 4, 1);
    EXPECT_EQ(Tags(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(grid.GetRowCount(), 3);
}

TEST_F(RowCommands, DeleteRemovesOneRowFromBoth) {
    EXPECT_TRUE(DeletePatternRow(rows, grid, 1));
    EXPECT_EQ(Tags(), (std::vector<int>{1, 3}));
    EXPECT_EQ(grid.GetRowCount(), 2);
    EXPECT_TRUE(DeletePatternRow(rows, grid, 1));
    EXPECT_TRUE(DeletePatternRow(rows, grid, 0));
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(grid.GetRowCount(), 0);
    EXPECT_FALSE(DeletePatternRow(rows, grid, 0));
}

TEST_F(RowCommands, DeleteOutsideThePatternChangesNothing) {
    EXPECT_FALSE(DeletePatternRow(rows, grid, -1));
    EXPECT_FALSE(DeletePatternRow(rows, grid, 3));
    EXPECT_EQ(Tags(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(grid.GetRowCount(), 3);
}

} // namespace
