// Columns, rows, layout and pixel geometry of the grid engine.
#include "grid_host.h"

#include <gtest/gtest.h>

namespace {

class GridModel : public ::testing::Test {
protected:
    CNotifyRecorder parent;
    CGridHost grid;

    void SetUp() override { ASSERT_TRUE(parent.Open()); }
    void Open(DWORD options = ORVGS_ROWMODE, int cx = 400, int cy = 300) {
        ASSERT_TRUE(grid.Open(parent, options, cx, cy));
    }
    int FontRowHeight() {
        CClientDC dc(grid);
        ScopedSelectObject use(dc, grid.font.Get());
        TEXTMETRICW tm{};
        ::GetTextMetricsW(dc, &tm);
        return tm.tmHeight + 3;
    }
};

TEST_F(GridModel, NewGridHasOneHeaderRowOneFixedColumnAndDefaultColours) {
    EXPECT_EQ(grid.headerRows, 1);
    EXPECT_EQ(grid.fixedCols, 1);
    EXPECT_EQ(grid.currentCol, 1);
    EXPECT_EQ(grid.currentRow, 1);
    EXPECT_EQ(grid.selEndCol, 1);
    EXPECT_EQ(grid.selBottom, 1);
    EXPECT_EQ(grid.rowHeight, 16);
    EXPECT_EQ(grid.headerRowHeight, 16);
    EXPECT_EQ(grid.fixedColWidth, 8);
    EXPECT_EQ(grid.pressedHeaderCol, -1);
    EXPECT_EQ(grid.pressedRowHeaderRow, -1);
    EXPECT_EQ(grid.scaleX, 1.0f);
    EXPECT_EQ(grid.GetRowCount(), 0);
    EXPECT_TRUE(grid.font);
    EXPECT_EQ(grid.style.selectedBack, Sys(COLOR_HIGHLIGHT));
    EXPECT_EQ(grid.style.borderLeft, Sys(COLOR_BTNFACE));
    EXPECT_EQ(grid.style.focusFrame.frame, RGB(0, 100, 200));
    EXPECT_EQ(grid.style.focusFrame.solid, 1);
    EXPECT_EQ(grid.GetCellValue(0, 0).text, L""); // the host's own values
    EXPECT_EQ(grid.CORVGrid::GetCellValue(0, 0).data, -1);
}

TEST_F(GridModel, ColumnsInsertInOrderAndBeyondTheEndAppend) {
    EXPECT_EQ(grid.InsertColumn(99, 30, L"A", 5, 0x25, 0, 0, 7), 0);
    grid.AddCheckColumns(3);
    EXPECT_EQ(grid.InsertColumn(2, 40, L"X", 5, 0x25, 0, 0, 0), 2);
    ASSERT_EQ(grid.GetColumnCount(-1), 5);
    const wchar_t* titles[] = {L"A", L"D0", L"X", L"D1", L"D2"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(grid.GetHeaderValue(i, 0).text, titles[i]);
    const CORVColumn& x = grid.columns[2];
    EXPECT_EQ(x.ctrlKind, 1);
    EXPECT_EQ(x.ctrlStyle, static_cast<DWORD>(WS_CHILD));
    EXPECT_EQ(x.imageKind, 0u);
    EXPECT_FALSE(x.ctrl);
    EXPECT_EQ(grid.GetColumnWidth(2, -1), 40);
    EXPECT_EQ(grid.GetColumnWidth(-1, -1), 0);
    EXPECT_EQ(grid.GetHeaderValue(1, 0).data, 0x8025);
}

TEST_F(GridModel, ColumnControlIdsAndRefusalOnceTheControlExists) {
    Open();
    grid.AddCheckColumns(2);                 // id 1000, then SetColumnCtrl with id 0
    grid.AddColumn(20, L"E", 5, 5, 0, 0, 0); // id 0
    EXPECT_TRUE(grid.SetColumnCtrl(2, 1, WS_CHILD, 0));
    grid.AddColumn(20, L"F", 5, 5, 0, 0, 0);
    EXPECT_TRUE(grid.SetColumnCtrl(3, 3, WS_CHILD, 1234));
    EXPECT_EQ(grid.GetCellCtrlId(0, 0), 1000u);
    EXPECT_EQ(grid.GetCellCtrlId(1, 0), 1000u);
    EXPECT_EQ(grid.GetCellCtrlId(2, 0), 2u + 1900u);
    EXPECT_EQ(grid.GetCellCtrlId(3, 0), 1234u);

    grid.SetRowCount(3, false);
    grid.RecalcLayout();
    ASSERT_TRUE(grid.MoveCurrentCell(0, 0));
    ASSERT_NE(grid.GetCellCtrl(0, 0), nullptr);
    EXPECT_FALSE(grid.SetColumnCtrl(0, 1, WS_CHILD | ES_AUTOHSCROLL, 55));
    EXPECT_EQ(grid.columns[0].ctrlKind, 2);
    EXPECT_EQ(grid.columns[0].ctrlId, 1000u);
    EXPECT_EQ(grid.CreateCellCtrl(0, 0, WS_CHILD, 0), nullptr); // it already has one
}

TEST_F(GridModel, LayoutFollowsTheFontAndCountsEveryColumn) {
    Open();
    grid.AddCheckColumns();
    grid.SetRowCount(5, false);
    grid.RecalcLayout();
    const int rh = FontRowHeight();
    EXPECT_EQ(grid.rowHeight, rh);
    EXPECT_EQ(grid.headerRowHeight, rh);
    EXPECT_EQ(grid.fixedColWidth, rh / 2);
    EXPECT_EQ(grid.totalWidth, 8 * 27 + rh / 2);
    EXPECT_EQ(grid.contentMaxX, grid.totalWidth - 1);
    EXPECT_EQ(grid.contentMaxY, 5 * rh + rh - 1);

    grid.SetRowCount(0, false);
    grid.columns.clear();
    grid.fixedCols = 0;
    grid.headerRows = 0;
    grid.RecalcLayout();
    EXPECT_EQ(grid.contentMaxX, 0);
    EXPECT_EQ(grid.contentMaxY, 0);
}

TEST_F(GridModel, HitTestsOnEdgesAndBeyondTheTable) {
    grid.AddCheckColumns(3);
    grid.SetHeaderRowCount(2, false);
    const int H = grid.HeaderHeight(); // 32 before any layout
    EXPECT_EQ(grid.RowFromY(H - 1), 1);
    EXPECT_EQ(grid.RowFromY(H), 2);
    EXPECT_EQ(grid.RowFromY(H + 16), 3);
    // Fixed column 0..8, then 8..35, 35..62, 62..89 (right edges inclusive).
    EXPECT_EQ(grid.ColumnFromX(8, -1), 0);
    EXPECT_EQ(grid.ColumnFromX(9, -1), 1);
    EXPECT_EQ(grid.ColumnFromX(35, -1), 1);
    EXPECT_EQ(grid.ColumnFromX(89, -1), 3);
    EXPECT_EQ(grid.ColumnFromX(90, -1), 4); // one past the last
    EXPECT_EQ(grid.ColumnFromX(-5, -1), 3);
    EXPECT_EQ(grid.ColumnLeft(2, -1), 35);
    EXPECT_EQ(grid.ColumnX(2, -1), 34);

    grid.SetRowCount(10, false);
    grid.scrollY = 20;
    EXPECT_EQ(grid.RowTop(2), 32);
    EXPECT_EQ(grid.RowY(3), 32 + 16 - 20 - 1);
    const CRect cell = grid.CellRect(2, 3);
    EXPECT_EQ(cell, CRect(34, 27, 61, 43));
    const CRect header = grid.CellRect(1, 0); // header rows do not scroll vertically
    EXPECT_EQ(header, CRect(7, -1, 34, 15));
    const CRect fixed = grid.CellRect(0, 3); // fixed columns do not scroll horizontally
    EXPECT_EQ(fixed.left, -1);
    EXPECT_EQ(fixed.right, 7);

    int first = 0, last = 0;
    grid.VisibleRows(CRect(0, 31 + 20, 100, 31 + 20 + 50), first, last);
    EXPECT_EQ(first, 3);
    EXPECT_EQ(last, 6);
    grid.VisibleColumns(CRect(40, 0, 60, 10), -1, first, last);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(last, 2);
    grid.VisibleColumns(CRect(0, 0, 1000, 10), -1, first, last);
    EXPECT_EQ(last, 3);
}

TEST_F(GridModel, ScrollScaleStartsAt32767Pixels) {
    Open();
    grid.fixedCols = 0;
    grid.AddColumn(40001, L"W", 5, 5, 0, 0, 0);
    grid.RecalcLayout();
    ASSERT_EQ(grid.contentMaxX, 40000);
    EXPECT_NEAR(grid.scaleX, 40000.0 / 32767.0 + 1.0, 1e-4);
    grid.columns[0].width = 32767;
    grid.RecalcLayout();
    ASSERT_EQ(grid.contentMaxX, 32766);
    EXPECT_EQ(grid.scaleX, 1.0f);
}

TEST_F(GridModel, RowCountNotifiesOnlyOnChangeAndRefusesTooManyRows) {
    Open();
    grid.AddCheckColumns();
    EXPECT_TRUE(grid.SetRowCount(5, true));
    EXPECT_TRUE(grid.SetRowCount(5, true));
    EXPECT_TRUE(grid.SetRowCount(6, false));
    PumpMessages();
    ASSERT_EQ(parent.Count(WM_ORV_ROWCOUNTCHANGED), 1);
    EXPECT_EQ(parent.notes[0].wp, reinterpret_cast<WPARAM>(static_cast<CWnd*>(&grid)));
    EXPECT_EQ(parent.notes[0].lp, 5);

    EXPECT_FALSE(grid.SetRowCount(ORV_MAX_ROWS + 1, true));
    EXPECT_FALSE(grid.SetRowCount(-1, true));
    EXPECT_EQ(grid.GetRowCount(), 6);
    EXPECT_FALSE(grid.InsertRows(0, ORV_MAX_ROWS));
    EXPECT_EQ(grid.GetRowCount(), 6);
    EXPECT_FALSE(grid.InsertRows(7, 1)); // beyond the end
    EXPECT_FALSE(grid.DeleteRows(6, 1));

    // At the limit the geometry still names the right rows.
    ASSERT_TRUE(grid.SetRowCount(ORV_MAX_ROWS, false));
    grid.RecalcLayout();
    const long long expected =
        static_cast<long long>(ORV_MAX_ROWS) * grid.rowHeight + grid.HeaderHeight() - 1;
    EXPECT_EQ(grid.contentMaxY, expected);
    const int last = grid.LastRow();
    EXPECT_EQ(grid.RowFromY(grid.RowTop(last)), last);
    EXPECT_EQ(grid.RowFromY(grid.RowTop(last) + grid.rowHeight - 1), last);
    EXPECT_GT(grid.scaleY, 1.0f);
}

TEST_F(GridModel, InsertAndDeleteRowsKeepTheCurrentCellOnARealRow) {
    Open();
    grid.AddCheckColumns();
    grid.RecalcLayout();
    ASSERT_TRUE(grid.InsertRows(0, 10)); // appended: the last row becomes current
    EXPECT_EQ(grid.currentRow, grid.headerRows + 9);
    ASSERT_TRUE(grid.MoveCurrentCell(2, 4));
    ASSERT_TRUE(grid.InsertRows(0, 3)); // above: the absolute index stays
    EXPECT_EQ(grid.currentRow, grid.headerRows + 4);
    EXPECT_EQ(grid.GetRowCount(), 13);

    ASSERT_TRUE(grid.MoveCurrentCell(2, 12));
    ASSERT_TRUE(grid.DeleteRows(11, 2)); // the current row was among them
    EXPECT_EQ(grid.currentRow, grid.headerRows + 10);
    CORVCellCtrl* ctrl = grid.GetCellCtrl(2, 0);
    ASSERT_NE(ctrl, nullptr);
    EXPECT_TRUE(ctrl->IsActive());

    ASSERT_TRUE(grid.DeleteRows(0, 11));
    EXPECT_EQ(grid.GetRowCount(), 0);
    EXPECT_EQ(grid.currentRow, grid.headerRows - 1);
    EXPECT_FALSE(ctrl->IsActive());
    PumpMessages();
    EXPECT_GE(parent.Count(WM_ORV_ROWCOUNTCHANGED), 4);
}

TEST_F(GridModel, MoreHeaderRowsKeepTheCurrentDataRow) {
    grid.AddCheckColumns();
    grid.SetRowCount(4, false);
    grid.currentRow = 3; // data row 2
    grid.SetHeaderRowCount(2, false);
    EXPECT_EQ(grid.headerRows, 2);
    EXPECT_EQ(grid.currentRow, 4);
}

} // namespace
