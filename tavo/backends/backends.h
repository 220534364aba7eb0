// Choosing the back ends as a session of ports begins: the ones the settings list, each
// replaced by the virtual ports with a note when it cannot drive anything.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tavo/backends/backend.h"
#include "tavo/settings/settings.h"

namespace tavo {

struct ChosenBackend {
    std::unique_ptr<CBackend> backend;
    std::wstring fallbackNote; // short Russian note for the lamp caption; empty when none
};

// Several kinds are driven together by one back end; one that fails is left out alone.
ChosenBackend ChooseBackend(const std::vector<BackendKind>& kinds, CSettings& settings,
                            CReporter& reporter, HMODULE self);

// One back end of `kind`; nullptr with `why` as the makers below.
std::unique_ptr<CBackend> MakeBackend(BackendKind kind, CSettings& settings, CReporter& reporter,
                                      HMODULE self, std::wstring& why);

// Each maker returns nullptr when its back end cannot drive anything; `why` then holds a
// short Russian reason for the lamp caption, and the trace has the details.
// `asked`: the settings name inpout; else (auto) an absent driver library is no news.
std::unique_ptr<CBackend> MakeInpoutBackend(HMODULE self, bool asked, CReporter& reporter,
                                            std::wstring& why);
std::unique_ptr<CBackend> MakeBridgeBackend(CSettings& settings, CReporter& reporter,
                                            std::wstring& why);
std::unique_ptr<CBackend> MakeNetBackend(BackendKind kind, CSettings& settings, CReporter& reporter,
                                         std::wstring& why);
std::unique_ptr<CBackend> MakeSerialBackend(CSettings& settings, CReporter& reporter,
                                            std::wstring& why);
std::unique_ptr<CBackend> MakeHidRelayBackend(CSettings& settings, CReporter& reporter,
                                              std::wstring& why);

} // namespace tavo
