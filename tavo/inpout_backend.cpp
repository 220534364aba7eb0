#include "backends.h"

namespace tavo {

std::unique_ptr<CBackend> MakeInpoutBackend(HMODULE, CReporter& reporter, std::wstring& why) {
    reporter.TraceNote("inpout: not available in this build");
    why = L"нет драйвера";
    return nullptr;
}

} // namespace tavo
