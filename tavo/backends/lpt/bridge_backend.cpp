// The bridge: the real ports of a Linux machine, driven by kiv-parport (parport/) over
// 127.0.0.1. Under Wine a Windows library reaches no port; the helper owns the device and
// we send it one byte per W_P without ever waiting for it, so a helper that stalls or
// goes can cost the lines but never hang the program. A helper that went away is
// connected to again by a thread of the library, and the lines follow the run again.
#include "tavo/backends/lpt/bridge_link.h"

#include <map>
#include <mutex>
#include <utility>

#include "tavo/backends/backends.h"
#include "tavo/backends/found_outputs.h"
#include "tavo/backends/held_notes.h"
#include "tavo/settings/file_handle.h"
#include "tavo/settings/library_thread.h"

namespace tavo {
namespace {

// A helper that went away is connected to again this often.
constexpr DWORD kRelinkEveryMs = 500;

// Links made again, away from W_P, for the ports whose link was lost: a thread of the
// library tries every 0.5 s until each is back or closed, and sends the port's newest
// value as soon as it is. The thread keeps what it uses, so the back end never waits for it.
class CRelinker {
public:
    CRelinker(const CHelper& helper, CReporter& reporter)
        : m_shared(std::make_shared<Shared>(helper, reporter)) {}
    ~CRelinker() {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->stopping = true;
        SetEvent(m_shared->wake.get());
    }
    CRelinker(const CRelinker&) = delete;
    CRelinker& operator=(const CRelinker&) = delete;

    void Lost(const PortRef& port, std::uint8_t value) {
        const std::lock_guard lock(m_shared->mutex);
        auto& lost = m_shared->ports[port.handle];
        lost.address = port.address;
        lost.value = value;
        if (m_shared->running) return;
        // The thread's own reference to the shared state, handed over through its parameter.
        auto ticket = std::make_unique<std::shared_ptr<Shared>>(m_shared);
        m_shared->running = StartLibraryThread(Main, ticket.get());
        if (m_shared->running) (void)ticket.release();
    }
    // The newest value of a port whose link is lost.
    void Set(std::uint32_t handle, std::uint8_t value) {
        const std::lock_guard lock(m_shared->mutex);
        if (const auto port = m_shared->ports.find(handle); port != m_shared->ports.end())
            port->second.value = value;
    }
    void Closed(std::uint32_t handle) {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->ports.erase(handle);
    }
    // The link of `handle` once it is back, newest value sent; then the port is no more ours.
    std::optional<CTcpLink> TakeBack(std::uint32_t handle) {
        const std::lock_guard lock(m_shared->mutex);
        const auto port = m_shared->ports.find(handle);
        if (port == m_shared->ports.end() || !port->second.link) return std::nullopt;
        auto link = std::move(port->second.link);
        m_shared->ports.erase(port);
        return link;
    }

private:
    struct LostPort {
        std::uint32_t address = 0;
        std::uint8_t value = 0;
        std::optional<CTcpLink> link; // made again, not yet taken
        CHeldNotes lastTry;
    };
    struct Shared {
        Shared(const CHelper& h, CReporter& r) : helper(h), reporter(r) {}
        const CHelper helper;
        CReporter& reporter;
        const CFileHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
        std::mutex mutex;                        // guards the three below
        std::map<std::uint32_t, LostPort> ports; // by handle
        bool stopping = false;
        bool running = false;
    };

    static DWORD WINAPI Main(void* ticket) {
        auto shared = std::move(*std::unique_ptr<std::shared_ptr<Shared>>(
            static_cast<std::shared_ptr<Shared>*>(ticket)));
        try {
            while (TryAll(*shared))
                WaitForSingleObject(shared->wake.get(), kRelinkEveryMs);
        } catch (...) {
            const std::lock_guard lock(shared->mutex);
            shared->running = false; // out of memory at worst: the next loss starts one again
        }
        shared.reset();
        FreeLibraryAndExitThread(ThisLibrary(), 0);
    }

    // One try for each port still lost; false when the thread is done.
    static bool TryAll(Shared& shared) {
        for (const auto& [handle, address] : Waiting(shared, std::unique_lock(shared.mutex))) {
            CTcpLink link(shared.helper.Winsock());
            CHeldNotes notes;
            const bool greeted =
                shared.helper.Greet(link, kivwire::Purpose::Drive, address, notes).has_value();
            std::unique_lock lock(shared.mutex);
            const auto port = shared.ports.find(handle);
            if (shared.stopping || port == shared.ports.end()) continue;
            if (!greeted) {
                notes.TraceIfNews(port->second.lastTry, shared.reporter);
                continue;
            }
            const std::uint8_t value = port->second.value;
            if (link.Send({&value, 1}) != 0) continue;
            port->second.link = std::move(link);
            lock.unlock();
            shared.reporter.TraceNote("bridge: OpenPrt " + std::to_string(address) +
                                      ": connected again");
            shared.reporter.PortNote(address, L"");
        }
        std::unique_lock lock(shared.mutex);
        shared.running = !shared.stopping && !Waiting(shared, std::move(lock)).empty();
        return shared.running;
    }

    // The ports without a link, as (handle, address), read under `lock`.
    static std::vector<std::pair<std::uint32_t, std::uint32_t>>
    Waiting(const Shared& shared, std::unique_lock<std::mutex>) {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> waiting;
        for (const auto& [handle, port] : shared.ports)
            if (!port.link) waiting.emplace_back(handle, port.address);
        return waiting;
    }

    std::shared_ptr<Shared> m_shared;
};
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
