#include "wnd.h"

#include "exception.h"

#include <cstdio>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

namespace {

// Which object owns which window. Kept in the process rather than in window properties:
// under Wine every property read is a round trip to the server, and the window procedure
// reads it for every message.
class HandleMap {
public:
    CWnd* Find(HWND hwnd) {
        AcquireSRWLockShared(&m_lock);
        auto it = m_map.find(hwnd);
        CWnd* wnd = it == m_map.end() ? nullptr : it->second;
        ReleaseSRWLockShared(&m_lock);
        return wnd;
    }
    void Set(HWND hwnd, CWnd* wnd) {
        AcquireSRWLockExclusive(&m_lock);
        m_map[hwnd] = wnd;
        ReleaseSRWLockExclusive(&m_lock);
    }
    void Remove(HWND hwnd) {
        AcquireSRWLockExclusive(&m_lock);
        m_map.erase(hwnd);
        ReleaseSRWLockExclusive(&m_lock);
    }

private:
    SRWLOCK m_lock = SRWLOCK_INIT;
    std::unordered_map<HWND, CWnd*> m_map;
};

HandleMap& Handles() {
    static HandleMap* map = new HandleMap; // never destroyed: windows may outlive statics
    return *map;
}

// The message being handled on this thread, for CWnd::Default.
struct CurrentMessage {
    HWND hwnd;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};
thread_local CurrentMessage* t_current = nullptr;

// The object waiting for its window during CreateEx, and the hook that attaches it.
thread_local CWnd* t_creating = nullptr;
thread_local HHOOK t_cbtHook = nullptr;

LRESULT CALLBACK CbtHook(int code, WPARAM wp, LPARAM lp);

// Points the creation hook at the object of one CreateEx. The outermost CreateEx installs
// the hook and removes it again; the windows its WM_CREATE creates share it. Each hook in
// the chain is a round trip to the window server for every window created.
class CreationHook {
public:
    explicit CreationHook(CWnd* wnd) : m_prevWnd(t_creating), m_owner(t_cbtHook == nullptr) {
        t_creating = wnd;
        if (m_owner) t_cbtHook = SetWindowsHookExW(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
    }
    ~CreationHook() {
        if (m_owner && t_cbtHook) {
            UnhookWindowsHookEx(t_cbtHook);
            t_cbtHook = nullptr;
        }
        t_creating = m_prevWnd;
    }
    CreationHook(const CreationHook&) = delete;
    CreationHook& operator=(const CreationHook&) = delete;

private:
    CWnd* m_prevWnd;
    bool m_owner;
};

} // namespace

struct WndAttach {
    static void Attach(CWnd* wnd, HWND hwnd) { wnd->Attach(hwnd); }
    static WNDPROC Procedure() { return &CWnd::StaticWndProc; }
};

namespace {
LRESULT CALLBACK CbtHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND && t_creating) {
        CWnd* wnd = t_creating;
        t_creating = nullptr; // only the first window created belongs to the object
        WndAttach::Attach(wnd, reinterpret_cast<HWND>(wp));
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}
} // namespace

CWnd::~CWnd() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
    if (m_hWnd) Detach();
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    return hwnd ? Handles().Find(hwnd) : nullptr;
}

void CWnd::Attach(HWND hwnd) {
    m_hWnd = hwnd;
    Handles().Set(hwnd, this);
    auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    if (proc != &CWnd::StaticWndProc) {
        m_pfnSuper = proc;
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StaticWndProc));
    }
}

void CWnd::Detach() {
    if (m_hWnd) Handles().Remove(m_hWnd);
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        if (m_pfnSuper)
            SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    }
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
}

bool AfxIsWindowAt(HWND hwnd, const RECT& r) {
    RECT now;
    if (!::GetWindowRect(hwnd, &now)) return false;
    if (::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD)
        ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&now), 2);
    return ::EqualRect(&now, &r) != FALSE;
}

HCURSOR AfxArrowCursor() {
    static const HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
    return arrow;
}

LPCWSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon) {
    static std::map<std::wstring, std::wstring> registered;
    wchar_t name[96];
    swprintf(name, 96, L"KivWnd:%x:%p:%p:%p", classStyle, static_cast<void*>(cursor),
             static_cast<void*>(background), static_cast<void*>(icon));
    auto it = registered.find(name);
    if (it != registered.end()) return it->second.c_str();
    WNDCLASSW wc{};
    wc.style = classStyle;
    // The framework's own procedure from the start: no subclassing when a window attaches.
    wc.lpfnWndProc = WndAttach::Procedure();
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = name;
    RegisterClassW(&wc);
    return registered.emplace(name, name).first->second.c_str();
}

