// Any bytes as a combination file: a refused file changes nothing; a read one saves back
// with the same rows, byte for byte, and reads back to the same pattern.
#include "document/cmb_format.h"
#include "fuzz_check.h"

#include <algorithm>
#include <cstring>

namespace {

// Keeps a huge row count from asking for gigabytes; the limit is a status like any other.
constexpr std::uint64_t kMaxRows = 1u << 16;

std::vector<KIV_ROW> Reread(const std::vector<std::byte>& file) {
    cmb::MemorySource source(file);
    std::vector<KIV_ROW> rows;
    Check(cmb::Read(source, rows, kMaxRows) == cmb::Status::Ok);
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span bytes(reinterpret_cast<const std::byte*>(data), size);
    cmb::MemorySource source(bytes);
    const std::vector<KIV_ROW> before{KIV_ROW{{7, 0, 1}}};
    std::vector<KIV_ROW> rows = before;
    if (cmb::Read(source, rows, kMaxRows) != cmb::Status::Ok) {
        Check(rows == before);
        return 0;
    }
    cmb::MemorySink sink;
    cmb::Write(sink, rows);
    const auto& out = sink.Bytes();
    const std::size_t header = cmb::HeaderSize(rows.size());
    Check(out.size() == header + rows.size() * sizeof(KIV_ROW));

    // The input's rows start after its own count, short or long.
    const bool longForm = size >= 6 && data[4] == 0xFF && data[5] == 0xFF;
    const std::size_t inHeader = longForm ? 10 : 6;
    const std::size_t rowBytes = std::min(size - inHeader, out.size() - header);
    Check(std::memcmp(out.data() + header, data + inHeader, rowBytes) == 0);
    Check(Reread(out) == rows);
    return 0;
}
