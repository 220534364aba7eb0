// Links made again, away from W_P, for the bridge's ports whose link was lost: a thread of
// the library tries every 0.5 s until each is back or closed, and sends the port's newest
// value as soon as it is. The thread keeps what it uses, so the back end never waits for it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "tavo/backends/backend.h"
#include "tavo/backends/lpt/bridge_link.h"

namespace tavo {

class CRelinker {
public:
    CRelinker(const CHelper& helper, CReporter& reporter);
    ~CRelinker();
    CRelinker(const CRelinker&) = delete;
    CRelinker& operator=(const CRelinker&) = delete;

    void Lost(const PortRef& port, std::uint8_t value);
    // The newest value of a port whose link is lost.
    void Set(std::uint32_t handle, std::uint8_t value);
    void Closed(std::uint32_t handle);
    // The link of `handle` once it is back, newest value sent; then the port is no more ours.
    std::optional<CTcpLink> TakeBack(std::uint32_t handle);

private:
    struct Shared;
    static DWORD WINAPI Main(void* ticket);
    // One try for each port still lost; false when the thread is done.
    static bool TryAll(Shared& shared);
    // The ports without a link, as (handle, address), read under `lock`.
    static std::vector<std::pair<std::uint32_t, std::uint32_t>>
    Waiting(const Shared& shared, std::unique_lock<std::mutex> lock);

    std::shared_ptr<Shared> m_shared;
};

} // namespace tavo
