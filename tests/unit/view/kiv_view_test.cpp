// The pattern view in a real window over a real document: rows kept in step with the
// document, clicks stored into it, fixed widths, and what the grid draws from it.
#include "view/kiv_view.h"

#include "document/cmb_format.h"
#include "document/kiv_doc.h"
#include "driver/files.h"
#include "driver/input.h"
#include "driver/window_find.h"
#include "framework/afxmsg.h"
#include "framework/doctempl.h"
#include "framework/frame.h"
#include "framework/gdi.h"
#include "tests/unit/document/box_catcher.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using namespace std::chrono_literals;

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done) {
    return kivdrv::WaitUntil(
        [&] {
            Pump();
            return done();
        },
        5s);
}

void MouseTo(HWND window, POINT p, DWORD button) {
    ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
    Pump();
    if (!button) return;
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = button;
    SendInput(1, &in, sizeof(in));
    // Until the press or release has been taken from the queue.
    PumpUntil([&] { return (GetKeyState(VK_LBUTTON) < 0) == (button == MOUSEEVENTF_LEFTDOWN); });
}

class KivViewWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.CreateEx(0, nullptr, L"pattern", WS_OVERLAPPEDWINDOW,
                                  CRect(0, 0, 420, 420), nullptr, 0));
        doc.m_bAutoDelete = false;
        auto owned = std::make_unique<CKIVView>();
        CCreateContext context;
        context.m_pCurrentDoc = &doc;
        ASSERT_TRUE(owned->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 380),
                                  host, AFX_IDW_PANE_FIRST, &context));
        view = owned.release(); // the window owns it now
        ASSERT_TRUE(doc.OnNewDocument());
        Pump();
    }
    void TearDown() override { host.DestroyWindow(); }

    void Open(const std::vector<KIV_ROW>& rows) {
        cmb::MemorySink sink;
        cmb::Write(sink, rows);
        const auto& b = sink.Bytes();
        const auto path = dir / "p.cmb";
        ASSERT_TRUE(kivdrv::WriteFileBytes(
            path, std::span(reinterpret_cast<const std::uint8_t*>(b.data()), b.size())));
        ASSERT_TRUE(doc.OnOpenDocument(path.wstring().c_str()));
        Pump();
    }
    // Client point at the middle of a data cell.
    POINT CellCentre(int col, int row) {
        const CRect r = view->CellRect(col + view->fixedCols, row + view->headerRows);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    // Real input needs a shown window; showing one costs Wine a moment, so only here.
    void ShowForInput() {
        if (host.IsWindowVisible()) return;
        host.ShowWindow(SW_SHOW);
        host.UpdateWindow();
        kivdrv::BringToFront(host);
        Pump();
    }
    bool Click(int col, int row, std::function<bool()> done) {
        ShowForInput();
        kivdrv::ClickClient(*view, CellCentre(col, row));
        return PumpUntil(done);
    }

    kivdrv::CTempDir dir;
    CWnd host;
    CKIVDoc doc;
    CKIVView* view = nullptr;
};

TEST_F(KivViewWindow, ShowsEightLinesUnderTheSpanningCaption) {
    EXPECT_TRUE(view->GetStyle() & ORVGS_ROWMODE);
    ASSERT_EQ(view->GetColumnCount(-1), 8);
    ASSERT_EQ(view->headerRows, 2);
    for (int j = 0; j < 8; ++j) {
        EXPECT_EQ(view->GetHeaderValue(j, 1).text, L"D" + std::to_wstring(j));
        EXPECT_EQ(view->GetColumnWidth(j, -1), 27);
    }
    const CORVCellValue caption = view->GetHeaderValue(0, 0);
    EXPECT_EQ(caption.text, kBusCaption);
    EXPECT_EQ(caption.data, 0x8025);
    EXPECT_EQ(view->GetHeaderValue(1, 0).text, L"");
    EXPECT_EQ(view->GetColumnWidth(0, 0), 216);
    EXPECT_EQ(view->CellRect(view->fixedCols, 0).Width(), 216);
    EXPECT_EQ(view->GetHeaderValue(0, -1).text, L"D0"); // no caption row below zero
}

