#include "tavo/lamps/lamp_panels.h"

#include "tavo/lamps/lamp_window.h"
#include "tavo/lamps/program_hook.h"
#include "tavo/settings/library_thread.h"

#include <algorithm>
#include <utility>

namespace tavo {

CLampPanels::CLampPanels(HMODULE self, std::function<void(std::uint32_t)> openOutputs)
    : m_self(self), m_openOutputs(std::move(openOutputs)),
      m_wake(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

// Runs at an unload, when the thread is not running (it holds the module) or is the one
// unloading it on its way out: nothing to wait for.
CLampPanels::~CLampPanels() = default;

void CLampPanels::Show(std::uint32_t address, const std::wstring& caption) {
    {
        const std::lock_guard lock(m_lock);
        const std::size_t count = m_count.load();
        Slot* slot = nullptr;
        for (std::size_t i = 0; i < count && !slot; ++i)
            if (m_slots[i].address == address) slot = &m_slots[i];
        if (!slot) {
            if (count == kMaxPanels) return;
            slot = &m_slots[count];
            slot->address = address;
            m_count.store(count + 1, std::memory_order_release);
        }
        slot->caption = caption;
        slot->showAsked = true;
        if (!m_threadRunning) StartThread();
    }
    SetEvent(m_wake.get());
}

void CLampPanels::Set(std::uint32_t address, std::uint8_t value) {
    const std::size_t count = m_count.load(std::memory_order_acquire);
    for (std::size_t i = 0; i < count; ++i) {
        if (m_slots[i].address != address) continue;
        m_slots[i].value.store(value, std::memory_order_release);
        SetEvent(m_wake.get());
        return;
    }
}

void CLampPanels::Note(int source, std::uint32_t address, const std::wstring& note) {
    {
        // A port's own note, even an empty one, stands over the source's note of every
        // port: a port that opened fine is not "нет связи" because an earlier question failed.
        const std::lock_guard lock(m_lock);
        if (address == 0)
            std::erase_if(m_notes, [&](const auto& entry) { return entry.first.first == source; });
        if (address != 0 || !note.empty()) m_notes[{source, address}] = note;
    }
    SetEvent(m_wake.get());
}

void CLampPanels::Probe(std::function<std::wstring()> probe) {
    {
        const std::lock_guard lock(m_lock);
        m_probe = std::move(probe);
    }
    SetEvent(m_wake.get());
}

void CLampPanels::ClearHint() {
    {
        const std::lock_guard lock(m_lock);
        m_probe = nullptr;
        m_hint.clear();
    }
    SetEvent(m_wake.get());
}

// Nothing here waits for the thread or frees what it uses, so there is nothing to undo.
void CLampPanels::Abandon() {}

// With m_lock held. The thread's reference keeps the library mapped while it runs.
void CLampPanels::StartThread() {
    m_threadRunning = m_wake && StartLibraryThread(ThreadMain, this);
}

DWORD WINAPI CLampPanels::ThreadMain(void* panels) {
    auto& self = *static_cast<CLampPanels*>(panels);
    const HMODULE module = self.m_self;
    try {
        self.Run();
    } catch (...) {
        self.Retire(true);
    }
    // May unload the library, and with it `self`.
    FreeLibraryAndExitThread(module, 0);
}

void CLampPanels::Run() {
    CLampWindow::Register(m_self);
    // The panels never take the focus, so the context-menu key (or Shift+F10) in the
    // program, which leaves it unused, opens the first panel's menu.
    const CProgramHook keys(
        m_self, CProgramHook::Kind::Posted, [this](UINT message, WPARAM key, LPARAM) {
            const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
            const bool menuKey = key == VK_APPS || (key == VK_F10 && GetKeyState(VK_SHIFT) < 0);
            if (const HWND panel = m_keyPanel.load(); down && menuKey && panel)
                PostMessageW(panel, WM_CONTEXTMENU, WPARAM(panel), -1);
        });
    Windows windows;
    for (;;) {
        Serve(windows);
        if (RunProbe()) continue;
        const bool anyOpen = std::any_of(windows.begin(), windows.end(),
                                         [](const auto& w) { return w && w->IsOpen(); });
        if (!anyOpen) {
            m_keyPanel = nullptr;
            for (auto& window : windows)
                window.reset();
            if (Retire(false)) return;
        }
        const HANDLE wake = m_wake.get();
        MsgWaitForMultipleObjectsEx(1, &wake, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

// Brings every window in line with its slot: made or dropped, captioned, lit.
void CLampPanels::Serve(Windows& windows) {
    const std::size_t count = m_count.load(std::memory_order_acquire);
    HWND first = nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        Slot& slot = m_slots[i];
        auto& window = windows[i];
        if (window && !window->IsOpen()) window.reset();
        const Order order = TakeOrder(slot);
        if (order.show && !window)
            window = std::make_unique<CLampWindow>(
                m_self, slot.address, order.caption, static_cast<int>(i),
                [this, address = slot.address] { OpenOutputs(address); });
        if (!window || !window->IsOpen()) continue;
        if (!first) first = window->Handle();
        window->SetCaption(order.caption);
        window->Show(slot.value.load(std::memory_order_acquire));
        if (order.show) window->Reveal();
    }
    m_keyPanel = first;
}

CLampPanels::Order CLampPanels::TakeOrder(Slot& slot) {
    const std::lock_guard lock(m_lock);
    Order order{std::exchange(slot.showAsked, false), slot.caption};
    const auto notes = NotesOf(slot.address);
    if (!notes.empty()) order.caption += L" (" + notes + L")";
    if (!m_hint.empty()) order.caption += L" (" + m_hint + L")";
    return order;
}

// With m_lock held: each source's note of the port, or else of every port.
std::wstring CLampPanels::NotesOf(std::uint32_t address) const {
    std::wstring notes;
    for (auto entry = m_notes.begin(); entry != m_notes.end();) {
        const int source = entry->first.first;
        auto note = m_notes.find({source, address});
        if (note == m_notes.end()) note = m_notes.find({source, 0});
        if (note != m_notes.end() && !note->second.empty())
            notes += (notes.empty() ? L"" : L", ") + note->second;
        entry = m_notes.upper_bound({source, UINT32_MAX});
    }
    return notes;
}

// The probe handed over, once the panels show; true when one ran.
bool CLampPanels::RunProbe() {
    std::function<std::wstring()> probe;
    {
        const std::lock_guard lock(m_lock);
        probe = std::exchange(m_probe, nullptr);
    }
    if (!probe) return false;
    std::wstring hint;
    try {
        hint = probe();
    } catch (...) {
    }
    const std::lock_guard lock(m_lock);
    m_hint = std::move(hint);
    return true;
}

// The hint has done its work once the user opens the window.
void CLampPanels::OpenOutputs(std::uint32_t address) {
    ClearHint();
    if (m_openOutputs) m_openOutputs(address);
}

// The thread ends unless a Show came in meanwhile; the class goes first, so that a thread
// started after this one registers it afresh.
bool CLampPanels::Retire(bool force) {
    const std::lock_guard lock(m_lock);
    if (!force)
        for (std::size_t i = 0; i < m_count.load(); ++i)
            if (m_slots[i].showAsked) return false;
    CLampWindow::Unregister(m_self);
    m_threadRunning = false;
    return true;
}

} // namespace tavo
