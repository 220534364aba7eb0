// The serial back end: a USB serial board on a COM port. The frames come from
// serial_frames, the port from board_port; here it is written with a bound on every write,
// so a board that stops reading cannot hold up the writer thread or the close.
#include <windows.h>

#include "tavo/backends/backends.h"
#include "tavo/backends/device_writer.h"
#include "tavo/backends/serial/board_port.h"
#include "tavo/backends/serial/serial_frames.h"
#include "tavo/settings/file_handle.h"

namespace tavo {
namespace {

// Beyond the driver's own bound on a write (WriteTimeoutMs), ours in case a driver
// ignores it, and then on its cancel.
constexpr DWORD kWriteWaitSlackMs = 100;
constexpr DWORD kCancelWaitMs = 500;

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
        why = ComText(m_board.Config().port) + L" не отвечает";
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
