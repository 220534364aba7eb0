// KIV_ROW: one pattern row, the states of the data lines D0..D7.
#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>

struct KIV_ROW {
    // Cell j drives data line Dj; 1 is on, 0 off. Other values come only from files and
    // count as off.
    std::int32_t cells[8];

    std::int32_t& operator[](std::size_t j) { return cells[j]; }
    std::int32_t operator[](std::size_t j) const { return cells[j]; }
    friend bool operator==(const KIV_ROW&, const KIV_ROW&) = default;
};

static_assert(sizeof(KIV_ROW) == 32 && std::is_trivially_copyable_v<KIV_ROW>,
              "rows are written to files as raw 32-byte records");
