// The bridge: the real ports of a Linux machine, driven by kiv-parport (parport/) over
// 127.0.0.1. Under Wine a Windows library reaches no port; the helper owns the device and
// we send it one byte per W_P without ever waiting for it, so a helper that stalls or
// goes can cost the lines but never hang the program.
#include "tavo/backends/winsock_api.h"

#include <map>
#include <span>
#include <utility>

#include "tavo/backends/backends.h"
#include "tavo/backends/found_outputs.h"
#include "tavo/settings/config_source.h"
#include "parport/wire_format.h"

namespace tavo {
namespace {

// CountLPT and OpenPrt wait this long at most for the helper; W_P never waits.
constexpr DWORD kConnectMs = 500;
constexpr DWORD kAnswerMs = 1000;

constexpr wchar_t kNoHelper[] = L"нет связи с kiv-parport";

// select() takes microseconds below one second: 1000 ms is {1, 0}, not {0, 1000000}.
timeval Timeval(ULONGLONG ms) {
    return {long(ms / 1000), long(ms % 1000) * 1000};
}

// One non-blocking TCP connection to the helper, without Nagle's delay.
class CTcpLink {
public:
    explicit CTcpLink(const WinsockApi& ws) : m_ws(&ws) {}
    ~CTcpLink() { Reset(); }
    CTcpLink(CTcpLink&& other) noexcept
        : m_ws(other.m_ws), m_socket(std::exchange(other.m_socket, INVALID_SOCKET)) {}
    CTcpLink& operator=(CTcpLink&& other) noexcept {
        if (this != &other) {
            Reset();
            m_ws = other.m_ws;
            m_socket = std::exchange(other.m_socket, INVALID_SOCKET);
        }
        return *this;
    }
    CTcpLink(const CTcpLink&) = delete;
    CTcpLink& operator=(const CTcpLink&) = delete;

    // Empty when connected within kConnectMs, else why not.
    std::string Connect(const sockaddr_in& to) {
        Reset();
        m_socket = m_ws->socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        u_long nonBlocking = 1;
        const BOOL noDelay = TRUE;
        if (m_socket == INVALID_SOCKET || m_ws->ioctlsocket(m_socket, FIONBIO, &nonBlocking) != 0 ||
            m_ws->setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY,
                             reinterpret_cast<const char*>(&noDelay), sizeof noDelay) != 0)
            return Failure("no socket");
        if (m_ws->connect(m_socket, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0)
            return {};
        if (m_ws->WSAGetLastError() != WSAEWOULDBLOCK) return Failure("connect failed");
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(m_socket, &writable);
        FD_SET(m_socket, &failed);
        timeval wait = Timeval(kConnectMs);
        if (m_ws->select(0, nullptr, &writable, &failed, &wait) <= 0) return "connect timed out";
        int error = 0;
        int size = sizeof error;
        m_ws->getsockopt(m_socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
        // The set held this socket alone: select left it there only if it is writable.
        if (error != 0 || writable.fd_count == 0)
            return "connect failed, error " + std::to_string(error);
        return {};
    }

    // Hands all of `bytes` to the system at once, or fails: 0, or the Winsock error
    // (WSAEWOULDBLOCK when the helper has stopped reading).
    int Send(std::span<const std::uint8_t> bytes) {
        const int sent =
            m_ws->send(m_socket, reinterpret_cast<const char*>(bytes.data()), int(bytes.size()), 0);
        if (sent == int(bytes.size())) return 0;
        return sent == SOCKET_ERROR ? m_ws->WSAGetLastError() : WSAEWOULDBLOCK;
    }

    // Exactly `out.size()` bytes within kAnswerMs.
    bool Receive(std::span<std::uint8_t> out) {
        const ULONGLONG deadline = GetTickCount64() + kAnswerMs;
        while (!out.empty()) {
            const ULONGLONG now = GetTickCount64();
            if (now >= deadline) return false;
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(m_socket, &readable);
            timeval wait = Timeval(deadline - now);
            if (m_ws->select(0, &readable, nullptr, nullptr, &wait) <= 0) return false;
            const int got =
                m_ws->recv(m_socket, reinterpret_cast<char*>(out.data()), int(out.size()), 0);
            if (got <= 0) return false;
            out = out.subspan(std::size_t(got));
        }
        return true;
    }

private:
    void Reset() {
        if (m_socket != INVALID_SOCKET) m_ws->closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }
    std::string Failure(const char* what) const {
        return std::string(what) + ", error " + std::to_string(m_ws->WSAGetLastError());
    }
    const WinsockApi* m_ws;
    SOCKET m_socket = INVALID_SOCKET;
};

// What the caption says when the helper turns us away.
const wchar_t* RefusalNote(kivwire::Status status) {
    switch (status) {
    case kivwire::Status::Busy:
        return L"kiv-parport занят";
    case kivwire::Status::WrongPort:
        return L"kiv-parport ведёт другой порт";
    case kivwire::Status::NoDevice:
        return L"kiv-parport: порт занят системой";
    case kivwire::Status::PrinterDriver:
        return L"kiv-parport: порт занят драйвером lp";
    default:
        return L"kiv-parport: неверный ключ";
    }
}

class CBridgeBackend final : public CBackend {
public:
    CBridgeBackend(const WinsockApi& ws, const Ipv4Endpoint& helper, std::string token,
                   CReporter& reporter)
        : m_ws(ws), m_token(std::move(token)), m_reporter(reporter) {
        m_helper.sin_family = AF_INET;
        m_helper.sin_addr.s_addr = m_ws.htonl(helper.address);
        m_helper.sin_port = m_ws.htons(helper.port.value_or(0));
    }

