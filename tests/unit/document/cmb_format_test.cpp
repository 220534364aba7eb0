// Combination files byte for byte: what is written, what loads, what is refused.
#include "document/cmb_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>

namespace {

using Bytes = std::vector<std::byte>;
constexpr std::uint64_t kNoLimit = UINT64_MAX;

Bytes Of(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values)
        out.push_back(static_cast<std::byte>(v));
    return out;
}

Bytes Saved(const std::vector<KIV_ROW>& rows) {
    cmb::MemorySink sink;
    cmb::Write(sink, rows);
    return sink.Bytes();
}

cmb::Status Load(const Bytes& file, std::vector<KIV_ROW>& rows, std::uint64_t limit = kNoLimit) {
    cmb::MemorySource source(file);
    return cmb::Read(source, rows, limit);
}

Bytes WithVersion(std::int32_t version, Bytes file) {
    const auto u = static_cast<std::uint32_t>(version);
    for (int i = 0; i < 4; ++i)
        file[i] = static_cast<std::byte>((u >> (8 * i)) & 0xFF);
    return file;
}

std::vector<KIV_ROW> Numbered(std::size_t n) {
    std::vector<KIV_ROW> rows(n);
    for (std::size_t i = 0; i < n; ++i)
        for (int j = 0; j < 8; ++j)
            rows[i][j] = static_cast<std::int32_t>((i * 8 + j) % 3);
    return rows;
}

const std::vector<KIV_ROW> kMarker{KIV_ROW{{1, 0, 1, 0, 1, 0, 1, 0}}};

TEST(CmbFormat, NewAndEmptyPatternsHaveTheirExactBytes) {
    Bytes expected = Of({0x0A, 0, 0, 0, 0x03, 0});
    expected.resize(102);
    EXPECT_EQ(Saved(std::vector<KIV_ROW>(3)), expected);
    EXPECT_EQ(Saved({}), Of({0x0A, 0, 0, 0, 0, 0}));

    std::vector<KIV_ROW> rows = kMarker;
    ASSERT_EQ(Load(Of({0x0A, 0, 0, 0, 0, 0}), rows), cmb::Status::Ok);
    EXPECT_TRUE(rows.empty());
}

