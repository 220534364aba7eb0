#include "tavo/backends/device_writer.h"

#include <mutex>
#include <optional>
#include <utility>

#include "tavo/backends/held_notes.h"
#include "tavo/settings/file_handle.h"

namespace tavo {
namespace {

// Boards that switch themselves off when we fall silent hear the last value this often.
constexpr DWORD kRepeatEveryMs = 500;
// A device that went away is looked for this often.
constexpr DWORD kLookAgainMs = 500;
// How long Stop waits for the last frames; a device that takes no bytes is not waited for.
constexpr DWORD kStopWaitMs = 500;
// How long the next Start waits for such a device to be let go: a write and its cancel,
// then the all-off, each bounded.
constexpr DWORD kStoppedWaitMs = 3000;

bool Stalled(DWORD error) {
    return error == ERROR_TIMEOUT || error == ERROR_SEM_TIMEOUT || error == ERROR_OPERATION_ABORTED;
}

bool Lost(DWORD error) {
    return error && !Stalled(error);
}

} // namespace

struct CDeviceWriter::Shared {
    Shared(CReporter& r, std::unique_ptr<CDevice> d, std::shared_ptr<CDeviceSource> s)
        : reporter(r), name(d->Name()), source(std::move(s)), device(std::move(d)) {}

    CReporter& reporter;
    const std::string name;
    const std::shared_ptr<CDeviceSource> source;
    std::unique_ptr<CDevice> device; // the thread's alone once it runs; null while gone
    const CFileHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    const CFileHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    HMODULE module = nullptr;
    std::atomic<bool> failed{false}; // the thread ended early

    std::mutex mutex; // guards the two below
    std::optional<std::uint8_t> value;
    bool stopping = false;
};

// The writer thread's loop and what only it knows.
class CDeviceWriter::CRun {
public:
    explicit CRun(Shared& shared) : m_shared(shared) {}

    void Main() {
        Show(0, true);
        for (;;) {
            const bool quiet = WaitForSingleObject(m_shared.wake.get(), WaitMs()) == WAIT_TIMEOUT;
            std::optional<std::uint8_t> value;
            {
                const std::lock_guard lock(m_shared.mutex);
                if (m_shared.stopping) break;
                value = std::exchange(m_shared.value, std::nullopt);
            }
            if (value) m_latest = *value;
            if (!m_shared.device)
                LookAgain();
            else if (value)
                Show(*value, m_unshown.has_value());
            else if (quiet && m_unshown)
                Show(*m_unshown, true);
            else if (quiet)
                Repeat();
        }
        if (m_shared.device) m_shared.device->Show(0, true);
    }

private:
    DWORD WaitMs() const {
        if (m_shared.device) return kRepeatEveryMs;
        const ULONGLONG now = m_shared.source->Now();
        return now >= m_nextLook ? 0 : DWORD(m_nextLook - now);
    }

    // A value whose write did not complete is told every line of it again, at the next
    // value or after a quiet while, since relay boards hear no keep-alive. A write that
    // failed outright is tried once more before the device counts as gone.
    void Show(std::uint8_t value, bool all) { Shown(value, Write(*m_shared.device, value, all)); }

    static DWORD Write(CDevice& device, std::uint8_t value, bool all) {
        const DWORD error = device.Show(value, all);
        return Lost(error) ? device.Show(value, true) : error;
    }

    void Shown(std::uint8_t value, DWORD error) {
        m_unshown = error ? std::optional(value) : std::nullopt;
        Report(error);
    }

    void Repeat() {
        DWORD error = m_shared.device->Repeat();
        if (Lost(error)) error = m_shared.device->Repeat();
        Report(error);
    }

    // Notes what a write's result changes: once when the device stops reading, once when
    // it reads again, once when it is gone.
    void Report(DWORD error) {
        if (Lost(error)) return Gone(error);
        if (m_stalled == bool(error)) return;
        m_stalled = bool(error);
        m_shared.reporter.TraceNote(
            m_shared.name +
            (m_stalled ? ": not reading; values are dropped meanwhile" : ": reading again"));
        if (m_stalled) m_shared.reporter.Failure(L"устройство не читает");
    }

    // The first try comes at once: a board that dropped may be back already.
    void Gone(DWORD error) {
        m_shared.device.reset();
        m_stalled = false;
        m_lastTry = {};
        m_nextLook = m_shared.source->Now();
        m_shared.reporter.TraceNote(m_shared.name + ": gone, error " + std::to_string(error) +
                                    "; looking for it again");
        m_shared.reporter.PortNote(0, L"устройство отключено");
        m_shared.reporter.Failure(L"устройство отключено");
    }

