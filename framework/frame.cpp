#include "frame.h"

#include "app.h"
#include "doc.h"
#include "doctempl.h"
#include "view.h"

#include <commctrl.h>

#include <vector>

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
    On<WM_CREATE, &CFrameWnd::OnCreate>(), On<WM_CLOSE, &CFrameWnd::OnClose>(),
        On<WM_DESTROY, &CFrameWnd::OnDestroy>(), On<WM_SIZE, &CFrameWnd::OnSize>(),
        On<WM_SETFOCUS, &CFrameWnd::OnSetFocus>(),
        On<WM_SETMESSAGESTRING, &CFrameWnd::OnSetMessageString>(),
        On<WM_POPMESSAGESTRING, &CFrameWnd::OnPopMessageString>(),
        On<WM_INITMENUPOPUP, &CFrameWnd::OnInitMenuPopup>(),
        On<WM_MENUSELECT, &CFrameWnd::OnMenuSelect>(),
        On<WM_IDLEUPDATECMDUI, &CFrameWnd::OnIdleUpdateCmdUI>(),
END_MESSAGE_MAP()

namespace {
// Records what an update handler decides without touching any user interface.
class CTestCmdUI : public CCmdUI {
public:
    bool m_bEnabled = true;
    void Enable(bool on) override {
        m_bEnabled = on;
        m_bEnableChanged = true;
    }
    void SetCheck(int) override {}
    void SetText(const std::wstring&) override {}
};
} // namespace

CFrameWnd::CFrameWnd() = default;
CFrameWnd::~CFrameWnd() = default;

bool CFrameWnd::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!cs.lpszClass) {
        HICON icon = LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nIDHelp));
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, AfxArrowCursor(),
                                           reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), icon);
    }
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
    return true;
}

bool CFrameWnd::LoadFrame(UINT resourceId, DWORD style, HWND parent, CCreateContext* context) {
    m_nIDHelp = resourceId;
    m_strTitle = AfxExtractSubString(AfxLoadString(resourceId), 0);
    HINSTANCE inst = AfxGetInstanceHandle();
    HMENU menu = LoadMenuW(inst, MAKEINTRESOURCEW(resourceId));
    CREATESTRUCTW cs{};
    cs.style = style;
    cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
    cs.lpszName = m_strTitle.c_str();
    cs.hwndParent = parent;
    cs.hMenu = menu;
    cs.hInstance = inst;
    cs.lpCreateParams = context;
    m_hMenuDefault = menu;
    if (!CreateFromStruct(cs)) {
        if (menu && IsMenu(menu)) DestroyMenu(menu);
        m_hMenuDefault = nullptr;
        return false;
    }
    m_hAccelTable = LoadAcceleratorsW(inst, MAKEINTRESOURCEW(resourceId));
    if (!context) SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, true);
    return true;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT cs) {
    auto* context = static_cast<CCreateContext*>(cs->lpCreateParams);
    if (!OnCreateClient(cs, context)) return -1;
    RecalcLayout();
    return 0;
}

bool CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* context) {
    if (context && context->m_pNewViewClass)
        return CreateView(context, AFX_IDW_PANE_FIRST) != nullptr;
    return true;
}

CWnd* CFrameWnd::CreateView(CCreateContext* context, UINT id) {
    std::unique_ptr<CObject> obj(context->m_pNewViewClass->CreateObject());
    auto* wnd = dynamic_cast<CWnd*>(obj.get());
    if (!wnd) return nullptr;
    auto* view = dynamic_cast<CView*>(wnd);
    if (view) view->m_bAutoDelete = false; // ours until the window exists
    if (!wnd->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), m_hWnd, id,
                     context))
        return nullptr;
    if (view) view->m_bAutoDelete = true;
    obj.release();
    return wnd;
}

void CFrameWnd::SetActiveView(CView* view, bool notify) {
    CView* old = m_pViewActive;
    if (view == old) return;
    m_pViewActive = view;
    if (!notify) return;
    if (old) old->OnActivateView(false, view, old);
    if (view) view->OnActivateView(true, view, old);
}

CDocument* CFrameWnd::GetActiveDocument() {
    return m_pViewActive ? m_pViewActive->GetDocument() : nullptr;
}

