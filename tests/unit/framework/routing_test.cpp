// Command routing, command-update on the idle pass and on menu pop-up, the frame's layout
// and message pane, and exceptions thrown by handlers.
#include "test_app.h"

#include "framework/afxmsg.h"
#include "framework/doc.h"
#include "framework/doctempl.h"
#include "framework/exception.h"
#include "framework/frame.h"
#include "framework/view.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

constexpr UINT kGreyedCmd = 105;  // the view handles it, the frame's update disables it
constexpr UINT kCheckedCmd = 106; // the frame's update checks it

std::vector<std::wstring>& Log() {
    return TestApp().m_log;
}

class CRouteView : public CView {
    DECLARE_DYNCREATE(CRouteView)
public:
    void OnDraw(HDC) override {}

protected:
    DECLARE_MESSAGE_MAP()
    void OnViewCommand() { Log().push_back(L"view"); }
};
IMPLEMENT_DYNCREATE(CRouteView, CView)
BEGIN_MESSAGE_MAP(CRouteView, CView)
    Command<&CRouteView::OnViewCommand>(kViewCmd), Command<&CRouteView::OnViewCommand>(kGreyedCmd),
END_MESSAGE_MAP()

class CRouteDoc : public CDocument {
    DECLARE_DYNCREATE(CRouteDoc)

protected:
    DECLARE_MESSAGE_MAP()
    void OnDocCommand() { Log().push_back(L"doc"); }
};
IMPLEMENT_DYNCREATE(CRouteDoc, CDocument)
BEGIN_MESSAGE_MAP(CRouteDoc, CDocument)
    Command<&CRouteDoc::OnDocCommand>(kDocCmd),
        Command<&CRouteDoc::OnDocCommand>(kViewCmd), // the view answers first
END_MESSAGE_MAP()

class CRouteFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CRouteFrame)

protected:
    DECLARE_MESSAGE_MAP()
    void OnFrameCommand() { Log().push_back(L"frame"); }
    void OnUpdateGreyed(CCmdUI* ui) { ui->Enable(false); }
    void OnUpdateChecked(CCmdUI* ui) { ui->SetCheck(1); }
};
IMPLEMENT_DYNCREATE(CRouteFrame, CFrameWnd)
BEGIN_MESSAGE_MAP(CRouteFrame, CFrameWnd)
    Command<&CRouteFrame::OnFrameCommand>(kFrameCmd),
        Command<&CRouteFrame::OnFrameCommand>(kDocCmd), // the document answers first
        Command<&CRouteFrame::OnFrameCommand>(kCheckedCmd),
        Update<&CRouteFrame::OnUpdateGreyed>(kGreyedCmd),
        Update<&CRouteFrame::OnUpdateChecked>(kCheckedCmd),
END_MESSAGE_MAP()

// A frame with its view on a document the test owns.
struct FrameWithView {
    CRouteDoc doc;
    CRouteFrame* frame = new CRouteFrame; // the window owns it from creation on

    FrameWithView() {
        doc.m_bAutoDelete = false;
        CCreateContext context;
        context.m_pNewViewClass = RUNTIME_CLASS(CRouteView);
        context.m_pCurrentDoc = &doc;
        EXPECT_TRUE(frame->LoadFrame(0, WS_OVERLAPPEDWINDOW, nullptr, &context));
        frame->InitialUpdateFrame(&doc, false);
        Log().clear();
    }
    ~FrameWithView() {
        if (TestApp().m_pMainWnd == frame) TestApp().m_pMainWnd = nullptr;
        frame->DestroyWindow();
        PumpPending();
    }
    void Command(UINT id) { frame->SendMessage(WM_COMMAND, id, 0); }
};

