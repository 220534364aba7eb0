// A watch on the program's window (its frame, found as the lamp panels find it), on the
// program's own thread: the messages sent to the frame before it handles them, or the
// messages posted to it or to its controls (the keys) as the program takes them.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

namespace tavo {

struct ProgramWatch;

class CProgramHook {
public:
    enum class Kind { Sent, Posted };
    // Runs on the program's thread; may wait, never for the program's thread nor for the
    // hook's end.
    using Handler = std::function<void(UINT message, WPARAM wParam, LPARAM lParam)>;

    // Watches the program's window of this process as it is now; nothing when there is none.
    CProgramHook(HMODULE self, Kind kind, Handler handler);
    ~CProgramHook();
    CProgramHook(const CProgramHook&) = delete;
    CProgramHook& operator=(const CProgramHook&) = delete;

private:
    std::shared_ptr<ProgramWatch> m_watch;
};

} // namespace tavo
