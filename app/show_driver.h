// The show driver: plays the schedule. It reads schedule.ini at launch and whenever it
// changes, works out what should play now and starts or stops it at once through the
// frame's Start and Stop (as F4 and F5), then sleeps until the next start or stop. A clock
// or time-zone change, a wake from sleep and the end of a show make it look again. It also
// keeps the notification-area icon and the program's status line.
// Lives on the user-interface thread in a hidden window of its own, after the frame exists.
#pragma once
#include "app/tray_icon.h"
#include "app/wake_watch.h"
#include "app/windows_clock.h"
#include "framework/wnd.h"
#include "schedule/schedule.h"

#include <memory>
#include <optional>
#include <string>

class CMainFrame;

class CShowDriver : public CWnd {
public:
    CShowDriver();
    ~CShowDriver() override;

    // The window, the icon, the schedule and the first look; false without a window.
    bool Begin(CMainFrame& frame);
    // What plays, the schedule's state and the next start or stop, in one line.
    std::wstring StatusLine() const;
    // A pattern left waiting for its unsaved edits is opened once they are saved or given up.
    void OnIdle();

    std::uint64_t Wakes() const { return m_watch ? m_watch->Wakes() : 0; }

protected:
    DECLARE_MESSAGE_MAP()
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT OnDue(WPARAM, LPARAM);
    LRESULT OnFileChanged(WPARAM, LPARAM);
    LRESULT OnRunEnded(WPARAM, LPARAM);
    LRESULT OnTrayNotify(WPARAM, LPARAM);
    LRESULT OnLaunchError(WPARAM, LPARAM);
    LRESULT OnTimeChange(WPARAM, LPARAM);
    LRESULT OnPowerBroadcast(WPARAM, LPARAM);

private:
    // The show this driver started and plays: which pattern, after how many passes.
    struct ShowRun {
        schedule::Show show;
        std::uint64_t passesDone = 0;
        bool stopping = false; // at_stop = end_of_pass asked the run to end
    };

    CMainFrame* Frame() const;
    bool Running() const;
    void Reload(bool atLaunch);
    void Evaluate();
    void Prepare();
    void StartShow(const schedule::Occurrence& occurrence);
    void StartPassPattern();
    bool OpenForShow(const std::wstring& path);
    void StopShow();
    void ArmStop();
    void Issue(UINT command);
    void OnStartStop();
    void RunMenuCommand(UINT command);
    void OpenScheduleFile();
    void Refresh();
    void Note(const std::wstring& note);

    CWindowsZone m_zone;
    schedule::CShowPlan m_plan{m_zone};
    std::optional<std::string> m_text; // the file as last read; none: missing
    bool m_inForce = false;            // a good schedule (maybe the last good one) holds
    std::wstring m_error;              // what is wrong with the file, if anything
    std::optional<schedule::Boundary> m_next;
    std::optional<schedule::Instant> m_prepareAt; // the start the timer wakes early for
    std::optional<schedule::Instant> m_armedFor;  // a run started early waits for this start
    std::optional<ShowRun> m_show;
    std::wstring m_pendingOpen; // the show's file, waiting for unsaved edits
    std::wstring m_note;        // what the driver could not do as asked
    std::wstring m_lastLine;
    bool m_issuing = false; // Start or Stop sent by the driver, not by hand
    UINT m_taskbarCreated = 0;
    std::unique_ptr<CWakeWatch> m_watch;
    std::unique_ptr<CTrayIcon> m_tray;
};
