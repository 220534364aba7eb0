// kiv-parport's loop: a listening socket on 127.0.0.1 and at most one client driving the
// lines; every other connection is answered, refused or turned away, and logged.
#pragma once

#include <cstdint>
#include <string>

#include "fd.h"
#include "lines.h"
#include "wire_format.h"

namespace kivparport {

struct ServerConfig {
    std::string token;            // the secret every client must send first
    kivwire::Ports ports{};       // what a query is answered
    std::uint32_t ownAddress = 0; // the port the lines belong to; 0: unknown, any accepted
};

class CServer {
public:
    CServer(CLines& lines, ServerConfig config);
    ~CServer();
    CServer(const CServer&) = delete;
    CServer& operator=(const CServer&) = delete;

    // Listens on 127.0.0.1 at a port the system picks; returns it, 0 when it cannot.
    std::uint16_t Listen();
    // Serves until `signalFd` (a signalfd) becomes readable; a driving client is then
    // ended like a lost one: lines off, port released.
    void Run(int signalFd);

private:
    void Accept();
    void Greet(CFd client);
    void Refuse(const CFd& client, kivwire::Status status, const char* why);
    void Receive();
    void EndSession(const char* why);

    CLines& m_lines;
    const ServerConfig m_config;
    CFd m_listener;
    CFd m_client;            // the one client driving the lines
    bool m_linesOff = false; // the last value on the lines was 0
};

} // namespace kivparport
