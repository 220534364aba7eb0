#include "greeting.h"

#include <sys/socket.h>

#include <cerrno>

namespace kivparport {

std::size_t CGreeting::Expected() const {
    if (m_bytes.size() < kivwire::kHelloHeadSize) return kivwire::kHelloHeadSize;
    const auto head = std::span(m_bytes).first(kivwire::kHelloHeadSize);
    return kivwire::kHelloHeadSize + kivwire::HelloTokenLength(head).value_or(0);
}

CGreeting::State CGreeting::Read() {
    for (;;) {
        const std::size_t have = m_bytes.size();
        const std::size_t want = Expected();
        if (have == want) {
            const auto head = std::span(m_bytes).first(kivwire::kHelloHeadSize);
            if (kivwire::HelloTokenLength(head)) return State::Complete;
            m_why = "not a version 1 hello";
            return State::Failed;
        }
        // Never past the hello: what follows it belongs to the run.
        m_bytes.resize(want);
        const ssize_t got = recv(m_fd.Get(), m_bytes.data() + have, want - have, MSG_DONTWAIT);
        m_bytes.resize(have + (got > 0 ? std::size_t(got) : 0));
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return State::Reading;
        if (got <= 0) {
            m_why = got == 0 ? "closed before its hello ended" : "connection failed";
            return State::Failed;
        }
    }
}

bool CGreeting::ClientGone() const {
    std::uint8_t next;
    const ssize_t got = recv(m_fd.Get(), &next, 1, MSG_PEEK | MSG_DONTWAIT);
    return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

} // namespace kivparport
