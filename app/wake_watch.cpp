#include "app/wake_watch.h"

#include <optional>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {
// How long the schedule file must keep its time and size before it is read.
constexpr DWORD kSettleMs = 300;
} // namespace

bool CWakeWatch::FileStamp::operator==(const FileStamp& o) const {
    return exists == o.exists && size == o.size && CompareFileTime(&written, &o.written) == 0;
}

CWakeWatch::CWakeWatch(HWND window, UINT dueMessage, UINT fileMessage, std::wstring folder,
                       std::wstring file)
    : m_window(window), m_dueMessage(dueMessage), m_fileMessage(fileMessage),
      m_file(std::move(file)) {
    m_timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                     TIMER_ALL_ACCESS);
    if (!m_timer) m_timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    m_quit = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_change = FindFirstChangeNotificationW(
        folder.c_str(), FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE);
    m_thread = std::thread([this] { Watch(); });
}

CWakeWatch::~CWakeWatch() {
    if (m_quit) SetEvent(m_quit);
    if (m_thread.joinable()) m_thread.join();
    if (m_change != INVALID_HANDLE_VALUE) FindCloseChangeNotification(m_change);
    if (m_quit) CloseHandle(m_quit);
    if (m_timer) CloseHandle(m_timer);
}

void CWakeWatch::WakeAt(LARGE_INTEGER due) {
    if (m_timer) SetWaitableTimer(m_timer, &due, 0, nullptr, nullptr, FALSE);
}

void CWakeWatch::Cancel() {
    if (m_timer) CancelWaitableTimer(m_timer);
}

CWakeWatch::FileStamp CWakeWatch::Stamp() const {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(m_file.c_str(), GetFileExInfoStandard, &data)) return {};
    return {true, data.ftLastWriteTime,
            (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow};
}

// Every other file of the folder (port.cst, a trace) wakes the thread too, but only a
// changed schedule file reaches the window, and only once it has held still for a moment:
// an editor that empties the file before it writes must not pass for an empty schedule.
void CWakeWatch::Watch() {
    if (!m_quit || !m_timer) return;
    FileStamp posted = Stamp();
    FileStamp seen = posted;
    std::optional<ULONGLONG> settled; // when the file, changed, counts as still
    HANDLE waits[3] = {m_quit, m_timer, m_change};
    const DWORD count = m_change != INVALID_HANDLE_VALUE ? 3 : 2;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD timeout = !settled         ? INFINITE
                              : *settled > now ? static_cast<DWORD>(*settled - now)
                                               : 0;
        const DWORD which = WaitForMultipleObjects(count, waits, FALSE, timeout);
        ++m_wakes;
        if (which == WAIT_OBJECT_0 + 1) {
            PostMessageW(m_window, m_dueMessage, 0, 0);
        } else if (which == WAIT_OBJECT_0 + 2) {
            FindNextChangeNotification(m_change);
            const FileStamp stamp = Stamp();
            if (!(stamp == seen)) settled = GetTickCount64() + kSettleMs; // from its last change
            seen = stamp;
        } else if (which != WAIT_TIMEOUT) {
            return; // the quit event, or a wait that cannot go on
        }
        if (settled && GetTickCount64() >= *settled) {
            settled.reset();
            if (!(seen == posted)) PostMessageW(m_window, m_fileMessage, 0, 0);
            posted = seen;
        }
    }
}
