// The engine's construction, default operations, layout and pixel geometry.
#include "grid/grid_core.h"

#include "framework/wnd.h"

#include <algorithm>
#include <climits>
#include <cwchar>

namespace {

// The do-nothing control of the engine's default CreateCellCtrl.
class CORVNullCtrl final : public CORVCellCtrl {};

int ClampToInt(long long v) {
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

} // namespace

CORVGridCore::CORVGridCore() : style(CORVCellStyle::FromSystemColors()) {
    LOGFONTW lf{};
    if (::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf) == sizeof(lf))
        font.CreateFontIndirect(lf);
}

CORVGridCore::~CORVGridCore() {
    if (resizeCursor) ::DestroyCursor(resizeCursor);
}

// --- default operations ---

int CORVGridCore::GetRowCount() {
    return 0;
}
int CORVGridCore::GetColumnCount(int) {
    return 0;
}

std::unique_ptr<CORVCellCtrl> CORVGridCore::CreateCellCtrl(int col, int, DWORD style, UINT) {
    auto ctrl = std::make_unique<CORVNullCtrl>();
    ctrl->Create(style, window, static_cast<UINT>(col) + ORV_DEFAULT_CTRL_ID);
    return ctrl;
}

void CORVGridCore::SetCellCtrl(int, int, std::unique_ptr<CORVCellCtrl>) {}

void CORVGridCore::LoadCellCtrl(int col, int row, CORVCellCtrl* ctrl) {
    if (ctrl) ctrl->SetValue(GetCellValue(col, row));
}

CORVCellCtrl* CORVGridCore::GetCellCtrl(int, int) {
    return nullptr;
}
DWORD CORVGridCore::GetCellCtrlStyle(int, int) {
    return WS_CHILD;
}
CORVCellStyle* CORVGridCore::GetCellStyle(int, int) {
    return &style;
}
bool CORVGridCore::HasCellImage(int, int) {
    return false;
}
UINT CORVGridCore::GetCellImageType(int, int) {
    return 0;
}

bool CORVGridCore::GetCellImageSize(int, int, CSize& size) {
    size = CSize(0, 0);
    return false;
}

HANDLE CORVGridCore::GetCellImage(int, int, bool) {
    return nullptr;
}
void CORVGridCore::GetCellImageListParams(int, int, IMAGELISTDRAWPARAMS&, bool) {}
void CORVGridCore::OnCurrentCellChanged(int, int) {}
void CORVGridCore::OnCurrentRowChanged(int) {}
CORVCellFormat CORVGridCore::GetCellFormat(int, int) {
    return {};
}

CORVCellValue CORVGridCore::GetCellValue(int col, int row) {
    wchar_t text[32];
    swprintf(text, 32, L"%u - %u", static_cast<unsigned>(col), static_cast<unsigned>(row));
    return {text, 0};
}

// --- window access ---

bool CORVGridCore::HasWindow() const {
    return window && window->GetSafeHwnd();
}

DWORD CORVGridCore::Options() const {
    return HasWindow() ? LOWORD(window->GetStyle()) : 0;
}

CRect CORVGridCore::ClientRect() const {
    return HasWindow() ? window->GetClientRect() : CRect();
}

bool CORVGridCore::IsDataCell(int absCol, int absRow) {
    return absCol >= fixedCols && absCol < fixedCols + GetColumnCount(-1) && absRow >= headerRows &&
           absRow < headerRows + GetRowCount();
}

// --- structure ---

void CORVGridCore::SetHeaderRowCount(int count, bool relayout) {
    count = std::max(0, count);
    currentRow += count - headerRows;
    selEndRow += count - headerRows;
    selTop += count - headerRows;
    selBottom += count - headerRows;
    headerRows = count;
    if (relayout) {
        RecalcLayout();
        PositionCellCtrl(currentCol, currentRow);
    }
}

