// The serial back end: a USB serial board on a COM port. The frames come from
// serial_frames; here the port is opened, set up and written with a bound on every write,
// so a board that stops reading cannot hold up the writer thread or the close.
#include <windows.h>

#include "backends.h"
#include "device_writer.h"
#include "file_handle.h"
#include "serial_frames.h"

namespace tavo {
namespace {

// The driver's own bound on a write, and ours in case a driver ignores it.
constexpr DWORD kWriteTimeoutMs = 200;
constexpr DWORD kWriteWaitMs = 300;

std::wstring WidePortName(const SerialConfig& config) {
    return L"COM" + std::to_wstring(config.port);
}

// 8 data bits, no parity, one stop bit, no flow control. A virtual port (a pty under
// Wine) refuses some line settings; it is written all the same.
void SetUpPort(HANDLE port, const SerialConfig& config, CReporter& reporter) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(port, &dcb);
    dcb.BaudRate = config.baud;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = dcb.fInX = dcb.fNull = dcb.fAbortOnError = FALSE;
    // DTR and RTS stay low: an Arduino-class board resets when DTR rises (losing the first
    // rows of every run to its boot loader), and ESP boards are held in reset by RTS.
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    if (!SetCommState(port, &dcb))
        reporter.TraceNote("serial: " + config.PortName() + " refused the line settings, error " +
                           std::to_string(GetLastError()) + "; writing anyway");
    COMMTIMEOUTS timeouts{};
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    SetCommTimeouts(port, &timeouts);
}

// The port set up for `config`; empty, with notes and `why`, when it cannot be opened.
CFileHandle OpenComPort(const SerialConfig& config, CReporter& reporter, std::wstring& why) {
    const auto path = L"\\\\.\\" + WidePortName(config);
    auto port = AdoptFile(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (!port) {
        const DWORD error = GetLastError();
        const bool taken = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
        reporter.TraceNote("serial: cannot open " + config.PortName() + ", error " +
                           std::to_string(error) + (taken ? " (in use by another program)" : ""));
        why = WidePortName(config) + (taken ? L" занят" : L" недоступен");
        return port;
    }
    SetUpPort(port.get(), config, reporter);
    return port;
}

class CSerialDevice final : public CDevice {
public:
    CSerialDevice(CFileHandle port, const SerialConfig& config)
        : m_port(std::move(port)), m_encoder(config), m_name("serial: " + config.PortName()) {}

    DWORD Show(std::uint8_t value, bool all) override {
        if (all) m_encoder.Forget();
        return Send(m_encoder.Show(value));
    }
    DWORD Repeat() override { return Send(m_encoder.Repeat()); }
    std::string Name() const override { return m_name; }

private:
    DWORD Send(const Bytes& bytes) {
        if (bytes.empty()) return 0;
        if (!m_written) return ERROR_OUTOFMEMORY;
        OVERLAPPED overlapped{};
        overlapped.hEvent = m_written.get();
        DWORD written = 0;
        if (!WriteFile(m_port.get(), bytes.data(), DWORD(bytes.size()), &written, &overlapped)) {
            const DWORD error = GetLastError();
            if (error != ERROR_IO_PENDING) return error;
            if (WaitForSingleObject(m_written.get(), kWriteWaitMs) == WAIT_TIMEOUT)
                CancelIoEx(m_port.get(), &overlapped);
            if (!GetOverlappedResult(m_port.get(), &overlapped, &written, TRUE))
                return GetLastError();
        }
        return written == bytes.size() ? 0 : ERROR_TIMEOUT;
    }

    CFileHandle m_port;
    const CFileHandle m_written{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    CSerialEncoder m_encoder;
    std::string m_name;
};

class CSerialBackend final : public CDeviceBackend {
public:
    CSerialBackend(const SerialConfig& config, CFileHandle port, CReporter& reporter)
        : CDeviceBackend(reporter), m_config(config), m_ready(std::move(port)) {}

protected:
    // The port opened when the back end was chosen serves the first OpenPrt, so a board
    // that resets when its port opens does so once.
    std::unique_ptr<CDevice> Connect() override {
        std::wstring why;
        auto port = m_ready ? std::move(m_ready) : OpenComPort(m_config, m_reporter, why);
        if (!port) {
            m_reporter.PortNote(0, why);
            return nullptr;
        }
        return std::make_unique<CSerialDevice>(std::move(port), m_config);
    }

private:
    const SerialConfig m_config;
    CFileHandle m_ready;
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
    auto port = OpenComPort(*config, reporter, why);
    if (!port) return nullptr;
    reporter.TraceNote("serial: " + config->Describe());
    return std::make_unique<CSerialBackend>(*config, std::move(port), reporter);
}

} // namespace tavo
