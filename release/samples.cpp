#include "release/samples.h"

#include <fstream>

#include "document/cmb_format.h"

namespace release {
namespace {

// A row with the lines of `bits` on: bit j is D0..D7 as in the grid's columns.
KIV_ROW Row(unsigned bits) {
    KIV_ROW row{};
    for (std::size_t j = 0; j < 8; ++j)
        row[j] = (bits >> j) & 1;
    return row;
}

std::vector<KIV_ROW> Rows(std::initializer_list<unsigned> bytes) {
    std::vector<KIV_ROW> rows;
    for (const unsigned bits : bytes)
        rows.push_back(Row(bits));
    return rows;
}

} // namespace

std::vector<Sample> Samples() {
    return {
        {"running-light.cmb", Rows({0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80})},
        // Two lights meet in the middle and go back out; the loop closes at the ends.
        {"chase-both-ends.cmb", Rows({0x81, 0x42, 0x24, 0x18, 0x24, 0x42})},
        {"blink-all.cmb", Rows({0xFF, 0x00})},
    };
}

bool WriteSamples(const std::filesystem::path& folder) {
    for (const Sample& sample : Samples()) {
        cmb::MemorySink sink;
        cmb::Write(sink, sample.rows);
        std::ofstream file(folder / sample.fileName, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(sink.Bytes().data()),
                   static_cast<std::streamsize>(sink.Bytes().size()));
        if (!file.flush()) return false;
    }
    return true;
}

} // namespace release
