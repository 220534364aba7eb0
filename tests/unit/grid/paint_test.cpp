// Painting, read back from a memory bitmap.
#include "grid_host.h"

#include <gtest/gtest.h>

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

class GridPaint : public ::testing::Test {
protected:
    CNotifyRecorder parent;
    CGridHost grid;
    CMemoryDC dc{kWidth, kHeight};

    void SetUp() override { ASSERT_TRUE(parent.Open()); }
    void Open(DWORD options, int rows = 4) {
        ASSERT_TRUE(grid.Open(parent, options, kWidth, kHeight));
        grid.AddCheckColumns();
        grid.SetRowCount(rows, false);
        grid.RecalcLayout();
    }
    void Paint() {
        orv::FillSolidRect(dc, CRect(0, 0, kWidth, kHeight), RGB(255, 0, 255));
        grid.PaintRect(dc, CRect(0, 0, kWidth, kHeight));
    }
    CRect Interior(int absCol, int absRow) {
        CRect r = grid.CellRect(absCol, absRow);
        return {r.left + 1, r.top + 1, r.right, r.bottom};
    }
    std::vector<COLORREF> CellPixels(int dataCol, int dataRow, int value) {
        grid.values[{dataCol, dataRow}] = {L"", value};
        Paint();
        return Pixels(dc, Interior(dataCol + grid.fixedCols, dataRow + grid.headerRows));
    }
};

TEST_F(GridPaint, CheckBoxCellsShowTheirState) {
    Open(0);
    const auto clear = CellPixels(1, 2, 0);
    const auto ticked = CellPixels(1, 2, 1);
    EXPECT_NE(clear, ticked);
    EXPECT_EQ(CellPixels(1, 2, 2), clear); // no three-state format: an empty box
    EXPECT_EQ(CellPixels(1, 2, -1), clear);
    EXPECT_EQ(CellPixels(1, 2, 7), clear);
    grid.columns[1].frameState = DFCS_BUTTONCHECK | DFCS_BUTTON3STATE;
    EXPECT_EQ(CellPixels(1, 2, 1), ticked); // 1 is plainly checked in any format
    const auto indeterminate = CellPixels(1, 2, 2);
    EXPECT_NE(indeterminate, clear);
    EXPECT_NE(indeterminate, ticked);
}

TEST_F(GridPaint, WithoutDataRowsOnlyHeadersCornerAndWindowColourAppear) {
    Open(ORVGS_ROWMODE, 0);
    Paint();
    const int H = grid.HeaderHeight();
    const CRect below(0, H, kWidth, kHeight);
    EXPECT_EQ(CountColor(dc, below, Sys(COLOR_WINDOW)), below.Width() * below.Height());
    const CRect right(grid.totalWidth, 0, kWidth, H);
    EXPECT_EQ(CountColor(dc, right, Sys(COLOR_WINDOW)), right.Width() * right.Height());
    EXPECT_EQ(CountColor(dc, CRect(0, 0, kWidth, kHeight), RGB(255, 0, 255)), 0);
}

TEST_F(GridPaint, RowModeHighlightsTheCurrentRowWithFocusFrameAndMarker) {
    Open(ORVGS_ROWMODE);
    ASSERT_TRUE(grid.MoveCurrentCell(3, 1));
    Paint();
    const int row = grid.currentRow;
    const CRect other = Interior(grid.fixedCols + 5, row);
    EXPECT_GT(CountColor(dc, other, Sys(COLOR_HIGHLIGHT)), other.Width() * other.Height() / 3);
    const CRect notCurrent = Interior(grid.fixedCols + 5, row + 1);
    EXPECT_EQ(CountColor(dc, notCurrent, Sys(COLOR_HIGHLIGHT)), 0);
    // The current cell keeps the current-cell colours inside the highlighted row.
    const CRect current = Interior(grid.currentCol, row);
    EXPECT_EQ(CountColor(dc, current, Sys(COLOR_HIGHLIGHT)), 0);
    // The row frame runs along the top of the whole row.
    const CRect top(grid.ColumnX(grid.fixedCols) + 1, grid.RowY(row) + 1, grid.totalWidth - 2,
                    grid.RowY(row) + 2);
    EXPECT_EQ(CountColor(dc, top, RGB(0, 100, 200)), top.Width());
    // The marker triangle sits in the fixed column of the current row only.
    auto marker = [&](int absRow) {
        CRect r = grid.CellRect(0, absRow);
        r.DeflateRect(2, 3);
        return CountColor(dc, r, Sys(COLOR_WINDOWFRAME));
    };
    EXPECT_GT(marker(row), 5);
    EXPECT_EQ(marker(row + 1), 0);
}

