#include "backends.h"

namespace tavo {

std::unique_ptr<CBackend> MakeBridgeBackend(CSettings&, CReporter& reporter, std::wstring& why) {
    reporter.TraceNote("bridge: not available in this build");
    why = L"нет связи с kiv-parport";
    return nullptr;
}

} // namespace tavo
