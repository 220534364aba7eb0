// A tavo.dll of the wrong kind: it has the run's exports but not CountLPT.
#include <cstdint>

extern "C" __declspec(dllexport) std::uint32_t
    OpenPrt(std::uint32_t, std::uint32_t, std::uint32_t) {
    return 1;
}
extern "C" __declspec(dllexport) void W_P(std::uint32_t, std::uint32_t, std::uint32_t) {}
extern "C" __declspec(dllexport) void ClosePrt(std::uint32_t) {}
