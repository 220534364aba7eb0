#include "tavo/backends/writer_run.h"

#include <utility>

namespace tavo {
namespace {

// Boards that switch themselves off when we fall silent hear the last value this often.
constexpr DWORD kRepeatEveryMs = 500;
// A device that went away is looked for this often.
constexpr DWORD kLookAgainMs = 500;

bool Stalled(DWORD error) {
    return error == ERROR_TIMEOUT || error == ERROR_SEM_TIMEOUT || error == ERROR_OPERATION_ABORTED;
}

bool Lost(DWORD error) {
    return error && !Stalled(error);
}

} // namespace

void CWriterRun::Main() {
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

DWORD CWriterRun::WaitMs() const {
    if (m_shared.device) return kRepeatEveryMs;
    const ULONGLONG now = m_shared.source->Now();
    return now >= m_nextLook ? 0 : DWORD(m_nextLook - now);
}

DWORD CWriterRun::Write(CDevice& device, std::uint8_t value, bool all) {
    const DWORD error = device.Show(value, all);
    return Lost(error) ? device.Show(value, true) : error;
}

void CWriterRun::Shown(std::uint8_t value, DWORD error) {
    m_unshown = error ? std::optional(value) : std::nullopt;
    Report(error);
}

void CWriterRun::Repeat() {
    DWORD error = m_shared.device->Repeat();
    if (Lost(error)) error = m_shared.device->Repeat();
    Report(error);
}

void CWriterRun::Report(DWORD error) {
    if (Lost(error)) return Gone(error);
    if (m_stalled == bool(error)) return;
    m_stalled = bool(error);
    m_shared.reporter.TraceNote(m_shared.name + (m_stalled
                                                     ? ": not reading; values are dropped meanwhile"
                                                     : ": reading again"));
    if (m_stalled) m_shared.reporter.Failure(L"устройство не читает");
}

void CWriterRun::Gone(DWORD error) {
    m_shared.device.reset();
    m_stalled = false;
    m_lastTry = {};
    m_nextLook = m_shared.source->Now();
    m_shared.reporter.TraceNote(m_shared.name + ": gone, error " + std::to_string(error) +
                                "; looking for it again");
    m_shared.reporter.PortNote(0, L"устройство отключено");
    m_shared.reporter.Failure(L"устройство отключено");
}

void CWriterRun::LookAgain() {
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

} // namespace tavo
