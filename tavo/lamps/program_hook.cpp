#include "tavo/lamps/program_hook.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "tavo/lamps/lamp_place.h"

namespace tavo {

struct ProgramWatch {
    HWND window = nullptr;
    CProgramHook::Kind kind = CProgramHook::Kind::Sent;
    CProgramHook::Handler handler;
    HHOOK hook = nullptr;
    int calls = 0; // handler calls under way, with g_mutex
};

namespace {

std::mutex g_mutex; // guards the watches and their calls
std::condition_variable g_callEnded;
std::vector<std::shared_ptr<ProgramWatch>> g_watches;

// The handlers run without the lock, so that one may wait for another thread.
LRESULT Seen(CProgramHook::Kind kind, HWND window, const MSG& message, int code, WPARAM wp,
             LPARAM lp) {
    std::vector<std::shared_ptr<ProgramWatch>> watching;
    if (code == HC_ACTION) {
        const std::lock_guard lock(g_mutex);
        for (const auto& watch : g_watches)
            if (watch->kind == kind && watch->window == window) {
                ++watch->calls;
                watching.push_back(watch);
            }
    }
    for (const auto& watch : watching) {
        try {
            watch->handler(message.message, message.wParam, message.lParam);
        } catch (...) {
        }
        const std::lock_guard lock(g_mutex);
        --watch->calls;
    }
    if (!watching.empty()) g_callEnded.notify_all();
    return CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK SentToThread(int code, WPARAM wp, LPARAM lp) {
    const auto& sent = *reinterpret_cast<const CWPSTRUCT*>(lp);
    return Seen(CProgramHook::Kind::Sent, sent.hwnd,
                {sent.hwnd, sent.message, sent.wParam, sent.lParam, 0, {}}, code, wp, lp);
}

// A key goes to the control with the focus: it counts for the window it is in.
LRESULT CALLBACK TakenByThread(int code, WPARAM wp, LPARAM lp) {
    const auto& taken = *reinterpret_cast<const MSG*>(lp);
    const HWND window = wp == PM_REMOVE && taken.hwnd ? GetAncestor(taken.hwnd, GA_ROOT) : nullptr;
    return Seen(CProgramHook::Kind::Posted, window, taken, code, wp, lp);
}

} // namespace

CProgramHook::CProgramHook(HMODULE self, Kind kind, Handler handler) {
    const HWND program = ProgramWindow();
    if (!program) return;
    auto watch = std::make_shared<ProgramWatch>(program, kind, std::move(handler));
    const std::lock_guard lock(g_mutex);
    watch->hook = SetWindowsHookExW(kind == Kind::Sent ? WH_CALLWNDPROC : WH_GETMESSAGE,
                                    kind == Kind::Sent ? SentToThread : TakenByThread, self,
                                    GetWindowThreadProcessId(program, nullptr));
    if (!watch->hook) return;
    g_watches.push_back(watch);
    m_watch = std::move(watch);
}

// Waits for a handler call under way on the program's thread: its owner, and the library
// with the handler's code, may go right after.
CProgramHook::~CProgramHook() {
    if (!m_watch) return;
    UnhookWindowsHookEx(m_watch->hook);
    std::unique_lock lock(g_mutex);
    std::erase(g_watches, m_watch);
    g_callEnded.wait(lock, [&] { return m_watch->calls == 0; });
}

} // namespace tavo
