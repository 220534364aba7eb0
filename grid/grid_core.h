// CORVGridCore: the abstract grid engine. It lays the table out in pixels, paints it into
// its host window, scrolls it, keeps the current cell and the selection and runs the
// in-place controls' life cycle. It stores no cell contents: everything about the table
// comes through the virtual operations, which a column grid or a client supplies.
#pragma once
#include "framework/gdi.h"
#include "grid/cell_ctrl.h"

#include <commctrl.h>

#include <memory>

class CWnd;

class CORVGridCore {
public:
    // --- fields ---
    CWnd* window = nullptr; // host window; parent of the cell controls
    HCURSOR resizeCursor = nullptr;
    bool resizeHot = false;
    bool resizing = false;
    int resizeColumn = 0;
    int resizeHeaderRow = 0;
    int headerRowHeight = 16;
    int rowHeight = 16;
    int totalWidth = 0;
    int currentCol = 1, currentRow = 1;
    int selEndCol = 1, selEndRow = 1;
    CFont font;
    int contentMaxX = 0, contentMaxY = 0;
    int pageWidth = 0, pageHeight = 0;
    int lineWidth = 0, lineHeight = 0;
    bool inScrollUpdate = false;
    int scrollX = 0, scrollY = 0;
    float scaleY = 1.0f, scaleX = 1.0f;
    int headerRows = 1;
    int fixedCols = 1;
    int fixedColWidth = 8;
    int pressedHeaderCol = -1, pressedHeaderRow = -1;
    int pressedRowHeaderCol = -1, pressedRowHeaderRow = -1;
    CORVCellStyle style;
    int selLeft = 1, selTop = 1, selRight = 1, selBottom = 1;

    CORVGridCore();
    CORVGridCore(const CORVGridCore&) = delete;
    CORVGridCore& operator=(const CORVGridCore&) = delete;

    // --- virtual operations, which a grid or a client replaces; col/row are data indices ---
    virtual void Paint(HDC dc);
    virtual void PaintCorner(HDC dc, const CRect& rect);
    virtual void PaintRow(HDC dc, int absRow, int y, const CRect& clip);
    virtual void PaintCell(HDC dc, int absCol, int absRow, int x, int y);
    virtual void PaintHeaderCell(HDC dc, int absCol, int headerRow, int x, int y);
    virtual void PaintRowHeaderCell(HDC dc, int fixedCol, int absRow, int x, int y);
    virtual int GetRowCount();
    virtual int GetColumnCount(int headerRow);
    virtual int GetColumnWidth(int col, int headerRow) = 0;
    virtual void SetColumnWidth(int col, int headerRow, int width) = 0;
    virtual std::unique_ptr<CORVCellCtrl> CreateCellCtrl(int col, int row, DWORD style, UINT id);
    virtual void SetCellCtrl(int col, int row, std::unique_ptr<CORVCellCtrl> ctrl);
    virtual void LoadCellCtrl(int col, int row, CORVCellCtrl* ctrl);
    virtual CORVCellCtrl* GetCellCtrl(int col, int row);
    virtual DWORD GetCellCtrlStyle(int col, int row);
    virtual bool CommitCell(int col, int row) = 0;
    virtual void OnCellCommitted(int col, int row) = 0;
    virtual CORVCellStyle* GetCellStyle(int col, int row);
    virtual bool HasCellImage(int col, int row);
    virtual UINT GetCellImageType(int col, int row);
    virtual bool GetCellImageSize(int col, int row, CSize& size);
    virtual HANDLE GetCellImage(int col, int row, bool current);
    virtual void GetCellImageListParams(int col, int row, IMAGELISTDRAWPARAMS& params,
                                        bool current);
    virtual void OnCurrentCellChanged(int col, int row);
    virtual void OnCurrentRowChanged(int row);
    virtual CORVCellFormat GetCellFormat(int col, int row);
    virtual CORVCellValue GetCellValue(int col, int row);
    virtual CORVCellValue GetHeaderValue(int col, int headerRow) = 0;

    virtual ~CORVGridCore();

    // --- structure ---
    void SetHeaderRowCount(int count, bool relayout);
    void RecalcLayout();

