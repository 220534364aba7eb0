// A stranger's tavo.dll, as a pattern folder might bring one: it must never be loaded.
// It also lacks most exports, for the lookups.
#include <cstdint>

extern "C" __declspec(dllexport) unsigned char CountLPT(std::uint32_t*, std::uint32_t*,
                                                        std::uint32_t*) {
    return 0xEE;
}

extern "C" __declspec(dllexport) std::uint32_t
    OpenPrt(std::uint32_t, std::uint32_t, std::uint32_t) {
    return 0xEE;
}
