// The document with real files: what it saves, what it loads, what it refuses, and what it
// leaves behind for the framework to decide after a failed open.
#include "document/kiv_doc.h"

#include "box_catcher.h"
#include "document/cmb_format.h"
#include "driver/files.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Header(std::int32_t version, std::uint16_t count) {
    const auto v = static_cast<std::uint32_t>(version);
    return {std::uint8_t(v),       std::uint8_t(v >> 8), std::uint8_t(v >> 16),
            std::uint8_t(v >> 24), std::uint8_t(count),  std::uint8_t(count >> 8)};
}

// The header followed by bytes of 1 up to `size`.
Bytes Padded(const Bytes& header, std::size_t size) {
    Bytes out(size, 1);
    std::copy(header.begin(), header.end(), out.begin());
    return out;
}

Bytes FileOf(const std::vector<KIV_ROW>& rows) {
    cmb::MemorySink sink;
    cmb::Write(sink, rows);
    Bytes out;
    for (std::byte b : sink.Bytes())
        out.push_back(std::to_integer<std::uint8_t>(b));
    return out;
}

const std::vector<KIV_ROW> kMarker{KIV_ROW{{1, 1, 0, 0, 1, 1, 0, 0}},
                                   KIV_ROW{{0, 0, 0, 0, 0, 0, 0, 1}}};

class KivDocFiles : public ::testing::Test {
protected:
    std::wstring Write(const char* name, const Bytes& bytes) {
        const auto path = dir / name;
        EXPECT_TRUE(kivdrv::WriteFileBytes(path, bytes));
        return path.wstring();
    }
    Bytes Read(const std::wstring& path) { return kivdrv::ReadFileBytes(path).value_or(Bytes{}); }

    kivdrv::CTempDir dir;
    BoxCatcher boxes;
    CKIVDoc doc;
};

TEST_F(KivDocFiles, NewPatternSavesAsItsHundredAndTwoBytes) {
    doc.m_arrRows = kMarker;
    doc.SetModifiedFlag(true);
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.m_arrRows, std::vector<KIV_ROW>(3));
    const std::wstring path = (dir / "new.cmb").wstring();
    ASSERT_TRUE(doc.OnSaveDocument(path.c_str()));
    Bytes expected = Header(10, 3);
    expected.resize(102);
    EXPECT_EQ(Read(path), expected);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(KivDocFiles, LoadAndSaveKeepOddValuesAndTheLongCount) {
    std::vector<KIV_ROW> rows(70000);
    rows[0] = KIV_ROW{{2, -1, 1, 0, 5, 0, 0, 1}};
    rows.back()[7] = 1;
    const std::wstring in = Write("in.cmb", FileOf(rows));
    ASSERT_TRUE(doc.OnOpenDocument(in.c_str()));
    EXPECT_EQ(doc.m_arrRows, rows);
    EXPECT_FALSE(doc.IsModified());
    const std::wstring out = (dir / "out.cmb").wstring();
    ASSERT_TRUE(doc.OnSaveDocument(out.c_str()));
    EXPECT_EQ(Read(out), Read(in));
}

TEST_F(KivDocFiles, NewerVersionIsReportedAndThePatternStays) {
    doc.m_arrRows = kMarker;
    const Bytes file = Padded(Header(11, 1), 6 + 32);
    const std::wstring path = Write("v11.cmb", file);
    doc.SetPathName((dir / "mine.cmb").wstring(), false);
    // Refused without a further box; untouched, so the template keeps the pattern and its
    // name, and a later Save cannot overwrite the newer file.
    EXPECT_FALSE(doc.OnOpenDocument(path.c_str()));
    EXPECT_EQ(doc.m_arrRows, kMarker);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), (dir / "mine.cmb").wstring());
    const auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, kNewerVersionText);
    EXPECT_EQ(shown[0].icon, kivdrv::IconKind::Warning);
}

TEST_F(KivDocFiles, FileEndingInTheHeaderFailsAndAsksForANewPattern) {
    for (const Bytes& file : {Bytes{0x0A, 0, 0}, Bytes{0x0A, 0, 0, 0, 0xFF, 0xFF, 1}}) {
        doc.m_arrRows = kMarker;
        const std::wstring path = Write("short.cmb", file);
        EXPECT_FALSE(doc.OnOpenDocument(path.c_str()));
        // Still marked: the template replaces the half-loaded document with a new one.
        EXPECT_TRUE(doc.IsModified());
    }
    EXPECT_EQ(boxes.Boxes().size(), 2u);
}

TEST_F(KivDocFiles, HugeRowCountIsRefusedAsOutOfMemoryAndThePatternStays) {
    doc.m_arrRows = kMarker;
    const std::wstring path =
        Write("huge.cmb", {0x0A, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_FALSE(doc.OnOpenDocument(path.c_str()));
    EXPECT_EQ(doc.m_arrRows, kMarker);
    EXPECT_FALSE(doc.IsModified()); // untouched: the template keeps it
    const auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, L"Недостаточно памяти.");
}

TEST_F(KivDocFiles, ShortAndEmptyFiles) {
    doc.m_arrRows = kMarker;
    ASSERT_TRUE(doc.OnOpenDocument(Write("empty.cmb", {}).c_str()));
    EXPECT_EQ(doc.m_arrRows, kMarker); // Serialize is not even called

    const Bytes file = Padded(Header(10, 4), 6 + 32 + 4); // one row and one cell of four
    ASSERT_TRUE(doc.OnOpenDocument(Write("short.cmb", file).c_str()));
    ASSERT_EQ(doc.m_arrRows.size(), 4u);
    EXPECT_EQ(doc.m_arrRows[1][0], 0x01010101);
    EXPECT_EQ(doc.m_arrRows[1][1], 0);
    EXPECT_EQ(doc.m_arrRows[3], KIV_ROW{});
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(KivDocFiles, FailedSaveKeepsTheOldFileAndTheModifiedFlag) {
    const Bytes old = FileOf(kMarker);
    const std::wstring path = Write("kept.cmb", old);
    // Held open without sharing: the replacement cannot happen.
    const HANDLE held =
        CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    doc.SetModifiedFlag(true);
    EXPECT_FALSE(doc.OnSaveDocument(path.c_str()));
    CloseHandle(held);
    EXPECT_FALSE(doc.OnSaveDocument((dir / "gone" / "x.cmb").wstring().c_str()));
    EXPECT_EQ(Read(path), old);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(boxes.Boxes().size(), 2u);
}

} // namespace
