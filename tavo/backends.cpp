#include "backends.h"

namespace tavo {

ChosenBackend ChooseBackend(CSettings& settings, CReporter& reporter, HMODULE self) {
    const auto kind = settings.Backend();
    std::wstring why;
    std::unique_ptr<CBackend> backend;
    switch (kind) {
    case BackendKind::Virtual:
        break;
    case BackendKind::Auto:
        // Without a driver the virtual ports are simply the default: no note.
        backend = MakeInpoutBackend(self, false, reporter, why);
        why.clear();
        break;
    case BackendKind::Inpout:
        backend = MakeInpoutBackend(self, true, reporter, why);
        break;
    case BackendKind::Bridge:
        backend = MakeBridgeBackend(settings, reporter, why);
        break;
    case BackendKind::E131:
    case BackendKind::ArtNet:
        backend = MakeNetBackend(kind, settings, reporter, why);
        break;
    case BackendKind::Serial:
        backend = MakeSerialBackend(settings, reporter, why);
        break;
    case BackendKind::HidRelay:
        backend = MakeHidRelayBackend(settings, reporter, why);
        break;
    }
    if (backend) return {std::move(backend), {}};
    if (!why.empty()) reporter.TraceNote("falling back to virtual ports");
    return {std::make_unique<CVirtualBackend>(), std::move(why)};
}

} // namespace tavo
