// The main frame: creation, bars, shared values, run, settings, speed, help and close.
#include "frame/mainframe.h"

#include "app/globals.h"
#include "app/resource.h"
#include "document/kiv_doc.h"
#include "frame/help.h"
#include "frame/port_file.h"
#include "framework/app.h"
#include "framework/doc.h"
#include "framework/exception.h"
#include "view/kiv_view.h"

#include <exception>

// Refreshed on every idle pass; the row commands and the run read them.
std::atomic<int> g_nRowCount{0};
int g_nCurRow = 0;
int g_nCurCol = 0;

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

namespace {
constexpr UINT kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_ROW, ID_INDICATOR_CAPS, ID_INDICATOR_NUM,
                                ID_INDICATOR_SCRL};
constexpr int kRowPaneWidth = 190;
constexpr int kFrameWidth = 605;
constexpr int kFrameHeight = 380;
} // namespace

BEGIN_MESSAGE_MAP(CMainFrame, CMenuBarHostFrame<CFrameWnd>)
    On<WM_CREATE, &CMainFrame::OnCreate>(), On<WM_CLOSE, &CMainFrame::OnClose>(),
        Command<&CMainFrame::OnAddRows>(ID_CMD_ADD_ROWS),
        Command<&CMainFrame::OnDeleteRow>(ID_CMD_DELETE_ROW),
        Command<&CMainFrame::OnStart>(ID_CMD_START), Command<&CMainFrame::OnStop>(ID_CMD_STOP),
        Command<&CMainFrame::OnSettings>(ID_CMD_SETTINGS),
        Command<&CMainFrame::OnSpeed>(ID_CMD_SPEED), Command<&CMainFrame::OnHelpFinder>(ID_HELP),
        Command<&CMainFrame::OnHelpFinder>(ID_HELP_FINDER),
        Update<&CMainFrame::OnUpdateStart>(ID_CMD_START),
        Update<&CMainFrame::OnUpdateStart>(ID_CMD_SETTINGS),
        Update<&CMainFrame::OnUpdateStop>(ID_CMD_STOP),
        Update<&CMainFrame::OnUpdateRowPane>(ID_INDICATOR_ROW),
END_MESSAGE_MAP()

CMainFrame::CMainFrame() = default;

// A frame destroyed without its close (the framework ending) still stops the run, through
// the run control's own destructor.
CMainFrame::~CMainFrame() = default;

bool CMainFrame::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!CFrameWnd::PreCreateWindow(cs)) return false;
    // Replaced, not combined: no sizing border, no maximize box, and no document name in
    // the title. Created minimized; the first activation restores it.
    cs.style = WS_MINIMIZE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    cs.cx = kFrameWidth;
    cs.cy = kFrameHeight;
    // Placed where the start-up centres it, so that centring finds it there: moving a shown
    // window costs many round trips to the window server under Wine.
    RECT work; // the primary monitor's
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        cs.x = work.left + (work.right - work.left - cs.cx) / 2;
        cs.y = work.top + (work.bottom - work.top - cs.cy) / 2;
    }
    return true;
}

