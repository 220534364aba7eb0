// The grid view driven with real window messages: keys, clicks, drags, scroll bars,
// the wheel, focus and the Edit commands.
#include "grid_host.h"

#include "framework/afxmsg.h"
#include "framework/cmdtarget.h"

#include <gtest/gtest.h>

namespace {

class GridView : public ::testing::Test {
protected:
    // One visible top-level window for the whole suite: mapping one costs seconds under Wine.
    static inline CNotifyRecorder* s_parent = nullptr;
    CNotifyRecorder& parent = *s_parent;
    CTestView* view = nullptr; // deletes itself with its window

    static void SetUpTestSuite() {
        s_parent = new CNotifyRecorder;
        s_parent->Open(WS_VISIBLE);
    }
    static void TearDownTestSuite() {
        delete s_parent;
        s_parent = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(parent.GetSafeHwnd());
        parent.notes.clear();
    }
    void TearDown() override {
        if (view && view->GetSafeHwnd()) view->DestroyWindow();
        PumpMessages();
    }
    void Open(DWORD style, int cx, int cy, int rows, int headerRows = 1) {
        view = new CTestView;
        view->AddCheckColumns();
        view->SetHeaderRowCount(headerRows, false);
        view->SetRowCount(rows, false);
        ASSERT_TRUE(view->CreateEx(0, nullptr, L"", WS_CHILD | WS_VISIBLE | style,
                                   CRect(0, 0, cx, cy), parent, 100));
        PumpMessages();
    }
    void Key(UINT vk) {
        view->SendMessage(WM_KEYDOWN, vk, 1);
        PumpMessages();
    }
    void Mouse(UINT msg, CPoint p, UINT flags = MK_LBUTTON) {
        view->SendMessage(msg, flags, MAKELPARAM(p.x, p.y));
        PumpMessages();
    }
    int Col() const { return view->currentCol - view->fixedCols; }
    int Row() const { return view->currentRow - view->headerRows; }
    // The middle of a cell, in client coordinates.
    CPoint Centre(int absCol, int absRow) {
        const CRect r = view->CellRect(absCol, absRow);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    CPoint DataCentre(int col, int row) {
        return Centre(col + view->fixedCols, row + view->headerRows);
    }
};

TEST_F(GridView, KeysMoveWithoutWrappingAndEnterStaysOnTheLastRow) {
    Open(ORVGS_ROWMODE, 300, 200, 5);
    ASSERT_TRUE(view->MoveCurrentCell(7, 4));
    Key(VK_TAB);
    EXPECT_EQ(Col(), 7);
    EXPECT_EQ(Row(), 4);
    Key(VK_RETURN);
    EXPECT_EQ(Row(), 4);
    ASSERT_NE(view->GetCellCtrl(7, 4), nullptr);
    EXPECT_TRUE(view->GetCellCtrl(7, 4)->IsActive()); // re-shown
    Key(VK_HOME);
    EXPECT_EQ(Col(), 0);
    Key(VK_LEFT);
    EXPECT_EQ(Col(), 0);
    EXPECT_EQ(Row(), 4);
    Key(VK_UP);
    Key(VK_END);
    EXPECT_EQ(Col(), 7);
    EXPECT_EQ(Row(), 3);
    Key(VK_TAB); // from the check box's own window the key comes back the same way
    EXPECT_EQ(Col(), 7);
    EXPECT_GE(parent.Count(WM_ORV_CURCELLCHANGED), 5);
    EXPECT_EQ(parent.notes.back().wp, reinterpret_cast<WPARAM>(view->GetSafeHwnd()));
}

TEST_F(GridView, PageKeysMoveByTheClientHeight) {
    Open(WS_VSCROLL | ORVGS_ROWMODE, 300, 300, 100, 2);
    ASSERT_EQ(view->pageHeight, view->GetClientRect().Height());
    const int n = view->pageHeight / view->rowHeight;
    ASSERT_TRUE(view->MoveCurrentCell(0, 0));
    Key(VK_NEXT);
    EXPECT_EQ(Row(), n - 2); // 16 with 16-pixel rows and a 300-pixel client
    ASSERT_TRUE(view->MoveCurrentCell(0, 10));
    Key(VK_PRIOR);
    EXPECT_EQ(Row(), std::max(0, 10 + 2 - n));
    ASSERT_TRUE(view->MoveCurrentCell(0, 98));
    Key(VK_NEXT);
    EXPECT_EQ(Row(), 99);
}

TEST_F(GridView, PageKeysWithoutAScrollBarMoveByTheHeaderRows) {
    Open(ORVGS_ROWMODE, 300, 400, 10, 2);
    ASSERT_EQ(view->pageHeight, 0);
    ASSERT_TRUE(view->MoveCurrentCell(0, 5));
    Key(VK_NEXT);
    EXPECT_EQ(Row(), 3);
    Key(VK_PRIOR);
    EXPECT_EQ(Row(), 5);
}

TEST_F(GridView, ClickMakesTheCellCurrentAndTheLiveCheckBoxToggles) {
    Open(ORVGS_ROWMODE, 300, 300, 5);
    Mouse(WM_LBUTTONDOWN, DataCentre(2, 1));
    EXPECT_EQ(Col(), 2);
    EXPECT_EQ(Row(), 1);
    auto* check = dynamic_cast<CWnd*>(view->GetCellCtrl(2, 1));
    ASSERT_NE(check, nullptr);
    EXPECT_TRUE(check->IsWindowVisible());
    EXPECT_EQ(::GetCapture(), check->GetSafeHwnd()); // the box pressed itself
    const CRect box = check->GetClientRect();
    check->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(box.Width() / 2, box.Height() / 2));
    PumpMessages();
    EXPECT_EQ(view->GetCellCtrl(2, 1)->GetValue().data, 1);
    EXPECT_TRUE(view->GetCellCtrl(2, 1)->IsModified());
    // Moving on commits the change through the client's hook.
    Key(VK_DOWN);
    EXPECT_EQ(parent.Count(WM_ORV_CELLCOMMITTED), 1);
    EXPECT_EQ(Row(), 2);

