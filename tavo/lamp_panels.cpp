#include "lamp_panels.h"

#include "lamp_window.h"

#include <algorithm>
#include <utility>

namespace tavo {

CLampPanels::CLampPanels(HMODULE self)
    : m_self(self), m_wake(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

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

void CLampPanels::Note(std::uint32_t address, const std::wstring& note) {
    {
        // A port's own note, even an empty one, stands over the note of every port: a
        // port that opened fine is not "нет связи" because an earlier question failed.
        const std::lock_guard lock(m_lock);
        if (address == 0) m_notes.clear();
        if (address != 0 || !note.empty()) m_notes[address] = note;
    }
    SetEvent(m_wake.get());
}

// Nothing here waits for the thread or frees what it uses, so there is nothing to undo.
void CLampPanels::Abandon() {}

// With m_lock held. The thread's reference keeps the library mapped while it runs.
void CLampPanels::StartThread() {
    HMODULE reference = nullptr;
    if (!m_wake || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                       reinterpret_cast<LPCWSTR>(&ThreadMain), &reference))
        return;
    const HANDLE thread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    if (!thread) {
        FreeLibrary(reference);
        return;
    }
    CloseHandle(thread);
    m_threadRunning = true;
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
    Windows windows;
    for (;;) {
        Serve(windows);
        const bool anyOpen = std::any_of(windows.begin(), windows.end(),
                                         [](const auto& w) { return w && w->IsOpen(); });
        if (!anyOpen) {
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
    for (std::size_t i = 0; i < count; ++i) {
        Slot& slot = m_slots[i];
        auto& window = windows[i];
        if (window && !window->IsOpen()) window.reset();
        const Order order = TakeOrder(slot);
        if (order.show && !window)
            window = std::make_unique<CLampWindow>(m_self, slot.address, order.caption,
                                                   static_cast<int>(i));
        if (!window || !window->IsOpen()) continue;
        window->SetCaption(order.caption);
        window->Show(slot.value.load(std::memory_order_acquire));
        if (order.show) window->Reveal();
    }
}

CLampPanels::Order CLampPanels::TakeOrder(Slot& slot) {
    const std::lock_guard lock(m_lock);
    Order order{std::exchange(slot.showAsked, false), slot.caption};
    auto note = m_notes.find(slot.address);
    if (note == m_notes.end()) note = m_notes.find(0);
    if (note != m_notes.end() && !note->second.empty())
        order.caption += L" (" + note->second + L")";
    return order;
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
