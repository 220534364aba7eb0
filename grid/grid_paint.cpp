// Painting: every repaint goes through PaintRect, so a partial repaint looks exactly like
// the same area after WM_PAINT. Only the rows and columns that meet the rectangle are
// visited; each pen, brush and region lives for one fill or one line set.
#include "grid/grid_core.h"

#include "framework/wnd.h"

#include <algorithm>

namespace {

void FillSys(HDC dc, const RECT& r, int index) {
    CBrush brush(::GetSysColor(index));
    ::FillRect(dc, &r, brush);
}

void Deflate(CRect& r, int l, int t, int rr, int b) {
    r.left += l;
    r.top += t;
    r.right -= rr;
    r.bottom -= b;
}

void DrawLine(HDC dc, HPEN pen, int x1, int y1, int x2, int y2) {
    ScopedSelectObject use(dc, pen);
    ::MoveToEx(dc, x1, y1, nullptr);
    ::LineTo(dc, x2, y2);
}

// Restores the font and text colour a cell painter changed.
class CellTextState {
public:
    CellTextState(HDC dc, COLORREF text, HFONT font)
        : m_dc(dc), m_oldText(::SetTextColor(dc, text)),
          m_oldFont(font ? ::SelectObject(dc, font) : nullptr) {}
    ~CellTextState() {
        if (m_oldFont) ::SelectObject(m_dc, m_oldFont);
        ::SetTextColor(m_dc, m_oldText);
    }
    CellTextState(const CellTextState&) = delete;
    CellTextState& operator=(const CellTextState&) = delete;

private:
    HDC m_dc;
    COLORREF m_oldText;
    HGDIOBJ m_oldFont;
};

} // namespace

void CORVGridCore::Paint(HDC dc) {
    CRect clip;
    if (::GetClipBox(dc, &clip) == NULLREGION || clip.IsRectEmpty()) return;
    PaintRect(dc, clip);
}

void CORVGridCore::PaintRect(HDC dc, const CRect& rect) {
    const int H = HeaderHeight();
    const int F = FixedWidth();
    HGDIOBJ oldFont =
        ::SelectObject(dc, font.Get() ? font.Get() : ::GetStockObject(DEFAULT_GUI_FONT));
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldText = ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));

    const bool headerBand = headerRows > 0 && rect.top <= H - 1;
    const bool fixedBand = fixedCols > 0 && rect.left <= F - 1;
    CRect client = HasWindow() ? ClientRect() : rect;
    // Data rows are clipped to the data region so they never paint over the bands.
    auto clippedDataRows = [&](const CRect& r) {
        const int saved = ::SaveDC(dc);
        CRgn region;
        if (region.CreateRectRgn(F, H, std::max<int>(F, client.right),
                                 std::max<int>(H, client.bottom)))
            ::ExtSelectClipRgn(dc, region, RGN_AND);
        PaintDataRows(dc, r);
        ::RestoreDC(dc, saved);
    };
    if (!headerBand && !fixedBand) {
        PaintDataRows(dc, rect);
    } else if (!headerBand) {
        clippedDataRows({F, rect.top, rect.right, rect.bottom});
        PaintRowHeaders(dc, {rect.left, rect.top, F, rect.bottom});
    } else if (!fixedBand) {
        clippedDataRows({rect.left, H - 1, rect.right, rect.bottom});
        PaintHeaderRows(dc, {rect.left, rect.top, rect.right, H});
    } else {
        clippedDataRows({F, H - 1, rect.right, rect.bottom});
        PaintRowHeaders(dc, {rect.left, H, F, rect.bottom});
        PaintHeaderRows(dc, {F, rect.top, rect.right, H});
        PaintCorner(dc, {1, 1, F + 1, H + 1});
    }
    PaintEmptyArea(dc, rect);

    ::SelectObject(dc, oldFont);
    ::SetBkMode(dc, oldMode);
    ::SetTextColor(dc, oldText);
}

void CORVGridCore::PaintEmptyArea(HDC dc, const CRect& rect) {
    const int g = std::max(HeaderHeight(), RowY(headerRows + GetRowCount()) + 1);
    const int d = totalWidth - scrollX;
    CBrush window(::GetSysColor(COLOR_WINDOW));
    if (g < rect.bottom) {
        if (d <= rect.right) {
            CRect right(d, rect.top - 1, rect.right, rect.bottom);
            ::FillRect(dc, &right, window);
        }
        CRect below(rect.left, g, rect.right, rect.bottom);
        ::FillRect(dc, &below, window);
    } else if (d <= rect.right) {
        CRect right(d, rect.top, rect.right, rect.bottom);
        ::FillRect(dc, &right, window);
    }
}