    std::optional<LptAddresses> ReportedPorts() override {
        CTcpLink link(m_ws);
        const auto answer = Greet(link, kivwire::Purpose::Query, 0);
        if (!answer) return std::nullopt;
        // A port Linux does not describe is still driven; without any address the
        // program would refuse to start.
        if (CountPresent(answer->ports) == 0) {
            m_reporter.TraceNote("bridge: kiv-parport reports no LPT addresses");
            return std::nullopt;
        }
        return answer->ports;
    }

    bool DrivesHardware() const override { return true; }

    void Open(const PortRef& port) override {
        CTcpLink link(m_ws);
        if (!Greet(link, kivwire::Purpose::Drive, port.address)) return;
        m_links.insert_or_assign(port.handle, std::move(link));
        m_reporter.PortNote(port.address, L"");
    }

    void Write(const PortRef& port, std::uint8_t value) override {
        const auto link = m_links.find(port.handle);
        if (link == m_links.end()) return; // no helper: nothing to drive
        const int error = link->second.Send({&value, 1});
        if (error == 0) return;
        m_links.erase(link);
        m_reporter.TraceNote("bridge: connection lost, error " + std::to_string(error) +
                             "; writes do nothing until the next OpenPrt");
        m_reporter.PortNote(port.address, kNoHelper);
    }

    // Closing hands the helper its end of the run; it turns the lines off itself if the
    // last value was not 0.
    void Close(const PortRef& port) override { m_links.erase(port.handle); }

private:
    // Connects and says hello; the helper's answer when it accepted us, else nullopt with
    // a note in the trace and the caption.
    std::optional<kivwire::Answer> Greet(CTcpLink& link, kivwire::Purpose purpose,
                                         std::uint32_t address) {
        std::string failure = link.Connect(m_helper);
        std::optional<kivwire::Answer> answer;
        if (failure.empty()) {
            std::array<std::uint8_t, kivwire::kAnswerSize> bytes{};
            if (link.Send(kivwire::EncodeHello({purpose, address, m_token})) != 0)
                failure = "hello not sent";
            else if (!link.Receive(bytes) || !(answer = kivwire::DecodeAnswer(bytes)))
                failure = "no answer";
        }
        if (answer && answer->status == kivwire::Status::Ok) return answer;
        const auto what = purpose == kivwire::Purpose::Query ? std::string("CountLPT")
                                                             : "OpenPrt " + std::to_string(address);
        if (!answer) {
            m_reporter.TraceNote("bridge: " + what + ": kiv-parport at " + Describe() + ": " +
                                 failure);
            m_reporter.PortNote(address, kNoHelper);
        } else {
            const bool lp = answer->status == kivwire::Status::PrinterDriver;
            m_reporter.TraceNote(
                "bridge: " + what + ": kiv-parport refused, status " +
                std::to_string(int(answer->status)) +
                (lp ? ": the printer driver lp holds the port (sudo modprobe -r lp)" : ""));
            m_reporter.PortNote(address, RefusalNote(answer->status));
        }
        return std::nullopt;
    }

    std::string Describe() const {
        char text[INET_ADDRSTRLEN] = "?";
        m_ws.inet_ntop(AF_INET, &m_helper.sin_addr, text, sizeof text);
        return std::string(text) + ":" + std::to_string(m_ws.ntohs(m_helper.sin_port));
    }

    const WinsockApi& m_ws;
    sockaddr_in m_helper{};
    const std::string m_token;
    CReporter& m_reporter;
    std::map<std::uint32_t, CTcpLink> m_links; // by handle; none while the helper is gone
};

// The token as ASCII; anything else cannot be a token and becomes '?'.
std::optional<std::string> ReadToken() {
    const auto wide = ReadEnvironment(L"KIV_PARPORT_TOKEN");
    if (!wide) return std::nullopt;
    std::string token;
    for (const wchar_t c : *wide)
        token += c < 0x80 ? char(c) : '?';
    return token;
}

} // namespace

std::unique_ptr<CBackend> MakeBridgeBackend(CSettings& settings, CReporter& reporter,
                                            std::wstring& why) {
    why = L"kiv-parport не настроен";
    const auto& raw = settings.Raw("bridge");
    if (!raw) {
        reporter.TraceNote("bridge: no helper port; set TAVO_BRIDGE or bridge = 127.0.0.1:N");
        return nullptr;
    }
    // The token must not leave this machine, and the helper listens on loopback only.
    const auto helper = ParseIpv4Endpoint(raw->text);
    if (!helper || !helper->port || helper->address >> 24 != 127) {
        settings.Reject("bridge", "ignored: not 127.0.0.1:port");
        return nullptr;
    }
    const auto token = ReadToken();
    if (!token || !kivwire::IsValidToken(*token)) {
        reporter.TraceNote("bridge: KIV_PARPORT_TOKEN missing or not 32 to 128 hex digits");
        return nullptr;
    }
    const auto* ws = StartWinsock(reporter, "bridge");
    if (!ws) {
        why = kNoHelper;
        return nullptr;
    }
    return std::make_unique<CBridgeBackend>(*ws, *helper, *token, reporter);
}

bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

} // namespace tavo
