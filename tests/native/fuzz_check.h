// What the fuzz targets share: a check that stops the run with the input saved.
#pragma once

#include <cstdlib>

inline void Check(bool ok) {
    if (!ok) std::abort();
}
