// A frame like the program's main frame (status bar, command panel, menu bar layer) for
// tests with real windows, and helpers to pump messages and send real input.
#pragma once
#include "frame/commandpanel.h"
#include "framework/statusbar.h"
#include "toolbars/menubarhost.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class CTestFrame : public CMenuBarHostFrame<CFrameWnd> {
public:
    CStatusBar m_wndStatusBar;
    CCommandPanel m_wndPanel;
    bool m_bRunning = false;
    int m_nStarts = 0;
    std::vector<HMENU> m_opened; // pop-ups in the order they opened

    CTestFrame() { m_bAutoDelete = false; }

protected:
    int OnCreate(LPCREATESTRUCT cs);
    LRESULT OnInitPopup(WPARAM wp, LPARAM lp);
    void OnStart() { ++m_nStarts; }
    void OnUpdateStart(CCmdUI* ui) { ui->Enable(!m_bRunning); }
    void OnAnyCommand(UINT) {}
    DECLARE_MESSAGE_MAP()
};

// The tests' application object, made on first use.
CWinApp& TestApp();
// Creates, shows and lays out a test frame at (x, y).
std::unique_ptr<CTestFrame> MakeFrame(int x = 100, int y = 100);
void DestroyFrame(std::unique_ptr<CTestFrame>& frame);
// Dispatches messages for about `ms` milliseconds.
void Pump(int ms = 50);
// Pumps until `done` holds or about `ms` milliseconds pass; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, int ms = 3000);
// The idle pass of the application: command updates of the frame's bars.
void IdleUpdate(CWnd& frame);
// Real input.
void Key(WORD vk, bool up);
void Tap(WORD vk);
void MoveMouse(POINT screen);
void MouseButton(bool up);
POINT ButtonCentre(const COXMenuBar& bar, int index);
// A fresh empty directory for the panel's settings file, set as g_strWorkDir.
std::filesystem::path FreshWorkDir();

// Runs each step once the one before has run and its `ready` holds (none: at once), checked
// on the ticks of a thread timer, which also fire inside modal loops (pop-ups, dragging). A
// step not ready within 5 s (a bound against a hang) ends any pop-up, drag and the script.
class TimerScript {
public:
    struct Step {
        std::function<bool()> ready;
        std::function<void()> run;
    };
    explicit TimerScript(std::vector<Step> steps) : m_steps(std::move(steps)) {
        s_current = this;
        m_timer = ::SetTimer(nullptr, 0, 10, &TimerScript::Tick);
    }
    ~TimerScript() {
        ::KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }
    bool Done() const { return m_next >= m_steps.size(); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        TimerScript* self = s_current;
        if (!self || self->Done()) return;
        const Step& step = self->m_steps[self->m_next];
        if (!step.ready || step.ready()) {
            ++self->m_next;
            self->m_since = ::GetTickCount64();
            step.run();
        } else if (::GetTickCount64() - self->m_since > 5000) {
            self->m_next = self->m_steps.size();
            ::EndMenu();
            ::ReleaseCapture();
        }
    }
    std::vector<Step> m_steps;
    size_t m_next = 0;
    ULONGLONG m_since = ::GetTickCount64();
    UINT_PTR m_timer = 0;
    static inline TimerScript* s_current = nullptr;
};