// --- bands ---

void CORVGridCore::PaintDataRows(HDC dc, const CRect& rect) {
    CRect content = rect;
    content.OffsetRect(scrollX, scrollY);
    int first = 0, last = -1;
    VisibleRows(content, first, last);
    first = std::max(first, headerRows);
    last = std::min(last, LastRow());
    int y = RowY(first);
    for (int row = first; row <= last; ++row, y += rowHeight)
        PaintRow(dc, row, y, content);
}

void CORVGridCore::PaintRow(HDC dc, int absRow, int y, const CRect& clip) {
    int first = 0, last = -1;
    VisibleColumns(clip, -1, first, last);
    first = std::max(first, fixedCols);
    int x = ColumnX(first, -1);
    for (int col = first; col <= last; ++col) {
        PaintCell(dc, col, absRow, x, y);
        x += CellWidth(col, -1);
    }
    if ((Options() & ORVGS_ROWMODE) && absRow == currentRow)
        style.focusFrame.Draw(dc, RowFocusRect(y));
}

CRect CORVGridCore::RowFocusRect(int y) {
    const int left = ColumnX(fixedCols, -1);
    return {left + 1, y + 1, left + totalWidth - FixedWidth(), y + rowHeight};
}

void CORVGridCore::PaintRowHeaders(HDC dc, const CRect& rect) {
    CRect content = rect;
    content.OffsetRect(0, scrollY);
    int first = 0, last = -1, firstCol = 0, lastCol = -1;
    VisibleRows(content, first, last);
    first = std::max(first, headerRows);
    last = std::min(last, LastRow());
    VisibleColumns(content, -1, firstCol, lastCol);
    firstCol = std::min(firstCol, fixedCols - 1);
    lastCol = std::min(lastCol, fixedCols - 1);
    int y = RowY(first);
    for (int row = first; row <= last; ++row, y += rowHeight) {
        int x = ColumnLeft(firstCol, -1) - 1;
        for (int col = firstCol; col <= lastCol; ++col, x += fixedColWidth)
            PaintRowHeaderCell(dc, col, row, x, y);
    }
}

void CORVGridCore::PaintHeaderRows(HDC dc, const CRect& rect) {
    CRect content = rect;
    content.OffsetRect(scrollX, 0);
    int first = 0, last = -1;
    VisibleRows(content, first, last);
    first = std::min(first, headerRows - 1);
    last = std::min(last, headerRows - 1);
    int y = first * headerRowHeight - 1;
    for (int row = first; row <= last; ++row, y += headerRowHeight) {
        int firstCol = 0, lastCol = -1;
        VisibleColumns(content, row, firstCol, lastCol);
        firstCol = std::max(firstCol, fixedCols);
        int x = ColumnX(firstCol, row);
        for (int col = firstCol; col <= lastCol; ++col) {
            PaintHeaderCell(dc, col, row, x, y);
            x += CellWidth(col, row);
        }
    }
}

// --- data cells ---

void CORVGridCore::PaintCell(HDC dc, int absCol, int absRow, int x, int y) {
    const DWORD options = Options();
    const int c = absCol - fixedCols;
    const int r = absRow - headerRows;
    CORVCellStyle* s = GetCellStyle(c, r);
    if (!s) s = &style;
    const bool current = absCol == currentCol && absRow == currentRow;
    const bool selected = ((options & ORVGS_ROWMODE) && absRow == currentRow) ||
                          ((options & ORVGS_MULTISELECT) && selLeft <= absCol &&
                           absCol <= selRight && selTop <= absRow && absRow <= selBottom);
    COLORREF back = s->normalBack, text = s->normalText;
    if (current)
        back = s->currentBack, text = s->currentText;
    else if (selected)
        back = s->selectedBack, text = s->selectedText;

    const CRect cell(x, y, x + CellWidth(absCol, -1) + 1, y + rowHeight + 1);
    PaintCellBorders(dc, cell, *s, selected, back);
    CRect interior = cell;
    interior.DeflateRect(1, 1);
    if (interior.IsRectEmpty()) return;

    const CORVCellFormat format = GetCellFormat(c, r);
    CORVCellCtrl* ctrl = current ? GetCellCtrl(c, r) : nullptr;
    const CORVCellValue value = ctrl ? ctrl->GetValue() : GetCellValue(c, r);
    {
        CBrush brush(back);
        ::FillRect(dc, &interior, brush);
    }
    if (HasCellImage(c, r)) PaintCellImage(dc, c, r, current, interior);
    if (current && interior.Width() >= 1 && interior.Height() >= 1)
        s->focusFrame.Draw(dc, interior);

    CRect textRect = interior;
    textRect.DeflateRect(1, 1);
    CellTextState state(dc, text, current ? s->currentFont : s->otherFont);
    if (format.frameType) {
        PaintFrameControl(dc, textRect, format, value);
    } else {
        ::DrawTextW(dc, value.text.c_str(), static_cast<int>(value.text.size()), &textRect,
                    format.textFormat);
    }
}

