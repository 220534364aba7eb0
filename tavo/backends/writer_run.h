// The writer thread of a USB device (device_writer.h): the state it shares with its
// CDeviceWriter, and its loop, which writes each latest value, repeats it, notes when the
// device stops reading, and looks for a device that went away until it is back.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "tavo/backends/device_writer.h"
#include "tavo/backends/held_notes.h"
#include "tavo/settings/file_handle.h"

namespace tavo {

// Held by the writer and by its thread, which may outlive it.
struct WriterShared {
    WriterShared(CReporter& r, std::unique_ptr<CDevice> d, std::shared_ptr<CDeviceSource> s)
        : reporter(r), name(d->Name()), source(std::move(s)), device(std::move(d)) {}

    CReporter& reporter;
    const std::string name;
    const std::shared_ptr<CDeviceSource> source;
    std::unique_ptr<CDevice> device; // the thread's alone once it runs; null while gone
    const CFileHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    const CFileHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    HMODULE module = nullptr;
    std::atomic<bool> failed{false}; // the thread ended early

    std::mutex mutex; // guards the two below
    std::optional<std::uint8_t> value;
    bool stopping = false;
};

// The writer thread's loop and what only it knows.
class CWriterRun {
public:
    explicit CWriterRun(WriterShared& shared) : m_shared(shared) {}

    // Shows 0 on every line, then each latest value, until stopped; then 0 again.
    void Main();

private:
    DWORD WaitMs() const;

    // A value whose write did not complete is told every line of it again, at the next
    // value or after a quiet while, since relay boards hear no keep-alive. A write that
    // failed outright is tried once more before the device counts as gone.
    void Show(std::uint8_t value, bool all) { Shown(value, Write(*m_shared.device, value, all)); }

    static DWORD Write(CDevice& device, std::uint8_t value, bool all);

    void Shown(std::uint8_t value, DWORD error);

    void Repeat();

    // Notes what a write's result changes: once when the device stops reading, once when
    // it reads again, once when it is gone.
    void Report(DWORD error);

    // The first try comes at once: a board that dropped may be back already.
    void Gone(DWORD error);

    // Tries to open the device again and show it the row; the trace hears of a try that
    // fails only when it fails otherwise than the one before. A device that opens but takes
    // no row is not back: Wine 10 opens a vanished board until its server restarts. The
    // next try comes a while after this one ends, however long it took.
    void LookAgain();

    WriterShared& m_shared;
    std::optional<std::uint8_t> m_unshown;
    std::uint8_t m_latest = 0; // the row on the lines, or owed to them
    bool m_stalled = false;
    ULONGLONG m_nextLook = 0;
    CHeldNotes m_lastTry;
};

} // namespace tavo
