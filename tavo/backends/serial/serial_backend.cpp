// The serial back end: a USB serial board on a COM port. The frames come from
// serial_frames; here the port is opened, set up and written with a bound on every write,
// so a board that stops reading cannot hold up the writer thread or the close.
#include <windows.h>

#include "tavo/backends/backends.h"
#include "tavo/backends/device_ports.h"
#include "tavo/backends/device_writer.h"
#include "tavo/settings/config_source.h"
#include "tavo/settings/file_handle.h"
#include "tavo/backends/serial/board_identity.h"
#include "tavo/backends/serial/serial_frames.h"

namespace tavo {
namespace {

// Beyond the driver's own bound on a write (WriteTimeoutMs), ours in case a driver
// ignores it, and then on its cancel.
constexpr DWORD kWriteWaitSlackMs = 100;
constexpr DWORD kCancelWaitMs = 500;

std::wstring WidePortName(const SerialConfig& config) {
    return L"COM" + std::to_wstring(config.port);
}

// A port opened, with the line settings it reported.
struct OpenedPort {
    CFileHandle handle;
    DCB dcb{};
};

// 8 data bits, no parity, one stop bit, no flow control, DTR and RTS as serial_dtr says,
// over what the port reported. A virtual port (a pty under Wine) refuses some line
// settings; it is written all the same, and the caption says so, since on real hardware
// nothing else would.
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
        reporter.PortNote(0, WidePortName(config) + L" не принял настройки");
    }
    COMMTIMEOUTS timeouts{};
    timeouts.WriteTotalTimeoutConstant = WriteTimeoutMs(config);
    SetCommTimeouts(port.handle.get(), &timeouts);
}

// The port opened and answering; empty, with notes and `why`, when it is not.
OpenedPort OpenComPort(const SerialConfig& config, CReporter& reporter, std::wstring& why) {
    const auto path = L"\\\\.\\" + WidePortName(config);
    OpenedPort port{AdoptFile(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr))};
    if (!port.handle) {
        const DWORD error = GetLastError();
        const bool taken = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
        reporter.TraceNote("serial: cannot open " + config.PortName() + ", error " +
                           std::to_string(error) + (taken ? " (in use by another program)" : ""));
        why = WidePortName(config) + (taken ? L" занят" : L" недоступен");
        return port;
    }
    port.dcb.DCBlength = sizeof port.dcb;
    if (GetCommState(port.handle.get(), &port.dcb)) return port;
    // Seen under Wine 10 once a board has gone away under an open port and come back: the
    // port opens, and every serial call on it fails until Wine's server starts again.
    reporter.TraceNote("serial: " + config.PortName() + " opens but does not answer, error " +
                       std::to_string(GetLastError()) +
                       "; close every Wine program (or run wineserver -k) and start again");
    why = WidePortName(config) + L" не отвечает";
    port.handle.reset();
    return port;
}

// The port of the board: the COM number set, or where the board chosen for it is now. Said
// in the trace when that changes, not at every try.
class CBoardPort {
public:
    explicit CBoardPort(const SerialConfig& config) : m_config(config) {}

    // The port opened, as Config() then names it; empty, with notes and `why`, when not.
    OpenedPort Open(CReporter& reporter, std::wstring& why) {
        if (!m_config.board) return OpenComPort(m_config, reporter, why);
        std::wstring said;
        const auto devices = MakeSystemPortDevices(reporter)->Present();
        const auto port = FindBoardPort(*m_config.board, devices,
                                        [&](std::wstring note) { said = std::move(note); });
        if (!said.empty() && said != m_said) reporter.TraceNote("serial: " + ToAscii(said));
        m_said = std::move(said);
        if (!port) {
            why = L"нет выбранной платы (" + WidePortName(m_config) + L")";
            return {};
        }
        m_config.port = *port;
        return OpenComPort(m_config, reporter, why);
    }
    const SerialConfig& Config() const { return m_config; }

private:
    SerialConfig m_config;
    std::wstring m_said;
};

// One overlapped write. The system writes into it until the write completes, so one that
// does not complete even after its cancel is left behind rather than freed under it.
struct PendingWrite {
    OVERLAPPED overlapped{};
    Bytes bytes;
    const CFileHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

// A write the driver kept past its cancel. The system may still write into it, so it lives
// until it completes, and meanwhile the port is not opened again: each new handle's writes
// would be kept the same way.
class CStuckWrite {
public:
    CStuckWrite() = default;
    CStuckWrite(const CStuckWrite&) = delete;
    CStuckWrite& operator=(const CStuckWrite&) = delete;
    // Still the driver's at the end: left to it.
    ~CStuckWrite() {
        if (Held()) (void)m_write.release();
    }
    void Keep(std::unique_ptr<PendingWrite> write) { m_write = std::move(write); }
    // True while the driver holds it; freed once it completed.
    bool Held() {
        if (m_write && WaitForSingleObject(m_write->done.get(), 0) == WAIT_TIMEOUT) return true;
        m_write.reset();
        return false;
    }

private:
    std::unique_ptr<PendingWrite> m_write;
};

class CSerialDevice final : public CDevice {
public:
    CSerialDevice(CFileHandle port, const SerialConfig& config, CStuckWrite& stuck)
        : m_port(std::move(port)), m_stuck(stuck), m_encoder(config),
          m_name("serial: " + config.PortName()),
          m_waitMs(WriteTimeoutMs(config) + kWriteWaitSlackMs) {}

