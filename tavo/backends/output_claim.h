// While a session drives a real output, it holds a named event for it,
// Local\tavo-output-<output> ("serial-COM3", "hidrelay", "inpout", "bridge", "e131",
// "artnet"): the window's test, in this process or in another, leaves such an output alone.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tavo/settings/file_handle.h"
#include "tavo/settings/settings.h"

namespace tavo {

// The event's name for output `kind` as the settings describe it: what the window's check
// of that output looks for.
std::wstring OutputClaimName(BackendKind kind, const CSettings& settings);

// What a session driving output `kind` claims: the name above, and for relay boards also
// both the kind's ("hidrelay": a check of the first board) and the board's own, `unit`
// being the id of the board driven when the settings name none (empty before it is known).
std::vector<std::wstring> SessionClaimNames(BackendKind kind, const CSettings& settings,
                                            std::string_view unit = {});

// True while some session, in any process of this logon session, holds the claim `name`.
bool OutputClaimed(const std::wstring& name);

class COutputClaim {
public:
    explicit COutputClaim(const std::wstring& name)
        : m_name(name), m_event(CreateEventW(nullptr, TRUE, FALSE, name.c_str())) {}
    const std::wstring& Name() const { return m_name; }

private:
    std::wstring m_name;
    CFileHandle m_event;
};

// While the window's check drives an output, its thread owns a named mutex for it (the
// claim's name with "check" for "output"). A session claims the output first, then waits
// for that mutex: the check sees the claim at its next step and lets go after closing.
class CCheckClaim {
public:
    explicit CCheckClaim(const std::wstring& outputClaim);
    ~CCheckClaim();
    CCheckClaim(const CCheckClaim&) = delete;
    CCheckClaim& operator=(const CCheckClaim&) = delete;
    // False when another check drives the output.
    bool Held() const { return m_held; }

private:
    CFileHandle m_mutex;
    bool m_held = false;
};

// Waits until no check drives the output of `outputClaim`, at most `ms`.
void AwaitNoCheck(const std::wstring& outputClaim, DWORD ms);

} // namespace tavo
