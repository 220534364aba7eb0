// Adding and deleting pattern rows: the document's rows and the grid's rows change in
// step, all or nothing.
#pragma once
#include "document/kiv_row.h"

#include <vector>

class CORVGrid;

// `count` zero rows before row `at` (0 <= at <= rows) of both. Beyond the grid's limit
// or beyond memory nothing changes and CMemoryException is thrown.
void InsertPatternRows(std::vector<KIV_ROW>& rows, CORVGrid& grid, int at, int count);

// Row `at` of both; false (nothing changes) when there is no such row.
bool DeletePatternRow(std::vector<KIV_ROW>& rows, CORVGrid& grid, int at);