int CMainFrame::OnCreate(LPCREATESTRUCT cs) {
    if (CFrameWnd::OnCreate(cs) == -1) return -1;
    if (!m_wndStatusBar.CreateEx(this, SBARS_SIZEGRIP, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                                 AFX_IDW_STATUS_BAR))
        return -1;
    if (!m_wndStatusBar.SetIndicators(kIndicators)) return -1;
    m_wndStatusBar.SetPaneInfo(1, ID_INDICATOR_ROW, SBPS_NORMAL, kRowPaneWidth);
    if (!m_wndCommandPanel.Create(this)) return -1;
    // Nothing in the program hides them, so a saved layout never does either.
    m_wndStatusBar.m_bKeepVisible = true;
    m_wndCommandPanel.m_bKeepVisible = true;
    // "Готово" once the frame is up, as after every menu or prompt.
    PostMessage(WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
    return 0;
}

void CMainFrame::RestoreBarState() {
    LockWindowUpdate(m_hWnd);
    LoadBarState(kBarStateSection);
    LockWindowUpdate(nullptr);
}

CKIVView* CMainFrame::PatternView() const {
    return dynamic_cast<CKIVView*>(GetActiveView());
}

void CMainFrame::RefreshSharedValues() {
    if (CKIVView* view = PatternView()) {
        g_nRowCount = view->GetRowCount();
        g_nCurCol = view->currentCol - view->fixedCols;
        g_nCurRow = view->currentRow - view->headerRows;
    }
    if (m_wndCommandPanel.GetSlider().IsWindow()) g_nDelay = m_wndCommandPanel.GetSlider().GetPos();
}

std::wstring CMainFrame::RowPaneText(int curRow) {
    return L"Текущая строка  " + std::to_wstring(curRow + 1);
}

void CMainFrame::OnUpdateRowPane(CCmdUI* ui) {
    RefreshSharedValues();
    ui->Enable(true);
    ui->SetText(RowPaneText(g_nCurRow));
}

// --- run ------------------------------------------------------------------------------------

void CMainFrame::OnStart() {
    CKIVView* view = PatternView();
    const CKIVDoc* doc = view ? view->GetDocument() : nullptr;
    if (m_bRunning || !doc) return;
    // The row count of the grid as it is now, not as the last idle pass saw it; the bytes
    // straight from the document's rows, one pass over memory even for millions of rows.
    RefreshSharedValues();
    ByteTable table = BuildByteTable(doc->m_arrRows, g_nRowCount.load());
    if (StartRun(m_runThread, *view, std::move(table), m_hWnd)) m_bRunning = 1;
    if (m_onStartStop) m_onStartStop();
}

void CMainFrame::OnStop() {
    m_runThread.Stop();
    m_bRunning = 0;
    if (m_onStartStop) m_onStartStop();
}

void CMainFrame::OnUpdateStart(CCmdUI* ui) {
    ui->Enable(m_bRunning == 0);
}

void CMainFrame::OnUpdateStop(CCmdUI* ui) {
    ui->Enable(m_bRunning != 0);
}

// --- settings, speed, help ------------------------------------------------------------------

void CMainFrame::OnSettings() {
    if (m_bRunning) return; // the port never changes under a run
    m_dlgPortSettings.DoModal();
}

void CMainFrame::OnSpeed() {
    if (m_wndCommandPanel.GetSlider().IsWindow()) m_wndCommandPanel.GetSlider().SetFocus();
}

void CMainFrame::OnHelpFinder() {
    CWinApp* app = AfxGetApp();
    if (!app) return;
    ShowHelp(app->m_strHelpFilePath,
             {[app](const std::wstring&) { return app->WinHelp(0, HELP_FINDER); },
              [this](const std::wstring& page) { return ShellOpenFile(m_hWnd, page); },
              [](const std::wstring& text) { AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION); }});
}

// --- close ----------------------------------------------------------------------------------

void CMainFrame::OnClose() {
    // The save question comes first: cancelling it leaves the run, the port library and
    // everything else as they were.
    if (!AskToClose()) return;
    SaveBarState(kBarStateSection);
    OnStop(); // the run control knows whether a run is on, whatever m_bRunning says
    if (g_hPortLib) FreeLibrary(g_hPortLib);
    g_hPortLib = nullptr;
    StorePortOnClose();
    DestroyWindow();
}

bool CMainFrame::AskToClose() {
    if (CDocument* doc = GetActiveDocument()) return doc->CanCloseFrame(this);
    CWinApp* app = AfxGetApp();
    return !app || app->m_pMainWnd != this || app->SaveAllModified();
}

void CMainFrame::StorePortOnClose() {
    try {
        WritePortFile(PortFilePath(), g_nPortAddress);
    } catch (...) {
        // Told, and closed all the same: a folder that cannot be written must not keep
        // the program from ending (the port library is already gone).
        AfxReportException(std::current_exception());
    }
}
