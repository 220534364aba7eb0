// The pattern view: columns, caption, values from the document, clicks into it.
#include "view/kiv_view.h"

#include "document/kiv_doc.h"

#include <string>

IMPLEMENT_DYNCREATE(CKIVView, CORVGridView)

BEGIN_MESSAGE_MAP(CKIVView, CORVGridView)
    Command<&CKIVView::OnCellChanged>(CKIVView::kCellCtrlId, BN_CLICKED),
END_MESSAGE_MAP()

namespace {
constexpr UINT kCellFormat = DT_CENTER | DT_VCENTER;
constexpr UINT kHeaderFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
constexpr BYTE kCheckBoxCtrl = 2;
constexpr DWORD kCheckBoxStyle = WS_CHILD | BS_AUTOCHECKBOX;
} // namespace

CKIVView::CKIVView() {
    for (int j = 0; j < kLines; ++j) {
        const int col = AddColumn(kColumnWidth, L"D" + std::to_wstring(j), kCellFormat,
                                  kHeaderFormat, DFC_BUTTON, DFCS_BUTTONCHECK, kCellCtrlId);
        SetColumnCtrl(col, kCheckBoxCtrl, kCheckBoxStyle, 0);
    }
    SetHeaderRowCount(2, false);
}

CKIVDoc* CKIVView::GetDocument() const {
    return dynamic_cast<CKIVDoc*>(CView::GetDocument());
}

bool CKIVView::PreCreateWindow(CREATESTRUCTW& cs) {
    cs.style |= ORVGS_ROWMODE;
    return CORVGridView::PreCreateWindow(cs);
}

int CKIVView::GetColumnWidth(int col, int headerRow) {
    if (col == 0 && IsCaptionRow(headerRow)) {
        int sum = 0;
        for (const CORVColumn& c : columns)
            sum += c.width;
        return sum;
    }
    return CORVGridView::GetColumnWidth(col, headerRow);
}

void CKIVView::SetColumnWidth(int, int, int) {
    // The widths are fixed: a dragged border springs back.
    RecalcLayout();
    if (IsWindow()) Invalidate(true);
}

bool CKIVView::CommitCell(int col, int row) {
    CORVCellCtrl* ctrl = GetCellCtrl(col, row);
    CKIVDoc* doc = GetDocument();
    if (!ctrl || !doc || col < 0 || col >= kLines || row < 0) return true;
    if (static_cast<std::size_t>(row) < doc->m_arrRows.size())
        doc->m_arrRows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] =
            ctrl->GetValue().data;
    return true;
}

CORVCellValue CKIVView::GetCellValue(int col, int row) {
    const CKIVDoc* doc = GetDocument();
    if (!doc || col < 0 || col >= kLines || row < 0 ||
        static_cast<std::size_t>(row) >= doc->m_arrRows.size())
        return {};
    return {std::wstring(),
            doc->m_arrRows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)]};
}

CORVCellValue CKIVView::GetHeaderValue(int col, int headerRow) {
    if (IsCaptionRow(headerRow))
        return {col == 0 ? std::wstring(kBusCaption) : std::wstring(),
                static_cast<int>(kHeaderFormat)};
    return CORVGridView::GetHeaderValue(col, headerRow);
}

void CKIVView::OnCellChanged() {
    // The grid's own current cell: the cell just clicked, even before the idle pass has
    // published it.
    CommitCell(currentCol - fixedCols, currentRow - headerRows);
    if (CKIVDoc* doc = GetDocument()) doc->SetModifiedFlag(true);
}
