#include "server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kivparport {
namespace {

using namespace std::chrono_literals;

// tavo.dll waits 1 s for its answer; a stranger gets no longer to say who it is.
constexpr auto kHelloTime = 1s;
// Beyond this many unproven connections the oldest goes: strangers cannot pile up
// descriptors, and a real client's hello is read the moment it connects.
constexpr std::size_t kMaxGreetings = 32;
// After the system runs out of descriptors, accepting rests instead of spinning.
constexpr auto kAcceptRest = 100ms;
// One read of a driving client per pass: a client that never pauses still leaves the
// loop free to see a signal within a few milliseconds.
constexpr std::size_t kChunk = 4096;
// Chunks taken from a driving client before a new hello is judged busy: a client that
// has just left may still have its last bytes and its end waiting, and a quick Stop and
// Start must not meet a busy helper. Few, so that a client that never pauses still
// cannot hold the loop long.
constexpr int kCatchUpChunks = 4;

// Takes as long for every wrong token as for the right one, so timing tells nothing.
bool SameToken(const std::string& expected, const std::string& given) {
    unsigned difference = expected.size() != given.size();
    for (std::size_t i = 0; i < expected.size(); ++i)
        difference |= unsigned(expected[i]) ^ unsigned(i < given.size() ? given[i] : 0);
    return difference == 0;
}

// 18 bytes into an empty socket buffer; never waits.
void SendAnswer(const CFd& client, const kivwire::Answer& answer) {
    const auto bytes = kivwire::EncodeAnswer(answer);
    (void)send(client.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

int MillisecondsUntil(Clock::time_point now, Clock::time_point then) {
    if (then <= now) return 0;
    return int(std::chrono::ceil<std::chrono::milliseconds>(then - now).count());
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
    address.sin_port = htons(m_config.listenPort);
    socklen_t length = sizeof address;
    const int reuse = 1;
    if (!m_listener.IsOpen() ||
        // A fixed port is free again at once after a restart, not after TIME_WAIT.
        setsockopt(m_listener.Get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0 ||
        bind(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listener.Get(), 16) != 0 ||
        getsockname(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        LogLine(std::string("cannot listen on 127.0.0.1: ") + std::strerror(errno));
        return 0;
    }
    return ntohs(address.sin_port);
}

void CServer::Run(int signalFd) {
    std::vector<pollfd> fds;
    for (;;) {
        const auto now = Clock::now();
        const int listener = now >= m_acceptAgain ? m_listener.Get() : -1;
        // poll skips entries whose descriptor is -1.
        fds.assign({{signalFd, POLLIN, 0}, {m_client.Get(), POLLIN, 0}, {listener, POLLIN, 0}});
        for (const auto& greeting : m_greetings)
            fds.push_back({greeting.Fd(), POLLIN, 0});
        if (poll(fds.data(), fds.size(), PollTimeout(now)) < 0) {
            if (errno == EINTR) continue;
            LogLine(std::string("poll failed: ") + std::strerror(errno));
            break;
        }
        if (fds[0].revents) break;
        const auto later = Clock::now();
        if (fds[1].revents) Receive();
        ReadGreetings(fds, later);
        if (fds[2].revents) Accept(later);
        if (const auto due = m_refusals.Due(); due && *due <= later) m_refusals.Flush(later);
    }
    if (m_client.IsOpen()) EndSession("helper ending");
    m_refusals.Flush(Clock::now());
}

int CServer::PollTimeout(Clock::time_point now) const {
    std::optional<Clock::time_point> next = m_refusals.Due();
    const auto sooner = [&](Clock::time_point t) { next = next ? std::min(*next, t) : t; };
    if (!m_greetings.empty()) sooner(m_greetings.front().Deadline());
    if (m_acceptAgain > now) sooner(m_acceptAgain);
    return next ? MillisecondsUntil(now, *next) : -1;
}

void CServer::Accept(Clock::time_point now) {
    CFd client(accept4(m_listener.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (!client.IsOpen()) {
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            m_acceptAgain = now + kAcceptRest;
            m_refusals.Count("out of descriptors, accepting rests", now);
        }
        return;
    }
    if (m_greetings.size() >= kMaxGreetings) {
        Refuse(m_greetings.front().Take(), kivwire::Status::Refused, "too many at once", now);
        m_greetings.erase(m_greetings.begin());
    }
    // The hello usually comes with the connection: answer it in this same pass.
    m_greetings.emplace_back(std::move(client), now + kHelloTime);
    Progress(m_greetings.back(), true, now);
    std::erase_if(m_greetings, [](const CGreeting& g) { return g.Fd() < 0; });
}

// `fds` holds one entry per greeting after the loop's three.
void CServer::ReadGreetings(const std::vector<pollfd>& fds, Clock::time_point now) {
    for (std::size_t i = 0; i < m_greetings.size(); ++i)
        Progress(m_greetings[i], fds[3 + i].revents != 0, now);
    std::erase_if(m_greetings, [](const CGreeting& g) { return g.Fd() < 0; });
}

// Reads what has come of a hello; a complete one is answered, a bad or late one refused.
// Either way the greeting gives up its descriptor.
void CServer::Progress(CGreeting& greeting, bool readable, Clock::time_point now) {
    const auto state = readable ? greeting.Read() : CGreeting::State::Reading;
    if (state == CGreeting::State::Complete)
        Answer(greeting, now);
    else if (state == CGreeting::State::Failed)
        Refuse(greeting.Take(), kivwire::Status::Refused, greeting.Why(), now);
    else if (greeting.Deadline() <= now)
        Refuse(greeting.Take(), kivwire::Status::Refused, "no hello within 1 s", now);
}

void CServer::Answer(CGreeting& greeting, Clock::time_point now) {
    using kivwire::Status;
    const auto hello = greeting.Hello();
    if (!hello || !SameToken(m_config.token, hello->token))
        return Refuse(greeting.Take(), Status::Refused, "wrong token", now);
    if (greeting.ClientGone()) {
        greeting.Take();
        return m_refusals.Count("gave up before its answer", now);
    }
    for (int i = 0; i < kCatchUpChunks && m_client.IsOpen() && Receive(); ++i) {
    }
    if (m_client.IsOpen())
        return Refuse(greeting.Take(), Status::Busy, "another client drives the port", now);
    if (hello->purpose == kivwire::Purpose::Query)
        return SendAnswer(greeting.Take(), {Status::Ok, m_config.ports});
    Admit(greeting, hello->address, now);
}

void CServer::Admit(CGreeting& greeting, std::uint32_t address, Clock::time_point now) {
    using kivwire::Status;
    if (address != m_config.ownAddress)
        return Refuse(greeting.Take(), Status::WrongPort,
                      "asked for a port this helper does not own", now);
    switch (m_lines.Claim()) {
    case ClaimResult::Claimed:
        break;
    case ClaimResult::HeldByPrinterDriver:
        return Refuse(greeting.Take(), Status::PrinterDriver,
                      "the printer driver lp holds the port", now);
    case ClaimResult::Failed:
        return Refuse(greeting.Take(), Status::NoDevice, "port not claimed", now);
    }
    m_client = greeting.Take();
    SendAnswer(m_client, {Status::Ok, m_config.ports});
    m_linesOff = false;
    LogLine("client connected");
}

void CServer::Refuse(CFd client, kivwire::Status status, const char* why, Clock::time_point now) {
    SendAnswer(client, {status, {}});
    m_refusals.Count(why, now);
}

// One bounded read of the driving client; true when it gave bytes (more may wait).
bool CServer::Receive() {
    std::uint8_t buffer[kChunk];
    const ssize_t got = recv(m_client.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
    if (got <= 0) {
        EndSession(got == 0 ? "connection closed" : std::strerror(errno));
        return false;
    }
    for (ssize_t i = 0; i < got; ++i) {
        if (!m_lines.Write(buffer[i])) {
            EndSession("lines not written");
            return false;
        }
        m_linesOff = buffer[i] == 0;
    }
    return true;
}

void CServer::EndSession(const char* why) {
    if (!m_linesOff) m_lines.Write(0);
    m_lines.Release();
    m_client.Reset();
    LogLine(std::string("client gone, lines off: ") + why);
}

} // namespace kivparport
