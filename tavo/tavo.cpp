// tavo.dll: the four exports, and the library's load-time set-up.
#include "tavo.h"

#include <windows.h>

#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

#include "backends.h"
#include "config_source.h"
#include "lamp_panels.h"
#include "port_table.h"
#include "trace_format.h"
#include "trace_log.h"

namespace tavo {
namespace {

std::wstring Widen(std::string_view text) {
    return std::wstring(text.begin(), text.end());
}

// Everything one load of the library knows. The settings are read at load, so a reload
// reads them afresh; the back end is chosen at the first call, outside the loader lock,
// since it may load a driver library.
class CLibrary final : public CReporter {
public:
    explicit CLibrary(HMODULE self)
        : m_self(self), m_settings(LoadSettings(self)),
          m_trace(ReadEnvironment(L"TAVO_TRACE").value_or(L"")), m_lamps(self) {}

    unsigned char CountLPT(std::uint32_t* lpt1, std::uint32_t* lpt2, std::uint32_t* lpt3) {
        const std::lock_guard lock(m_mutex);
        Settle();
        std::uint32_t* const out[] = {lpt1, lpt2, lpt3};
        for (std::size_t i = 0; i < m_ports.size(); ++i)
            if (out[i]) *out[i] = m_ports[i];
        const auto count = CountPresent(m_ports);
        Trace("CountLPT", {}, {count, m_ports[0], m_ports[1], m_ports[2]});
        return count;
    }

    std::uint32_t OpenPrt(std::uint32_t address, std::uint32_t arg2, std::uint32_t arg3) {
        const std::lock_guard lock(m_mutex);
        Settle();
        const auto handle = m_table.Open(address);
        Trace("OpenPrt", {address, arg2, arg3}, {handle});
        m_backend->Open(Port(handle, address));
        if (m_lampsOn) m_lamps.Show(address, Caption(address));
        return handle;
    }

    void W_P(std::uint32_t handle, std::uint32_t value, std::uint32_t arg3) {
        const std::lock_guard lock(m_mutex);
        Trace("W_P", {handle, value, arg3});
        const auto address = m_table.Address(handle);
        if (!address || !m_table.Write(handle, value)) return;
        const auto data = static_cast<std::uint8_t>(value & 0xFF);
        m_backend->Write(Port(handle, *address), data);
        if (m_lampsOn) m_lamps.Set(*address, data);
    }

    void ClosePrt(std::uint32_t handle) {
        const std::lock_guard lock(m_mutex);
        Trace("ClosePrt", {handle});
        const auto address = m_table.Address(handle);
        if (!address) return;
        m_backend->Close(Port(handle, *address));
        m_table.Close(handle);
    }

    // The process is ending and the library's threads are gone already.
    void Abandon() { m_lamps.Abandon(); }

    void TraceNote(std::string_view text) override {
        if (m_trace.IsOn()) m_trace.Write(FormatTraceNote(m_clock.Micros(), text));
    }

    void PortNote(std::uint32_t address, std::wstring note) override {
        if (m_lampsOn) m_lamps.Note(address, note);
    }

private:
    // The back end, the ports and the lamps, once, at the first call.
    void Settle() {
        if (m_backend) return;
        auto lpt = m_settings.Lpt();
        auto chosen = ChooseBackend(m_settings, *this, m_self);
        m_backend = std::move(chosen.backend);
        m_fallbackNote = std::move(chosen.fallbackNote);
        if (!lpt) lpt = m_backend->ReportedPorts();
        m_ports = lpt.value_or(kDefaultLpt);
        m_lampsOn = m_settings.Lamps().value_or(!m_backend->DrivesHardware());
        for (const auto& note : m_settings.Notes())
            TraceNote(note);
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
    CSettings m_settings;
    const CTraceLog m_trace;
    std::unique_ptr<CBackend> m_backend;
    std::wstring m_fallbackNote;
    LptAddresses m_ports{};
    bool m_lampsOn = false;
    CPortTable m_table;
    CLampPanels m_lamps;
    std::mutex m_mutex;
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
