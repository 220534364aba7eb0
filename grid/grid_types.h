// Value types of the grid library: cell values and formats, the cell style with its focus
// frame, the grid options, the private messages and the size limits.
#pragma once
#include "framework/types.h"

#include <string>

// Notifications sent or posted to the parent of the grid's window.
constexpr UINT WM_ORV_CURCELLCHANGED = 0x785;  // wParam: grid window handle
constexpr UINT WM_ORV_COLUMNRESIZED = 0x786;   // wParam: grid window object
constexpr UINT WM_ORV_CELLCOMMITTED = 0x787;   // wParam: data column, lParam: data row
constexpr UINT WM_ORV_ROWCOUNTCHANGED = 0x788; // wParam: grid window object, lParam: count
// Posted by the grid view to itself after it gained the focus (wParam: previous window).
constexpr UINT WM_ORV_FOCUSCELL = 0x789;

// Grid options: the low word of the host window's style.
constexpr DWORD ORVGS_NOGRIDLINES = 0x0001;
constexpr DWORD ORVGS_ROWMODE = 0x0002;
constexpr DWORD ORVGS_3DFIXED = 0x0004;
constexpr DWORD ORVGS_FIXEDHEADERHEIGHT = 0x0008;
constexpr DWORD ORVGS_FIXEDCOLWIDTH = 0x0010;
constexpr DWORD ORVGS_MULTISELECT = 0x0020;

// The largest number of data rows a grid takes. Row geometry is 32-bit: with this limit
// rows x rowHeight stays below 2^31 for rows up to 200 pixels high, and the float scroll
// scale still lands within one row. SetRowCount and InsertRows refuse more.
constexpr int ORV_MAX_ROWS = 10'000'000;

// Default child id of the do-nothing control: data column + this.
constexpr UINT ORV_DEFAULT_CTRL_ID = 1900;

// The value of one cell: text, and a number (check state, item data or header format).
struct CORVCellValue {
    std::wstring text;
    int data = 0;
};

// How a data cell is drawn.
struct CORVCellFormat {
    UINT textFormat = DT_CENTER | DT_VCENTER;
    UINT frameType = 0;  // DFC_*; 0 = plain text
    UINT frameState = 0; // DFCS_*
    UINT imageKind = 0;  // 0 none, 1 bitmap, 2 icon, 4 image list
};

// The frame around the current cell (and the current row in row mode).
struct CORVFocusFrame {
    COLORREF back = 0;
    COLORREF frame = RGB(0, 100, 200);
    BYTE solid = 1;

    void Draw(HDC dc, const RECT& rect) const;
};

struct CORVCellStyle {
    COLORREF normalBack = 0, normalText = 0;
    COLORREF currentBack = 0, currentText = 0;
    COLORREF selectedBack = 0, selectedText = 0;
    COLORREF borderLeft = 0, borderTop = 0, borderRight = 0, borderBottom = 0;
    BYTE borderJoined = 0;
    CORVFocusFrame focusFrame;
    HFONT currentFont = nullptr; // not owned
    HFONT otherFont = nullptr;   // not owned

    // The grid's defaults, from the system colours of the moment.
    static CORVCellStyle FromSystemColors();
};

// Small drawing helpers shared by the painters and the cell controls. They create no
// GDI objects: solid fills go through ExtTextOut with an opaque background.
namespace orv {
void FillSolidRect(HDC dc, const RECT& rect, COLORREF color);
void Draw3dRect(HDC dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight);
} // namespace orv
