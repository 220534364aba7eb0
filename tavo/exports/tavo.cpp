// tavo.dll: the four exports of the port, the fifth that shows the window "Выходы", and
// the library's load-time set-up.
#include "tavo/exports/tavo.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <type_traits>
#include <utility>

#include "tavo/backends/backends.h"
#include "tavo/backends/board_probe.h"
#include "tavo/settings/config_source.h"
#include "tavo/lamps/lamp_panels.h"
#include "tavo/exports/outputs_thread.h"
#include "tavo/exports/port_table.h"
#include "tavo/settings/trace_format.h"
#include "tavo/settings/trace_log.h"
#include "tavo/window/outputs_window.h"

namespace tavo {
namespace {

std::wstring Widen(std::string_view text) {
    return std::wstring(text.begin(), text.end());
}

// Everything one load of the library knows. The environment is taken at load; tavo.ini is
// read as each session of ports begins (the first OpenPrt after the last ClosePrt, or a
// CountLPT), so a change saved meanwhile drives the next Start. The back ends are chosen
// then too, outside the loader lock, since they may load a driver library.
//
// A back end lives while a port is open (or for the length of a CountLPT) and goes with
// the last ClosePrt: what it holds (a driver library, sockets, a thread) is let go by an
// export call, never under the loader lock at the unload, where FreeLibrary and
// closesocket are unsafe. The next session chooses the back ends afresh.
class CLibrary final : public CReporter {
public:
    explicit CLibrary(HMODULE self)
        : m_self(self), m_env(SnapshotEnvironment()),
          m_trace(ReadEnvironment(L"TAVO_TRACE").value_or(L"")),
          m_lamps(self, &OpenOutputsWindowAside) {}

    unsigned char CountLPT(std::uint32_t* lpt1, std::uint32_t* lpt2, std::uint32_t* lpt3) {
        const std::lock_guard lock(m_mutex);
        Settle();
        std::uint32_t* const out[] = {lpt1, lpt2, lpt3};
        for (std::size_t i = 0; i < m_ports.size(); ++i)
            if (out[i]) *out[i] = m_ports[i];
        const auto count = CountPresent(m_ports);
        Trace("CountLPT", {}, {count, m_ports[0], m_ports[1], m_ports[2]});
        m_told = m_ports;
        ReleaseWhenIdle();
        return count;
    }

    std::uint32_t OpenPrt(std::uint32_t address, std::uint32_t arg2, std::uint32_t arg3) {
        const std::lock_guard lock(m_mutex);
        Settle();
        const auto port = Meant(address);
        const auto handle = m_table.Open(port);
        Trace("OpenPrt", {address, arg2, arg3}, {handle});
        m_backend->Open(Port(handle, port));
        if (!ShowNotedPorts() && m_lampsOn) {
            m_lamps.Show(port, Caption(port));
            ProbeOnce();
        }
        return handle;
    }

    void W_P(std::uint32_t handle, std::uint32_t value, std::uint32_t arg3) {
        const std::lock_guard lock(m_mutex);
        Trace("W_P", {handle, value, arg3});
        const auto address = m_table.Address(handle);
        if (!address || !m_table.Write(handle, value)) return;
        const auto data = static_cast<std::uint8_t>(value & 0xFF);
        m_backend->Write(Port(handle, *address), data);
        ShowNotedPorts();
        // Also with the lamps off: a panel still on screen from before a change of the
        // settings follows its port rather than stand still.
        m_lamps.Set(*address, data);
    }

    void ClosePrt(std::uint32_t handle) {
        const std::lock_guard lock(m_mutex);
        Trace("ClosePrt", {handle});
        const auto address = m_table.Address(handle);
        if (!address) return;
        m_backend->Close(Port(handle, *address));
        m_table.Close(handle);
        ReleaseWhenIdle();
    }

    // Freed with a port still open: the back end is left as it is, since letting it go
    // here would run inside the loader lock. The process's end takes what it holds.
    void ForgetBackend() { (void)m_backend.release(); }
    // The process is ending and the library's threads are gone already.
    void Abandon() { m_lamps.Abandon(); }

    void TraceNote(std::string_view text) override {
        if (m_trace.IsOn()) m_trace.Write(FormatTraceNote(m_clock.Micros(), text));
    }

    void PortNote(std::uint32_t address, std::wstring note) override {
        SourceNote(kLibraryNotes, address, std::move(note));
    }
    // With the lock held, as the back ends are chosen; the notes go under the kind's number.
    CReporter& Of(BackendKind kind) override {
        return m_backendReporters.try_emplace(kind, *this, int(kind)).first->second;
    }

private:
    // Posts its back end's port notes under the back end's own name.
    class CBackendReporter final : public CReporter {
    public:
        CBackendReporter(CLibrary& library, int kind) : m_library(library), m_kind(kind) {}
        void TraceNote(std::string_view text) override { m_library.TraceNote(text); }
        void PortNote(std::uint32_t address, std::wstring note) override {
            m_library.SourceNote(m_kind, address, std::move(note));
        }

