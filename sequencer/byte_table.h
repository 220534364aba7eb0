// The byte table a run plays: one byte per pattern row, bit j set when the cell of column
// j (data line Dj) holds exactly 1; any other value is off. Built on the user-interface
// thread before the run starts, so the run thread never touches the pattern.
#pragma once

#include <concepts>
#include <cstdint>
#include <vector>

using ByteTable = std::vector<std::uint8_t>;

inline constexpr int kDataLines = 8;

// The byte of one row, from the cell values of columns 0..7.
template <typename CellValue>
requires std::invocable<CellValue&, int> std::uint8_t RowByte(CellValue&& cellOfColumn) {
    unsigned byte = 0;
    for (int col = 0; col < kDataLines; ++col)
        if (cellOfColumn(col) == 1) byte |= 1u << col;
    return static_cast<std::uint8_t>(byte);
}

// `rowCount` rows (none when it is not positive), asking `cell(col, row)` for each value.
template <typename CellValue>
requires std::invocable<CellValue&, int, int> ByteTable BuildByteTable(int rowCount,
                                                                       CellValue&& cell) {
    ByteTable table;
    if (rowCount <= 0) return table;
    table.reserve(static_cast<std::size_t>(rowCount));
    for (int row = 0; row < rowCount; ++row)
        table.push_back(RowByte([&](int col) { return cell(col, row); }));
    return table;
}

// The same from a view that answers GetCellValue(col, row) with the value in `.data`,
// as the pattern view does. A template, so this folder needs nothing of the view's.
template <typename View>
requires requires(View& view) {
    { view.GetCellValue(0, 0).data } -> std::convertible_to<int>;
}
ByteTable BuildByteTable(View& view, int rowCount) {
    return BuildByteTable(rowCount,
                          [&view](int col, int row) { return view.GetCellValue(col, row).data; });
}
