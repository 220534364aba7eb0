// The column grid: column table, storage operations and row operations.
#include "grid/grid.h"

#include "framework/wnd.h"
#include "grid/cell_check.h"
#include "grid/cell_combo.h"
#include "grid/cell_edit.h"

#include <algorithm>

CORVGrid::~CORVGrid() {
    for (auto& column : columns)
        if (column.ctrl) column.ctrl->Destroy();
}

CORVColumn* CORVGrid::Column(int col) {
    if (col < 0 || col >= static_cast<int>(columns.size())) return nullptr;
    return &columns[static_cast<size_t>(col)];
}

// --- storage operations ---

int CORVGrid::GetRowCount() {
    return rowCount;
}
int CORVGrid::GetColumnCount(int) {
    return static_cast<int>(columns.size());
}

int CORVGrid::GetColumnWidth(int col, int) {
    const CORVColumn* c = Column(col);
    return c ? c->width : 0;
}

void CORVGrid::SetColumnWidth(int col, int, int width) {
    if (CORVColumn* c = Column(col)) c->width = width;
    if (HasWindow()) window->Invalidate();
}

std::unique_ptr<CORVCellCtrl> CORVGrid::CreateCellCtrl(int col, int, DWORD ctrlStyle, UINT id) {
    CORVColumn* c = Column(col);
    if (!c || c->ctrl) return nullptr;
    if (id != 0) c->ctrlId = id;
    std::unique_ptr<CORVCellCtrl> ctrl;
    switch (c->ctrlKind) {
    case 1:
        ctrl = std::make_unique<CORVCellEdit>();
        break;
    case 2:
        ctrl = std::make_unique<CORVCellCheck>();
        break;
    case 3:
        ctrl = std::make_unique<CORVCellCombo>();
        break;
    default:
        return nullptr;
    }
    ctrl->Create(ctrlStyle, window, c->ctrlId);
    ctrl->Enable(false);
    ctrl->frameStyle = &style.focusFrame;
    ctrl->SetFont(font.Get(), true);
    return ctrl;
}

void CORVGrid::SetCellCtrl(int col, int, std::unique_ptr<CORVCellCtrl> ctrl) {
    CORVColumn* c = Column(col);
    if (!c) return;
    if (c->ctrl && c->ctrl != ctrl) c->ctrl->Destroy();
    c->ctrl = std::move(ctrl);
}

void CORVGrid::LoadCellCtrl(int col, int row, CORVCellCtrl* ctrl) {
    if (ctrl) ctrl->SetValue(GetCellValue(col, row));
}

CORVCellCtrl* CORVGrid::GetCellCtrl(int col, int) {
    CORVColumn* c = Column(col);
    return c ? c->ctrl.get() : nullptr;
}

DWORD CORVGrid::GetCellCtrlStyle(int col, int) {
    CORVColumn* c = Column(col);
    return c ? c->ctrlStyle : WS_CHILD;
}

bool CORVGrid::CommitCell(int col, int row) {
    if (HasWindow())
        ::SendMessageW(window->GetParent(), WM_ORV_CELLCOMMITTED, static_cast<WPARAM>(col), row);
    OnCellCommitted(col, row);
    return true;
}

void CORVGrid::OnCellCommitted(int, int) {}
CORVCellStyle* CORVGrid::GetCellStyle(int, int) {
    return &style;
}

bool CORVGrid::HasCellImage(int col, int) {
    CORVColumn* c = Column(col);
    return c && c->imageKind != 0;
}

UINT CORVGrid::GetCellImageType(int col, int) {
    CORVColumn* c = Column(col);
    return c ? c->imageKind : 0;
}

bool CORVGrid::GetCellImageSize(int col, int, CSize& size) {
    CORVColumn* c = Column(col);
    size = c ? CSize(c->imageWidth, c->imageHeight) : CSize();
    return c != nullptr;
}

HANDLE CORVGrid::GetCellImage(int, int, bool) {
    return nullptr;
}
void CORVGrid::GetCellImageListParams(int, int, IMAGELISTDRAWPARAMS&, bool) {}
void CORVGrid::OnCurrentCellChanged(int, int) {}
void CORVGrid::OnCurrentRowChanged(int) {}

CORVCellFormat CORVGrid::GetCellFormat(int col, int) {
    CORVColumn* c = Column(col);
    if (!c) return {};
    return {c->cellFormat, c->frameType, c->frameState, c->imageKind};
}

CORVCellValue CORVGrid::GetCellValue(int, int) {
    return {L"", -1};
}

