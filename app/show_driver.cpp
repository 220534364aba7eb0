#include "app/show_driver.h"
#include "framework/file.h"

#include "app/globals.h"
#include "app/kiv_trace.h"
#include "app/resource.h"
#include "app/schedule_file.h"
#include "document/kiv_doc.h"
#include "frame/mainframe.h"
#include "framework/app.h"
#include "view/kiv_view.h"

#include <shellapi.h>

namespace {
enum : UINT {
    kMsgDue = WM_APP + 40,
    kMsgFileChanged,
    kMsgRunEnded,
    kMsgTray,
    kMsgLaunchError,
};

// A timer may fire a hair before its second; the schedule counts whole seconds.
constexpr int kNudgeMs = 20;
// A show's file is opened this long before its start (a large pattern takes a while).
constexpr schedule::Instant kPrepareSeconds = 2;

std::wstring FileName(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// A pattern named in the file: relative to the working folder unless it has a drive or a root.
std::wstring PatternPath(const std::string& name) {
    const std::wstring wide = WidenUtf8(name);
    const bool absolute = (wide.size() > 1 && wide[1] == L':') ||
                          (!wide.empty() && (wide[0] == L'\\' || wide[0] == L'/'));
    return absolute ? wide : g_strWorkDir + L"\\" + wide;
}

CKIVDoc* ShownDocument(CMainFrame* frame) {
    CKIVView* view = frame ? frame->PatternView() : nullptr;
    return view ? view->GetDocument() : nullptr;
}
} // namespace

BEGIN_MESSAGE_MAP(CShowDriver, CWnd)
    On<kMsgDue, &CShowDriver::OnDue>(), On<kMsgFileChanged, &CShowDriver::OnFileChanged>(),
        On<kMsgRunEnded, &CShowDriver::OnRunEnded>(), On<kMsgTray, &CShowDriver::OnTrayNotify>(),
        On<kMsgLaunchError, &CShowDriver::OnLaunchError>(),
        On<WM_TIMECHANGE, &CShowDriver::OnTimeChange>(),
        On<WM_POWERBROADCAST, &CShowDriver::OnPowerBroadcast>(),
END_MESSAGE_MAP()

CShowDriver::CShowDriver() = default;

CShowDriver::~CShowDriver() {
    if (m_watch) KivTrace(L"ожидание: пробуждений " + std::to_wstring(m_watch->Wakes()));
    if (CMainFrame* frame = Frame()) {
        frame->m_onStartStop = nullptr;
        frame->m_runThread.SetEndNotify(nullptr, 0);
    }
    SetThreadExecutionState(ES_CONTINUOUS);
}

bool CShowDriver::Begin(CMainFrame& frame) {
    // A hidden top-level window: WM_TIMECHANGE, WM_POWERBROADCAST and "TaskbarCreated"
    // reach top-level windows only.
    if (!CreateEx(WS_EX_TOOLWINDOW, nullptr, L"", WS_POPUP, RECT{}, nullptr, 0)) return false;
    m_taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    const std::wstring path = ScheduleFilePath();
    if (!WriteSampleSchedule(path)) KivTrace(L"расписание: не удалось записать образец " + path);
    m_watch = std::make_unique<CWakeWatch>(m_hWnd, kMsgDue, kMsgFileChanged, g_strWorkDir, path);
    frame.m_onStartStop = [this] { OnStartStop(); };
    frame.m_runThread.SetEndNotify(m_hWnd, kMsgRunEnded);
    // KIV_NO_TRAY leaves the icon out: on a display without a notification area Wine shows
    // it as a window of its own in the screen's corner, which takes clicks meant for others.
    if (!_wgetenv(L"KIV_NO_TRAY")) {
        HICON icon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
        m_tray = std::make_unique<CTrayIcon>(m_hWnd, kMsgTray,
                                             icon ? icon : LoadIconW(nullptr, IDI_APPLICATION));
    }
    Reload(true);
    Evaluate();
    return true;
}

CMainFrame* CShowDriver::Frame() const {
    return dynamic_cast<CMainFrame*>(AfxGetMainWnd());
}

bool CShowDriver::Running() const {
    CMainFrame* frame = Frame();
    return frame && frame->m_bRunning;
}

// --- the file ---------------------------------------------------------------------------

void CShowDriver::Reload(bool atLaunch) {
    ScheduleRead read = ReadScheduleFile(ScheduleFilePath());
    // The same text as last time is not parsed again (every wake looks at the file).
    if (!atLaunch && read.text == m_text && read.error.empty() && m_text) return;
    if (!atLaunch && !read.text && !m_text && read.error == m_error) return;
    ParseScheduleRead(read, m_zone, NowInstant());
    m_text = std::move(read.text);
    m_error = std::move(read.error);
    if (read.schedule) {
        m_plan.SetSchedule(std::move(*read.schedule));
        m_inForce = true;
        KivTrace(L"расписание: прочитано, показов " +
                 std::to_wstring(m_plan.Current().shows.size()));
    } else if (!m_text && m_error.empty()) {
        m_plan.SetSchedule({}); // the file was removed: nothing scheduled
        m_inForce = false;
        KivTrace(L"расписание: файла нет");
    } else {
        KivTrace(L"расписание: ошибка: " + m_error + (m_inForce ? L"; действует прежнее" : L""));
        if (atLaunch) ::PostMessageW(m_hWnd, kMsgLaunchError, 0, 0);
    }
    // The show playing keeps playing under its new settings, if it still exists.
    if (m_show && m_inForce)
        for (const schedule::Show& show : m_plan.Current().shows)
            if (show.name == m_show->show.name) m_show->show = show;
}

LRESULT CShowDriver::OnLaunchError(WPARAM, LPARAM) {
    if (m_error.empty()) return 0;
    AfxMessageBox(L"Ошибка в файле расписания schedule.ini:\n" + m_error +
                      L"\n\nПо расписанию ничего не играет, пока файл не исправлен.",
                  MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

void CShowDriver::OpenScheduleFile() {
    const std::wstring path = ScheduleFilePath();
    WriteSampleSchedule(path);
    ShellExecuteW(m_hWnd, L"open", path.c_str(), nullptr, g_strWorkDir.c_str(), SW_SHOWNORMAL);
}

// --- what plays -------------------------------------------------------------------------

void CShowDriver::Evaluate() {
    m_zone.Refresh();
    Reload(false); // the folder watch may have missed an edit
    const schedule::CShowPlan::Step step = m_plan.Poll(NowInstant(kNudgeMs));
    using Action = schedule::CShowPlan::Step::Action;
    if (m_armedFor && !(step.next && step.next->isStart && step.next->at == *m_armedFor) &&
        !(step.action == Action::Start && step.playing && step.playing->start == *m_armedFor)) {
        // The schedule changed under a run that waits for its start.
        KivTrace(L"показ: заранее начатый пуск отменён");
        m_armedFor.reset();
        m_show.reset();
        if (Running()) Issue(ID_CMD_STOP);
    }
    if (step.action == Action::Start && step.playing) StartShow(*step.playing);
    if (step.action == Action::Stop) StopShow();
    m_next = step.next;
    m_prepareAt.reset();
    if (!m_next) {
        m_watch->Cancel();
    } else if (m_next->isStart && m_next->at - kPrepareSeconds > NowInstant(kNudgeMs)) {
        // Woken early to open the show's file, so that at its second only Start remains.
        m_prepareAt = m_next->at;
        m_watch->WakeAt(DueTimeOf(m_next->at - kPrepareSeconds));
    } else {
        m_watch->WakeAt(DueTimeOf(m_next->at));
    }
    ArmStop();
    Refresh();
}

// The run thread darkens at the show's stop by itself, at the end of the row then on the
// lines, so a late wake of this thread does not keep the lights on.
void CShowDriver::ArmStop() {
    CMainFrame* frame = Frame();
    if (!frame) return;
    const bool arm = m_show && !m_show->stopping && frame->m_bRunning && m_next &&
                     !m_next->isStart && m_show->show.atStop == schedule::AtStop::Now;
    frame->m_runThread.SetStopAt(arm ? DueTimeOf(m_next->at).QuadPart : 0);
}

void CShowDriver::Prepare() {
    const auto& shows = m_plan.Current().shows;
    const std::size_t index = m_next ? m_next->occurrence.show : shows.size();
    const LARGE_INTEGER due = DueTimeOf(*m_prepareAt);
    if (index < shows.size() && !Running()) {
        // The run starts now and its thread writes the first row at the second: nothing
        // between the timer and the lines but the run thread's own wait.
        KivTrace(L"показ: готовлю «" + WidenUtf8(shows[index].name) + L"»");
        m_show = ShowRun{shows[index]};
        if (CMainFrame* frame = Frame()) frame->m_runThread.SetNextStartAt(due.QuadPart);
        StartPassPattern();
        if (Running())
            m_armedFor = m_prepareAt;
        else
            m_show.reset();
    }
    m_watch->WakeAt(due);
    m_prepareAt.reset();
    Refresh();
}

void CShowDriver::StartShow(const schedule::Occurrence& occurrence) {
    const auto& shows = m_plan.Current().shows;
    if (occurrence.show >= shows.size()) return;
    const bool armed = m_armedFor == occurrence.start && m_show && Running();
    m_armedFor.reset();
    if (armed && m_show->show.name == shows[occurrence.show].name) {
        KivTrace(L"показ: пуск «" + WidenUtf8(m_show->show.name) + L"» (приготовлен заранее)");
        return;
    }
    m_show = ShowRun{shows[occurrence.show]};
    KivTrace(L"показ: пуск «" + WidenUtf8(m_show->show.name) + L"»");
    if (Running()) Issue(ID_CMD_STOP); // the show takes over from whatever plays
    StartPassPattern();
}

// The show's pattern for the passes done so far, opened and started.
void CShowDriver::StartPassPattern() {
    const schedule::Show& show = m_show->show;
    if (show.patterns.empty()) return;
    const std::size_t index = schedule::PatternForPass(show, m_show->passesDone);
    if (!OpenForShow(PatternPath(show.patterns[index]))) return;
    CMainFrame* frame = Frame();
    if (!frame) return;
    // With several patterns each plays its passes; a single one plays until the stop.
    frame->m_runThread.SetNextPassLimit(
        show.patterns.size() > 1 ? static_cast<std::uint64_t>(show.passes) : 0);
    Issue(ID_CMD_START);
    if (!Running()) Note(L"пуск не удался");
    ArmStop();
}

// True when the pattern to play is shown: opened now, or kept with its unsaved edits.
bool CShowDriver::OpenForShow(const std::wstring& path) {
    CKIVDoc* doc = ShownDocument(Frame());
    if (doc && AfxSameText(doc->GetPathName(), path)) return true;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Note(L"нет файла " + FileName(path));
        return false;
    }
    if (doc && doc->IsModified()) {
        // No save question in front of the show: the shown pattern plays until the edits
        // are saved or given up, and the show's file is opened then.
        m_pendingOpen = path;
        Note(L"играет показанная комбинация: в ней несохранённые правки; " + FileName(path) +
             L" откроется после сохранения");
        return true;
    }
    m_pendingOpen.clear();
    if (!AfxGetApp()->OpenDocumentFile(path.c_str())) {
        Note(L"не удалось открыть " + FileName(path));
        return false;
    }
    m_note.clear();
    return true;
}

void CShowDriver::OnIdle() {
    if (m_pendingOpen.empty()) return;
    CKIVDoc* doc = ShownDocument(Frame());
    if (!doc || doc->IsModified()) return;
    const std::wstring path = std::exchange(m_pendingOpen, {});
    const bool restart = m_show && !m_show->stopping && Running();
    if (restart) Issue(ID_CMD_STOP);
    if (OpenForShow(path) && restart) StartPassPattern();
    Refresh();
}

void CShowDriver::StopShow() {
    if (m_show && m_show->stopping) return;
    if (m_show && m_show->show.atStop == schedule::AtStop::EndOfPass && Running()) {
        m_show->stopping = true;
        Frame()->m_runThread.StopAtPassEnd();
        KivTrace(L"показ: стоп в конце прохода «" + WidenUtf8(m_show->show.name) + L"»");
        return;
    }
    KivTrace(L"показ: стоп");
    m_show.reset();
    m_pendingOpen.clear();
    m_note.clear();
    if (Running()) Issue(ID_CMD_STOP);
}

LRESULT CShowDriver::OnRunEnded(WPARAM, LPARAM) {
    CMainFrame* frame = Frame();
    if (!frame || !frame->m_bRunning || !frame->m_runThread.EndedByItself()) return 0; // stale
    const bool stopTime = frame->m_runThread.StopTimeCame();
    Issue(ID_CMD_STOP);
    if (m_show && !m_show->stopping && !stopTime) {
        m_show->passesDone += static_cast<std::uint64_t>(m_show->show.passes);
        StartPassPattern();
        Refresh();
        return 0;
    }
    KivTrace(stopTime ? L"показ: стоп в его время" : L"показ: конец прохода, стоп");
    m_show.reset();
    Evaluate();
    return 0;
}

// The frame's Start or Stop; the driver's own are sent with m_issuing raised.
void CShowDriver::Issue(UINT command) {
    CMainFrame* frame = Frame();
    if (!frame) return;
    m_issuing = true;
    frame->SendMessage(WM_COMMAND, command);
    m_issuing = false;
}

void CShowDriver::OnStartStop() {
    const bool running = Running();
    // While anything plays Windows is asked not to sleep; the request ends with the run.
    SetThreadExecutionState(running ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
    if (m_issuing) return;
    // By hand: it stands until the next scheduled start or stop.
    KivTrace(running ? L"руками: пуск" : L"руками: стоп");
    m_plan.NoteHand(NowInstant());
    m_show.reset();
    m_armedFor.reset();
    m_pendingOpen.clear();
    m_note.clear();
    Refresh();
}

// --- wake-ups ---------------------------------------------------------------------------

LRESULT CShowDriver::OnDue(WPARAM, LPARAM) {
    if (m_prepareAt && NowInstant(kNudgeMs) < *m_prepareAt)
        Prepare();
    else
        Evaluate();
    return 0;
}

LRESULT CShowDriver::OnFileChanged(WPARAM, LPARAM) {
    Evaluate();
    return 0;
}

LRESULT CShowDriver::OnTimeChange(WPARAM, LPARAM) {
    KivTrace(L"часы или пояс изменились");
    Evaluate();
    return 0;
}

LRESULT CShowDriver::OnPowerBroadcast(WPARAM event, LPARAM) {
    if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND) {
        KivTrace(L"пробуждение");
        Evaluate();
    }
    return TRUE;
}

LRESULT CShowDriver::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == m_taskbarCreated && m_taskbarCreated != 0) {
        if (m_tray) m_tray->Recreate();
        return 0;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

// --- the icon ---------------------------------------------------------------------------

LRESULT CShowDriver::OnTrayNotify(WPARAM, LPARAM event) {
    const UINT what = LOWORD(event);
    if (what == WM_MOUSEMOVE) {
        m_tray->SetTip(StatusLine()); // the row moves on: the tip is made as it is looked at
    } else if (what == WM_RBUTTONUP || what == WM_CONTEXTMENU) {
        RunMenuCommand(m_tray->ShowMenu(Running()));
    } else if (what == WM_LBUTTONDBLCLK) {
        if (CMainFrame* frame = Frame()) {
            if (::IsIconic(frame->m_hWnd)) frame->ShowWindow(SW_RESTORE);
            SetForegroundWindow(frame->m_hWnd);
        }
    }
    return 0;
}

void CShowDriver::RunMenuCommand(UINT command) {
    CMainFrame* frame = Frame();
    switch (command) {
    case ID_TRAY_PLAY: // by hand, as F4
        if (frame) frame->PostMessage(WM_COMMAND, ID_CMD_START);
        return;
    case ID_TRAY_STOP: // by hand, as F5
        if (frame) frame->PostMessage(WM_COMMAND, ID_CMD_STOP);
        return;
    case ID_TRAY_SCHEDULE:
        return OpenScheduleFile();
    case ID_TRAY_OUTPUTS: {
        wchar_t exe[MAX_PATH];
        const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring outputs(exe, n);
        outputs = outputs.substr(0, outputs.find_last_of(L"\\/") + 1) + L"tavo_outputs.exe";
        ShellExecuteW(m_hWnd, L"open", outputs.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return;
    }
    default:
        return;
    }
}

// --- the status line --------------------------------------------------------------------

void CShowDriver::Note(const std::wstring& note) {
    m_note = note;
    KivTrace(L"показ: " + note);
}

std::wstring CShowDriver::StatusLine() const {
    CMainFrame* frame = Frame();
    std::wstring line;
    if (frame && frame->m_bRunning) {
        const CKIVDoc* doc = ShownDocument(frame);
        std::wstring name = doc ? FileName(doc->GetPathName()) : std::wstring();
        name = L"«" + (name.empty() ? std::wstring(L"БезИмени") : name) + L"»";
        line = m_armedFor ? L"Готов к пуску " + name
                          : L"Играет " + name + L", строка " +
                                std::to_wstring(frame->m_runThread.PlayedRow() + 1);
        if (m_show) line += L" (показ «" + WidenUtf8(m_show->show.name) + L"»)";
    } else {
        line = L"Ничего не играет";
    }
    if (!m_error.empty())
        line += L". Ошибка в расписании: " + m_error + (m_inForce ? L"; действует прежнее" : L"");
    else if (!m_text)
        line += L". Расписания нет";
    else if (m_plan.Current().shows.empty())
        line += L". В расписании нет показов";
    else
        line += L". Расписание действует";
    if (m_inForce && !m_plan.Current().shows.empty())
        line += L". " + WidenUtf8(schedule::BoundaryText(m_plan.Current(), m_zone, m_next));
    if (!m_note.empty()) line += L". " + m_note;
    return line;
}

// The tooltip and the trace follow the line whenever it changes.
void CShowDriver::Refresh() {
    const std::wstring line = StatusLine();
    if (line == m_lastLine) return;
    m_lastLine = line;
    KivTrace(L"состояние: " + line);
    if (m_tray) m_tray->SetTip(line);
}
