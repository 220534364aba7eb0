// Any bytes as tavo.ini: every setting is read or noted as ignored, never more; the notes,
// which go to the trace one per line, hold no line break or control character; and an
// environment twin set for every key stands over the whole file.
#include "fuzz_check.h"
#include "tavo/settings.h"

#include <cstdint>

namespace {

void ReadEverything(tavo::CSettings& settings) {
    settings.Lpt();
    Check(!settings.Backends().empty());
    settings.Lamps();
    settings.Integer("universe", 1, 63999);
    settings.Integer("channel", 1, 505);
    settings.Integer("level", 0, 255);
    if (const auto& target = settings.Raw("net_target")) tavo::ParseIpv4Endpoint(target->text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view ini(reinterpret_cast<const char*>(data), size);
    const auto none = [](std::string_view) -> std::optional<std::string> { return std::nullopt; };
    tavo::CSettings settings(none, ini);
    ReadEverything(settings);
    for (const auto& note : settings.Notes())
        for (const char c : note)
            Check(c >= 0x20 && c < 0x7F);

    const auto every = [](std::string_view) -> std::optional<std::string> { return "1"; };
    tavo::CSettings overridden(every, ini);
    for (const auto& key : tavo::kSettingKeys) {
        const auto& raw = overridden.Raw(key.name);
        Check(raw && raw->text == "1" && raw->origin == key.env);
    }
    return 0;
}