TEST_F(KivViewWindow, LoadingAndNewKeepTheGridRowsInStep) {
    ASSERT_EQ(view->GetRowCount(), 3);
    Open(std::vector<KIV_ROW>(5));
    EXPECT_EQ(view->GetRowCount(), 5);
    Open({KIV_ROW{{1}}, KIV_ROW{{0, 1}}});
    EXPECT_EQ(view->GetRowCount(), 2);
    EXPECT_EQ(view->GetCellValue(1, 1).data, 1);

    view->SetCurrentCell(view->fixedCols + 4, view->headerRows + 1);
    doc.m_arrRows[1][4] = 1;
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(view->GetRowCount(), 3);
    EXPECT_EQ(doc.m_arrRows, std::vector<KIV_ROW>(3));
    EXPECT_EQ(view->currentRow, view->headerRows);    // the first row
    EXPECT_EQ(view->currentCol, view->fixedCols + 4); // its column kept
}

TEST_F(KivViewWindow, ClickingACellStoresItsStateAndMarksTheChange) {
    ASSERT_FALSE(doc.IsModified());
    ASSERT_TRUE(Click(0, 0, [&] { return doc.m_arrRows[0][0] == 1; }));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view->GetCellValue(0, 0).data, 1);
    // The second click lands on the check box now shown over the cell.
    ASSERT_TRUE(Click(0, 0, [&] { return doc.m_arrRows[0][0] == 0; }));
    EXPECT_TRUE(doc.IsModified());
    // A cell of another row and column, clicked at once: no idle pass in between.
    ASSERT_TRUE(Click(5, 2, [&] { return doc.m_arrRows[2][5] == 1; }));
    EXPECT_EQ(doc.m_arrRows[0], KIV_ROW{});
}

TEST_F(KivViewWindow, DraggedColumnBorderSpringsBack) {
    ShowForInput();
    const int y = view->headerRowHeight + view->headerRowHeight / 2; // the titles row
    const int border = view->ColumnX(view->fixedCols + 1, 1);        // right edge of D0
    MouseTo(*view, {border, y}, 0);
    MouseTo(*view, {border, y}, MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(view->resizing);
    MouseTo(*view, {border + 20, y}, 0);
    MouseTo(*view, {border + 40, y}, 0);
    MouseTo(*view, {border + 40, y}, MOUSEEVENTF_LEFTUP);
    for (int j = 0; j < 8; ++j)
        EXPECT_EQ(view->CellRect(view->fixedCols + j, view->headerRows).Width(), 27);
    EXPECT_EQ(view->CellRect(view->fixedCols, 0).Width(), 216);
    EXPECT_EQ(view->totalWidth, view->fixedColWidth + 216);
}

class KivViewPaint : public KivViewWindow {
protected:
    CRect Client() { return view->GetClientRect(); }
    // Cell interiors, without the borders they share with their neighbours.
    bool SameCells(CMemoryDC& dc, CRect a, CRect b) {
        a.DeflateRect(2, 2);
        b.DeflateRect(2, 2);
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x)
                if (dc.GetPixel(a.left + x, a.top + y) != dc.GetPixel(b.left + x, b.top + y))
                    return false;
        return true;
    }
};

TEST_F(KivViewPaint, AnEmptyPatternShowsOnlyTheHeaderRows) {
    Open({});
    ASSERT_EQ(view->GetRowCount(), 0);
    const CRect client = Client();
    CMemoryDC dc(client.Width(), client.Height());
    view->Paint(dc);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const int below = view->HeaderHeight() + 1;
    for (int y = below; y < client.Height(); y += 3)
        for (int x = 0; x < client.Width(); x += 3)
            ASSERT_EQ(dc.GetPixel(x, y), window) << x << "," << y;
    // The header rows themselves are drawn.
    EXPECT_NE(dc.GetPixel(view->FixedWidth() + 100, view->headerRowHeight / 2), window);
}

