// Any bytes as kiv-parport's hello and as its answer: whatever decodes encodes back to
// exactly the same bytes, and the head alone announces the length of a whole hello.
#include "fuzz_check.h"
#include "parport/wire_format.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if (const auto hello = kivwire::DecodeHello(bytes)) {
        const auto again = kivwire::EncodeHello(*hello);
        Check(std::equal(again.begin(), again.end(), bytes.begin(), bytes.end()));
    }
    if (const auto answer = kivwire::DecodeAnswer(bytes)) {
        const auto again = kivwire::EncodeAnswer(*answer);
        Check(std::equal(again.begin(), again.end(), bytes.begin(), bytes.end()));
    }
    return 0;
}