bool CWnd::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!cs.lpszClass)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, AfxArrowCursor(),
                                           reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    return true;
}

bool CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style,
                    const RECT& rect, HWND parent, UINT_PTR idOrMenu, void* param) {
    CREATESTRUCTW cs{};
    cs.dwExStyle = exStyle;
    cs.lpszClass = className;
    cs.lpszName = windowName;
    cs.style = style;
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
    cs.hwndParent = parent;
    cs.hMenu = reinterpret_cast<HMENU>(idOrMenu);
    cs.hInstance = GetModuleHandleW(nullptr);
    cs.lpCreateParams = param;
    return CreateFromStruct(cs);
}

bool CWnd::CreateFromStruct(CREATESTRUCTW& cs) {
    if (!PreCreateWindow(cs)) return false;
    HWND hwnd;
    {
        CreationHook hook(this);
        hwnd = CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx,
                               cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    }
    if (!hwnd) {
        if (m_hWnd) Detach(); // WM_CREATE refused: the window is gone
        return false;
    }
    return true;
}

HWND CWnd::CreateAttached(HWND (*create)(void* context), void* context) {
    HWND hwnd;
    {
        CreationHook hook(this);
        hwnd = create(context);
    }
    if (!hwnd && m_hWnd) Detach();
    return hwnd;
}

bool CWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || m_hWnd || FromHandle(hwnd)) return false;
    Attach(hwnd);
    return true;
}

bool CWnd::SubclassDlgItem(UINT id, HWND parent) {
    return SubclassWindow(::GetDlgItem(parent, id));
}

HWND CWnd::UnsubclassWindow() {
    HWND hwnd = m_hWnd;
    Detach();
    return hwnd;
}

bool CWnd::DestroyWindow() {
    return m_hWnd && ::DestroyWindow(m_hWnd);
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CWnd* wnd = FromHandle(hwnd);
    if (!wnd) return ::DefWindowProcW(hwnd, msg, wp, lp);
    CurrentMessage current{hwnd, msg, wp, lp};
    CurrentMessage* saved = t_current;
    t_current = &current;
    LRESULT result = 0;
    try {
        result = wnd->WindowProc(msg, wp, lp);
    } catch (...) {
        wnd->OnHandlerException();
        // A window that failed half-way through its creation is not created.
        if (msg == WM_CREATE) result = -1;
        if (msg == WM_NCCREATE) result = FALSE;
    }
    t_current = saved;
    if (msg == WM_NCDESTROY) {
        // The window is gone: hand it back and let the object decide about itself.
        WNDPROC super = wnd->m_pfnSuper;
        Handles().Remove(hwnd);
        if (super) SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        wnd->m_pfnSuper = nullptr;
        wnd->m_hWnd = nullptr;
        wnd->PostNcDestroy();
    }
    return result;
}

void CWnd::OnHandlerException() {
    // Called inside the catch block: the application reports it in its standard box.
    AfxReportException(std::current_exception());
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (OnWndMsg(msg, wp, lp, &result)) return result;
    return DefWindowProc(msg, wp, lp);
}

namespace {
// No border, caption, menu or scroll bar: the client area is the whole window.
bool HasNoNonClientArea(HWND hwnd) {
    RECT window, client;
    if (!::GetWindowRect(hwnd, &window) || !::GetClientRect(hwnd, &client)) return false;
    return window.right - window.left == client.right &&
           window.bottom - window.top == client.bottom;
}
} // namespace

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    // Nothing to paint outside the client area, yet the default handling would still make
    // a window DC, several round trips to the window server under Wine for each control.
    if (msg == WM_NCPAINT && HasNoNonClientArea(m_hWnd)) return 0;
    if (m_pfnSuper) return CallWindowProcW(m_pfnSuper, m_hWnd, msg, wp, lp);
    return ::DefWindowProcW(m_hWnd, msg, wp, lp);
}

LRESULT CWnd::Default() {
    if (!t_current) return 0;
    return DefWindowProc(t_current->msg, t_current->wp, t_current->lp);
}

bool CWnd::PreTranslateMessage(MSG*) {
    return false;
}

bool CWnd::ReflectToChild(HWND child, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    CWnd* wnd = FromHandle(child);
    return wnd && wnd != this && wnd->OnChildNotify(msg, wp, lp, result);
}

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) {
    return false;
}

bool CWnd::OnCommand(WPARAM wp, LPARAM lp) {
    UINT id = LOWORD(wp);
    int code = HIWORD(wp);
    HWND control = reinterpret_cast<HWND>(lp);
    if (control) {
        LRESULT ignored = 0;
        if (ReflectToChild(control, WM_COMMAND, wp, lp, &ignored)) return true;
    } else {
        code = 0; // menus and accelerators are one kind of command
    }
    return OnCmdMsg(id, code, nullptr);
}

