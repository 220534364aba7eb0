// A lighting receiver on 127.0.0.1 for the network back ends' tests.
#pragma once

#include <gtest/gtest.h>

#include <winsock2.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tavotest {

using Bytes = std::vector<std::uint8_t>;

// A UDP socket on 127.0.0.1 at a port of its own, `target` for the library.
class CReceiver {
public:
    CReceiver() {
        sockaddr_in at{AF_INET, 0, {}, {}};
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof at;
        EXPECT_EQ(bind(m_socket, reinterpret_cast<sockaddr*>(&at), size), 0);
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&at), &size);
        target = "127.0.0.1:" + std::to_string(ntohs(at.sin_port));
    }
    ~CReceiver() { closesocket(m_socket); }

    // Takes datagrams until `count` have come in all, or none came for `waitMs`.
    const std::vector<Bytes>& Take(std::size_t count, DWORD waitMs) {
        setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&waitMs),
                   sizeof waitMs);
        char buffer[2048];
        for (int size = 0; m_got.size() < count && size >= 0;)
            if ((size = recv(m_socket, buffer, sizeof buffer, 0)) >= 0)
                m_got.emplace_back(buffer, buffer + size);
        return m_got;
    }

private:
    WSADATA m_wsa{};
    const int m_started = WSAStartup(MAKEWORD(2, 2), &m_wsa);
    const SOCKET m_socket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    std::vector<Bytes> m_got;

public:
    std::string target;
};

} // namespace tavotest
