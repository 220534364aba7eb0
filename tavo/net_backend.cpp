#include "backends.h"

namespace tavo {

std::unique_ptr<CBackend> MakeNetBackend(BackendKind, CSettings&, CReporter& reporter,
                                         std::wstring& why) {
    reporter.TraceNote("net: not available in this build");
    why = L"сеть недоступна";
    return nullptr;
}

} // namespace tavo
