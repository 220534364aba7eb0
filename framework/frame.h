// CFrameWnd: the top-level window of a document: menu, accelerators, icon and title from one
// resource id; the view as its client; bars laid out by the WM_SIZEPARENT protocol; command
// routing view -> document -> frame -> application; status-bar prompts; the close path.
#pragma once
#include "afxmsg.h"
#include "wnd.h"

#include <memory>
#include <string>

class CControlBar;
class CDocument;
class CDockSite;
class CView;
struct CCreateContext;

// Frame styles kept in the low word of the window style.
constexpr DWORD FWS_ADDTOTITLE = 0x00008000;  // the title shows the document's title too
constexpr DWORD FWS_PREFIXTITLE = 0x00004000; // the document's title first

class CFrameWnd : public CWnd {
    DECLARE_DYNCREATE(CFrameWnd)
public:
    CFrameWnd();
    ~CFrameWnd() override;

    // Creates the window with menu, accelerators, icon and title of resource `resourceId`
    // (title: the first field of the string of that id).
    virtual bool LoadFrame(UINT resourceId, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           HWND parent = nullptr, CCreateContext* context = nullptr);
    bool PreCreateWindow(CREATESTRUCTW& cs) override;
    // Creates the view of the context; false fails the frame's creation.
    virtual bool OnCreateClient(LPCREATESTRUCT cs, CCreateContext* context);
    CWnd* CreateView(CCreateContext* context, UINT id = AFX_IDW_PANE_FIRST);

    // The active view and its document.
    CView* GetActiveView() const { return m_pViewActive; }
    void SetActiveView(CView* view, bool notify = true);
    virtual CDocument* GetActiveDocument();
    virtual void InitialUpdateFrame(CDocument* doc, bool makeVisible);
    // Shows the frame; -1 uses the application's start-up show command the first time.
    virtual void ActivateFrame(int cmdShow = -1);

    // Lays out the bars (WM_SIZEPARENT to each child, in creation order), then the view.
    virtual void RecalcLayout(bool notify = true);
    virtual void OnUpdateFrameTitle(bool addToTitle);
    const std::wstring& GetTitle() const { return m_strTitle; }
    void SetTitle(const std::wstring& title) { m_strTitle = title; }

    // Message pane of the status bar (child AFX_IDW_STATUS_BAR, pane 0 via SB_SETTEXT).
    void SetMessageText(const std::wstring& text);
    void SetMessageText(UINT id); // the prompt part of string `id`; 0 or 57345: idle text
    HWND GetMessageBar() const;

    bool OnCmdMsg(UINT id, int code, CCmdUI* ui, CmdAction action = CmdAction::Run) override;
    bool PreTranslateMessage(MSG* msg) override;
    // Menu and accelerator commands run only when their update handler leaves them enabled.
    bool OnCommand(WPARAM wp, LPARAM lp) override;
    // True when the command's update handler (or the lack of any handler) disables it.
    bool IsCommandDisabled(UINT id);

    // Attributes.
    HACCEL m_hAccelTable = nullptr;
    HMENU m_hMenuDefault = nullptr;
    UINT m_nIDHelp = 0;
    bool m_bAutoMenuEnable = true; // menu items without a handler are greyed
    // Class of the floating mini frames that control bars use (set by the bar layer).
    const CRuntimeClass* m_pFloatingFrameClass = nullptr;

    // --- Docking of control bars (framework/dockbar.h, dockframe.cpp) ---
    void EnableDocking(DWORD dockStyle); // CBRS_ALIGN_* sides that get a dock bar
    void DockControlBar(CControlBar* bar, UINT dockBarId = 0, const RECT* rect = nullptr);
    void FloatControlBar(CControlBar* bar, CPoint screen, DWORD style = CBRS_ALIGN_TOP);
    // The layout of all bars in profile section `section` (a bad value keeps the current one).
    void SaveBarState(const wchar_t* section) const;
    bool LoadBarState(const wchar_t* section);
    CDockSite* GetDockSite(); // made on first use
    struct DockSiteDeleter {
        void operator()(CDockSite* site) const;
    };
    std::unique_ptr<CDockSite, DockSiteDeleter> m_pDockSite;
    // --- end of docking ---
    // False while a creator still owns the object (creation may fail).
    bool m_bAutoDelete = true;

protected:
    DECLARE_MESSAGE_MAP()
    int OnCreate(LPCREATESTRUCT cs);
    void OnClose(); // save prompt, then destruction; derived close handlers end here
    void OnDestroy();
    void OnSize(UINT type, int cx, int cy);
    void OnSetFocus(HWND old);
    LRESULT OnSetMessageString(WPARAM wp, LPARAM lp);
    LRESULT OnPopMessageString(WPARAM wp, LPARAM lp);
    LRESULT OnInitMenuPopup(WPARAM wp, LPARAM lp);
    LRESULT OnMenuSelect(WPARAM wp, LPARAM lp);
    LRESULT OnIdleUpdateCmdUI(WPARAM wp, LPARAM lp);
    void PostNcDestroy() override;
    // Updates the items of a pop-up menu through command-update handlers.
    void UpdateMenuItems(HMENU menu);

    std::wstring m_strTitle;
    UINT m_nIDTracking = 0; // command whose prompt the status bar shows

private:
    // The client rectangle the frame has when restored, from its normal placement and its
    // style's edges.
    bool RestoredClientRect(CRect& rect) const;
    // Bars in creation order, each taking its slice of `client`; the view gets what is left.
    void LayOut(const CRect& client);

    CView* m_pViewActive = nullptr;
    bool m_bInRecalcLayout = false;
};
