// The main frame's row commands: Add rows (F2) and Delete row (F3).
#include "app/globals.h"
#include "app/resource.h"
#include "document/kiv_doc.h"
#include "frame/mainframe.h"
#include "frame/rowcommands.h"
#include "framework/app.h"
#include "view/kiv_view.h"

#include <algorithm>

namespace {
std::wstring DeleteQuestion(int curRow) {
    return L"Удалить строку  " + std::to_wstring(curRow + 1);
}

// After a change of length: repaint the whole view and mark the pattern changed.
void AfterRowChange(CKIVView& view, CKIVDoc& doc) {
    view.OnInitialUpdate();
    doc.SetModifiedFlag(true);
}
} // namespace

void CMainFrame::OnAddRows() {
    // The dialog's label and the insert position need the cursor as it is now.
    RefreshSharedValues();
    const int addToEndBefore = m_dlgAddRows.m_bAddToEnd;
    if (m_dlgAddRows.DoModal() != IDOK) return;
    CKIVView* view = PatternView();
    CKIVDoc* doc = view ? view->GetDocument() : nullptr;
    if (!doc) return;
    const int rows = static_cast<int>(doc->m_arrRows.size());
    const int at = m_dlgAddRows.m_bAddToEnd ? rows : std::clamp(g_nCurRow, 0, rows);
    try {
        InsertPatternRows(doc->m_arrRows, *view, at, m_dlgAddRows.m_nCount);
    } catch (...) {
        // A count that does not fit adds nothing: the box opens again as it was.
        m_dlgAddRows.m_bAddToEnd = addToEndBefore;
        throw;
    }
    m_dlgAddRows.m_bAddToEnd = 1;
    AfterRowChange(*view, *doc);
    RefreshSharedValues();
}

void CMainFrame::OnDeleteRow() {
    RefreshSharedValues();
    if (g_nRowCount.load() == 0) {
        AfxMessageBox(IDS_NO_ROWS_TO_DELETE, MB_OK);
        return;
    }
    if (AfxMessageBox(DeleteQuestion(g_nCurRow), MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    CKIVView* view = PatternView();
    CKIVDoc* doc = view ? view->GetDocument() : nullptr;
    if (!doc || !DeletePatternRow(doc->m_arrRows, *view, g_nCurRow)) return;
    AfterRowChange(*view, *doc);
    RefreshSharedValues();
}