TEST_F(KivViewPaint, OnlyAOneIsDrawnTicked) {
    Open({KIV_ROW{{2, 0, 1, -1}}, KIV_ROW{}, KIV_ROW{}});
    view->SetCurrentCell(view->fixedCols, view->headerRows + 2); // row 0 not selected
    const CRect client = Client();
    CMemoryDC dc(client.Width(), client.Height());
    view->Paint(dc);
    // Row 0 against the all-off row 1, column by column.
    auto same = [&](int col) {
        return SameCells(dc, view->CellRect(view->fixedCols + col, view->headerRows),
                         view->CellRect(view->fixedCols + col, view->headerRows + 1));
    };
    EXPECT_TRUE(same(0)); // 2 looks like 0
    EXPECT_TRUE(same(1));
    EXPECT_FALSE(same(2)); // 1 is ticked
    EXPECT_TRUE(same(3));  // -1 looks like 0
}

// The whole open through the framework's single-document template: which failures keep
// the pattern and which replace it with a new one.
class KivTemplate : public ::testing::Test {
protected:
    void SetUp() override {
        doc = dynamic_cast<CKIVDoc*>(templ.OpenDocumentFile(nullptr, false));
        ASSERT_NE(doc, nullptr);
        view = dynamic_cast<CKIVView*>(doc->GetFirstView());
        ASSERT_NE(view, nullptr);
        ASSERT_EQ(view->GetRowCount(), 3);
        Pump();
    }
    bool Open(const char* name, const std::vector<std::uint8_t>& bytes) {
        const auto path = dir / name;
        EXPECT_TRUE(kivdrv::WriteFileBytes(path, bytes));
        const bool ok = templ.OpenDocumentFile(path.wstring().c_str(), false) != nullptr;
        Pump();
        return ok;
    }
    void OpenMarker() {
        std::vector<std::uint8_t> file{10, 0, 0, 0, 5, 0};
        file.resize(6 + 5 * 32);
        file[6] = 1;
        ASSERT_TRUE(Open("five.cmb", file));
        ASSERT_EQ(view->GetRowCount(), 5);
    }

    kivdrv::CTempDir dir;
    BoxCatcher boxes;
    CSingleDocTemplate templ{128, RUNTIME_CLASS(CKIVDoc), RUNTIME_CLASS(CFrameWnd),
                             RUNTIME_CLASS(CKIVView)};
    CKIVDoc* doc = nullptr;
    CKIVView* view = nullptr;
};

TEST_F(KivTemplate, RefusedFilesKeepThePatternAndItsName) {
    OpenMarker();
    const std::wstring name = doc->GetPathName();
    EXPECT_FALSE(Open("v11.cmb", {11, 0, 0, 0, 1, 0}));
    EXPECT_FALSE(Open("huge.cmb", {10, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(doc, templ.GetOnlyDocument());
    EXPECT_EQ(view->GetRowCount(), 5);
    EXPECT_EQ(doc->m_arrRows.size(), 5u);
    EXPECT_EQ(doc->m_arrRows[0][0], 1);
    EXPECT_EQ(doc->GetPathName(), name);
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(KivTemplate, FileEndingInTheCountGivesANewPattern) {
    OpenMarker();
    EXPECT_FALSE(Open("cut.cmb", {10, 0, 0, 0, 5}));
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(view->GetRowCount(), 3);
    EXPECT_EQ(doc->m_arrRows, std::vector<KIV_ROW>(3));
    EXPECT_EQ(doc->GetPathName(), L"");
    EXPECT_FALSE(doc->IsModified());
}

} // namespace
