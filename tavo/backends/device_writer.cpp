#include "tavo/backends/device_writer.h"

#include <mutex>
#include <utility>

#include "tavo/backends/writer_run.h"

namespace tavo {
namespace {

// How long Stop waits for the last frames; a device that takes no bytes is not waited for.
constexpr DWORD kStopWaitMs = 500;
// How long the next Start waits for such a device to be let go: a write and its cancel,
// then the all-off, each bounded.
constexpr DWORD kStoppedWaitMs = 3000;

} // namespace

void CDeviceWriter::Start(std::unique_ptr<CDevice> device, std::shared_ptr<CDeviceSource> source) {
    auto shared = std::make_shared<WriterShared>(m_reporter, std::move(device), std::move(source));
    if (!shared->wake || !shared->done ||
        !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&ThreadMain), &shared->module)) {
        m_reporter.TraceNote(shared->name + ": no writer thread: module not found");
        return;
    }
    // The thread's own reference to the shared state, handed over through its parameter.
    auto ticket = std::make_unique<std::shared_ptr<WriterShared>>(shared);
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
    std::vector<std::shared_ptr<WriterShared>> stopping;
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
    auto shared = std::move(*std::unique_ptr<std::shared_ptr<WriterShared>>(
        static_cast<std::shared_ptr<WriterShared>*>(ticket)));
    const HMODULE module = shared->module;
    try {
        CWriterRun(*shared).Main();
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
