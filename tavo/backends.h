// Choosing the back end at the first call: the one the settings ask for, or the virtual
// ports with a note when it cannot drive anything.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "backend.h"
#include "settings.h"

namespace tavo {

struct ChosenBackend {
    std::unique_ptr<CBackend> backend;
    std::wstring fallbackNote; // short Russian note for the lamp caption; empty when none
};

ChosenBackend ChooseBackend(CSettings& settings, CReporter& reporter, HMODULE self);

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