void CFrameWnd::InitialUpdateFrame(CDocument*, bool makeVisible) {
    CView* view = m_pViewActive;
    if (!view) view = dynamic_cast<CView*>(CWnd::FromHandle(GetDlgItem(AFX_IDW_PANE_FIRST)));
    if (makeVisible) {
        SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, true);
        if (view) SetActiveView(view);
        ActivateFrame();
    } else if (view && !m_pViewActive) {
        SetActiveView(view, false);
    }
    OnUpdateFrameTitle(true);
    RecalcLayout();
}

void CFrameWnd::ActivateFrame(int cmdShow) {
    if (cmdShow == -1) {
        cmdShow = !IsWindowVisible() ? SW_SHOWNORMAL : (::IsIconic(m_hWnd) ? SW_RESTORE : SW_SHOW);
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd == this && app->m_nCmdShow != -1) {
            // The start-up show command is used once, by the first showing of the main frame.
            cmdShow = app->m_nCmdShow;
            app->m_nCmdShow = -1;
        }
    }
    // A minimized frame about to be shown gets its bars laid out for its restored size while
    // nothing of it is seen: restoring it then moves no child window.
    CRect restored;
    if (cmdShow != SW_HIDE && ::IsIconic(m_hWnd) && RestoredClientRect(restored)) LayOut(restored);
    ShowWindow(cmdShow);
    if (cmdShow != SW_HIDE && !::IsIconic(m_hWnd) && !GetParent()) ::BringWindowToTop(m_hWnd);
}

bool CFrameWnd::RestoredClientRect(CRect& rect) const {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!::GetWindowPlacement(m_hWnd, &placement)) return false;
    CRect frame(placement.rcNormalPosition), edges;
    if (!::AdjustWindowRectEx(&edges, GetStyle() & ~WS_MINIMIZE, ::GetMenu(m_hWnd) != nullptr,
                              GetExStyle()))
        return false;
    rect = CRect(0, 0, frame.Width() - edges.Width(), frame.Height() - edges.Height());
    return rect.Width() > 0 && rect.Height() > 0;
}

void CFrameWnd::RecalcLayout(bool) {
    // A minimized frame has no client area to share out; restoring it sends WM_SIZE.
    if (!IsWindow() || ::IsIconic(m_hWnd)) return;
    LayOut(GetClientRect());
}

void CFrameWnd::LayOut(const CRect& client) {
    if (m_bInRecalcLayout) return;
    m_bInRecalcLayout = true;
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    SizeParentParams layout{};
    layout.rect = client;
    layout.stretch = TRUE;
    layout.hdwp = BeginDeferWindowPos(static_cast<int>(children.size()));
    HWND view = nullptr;
    // Bars take their slices in creation order; the view gets what is left.
    for (HWND child : children) {
        if (static_cast<UINT>(::GetDlgCtrlID(child)) == AFX_IDW_PANE_FIRST)
            view = child;
        else
            ::SendMessageW(child, WM_SIZEPARENT, 0, reinterpret_cast<LPARAM>(&layout));
    }
    CRect r(layout.rect);
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    if (view && !AfxIsWindowAt(view, r)) {
        if (layout.hdwp)
            layout.hdwp = DeferWindowPos(layout.hdwp, view, nullptr, r.left, r.top, r.Width(),
                                         r.Height(), SWP_NOACTIVATE | SWP_NOZORDER);
        else
            ::SetWindowPos(view, nullptr, r.left, r.top, r.Width(), r.Height(),
                           SWP_NOACTIVATE | SWP_NOZORDER);
    }
    if (layout.hdwp) EndDeferWindowPos(layout.hdwp);
    m_bInRecalcLayout = false;
}

void CFrameWnd::OnUpdateFrameTitle(bool addToTitle) {
    if (!IsWindow() || !(GetStyle() & FWS_ADDTOTITLE)) return;
    CDocument* doc = GetActiveDocument();
    std::wstring title = m_strTitle;
    if (addToTitle && doc && !doc->GetTitle().empty())
        title = doc->GetTitle() + L" - " + m_strTitle;
    if (GetWindowText() != title) SetWindowText(title);
}

HWND CFrameWnd::GetMessageBar() const {
    return GetDlgItem(AFX_IDW_STATUS_BAR);
}

