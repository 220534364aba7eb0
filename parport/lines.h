// The eight data lines the helper drives: a real port through ppdev, or a file that
// records every value (the test mode).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kivparport {

enum class ClaimResult { Claimed, Failed, HeldByPrinterDriver };

class CLines {
public:
    virtual ~CLines() = default;
    // Takes the port for one client; what stops it is logged.
    virtual ClaimResult Claim() = 0;
    virtual bool Write(std::uint8_t value) = 0;
    virtual void Release() = 0;
};

// Opens `device` (e.g. /dev/parport0); nullptr with a message on stderr when it cannot.
// `procPort` is its folder in /proc (…/parportN), where the drivers sharing it are listed.
std::unique_ptr<CLines> OpenPpdevLines(const std::string& device, const std::string& procPort);
// Appends each value to `path`, one decimal number a line; touches no device.
std::unique_ptr<CLines> OpenFakeLines(const std::string& path);

} // namespace kivparport
