// A tavo.dll without W_P: it reports LPT1 at 378h and opens ports, but a run cannot write.
#include <cstdint>

extern "C" __declspec(dllexport) unsigned char CountLPT(std::uint32_t* lpt1, std::uint32_t* lpt2,
                                                        std::uint32_t* lpt3) {
    if (lpt1) *lpt1 = 0x378;
    if (lpt2) *lpt2 = 0;
    if (lpt3) *lpt3 = 0;
    return 1;
}
extern "C" __declspec(dllexport) std::uint32_t
    OpenPrt(std::uint32_t, std::uint32_t, std::uint32_t) {
    return 1;
}
extern "C" __declspec(dllexport) void ClosePrt(std::uint32_t) {}
