#include "tavo/backends/device_writer.h"

#include <mutex>
#include <optional>
#include <utility>

#include "tavo/settings/file_handle.h"

namespace tavo {
namespace {

// Boards that switch themselves off when we fall silent hear the last value this often.
constexpr DWORD kRepeatEveryMs = 500;
// How long Stop waits for the last frames; a device that takes no bytes is not waited for.
constexpr DWORD kStopWaitMs = 500;
// How long the next Start waits for such a device to be let go: a write and its cancel,
// then the all-off, each bounded.
constexpr DWORD kStoppedWaitMs = 3000;

bool Stalled(DWORD error) {
    return error == ERROR_TIMEOUT || error == ERROR_SEM_TIMEOUT || error == ERROR_OPERATION_ABORTED;
}

} // namespace

struct CDeviceWriter::Shared {
    Shared(CReporter& r, std::unique_ptr<CDevice> d)
        : reporter(r), name(d->Name()), device(std::move(d)) {}

    CReporter& reporter;
    const std::string name;
    std::unique_ptr<CDevice> device; // the thread's alone once it runs
    const CFileHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    const CFileHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    HMODULE module = nullptr;
    std::atomic<bool> gone{false};
    bool stalled = false; // the thread's alone

    std::mutex mutex; // guards the two below
    std::optional<std::uint8_t> value;
    bool stopping = false;

    // Notes what a write's result changes: once when the device stops reading, once when
    // it reads again, once when it is gone.
    void Report(DWORD error) {
        if (!error || Stalled(error)) {
            if (stalled == bool(error)) return;
            stalled = bool(error);
            reporter.TraceNote(name + (stalled ? ": not reading; values are dropped meanwhile"
                                               : ": reading again"));
            if (stalled) reporter.Failure(L"устройство не читает");
            return;
        }
        gone = true;
        reporter.TraceNote(name + ": gone, error " + std::to_string(error) +
                           "; the next OpenPrt tries again");
        reporter.PortNote(0, L"устройство отключено");
    }
};

void CDeviceWriter::Start(std::unique_ptr<CDevice> device) {
    auto shared = std::make_shared<Shared>(m_reporter, std::move(device));
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
    return m_shared && !m_shared->gone;
}

DWORD WINAPI CDeviceWriter::ThreadMain(void* ticket) {
    auto shared = std::move(
        *std::unique_ptr<std::shared_ptr<Shared>>(static_cast<std::shared_ptr<Shared>*>(ticket)));
    const HMODULE module = shared->module;
    try {
        Run(*shared);
    } catch (...) {
        shared->gone = true; // out of memory at worst: the next OpenPrt starts afresh
    }
    shared->device.reset();
    SetEvent(shared->done.get());
    shared.reset();
    // May unload the library.
    FreeLibraryAndExitThread(module, 0);
}

void CDeviceWriter::Run(Shared& shared) {
    CDevice& device = *shared.device;
    // A value whose write did not complete: the device is told every line of it again,
    // at the next value or after a quiet while, since relay boards hear no keep-alive.
    std::optional<std::uint8_t> unshown;
    const auto show = [&](std::uint8_t value, bool all) {
        const DWORD error = device.Show(value, all);
        shared.Report(error);
        unshown = error ? std::optional(value) : std::nullopt;
    };
    show(0, true);
    for (;;) {
        const bool quiet = WaitForSingleObject(shared.wake.get(), kRepeatEveryMs) == WAIT_TIMEOUT;
        std::optional<std::uint8_t> value;
        {
            const std::lock_guard lock(shared.mutex);
            if (shared.stopping) break;
            value = std::exchange(shared.value, std::nullopt);
        }
        if (shared.gone) continue;
        if (value)
            show(*value, unshown.has_value());
        else if (quiet && unshown)
            show(*unshown, true);
        else if (quiet)
            shared.Report(device.Repeat());
    }
    if (!shared.gone) device.Show(0, true);
}

void CDeviceBackend::Open(const PortRef& port) {
    m_open.insert(port.handle);
    if (m_writer.Live()) return;
    m_writer.Stop(); // a device that went away: let go of it and try again
    CDeviceWriter::AwaitStopped();
    m_reporter.PortNote(0, L"");
    if (auto device = Connect()) m_writer.Start(std::move(device));
}

void CDeviceBackend::Write(const PortRef&, std::uint8_t value) {
    m_writer.Set(value);
}

void CDeviceBackend::Close(const PortRef& port) {
    m_open.erase(port.handle);
    if (m_open.empty()) m_writer.Stop();
}

} // namespace tavo
