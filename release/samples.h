// The sample patterns shipped in the release zip, written with the program's own codec so
// they are exactly what the program reads. Pure C++: the packing script builds it natively.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "document/kiv_row.h"

namespace release {

struct Sample {
    std::string fileName; // "running-light.cmb"
    std::vector<KIV_ROW> rows;
};

// A running light, a chase from both ends, all lines blinking.
std::vector<Sample> Samples();

// Writes every sample into `folder` (which exists). False when a file cannot be written.
bool WriteSamples(const std::filesystem::path& folder);

} // namespace release
