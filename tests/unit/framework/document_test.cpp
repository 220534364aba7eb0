// Documents: saving through a temporary file, failed saves and opens, the template's
// replacement of a half-read document.
#include "test_app.h"

#include "framework/archive.h"
#include "framework/doc.h"
#include "framework/doctempl.h"
#include "framework/frame.h"
#include "framework/view.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

bool g_failStore = false;

// Stores its bytes as a 32-bit count and the raw bytes.
class CDataDoc : public CDocument {
    DECLARE_DYNCREATE(CDataDoc)
public:
    std::vector<uint8_t> m_data{1, 2, 3};
    int m_nSerializeCalls = 0;

    bool OnNewDocument() override {
        if (!CDocument::OnNewDocument()) return false;
        m_data = {1, 2, 3};
        return true;
    }
    void Serialize(CArchive& ar) override {
        ++m_nSerializeCalls;
        if (ar.IsStoring()) {
            ar << static_cast<uint32_t>(m_data.size());
            if (g_failStore) throw CArchiveException(CArchiveException::genericException);
            ar.Write(m_data.data(), static_cast<UINT>(m_data.size()));
        } else {
            uint32_t n;
            ar >> n;
            m_data.assign(n, 0);
            ar.Read(m_data.data(), n);
        }
    }
};
IMPLEMENT_DYNCREATE(CDataDoc, CDocument)

class CDataView : public CView {
    DECLARE_DYNCREATE(CDataView)
public:
    void OnDraw(HDC) override {}
};
IMPLEMENT_DYNCREATE(CDataView, CView)

class DocumentTest : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kivdoc-" + std::to_string(GetCurrentProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        TestApp().m_boxes.clear();
        TestApp().m_nAnswer = IDNO;
        g_failStore = false;
    }
    void TearDown() override {
        g_failStore = false;
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    std::wstring PathOf(const wchar_t* name) const { return (dir / name).wstring(); }
    static void Write(const std::wstring& path, const std::vector<uint8_t>& bytes) {
        std::ofstream out(fs::path(path), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    static std::vector<uint8_t> Read(const std::wstring& path) {
        std::ifstream in(fs::path(path), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    size_t FilesInDir() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
    }
};

} // namespace

TEST_F(DocumentTest, SaveReplacesTheFileAndLeavesNoTemporaryFileBehind) {
    std::wstring path = PathOf(L"огни.cmb");
    Write(path, {'O', 'L', 'D'});
    CDataDoc doc;
    doc.m_data = {9, 8};
    doc.SetModifiedFlag();
    ASSERT_TRUE(doc.DoSave(path.c_str()));
    EXPECT_EQ(Read(path), (std::vector<uint8_t>{2, 0, 0, 0, 9, 8}));
    EXPECT_EQ(FilesInDir(), 1u);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), path);
    EXPECT_EQ(doc.GetTitle(), L"огни.cmb");
    EXPECT_TRUE(TestApp().m_boxes.empty());
}

TEST_F(DocumentTest, FailedSaveKeepsTheOldFileAndTheModifiedFlag) {
    std::wstring path = PathOf(L"old.cmb");
    Write(path, {'O', 'L', 'D'});
    CDataDoc doc;
    doc.SetModifiedFlag();
    g_failStore = true;
    EXPECT_FALSE(doc.DoSave(path.c_str()));
    EXPECT_EQ(Read(path), (std::vector<uint8_t>{'O', 'L', 'D'}));
    EXPECT_EQ(FilesInDir(), 1u);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.GetPathName().empty());
    ASSERT_EQ(TestApp().m_boxes.size(), 1u);
    EXPECT_NE(TestApp().m_boxes[0].find(L"old.cmb"), std::wstring::npos);

    // A folder that does not exist: nothing written, the user told.
    g_failStore = false;
    EXPECT_FALSE(doc.DoSave(PathOf(L"нет\\x.cmb").c_str()));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(TestApp().m_boxes.size(), 2u);
}