void CORVGridCore::PaintCellBorders(HDC dc, const CRect& cell, const CORVCellStyle& s,
                                    bool selected, COLORREF back) {
    COLORREF left = s.borderLeft, top = s.borderTop, right = s.borderRight, bottom = s.borderBottom;
    bool joined = s.borderJoined != 0;
    if (Options() & ORVGS_NOGRIDLINES) {
        left = right = selected ? back : s.normalBack;
        top = bottom = s.normalBack;
        joined = true;
    }
    CPen penLeft, penTop, penRight, penBottom;
    if (!penLeft.CreatePen(PS_SOLID, 1, left) || !penTop.CreatePen(PS_SOLID, 1, top) ||
        !penRight.CreatePen(PS_SOLID, 1, right) || !penBottom.CreatePen(PS_SOLID, 1, bottom)) {
        orv::Draw3dRect(dc, cell, left, right);
        return;
    }
    const int l = cell.left, t = cell.top, r = cell.right - 1, b = cell.bottom - 1;
    if (joined) {
        DrawLine(dc, penLeft, l, t, l, b);
        DrawLine(dc, penRight, r, t, r, b);
        DrawLine(dc, penTop, l - 1, t, r + 2, t);
        DrawLine(dc, penBottom, l - 1, b, r + 2, b);
    } else {
        DrawLine(dc, penLeft, l, t, l, b + 1);
        DrawLine(dc, penRight, r, t, r, b + 1);
        DrawLine(dc, penTop, l, t, r, t);
        DrawLine(dc, penBottom, l, b, r, b);
    }
}

void CORVGridCore::PaintCellImage(HDC dc, int col, int row, bool current, CRect& interior) {
    CSize size;
    GetCellImageSize(col, row, size);
    size.cx = std::clamp<int>(size.cx, 0, interior.Width());
    size.cy = std::clamp<int>(size.cy, 0, interior.Height());
    const int x = interior.left + 1;
    const int y = interior.top + (interior.Height() - size.cy) / 2;
    switch (GetCellImageType(col, row)) {
    case 1:
        if (HANDLE bitmap = GetCellImage(col, row, current))
            ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(bitmap), 0, x, y, size.cx,
                         size.cy, DST_BITMAP);
        break;
    case 2:
        if (HANDLE icon = GetCellImage(col, row, current))
            ::DrawIconEx(dc, x, y, static_cast<HICON>(icon), size.cx, size.cy, 0, nullptr,
                         DI_NORMAL | DI_DEFAULTSIZE);
        break;
    case 4: {
        IMAGELISTDRAWPARAMS params{};
        params.cbSize = sizeof(params);
        params.hdcDst = dc;
        params.x = x;
        params.y = y;
        params.cx = size.cx;
        params.cy = size.cy;
        params.fStyle = ILD_TRANSPARENT;
        params.rgbBk = CLR_DEFAULT;
        params.rgbFg = CLR_DEFAULT;
        GetCellImageListParams(col, row, params, current);
        if (params.himl) ::ImageList_DrawIndirect(&params);
        break;
    }
    default:
        break;
    }
    interior.left = std::min<int>(interior.right, interior.left + size.cx + 2);
}

void CORVGridCore::PaintFrameControl(HDC dc, const CRect& rect, const CORVCellFormat& f,
                                     const CORVCellValue& value) {
    const int length = static_cast<int>(value.text.size());
    if (f.frameType == DFC_BUTTON && !(f.frameState & DFCS_BUTTONPUSH)) {
        PaintCheckCell(dc, rect, f, value);
        return;
    }
    CRect text = rect;
    if (f.frameType == DFC_BUTTON) {
        CRect button = rect;
        Deflate(button, 1, 0, 0, 1);
        ::DrawFrameControl(dc, &button, DFC_BUTTON, f.frameState);
        ::DrawTextW(dc, value.text.c_str(), length, &text, f.textFormat);
        return;
    }
    // Caption, menu and scroll glyphs: a square glyph at one edge, the text beside it.
    const int side = std::min<int>(rect.Height(), rect.Width());
    CRect glyph = rect;
    std::wstring shown = value.text;
    if (f.frameType == DFC_MENU) {
        glyph.right = std::min<int>(rect.right, rect.left + 13);
        text.left = glyph.right;
        shown.insert(0, L" ");
    } else {
        glyph.left = rect.right - side;
        text.right = glyph.left;
    }
    ::DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &text, f.textFormat);
    if (!glyph.IsRectEmpty()) ::DrawFrameControl(dc, &glyph, f.frameType, f.frameState);
}

