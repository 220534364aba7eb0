#include "tavo/backends/lpt/bridge_link.h"

#include <array>
#include <utility>

namespace tavo {
namespace {

// Connecting and the helper's answer wait this long at most; W_P never waits.
constexpr DWORD kConnectMs = 500;
constexpr DWORD kAnswerMs = 1000;

// select() takes microseconds below one second: 1000 ms is {1, 0}, not {0, 1000000}.
timeval Timeval(ULONGLONG ms) {
    return {long(ms / 1000), long(ms % 1000) * 1000};
}

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

} // namespace

CTcpLink::CTcpLink(CTcpLink&& other) noexcept
    : m_ws(other.m_ws), m_socket(std::exchange(other.m_socket, INVALID_SOCKET)) {}

CTcpLink& CTcpLink::operator=(CTcpLink&& other) noexcept {
    if (this != &other) {
        Reset();
        m_ws = other.m_ws;
        m_socket = std::exchange(other.m_socket, INVALID_SOCKET);
    }
    return *this;
}

std::string CTcpLink::Connect(const sockaddr_in& to) {
    Reset();
    m_socket = m_ws->socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    u_long nonBlocking = 1;
    const BOOL noDelay = TRUE;
    if (m_socket == INVALID_SOCKET || m_ws->ioctlsocket(m_socket, FIONBIO, &nonBlocking) != 0 ||
        m_ws->setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY,
                         reinterpret_cast<const char*>(&noDelay), sizeof noDelay) != 0)
        return Failure("no socket");
    if (m_ws->connect(m_socket, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) return {};
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

int CTcpLink::Send(std::span<const std::uint8_t> bytes) {
    const int sent =
        m_ws->send(m_socket, reinterpret_cast<const char*>(bytes.data()), int(bytes.size()), 0);
    if (sent == int(bytes.size())) return 0;
    return sent == SOCKET_ERROR ? m_ws->WSAGetLastError() : WSAEWOULDBLOCK;
}

bool CTcpLink::Receive(std::span<std::uint8_t> out) {
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

void CTcpLink::Reset() {
    if (m_socket != INVALID_SOCKET) m_ws->closesocket(m_socket);
    m_socket = INVALID_SOCKET;
}

std::string CTcpLink::Failure(const char* what) const {
    return std::string(what) + ", error " + std::to_string(m_ws->WSAGetLastError());
}

CHelper::CHelper(const WinsockApi& ws, const Ipv4Endpoint& endpoint, std::string token)
    : m_ws(&ws), m_token(std::move(token)) {
    m_at.sin_family = AF_INET;
    m_at.sin_addr.s_addr = ws.htonl(endpoint.address);
    m_at.sin_port = ws.htons(endpoint.port.value_or(0));
}

std::optional<kivwire::Answer> CHelper::Greet(CTcpLink& link, kivwire::Purpose purpose,
                                              std::uint32_t address, CReporter& notes) const {
    std::string failure = link.Connect(m_at);
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
        notes.TraceNote("bridge: " + what + ": kiv-parport at " + Describe() + ": " + failure);
        notes.PortNote(address, kNoHelper);
    } else {
        const bool lp = answer->status == kivwire::Status::PrinterDriver;
        notes.TraceNote("bridge: " + what + ": kiv-parport refused, status " +
                        std::to_string(int(answer->status)) +
                        (lp ? ": the printer driver lp holds the port (sudo modprobe -r lp)" : ""));
        notes.PortNote(address, RefusalNote(answer->status));
    }
    return std::nullopt;
}

std::string CHelper::Describe() const {
    char text[INET_ADDRSTRLEN] = "?";
    m_ws->inet_ntop(AF_INET, &m_at.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(m_ws->ntohs(m_at.sin_port));
}

} // namespace tavo