    const int before = view->currentCol;
    Mouse(WM_LBUTTONDOWN, CPoint(view->totalWidth + 20, 30)); // right of the last column
    EXPECT_NE(::GetCapture(), view->GetSafeHwnd());
    EXPECT_EQ(view->currentCol, before);
    Mouse(WM_LBUTTONUP, CPoint(view->totalWidth + 20, 30), 0);
}

TEST_F(GridView, HeaderAndRowHeaderPressesCallTheirHooks) {
    Open(ORVGS_ROWMODE, 300, 300, 6);
    ASSERT_TRUE(view->MoveCurrentCell(5, 0));
    const CPoint rowHeader = Centre(0, view->headerRows + 3);
    Mouse(WM_LBUTTONDOWN, rowHeader);
    EXPECT_EQ(view->pressedRowHeaderRow, view->headerRows + 3);
    EXPECT_EQ(Row(), 3);
    EXPECT_EQ(Col(), 5); // the column stays
    Mouse(WM_LBUTTONUP, rowHeader, 0);
    EXPECT_EQ(view->pressedRowHeaderRow, -1);

    const CPoint header = Centre(view->fixedCols + 4, 0);
    Mouse(WM_LBUTTONDOWN, header);
    EXPECT_EQ(view->pressedHeaderCol, view->fixedCols + 4);
    EXPECT_EQ(Col(), 4); // the row stays
    EXPECT_EQ(Row(), 3);
    Mouse(WM_MOUSEMOVE, Centre(view->fixedCols + 6, 0)); // dragged off the cell
    EXPECT_EQ(view->pressedHeaderCol, -1);
    Mouse(WM_LBUTTONUP, Centre(view->fixedCols + 6, 0), 0);

    Mouse(WM_LBUTTONDBLCLK, Centre(0, view->headerRows + 1));
    EXPECT_EQ(view->pressedRowHeaderRow, view->headerRows + 1);
    EXPECT_EQ(Row(), 1);
    Mouse(WM_LBUTTONUP, Centre(0, view->headerRows + 1), 0);

    const std::vector<std::wstring> expected = {L"rowdown 0 3", L"rowup 0 3", L"down 4 0",
                                                L"rowup 0 1"};
    EXPECT_EQ(view->hooks, expected);
}

TEST_F(GridView, ColumnBordersReactTwoPixelsEitherSideAndDragsSetTheWidth) {
    Open(ORVGS_ROWMODE, 400, 300, 6);
    const int edge = view->ColumnLeft(view->fixedCols + 1); // right edge of data column 0
    int column = -1;
    EXPECT_TRUE(view->HitColumnBorder(edge - 2, 0, column));
    EXPECT_EQ(column, view->fixedCols);
    column = -1;
    EXPECT_TRUE(view->HitColumnBorder(edge + 2, 0, column));
    EXPECT_EQ(column, view->fixedCols);
    EXPECT_FALSE(view->HitColumnBorder(edge + 13, 0, column));
    EXPECT_FALSE(view->HitColumnBorder(view->FixedWidth(), 0, column)); // fixed: not draggable

    // A drag of data column 2's border ending left of its left edge gives width 0.
    view->resizeHot = true;
    view->resizeColumn = view->fixedCols + 2;
    view->resizeHeaderRow = 0;
    const int left = view->ColumnX(view->fixedCols + 2);
    Mouse(WM_LBUTTONDOWN, CPoint(left + 30, 5));
    EXPECT_TRUE(view->resizing);
    EXPECT_EQ(::GetCapture(), view->GetSafeHwnd());
    Mouse(WM_MOUSEMOVE, CPoint(left + 10, 5));
    Mouse(WM_LBUTTONUP, CPoint(left - 10, 5), 0);
    EXPECT_FALSE(view->resizing);
    EXPECT_EQ(view->GetColumnWidth(2, 0), 0);
    EXPECT_EQ(parent.Count(WM_ORV_COLUMNRESIZED), 1);

    view->resizeHot = true;
    view->resizeColumn = view->fixedCols + 3;
    const int left3 = view->ColumnX(view->fixedCols + 3);
    Mouse(WM_LBUTTONDOWN, CPoint(left3 + 27, 5));
    Mouse(WM_LBUTTONUP, CPoint(left3 + 40, 5), 0);
    EXPECT_EQ(view->GetColumnWidth(3, 0), 40);
    EXPECT_EQ(view->totalWidth, view->FixedWidth() + 6 * 27 + 40);
}

TEST_F(GridView, ScrollBarCodesScrollByPixelsAndThumbPositionsAreScaled) {
    Open(WS_VSCROLL | ORVGS_ROWMODE, 400, 300, 10);
    const int rh = view->rowHeight;
    view->SetRowCount(100000 / rh - 1, false); // 99 999 pixels with 16-pixel rows
    view->RecalcLayout();
    const int H = view->HeaderHeight();
    ASSERT_EQ(view->pageHeight, 300);
    // The bar stays on, with the scaled range and page.
    EXPECT_TRUE(view->GetStyle() & WS_VSCROLL);
    SCROLLINFO si{sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
    ASSERT_TRUE(::GetScrollInfo(view->GetSafeHwnd(), SB_VERT, &si));
    EXPECT_EQ(si.nMax, static_cast<int>(view->contentMaxY / view->scaleY));
    EXPECT_EQ(si.nPage, static_cast<UINT>(300 / view->scaleY));
    auto vscroll = [&](UINT code, UINT pos = 0) {
        view->SendMessage(WM_VSCROLL, MAKEWPARAM(code, pos), 0);
        PumpMessages();
    };
    vscroll(SB_THUMBTRACK, 1000);
    EXPECT_EQ(view->scrollY, static_cast<int>(1000 * view->scaleY));
    if (view->contentMaxY == 99999) {
        EXPECT_EQ(view->scrollY, 4051);
    }
    const int tracked = view->scrollY;
    vscroll(SB_THUMBPOSITION, 1000);
    EXPECT_EQ(view->scrollY, tracked);
    vscroll(SB_TOP);
    EXPECT_EQ(view->scrollY, 0);
    vscroll(SB_PAGEDOWN);
    EXPECT_EQ(view->scrollY, 300 - H);
    vscroll(SB_PAGEUP);
    vscroll(SB_PAGEUP);
    EXPECT_EQ(view->scrollY, 0);
    vscroll(SB_LINEDOWN);
    EXPECT_EQ(view->scrollY, rh);
    vscroll(SB_BOTTOM);
    const int bottom = view->contentMaxY - 300 + 1;
    EXPECT_EQ(view->scrollY, bottom);
    vscroll(SB_PAGEDOWN);
    EXPECT_EQ(view->scrollY, bottom);
    // The control does not move with the contents: scrolling hides it.
    ASSERT_TRUE(view->MoveCurrentCell(1, view->GetRowCount() - 1));
    ASSERT_TRUE(view->CurrentCtrl()->IsActive());
    vscroll(SB_LINEUP);
    EXPECT_FALSE(view->CurrentCtrl()->IsActive());
}

TEST_F(GridView, TheThumbFollowsAScrollMadeBeforeTheBarHadItsRange) {
    // As at a start with a large file: the window has no size and no bar yet when the last
    // row is brought into view; the bar it gets afterwards shows that row's position.
    Open(ORVGS_ROWMODE, 0, 0, 100000);
    ASSERT_TRUE(view->MoveCurrentCell(0, view->GetRowCount() - 1));
    view->MoveWindow(CRect(0, 0, 400, 300));
    PumpMessages();
    ASSERT_GT(view->scrollY, 0);
    EXPECT_EQ(::GetScrollPos(view->GetSafeHwnd(), SB_VERT),
              static_cast<int>(static_cast<float>(view->scrollY) / view->scaleY));
}

TEST_F(GridView, WheelScrollsByTheUsersLinesOrPages) {
    UINT saved = 3;
    ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &saved, 0);
    Open(WS_VSCROLL | ORVGS_ROWMODE, 400, 300, 200);
    const int rh = view->rowHeight;
    auto wheel = [&](UINT lines, short delta) {
        ::SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, lines, nullptr, 0);
        view->SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, delta), 0);
    };
    wheel(3, -120); // towards the user
    EXPECT_EQ(view->scrollY, 3 * rh);
    wheel(3, 120);
    EXPECT_EQ(view->scrollY, 0);
    wheel(1, -120);
    wheel(1, -120);
    wheel(1, 120); // one line back, not a page
    EXPECT_EQ(view->scrollY, rh);
    wheel(WHEEL_PAGESCROLL, -120);
    EXPECT_EQ(view->scrollY, rh + view->pageHeight);
    wheel(WHEEL_PAGESCROLL, 120);
    EXPECT_EQ(view->scrollY, rh);
    ::SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, saved, nullptr, 0);
}