void CORVGridCore::PaintCheckCell(HDC dc, const CRect& rect, const CORVCellFormat& f,
                                  const CORVCellValue& value) {
    constexpr int kBox = 13;
    CRect box;
    CRect textRect = rect;
    std::wstring text;
    if (value.text.empty()) {
        box.left = std::max<int>(rect.left, rect.left + (rect.Width() - kBox) / 2);
    } else {
        text = L" " + value.text;
        box.left = rect.left;
        textRect.left = std::min<int>(rect.right, rect.left + 15);
    }
    box.top = std::max<int>(rect.top, rect.top + (rect.Height() - kBox) / 2);
    box.right = std::min<int>(box.left + kBox, rect.right);
    box.bottom = std::min<int>(box.top + kBox, rect.bottom);

    UINT state = f.frameState;
    if (value.data == 1)
        state = (state | DFCS_CHECKED) & ~DFCS_BUTTON3STATE;
    else if (value.data == 2 && (state & DFCS_BUTTON3STATE))
        state |= DFCS_CHECKED;
    else
        state &= ~DFCS_CHECKED;

    if (box.IsRectEmpty()) return;
    if (!text.empty())
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect, f.textFormat);
    ::DrawFrameControl(dc, &box, DFC_BUTTON, state);
}

// --- fixed cells ---

void CORVGridCore::PaintFixedFace(HDC dc, CRect& r, bool threeD) {
    if (threeD) {
        orv::Draw3dRect(dc, r, ::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_BTNSHADOW));
        r.DeflateRect(1, 1);
        FillSys(dc, r, COLOR_BTNFACE);
    } else {
        ::DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH);
    }
}

void CORVGridCore::PaintHeaderCell(HDC dc, int absCol, int headerRow, int x, int y) {
    const bool threeD = Options() & ORVGS_3DFIXED;
    CRect r(x, y, x + CellWidth(absCol, headerRow) + 1, y + headerRowHeight + 1);
    const COLORREF outline = ::GetSysColor(threeD ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW);
    orv::Draw3dRect(dc, r, outline, outline);
    const bool pressed = absCol == pressedHeaderCol && headerRow == pressedHeaderRow;
    if (r.Height() <= 3 || r.Width() <= 3 || pressed) {
        r.DeflateRect(1, 1);
        FillSys(dc, r, COLOR_BTNFACE);
        Deflate(r, 4, 2, 1, 0);
    } else {
        Deflate(r, 1, 1, 0, 0);
        PaintFixedFace(dc, r, threeD);
        if (threeD)
            Deflate(r, 2, 0, 2, 1);
        else
            Deflate(r, 3, 1, 3, 2);
    }
    if (r.IsRectEmpty()) return;
    const CORVCellValue value = GetHeaderValue(absCol - fixedCols, headerRow);
    ::DrawTextW(dc, value.text.c_str(), static_cast<int>(value.text.size()), &r,
                static_cast<UINT>(value.data));
}

void CORVGridCore::PaintRowHeaderCell(HDC dc, int fixedCol, int absRow, int x, int y) {
    const bool threeD = Options() & ORVGS_3DFIXED;
    CRect r(x, y, x + CellWidth(fixedCol, -1) + 1, y + rowHeight + 1);
    const COLORREF outline = ::GetSysColor(threeD ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW);
    orv::Draw3dRect(dc, r, outline, outline);
    Deflate(r, 1, 1, 0, 0);
    const bool pressed = fixedCol == pressedRowHeaderCol && absRow == pressedRowHeaderRow;
    auto pressedFace = [&] {
        Deflate(r, 0, 0, 1, 1);
        FillSys(dc, r, COLOR_BTNFACE);
    };
    if (r.Height() < 3 || r.Width() < 3) {
        pressedFace();
        return;
    }
    if (absRow == currentRow && fixedCol == fixedCols - 1) {
        if (pressed) {
            pressedFace();
            Deflate(r, 2, 1, 0, 0);
        } else {
            PaintFixedFace(dc, r, threeD);
            r.DeflateRect(threeD ? 1 : 2, threeD ? 1 : 2);
        }
        // The current-row marker: a small triangle pointing right.
        const int m = r.left + (r.Width() - 4) / 2;
        const int o = r.top + (r.Height() - 7) / 2 - 1;
        const POINT corners[3] = {{m, o}, {m + 4, o + 4}, {m, o + 8}};
        CRgn marker;
        marker.Attach(::CreatePolygonRgn(corners, 3, WINDING));
        CBrush brush(::GetSysColor(COLOR_WINDOWFRAME));
        if (marker) ::FillRgn(dc, marker, brush);
    } else if (pressed) {
        pressedFace();
    } else {
        PaintFixedFace(dc, r, threeD);
    }
}