bool CWnd::OnNotify(WPARAM, LPARAM lp, LRESULT* result) {
    auto* hdr = reinterpret_cast<NMHDR*>(lp);
    if (ReflectToChild(hdr->hwndFrom, WM_NOTIFY, 0, lp, result)) return true;
    if (auto* e =
            FindEntry(msgmap::Kind::Notify, WM_NOTIFY, hdr->code, static_cast<UINT>(hdr->idFrom))) {
        *result = e->thunk(this, 0, lp);
        return true;
    }
    return false;
}

bool CWnd::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    switch (msg) {
    case WM_COMMAND:
        if (OnCommand(wp, lp)) {
            *result = 0;
            return true;
        }
        return false;
    case WM_NOTIFY:
        return OnNotify(wp, lp, result);
    case WM_DRAWITEM:
        if (wp &&
            ReflectToChild(reinterpret_cast<DRAWITEMSTRUCT*>(lp)->hwndItem, msg, wp, lp, result))
            return true;
        break;
    case WM_MEASUREITEM:
        if (wp && ReflectToChild(GetDlgItem(static_cast<int>(wp)), msg, wp, lp, result))
            return true;
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
        if (lp && ReflectToChild(reinterpret_cast<HWND>(lp), msg, wp, lp, result)) return true;
        break;
    default:
        break;
    }
    if (auto* e = FindEntry(msgmap::Kind::Message, msg, 0, 0)) {
        *result = e->thunk(this, wp, lp);
        return true;
    }
    return false;
}

namespace {
bool ModifyLong(HWND hwnd, int index, DWORD remove, DWORD add, UINT swpFlags) {
    auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, index));
    DWORD next = (style & ~remove) | add;
    if (next == style) return false;
    SetWindowLongPtrW(hwnd, index, next);
    if (swpFlags)
        ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                       swpFlags | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}
} // namespace

bool CWnd::ModifyStyle(DWORD remove, DWORD add, UINT swpFlags) {
    return ModifyLong(m_hWnd, GWL_STYLE, remove, add, swpFlags);
}

bool CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags) {
    return ModifyLong(m_hWnd, GWL_EXSTYLE, remove, add, swpFlags);
}

CRect CWnd::GetClientRect() const {
    CRect r;
    ::GetClientRect(m_hWnd, &r);
    return r;
}

CRect CWnd::GetWindowRect() const {
    CRect r;
    ::GetWindowRect(m_hWnd, &r);
    return r;
}

void CWnd::ScreenToClient(RECT& r) const {
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
}
void CWnd::ClientToScreen(RECT& r) const {
    MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
}

void CWnd::MoveWindow(const RECT& r, bool repaint) {
    ::MoveWindow(m_hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, repaint);
}

void CWnd::CenterWindow(HWND alternateOwner) {
    HWND owner = alternateOwner ? alternateOwner : ::GetWindow(m_hWnd, GW_OWNER);
    CRect area;
    if (GetStyle() & WS_CHILD) {
        ::GetClientRect(GetParent(), &area);
    } else if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
        ::GetWindowRect(owner, &area);
    } else {
        MONITORINFO mi{sizeof(mi), {}, {}, 0};
        GetMonitorInfoW(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &mi);
        area = mi.rcWork;
    }
    CRect me = GetWindowRect();
    int x = area.left + (area.Width() - me.Width()) / 2;
    int y = area.top + (area.Height() - me.Height()) / 2;
    if (me.left == x && me.top == y) return;
    SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring CWnd::GetWindowText() const {
    int n = GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = ::GetWindowTextW(m_hWnd, text.data(), n + 1);
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return text;
}

namespace {
struct DescendantMessage {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};

BOOL CALLBACK SendToOne(HWND hwnd, LPARAM lp) {
    const auto* m = reinterpret_cast<const DescendantMessage*>(lp);
    ::SendMessageW(hwnd, m->msg, m->wp, m->lp);
    return TRUE;
}

void SendToDescendants(HWND parent, UINT msg, WPARAM wp, LPARAM lp, bool deep) {
    if (deep) {
        // Each child, then its own children: one request to the window server per window
        // listed, where stepping through siblings costs two.
        DescendantMessage m{msg, wp, lp};
        ::EnumChildWindows(parent, SendToOne, reinterpret_cast<LPARAM>(&m));
        return;
    }
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        ::SendMessageW(child, msg, wp, lp);
}
} // namespace

void CWnd::SendMessageToDescendants(UINT msg, WPARAM wp, LPARAM lp, bool deep) {
    SendToDescendants(m_hWnd, msg, wp, lp, deep);
}