TEST_F(DocumentTest, SaveNeverReplacesAReadOnlyFile) {
    std::wstring path = PathOf(L"locked.cmb");
    Write(path, {'O', 'L', 'D'});
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    CDataDoc doc;
    doc.SetModifiedFlag();
    EXPECT_FALSE(doc.DoSave(path.c_str()));
    EXPECT_EQ(Read(path), (std::vector<uint8_t>{'O', 'L', 'D'}));
    EXPECT_EQ(FilesInDir(), 1u);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(TestApp().m_boxes.size(), 1u);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(DocumentTest, EmptyFileOpensWithoutReadingAnything) {
    std::wstring path = PathOf(L"empty.cmb");
    Write(path, {});
    CDataDoc doc;
    doc.m_data = {7};
    EXPECT_TRUE(doc.OnOpenDocument(path.c_str()));
    EXPECT_EQ(doc.m_nSerializeCalls, 0);
    EXPECT_EQ(doc.m_data, std::vector<uint8_t>{7});
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(DocumentTest, TemplateReplacesAHalfReadDocumentAndKeepsOneThatWasNotTouched) {
    CSingleDocTemplate templ(0, RUNTIME_CLASS(CDataDoc), RUNTIME_CLASS(CFrameWnd),
                             RUNTIME_CLASS(CDataView));
    auto* doc = dynamic_cast<CDataDoc*>(templ.OpenDocumentFile(nullptr, false));
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->GetViews().size(), 1u);
    EXPECT_EQ(doc->GetTitle(), L"БезИмени");

    std::wstring good = PathOf(L"good.cmb");
    Write(good, {2, 0, 0, 0, 4, 5});
    ASSERT_EQ(templ.OpenDocumentFile(good.c_str(), false), doc); // the one document is reused
    EXPECT_EQ(doc->m_data, (std::vector<uint8_t>{4, 5}));
    EXPECT_EQ(doc->GetPathName(), good);
    EXPECT_FALSE(doc->IsModified());

    // Truncated inside the count: the load had begun, so a new document takes its place.
    std::wstring cut = PathOf(L"cut.cmb");
    Write(cut, {2, 0});
    doc->m_data = {6};
    doc->SetModifiedFlag();
    TestApp().m_boxes.clear();
    EXPECT_EQ(templ.OpenDocumentFile(cut.c_str(), false), nullptr);
    EXPECT_EQ(templ.GetOnlyDocument(), doc);
    EXPECT_EQ(doc->m_data, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(doc->GetTitle(), L"БезИмени");
    EXPECT_TRUE(doc->GetPathName().empty());
    EXPECT_FALSE(doc->IsModified());
    ASSERT_EQ(TestApp().m_boxes.size(), 2u); // the save question, then the failure
    EXPECT_EQ(TestApp().m_boxes[1], L"Неожиданный конец файла «" + cut + L"».");

    // A file that cannot be opened at all leaves the document as it was, changes included.
    doc->m_data = {7};
    doc->SetModifiedFlag();
    EXPECT_EQ(templ.OpenDocumentFile(PathOf(L"missing.cmb").c_str(), false), nullptr);
    EXPECT_EQ(doc->m_data, std::vector<uint8_t>{7});
    EXPECT_TRUE(doc->IsModified());

    // Cancel at the save question: nothing happens.
    TestApp().m_nAnswer = IDCANCEL;
    EXPECT_EQ(templ.OpenDocumentFile(good.c_str(), false), nullptr);
    EXPECT_EQ(doc->m_data, std::vector<uint8_t>{7});
    TestApp().m_pMainWnd = nullptr;
}

TEST_F(DocumentTest, ClosingTheFrameTakesTheDocumentAlong) {
    CSingleDocTemplate templ(0, RUNTIME_CLASS(CDataDoc), RUNTIME_CLASS(CFrameWnd),
                             RUNTIME_CLASS(CDataView));
    CDocument* doc = templ.OpenDocumentFile(nullptr, false);
    ASSERT_TRUE(doc);
    CFrameWnd* frame = doc->GetFirstView()->GetParentFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->GetActiveDocument(), doc);
    doc->SetModifiedFlag();
    TestApp().m_nAnswer = IDCANCEL;
    frame->SendMessage(WM_CLOSE);
    EXPECT_EQ(templ.GetOnlyDocument(), doc); // the user cancelled
    TestApp().m_nAnswer = IDNO;
    frame->SendMessage(WM_CLOSE);
    EXPECT_EQ(templ.GetOnlyDocument(), nullptr);
    PumpPending();
}