void CORVGridCore::PaintCorner(HDC dc, const CRect& rect) {
    const bool threeD = Options() & ORVGS_3DFIXED;
    CRect r(rect.left - 2, rect.top - 2, rect.right - 1, rect.bottom - 1);
    const COLORREF outline = ::GetSysColor(threeD ? COLOR_BTNSHADOW : COLOR_WINDOWFRAME);
    orv::Draw3dRect(dc, r, outline, outline);
    Deflate(r, 1, 1, 0, 0);
    if (r.Width() <= 2 || r.Height() <= 2) {
        Deflate(r, 0, 0, 1, 1);
        FillSys(dc, r, COLOR_BTNFACE);
    } else {
        PaintFixedFace(dc, r, threeD);
    }
}

// --- partial repaints ---

void CORVGridCore::RepaintCell(HDC dc, int absCol, int absRow) {
    if (!dc) return;
    const CRect r = CellRect(absCol, absRow);
    if (r.right <= 0 || r.bottom <= 0) return;
    PaintRect(dc, r);
}

void CORVGridCore::RepaintRow(HDC dc, int absRow) {
    if (!dc) return;
    const CRect cell = CellRect(fixedCols, absRow);
    const CRect r(0, cell.top, ClientRect().right, cell.bottom);
    if (r.right <= 0 || r.bottom <= 0) return;
    PaintRect(dc, r);
}

void CORVGridCore::InvalidateRow(int absRow) {
    if (!HasWindow()) return;
    const int y = RowY(absRow);
    const CRect r(0, y, ClientRect().right, y + rowHeight);
    window->InvalidateRect(&r, true);
}

void CORVGridCore::RedrawFocus() {
    if (!HasWindow()) return;
    const bool rowMode = Options() & ORVGS_ROWMODE;
    const int c = currentCol - fixedCols;
    const int r = currentRow - headerRows;
    const int x = ColumnX(currentCol, -1);
    const int y = RowY(currentRow);
    CRect cell(x + 1, y + 1, x + CellWidth(currentCol, -1), y + rowHeight);
    if (HasCellImage(c, r)) {
        CSize size;
        GetCellImageSize(c, r, size);
        cell.left = std::min<int>(cell.right, cell.left + size.cx + 2);
    }
    const CRect row = rowMode ? RowFocusRect(y) : CRect();
    if (!rowMode && cell.IsRectEmpty()) return;
    const CRect client = ClientRect();
    CClientDC dc(window->GetSafeHwnd());
    CRgn region;
    region.CreateRectRgn(FixedWidth(), HeaderHeight(), client.right, client.bottom);
    ::SelectClipRgn(dc, region);
    CORVCellStyle* s = GetCellStyle(c, r);
    (s ? s : &style)->focusFrame.Draw(dc, cell);
    if (!row.IsRectEmpty()) style.focusFrame.Draw(dc, row);
    ::SelectClipRgn(dc, nullptr);
}

void CORVGridCore::ScrollRows(int absRow, int dy) {
    if (!HasWindow()) return;
    const CRect client = ClientRect();
    const int t = RowY(absRow);
    if (t < HeaderHeight() - 1) {
        const CRect data(0, HeaderHeight(), client.right, client.bottom);
        window->InvalidateRect(&data, true);
        SetCurrentCell(currentCol, currentRow);
        return;
    }
    const CRect strip(0, t, client.right, client.bottom);
    if (strip.IsRectEmpty()) {
        SetCurrentCell(currentCol, currentRow);
        return;
    }
    ::ScrollWindow(window->GetSafeHwnd(), 0, dy, &strip, &strip);
    const int top = dy >= 0 ? t + rowHeight : t;
    const CRect row(0, top, client.right, top + rowHeight);
    window->InvalidateRect(&row, true);
}