class RecordingCmdUI : public CCmdUI {
public:
    bool enabled = false;
    void Enable(bool on) override { enabled = on; }
};

bool Enabled(CCmdTarget* target, UINT id) {
    RecordingCmdUI ui;
    ui.m_nID = id;
    ui.DoUpdate(target, true);
    return ui.enabled;
}

TEST_F(GridView, EditCommandsActOnTheCurrentCellsControl) {
    Open(ORVGS_ROWMODE, 400, 300, 4);
    view->SetColumnCtrl(6, 0, WS_CHILD, 0); // no control in column 6
    view->columns[5].ctrlKind = 1;          // an edit box in column 5
    view->columns[5].frameType = 0;
    view->values[{5, 1}] = {L"abc", 0};
    ASSERT_TRUE(view->MoveCurrentCell(6, 1));
    for (UINT id : {ID_EDIT_COPY, ID_EDIT_CUT, ID_EDIT_PASTE, ORV_ID_EDIT_UNDO})
        EXPECT_FALSE(Enabled(view, id)) << id;

    ASSERT_TRUE(view->MoveCurrentCell(5, 1));
    EXPECT_TRUE(Enabled(view, ID_EDIT_COPY)); // the text is selected when shown
    EXPECT_TRUE(Enabled(view, ID_EDIT_CUT));
    EXPECT_FALSE(Enabled(view, ORV_ID_EDIT_UNDO));
    ASSERT_TRUE(CopyTextToClipboard(L"xyz"));
    EXPECT_TRUE(Enabled(view, ID_EDIT_PASTE));
    view->SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);  // hides the control ...
    view->SendMessage(WM_COMMAND, ID_EDIT_COPY, 0); // ... which still copies
    ASSERT_TRUE(::OpenClipboard(nullptr));
    HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
    const std::wstring copied = data ? static_cast<const wchar_t*>(::GlobalLock(data)) : L"";
    if (data) ::GlobalUnlock(data);
    ::CloseClipboard();
    EXPECT_EQ(copied, L"abc");
}

TEST_F(GridView, FocusFromAnotherWindowReshowsTheControl) {
    Open(ORVGS_ROWMODE, 400, 300, 4);
    CWnd other;
    ASSERT_TRUE(other.CreateEx(0, L"BUTTON", L"other", WS_CHILD | WS_VISIBLE,
                               CRect(450, 0, 500, 30), parent, 7));
    ASSERT_TRUE(view->MoveCurrentCell(2, 2));
    PumpMessages();
    auto* check = dynamic_cast<CWnd*>(view->CurrentCtrl());
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(::GetFocus(), check->GetSafeHwnd());

    // Back from the control itself: the view keeps the focus.
    view->SetFocus();
    PumpMessages();
    EXPECT_EQ(::GetFocus(), view->GetSafeHwnd());
    EXPECT_TRUE(view->hasFocus);

    other.SetFocus();
    PumpMessages();
    EXPECT_FALSE(view->hasFocus);
    view->SetFocus();
    PumpMessages();
    EXPECT_EQ(::GetFocus(), check->GetSafeHwnd());
    EXPECT_TRUE(view->CurrentCtrl()->IsActive());
}

} // namespace
