// CMenuBarHostFrame: the frame layer that shows the frame's menu as a COXMenuBar. After
// the frame's WM_CREATE it takes the menu away from the frame, creates the bar on it,
// docks it at the top (any side allowed) and installs the thread hooks that give the bar
// hot tracking and the Alt keyboard mode. One such frame per process.
#pragma once
#include "menubar.h"

#include "framework/app.h"
#include "framework/frame.h"
#include "framework/minidock.h"

// What the hook procedures reach through the process-wide pointer.
class CMenuBarHookTarget {
public:
    virtual ~CMenuBarHookTarget() = default;
    virtual LRESULT HandleMouseHook(int code, WPARAM wp, LPARAM lp) = 0;
    virtual LRESULT HandleKeyboardHook(int code, WPARAM wp, LPARAM lp) = 0;
};

namespace menubarhooks {
// The frame the hooks serve (one per process).
CMenuBarHookTarget*& Target();
LRESULT CALLBACK MouseProc(int code, WPARAM wp, LPARAM lp);
LRESULT CALLBACK KeyboardProc(int code, WPARAM wp, LPARAM lp);
// Owns one thread hook.
class ScopedHook {
public:
    ScopedHook() = default;
    ~ScopedHook() { Remove(); }
    ScopedHook(const ScopedHook&) = delete;
    ScopedHook& operator=(const ScopedHook&) = delete;
    bool Install(int type, HOOKPROC proc) {
        Remove();
        m_hook = ::SetWindowsHookExW(type, proc, nullptr, ::GetCurrentThreadId());
        return m_hook != nullptr;
    }
    void Remove() {
        if (m_hook) ::UnhookWindowsHookEx(m_hook);
        m_hook = nullptr;
    }
    HHOOK get() const { return m_hook; }

private:
    HHOOK m_hook = nullptr;
};
} // namespace menubarhooks

template <class TBase> class CMenuBarHostFrame : public TBase, public CMenuBarHookTarget {
public:
    CMenuBarHostFrame() {
        this->m_pFloatingFrameClass = RUNTIME_CLASS(CMiniDockFrameWnd);
        menubarhooks::Target() = this;
    }
    ~CMenuBarHostFrame() override {
        RemoveHooks();
        if (m_menuBar.m_hWnd) m_menuBar.DestroyWindow();
        // Taken from the frame, the menu is no longer destroyed with its window.
        if (m_hMenu && ::IsMenu(m_hMenu)) ::DestroyMenu(m_hMenu);
        if (menubarhooks::Target() == this) menubarhooks::Target() = nullptr;
    }

    COXMenuBar& GetMenuBar() { return m_menuBar; }

    // Docking for the menu bar's sides; a frame with dock bars of its own overrides it.
    virtual void EnableDockingEx(DWORD dockStyle) { this->EnableDocking(dockStyle); }
    virtual bool CreateMenuBar(HMENU menu) {
        if (!m_menuBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_SIZE_DYNAMIC,
                              AFX_IDW_TOOLBAR))
            return false;
        bool attached = m_menuBar.SetMenu(menu);
        m_menuBar.SendMessage(WM_IDLEUPDATECMDUI, TRUE, 0);
        m_menuBar.EnableDocking(m_dwMenuBarDock);
        EnableDockingEx(m_dwMenuBarDock);
        this->DockControlBar(&m_menuBar, AFX_IDW_DOCKBAR_TOP);
        return attached;
    }
    LRESULT HandleMouseHook(int code, WPARAM wp, LPARAM lp) override {
        auto* info = reinterpret_cast<MOUSEHOOKSTRUCT*>(lp);
        if (code == HC_ACTION && m_menuBar.m_hWnd)
            m_menuBar.OnMouseHook(static_cast<UINT>(wp), info->pt);
        return ::CallNextHookEx(nullptr, code, wp, lp);
    }
    LRESULT HandleKeyboardHook(int code, WPARAM wp, LPARAM lp) override {
        if (code == HC_ACTION && m_menuBar.m_hWnd && this->IsWindowEnabled() &&
            m_menuBar.OnKeyboardHook(static_cast<UINT>(wp), lp))
            return 1;
        return ::CallNextHookEx(nullptr, code, wp, lp);
    }

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        LRESULT result = TBase::WindowProc(msg, wp, lp);
        if (msg == WM_CREATE && result != -1)
            TakeMenu();
        else if (msg == WM_DESTROY)
            RemoveHooks();
        else if (msg == WM_SETTINGCHANGE && m_menuBar.m_hWnd)
            m_menuBar.SendMessage(msg, wp, lp);
        return result;
    }

protected:
    COXMenuBar m_menuBar;
    menubarhooks::ScopedHook m_mouseHook;
    menubarhooks::ScopedHook m_keyboardHook;
    HMENU m_hMenu = nullptr;
    DWORD m_dwMenuBarDock = CBRS_ALIGN_ANY;

private:
    // The frame's menu becomes the menu bar.
    void TakeMenu() {
        m_hMenu = ::GetMenu(this->m_hWnd);
        ::SetMenu(this->m_hWnd, nullptr);
        if (CWinApp* app = AfxGetApp(); app && !app->m_pMainWnd) app->m_pMainWnd = this;
        CreateMenuBar(m_hMenu);
        m_mouseHook.Install(WH_MOUSE, &menubarhooks::MouseProc);
        m_keyboardHook.Install(WH_KEYBOARD, &menubarhooks::KeyboardProc);
    }
    void RemoveHooks() {
        m_mouseHook.Remove();
        m_keyboardHook.Remove();
    }
};
