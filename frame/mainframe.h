// CMainFrame: the program's one top-level window. It holds the pattern view, the menu bar,
// the status bar with the current row, the command panel and the two dialogs; it routes
// the row, run, settings, speed and help commands; it keeps the program-wide row, cursor
// and speed values fresh on every idle pass; and its close stops a run, releases the port
// library and stores the port.
#pragma once
#include "frame/addrowsdlg.h"
#include "frame/commandpanel.h"
#include "frame/portsettingsdlg.h"
#include "framework/statusbar.h"
#include "sequencer/run_control.h"
#include "toolbars/menubarhost.h"

#include <functional>

class CKIVView;

class CMainFrame : public CMenuBarHostFrame<CFrameWnd> {
    DECLARE_DYNCREATE(CMainFrame)
public:
    static constexpr wchar_t kBarStateSection[] = L"FrameworkBarState";

    CMainFrame();
    ~CMainFrame() override;

    bool PreCreateWindow(CREATESTRUCTW& cs) override;
    // The bar layout of the last close; called once after the first document exists.
    void RestoreBarState();

    // The pattern view the commands work on; null before it exists.
    CKIVView* PatternView() const;
    // g_nRowCount, g_nCurRow, g_nCurCol from the grid and g_nDelay from the slider.
    void RefreshSharedValues();
    // "Текущая строка  N" for the 0-based row `curRow`.
    static std::wstring RowPaneText(int curRow);

    int m_bRunning = 0;
    CStatusBar m_wndStatusBar;
    CCommandPanel m_wndCommandPanel;
    CAddRowsDlg m_dlgAddRows;
    CPortSettingsDlg m_dlgPortSettings;
    CRunControl m_runThread; // the run thread, owned; never outlives the frame
    // Told after every Start and Stop, whoever asked (keys, panel, menu, commands).
    std::function<void()> m_onStartStop;

protected:
    DECLARE_MESSAGE_MAP()
    int OnCreate(LPCREATESTRUCT cs);
    void OnClose();

    void OnAddRows();
    void OnDeleteRow();
    void OnStart();
    void OnStop();
    void OnSettings();
    void OnSpeed();
    void OnHelpFinder();

    void OnUpdateStart(CCmdUI* ui);
    void OnUpdateStop(CCmdUI* ui);
    void OnUpdateRowPane(CCmdUI* ui);

private:
    bool AskToClose();
    void StorePortOnClose();
};
