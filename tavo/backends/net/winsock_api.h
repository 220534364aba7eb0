// Winsock's functions for the network back ends and the bridge, from ws2_32.dll loaded on
// first use (driver_loader.h). Included before <windows.h>, as Winsock's own header.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include "tavo/backends/driver_loader.h"

namespace tavo {

struct WinsockApi {
    static constexpr char kDll[] = "ws2_32.dll";

    decltype(&::WSAStartup) WSAStartup;
    decltype(&::WSAGetLastError) WSAGetLastError;
    decltype(&::socket) socket;
    decltype(&::closesocket) closesocket;
    decltype(&::ioctlsocket) ioctlsocket;
    decltype(&::setsockopt) setsockopt;
    decltype(&::getsockopt) getsockopt;
    decltype(&::connect) connect;
    decltype(&::select) select;
    decltype(&::send) send;
    decltype(&::sendto) sendto;
    decltype(&::recv) recv;
    decltype(&::inet_ntop) inet_ntop;
    decltype(&::htonl) htonl;
    decltype(&::htons) htons;
    decltype(&::ntohs) ntohs;

    bool Bind(CSystemExports& dll) {
        return dll.Find("WSAStartup", WSAStartup) && dll.Find("WSAGetLastError", WSAGetLastError) &&
               dll.Find("socket", socket) && dll.Find("closesocket", closesocket) &&
               dll.Find("ioctlsocket", ioctlsocket) && dll.Find("setsockopt", setsockopt) &&
               dll.Find("getsockopt", getsockopt) && dll.Find("connect", connect) &&
               dll.Find("select", select) && dll.Find("send", send) && dll.Find("sendto", sendto) &&
               dll.Find("recv", recv) && dll.Find("inet_ntop", inet_ntop) &&
               dll.Find("htonl", htonl) && dll.Find("htons", htons) && dll.Find("ntohs", ntohs);
    }
};

// Winsock loaded and started for the life of the process (stopping it at unload would run
// inside the loader lock); null, with a note for `who`, when it cannot be had.
inline const WinsockApi* StartWinsock(CReporter& reporter, std::string_view who) {
    const auto* ws = SystemApi<WinsockApi>(reporter, who);
    WSADATA wsa;
    if (!ws || ws->WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        reporter.TraceNote(std::string(who) + ": no Winsock");
        return nullptr;
    }
    return ws;
}

} // namespace tavo