// Counts the idle updates a window gets.
class CIdleCounter : public CWnd {
public:
    int m_nUpdates = 0;

protected:
    DECLARE_MESSAGE_MAP()
    LRESULT OnIdleUpdate(WPARAM, LPARAM) {
        ++m_nUpdates;
        return 0;
    }
};
BEGIN_MESSAGE_MAP(CIdleCounter, CWnd)
    On<WM_IDLEUPDATECMDUI, &CIdleCounter::OnIdleUpdate>(),
END_MESSAGE_MAP()

// A bar that takes a fixed slice of the top or bottom edge.
class CEdgeBar : public CWnd {
public:
    int m_nHeight = 0;
    bool m_bTop = true;

protected:
    DECLARE_MESSAGE_MAP()
    LRESULT OnSizeParent(WPARAM, LPARAM lp) {
        auto* layout = reinterpret_cast<SizeParentParams*>(lp);
        CRect r = layout->rect;
        if (m_bTop) {
            r.bottom = r.top + m_nHeight;
            layout->rect.top += m_nHeight;
        } else {
            r.top = r.bottom - m_nHeight;
            layout->rect.bottom -= m_nHeight;
        }
        layout->hdwp = DeferWindowPos(layout->hdwp, m_hWnd, nullptr, r.left, r.top, r.Width(),
                                      r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
};
BEGIN_MESSAGE_MAP(CEdgeBar, CWnd)
    On<WM_SIZEPARENT, &CEdgeBar::OnSizeParent>(),
END_MESSAGE_MAP()

CRect ChildRect(const CWnd& parent, HWND child) {
    CRect r;
    GetWindowRect(child, &r);
    parent.ScreenToClient(r);
    return r;
}

} // namespace

TEST(Routing, CommandGoesToViewThenDocumentThenFrameThenApplication) {
    FrameWithView f;
    for (UINT id : {kViewCmd, kDocCmd, kFrameCmd, kAppCmd, kNobodyCmd})
        f.Command(id);
    EXPECT_EQ(Log(), (std::vector<std::wstring>{L"view", L"doc", L"frame", L"app"}));
}

TEST(Routing, DisabledCommandDoesNotRunFromMenuOrAccelerator) {
    FrameWithView f;
    f.Command(kGreyedCmd);
    f.Command(kCheckedCmd); // has an update handler that leaves it enabled
    EXPECT_EQ(Log(), (std::vector<std::wstring>{L"frame"}));
}

TEST(IdleUpdate, ReachesFrameChildrenGrandchildrenAndOwnedPopups) {
    FrameWithView f;
    CIdleCounter bar, inner, floating;
    ASSERT_TRUE(bar.Create(nullptr, L"", WS_CHILD, CRect(0, 0, 10, 10), f.frame->m_hWnd, 0xE810));
    ASSERT_TRUE(inner.Create(nullptr, L"", WS_CHILD, CRect(0, 0, 5, 5), bar.m_hWnd, 1));
    ASSERT_TRUE(floating.CreateEx(WS_EX_TOOLWINDOW, nullptr, L"", WS_POPUP, CRect(0, 0, 5, 5),
                                  f.frame->m_hWnd, 0));
    TestApp().m_pMainWnd = f.frame;
    EXPECT_FALSE(TestApp().OnIdle(0)); // one pass is enough
    EXPECT_FALSE(TestApp().OnIdle(1));
    EXPECT_EQ(bar.m_nUpdates, 1);
    EXPECT_EQ(inner.m_nUpdates, 1);
    EXPECT_EQ(floating.m_nUpdates, 1);
}

TEST(IdleUpdate, PaintSystemTimerAndStillMouseDoNotRestartIdle) {
    CTestApp& app = TestApp();
    MSG msg{};
    msg.message = WM_PAINT;
    EXPECT_FALSE(app.IsIdleMessage(&msg));
    msg.message = 0x0118; // the system timer of caret blinking
    EXPECT_FALSE(app.IsIdleMessage(&msg));
    msg.message = WM_KEYDOWN;
    EXPECT_TRUE(app.IsIdleMessage(&msg));
    msg.message = WM_MOUSEMOVE;
    msg.pt = {40, 50};
    EXPECT_TRUE(app.IsIdleMessage(&msg));
    EXPECT_FALSE(app.IsIdleMessage(&msg)); // same place again
    msg.pt = {41, 50};
    EXPECT_TRUE(app.IsIdleMessage(&msg));
}

TEST(MenuUpdate, PopupGreysCommandsWithoutHandlerAndRunsUpdateHandlers) {
    FrameWithView f;
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, kViewCmd, L"view");
    AppendMenuW(menu, MF_STRING, kNobodyCmd, L"nobody");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kGreyedCmd, L"greyed");
    AppendMenuW(menu, MF_STRING, kCheckedCmd, L"checked");
    f.frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    EXPECT_FALSE(GetMenuState(menu, kViewCmd, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(menu, kNobodyCmd, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(menu, kGreyedCmd, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(menu, kCheckedCmd, MF_BYCOMMAND) & MF_CHECKED);
    DestroyMenu(menu);
}

namespace {
std::wstring MenuText(HMENU menu, UINT pos) {
    wchar_t text[300] = {};
    GetMenuStringW(menu, pos, text, 300, MF_BYPOSITION);
    return text;
}
} // namespace

TEST(MenuUpdate, RecentFilesTakeThePlaceOfThePlaceholderAndAreKeptInTheProfile) {
    ClearTestProfile();
    CTestApp& app = TestApp();
    app.LoadStdProfileSettings(4);
    FrameWithView f;
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, ID_FILE_NEW, L"new");
    AppendMenuW(menu, MF_STRING | MF_GRAYED, ID_FILE_MRU_FILE1, L"Недавний файл");
    AppendMenuW(menu, MF_STRING, kCheckedCmd, L"after");

    f.frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    EXPECT_EQ(GetMenuItemCount(menu), 3);
    EXPECT_EQ(MenuText(menu, 1), L"Недавний файл");
    EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_GRAYED);

    for (const wchar_t* path :
         {L"C:\\a.cmb", L"C:\\b&c.cmb", L"C:\\c.cmb", L"C:\\A.CMB", L"C:\\e.cmb", L"C:\\e.cmb"})
        app.AddToRecentFileList(path);
    f.frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    ASSERT_EQ(GetMenuItemCount(menu), 6);
    EXPECT_EQ(MenuText(menu, 1), L"&1 C:\\e.cmb");
    EXPECT_EQ(MenuText(menu, 2), L"&2 C:\\A.CMB"); // re-added: moved first, once
    EXPECT_EQ(MenuText(menu, 4), L"&4 C:\\b&&c.cmb");
    EXPECT_FALSE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(menu, 5, MF_BYPOSITION) &
                MF_CHECKED); // items after the list still updated
    EXPECT_EQ(app.GetProfileString(L"Recent File List", L"File1"), L"C:\\e.cmb");
    EXPECT_EQ(app.GetProfileString(L"Recent File List", L"File4"), L"C:\\b&c.cmb");

    // A second copy reads the same list.
    app.LoadStdProfileSettings(4);
    f.frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    EXPECT_EQ(GetMenuItemCount(menu), 6);
    EXPECT_EQ(MenuText(menu, 3), L"&3 C:\\c.cmb");
    DestroyMenu(menu);
    ClearTestProfile();
}

