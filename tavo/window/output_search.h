// The outputs the library can drive, as the system has them now, and what was found of
// each: the lamps, LPT through the port driver, LPT through the Linux helper (under Wine),
// the COM ports, the relay boards, E1.31 and Art-Net.
#pragma once

#include <windows.h>

#include <vector>

#include "tavo/backends/backend.h"
#include "tavo/window/outputs_model.h"

namespace tavo {

// The back ends' notes are for a session's trace and lamps; here only what was found counts.
class CQuietReporter final : public CReporter {
public:
    void TraceNote(std::string_view) override {}
    void PortNote(std::uint32_t, std::wstring) override {}
};

// `settings`: the file's, which say whether the helper is set up.
std::vector<OutputRow> FindOutputs(HMODULE self, const CSettings& settings);

} // namespace tavo