void CORVGridCore::RecalcLayout() {
    TEXTMETRICW tm{};
    {
        HWND hwnd = HasWindow() ? window->GetSafeHwnd() : nullptr;
        CClientDC dc(hwnd);
        ScopedSelectObject use(dc, font.Get());
        ::GetTextMetricsW(dc, &tm);
    }
    const DWORD options = Options();
    rowHeight = tm.tmHeight + 3;
    if (!(options & ORVGS_FIXEDHEADERHEIGHT)) headerRowHeight = rowHeight;
    if (fixedCols > 0 && !(options & ORVGS_FIXEDCOLWIDTH)) fixedColWidth = rowHeight / 2;

    long long width = 0;
    const int columns = fixedCols + GetColumnCount(-1);
    for (int i = 0; i < columns; ++i)
        width += CellWidth(i, -1);
    totalWidth = ClampToInt(width);

    contentMaxX = std::max(0, totalWidth - 1);
    const long long height = static_cast<long long>(GetRowCount()) * rowHeight +
                             static_cast<long long>(std::max(0, headerRows)) * headerRowHeight - 1;
    contentMaxY = ClampToInt(std::max(0LL, height));

    scaleX = contentMaxX >= 32767 ? static_cast<float>(contentMaxX) / 32767.0f + 1.0f : 1.0f;
    scaleY = contentMaxY >= 32767 ? static_cast<float>(contentMaxY) / 32767.0f + 1.0f : 1.0f;

    if (HasWindow()) UpdateScrollBars();

    if (static_cast<long long>(scrollY) + pageHeight > contentMaxY)
        scrollY = std::max(0, contentMaxY - pageHeight + 1);
    if (static_cast<long long>(scrollX) + pageWidth > contentMaxX)
        scrollX = std::max(0, contentMaxX - pageWidth + 1);
}

// --- geometry ---

int CORVGridCore::CellWidth(int absCol, int headerRow) {
    if (absCol >= fixedCols) return GetColumnWidth(absCol - fixedCols, headerRow);
    if (absCol >= 0) return fixedColWidth;
    return 0;
}

int CORVGridCore::ColumnLeft(int absCol, int headerRow) {
    long long left = 0;
    for (int i = 0; i < absCol; ++i)
        left += CellWidth(i, headerRow);
    return ClampToInt(left);
}

int CORVGridCore::RowTop(int absRow) const {
    if (absRow <= headerRows) return absRow * headerRowHeight;
    return ClampToInt(static_cast<long long>(HeaderHeight()) +
                      static_cast<long long>(absRow - headerRows) * rowHeight);
}

int CORVGridCore::RowFromY(int y) const {
    const int h = HeaderHeight();
    if (y < h) return y / std::max(1, headerRowHeight);
    return headerRows + (y - h) / std::max(1, rowHeight);
}

int CORVGridCore::ColumnFromX(int x, int headerRow) {
    const int count = fixedCols + GetColumnCount(headerRow);
    if (x < 0) return count - 1;
    int left = 0;
    for (int i = 0; i < count; ++i) {
        const int right = left + CellWidth(i, headerRow);
        if (left <= x && x <= right) return i;
        left = right;
    }
    return count;
}

void CORVGridCore::VisibleRows(const CRect& rect, int& first, int& last) {
    const int h = HeaderHeight();
    const int hrh = std::max(1, headerRowHeight);
    const int rh = std::max(1, rowHeight);
    const int lastRow = headerRows + GetRowCount() - 1; // headerRows - 1 with no data rows
    const int t = rect.top + 1;
    const int b = rect.bottom + 1;
    if (t <= h)
        first = std::max(0, t / hrh);
    else
        first = std::min(lastRow, headerRows + (t - h) / rh);
    if (b <= h)
        last = std::clamp(b / hrh, 0, std::max(0, headerRows - 1));
    else
        last = std::min(lastRow, headerRows + (b - h) / rh);
}

void CORVGridCore::VisibleColumns(const CRect& rect, int headerRow, int& first, int& last) {
    const int count = fixedCols + GetColumnCount(headerRow);
    first = 0;
    last = -1;
    if (count <= 0) return;
    const int l = rect.left + 1;
    const int r = rect.right + 1;
    long long right = 0;
    first = count - 1;
    int i = 0;
    for (; i < count; ++i) {
        right += CellWidth(i, headerRow);
        if (right > l) {
            first = i;
            break;
        }
    }
    last = count - 1;
    for (; i < count; ++i) {
        if (i > first) right += CellWidth(i, headerRow);
        if (right >= r) {
            last = i;
            break;
        }
    }
}

CRect CORVGridCore::CellRect(int absCol, int absRow) {
    const bool header = absRow < headerRows;
    const int hr = header ? absRow : -1;
    CRect r;
    if (absCol < fixedCols) {
        r.left = absCol * fixedColWidth - 1;
        r.right = (absCol + 1) * fixedColWidth - 1;
    } else {
        r.left = ColumnX(absCol, hr);
        r.right = ColumnX(absCol + 1, hr);
    }
    if (header) {
        r.top = absRow * headerRowHeight - 1;
        r.bottom = (absRow + 1) * headerRowHeight - 1;
    } else {
        r.top = RowY(absRow);
        r.bottom = RowY(absRow + 1);
    }
    return r;
}
