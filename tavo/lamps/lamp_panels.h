// The lamp panels: one small window per opened port with eight round lamps, D0 at the
// left, lit as the low byte of the last value written to that port. A thread of the
// library owns the windows and paints; the exports only store values and wake it.
//
// The thread starts at the first Show, holds its own reference to the module and ends,
// through FreeLibraryAndExitThread, once no panel is left open; the next Show starts it
// again. So the program may free the library while a panel shows: the library stays
// until the panel is closed or the process ends, and nothing ever waits for the thread.
//
// A right click on a panel, or the context-menu key in the program, offers "Выходы…",
// which calls the action the exports gave; the window it opens is not this room's business.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "tavo/settings/file_handle.h"

namespace tavo {

class CLampWindow;

class CLampPanels {
public:
    // `openOutputs`: what "Выходы…" in a panel's menu does, on the panel thread, given
    // the panel's port.
    CLampPanels(HMODULE self, std::function<void(std::uint32_t)> openOutputs);
    ~CLampPanels();
    CLampPanels(const CLampPanels&) = delete;
    CLampPanels& operator=(const CLampPanels&) = delete;

    // At OpenPrt: shows the port's panel (created on first use, brought back when the
    // user closed it) with `caption`, e.g. "LPT1 378h". Starts the thread when needed.
    void Show(std::uint32_t address, const std::wstring& caption);
    // At W_P: stores the value for the panel's thread; never waits.
    void Set(std::uint32_t address, std::uint8_t value);
    // A short note after the caption ("нет связи") from `source` (a back end); empty clears
    // it. Address 0 sets the source's note of every port and clears its others. The notes
    // of several sources stand side by side. Any thread, whether or not a panel shows.
    void Note(int source, std::uint32_t address, const std::wstring& note);
    // Runs `probe` once on the panel thread, after the panels show; what it answers is a
    // hint after every caption ("есть COM3: «Выходы…»") until ClearHint, or until the
    // user opens the window from the menu. Any thread; never waits.
    void Probe(std::function<std::wstring()> probe);
    void ClearHint();
    // At process exit the thread is already gone: forget it instead of stopping it.
    void Abandon();

private:
    // More ports than this in one process get no panel.
    static constexpr std::size_t kMaxPanels = 8;

    // One port's panel as the exports and the thread share it.
    struct Slot {
        std::uint32_t address = 0;         // fixed before the slot is counted
        std::atomic<std::uint8_t> value{}; // the last byte written
        std::wstring caption;              // m_lock
        bool showAsked = false;            // m_lock: a Show the thread has not served yet
    };
    // What the thread is told for one slot.
    struct Order {
        bool show = false;
        std::wstring caption;
    };
    using Windows = std::array<std::unique_ptr<CLampWindow>, kMaxPanels>;

    static DWORD WINAPI ThreadMain(void* panels);
    void Run();
    void Serve(Windows& windows);
    Order TakeOrder(Slot& slot);
    std::wstring NotesOf(std::uint32_t address) const;
    bool RunProbe();
    void OpenOutputs(std::uint32_t address);
    bool Retire(bool force);
    void StartThread();

    const HMODULE m_self;
    const std::function<void(std::uint32_t)> m_openOutputs;
    const CFileHandle m_wake; // auto-reset: a burst of writes is one repaint
    std::array<Slot, kMaxPanels> m_slots;
    std::atomic<std::size_t> m_count{0};
    std::atomic<HWND> m_keyPanel{nullptr}; // the first open panel, for the program's keys
    std::mutex m_lock;                     // captions, notes, show requests, the thread's life
    // By source, then address (0: every port).
    std::map<std::pair<int, std::uint32_t>, std::wstring> m_notes;
    bool m_threadRunning = false;
    std::function<std::wstring()> m_probe; // m_lock: not run yet
    std::wstring m_hint;                   // m_lock
};

} // namespace tavo