TEST(CmbFormat, CellsAreLittleEndianD0First) {
    KIV_ROW row{{1, 0, 0, 0, 0, 0, 0, -2}};
    const Bytes file = Saved({row});
    ASSERT_EQ(file.size(), 6u + 32u);
    EXPECT_EQ(Bytes(file.begin() + 4, file.begin() + 10), Of({0x01, 0, 0x01, 0, 0, 0}));
    EXPECT_EQ(Bytes(file.end() - 4, file.end()), Of({0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST(CmbFormat, CountSwitchesToLongFormAt65535) {
    for (std::size_t n : {std::size_t{65534}, std::size_t{65535}, std::size_t{70000}}) {
        SCOPED_TRACE(n);
        const auto rows = Numbered(n);
        const Bytes file = Saved(rows);
        ASSERT_EQ(file.size(), cmb::HeaderSize(n) + 32 * n);
        if (n < 65535) {
            EXPECT_EQ(cmb::HeaderSize(n), 6u);
            EXPECT_EQ(std::to_integer<unsigned>(file[4]) | std::to_integer<unsigned>(file[5]) << 8,
                      n);
        } else {
            const auto count = static_cast<std::uint32_t>(n);
            EXPECT_EQ(Bytes(file.begin() + 4, file.begin() + 10),
                      Of({0xFF, 0xFF, int(count & 0xFF), int(count >> 8 & 0xFF),
                          int(count >> 16 & 0xFF), int(count >> 24)}));
        }
        std::vector<KIV_ROW> back;
        ASSERT_EQ(Load(file, back), cmb::Status::Ok);
        EXPECT_EQ(back, rows);
    }
}

TEST(CmbFormat, OlderAndOddVersionsLoadLikeTen) {
    const auto rows = Numbered(4);
    for (std::int32_t version : {9, 0, -1, INT_MIN}) {
        SCOPED_TRACE(version);
        std::vector<KIV_ROW> back = kMarker;
        ASSERT_EQ(Load(WithVersion(version, Saved(rows)), back), cmb::Status::Ok);
        EXPECT_EQ(back, rows);
    }
}

TEST(CmbFormat, NewerVersionIsRefusedAndRowsStay) {
    for (std::int32_t version : {11, INT_MAX}) {
        SCOPED_TRACE(version);
        std::vector<KIV_ROW> rows = kMarker;
        EXPECT_EQ(Load(WithVersion(version, Saved(Numbered(2))), rows), cmb::Status::NewerVersion);
        EXPECT_EQ(rows, kMarker);
    }
    // A newer file need not even have a count.
    const Bytes newer = Of({11, 0, 0, 0});
    cmb::MemorySource source(newer);
    const auto header = cmb::ReadHeader(source);
    EXPECT_EQ(header.status, cmb::Status::NewerVersion);
    EXPECT_EQ(header.version, 11);
}

TEST(CmbFormat, FileEndingInsideVersionOrCountIsEndOfFile) {
    const Bytes cases[] = {
        {},                              // nothing
        Of({0x0A, 0, 0}),                // part of the version
        Of({0x0A, 0, 0, 0}),             // no count
        Of({0x0A, 0, 0, 0, 3}),          // half a short count
        Of({0x0A, 0, 0, 0, 0xFF, 0xFF}), // long mark without its count
        Of({0x0A, 0, 0, 0, 0xFF, 0xFF, 1, 0, 0}),
    };
    for (const Bytes& file : cases) {
        SCOPED_TRACE(file.size());
        std::vector<KIV_ROW> rows = kMarker;
        EXPECT_EQ(Load(file, rows), cmb::Status::EndOfFile);
        EXPECT_EQ(rows, kMarker);
    }
}

TEST(CmbFormat, MissingRowsLoadAsZero) {
    const auto rows = Numbered(5);
    Bytes file = Saved(rows);
    file.resize(6 + 32 * 2 + 12); // two whole rows and three cells of the third
    std::vector<KIV_ROW> back;
    ASSERT_EQ(Load(file, back), cmb::Status::Ok);
    ASSERT_EQ(back.size(), 5u);
    EXPECT_EQ(back[0], rows[0]);
    EXPECT_EQ(back[1], rows[1]);
    EXPECT_EQ(back[2][2], rows[2][2]);
    EXPECT_EQ(back[2][3], 0);
    EXPECT_EQ(back[3], KIV_ROW{});
    EXPECT_EQ(back[4], KIV_ROW{});
}

TEST(CmbFormat, CountBeyondLimitIsRefusedWithoutAllocating) {
    // 0xFFFFFFFF rows in a 10-byte file would need 128 GiB.
    const Bytes file = Of({0x0A, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    std::vector<KIV_ROW> rows = kMarker;
    EXPECT_EQ(Load(file, rows, 1'000'000), cmb::Status::TooManyRows);
    EXPECT_EQ(rows, kMarker);

    std::vector<KIV_ROW> atLimit;
    EXPECT_EQ(Load(Saved(Numbered(3)), atLimit, 3), cmb::Status::Ok);
    EXPECT_EQ(Load(Saved(Numbered(4)), atLimit, 3), cmb::Status::TooManyRows);
    EXPECT_EQ(atLimit.size(), 3u);
}

TEST(CmbFormat, ValuesOtherThanZeroAndOneSurvive) {
    const std::vector<KIV_ROW> rows{KIV_ROW{{2, -1, INT_MIN, INT_MAX, 1, 0, 7, -7}}};
    const Bytes file = Saved(rows);
    std::vector<KIV_ROW> back;
    ASSERT_EQ(Load(file, back), cmb::Status::Ok);
    EXPECT_EQ(back, rows);
    EXPECT_EQ(Saved(back), file);
}

} // namespace