TEST(Layout, BarsTakeTheirSlicesInCreationOrderAndTheViewTheRest) {
    FrameWithView f;
    f.frame->SetWindowPos(nullptr, 0, 0, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    CEdgeBar top, bottom;
    top.m_nHeight = 20;
    bottom.m_nHeight = 15;
    bottom.m_bTop = false;
    ASSERT_TRUE(
        top.Create(nullptr, L"", WS_CHILD | WS_VISIBLE, CRect(), f.frame->m_hWnd, AFX_IDW_TOOLBAR));
    ASSERT_TRUE(bottom.Create(nullptr, L"", WS_CHILD | WS_VISIBLE, CRect(), f.frame->m_hWnd, 142));
    f.frame->RecalcLayout();
    CRect client = f.frame->GetClientRect();
    EXPECT_EQ(ChildRect(*f.frame, top.m_hWnd), CRect(0, 0, client.right, 20));
    EXPECT_EQ(ChildRect(*f.frame, bottom.m_hWnd),
              CRect(0, client.bottom - 15, client.right, client.bottom));
    HWND view = f.frame->GetDlgItem(AFX_IDW_PANE_FIRST);
    ASSERT_TRUE(view);
    EXPECT_EQ(ChildRect(*f.frame, view), CRect(0, 20, client.right, client.bottom - 15));
}

TEST(StatusText, PromptsGoToTheMessagePaneOfTheStatusBar) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    FrameWithView f;
    HWND bar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD, 0, 0, 0, 0, f.frame->m_hWnd,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_STATUS_BAR)),
                               nullptr, nullptr);
    ASSERT_TRUE(bar);
    auto pane = [&] {
        wchar_t text[200] = {};
        SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
        return std::wstring(text);
    };
    f.frame->SendMessage(WM_SETMESSAGESTRING, 0,
                         reinterpret_cast<LPARAM>(L"Создать новый документ"));
    EXPECT_EQ(pane(), L"Создать новый документ");
    f.frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP),
                         reinterpret_cast<LPARAM>(GetMenu(*f.frame)));
    EXPECT_EQ(pane(), L""); // a pop-up title has no prompt
}