    DWORD Show(std::uint8_t value, bool all) override {
        if (all) m_encoder.Forget();
        return Send(m_encoder.Show(value));
    }
    // Relay modules hear no keep-alive: the port is asked how it is instead, which fails
    // once the adapter is unplugged.
    DWORD Repeat() override {
        auto bytes = m_encoder.Repeat();
        if (!bytes.empty()) return Send(std::move(bytes));
        DWORD errors = 0;
        return ClearCommError(m_port.get(), &errors, nullptr) ? 0 : GetLastError();
    }
    std::string Name() const override { return m_name; }

private:
    // A write cut short leaves the rest of its frame owed: see CSerialEncoder::Cut.
    DWORD Send(Bytes bytes) {
        const DWORD size = DWORD(bytes.size());
        if (!size) return 0;
        if (!m_write) return ERROR_IO_INCOMPLETE;
        if (!m_write->done) return ERROR_OUTOFMEMORY;
        m_write->bytes = std::move(bytes);
        m_write->overlapped = {};
        m_write->overlapped.hEvent = m_write->done.get();
        DWORD written = 0, error = 0;
        if (!WriteFile(m_port.get(), m_write->bytes.data(), size, &written, &m_write->overlapped)) {
            error = GetLastError();
            if (error == ERROR_IO_PENDING) error = Finish(written);
        }
        if (written < size) m_encoder.Cut(written);
        if (error) return error;
        return written == size ? 0 : ERROR_TIMEOUT;
    }

    // Waits for the pending write, cancelling it when it outlasts its bound.
    DWORD Finish(DWORD& written) {
        const HANDLE done = m_write->done.get();
        if (WaitForSingleObject(done, m_waitMs) == WAIT_TIMEOUT) {
            CancelIoEx(m_port.get(), &m_write->overlapped);
            if (WaitForSingleObject(done, kCancelWaitMs) == WAIT_TIMEOUT) {
                m_stuck.Keep(std::move(m_write));
                return ERROR_IO_INCOMPLETE; // a driver that cannot cancel: as gone
            }
        }
        return GetOverlappedResult(m_port.get(), &m_write->overlapped, &written, FALSE)
                   ? 0
                   : GetLastError();
    }

    CFileHandle m_port;
    CStuckWrite& m_stuck;
    std::unique_ptr<PendingWrite> m_write = std::make_unique<PendingWrite>();
    CSerialEncoder m_encoder;
    std::string m_name;
    const DWORD m_waitMs;
};

class CSerialSource final : public CDeviceSource {
public:
    CSerialSource(CBoardPort board, OpenedPort port)
        : m_board(std::move(board)), m_ready(std::move(port)) {}

    // The port opened when the back end was chosen serves the first OpenPrt, so a board
    // that resets when its port opens does so once.
    std::unique_ptr<CDevice> Connect(CReporter& notes) override {
        std::wstring why;
        auto port = m_ready.handle ? std::move(m_ready) : OpenAgain(notes, why);
        if (!port.handle) {
            notes.PortNote(0, why);
            return nullptr;
        }
        SetUpPort(port, m_board.Config(), notes);
        return std::make_unique<CSerialDevice>(std::move(port.handle), m_board.Config(), m_stuck);
    }

private:
    OpenedPort OpenAgain(CReporter& notes, std::wstring& why) {
        if (!m_stuck.Held()) return m_board.Open(notes, why);
        notes.TraceNote("serial: " + m_board.Config().PortName() +
                        ": the driver still holds a write it did not cancel; not opened again");
        why = WidePortName(m_board.Config()) + L" не отвечает";
        return {};
    }

    CBoardPort m_board;
    OpenedPort m_ready;
    CStuckWrite m_stuck; // Connect's and its devices', on the writer thread
};

} // namespace

std::unique_ptr<CBackend> MakeSerialBackend(CSettings& settings, CReporter& reporter,
                                            std::wstring& why) {
    const auto config = ReadSerialConfig(settings);
    if (!config) {
        const bool unset = !settings.Raw("serial_port");
        if (unset) reporter.TraceNote("serial: serial_port is not set");
        why = unset ? L"COM-порт не задан" : L"ошибка настройки COM";
        return nullptr;
    }
    CDeviceWriter::AwaitStopped(); // a close that gave up may still hold the port
    CBoardPort board(*config);
    auto port = board.Open(reporter, why);
    if (!port.handle) return nullptr;
    reporter.TraceNote("serial: " + board.Config().Describe());
    return std::make_unique<CDeviceBackend>(
        std::make_shared<CSerialSource>(std::move(board), std::move(port)), reporter);
}

} // namespace tavo
