// CWnd: a C++ object attached to one window. Messages reach the object's virtual
// WindowProc, which looks them up in the class's message table.
#pragma once
#include "cmdtarget.h"

#include <string>

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)
public:
    HWND m_hWnd = nullptr;

    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    ~CWnd() override; // destroys a window the object still holds

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }
    // The object attached to a window by this framework; null for other windows.
    static CWnd* FromHandle(HWND hwnd);

    // Creation. The object is attached before the window's first message, so its table
    // sees WM_NCCREATE and WM_CREATE. A null class name uses the framework's own class.
    virtual bool CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style,
                          const RECT& rect, HWND parent, UINT_PTR idOrMenu, void* param = nullptr);
    bool Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, HWND parent,
                UINT id, void* param = nullptr) {
        return CreateEx(0, className, windowName, style, rect, parent, id, param);
    }
    virtual bool PreCreateWindow(CREATESTRUCTW& cs);
    // Creation from a prepared structure (PreCreateWindow still runs); lets callers pass
    // CW_USEDEFAULT sizes.
    bool CreateFromStruct(CREATESTRUCTW& cs);
    // Runs `create` (a system call that makes a window, such as CreateDialogIndirectParamW)
    // with this object attached to the first window it makes, as CreateEx does.
    HWND CreateAttached(HWND (*create)(void* context), void* context);
    bool SubclassWindow(HWND hwnd); // attaches to an existing window
    bool SubclassDlgItem(UINT id, HWND parent);
    HWND UnsubclassWindow(); // gives the window back, returns it
    virtual bool DestroyWindow();

    // Messages.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    virtual LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Default(); // default processing of the message being handled
    virtual bool PreTranslateMessage(MSG* msg);
    virtual bool OnCommand(WPARAM wp, LPARAM lp);
    virtual bool OnNotify(WPARAM wp, LPARAM lp, LRESULT* result);
    // A notification the parent passes back to the control that sent it.
    virtual bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
    virtual void PostNcDestroy() {}
    // Exceptions from handlers end here; the application reports them.
    virtual void OnHandlerException();

    // Attributes and common operations.
    DWORD GetStyle() const { return static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }
    bool ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0);
    bool ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags = 0);
    CRect GetClientRect() const;
    CRect GetWindowRect() const;
    void ScreenToClient(POINT& p) const { ::ScreenToClient(m_hWnd, &p); }
    void ScreenToClient(RECT& r) const;
    void ClientToScreen(POINT& p) const { ::ClientToScreen(m_hWnd, &p); }
    void ClientToScreen(RECT& r) const;
    void Invalidate(bool erase = true) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void InvalidateRect(const RECT* r, bool erase = true) { ::InvalidateRect(m_hWnd, r, erase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    bool ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
    void MoveWindow(const RECT& r, bool repaint = true);
    bool SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags) {
        return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags);
    }
    void CenterWindow(HWND alternateOwner = nullptr);
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendMessageW(m_hWnd, msg, wp, lp);
    }
    bool PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::PostMessageW(m_hWnd, msg, wp, lp);
    }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    CWnd* GetParentWnd() const { return FromHandle(GetParent()); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    void SetDlgCtrlID(int id) { SetWindowLongPtrW(m_hWnd, GWLP_ID, id); }
    void SetWindowText(const std::wstring& text) { ::SetWindowTextW(m_hWnd, text.c_str()); }
    std::wstring GetWindowText() const;
    bool EnableWindow(bool enable = true) { return ::EnableWindow(m_hWnd, enable); }
    bool IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    bool IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
    void SetFont(HFONT font, bool redraw = true) {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
    }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    HWND SetCapture() { return ::SetCapture(m_hWnd); }
    // Sends a message to every child window (and their children when deep).
    void SendMessageToDescendants(UINT msg, WPARAM wp, LPARAM lp, bool deep = true);

protected:
    DECLARE_MESSAGE_MAP()
    // Called by the table lookup; true when a handler took the message.
    virtual bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

private:
    WNDPROC m_pfnSuper = nullptr; // the window's own procedure, called for default handling
    friend struct WndAttach;
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Attach(HWND hwnd);
    void Detach();
    bool ReflectToChild(HWND child, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
};

// True when the window already has this place, in its parent's client coordinates (the
// screen's for a top-level window). A move to the same place repaints nothing but still costs
// a round trip to the window server, and under Wine several: layouts skip those.
bool AfxIsWindowAt(HWND hwnd, const RECT& r);

// The arrow cursor, loaded once: each load asks the window server again.
HCURSOR AfxArrowCursor();

// Registers (once) a window class of the framework with the given attributes and returns its name.
LPCWSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                            HICON icon = nullptr);
