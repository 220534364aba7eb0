// While a session drives a real output, it holds a named event for it,
// Local\tavo-output-<output> ("serial-COM3", "hidrelay", "inpout", "bridge", "e131",
// "artnet"): the window's test, in this process or in another, leaves such an output alone.
#pragma once

#include <string>

#include "tavo/settings/file_handle.h"
#include "tavo/settings/settings.h"

namespace tavo {

// The event's name for output `kind` as the settings describe it.
std::wstring OutputClaimName(BackendKind kind, const CSettings& settings);

// True while some session, in any process of this logon session, holds the claim `name`.
bool OutputClaimed(const std::wstring& name);

class COutputClaim {
public:
    explicit COutputClaim(const std::wstring& name)
        : m_event(CreateEventW(nullptr, TRUE, FALSE, name.c_str())) {}

private:
    CFileHandle m_event;
};

} // namespace tavo
