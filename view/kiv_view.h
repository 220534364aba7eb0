// CKIVView: the pattern as a grid of check boxes, one row per pattern row and one column
// per data line D0..D7 under the caption "Шина данных LPT-порта". It keeps no values: the
// grid asks it, and it reads and writes the document's rows.
#pragma once
#include "grid/grid_view.h"

class CKIVDoc;

class CKIVView : public CORVGridView {
    DECLARE_DYNCREATE(CKIVView)
public:
    static constexpr int kLines = 8;
    static constexpr int kColumnWidth = 27;
    static constexpr UINT kCellCtrlId = 1000;

    CKIVView();

    CKIVDoc* GetDocument() const;

    // Grid operations.
    int GetColumnWidth(int col, int headerRow) override;
    void SetColumnWidth(int col, int headerRow, int width) override;
    bool CommitCell(int col, int row) override;
    CORVCellValue GetCellValue(int col, int row) override;
    CORVCellValue GetHeaderValue(int col, int headerRow) override;

    bool PreCreateWindow(CREATESTRUCTW& cs) override;

protected:
    DECLARE_MESSAGE_MAP()
    // The in-place check box was clicked: store its state and mark the pattern changed.
    void OnCellChanged();

private:
    bool IsCaptionRow(int headerRow) const { return headerRow >= 0 && headerRow == headerRows - 2; }
};

inline constexpr wchar_t kBusCaption[] = L"Шина данных LPT-порта";
