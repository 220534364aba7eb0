// The lamp panels: one small window per opened port with eight round lamps, D0 at the
// left, lit as the low byte of the last value written to that port. A thread of the
// library owns the windows and paints; the exports only store values and wake it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace tavo {

class CLampPanels {
public:
    explicit CLampPanels(HMODULE self);
    ~CLampPanels();
    CLampPanels(const CLampPanels&) = delete;
    CLampPanels& operator=(const CLampPanels&) = delete;

    // At OpenPrt: shows the port's panel (created on first use, brought back when the
    // user closed it) with `caption`, e.g. "LPT1 378h". Starts the thread when needed.
    void Show(std::uint32_t address, const std::wstring& caption);
    // At W_P: stores the value for the panel's thread; never waits.
    void Set(std::uint32_t address, std::uint8_t value);
    // A short note after the caption ("нет связи"); empty clears it. Any thread.
    void Note(std::uint32_t address, const std::wstring& note);
    // At process exit the thread is already gone: forget it instead of stopping it.
    void Abandon();

private:
    HMODULE m_self;
};

} // namespace tavo
