// The bridge's connection to kiv-parport over 127.0.0.1: one TCP link, and the greeting
// that opens it. Both are used from the export calls and from the thread that connects
// again after the helper went away.
#pragma once

#include "tavo/backends/net/winsock_api.h"

#include <optional>
#include <span>
#include <string>

#include "parport/wire_format.h"
#include "tavo/backends/backend.h"
#include "tavo/settings/config_source.h"

namespace tavo {

inline constexpr wchar_t kNoHelper[] = L"нет связи с kiv-parport";

// One non-blocking TCP connection to the helper, without Nagle's delay.
class CTcpLink {
public:
    explicit CTcpLink(const WinsockApi& ws) : m_ws(&ws) {}
    ~CTcpLink() { Reset(); }
    CTcpLink(CTcpLink&& other) noexcept;
    CTcpLink& operator=(CTcpLink&& other) noexcept;
    CTcpLink(const CTcpLink&) = delete;
    CTcpLink& operator=(const CTcpLink&) = delete;

    // Empty when connected within a bounded while, else why not.
    std::string Connect(const sockaddr_in& to);
    // Hands all of `bytes` to the system at once, or fails: 0, or the Winsock error
    // (WSAEWOULDBLOCK when the helper has stopped reading).
    int Send(std::span<const std::uint8_t> bytes);
    // Exactly `out.size()` bytes within a bounded while.
    bool Receive(std::span<std::uint8_t> out);

private:
    void Reset();
    std::string Failure(const char* what) const;

    const WinsockApi* m_ws;
    SOCKET m_socket = INVALID_SOCKET;
};

// Where the helper listens and the token it wants.
class CHelper {
public:
    CHelper(const WinsockApi& ws, const Ipv4Endpoint& endpoint, std::string token);

    const WinsockApi& Winsock() const { return *m_ws; }
    // Connects `link` and says hello; the helper's answer when it accepted us, else
    // nullopt with a note to `notes` in the trace and the caption.
    std::optional<kivwire::Answer> Greet(CTcpLink& link, kivwire::Purpose purpose,
                                         std::uint32_t address, CReporter& notes) const;

private:
    std::string Describe() const;

    const WinsockApi* m_ws;
    sockaddr_in m_at{};
    std::string m_token;
};

} // namespace tavo
