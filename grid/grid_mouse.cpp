// Mouse input of the column grid: header and row-header presses with their hooks,
// moving the current cell with the pointer, column-border drags. The handlers take
// client coordinates and hit-test one pixel further, where the cell outlines lie.
#include "grid/grid.h"

#include "framework/wnd.h"

#include <algorithm>

void CORVGrid::InvertTrackLine() {
    if (!HasWindow()) return;
    CClientDC dc(window->GetSafeHwnd());
    ::InvertRect(dc, &trackLine);
}

void CORVGrid::MoveTrackLine(int x) {
    trackLine = ClientRect();
    trackLine.left = x;
    trackLine.right = x + 1;
}

bool CORVGrid::OutsideTable(int xp, int yp) {
    const long long bottom =
        static_cast<long long>(GetRowCount()) * rowHeight + HeaderHeight() - scrollY;
    return xp > totalWidth - scrollX || yp > bottom;
}

void CORVGrid::PressHeader(int xp, int yp) {
    pressedHeaderRow = RowFromY(yp);
    pressedHeaderCol = ColumnFromX(scrollX + xp, pressedHeaderRow);
    if (HasWindow()) {
        CClientDC dc(window->GetSafeHwnd());
        RepaintCell(dc, pressedHeaderCol, pressedHeaderRow);
        window->SetCapture();
    }
}

void CORVGrid::PressRowHeader(int xp, int yp) {
    pressedRowHeaderCol = ColumnFromX(xp, -1);
    pressedRowHeaderRow = RowFromY(scrollY + yp);
    if (HasWindow()) {
        CClientDC dc(window->GetSafeHwnd());
        RepaintCell(dc, pressedRowHeaderCol, pressedRowHeaderRow);
        window->SetCapture();
    }
}

// Ends a press without its hook: the cell is drawn raised again.
void CORVGrid::CancelPress(int& col, int& row) {
    const int c = col;
    const int r = row;
    col = row = -1;
    if (HasWindow()) {
        CClientDC dc(window->GetSafeHwnd());
        RepaintCell(dc, c, r);
    }
    ::ReleaseCapture();
}

void CORVGrid::MoveToPoint(int xp, int yp, bool extend, bool click) {
    const int F = FixedWidth();
    const int H = HeaderHeight();
    const int col = xp > F ? ColumnFromX(xp + scrollX, -1) : (extend ? selEndCol : currentCol);
    const int row = yp > H ? RowFromY(yp + scrollY) : (extend ? selEndRow : currentRow);
    if (extend)
        ExtendSelection(col, row);
    else if (SetCurrentCell(col, row) && click)
        ClickCurrentCell(xp, yp);
}

bool CORVGrid::OnLButtonDown(UINT flags, int x, int y) {
    if (resizeHot) {
        resizing = true;
        if (HasWindow()) window->SetCapture();
        MoveTrackLine(x);
        InvertTrackLine();
        return true;
    }
    const int xp = x + 1;
    const int yp = y + 1;
    if (OutsideTable(xp, yp)) return false;
    const int F = FixedWidth();
    const int H = HeaderHeight();
    if (yp <= H && xp >= F) {
        PressHeader(xp, yp);
        OnHeaderButtonDown(pressedHeaderCol - fixedCols, pressedHeaderRow);
    } else if (xp > F || yp < H) {
        if (HasWindow()) window->SetCapture();
    } else {
        PressRowHeader(xp, yp);
        OnRowHeaderButtonDown(pressedRowHeaderCol, pressedRowHeaderRow - headerRows);
    }
    MoveToPoint(xp, yp, flags & MK_SHIFT, true);
    return true;
}

bool CORVGrid::OnMouseMove(UINT flags, int x, int y) {
    const int xp = x + 1;
    const int yp = y + 1;
    if (resizing) {
        if ((flags & MK_LBUTTON) && resizeHot) {
            InvertTrackLine();
            MoveTrackLine(x);
            InvertTrackLine();
        } else {
            resizing = false;
            EndColumnResize(xp);
            ::ReleaseCapture();
            InvertTrackLine();
        }
    } else if (pressedHeaderCol != -1) {
        const int r = RowFromY(yp);
        const int c = ColumnFromX(scrollX + xp, r);
        if (c != pressedHeaderCol || r != pressedHeaderRow)
            CancelPress(pressedHeaderCol, pressedHeaderRow);
    } else if (pressedRowHeaderCol != -1) {
        const int c = ColumnFromX(xp, -1);
        const int r = RowFromY(scrollY + yp);
        if (c != pressedRowHeaderCol || r != pressedRowHeaderRow)
            CancelPress(pressedRowHeaderCol, pressedRowHeaderRow);
    } else if (flags & MK_LBUTTON) {
        const int c = ColumnFromX(std::max(0, scrollX + xp), -1);
        const int r = RowFromY(std::max(0, scrollY + yp));
        if (c >= fixedCols && r >= headerRows && (c != selEndCol || r != selEndRow))
            ExtendSelection(c, r);
    }
    return true;
}

bool CORVGrid::OnLButtonUp(UINT, int x, int) {
    const int xp = x + 1;
    if (resizing) {
        resizing = false;
        EndColumnResize(xp);
        ::ReleaseCapture();
        InvertTrackLine();
    }
    if (pressedHeaderCol >= 0) {
        const int c = pressedHeaderCol;
        const int r = pressedHeaderRow;
        CancelPress(pressedHeaderCol, pressedHeaderRow);
        OnHeaderButtonUp(c - fixedCols, r);
    }
    if (pressedRowHeaderRow >= 0) {
        const int c = pressedRowHeaderCol;
        const int r = pressedRowHeaderRow;
        CancelPress(pressedRowHeaderCol, pressedRowHeaderRow);
        OnRowHeaderButtonUp(c, r - headerRows);
    }
    ::ReleaseCapture();
    return true;
}

bool CORVGrid::OnLButtonDblClk(UINT, int x, int y) {
    const int xp = x + 1;
    const int yp = y + 1;
    if (OutsideTable(xp, yp)) return false;
    const int F = FixedWidth();
    const int H = HeaderHeight();
    if (yp <= H && xp >= F) {
        PressHeader(xp, yp);
        OnHeaderDblClk(pressedHeaderCol - fixedCols, pressedHeaderRow);
    } else if (xp <= F && yp >= H) {
        PressRowHeader(xp, yp);
    }
    MoveToPoint(xp, yp, false, false);
    return true;
}

void CORVGrid::OnFocusCell(HWND previous) {
    if (!hasFocus) return;
    CORVCellCtrl* ctrl = CurrentCtrl();
    if (!ctrl) {
        ExtendSelection(selEndCol, selEndRow);
        return;
    }
    // Coming back from the control itself (or its text field) needs no re-showing.
    auto* wnd = dynamic_cast<CWnd*>(ctrl);
    HWND own = wnd ? wnd->GetSafeHwnd() : nullptr;
    if (!previous || previous == own || (own && ::IsChild(own, previous))) return;
    SetCurrentCell(currentCol, currentRow);
}