CORVCellValue CORVGrid::GetHeaderValue(int col, int) {
    CORVColumn* c = Column(col);
    if (!c) return {L"", static_cast<int>(DT_CENTER | DT_VCENTER | DT_SINGLELINE)};
    return {c->title, static_cast<int>(c->headerFormat)};
}

int CORVGrid::GetHeaderRowCount() {
    return headerRows;
}
int CORVGrid::GetFixedColumnCount() {
    return fixedCols;
}
void CORVGrid::OnHeaderButtonDown(int, int) {}
void CORVGrid::OnHeaderButtonUp(int, int) {}
void CORVGrid::OnRowHeaderButtonDown(int, int) {}
void CORVGrid::OnRowHeaderButtonUp(int, int) {}
void CORVGrid::OnHeaderDblClk(int col, int headerRow) {
    OnHeaderButtonDown(col, headerRow);
}

UINT CORVGrid::GetCellCtrlId(int col, int) {
    CORVColumn* c = Column(col);
    return c ? c->ctrlId : 0;
}

// --- columns ---

int CORVGrid::InsertColumn(int index, int width, const std::wstring& title, UINT cellFormat,
                           UINT headerFormat, UINT frameType, UINT frameState, UINT ctrlId) {
    const int count = static_cast<int>(columns.size());
    if (index < 0 || index > count) index = count;
    CORVColumn column;
    column.title = title;
    column.headerFormat = headerFormat;
    column.cellFormat = cellFormat;
    column.frameType = frameType;
    column.frameState = frameState;
    column.ctrlId = ctrlId;
    column.width = width;
    columns.insert(columns.begin() + index, std::move(column));
    return index;
}

int CORVGrid::AddColumn(int width, const std::wstring& title, UINT cellFormat, UINT headerFormat,
                        UINT frameType, UINT frameState, UINT ctrlId) {
    return InsertColumn(static_cast<int>(columns.size()), width, title, cellFormat, headerFormat,
                        frameType, frameState, ctrlId);
}

bool CORVGrid::SetColumnCtrl(int col, BYTE kind, DWORD ctrlStyle, UINT id) {
    CORVColumn* c = Column(col);
    if (!c || c->ctrl) return false;
    c->ctrlKind = kind;
    c->ctrlStyle = ctrlStyle;
    if (id != 0)
        c->ctrlId = id;
    else if (c->ctrlId == 0)
        c->ctrlId = static_cast<UINT>(col) + ORV_DEFAULT_CTRL_ID;
    return true;
}

// --- rows ---

bool CORVGrid::SetRowCount(int count, bool notify) {
    if (count < 0 || count > ORV_MAX_ROWS) return false;
    if (count == rowCount) return true;
    rowCount = count;
    if (notify && HasWindow())
        ::PostMessageW(window->GetParent(), WM_ORV_ROWCOUNTCHANGED,
                       reinterpret_cast<WPARAM>(window), count);
    return true;
}

bool CORVGrid::InsertRows(int at, int count) {
    const int old = rowCount;
    if (count <= 0 || at < 0 || at > old || count > ORV_MAX_ROWS - old) return false;
    CORVCellCtrl* ctrl = CurrentCtrl();
    if (ctrl && old > 0) LoadCellCtrl(currentCol - fixedCols, currentRow - headerRows, ctrl);
    ScrollRows(headerRows + at, count * rowHeight);
    SetRowCount(old + count, true);
    RecalcLayout();
    if (at < old)
        PositionCellCtrl(currentCol, currentRow);
    else
        SetCurrentCell(currentCol, headerRows + rowCount - 1);
    return true;
}

bool CORVGrid::DeleteRows(int at, int count) {
    if (count <= 0 || at < 0 || at >= rowCount) return false;
    count = std::min(count, rowCount - at);
    const int remaining = rowCount - count;
    currentRow = std::min(currentRow, headerRows + remaining - 1);
    selEndCol = selLeft = selRight = currentCol;
    selEndRow = selTop = selBottom = currentRow;
    CORVCellCtrl* ctrl = CurrentCtrl();
    if (ctrl && remaining > 0) LoadCellCtrl(currentCol - fixedCols, currentRow - headerRows, ctrl);
    ScrollRows(headerRows + at, -count * rowHeight);
    SetRowCount(remaining, true);
    RecalcLayout();
    if (remaining > 0) {
        PositionCellCtrl(currentCol, currentRow);
        InvalidateRow(currentRow);
    } else if (ctrl) {
        ctrl->SetModified(false);
        ctrl->Hide();
    }
    return true;
}
