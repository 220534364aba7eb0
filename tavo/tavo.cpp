// tavo.dll: the four exports over virtual ports, and the library's load-time set-up.
#include "tavo.h"

#include <windows.h>

#include <initializer_list>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

#include "config_source.h"
#include "port_table.h"
#include "trace_format.h"
#include "trace_log.h"

namespace tavo {
namespace {

// Everything one load of the library knows; made at DLL_PROCESS_ATTACH, so a reload
// reads the configuration afresh.
class CLibrary {
public:
    explicit CLibrary(HMODULE self)
        : m_ports(LoadLptConfig(self)), m_trace(ReadEnvironment(L"TAVO_TRACE").value_or(L"")) {}

    unsigned char CountLPT(std::uint32_t* lpt1, std::uint32_t* lpt2, std::uint32_t* lpt3) {
        const std::lock_guard lock(m_mutex);
        std::uint32_t* const out[] = {lpt1, lpt2, lpt3};
        for (std::size_t i = 0; i < m_ports.size(); ++i)
            if (out[i]) *out[i] = m_ports[i];
        const auto count = CountPresent(m_ports);
        Trace("CountLPT", {}, {count, m_ports[0], m_ports[1], m_ports[2]});
        return count;
    }

    std::uint32_t OpenPrt(std::uint32_t address, std::uint32_t arg2, std::uint32_t arg3) {
        const std::lock_guard lock(m_mutex);
        const auto handle = m_table.Open(address);
        Trace("OpenPrt", {address, arg2, arg3}, {handle});
        return handle;
    }

    void W_P(std::uint32_t handle, std::uint32_t value, std::uint32_t arg3) {
        const std::lock_guard lock(m_mutex);
        m_table.Write(handle, value);
        Trace("W_P", {handle, value, arg3});
    }

    void ClosePrt(std::uint32_t handle) {
        const std::lock_guard lock(m_mutex);
        m_table.Close(handle);
        Trace("ClosePrt", {handle});
    }

private:
    void Trace(std::string_view call, std::initializer_list<std::uint64_t> args,
               std::initializer_list<std::uint64_t> results = {}) const {
        if (!m_trace.IsOn()) return;
        m_trace.Write(FormatTraceLine(m_clock.Micros(), call, {args.begin(), args.size()},
                                      {results.begin(), results.size()}));
    }

    const CClock m_clock;
    const LptAddresses m_ports;
    const CTraceLog m_trace;
    CPortTable m_table;
    std::mutex m_mutex;
};

std::optional<CLibrary> g_library;

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

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID /*reserved*/) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    try {
        tavo::g_library.emplace(self);
        return TRUE;
    } catch (...) {
        return FALSE;
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
