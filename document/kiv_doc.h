// CKIVDoc: the pattern (a combination) as rows of eight cells. It reads and writes
// combination files and keeps the view's grid row count equal to its number of rows
// when a file is loaded or a new pattern is made.
#pragma once
#include "document/kiv_row.h"
#include "framework/doc.h"

#include <vector>

class CORVGrid;
class CView;

class CKIVDoc : public CDocument {
    DECLARE_DYNCREATE(CKIVDoc)
public:
    static constexpr std::size_t kNewRowCount = 3;

    CKIVDoc();

    bool OnNewDocument() override;
    bool OnOpenDocument(const wchar_t* path) override;
    void Serialize(CArchive& ar) override;

    std::vector<KIV_ROW> m_arrRows;

private:
    void Store(CArchive& ar);
    void Load(CArchive& ar);
    // Gives the grid exactly the pattern's rows.
    void ShowRows();
    // The grid of the one view; null before the view exists.
    CORVGrid* Grid() const;
};

// Shown when a file comes from a later version of the program.
inline constexpr wchar_t kNewerVersionText[] =
    L"Немогу прочитать файл.\nВозможно он создан более поздней\nверсией.";
