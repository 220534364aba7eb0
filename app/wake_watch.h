// What wakes the show driver between shows, watched on a thread of its own so the message
// loop needs no polling: a waitable timer at the next start or stop (high resolution where
// the system has it), and a change of one file in a folder (schedule.ini beside port.cst).
// Each event is posted to a window; nothing else wakes the thread.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

class CWakeWatch {
public:
    // Posts `dueMessage` when the timer is due and `fileMessage` when `file` (a path in
    // `folder`) has changed its time, size or presence.
    CWakeWatch(HWND window, UINT dueMessage, UINT fileMessage, std::wstring folder,
               std::wstring file);
    ~CWakeWatch();
    CWakeWatch(const CWakeWatch&) = delete;
    CWakeWatch& operator=(const CWakeWatch&) = delete;

    // The next wake at an absolute UTC due time (FILETIME ticks); Cancel: none.
    void WakeAt(LARGE_INTEGER due);
    void Cancel();

    // Times the thread woke (the timer, the folder or a stop): the bench counts them.
    std::uint64_t Wakes() const { return m_wakes.load(); }

private:
    struct FileStamp {
        bool exists = false;
        FILETIME written{};
        std::uint64_t size = 0;
        bool operator==(const FileStamp& o) const;
    };
    FileStamp Stamp() const;
    void Watch();

    HWND m_window;
    UINT m_dueMessage;
    UINT m_fileMessage;
    std::wstring m_file;
    HANDLE m_timer = nullptr;
    HANDLE m_quit = nullptr;
    HANDLE m_change = INVALID_HANDLE_VALUE;
    std::atomic<std::uint64_t> m_wakes{0};
    std::thread m_thread; // last: starts once everything above exists
};