    // Tries to open the device again and show it the row; the trace hears of a try that
    // fails only when it fails otherwise than the one before. A device that opens but takes
    // no row is not back: Wine 10 opens a vanished board until its server restarts. The
    // next try comes a while after this one ends, however long it took.
    void LookAgain() {
        if (m_shared.source->Now() < m_nextLook) return;
        CHeldNotes notes;
        auto device = m_shared.source->Connect(notes);
        const DWORD error = device ? Write(*device, m_latest, true) : 0;
        m_nextLook = m_shared.source->Now() + kLookAgainMs;
        if (Lost(error))
            notes.TraceNote(m_shared.name + ": opens, but writing fails, error " +
                            std::to_string(error));
        if (!device || Lost(error)) {
            notes.TraceIfNews(m_lastTry, m_shared.reporter);
            return;
        }
        m_shared.device = std::move(device);
        m_shared.reporter.TraceNote(m_shared.name + ": back");
        m_shared.reporter.PortNote(0, L"");
        notes.Forward(m_shared.reporter);
        Shown(m_latest, error);
    }

    Shared& m_shared;
    std::optional<std::uint8_t> m_unshown;
    std::uint8_t m_latest = 0; // the row on the lines, or owed to them
    bool m_stalled = false;
    ULONGLONG m_nextLook = 0;
    CHeldNotes m_lastTry;
};

void CDeviceWriter::Start(std::unique_ptr<CDevice> device, std::shared_ptr<CDeviceSource> source) {
    auto shared = std::make_shared<Shared>(m_reporter, std::move(device), std::move(source));
    if (!shared->wake || !shared->done ||
        !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&ThreadMain), &shared->module)) {
        m_reporter.TraceNote(shared->name + ": no writer thread: module not found");
        return;
    }
    // The thread's own reference to the shared state, handed over through its parameter.
    auto ticket = std::make_unique<std::shared_ptr<Shared>>(shared);
    const HANDLE thread = CreateThread(nullptr, 0, ThreadMain, ticket.get(), 0, nullptr);
    if (!thread) {
        FreeLibrary(shared->module);
        m_reporter.TraceNote(shared->name + ": no writer thread: error " +
                             std::to_string(GetLastError()));
        return;
    }
    (void)ticket.release();
    CloseHandle(thread);
    m_shared = std::move(shared);
}

void CDeviceWriter::Set(std::uint8_t value) {
    if (!m_shared) return;
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->value = value;
    }
    SetEvent(m_shared->wake.get());
}

void CDeviceWriter::Stop() {
    const auto shared = std::exchange(m_shared, nullptr);
    if (!shared) return;
    {
        const std::lock_guard lock(shared->mutex);
        shared->stopping = true;
    }
    SetEvent(shared->wake.get());
    if (WaitForSingleObject(shared->done.get(), kStopWaitMs) != WAIT_TIMEOUT) return;
    m_reporter.TraceNote(shared->name + ": still writing at close; not waiting for it");
    auto& gaveUp = GaveUp();
    const std::lock_guard lock(gaveUp.mutex);
    gaveUp.threads.push_back(shared);
}

void CDeviceWriter::AwaitStopped() {
    std::vector<std::shared_ptr<Shared>> stopping;
    {
        auto& gaveUp = GaveUp();
        const std::lock_guard lock(gaveUp.mutex);
        for (const auto& weak : std::exchange(gaveUp.threads, {}))
            if (auto shared = weak.lock()) stopping.push_back(std::move(shared));
    }
    for (const auto& shared : stopping)
        if (WaitForSingleObject(shared->done.get(), kStoppedWaitMs) == WAIT_TIMEOUT)
            shared->reporter.TraceNote(shared->name +
                                       ": still not closed; opening it all the same");
}

CDeviceWriter::Stopping& CDeviceWriter::GaveUp() {
    static Stopping stopping;
    return stopping;
}

bool CDeviceWriter::Live() const {
    return m_shared && !m_shared->failed;
}

DWORD WINAPI CDeviceWriter::ThreadMain(void* ticket) {
    auto shared = std::move(
        *std::unique_ptr<std::shared_ptr<Shared>>(static_cast<std::shared_ptr<Shared>*>(ticket)));
    const HMODULE module = shared->module;
    try {
        CRun(*shared).Main();
    } catch (...) {
        shared->failed = true; // out of memory at worst: the next OpenPrt starts afresh
    }
    shared->device.reset();
    SetEvent(shared->done.get());
    shared.reset();
    // May unload the library.
    FreeLibraryAndExitThread(module, 0);
}

void CDeviceBackend::Open(const PortRef& port) {
    m_open.insert(port.handle);
    if (m_writer.Live()) return;
    m_writer.Stop(); // a writer that failed: let go of it and try again
    CDeviceWriter::AwaitStopped();
    m_reporter.PortNote(0, L"");
    if (auto device = m_source->Connect(m_reporter)) m_writer.Start(std::move(device), m_source);
}

void CDeviceBackend::Write(const PortRef&, std::uint8_t value) {
    m_writer.Set(value);
}

void CDeviceBackend::Close(const PortRef& port) {
    m_open.erase(port.handle);
    if (m_open.empty()) m_writer.Stop();
}

} // namespace tavo
