// The byte table a run plays: one byte per pattern row, bit j set when the cell of column
// j (data line Dj) holds exactly 1; any other value is off. Built on the user-interface
// thread before the run starts, so the run thread never touches the pattern.
#pragma once

#include <algorithm>
#include <concepts>
#include <cstdint>
#include <ranges>
#include <type_traits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using ByteTable = std::vector<std::uint8_t>;

inline constexpr int kDataLines = 8;

// A pattern row as the document keeps it: row[j] is the cell of column j.
template <typename Row>
concept CellRow = requires(const Row& row) {
    { row[0] } -> std::convertible_to<int>;
};

// Rows kept as eight packed 32-bit cells, as the document keeps them.
template <typename Row>
concept PackedRow =
    CellRow<Row> && std::is_trivially_copyable_v<Row> && std::is_standard_layout_v<Row> &&
        sizeof(Row) == kDataLines * sizeof(std::int32_t) &&
    std::same_as<std::remove_cvref_t<decltype(std::declval<const Row&>()[0])>, std::int32_t>;

// The byte of one row. Packed rows are compared eight cells at once, so a long pattern's
// table costs little more than reading its rows.
template <CellRow Row> std::uint8_t RowByte(const Row& row) {
#if defined(__SSE2__)
    if constexpr (PackedRow<Row>) {
        const auto* cells = reinterpret_cast<const __m128i*>(&row);
        const __m128i one = _mm_set1_epi32(1);
        const __m128i low = _mm_cmpeq_epi32(_mm_loadu_si128(cells), one);
        const __m128i high = _mm_cmpeq_epi32(_mm_loadu_si128(cells + 1), one);
        const __m128i lanes = _mm_packs_epi32(low, high); // cell j in 16-bit lane j
        return static_cast<std::uint8_t>(_mm_movemask_epi8(_mm_packs_epi16(lanes, lanes)));
    } else
#endif
    {
        unsigned byte = 0;
        for (int col = 0; col < kDataLines; ++col)
            byte |= static_cast<unsigned>(row[col] == 1) << col;
        return static_cast<std::uint8_t>(byte);
    }
}

// The table of the first `rowCount` rows (none when it is not positive), straight from
// the rows in memory. Rows past the end of `rows` (a count the idle pass has not yet
// brought down) are off.
template <std::ranges::random_access_range Rows>
requires CellRow<std::ranges::range_value_t<Rows>> ByteTable BuildByteTable(const Rows& rows,
                                                                            int rowCount) {
    ByteTable table(rowCount > 0 ? static_cast<std::size_t>(rowCount) : 0);
    const std::size_t n = std::min(table.size(), static_cast<std::size_t>(std::ranges::size(rows)));
    auto row = std::ranges::begin(rows);
    for (std::size_t i = 0; i < n; ++i, ++row)
        table[i] = RowByte(*row);
    return table;
}
