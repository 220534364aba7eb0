#include "tavo/window/output_check.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>

#include "tavo/backends/backends.h"
#include "tavo/backends/output_claim.h"
#include "tavo/window/outputs_model.h"

namespace tavo {
namespace {

// Each line is lit this long: the whole light runs two seconds an output.
constexpr auto kStep = std::chrono::milliseconds(250);

// What the back ends tell the user during a check: their caption notes. Never destroyed: a
// device's writer thread stalled past the end of a check may still report here.
class CCheckReporter final : public CReporter {
public:
    void TraceNote(std::string_view) override {}
    void PortNote(std::uint32_t, std::wstring note) override {
        const std::lock_guard lock(m_mutex);
        if (note.empty())
            m_notes.clear();
        else
            Add(m_notes, std::move(note));
    }
    // A note cleared does not take a failure with it.
    void Failure(std::wstring_view what) override {
        const std::lock_guard lock(m_mutex);
        Add(m_failures, std::wstring(what));
    }
    // The notes standing and the failures met since the last call.
    std::vector<std::wstring> Take() {
        const std::lock_guard lock(m_mutex);
        auto all = std::exchange(m_failures, {});
        for (auto& note : std::exchange(m_notes, {}))
            Add(all, std::move(note));
        return all;
    }

private:
    static void Add(std::vector<std::wstring>& list, std::wstring text) {
        if (std::ranges::find(list, text) == list.end()) list.push_back(std::move(text));
    }

    std::mutex m_mutex;
    std::vector<std::wstring> m_notes;
    std::vector<std::wstring> m_failures;
};

CCheckReporter& Reporter() {
    static auto* const reporter = new CCheckReporter;
    return *reporter;
}

// The port the user chose, else the first there is, as a session addresses it among the
// ports of the setting, else those the hardware reports: a network output's universe and
// the helper's port follow its LPT number.
PortRef CheckedPort(CBackend& backend, CSettings& settings, std::uint32_t chosen) {
    const auto ports =
        (settings.Lpt() ? settings.Lpt() : backend.ReportedPorts()).value_or(kDefaultLpt);
    for (const auto address : ports)
        if (!chosen) chosen = address;
    if (!chosen) chosen = kDefaultLpt[0];
    return {1, chosen, LptIndex(ports, chosen)};
}

// Waits one step; false when asked to stop.
bool Pause(const std::stop_token& stop) {
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    return !wake.wait_for(lock, stop, kStep, [] { return false; }) && !stop.stop_requested();
}

} // namespace

COutputCheck::COutputCheck(HWND window, UINT message, std::string text, CSettings::EnvLookup env,
                           std::vector<CheckItem> items, HMODULE self, std::uint32_t port)
    : m_window(window), m_message(message), m_text(std::move(text)), m_env(std::move(env)),
      m_items(std::move(items)), m_self(self), m_port(port),
      m_thread([this](std::stop_token stop) { Run(stop); }) {}

std::map<std::size_t, std::wstring> COutputCheck::Results() const {
    const std::lock_guard lock(m_mutex);
    return m_results;
}

bool COutputCheck::Done() const {
    const std::lock_guard lock(m_mutex);
    return m_done;
}

void COutputCheck::Report(std::size_t row, std::wstring result, bool done) {
    {
        const std::lock_guard lock(m_mutex);
        if (!result.empty()) m_results[row] = std::move(result);
        m_done = done;
    }
    PostMessageW(m_window, m_message, 0, 0);
}

void COutputCheck::Run(const std::stop_token& stop) {
    try {
        for (const auto& item : m_items) {
            if (stop.stop_requested()) break;
            Report(item.row, L"проверяется…");
            Report(item.row, Check(item.kind, stop));
        }
    } catch (...) {
        // Out of memory at worst: the results so far stand.
    }
    Report(0, {}, true);
}

std::wstring COutputCheck::Check(BackendKind kind, const std::stop_token& stop) {
    CSettings settings(m_env, m_text);
    const auto claimName = OutputClaimName(kind, settings);
    constexpr auto kBusy = L"занят показом: нажмите «Стоп»";
    // Held until the output is closed: a Start waits for it, the run then follows the
    // check's last all-off rather than being switched off by it.
    const CCheckClaim claim(claimName);
    if (!claim.Held()) return L"проверяется в другом окне";
    if (OutputClaimed(claimName)) return kBusy;
    auto& reporter = Reporter();
    reporter.Take();
    std::wstring why;
    auto backend = MakeBackend(kind, settings, reporter, m_self, why);
    if (!backend) return why.empty() ? L"не работает" : why;
    const PortRef port = CheckedPort(*backend, settings, m_port);
    backend->Open(port);
    bool started = false; // a Start came meanwhile: it waits for this check to let go
    for (int line = 0; line < 8 && !started; ++line) {
        backend->Write(port, std::uint8_t(1 << line));
        if (!Pause(stop)) break;
        started = OutputClaimed(claimName);
    }
    backend->Write(port, 0);
    backend->Close(port);
    backend.reset();
    if (started) return L"прервана пуском";
    std::wstring notes;
    for (const auto& note : reporter.Take())
        notes += (notes.empty() ? L"" : L", ") + note;
    return notes.empty() ? L"работает" : notes;
}

} // namespace tavo
