// kiv-parport's loop: a listening socket on 127.0.0.1 and at most one client driving the
// lines; every other connection is answered, refused or turned away. Nothing in it waits
// on anyone: each wait goes through the loop's one poll, with a deadline.
#pragma once

#include <poll.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fd.h"
#include "greeting.h"
#include "lines.h"
#include "log.h"
#include "wire_format.h"

namespace kivparport {

struct ServerConfig {
    std::string token;            // the secret every client must send first
    kivwire::Ports ports{};       // what a query is answered
    std::uint32_t ownAddress = 0; // the port the lines belong to; only it may be driven
    std::uint16_t listenPort = 0; // 0: the system picks
};

class CServer {
public:
    CServer(CLines& lines, ServerConfig config);
    ~CServer();
    CServer(const CServer&) = delete;
    CServer& operator=(const CServer&) = delete;

    // Listens on 127.0.0.1 at the configured port; returns it, 0 when it cannot.
    std::uint16_t Listen();
    // Serves until `signalFd` (a signalfd) becomes readable; a driving client is then
    // ended like a lost one: lines off, port released.
    void Run(int signalFd);

private:
    int PollTimeout(Clock::time_point now) const;
    void Accept(Clock::time_point now);
    void ReadGreetings(const std::vector<pollfd>& fds, Clock::time_point now);
    void Progress(CGreeting& greeting, bool readable, Clock::time_point now);
    void Answer(CGreeting& greeting, Clock::time_point now);
    void Admit(CGreeting& greeting, std::uint32_t address, Clock::time_point now);
    void Refuse(CFd client, kivwire::Status status, const char* why, Clock::time_point now);
    bool Receive();
    void EndSession(const char* why);

    CLines& m_lines;
    const ServerConfig m_config;
    CFd m_listener;
    CFd m_client;                       // the one client driving the lines
    bool m_linesOff = false;            // the last value on the lines was 0
    std::vector<CGreeting> m_greetings; // oldest first
    Clock::time_point m_acceptAgain{};  // accepting paused until then
    CRefusalLog m_refusals;
};

} // namespace kivparport
