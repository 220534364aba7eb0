#include "tavo/backends/serial/board_port.h"

#include <utility>

#include "tavo/backends/device_ports.h"
#include "tavo/backends/serial/board_identity.h"
#include "tavo/backends/serial/serial_frames.h"
#include "tavo/settings/config_source.h"

namespace tavo {
namespace {

// The port opened and answering; empty, with notes and `why`, when it is not.
OpenedPort OpenComPort(const SerialConfig& config, CReporter& reporter, std::wstring& why) {
    const auto path = L"\\\\.\\" + ComText(config.port);
    OpenedPort port{AdoptFile(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr))};
    if (!port.handle) {
        const DWORD error = GetLastError();
        const bool taken = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
        reporter.TraceNote("serial: cannot open " + config.PortName() + ", error " +
                           std::to_string(error) + (taken ? " (in use by another program)" : ""));
        why = ComText(config.port) + (taken ? L" занят" : L" недоступен");
        return port;
    }
    port.dcb.DCBlength = sizeof port.dcb;
    if (GetCommState(port.handle.get(), &port.dcb)) return port;
    // Seen under Wine 10 once a board has gone away under an open port and come back: the
    // port opens, and every serial call on it fails until Wine's server starts again.
    reporter.TraceNote("serial: " + config.PortName() + " opens but does not answer, error " +
                       std::to_string(GetLastError()) +
                       "; close every Wine program (or run wineserver -k) and start again");
    why = ComText(config.port) + L" не отвечает";
    port.handle.reset();
    return port;
}

} // namespace

void SetUpPort(OpenedPort& port, const SerialConfig& config, CReporter& reporter) {
    DCB& dcb = port.dcb;
    dcb.BaudRate = config.baud;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = dcb.fInX = dcb.fNull = dcb.fAbortOnError = FALSE;
    // Low: an Arduino-class board resets when DTR rises (losing the first rows of every
    // run to its boot loader), and ESP boards are held in reset by RTS. High: boards with
    // USB of their own whose sketch waits for the port to be opened.
    const bool high = config.dtr == SerialDtr::High;
    dcb.fDtrControl = high ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb.fRtsControl = high ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    if (!SetCommState(port.handle.get(), &dcb)) {
        reporter.TraceNote("serial: " + config.PortName() + " refused the line settings, error " +
                           std::to_string(GetLastError()) + "; writing anyway");
        reporter.PortNote(0, ComText(config.port) + L" не принял настройки");
    }
    COMMTIMEOUTS timeouts{};
    timeouts.WriteTotalTimeoutConstant = WriteTimeoutMs(config);
    SetCommTimeouts(port.handle.get(), &timeouts);
}

OpenedPort CBoardPort::Open(CReporter& reporter, std::wstring& why) {
    if (!m_config.board) return OpenComPort(m_config, reporter, why);
    std::wstring said;
    const auto devices = MakeSystemPortDevices(reporter)->Present();
    const auto port =
        FindBoardPort(*m_config.board, devices, [&](std::wstring note) { said = std::move(note); });
    if (!said.empty() && said != m_said) reporter.TraceNote("serial: " + ToAscii(said));
    m_said = std::move(said);
    if (!port) {
        why = L"нет выбранной платы (" + ComText(m_config.port) + L")";
        return {};
    }
    m_config.port = *port;
    return OpenComPort(m_config, reporter, why);
}

} // namespace tavo
