// What stands behind the exports: one back end drives the ports, the library keeps the
// handles, the trace and the lamps.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "tavo/settings/lpt_config.h"
#include "tavo/settings/settings.h"

namespace tavo {

// Where a back end tells the user about itself: a note line in the trace, and a short
// Russian note in the lamp caption of a port. Safe to call from any thread.
class CReporter {
public:
    virtual ~CReporter() = default;
    virtual void TraceNote(std::string_view text) = 0;
    // address 0: every port. A note replaces only notes posted through the same reporter.
    virtual void PortNote(std::uint32_t address, std::wstring note) = 0;
    // What a back end of `kind` reports through: in a list, each one's caption notes stand
    // beside the others', and clearing its own clears no other's. Lives as long as this.
    virtual CReporter& Of(BackendKind) { return *this; }
    // A failure the trace alone would otherwise hear of (a send that failed, a device that
    // stopped reading): a check of the output counts it.
    virtual void Failure(std::wstring_view) {}
};

// One open port as a back end sees it.
struct PortRef {
    std::uint32_t handle = 0;
    std::uint32_t address = 0;
    int lpt = -1; // 0..2 for LPT1..LPT3, -1 for an address that is none of them
};

class CBackend {
public:
    virtual ~CBackend() = default;

    // The LPT1..LPT3 addresses the hardware reports; nullopt when it reports none.
    virtual std::optional<LptAddresses> ReportedPorts() { return std::nullopt; }
    // True when the back end drives real lines (then the lamps are off by default).
    virtual bool DrivesHardware() const { return false; }
    // Which one of its kind it drives where the settings leave that open (the id of the
    // relay board it chose), for the claim on it; empty when nothing is left open.
    virtual std::string Unit() const { return {}; }

    // Called with the library's lock held and never at the same time; Write must not
    // wait on anything slow (a port write, a non-blocking send at most).
    virtual void Open(const PortRef& port) = 0;
    virtual void Write(const PortRef& port, std::uint8_t value) = 0;
    virtual void Close(const PortRef& port) = 0;
};

// The virtual ports: the data register lives in the library's handle table only.
class CVirtualBackend final : public CBackend {
public:
    void Open(const PortRef&) override {}
    void Write(const PortRef&, std::uint8_t) override {}
    void Close(const PortRef&) override {}
};

} // namespace tavo