TEST_F(GridPaint, NarrowCellsGetABoxCutToTheCell) {
    Open(0);
    grid.columns[2].width = 8;
    grid.RecalcLayout();
    const CRect neighbour = Interior(grid.fixedCols + 3, grid.headerRows + 2);
    grid.values[{2, 2}] = {L"", 1};
    Paint();
    const auto withBox = Pixels(dc, neighbour);
    const CRect narrow = Interior(grid.fixedCols + 2, grid.headerRows + 2);
    EXPECT_LT(CountColor(dc, narrow, Sys(COLOR_WINDOW)), narrow.Width() * narrow.Height());
    grid.values[{2, 2}] = {L"", 0};
    grid.columns[2].frameType = 0; // plain text: nothing drawn in the cell
    Paint();
    EXPECT_EQ(Pixels(dc, neighbour), withBox);
}

TEST_F(GridPaint, PressedHeaderTextMovesOneRightAndDown) {
    Open(0);
    auto firstText = [&](const CRect& r) {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (::GetPixel(dc, x, y) == Sys(COLOR_WINDOWTEXT)) return CPoint(x, y);
        return CPoint(-1, -1);
    };
    CRect cell = grid.CellRect(grid.fixedCols + 1, 0);
    cell.DeflateRect(3, 3); // inside the outline and the button edges
    Paint();
    const CPoint raised = firstText(cell);
    grid.pressedHeaderCol = grid.fixedCols + 1;
    grid.pressedHeaderRow = 0;
    Paint();
    const CPoint pressed = firstText(cell);
    ASSERT_NE(raised.x, -1);
    EXPECT_EQ(pressed.x - raised.x, 1);
    EXPECT_EQ(pressed.y - raised.y, 1);
}

TEST_F(GridPaint, PaintingVisitsOnlyTheVisibleRows) {
    Open(ORVGS_ROWMODE, 100);
    Paint();
    const int small = grid.valueCalls;
    grid.SetRowCount(1'000'000, false);
    grid.RecalcLayout();
    grid.valueCalls = 0;
    Paint();
    EXPECT_EQ(grid.valueCalls, small);
    grid.scrollY = grid.RowTop(grid.headerRows + 600'000) - grid.HeaderHeight();
    grid.valueCalls = 0;
    Paint();
    EXPECT_EQ(grid.valueCalls, small);
}

// GetGuiResources reports 0 GDI objects under Wine, so the owners' own counter proves it.
TEST_F(GridPaint, ThousandsOfPaintsGiveBackEveryGdiObject) {
    Open(ORVGS_ROWMODE | ORVGS_3DFIXED);
    ASSERT_TRUE(grid.MoveCurrentCell(3, 2)); // both columns have made their controls
    ASSERT_TRUE(grid.MoveCurrentCell(2, 1));
    const long before = gdi::LiveObjects();
    for (int i = 0; i < 1000; ++i) {
        grid.PaintRect(dc, CRect(0, 0, kWidth, kHeight));
        grid.RepaintRow(dc, grid.currentRow);
        if (i % 10 == 0) {
            grid.MoveCurrentCell(2 + i % 20 / 10, i % 3);
            grid.RedrawFocus();
        }
    }
    EXPECT_EQ(gdi::LiveObjects(), before);
}

} // namespace