    // --- geometry (absolute indices; headerRow -1 = data rows) ---
    int HeaderHeight() const { return headerRows > 0 ? headerRows * headerRowHeight : 0; }
    int FixedWidth() const { return fixedCols > 0 ? fixedCols * fixedColWidth : 0; }
    int CellWidth(int absCol, int headerRow = -1);
    int ColumnLeft(int absCol, int headerRow = -1);
    int ColumnX(int absCol, int headerRow = -1) {
        return ColumnLeft(absCol, headerRow) - scrollX - 1;
    }
    int RowTop(int absRow) const;
    int RowY(int absRow) const { return RowTop(absRow) - scrollY - 1; }
    int RowFromY(int y) const;
    int ColumnFromX(int x, int headerRow = -1);
    void VisibleRows(const CRect& rect, int& first, int& last);
    void VisibleColumns(const CRect& rect, int headerRow, int& first, int& last);
    // The client rectangle of a cell (header cells use their own row's partition).
    CRect CellRect(int absCol, int absRow);
    int LastColumn(int headerRow = -1) { return fixedCols + GetColumnCount(headerRow) - 1; }
    int LastRow() { return headerRows + GetRowCount() - 1; }
    bool IsDataCell(int absCol, int absRow);

    // --- painting ---
    void PaintRect(HDC dc, const CRect& rect);
    void RepaintCell(HDC dc, int absCol, int absRow);
    void RepaintRow(HDC dc, int absRow);
    void InvalidateRow(int absRow);
    void RedrawFocus();
    void ScrollRows(int absRow, int dy);

    // --- current cell, selection and keyboard ---
    bool SetCurrentCell(int absCol, int absRow);
    bool MoveCurrentCell(int dataCol, int dataRow) {
        return SetCurrentCell(dataCol + fixedCols, dataRow + headerRows);
    }
    bool ExtendSelection(int absCol, int absRow);
    bool OnKeyDown(UINT key, UINT repeat, UINT flags);
    void PositionCellCtrl(int absCol, int absRow);
    void ClickCurrentCell(int x, int y);
    // Commits the current cell's control; false when the value was refused.
    bool EndEdit(bool discard);
    // The current cell's control, whether shown or not.
    CORVCellCtrl* CurrentCtrl() {
        return GetCellCtrl(currentCol - fixedCols, currentRow - headerRows);
    }

    // --- column resizing ---
    bool OnSetCursor(HWND wnd, UINT hitTest, UINT message);
    bool HitColumnBorder(int x, int headerRow, int& column);
    void EndColumnResize(int x);

    // --- scrolling ---
    void UpdateScrollBars();
    void ScrollToPosition(int x, int y);
    bool ScrollBy(int dx, int dy, bool doScroll);
    bool OnScroll(UINT code, UINT pos, bool doScroll);
    bool OnMouseWheel(UINT flags, short delta, CPoint point);

protected:
    DWORD Options() const;
    bool HasWindow() const;
    CRect ClientRect() const;
    // The separate scroll-bar control serving a direction of the window (SB_HORZ/SB_VERT), if any.
    HWND ScrollBarCtrl(int bar) const;
    bool CanScroll(int bar) const;
    void ScrollWindowKeepHeaders(int dx, int dy);
    void SetBarPosition(int bar, int pixels, float scale);

    // Painting steps.
    void PaintDataRows(HDC dc, const CRect& rect);
    void PaintRowHeaders(HDC dc, const CRect& rect);
    void PaintHeaderRows(HDC dc, const CRect& rect);
    void PaintEmptyArea(HDC dc, const CRect& rect);
    void PaintCellBorders(HDC dc, const CRect& cell, const CORVCellStyle& s, bool selected,
                          COLORREF back);
    void PaintCellImage(HDC dc, int col, int row, bool current, CRect& interior);
    void PaintFrameControl(HDC dc, const CRect& rect, const CORVCellFormat& f,
                           const CORVCellValue& value);
    void PaintCheckCell(HDC dc, const CRect& rect, const CORVCellFormat& f,
                        const CORVCellValue& value);
    void PaintFixedFace(HDC dc, CRect& rect, bool pressed);
    CRect RowFocusRect(int y);

    // Navigation steps.
    void ScrollCellIntoView(int absCol, int absRow, bool* scrolledVertically = nullptr);
    void RepaintRange(HDC dc, const CRect& range, const CRect* except);
    void UpdateSelectionRect(int oldEndCol, int oldEndRow);
    HCURSOR LoadResizeCursor();
    void HideCurrentCtrl();
};