    private:
        CLibrary& m_library;
        const int m_kind;
    };
    static constexpr int kLibraryNotes = -1;

    // Kept even while the lamps are off: a note is news of a failure, which turns them on.
    void SourceNote(int source, std::uint32_t address, std::wstring note) {
        if (!note.empty()) m_noteRaised = true;
        m_lamps.Note(source, address, note);
    }

    // The settings, the back ends, and the ports while they are unknown, as a session begins.
    void Settle() {
        if (m_backend) return;
        // What the last session's back ends said of the ports ended with them.
        for (auto& [kind, reporter] : m_backendReporters)
            reporter.PortNote(0, L"");
        ReadSettings();
        auto chosen = ChooseBackend(m_kinds, m_settings, *this, m_self);
        m_backend = std::move(chosen.backend);
        m_fallbackNote = std::move(chosen.fallbackNote);
        for (const auto& note : m_settings.TakeNotes())
            TraceNote(note);
        AskPorts();
        // A failure shows the lamps whatever the settings say: without them a run that
        // drives nothing looks like one that works.
        const bool failed = !m_fallbackNote.empty() || m_noteRaised.exchange(false);
        m_lampsOn = m_lampsOn || failed || m_lampsSetting.value_or(!m_backend->DrivesHardware());
        m_noOutput = !failed && !m_backend->DrivesHardware() &&
                     std::ranges::all_of(m_kinds, [](BackendKind kind) {
                         return kind == BackendKind::Auto || kind == BackendKind::Virtual;
                     });
        if (!m_noOutput) m_lamps.ClearHint();
    }

    // Unchanged settings keep what was made of them, and their notes are not traced again.
    // Changed ones count as if the library had just been loaded with them.
    void ReadSettings() {
        auto read = LoadSettings(m_self, m_env);
        if (m_read && read == *m_read) return;
        if (m_read) TraceNote("settings changed: read again");
        m_read = read;
        m_settings = std::move(read);
        m_kinds = m_settings.Backends();
        m_lampsSetting = m_settings.Lamps();
        m_lptSetting = m_settings.Lpt();
        m_ports = m_lptSetting.value_or(kDefaultLpt);
        m_portsKnown = false;
        m_lampsOn = false;
    }

    // Until the hardware has told its addresses they are asked at every session, so a
    // helper that was slow at start-up is heard later. The program keeps what CountLPT
    // told it; the answer names the ports in the captions and picks their universes.
    void AskPorts() {
        if (!m_lptSetting && !m_portsKnown) {
            if (const auto ports = m_backend->ReportedPorts()) {
                m_ports = *ports;
                m_portsKnown = true;
            }
        }
        if (m_ports == m_seenPorts) return;
        m_seenPorts = m_ports;
        m_mappedNoted.clear();
        if (m_told && m_ports != *m_told)
            TraceNote("ports known only now: lpt = " + LptListText(m_ports) + "; CountLPT told " +
                      LptListText(*m_told));
    }

    // The program keeps the addresses CountLPT told it. When the ports are others now (a
    // helper that had not answered yet, changed settings), the port it picks is the same
    // LPT of the ports known now: LPT1 told as 378 drives the helper's LPT1 at 3bc instead
    // of being turned away as another port on every Start until the program is restarted.
    std::uint32_t Meant(std::uint32_t address) {
        if (!m_told || *m_told == m_ports) return address;
        const int lpt = LptIndex(*m_told, address);
        if (lpt < 0 || m_ports[lpt] == 0 || m_ports[lpt] == address) return address;
        if (m_mappedNoted.insert(address).second)
            TraceNote(PortName(*m_told, address) + " as CountLPT told it drives " +
                      PortName(m_ports, m_ports[lpt]));
        return m_ports[lpt];
    }

    // The lamps show for want of a real output: when a board the library knows is plugged
    // in, the panel says so, once a load. The panel thread looks, after the panel shows.
    void ProbeOnce() {
        if (!m_noOutput || m_probed) return;
        m_probed = true;
        m_lamps.Probe([this] { return BoardHint(); });
    }

    std::wstring BoardHint() {
        const auto board = FindKnownBoard(*this);
        if (!board) return {};
        TraceNote("found " + board->description +
                  ", not driven until chosen in the outputs window");
        return L"есть " + board->shortName + L": «Выходы…»";
    }

