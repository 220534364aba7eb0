// The pattern document: new pattern, loading and saving combination files.
#include "document/kiv_doc.h"

#include "document/cmb_format.h"
#include "framework/app.h"
#include "framework/archive.h"
#include "framework/exception.h"
#include "framework/view.h"
#include "grid/grid.h"

#include <algorithm>
#include <limits>
#include <new>

IMPLEMENT_DYNCREATE(CKIVDoc, CDocument)

namespace {

// The archive's raw reads and writes take 32-bit counts.
constexpr std::size_t kChunk = std::size_t{1} << 30;

class ArchiveSource final : public cmb::Source {
public:
    explicit ArchiveSource(CArchive& ar) : m_ar(ar) {}
    std::size_t Read(void* dst, std::size_t size) override {
        auto* out = static_cast<std::byte*>(dst);
        std::size_t done = 0;
        while (done < size) {
            const auto want = static_cast<UINT>(std::min(size - done, kChunk));
            const UINT got = m_ar.Read(out + done, want);
            done += got;
            if (got < want) break;
        }
        return done;
    }

private:
    CArchive& m_ar;
};

class ArchiveSink final : public cmb::Sink {
public:
    explicit ArchiveSink(CArchive& ar) : m_ar(ar) {}
    void Write(const void* src, std::size_t size) override {
        const auto* in = static_cast<const std::byte*>(src);
        while (size) {
            const auto n = static_cast<UINT>(std::min(size, kChunk));
            m_ar.Write(in, n);
            in += n;
            size -= n;
        }
    }

private:
    CArchive& m_ar;
};

std::wstring FileNameOf(const CArchive& ar) {
    return ar.GetFile() ? ar.GetFile()->GetFilePath() : std::wstring();
}

} // namespace

CKIVDoc::CKIVDoc() : m_arrRows(kNewRowCount) {}

CORVGrid* CKIVDoc::Grid() const {
    return dynamic_cast<CORVGrid*>(GetFirstView());
}

bool CKIVDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return false;
    CORVGrid* grid = Grid();
    // The grid's own count, not the idle pass's copy of it, which may lag behind.
    if (grid && grid->GetRowCount() != 0) grid->DeleteRows(0, grid->GetRowCount());
    m_arrRows.assign(kNewRowCount, KIV_ROW{});
    if (!grid) return true;
    grid->SetRowCount(static_cast<int>(kNewRowCount), true);
    if (grid->window && grid->window->IsWindow()) grid->RecalcLayout();
    if (CView* view = GetFirstView()) view->OnInitialUpdate();
    grid->SetCurrentCell(grid->currentCol, grid->headerRows);
    return true;
}

void CKIVDoc::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        Store(ar);
    else
        Load(ar);
}

void CKIVDoc::Store(CArchive& ar) {
    ArchiveSink sink(ar);
    cmb::Write(sink, m_arrRows);
}

void CKIVDoc::Load(CArchive& ar) {
    ArchiveSource source(ar);
    const cmb::Header header = cmb::ReadHeader(source);
    if (header.status == cmb::Status::NewerVersion) {
        AfxMessageBox(kNewerVersionText, MB_ICONEXCLAMATION | MB_OK);
        // The open fails quietly with the pattern untouched: completing it would give the
        // document the newer file's name, and the next Save would overwrite that file.
        SetModifiedFlag(false);
        throw CUserException();
    }
    if (header.status == cmb::Status::EndOfFile)
        throw CArchiveException(CArchiveException::endOfFile, FileNameOf(ar));

    // Everything is read before the pattern is touched. A refusal from here on leaves the
    // pattern as it was; clearing the mark the framework sets for the load tells it so.
    std::vector<KIV_ROW> rows;
    try {
        if (header.rowCount > static_cast<std::uint32_t>(ORV_MAX_ROWS)) throw std::bad_alloc();
        rows.resize(header.rowCount);
        cmb::ReadRows(source, rows);
    } catch (const std::bad_alloc&) {
        SetModifiedFlag(false);
        throw CMemoryException();
    } catch (...) {
        SetModifiedFlag(false);
        throw;
    }

    m_arrRows.swap(rows);
    ShowRows();
}

bool CKIVDoc::OnOpenDocument(const wchar_t* path) {
    if (!CDocument::OnOpenDocument(path)) return false;
    // An empty file reads nothing and keeps the rows, which a new view does not show yet.
    CORVGrid* grid = Grid();
    if (grid && grid->GetRowCount() != static_cast<int>(m_arrRows.size())) ShowRows();
    return true;
}

void CKIVDoc::ShowRows() {
    CORVGrid* grid = Grid();
    if (!grid) return;
    if (grid->GetRowCount() != 0) grid->DeleteRows(0, grid->GetRowCount());
    if (!m_arrRows.empty()) grid->InsertRows(0, static_cast<int>(m_arrRows.size()));
}
