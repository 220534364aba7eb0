// The byte table a run plays: one byte per pattern row, bit j set when the cell of column
// j (data line Dj) holds exactly 1; any other value is off. Built on the user-interface
// thread before the run starts, so the run thread never touches the pattern.
#pragma once

#include <algorithm>
#include <concepts>
#include <cstdint>
#include <ranges>
#include <vector>

using ByteTable = std::vector<std::uint8_t>;

inline constexpr int kDataLines = 8;

// A pattern row as the document keeps it: row[j] is the cell of column j.
template <typename Row>
concept CellRow = requires(const Row& row) {
    { row[0] } -> std::convertible_to<int>;
};

// The byte of one row. No branches, so a long pattern's loop stays a plain pass.
template <CellRow Row> std::uint8_t RowByte(const Row& row) {
    unsigned byte = 0;
    for (int col = 0; col < kDataLines; ++col)
        byte |= static_cast<unsigned>(row[col] == 1) << col;
    return static_cast<std::uint8_t>(byte);
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
