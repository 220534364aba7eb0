// A board's COM port: the number set, or where the board chosen for it is now (see
// board_identity.h), opened for overlapped writes and set up as serial_* says.
#pragma once

#include <windows.h>

#include <string>

#include "tavo/backends/backend.h"
#include "tavo/settings/file_handle.h"
#include "tavo/settings/serial_config.h"

namespace tavo {

// A port opened, with the line settings it reported.
struct OpenedPort {
    CFileHandle handle;
    DCB dcb{};
};

// 8 data bits, no parity, one stop bit, no flow control, DTR and RTS as serial_dtr says,
// over what the port reported. A virtual port (a pty under Wine) refuses some line
// settings; it is written all the same, and the caption says so, since on real hardware
// nothing else would.
void SetUpPort(OpenedPort& port, const SerialConfig& config, CReporter& reporter);

// The port of the board: the COM number set, or where the board chosen for it is now. Said
// in the trace when that changes, not at every try.
class CBoardPort {
public:
    explicit CBoardPort(const SerialConfig& config) : m_config(config) {}

    // The port opened, as Config() then names it; empty, with notes and `why`, when not.
    OpenedPort Open(CReporter& reporter, std::wstring& why);
    const SerialConfig& Config() const { return m_config; }

private:
    SerialConfig m_config;
    std::wstring m_said;
};

} // namespace tavo
