// Back ends that drive one USB device for every open port. W_P only stores the latest
// value; a thread of the library writes it, repeats it for boards that want a keep-alive,
// notes once when the device stops reading, and when it goes away lets go of it and looks
// for it again until it is back. The thread holds its own reference to the module, so the
// program may free the library at any moment.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "tavo/backends/backend.h"

namespace tavo {

// One open device as the writer thread drives it. The results are Windows error codes:
// 0 when sent; ERROR_TIMEOUT or ERROR_OPERATION_ABORTED when the device did not take the
// bytes in time (it is kept); anything else, twice in a row, when it is gone.
class CDevice {
public:
    virtual ~CDevice() = default;
    // `all`: tell the device every line, not only those that changed.
    virtual DWORD Show(std::uint8_t value, bool all) = 0;
    // Called after a quiet while: the keep-alive of protocols whose boards want to hear
    // from us, else a cheap look whether the device is still there, so one unplugged
    // during a long pause is let go at once.
    virtual DWORD Repeat() { return 0; }
    // "COM3", "USBRelay2 ABCDE": for the notes.
    virtual std::string Name() const = 0;
};

// Opens the device: at the first OpenPrt, then from the writer thread while it is gone.
// Shared with that thread, which may outlive the back end.
class CDeviceSource {
public:
    virtual ~CDeviceSource() = default;
    // The device, or nullptr with notes to `notes` on why not. Called by one thread at a time.
    virtual std::unique_ptr<CDevice> Connect(CReporter& notes) = 0;
    // The clock the tries to connect again are spaced by, in milliseconds.
    virtual ULONGLONG Now() const { return GetTickCount64(); }
};

struct WriterShared; // writer_run.h

class CDeviceWriter {
public:
    explicit CDeviceWriter(CReporter& reporter) : m_reporter(reporter) {}
    // Never waits: a thread still finishing keeps what it uses.
    ~CDeviceWriter() = default;
    CDeviceWriter(const CDeviceWriter&) = delete;
    CDeviceWriter& operator=(const CDeviceWriter&) = delete;

    // Starts a thread that shows 0 on every line of `device`, then each latest value;
    // `source` opens the device again when it has gone away.
    void Start(std::unique_ptr<CDevice> device, std::shared_ptr<CDeviceSource> source);
    void Set(std::uint8_t value);
    // Shows 0 on every line and closes the device; waits for that a bounded while only.
    void Stop();
    // Started, and the thread still runs (it looks for a device that went away itself).
    bool Live() const;
    // Before a device is opened: waits, a bounded while, for the threads whose Stop gave
    // up to close theirs, so the port is free and no late all-off reaches the new run.
    static void AwaitStopped();

private:
    static DWORD WINAPI ThreadMain(void* ticket);
    // The threads whose Stop gave up, while they run.
    struct Stopping {
        std::mutex mutex;
        std::vector<std::weak_ptr<WriterShared>> threads;
    };
    static Stopping& GaveUp();

    CReporter& m_reporter;
    std::shared_ptr<WriterShared> m_shared;
};

// The lines of every open port go to one device, connected at the first OpenPrt (and
// again at an OpenPrt after its writer failed), shown 0 and closed at the last ClosePrt.
class CDeviceBackend : public CBackend {
public:
    CDeviceBackend(std::shared_ptr<CDeviceSource> source, CReporter& reporter)
        : m_source(std::move(source)), m_reporter(reporter), m_writer(reporter) {}

    bool DrivesHardware() const override { return true; }
    void Open(const PortRef& port) override;
    void Write(const PortRef& port, std::uint8_t value) override;
    void Close(const PortRef& port) override;

private:
    const std::shared_ptr<CDeviceSource> m_source;
    CReporter& m_reporter;
    CDeviceWriter m_writer;
    std::set<std::uint32_t> m_open; // handles
};

} // namespace tavo