namespace {
class CThrowingWnd : public CWnd {
protected:
    DECLARE_MESSAGE_MAP()
    void OnTimer(UINT_PTR) {
        throw CFileException(CFileException::accessDenied, ERROR_ACCESS_DENIED, L"C:\\x.cmb");
    }
    void OnChar(UINT, UINT, UINT) { throw std::bad_alloc(); }
};
BEGIN_MESSAGE_MAP(CThrowingWnd, CWnd)
    On<WM_TIMER, &CThrowingWnd::OnTimer>(), On<WM_CHAR, &CThrowingWnd::OnChar>(),
END_MESSAGE_MAP()

// Throws while its window is being created, at the message `Msg`.
template <UINT Msg> class CFailingWnd : public CWnd {
protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == Msg) throw std::bad_alloc();
        return CWnd::WindowProc(msg, wp, lp);
    }
};
} // namespace

TEST(Exceptions, HandlerExceptionsAreReportedInRussianAndDoNotEscape) {
    CThrowingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, L"", WS_POPUP, CRect(0, 0, 5, 5), nullptr, 0));
    TestApp().m_boxes.clear();
    wnd.SendMessage(WM_TIMER, 1);
    wnd.SendMessage(WM_CHAR, 'a');
    ASSERT_EQ(TestApp().m_boxes.size(), 2u);
    EXPECT_EQ(TestApp().m_boxes[0], L"Нет доступа к файлу «C:\\x.cmb».");
    EXPECT_EQ(TestApp().m_boxes[1], L"Недостаточно памяти.");
}

TEST(Exceptions, ThrownDuringCreationTheWindowIsNotCreated) {
    CFailingWnd<WM_NCCREATE> nc;
    CFailingWnd<WM_CREATE> create;
    TestApp().m_boxes.clear();
    EXPECT_FALSE(nc.CreateEx(0, nullptr, L"", WS_POPUP, CRect(0, 0, 5, 5), nullptr, 0));
    EXPECT_FALSE(create.CreateEx(0, nullptr, L"", WS_POPUP, CRect(0, 0, 5, 5), nullptr, 0));
    EXPECT_EQ(nc.m_hWnd, nullptr);
    EXPECT_EQ(create.m_hWnd, nullptr);
    EXPECT_EQ(TestApp().m_boxes.size(), 2u);
}
