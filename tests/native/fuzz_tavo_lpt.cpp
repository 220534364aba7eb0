// Any text as TAVO_LPT: the address list is read or refused; what is read prints back to a
// list that reads the same, and the environment's value stands over tavo.ini's, good or bad.
#include "fuzz_check.h"
#include "tavo/settings/settings.h"

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto ports = tavo::ParseLptList(text);
    if (ports) {
        char printed[40];
        std::snprintf(printed, sizeof printed, "%x,%x,%x", (*ports)[0], (*ports)[1], (*ports)[2]);
        Check(tavo::ParseLptList(printed) == ports);
    }
    const auto env = [&](std::string_view name) -> std::optional<std::string> {
        if (name == "TAVO_LPT") return text;
        return std::nullopt;
    };
    tavo::CSettings settings(env, "lpt = 278,0,0\n");
    Check(settings.Lpt() == ports);
    Check(settings.Notes().size() == (ports ? 0u : 1u));
    return 0;
}