void CFrameWnd::SetMessageText(const std::wstring& text) {
    if (HWND bar = GetMessageBar())
        ::SendMessageW(bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void CFrameWnd::SetMessageText(UINT id) {
    if (id == AFX_IDS_IDLEMESSAGE)
        SetMessageText(AfxLoadString(AFX_IDS_IDLEMESSAGE));
    else if (id == 0)
        SetMessageText(std::wstring());
    else
        SetMessageText(AfxExtractSubString(AfxLoadString(id), 0));
}

LRESULT CFrameWnd::OnSetMessageString(WPARAM wp, LPARAM lp) {
    UINT previous = m_nIDTracking;
    if (lp) {
        SetMessageText(std::wstring(reinterpret_cast<LPCWSTR>(lp)));
    } else {
        SetMessageText(static_cast<UINT>(wp));
    }
    m_nIDTracking = static_cast<UINT>(wp);
    return previous;
}

LRESULT CFrameWnd::OnPopMessageString(WPARAM wp, LPARAM lp) {
    return OnSetMessageString(wp ? wp : AFX_IDS_IDLEMESSAGE, lp);
}

LRESULT CFrameWnd::OnMenuSelect(WPARAM wp, LPARAM lp) {
    UINT item = LOWORD(wp);
    UINT flags = HIWORD(wp);
    UINT id;
    if (flags == 0xFFFF && !lp)
        id = AFX_IDS_IDLEMESSAGE; // the menu closed
    else if (item == 0 || (flags & (MF_SEPARATOR | MF_POPUP)) || item >= 0xF000)
        id = 0;
    else
        id = item;
    OnSetMessageString(id, 0);
    return 0;
}

LRESULT CFrameWnd::OnInitMenuPopup(WPARAM wp, LPARAM lp) {
    if (HIWORD(lp)) return Default(); // the system menu keeps its own state
    UpdateMenuItems(reinterpret_cast<HMENU>(wp));
    return 0;
}

void CFrameWnd::UpdateMenuItems(HMENU menu) {
    CCmdUI ui;
    ui.m_hMenu = menu;
    ui.m_nIndexMax = static_cast<UINT>(GetMenuItemCount(menu));
    for (ui.m_nIndex = 0; ui.m_nIndex < ui.m_nIndexMax; ++ui.m_nIndex) {
        UINT id = GetMenuItemID(menu, static_cast<int>(ui.m_nIndex));
        if (id == 0 || id == static_cast<UINT>(-1)) continue; // separators and sub-menus
        ui.m_nID = id;
        ui.DoUpdate(this, m_bAutoMenuEnable && id < 0xF000);
        // A handler may have replaced items (the recent-file list does).
        ui.m_nIndexMax = static_cast<UINT>(GetMenuItemCount(menu));
    }
}

LRESULT CFrameWnd::OnIdleUpdateCmdUI(WPARAM, LPARAM) {
    return 0;
}

bool CFrameWnd::IsCommandDisabled(UINT id) {
    CTestCmdUI state;
    state.m_nID = id;
    if (OnCmdMsg(id, 0, &state)) return !state.m_bEnabled;
    return !OnCmdMsg(id, 0, nullptr, CmdAction::Probe);
}

bool CFrameWnd::OnCommand(WPARAM wp, LPARAM lp) {
    // A greyed command must not run through its accelerator either.
    if (!lp && IsCommandDisabled(LOWORD(wp))) return true;
    return CWnd::OnCommand(wp, lp);
}

bool CFrameWnd::OnCmdMsg(UINT id, int code, CCmdUI* ui, CmdAction action) {
    if (m_pViewActive && m_pViewActive->OnCmdMsg(id, code, ui, action)) return true;
    if (CWnd::OnCmdMsg(id, code, ui, action)) return true;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(id, code, ui, action);
}

bool CFrameWnd::PreTranslateMessage(MSG* msg) {
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && m_hAccelTable)
        return TranslateAcceleratorW(m_hWnd, m_hAccelTable, msg) != 0;
    return false;
}

void CFrameWnd::OnSize(UINT type, int, int) {
    if (type != SIZE_MINIMIZED) RecalcLayout();
}

void CFrameWnd::OnSetFocus(HWND) {
    if (m_pViewActive && m_pViewActive->IsWindow())
        m_pViewActive->SetFocus();
    else
        Default();
}

void CFrameWnd::OnClose() {
    CDocument* doc = GetActiveDocument();
    if (doc && !doc->CanCloseFrame(this)) return;
    CWinApp* app = AfxGetApp();
    if (!doc && app && app->m_pMainWnd == this && !app->SaveAllModified()) return;
    DestroyWindow();
}

void CFrameWnd::OnDestroy() {
    m_pViewActive = nullptr;
    Default();
}

void CFrameWnd::PostNcDestroy() {
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        PostQuitMessage(0);
    }
    if (m_bAutoDelete) delete this;
}