    void ReleaseWhenIdle() {
        if (m_table.OpenCount() == 0) m_backend.reset();
    }

    // After a back end's note: every open port shows its lamps. True when it did.
    bool ShowNotedPorts() {
        if (!m_noteRaised.exchange(false)) return false;
        m_lampsOn = true;
        for (const auto address : m_table.Addresses())
            m_lamps.Show(address, Caption(address));
        return true;
    }

    PortRef Port(std::uint32_t handle, std::uint32_t address) const {
        return {handle, address, LptIndex(m_ports, address)};
    }

    std::wstring Caption(std::uint32_t address) const {
        auto caption = Widen(PortName(m_ports, address));
        if (!m_fallbackNote.empty()) caption += L" (" + m_fallbackNote + L")";
        return caption;
    }

    void Trace(std::string_view call, std::initializer_list<std::uint64_t> args,
               std::initializer_list<std::uint64_t> results = {}) const {
        if (!m_trace.IsOn()) return;
        m_trace.Write(FormatTraceLine(m_clock.Micros(), call, {args.begin(), args.size()},
                                      {results.begin(), results.size()}));
    }

    const HMODULE m_self;
    const CClock m_clock;
    const CSettings::EnvLookup m_env; // as at load
    const CTraceLog m_trace;
    std::optional<CSettings> m_read; // as last read, before anything was noted
    CSettings m_settings;
    std::vector<BackendKind> m_kinds;
    std::optional<bool> m_lampsSetting;
    std::optional<LptAddresses> m_lptSetting;
    LptAddresses m_ports = kDefaultLpt;
    LptAddresses m_seenPorts = kDefaultLpt; // at the last session
    std::set<std::uint32_t> m_mappedNoted;  // addresses Meant has noted for those ports
    bool m_portsKnown = false;              // from the hardware
    std::optional<LptAddresses> m_told;     // what CountLPT answered last
    std::unique_ptr<CBackend> m_backend;
    std::wstring m_fallbackNote;
    bool m_lampsOn = false;
    bool m_noOutput = false; // nothing real is chosen, and nothing failed
    bool m_probed = false;
    std::atomic<bool> m_noteRaised{false};
    CPortTable m_table;
    CLampPanels m_lamps;
    std::mutex m_mutex;
    std::map<BackendKind, CBackendReporter> m_backendReporters; // as the back ends are chosen
};

// Made at DLL_PROCESS_ATTACH; freed at an unload, forgotten at process exit (see DllMain).
std::unique_ptr<CLibrary> g_library;

// Runs one export; nothing may unwind into the caller, which need not be C++. After a
// failure the result is 0.
template <typename Call> auto Guarded(Call call) noexcept {
    using Result = decltype(call(std::declval<CLibrary&>()));
    try {
        if (g_library) return call(*g_library);
    } catch (...) {
    }
    if constexpr (!std::is_void_v<Result>) return Result{};
}

} // namespace
} // namespace tavo

using tavo::CLibrary;
using tavo::Guarded;

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    try {
        if (reason == DLL_PROCESS_ATTACH) {
            tavo::g_library = std::make_unique<CLibrary>(self);
        } else if (reason == DLL_PROCESS_DETACH && tavo::g_library) {
            // At process exit the library's threads were killed wherever they stood:
            // waiting for them or freeing what they used could hang, so leave it all.
            if (reserved) {
                tavo::g_library->Abandon();
                (void)tavo::g_library.release();
            }
            if (tavo::g_library) tavo::g_library->ForgetBackend();
            tavo::g_library.reset();
        }
        return TRUE;
    } catch (...) {
        return reason == DLL_PROCESS_ATTACH ? FALSE : TRUE;
    }
}

unsigned char CountLPT(std::uint32_t* lpt1, std::uint32_t* lpt2, std::uint32_t* lpt3) {
    return Guarded([&](CLibrary& lib) { return lib.CountLPT(lpt1, lpt2, lpt3); });
}

std::uint32_t OpenPrt(std::uint32_t address, std::uint32_t arg2, std::uint32_t arg3) {
    return Guarded([&](CLibrary& lib) { return lib.OpenPrt(address, arg2, arg3); });
}

void W_P(std::uint32_t handle, std::uint32_t value, std::uint32_t arg3) {
    Guarded([&](CLibrary& lib) { lib.W_P(handle, value, arg3); });
}

void ClosePrt(std::uint32_t handle) {
    Guarded([&](CLibrary& lib) { lib.ClosePrt(handle); });
}

int __stdcall ShowOutputs(HWND owner) {
    try {
        return tavo::ShowOutputsWindow(owner) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
