// The bridge: the real ports of a Linux machine, driven by kiv-parport (parport/) over
// 127.0.0.1. Under Wine a Windows library reaches no port; the helper owns the device and
// we send it one byte per W_P without ever waiting for it, so a helper that stalls or
// goes can cost the lines but never hang the program. A helper that went away is
// connected to again by a thread of the library, and the lines follow the run again.
// Winsock's header before any that brings <windows.h>.
#include "tavo/backends/lpt/bridge_link.h"

#include <map>
#include <utility>

#include "tavo/backends/backends.h"
#include "tavo/backends/found_outputs.h"
#include "tavo/backends/lpt/relinker.h"

namespace tavo {
namespace {

class CBridgeBackend final : public CBackend {
public:
    CBridgeBackend(const CHelper& helper, CReporter& reporter)
        : m_helper(helper), m_reporter(reporter), m_relinker(helper, reporter) {}

    std::optional<LptAddresses> ReportedPorts() override {
        CTcpLink link(m_helper.Winsock());
        const auto answer = m_helper.Greet(link, kivwire::Purpose::Query, 0, m_reporter);
        if (!answer) return std::nullopt;
        // A port Linux does not describe is still driven; without any address the
        // program would refuse to start.
        if (CountPresent(answer->ports) == 0) {
            m_reporter.TraceNote("bridge: kiv-parport reports no LPT addresses");
            return std::nullopt;
        }
        return answer->ports;
    }

    bool DrivesHardware() const override { return true; }

    // A helper not there yet is connected to as one that went away: the run lights up
    // once it starts.
    void Open(const PortRef& port) override {
        CTcpLink link(m_helper.Winsock());
        if (!m_helper.Greet(link, kivwire::Purpose::Drive, port.address, m_reporter))
            return m_relinker.Lost(port, 0);
        m_links.insert_or_assign(port.handle, std::move(link));
        m_reporter.PortNote(port.address, L"");
    }

    void Write(const PortRef& port, std::uint8_t value) override {
        auto link = m_links.find(port.handle);
        if (link == m_links.end()) {
            auto back = m_relinker.TakeBack(port.handle);
            if (!back) return m_relinker.Set(port.handle, value); // no helper: nothing to drive
            link = m_links.insert_or_assign(port.handle, std::move(*back)).first;
        }
        const int error = link->second.Send({&value, 1});
        if (error == 0) return;
        m_links.erase(link);
        m_reporter.TraceNote("bridge: connection lost, error " + std::to_string(error) +
                             "; connecting again");
        m_reporter.PortNote(port.address, kNoHelper);
        m_relinker.Lost(port, value);
    }

    // Closing hands the helper its end of the run; it turns the lines off itself if the
    // last value was not 0.
    void Close(const PortRef& port) override {
        m_links.erase(port.handle);
        m_relinker.Closed(port.handle);
    }

private:
    const CHelper m_helper;
    CReporter& m_reporter;
    std::map<std::uint32_t, CTcpLink> m_links; // by handle; none while the helper is gone
    CRelinker m_relinker;
};

// The token as ASCII; anything else cannot be a token and becomes '?'.
std::optional<std::string> ReadToken() {
    const auto wide = ReadEnvironment(L"KIV_PARPORT_TOKEN");
    if (!wide) return std::nullopt;
    std::string token;
    for (const wchar_t c : *wide)
        token += c < 0x80 ? char(c) : '?';
    return token;
}

} // namespace

std::unique_ptr<CBackend> MakeBridgeBackend(CSettings& settings, CReporter& reporter,
                                            std::wstring& why) {
    why = L"kiv-parport не настроен";
    const auto& raw = settings.Raw("bridge");
    if (!raw) {
        reporter.TraceNote("bridge: no helper port; set TAVO_BRIDGE or bridge = 127.0.0.1:N");
        return nullptr;
    }
    // The token must not leave this machine, and the helper listens on loopback only.
    const auto helper = ParseIpv4Endpoint(raw->text);
    if (!helper || !helper->port || helper->address >> 24 != 127) {
        settings.Reject("bridge", "ignored: not 127.0.0.1:port");
        return nullptr;
    }
    const auto token = ReadToken();
    if (!token || !kivwire::IsValidToken(*token)) {
        reporter.TraceNote("bridge: KIV_PARPORT_TOKEN missing or not 32 to 128 hex digits");
        return nullptr;
    }
    const auto* ws = StartWinsock(reporter, "bridge");
    if (!ws) {
        why = kNoHelper;
        return nullptr;
    }
    return std::make_unique<CBridgeBackend>(CHelper(*ws, *helper, *token), reporter);
}

bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

} // namespace tavo
