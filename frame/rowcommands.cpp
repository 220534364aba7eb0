#include "frame/rowcommands.h"

#include "framework/exception.h"
#include "grid/grid.h"

#include <new>

void InsertPatternRows(std::vector<KIV_ROW>& rows, CORVGrid& grid, int at, int count) {
    const auto size = static_cast<long long>(rows.size());
    if (count < 1 || at < 0 || at > size) return;
    if (count > ORV_MAX_ROWS - size) throw CMemoryException();
    try {
        // Room first: the insert itself then cannot fail half-way.
        rows.reserve(rows.size() + static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    } catch (const std::length_error&) {
        throw CMemoryException();
    }
    const auto pos = rows.begin() + at;
    rows.insert(pos, static_cast<std::size_t>(count), KIV_ROW{});
    if (!grid.InsertRows(at, count)) {
        rows.erase(rows.begin() + at, rows.begin() + at + count);
        throw CMemoryException();
    }
}

bool DeletePatternRow(std::vector<KIV_ROW>& rows, CORVGrid& grid, int at) {
    if (at < 0 || at >= static_cast<long long>(rows.size())) return false;
    rows.erase(rows.begin() + at);
    grid.DeleteRows(at, 1);
    return true;
}
