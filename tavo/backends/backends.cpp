#include "tavo/backends/backends.h"

#include <algorithm>

#include "tavo/backends/output_claim.h"

namespace tavo {
namespace {

// A check lets go at its next step, after closing: a quarter second and the close.
constexpr DWORD kCheckLetsGoMs = 5000;

// The back ends driven from the same calls, in the order the settings list them, and
// the claims on their outputs while they live.
class CMultiBackend final : public CBackend {
public:
    CMultiBackend(std::vector<std::unique_ptr<CBackend>> members, std::vector<COutputClaim> claims)
        : m_members(std::move(members)), m_claims(std::move(claims)) {}

    std::optional<LptAddresses> ReportedPorts() override {
        for (const auto& member : m_members)
            if (auto ports = member->ReportedPorts()) return ports;
        return std::nullopt;
    }
    bool DrivesHardware() const override {
        return std::ranges::any_of(m_members, [](const auto& m) { return m->DrivesHardware(); });
    }
    void Open(const PortRef& port) override {
        for (const auto& member : m_members)
            member->Open(port);
    }
    void Write(const PortRef& port, std::uint8_t value) override {
        for (const auto& member : m_members)
            member->Write(port, value);
    }
    void Close(const PortRef& port) override {
        for (const auto& member : m_members)
            member->Close(port);
    }

private:
    const std::vector<std::unique_ptr<CBackend>> m_members;
    const std::vector<COutputClaim> m_claims;
};

// Claims each of `names` not claimed yet, and waits for a check driving it to let go.
void Claim(const std::vector<std::wstring>& names, std::vector<COutputClaim>& claims) {
    for (const auto& name : names) {
        if (std::ranges::any_of(claims, [&](const auto& c) { return c.Name() == name; })) continue;
        claims.emplace_back(name);
        AwaitNoCheck(name, kCheckLetsGoMs);
    }
}

} // namespace

std::unique_ptr<CBackend> MakeBackend(BackendKind kind, CSettings& settings, CReporter& reporter,
                                      HMODULE self, std::wstring& why) {
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
    return backend;
}

ChosenBackend ChooseBackend(const std::vector<BackendKind>& kinds, CSettings& settings,
                            CReporter& reporter, HMODULE self) {
    std::vector<std::unique_ptr<CBackend>> members;
    std::vector<COutputClaim> claims;
    std::wstring notes;
    for (const auto kind : kinds) {
        std::wstring why;
        // A real output is claimed before it opens, and a check driving it lets go first:
        // under auto too, whose output is the driver's when it loads.
        const std::size_t mark = claims.size();
        if (kind != BackendKind::Virtual) Claim(SessionClaimNames(kind, settings), claims);
        if (auto backend = MakeBackend(kind, settings, reporter.Of(kind), self, why)) {
            if (const auto unit = backend->Unit(); !unit.empty())
                Claim(SessionClaimNames(kind, settings, unit), claims);
            members.push_back(std::move(backend));
            continue;
        }
        claims.erase(claims.begin() + std::ptrdiff_t(mark), claims.end());
        if (why.empty()) continue;
        // In a list the caption names which output failed.
        const auto name = BackendName(kind);
        if (kinds.size() > 1) why = std::wstring(name.begin(), name.end()) + L": " + why;
        notes += (notes.empty() ? L"" : L", ") + why;
        if (kinds.size() > 1) reporter.TraceNote(std::string(name) + ": left out of the list");
    }
    if (members.empty() && !notes.empty()) reporter.TraceNote("falling back to virtual ports");
    std::unique_ptr<CBackend> backend;
    if (members.empty())
        backend = std::make_unique<CVirtualBackend>();
    else
        backend = std::make_unique<CMultiBackend>(std::move(members), std::move(claims));
    return {std::move(backend), std::move(notes)};
}

} // namespace tavo
