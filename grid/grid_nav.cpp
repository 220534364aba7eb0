// The current cell, the selection, the keyboard, the commit protocol and column resizing.
// Moves repaint single cells or rows, never the whole window, and cost nothing per row.
#include "grid/grid_core.h"

#include "framework/wnd.h"

#include <algorithm>

namespace {

// A device context of the grid window for immediate repaints; null without a window.
class GridDC {
public:
    explicit GridDC(HWND hwnd) : m_hwnd(hwnd), m_dc(hwnd ? ::GetDC(hwnd) : nullptr) {}
    ~GridDC() {
        if (m_dc) ::ReleaseDC(m_hwnd, m_dc);
    }
    GridDC(const GridDC&) = delete;
    GridDC& operator=(const GridDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

bool KeyDown(int key) {
    return ::GetKeyState(key) < 0;
}

constexpr WORD kResizeCursorId = 134;

} // namespace

bool CORVGridCore::SetCurrentCell(int col, int row) {
    if (!IsDataCell(col, row)) return false;
    const int oldCol = currentCol;
    const int oldRow = currentRow;
    const CRect oldSel(selLeft, selTop, selRight, selBottom);
    const DWORD options = Options();
    const bool rowMode = options & ORVGS_ROWMODE;

    if (EndEdit(false)) {
        currentCol = selEndCol = col;
        currentRow = selEndRow = row;
        if (row != oldRow) OnCurrentRowChanged(row - headerRows);
        if (HasWindow()) window->SetFocus();
    }
    OnCurrentCellChanged(currentCol - fixedCols, currentRow - headerRows);
    const bool rowChanged = currentRow != oldRow;
    const bool cellChanged = rowChanged || currentCol != oldCol;
    {
        GridDC dc(HasWindow() ? window->GetSafeHwnd() : nullptr);
        if (fixedCols > 0 && rowChanged) RepaintCell(dc, fixedCols - 1, oldRow);
        selLeft = selRight = currentCol;
        selTop = selBottom = currentRow;
        const CRect newSel(selLeft, selTop, selRight, selBottom);
        if (options & ORVGS_MULTISELECT) RepaintRange(dc, oldSel, &newSel);
        if (rowMode && rowChanged)
            RepaintRow(dc, oldRow);
        else
            RepaintCell(dc, oldCol, oldRow);

        bool scrolledVertically = false;
        ScrollCellIntoView(currentCol, currentRow, &scrolledVertically);

        const int c = currentCol - fixedCols;
        const int r = currentRow - headerRows;
        if (CORVCellCtrl* ctrl = GetCellCtrl(c, r)) {
            if (cellChanged) LoadCellCtrl(c, r, ctrl);
        } else if (auto made = CreateCellCtrl(c, r, GetCellCtrlStyle(c, r), 0)) {
            LoadCellCtrl(c, r, made.get());
            SetCellCtrl(c, r, std::move(made));
        }
        if (fixedCols > 0 && (rowChanged || !scrolledVertically))
            RepaintCell(dc, fixedCols - 1, currentRow);
        if (rowMode && rowChanged)
            RepaintRow(dc, currentRow);
        else
            RepaintCell(dc, currentCol, currentRow);
    }
    if (HasWindow())
        ::SendMessageW(window->GetParent(), WM_ORV_CURCELLCHANGED,
                       reinterpret_cast<WPARAM>(window->GetSafeHwnd()), 0);
    PositionCellCtrl(currentCol, currentRow);
    return true;
}

void CORVGridCore::ScrollCellIntoView(int col, int row, bool* scrolledVertically) {
    if (!HasWindow()) return;
    const CRect client = ClientRect();
    const int F = FixedWidth();
    const int H = HeaderHeight();
    int x = scrollX;
    int y = scrollY;
    if (ColumnX(col) < F - 1) {
        x = ColumnLeft(col) - F;
    } else if (ColumnX(col + 1) - 1 > client.right - 1) {
        const int left = ColumnLeft(col) - F;
        const int rightAligned = ColumnLeft(col + 1) - client.Width();
        x = left < rightAligned ? left : rightAligned;
    }
    if (RowY(row) < H - 1) {
        y = RowTop(row) - H;
    } else if (RowY(row + 1) - 1 > client.bottom - 1) {
        if (rowHeight > client.Height() - H)
            y = RowTop(row) - H;
        else
            y = RowTop(row + 1) - client.Height();
    }
    x = std::max(0, x);
    y = std::max(0, y);
    if (scrolledVertically) *scrolledVertically = y != scrollY;
    if (x != scrollX || y != scrollY) ScrollToPosition(x, y);
}

// Repaints the visible cells of an inclusive range of absolute cells, except those in `except`.
void CORVGridCore::RepaintRange(HDC dc, const CRect& range, const CRect* except) {
    if (!dc || range.right < 0 || range.bottom < 0) return;
    CRect visible = ClientRect();
    visible.OffsetRect(scrollX, scrollY);
    int firstRow = 0, lastRow = -1, firstCol = 0, lastCol = -1;
    VisibleRows(visible, firstRow, lastRow);
    VisibleColumns(visible, -1, firstCol, lastCol);
    firstRow = std::max<int>(firstRow, range.top);
    lastRow = std::min<int>(lastRow, range.bottom);
    firstCol = std::max<int>(firstCol, range.left);
    lastCol = std::min<int>(lastCol, range.right);
    for (int r = firstRow; r <= lastRow; ++r) {
        for (int c = firstCol; c <= lastCol; ++c) {
            if (except && c >= except->left && c <= except->right && r >= except->top &&
                r <= except->bottom)
                continue;
            RepaintCell(dc, c, r);
        }
    }
}

void CORVGridCore::UpdateSelectionRect(int oldEndCol, int oldEndRow) {
    if (selRight < 0 || selBottom < 0) {
        selLeft = selRight = selEndCol;
        selTop = selBottom = selEndRow;
        return;
    }
    // The rectangle reaches from the anchor (the current cell) to the selection end.
    auto update = [](int end, int oldEnd, int anchor, int& low, int& high) {
        if (end < low) {
            low = end;
            high = anchor;
        } else if (end > high) {
            high = end;
            low = anchor;
        } else {
            if (oldEnd < end) low = std::min(end, anchor);
            if (end < oldEnd) high = std::max(anchor, end);
        }
    };
    update(selEndCol, oldEndCol, currentCol, selLeft, selRight);
    update(selEndRow, oldEndRow, currentRow, selTop, selBottom);
}

bool CORVGridCore::ExtendSelection(int col, int row) {
    if (!IsDataCell(col, row)) return false;
    if (!(Options() & ORVGS_MULTISELECT)) return SetCurrentCell(col, row);
    const int oldEndCol = selEndCol;
    const int oldEndRow = selEndRow;
    const CRect oldSel(selLeft, selTop, selRight, selBottom);
    if (EndEdit(false)) {
        selEndCol = col;
        selEndRow = row;
    }
    if (HasWindow()) window->SetFocus();
    GridDC dc(HasWindow() ? window->GetSafeHwnd() : nullptr);
    UpdateSelectionRect(oldEndCol, oldEndRow);
    const CRect newSel(selLeft, selTop, selRight, selBottom);
    RepaintRange(dc, oldSel, &newSel);
    RepaintCell(dc, oldEndCol, oldEndRow);
    ScrollCellIntoView(selEndCol, selEndRow);
    RepaintRange(dc, newSel, nullptr);
    RepaintCell(dc, selEndCol, selEndRow);
    return true;
}

bool CORVGridCore::OnKeyDown(UINT key, UINT, UINT) {
    const bool shift = KeyDown(VK_SHIFT);
    const bool control = KeyDown(VK_CONTROL);
    const int col = currentCol - fixedCols;
    const int row = currentRow - headerRows;
    const int n = pageHeight / std::max(1, rowHeight);
    switch (key) {
    case VK_TAB:
        MoveCurrentCell(shift ? col - 1 : col + 1, row);
        return true;
    case VK_RETURN:
        if (!SetCurrentCell(currentCol, currentRow + 1)) SetCurrentCell(currentCol, currentRow);
        return true;
    case VK_SHIFT:
    case VK_CONTROL:
        return true;
    case VK_PRIOR:
        if (control)
            MoveCurrentCell(col, 0);
        else
            SetCurrentCell(currentCol, std::max(0, currentRow - n) + headerRows);
        return true;
    case VK_NEXT:
        if (control || currentRow + n - 2 * headerRows > GetRowCount() - 1)
            MoveCurrentCell(col, GetRowCount() - 1);
        else
            SetCurrentCell(currentCol, currentRow + n - headerRows);
        return true;
    case VK_END:
        MoveCurrentCell(GetColumnCount(-1) - 1, row);
        return true;
    case VK_HOME:
        MoveCurrentCell(0, row);
        return true;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
        const int dx = key == VK_LEFT ? -1 : key == VK_RIGHT ? 1 : 0;
        const int dy = key == VK_UP ? -1 : key == VK_DOWN ? 1 : 0;
        if (shift)
            ExtendSelection(selEndCol + dx, selEndRow + dy);
        else
            MoveCurrentCell(col + dx, row + dy);
        return true;
    }
    default:
        SetCurrentCell(currentCol, currentRow);
        return false;
    }
}

void CORVGridCore::PositionCellCtrl(int col, int row) {
    if (row < headerRows) return;
    const int c = col - fixedCols;
    const int r = row - headerRows;
    CORVCellCtrl* ctrl = GetCellCtrl(c, r);
    if (!ctrl) return;
    int x = ColumnX(col, -1);
    int w = CellWidth(col, -1);
    if (HasCellImage(c, r)) {
        CSize size;
        GetCellImageSize(c, r, size);
        x += size.cx + 2;
        w -= size.cx + 2;
    }
    ctrl->Show(x, RowY(row), w, rowHeight);
}

void CORVGridCore::ClickCurrentCell(int x, int y) {
    const int cx = x + scrollX - ColumnLeft(currentCol, -1);
    const int cy = y + scrollY - RowTop(currentRow);
    if (cx < 0 || cy < 0) return;
    if (CORVCellCtrl* ctrl = CurrentCtrl()) ctrl->Click(cx, cy);
}

bool CORVGridCore::EndEdit(bool discard) {
    CORVCellCtrl* ctrl = CurrentCtrl();
    if (!ctrl) return true;
    if (ctrl->IsModified()) {
        if (!ctrl->AcceptValue() || !CommitCell(currentCol - fixedCols, currentRow - headerRows)) {
            if (discard) {
                ctrl->SetModified(false);
                ctrl->Hide();
            }
            return false;
        }
        ctrl->SetModified(false);
    }
    ctrl->Hide();
    return true;
}

void CORVGridCore::HideCurrentCtrl() {
    if (CORVCellCtrl* ctrl = CurrentCtrl()) ctrl->Hide();
}

// --- column resizing ---

HCURSOR CORVGridCore::LoadResizeCursor() {
    if (!resizeCursor)
        resizeCursor = static_cast<HCURSOR>(::LoadImageW(::GetModuleHandleW(nullptr),
                                                         MAKEINTRESOURCEW(kResizeCursorId),
                                                         IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
    // Without the program's own cursor the system's sizing cursor stands in (not owned).
    return resizeCursor ? resizeCursor : ::LoadCursorW(nullptr, IDC_SIZEWE);
}

bool CORVGridCore::OnSetCursor(HWND, UINT hitTest, UINT) {
    resizeHot = false;
    if (hitTest != HTCLIENT || !HasWindow()) return false;
    POINT p;
    ::GetCursorPos(&p);
    window->ScreenToClient(p);
    p.x += 1;
    p.y += 1;
    if (p.x < FixedWidth() - 2 || p.y > HeaderHeight() || p.x + scrollX > totalWidth + 4)
        return false;
    resizeHeaderRow = p.y / std::max(1, headerRowHeight);
    if (!resizing) {
        int column = 0;
        if (!HitColumnBorder(p.x, resizeHeaderRow, column)) return false;
        resizeColumn = column;
    }
    resizeHot = true;
    ::SetCursor(LoadResizeCursor());
    return true;
}

bool CORVGridCore::HitColumnBorder(int x, int headerRow, int& column) {
    const int count = fixedCols + GetColumnCount(headerRow);
    if (count <= 0) return false;
    const int X = x + scrollX;
    int left = 0;
    int i = 0;
    for (;; ++i) {
        const int right = left + CellWidth(i, headerRow);
        if ((left <= X && X <= right) || i == count - 1) break;
        left = right;
    }
    const int right = left + CellWidth(i, headerRow);
    if (X > left + 2 && X < right - 2) return false;
    column = X > left + 2 ? i : i - 1;
    if (column < 0) return false; // the grid's own left edge is no border
    return column >= fixedCols || (Options() & ORVGS_FIXEDCOLWIDTH);
}

void CORVGridCore::EndColumnResize(int x) {
    const int width = std::max(0, x + scrollX - ColumnLeft(resizeColumn, resizeHeaderRow));
    const bool fixed = resizeColumn < fixedCols;
    if (fixed)
        fixedColWidth = width;
    else
        SetColumnWidth(resizeColumn - fixedCols, resizeHeaderRow, width);
    CORVCellCtrl* ctrl = CurrentCtrl();
    bool active = false;
    if (ctrl) {
        active = ctrl->IsActive();
        ctrl->Hide();
    }
    RecalcLayout();
    if (HasWindow()) {
        ::SendMessageW(window->GetParent(), WM_ORV_COLUMNRESIZED, reinterpret_cast<WPARAM>(window),
                       0);
        window->SetFocus();
        if (fixed) window->Invalidate();
    }
    if (active) PositionCellCtrl(currentCol, currentRow);
}
