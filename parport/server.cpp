#include "server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace kivparport {
namespace {

// A client gets this long to say who it is; meanwhile nobody else is served.
constexpr int kHelloTimeoutMs = 2000;

void Log(const char* what, const char* detail = nullptr) {
    if (detail)
        std::fprintf(stderr, "kiv-parport: %s: %s\n", what, detail);
    else
        std::fprintf(stderr, "kiv-parport: %s\n", what);
}

// Takes as long for every wrong token as for the right one, so timing tells nothing.
bool SameToken(const std::string& expected, const std::string& given) {
    unsigned difference = expected.size() != given.size();
    for (std::size_t i = 0; i < expected.size(); ++i)
        difference |= unsigned(expected[i]) ^ unsigned(i < given.size() ? given[i] : 0);
    return difference == 0;
}

bool ReadExactly(int fd, std::uint8_t* out, std::size_t size) {
    while (size > 0) {
        pollfd wait{fd, POLLIN, 0};
        if (poll(&wait, 1, kHelloTimeoutMs) <= 0) return false;
        const ssize_t got = recv(fd, out, size, 0);
        if (got <= 0) return false;
        out += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

void SendAnswer(const CFd& client, const kivwire::Answer& answer) {
    const auto bytes = kivwire::EncodeAnswer(answer);
    (void)send(client.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

} // namespace

CServer::CServer(CLines& lines, ServerConfig config)
    : m_lines(lines), m_config(std::move(config)) {}

CServer::~CServer() {
    if (m_client.IsOpen()) EndSession("helper ending");
}

std::uint16_t CServer::Listen() {
    m_listener = CFd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (!m_listener.IsOpen() ||
        bind(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listener.Get(), 4) != 0 ||
        getsockname(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        Log("cannot listen on 127.0.0.1", std::strerror(errno));
        return 0;
    }
    return ntohs(address.sin_port);
}

void CServer::Run(int signalFd) {
    for (;;) {
        // poll skips the client's entry while there is none (fd -1).
        pollfd fds[] = {
            {signalFd, POLLIN, 0}, {m_client.Get(), POLLIN, 0}, {m_listener.Get(), POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR) continue;
            Log("poll failed", std::strerror(errno));
            break;
        }
        if (fds[0].revents) break;
        if (fds[1].revents) Receive();
        if (fds[2].revents) Accept();
    }
    if (m_client.IsOpen()) EndSession("helper ending");
}

void CServer::Accept() {
    CFd client(accept4(m_listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!client.IsOpen()) return;
    // A client that has just left may still have its last bytes and its end waiting:
    // take them first, so a quick Stop and Start never meets a busy helper.
    if (m_client.IsOpen()) Receive();
    if (m_client.IsOpen())
        Refuse(client, kivwire::Status::Busy, "another client drives the port");
    else
        Greet(std::move(client));
}

void CServer::Greet(CFd client) {
    using kivwire::Status;
    std::vector<std::uint8_t> hello(kivwire::kHelloHeadSize);
    if (!ReadExactly(client.Get(), hello.data(), hello.size()))
        return Refuse(client, Status::Refused, "no hello");
    const auto tokenLength = kivwire::HelloTokenLength(hello);
    if (!tokenLength) return Refuse(client, Status::Refused, "not a version 1 hello");
    hello.resize(hello.size() + *tokenLength);
    if (!ReadExactly(client.Get(), hello.data() + kivwire::kHelloHeadSize, *tokenLength))
        return Refuse(client, Status::Refused, "hello cut short");
    const auto decoded = kivwire::DecodeHello(hello);
    if (!decoded || !SameToken(m_config.token, decoded->token))
        return Refuse(client, Status::Refused, "wrong token");

    if (decoded->purpose == kivwire::Purpose::Query)
        return SendAnswer(client, {Status::Ok, m_config.ports});
    if (m_config.ownAddress != 0 && decoded->address != m_config.ownAddress)
        return Refuse(client, Status::WrongPort, "asked for a port this helper does not own");
    if (!m_lines.Claim()) return Refuse(client, Status::NoDevice, "port not claimed");
    SendAnswer(client, {Status::Ok, m_config.ports});
    m_client = std::move(client);
    m_linesOff = false;
    Log("client connected");
}

void CServer::Refuse(const CFd& client, kivwire::Status status, const char* why) {
    SendAnswer(client, {status, {}});
    Log("refused a client", why);
}

void CServer::Receive() {
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t got = recv(m_client.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (got <= 0) return EndSession(got == 0 ? "connection closed" : std::strerror(errno));
        for (ssize_t i = 0; i < got; ++i) {
            if (!m_lines.Write(buffer[i])) return EndSession("lines not written");
            m_linesOff = buffer[i] == 0;
        }
    }
}

void CServer::EndSession(const char* why) {
    if (!m_linesOff) m_lines.Write(0);
    m_lines.Release();
    m_client.Reset();
    Log("client gone, lines off", why);
}

} // namespace kivparport
