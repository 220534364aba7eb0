// Any bytes as tavo.ini: every setting is read or noted as ignored, never more; the notes,
// which go to the trace one per line, hold no line break or control character; an
// environment twin set for every key stands over the whole file; and the window's edits
// read back as made, every other key as it was.
#include "fuzz_check.h"
#include "tavo/settings/ini_text.h"
#include "tavo/settings/settings.h"

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

    tavo::CIniText edited{std::string(ini)};
    edited.Set("backend", "serial, e131");
    edited.Remove("level");
    tavo::CSettings after(none, edited.Text());
    for (const auto& key : tavo::kSettingKeys) {
        const auto& raw = after.Raw(key.name);
        if (key.name == "backend")
            Check(raw && raw->text == "serial, e131");
        else if (key.name == "level")
            Check(!raw);
        else
            Check(bool(raw) == bool(settings.Raw(key.name)) &&
                  (!raw || raw->text == settings.Raw(key.name)->text));
    }
    return 0;
}
