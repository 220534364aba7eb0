#include "tavo/backends/lpt/relinker.h"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "tavo/backends/held_notes.h"
#include "tavo/settings/file_handle.h"
#include "tavo/settings/library_thread.h"

namespace tavo {
namespace {

// A helper that went away is connected to again this often.
constexpr DWORD kRelinkEveryMs = 500;

struct LostPort {
    std::uint32_t address = 0;
    std::uint8_t value = 0;
    std::optional<CTcpLink> link; // made again, not yet taken
    CHeldNotes lastTry;
};

} // namespace

struct CRelinker::Shared {
    Shared(const CHelper& h, CReporter& r) : helper(h), reporter(r) {}
    const CHelper helper;
    CReporter& reporter;
    const CFileHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::mutex mutex;                        // guards the three below
    std::map<std::uint32_t, LostPort> ports; // by handle
    bool stopping = false;
    bool running = false;
};

std::vector<std::pair<std::uint32_t, std::uint32_t>>
CRelinker::Waiting(const Shared& shared, std::unique_lock<std::mutex>) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> waiting;
    for (const auto& [handle, port] : shared.ports)
        if (!port.link) waiting.emplace_back(handle, port.address);
    return waiting;
}

CRelinker::CRelinker(const CHelper& helper, CReporter& reporter)
    : m_shared(std::make_shared<Shared>(helper, reporter)) {}

CRelinker::~CRelinker() {
    const std::lock_guard lock(m_shared->mutex);
    m_shared->stopping = true;
    SetEvent(m_shared->wake.get());
}

void CRelinker::Lost(const PortRef& port, std::uint8_t value) {
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

void CRelinker::Set(std::uint32_t handle, std::uint8_t value) {
    const std::lock_guard lock(m_shared->mutex);
    if (const auto port = m_shared->ports.find(handle); port != m_shared->ports.end())
        port->second.value = value;
}

void CRelinker::Closed(std::uint32_t handle) {
    const std::lock_guard lock(m_shared->mutex);
    m_shared->ports.erase(handle);
}

std::optional<CTcpLink> CRelinker::TakeBack(std::uint32_t handle) {
    const std::lock_guard lock(m_shared->mutex);
    const auto port = m_shared->ports.find(handle);
    if (port == m_shared->ports.end() || !port->second.link) return std::nullopt;
    auto link = std::move(port->second.link);
    m_shared->ports.erase(port);
    return link;
}

DWORD WINAPI CRelinker::Main(void* ticket) {
    auto shared = std::move(
        *std::unique_ptr<std::shared_ptr<Shared>>(static_cast<std::shared_ptr<Shared>*>(ticket)));
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

bool CRelinker::TryAll(Shared& shared) {
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

} // namespace tavo
