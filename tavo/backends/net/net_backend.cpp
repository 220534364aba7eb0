// The network lighting back ends: every W_P becomes one E1.31 or Art-Net datagram, sent
// on a non-blocking UDP socket; a thread of the library repeats the last frame of each
// open port, since receivers drop a source that falls silent.
#include "tavo/backends/net/winsock_api.h"

#include <bcrypt.h>

#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>

#include "tavo/backends/backends.h"
#include "tavo/backends/net/dmx_streams.h"
#include "tavo/settings/file_handle.h"

namespace tavo {
namespace {

constexpr DWORD kRepeatEveryMs = 800;
constexpr wchar_t kCidKey[] = L"Software\\tavo";
constexpr wchar_t kCidValue[] = L"CID";

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using CRegKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// Only the first run of an installation needs it.
struct BcryptApi {
    static constexpr char kDll[] = "bcrypt.dll";
    decltype(&::BCryptGenRandom) BCryptGenRandom;
    bool Bind(CSystemExports& dll) { return dll.Find("BCryptGenRandom", BCryptGenRandom); }
};

// The source id of this installation, made at the first use and kept in the registry,
// so receivers see one source across runs. nullopt when no random bytes can be had.
std::optional<Cid> InstallationCid(CReporter& reporter) {
    HKEY opened = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kCidKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                    nullptr, &opened, nullptr);
    const CRegKey key(opened);
    Cid cid{};
    DWORD type = 0;
    DWORD size = sizeof cid;
    if (key &&
        RegQueryValueExW(key.get(), kCidValue, nullptr, &type, cid.data(), &size) ==
            ERROR_SUCCESS &&
        type == REG_BINARY && size == sizeof cid)
        return cid;
    const auto* bcrypt = SystemApi<BcryptApi>(reporter, "net");
    if (!bcrypt || !BCRYPT_SUCCESS(bcrypt->BCryptGenRandom(nullptr, cid.data(), ULONG(cid.size()),
                                                           BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return std::nullopt;
    cid = MakeCid(cid);
    if (key) RegSetValueExW(key.get(), kCidValue, 0, REG_BINARY, cid.data(), DWORD(cid.size()));
    return cid;
}

// Owns one UDP socket that never waits on a send.
class CUdpSocket {
public:
    explicit CUdpSocket(const WinsockApi& ws)
        : m_ws(ws), m_socket(ws.socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)) {
        u_long nonBlocking = 1;
        if (IsOpen() && m_ws.ioctlsocket(m_socket, FIONBIO, &nonBlocking) != 0) Reset();
    }
    ~CUdpSocket() { Reset(); }
    CUdpSocket(const CUdpSocket&) = delete;
    CUdpSocket& operator=(const CUdpSocket&) = delete;

    bool IsOpen() const { return m_socket != INVALID_SOCKET; }

    template <typename T> void Option(int level, int name, T value) {
        m_ws.setsockopt(m_socket, level, name, reinterpret_cast<const char*>(&value), sizeof value);
    }

    // 0, or the Winsock error.
    int Send(const Datagram& datagram) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = m_ws.htonl(datagram.address);
        to.sin_port = m_ws.htons(datagram.port);
        const int sent =
            m_ws.sendto(m_socket, reinterpret_cast<const char*>(datagram.bytes.data()),
                        int(datagram.bytes.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        return sent == SOCKET_ERROR ? m_ws.WSAGetLastError() : 0;
    }

private:
    void Reset() {
        if (IsOpen()) m_ws.closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }
    const WinsockApi& m_ws;
    SOCKET m_socket;
};

// Send failures for the trace: the first of a run of them once, and when sending works
// again how many failed meanwhile, so a network that is down cannot flood the trace.
// The socket outlives the network going down: sends go on and resume with it.
class CSendErrors {
public:
    std::optional<std::string> Failed(int error) {
        if (m_failed++) return std::nullopt;
        return "net: send failed, error " + std::to_string(error) +
               "; sending goes on, the trace says when it works again";
    }
    std::optional<std::string> Succeeded() {
        if (!m_failed) return std::nullopt;
        return "net: sending again after " + std::to_string(std::exchange(m_failed, 0)) +
               " failed sends";
    }

private:
    unsigned m_failed = 0;
};

class CNetBackend final : public CBackend {
public:
    CNetBackend(const WinsockApi& ws, const NetConfig& config, const Cid& cid, CReporter& reporter)
        : m_reporter(reporter), m_socket(ws), m_streams(config, cid) {}
    // Let go after the last ClosePrt, outside the loader lock: the keep-alive thread has
    // no port left and ends at once; it uses this object until then.
    ~CNetBackend() override {
        SetEvent(m_wake.get());
        if (m_thread) WaitForSingleObject(m_thread.get(), INFINITE);
    }

    bool Ready() const { return m_socket.IsOpen() && m_wake; }

    void SetSocketOptions(bool e131) {
        if (e131) {
            // One hop: lighting networks are one segment; loopback on for a local viewer.
            m_socket.Option(IPPROTO_IP, IP_MULTICAST_TTL, DWORD(1));
            m_socket.Option(IPPROTO_IP, IP_MULTICAST_LOOP, DWORD(1));
        } else {
            m_socket.Option(SOL_SOCKET, SO_BROADCAST, BOOL(TRUE));
        }
    }

    bool DrivesHardware() const override { return true; }

    void Open(const PortRef& port) override {
        std::unique_lock lock(m_mutex);
        const auto opened = m_streams.Open(port.handle, port.lpt);
        if (opened != CDmxStreams::OpenResult::Opened) {
            lock.unlock();
            const bool inUse = opened == CDmxStreams::OpenResult::UniverseInUse;
            const auto name = port.lpt >= 0 ? "LPT" + std::to_string(port.lpt + 1)
                                            : "port " + std::to_string(port.address);
            m_reporter.TraceNote("net: " + name +
                                 (inUse ? " shares its universe with another open port"
                                        : " is past the last universe") +
                                 ": it sends nothing");
            m_reporter.PortNote(port.address, inUse ? L"вселенная занята" : L"нет вселенной");
            return;
        }
        if (!m_threadRunning) StartThread();
    }

    void Write(const PortRef& port, std::uint8_t value) override {
        std::unique_lock lock(m_mutex);
        SendAll(lock, m_streams.Write(port.handle, value));
    }

    void Close(const PortRef& port) override {
        std::unique_lock lock(m_mutex);
        auto last = m_streams.Close(port.handle);
        if (m_streams.Empty()) SetEvent(m_wake.get());
        SendAll(lock, std::move(last));
    }

private:
    // Sends in the order the sequence numbers were given (under the lock, so the
    // keep-alive thread cannot slip in between), then reports without the lock.
    void SendAll(std::unique_lock<std::mutex>& lock, std::vector<Datagram> datagrams) {
        std::optional<std::string> note;
        int failed = 0;
        for (const auto& datagram : datagrams) {
            const int error = m_socket.Send(datagram);
            auto change = error ? m_errors.Failed(error) : m_errors.Succeeded();
            if (change) note = std::move(change);
            if (error) failed = error;
        }
        lock.unlock();
        if (note) m_reporter.TraceNote(*note);
        if (failed) m_reporter.Failure(L"пакеты не отправлены, ошибка " + std::to_wstring(failed));
    }

    // Called with the lock held. The thread holds its own reference to the library, so
    // the program may free it at any time; it ends when the last port closes.
    void StartThread() {
        HMODULE module = nullptr;
        if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                reinterpret_cast<LPCWSTR>(&KeepAliveMain), &module)) {
            m_reporter.TraceNote("net: no keep-alive thread: module not found");
            return;
        }
        // One that has ended: it set m_threadRunning under this lock and is on its way out.
        if (m_thread) WaitForSingleObject(m_thread.get(), INFINITE);
        m_module = module;
        m_thread.reset(CreateThread(nullptr, 0, &KeepAliveMain, this, 0, nullptr));
        if (!m_thread) {
            FreeLibrary(module);
            m_reporter.TraceNote("net: no keep-alive thread: error " +
                                 std::to_string(GetLastError()));
            return;
        }
        m_threadRunning = true;
    }

    static DWORD WINAPI KeepAliveMain(void* param) {
        auto& self = *static_cast<CNetBackend*>(param);
        const HMODULE module = self.m_module;
        try {
            self.KeepAlive();
        } catch (...) {
            // Out of memory at worst: let the next OpenPrt start a thread again.
            const std::lock_guard lock(self.m_mutex);
            self.m_threadRunning = false;
        }
        FreeLibraryAndExitThread(module, 0);
    }

    void KeepAlive() {
        for (;;) {
            WaitForSingleObject(m_wake.get(), kRepeatEveryMs); // woken early by the last close
            std::unique_lock lock(m_mutex);
            if (m_streams.Empty()) {
                m_threadRunning = false;
                return;
            }
            SendAll(lock, m_streams.Repeat());
        }
    }

    CReporter& m_reporter;
    CUdpSocket m_socket;
    const CFileHandle m_wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::mutex m_mutex; // guards everything below
    CDmxStreams m_streams;
    CSendErrors m_errors;
    bool m_threadRunning = false;
    HMODULE m_module = nullptr;
    CFileHandle m_thread;
};

} // namespace

std::unique_ptr<CBackend> MakeNetBackend(BackendKind kind, CSettings& settings, CReporter& reporter,
                                         std::wstring& why) {
    const auto config = ReadNetConfig(kind, settings);
    if (!config) {
        why = L"ошибка настройки сети";
        return nullptr;
    }
    why = L"сеть недоступна"; // for each failure below
    const auto* ws = StartWinsock(reporter, "net");
    if (!ws) return nullptr;
    const auto cid = InstallationCid(reporter);
    if (!cid) {
        reporter.TraceNote("net: no random source for the source id");
        return nullptr;
    }
    auto backend = std::make_unique<CNetBackend>(*ws, *config, *cid, reporter);
    if (!backend->Ready()) {
        reporter.TraceNote("net: no UDP socket, error " + std::to_string(ws->WSAGetLastError()));
        return nullptr;
    }
    backend->SetSocketOptions(config->e131);
    reporter.TraceNote("net: " + config->Describe());
    return backend;
}

} // namespace tavo
