#include "menubar.h"

#include "framework/app.h"
#include "framework/frame.h"

#include <algorithm>
#include <utility>
#include <cwctype>
#include <vector>

IMPLEMENT_DYNCREATE(COXMenuBar, COXCoolToolBar)

namespace {
constexpr UINT WM_MENUBAR_OPENPOPUP = WM_APP + 0x3A0; // wParam: pop-up index
constexpr UINT kFirstButtonId = 1;
constexpr UINT kLastButtonId = 255;
constexpr int kMaxText = 256;
} // namespace

HWND COXMenuBar::s_hWndOldFocus = nullptr;

BEGIN_MESSAGE_MAP(COXMenuBar, COXCoolToolBar)
    UpdateRange<&COXMenuBar::OnMenuButtonUpdate>(kFirstButtonId, kLastButtonId),
        On<WM_LBUTTONDOWN, &COXMenuBar::OnLButtonDownBar>(),
        On<WM_KILLFOCUS, &COXMenuBar::OnKillFocus>(),
        On<WM_SETTINGCHANGE, &COXMenuBar::OnSettingChange>(),
        On<WM_MENUBAR_OPENPOPUP, &COXMenuBar::OnOpenPopupRequest>(),
END_MESSAGE_MAP()

bool COXMenuBar::Create(CWnd* parentFrame, DWORD style, UINT id) {
    if (!COXCoolToolBar::CreateEx(parentFrame, TBSTYLE_FLAT | TBSTYLE_LIST, style, id))
        return false;
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    // Its commands and notifications go to the frame wherever the bar is docked.
    SendMessage(TB_SETPARENT, reinterpret_cast<WPARAM>(parentFrame->m_hWnd));
    m_clrText = ::GetSysColor(COLOR_MENUTEXT);
    m_cyExtra = 5;
    UpdateMenuFont();
    SetWindowText(L"Меню");
    m_pFrame = parentFrame;
    m_bKeepVisible = true; // nothing could show the menu again
    return true;
}

std::wstring COXMenuBar::GetButtonText(int index) const {
    if (!m_hMenu) return {};
    wchar_t text[kMaxText + 1] = {};
    ::GetMenuStringW(m_hMenu, static_cast<UINT>(index), text, kMaxText + 1, MF_BYPOSITION);
    return text;
}

bool COXMenuBar::SetMenu(HMENU menu) {
    if (menu == m_hMenu && menu) return true;
    m_hMenu = ::IsMenu(menu) ? menu : nullptr;
    RebuildButtons();
    UpdateMenuFont();
    if (auto* frame = dynamic_cast<CFrameWnd*>(m_pFrame)) frame->RecalcLayout();
    Invalidate();
    return m_hMenu != nullptr;
}

void COXMenuBar::RebuildButtons() {
    while (GetButtonCount() > 0)
        SendMessage(TB_DELETEBUTTON, 0);
    m_mnemonics.clear();
    if (!m_hMenu) return;
    int count = ::GetMenuItemCount(m_hMenu);
    std::vector<TBBUTTON> buttons;
    std::wstring strings; // each text ends with a null; the list ends with another
    for (int i = 0; i < count; ++i) {
        std::wstring text = GetButtonText(i);
        auto amp = text.find(L'&');
        if (amp != std::wstring::npos && amp + 1 < text.size())
            m_mnemonics[static_cast<wchar_t>(std::towupper(text[amp + 1]))] = i;
        TBBUTTON b{};
        b.iBitmap = I_IMAGENONE;
        b.idCommand = i + 1;
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = BTNS_AUTOSIZE | BTNS_DROPDOWN;
        b.dwData = static_cast<DWORD_PTR>(i);
        b.iString = i;
        buttons.push_back(b);
        strings += text;
        strings.push_back(L'\0');
    }
    strings.push_back(L'\0');
    int first =
        static_cast<int>(SendMessage(TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(strings.data())));
    for (auto& b : buttons)
        b.iString += first;
    SendMessage(TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
}

void COXMenuBar::UpdateMenuFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    CFont font;
    if (font.CreateFontIndirect(metrics.lfMenuFont)) {
        SetFont(font);
        m_font = std::move(font); // the old font goes only after the bar stopped using it
    }
    if (GetButtonCount() == 0) return;
    SendMessage(TB_AUTOSIZE);
    CRect first = GetItemRect(0);
    SendMessage(TB_SETBUTTONSIZE, 0, MAKELPARAM(first.Width(), first.Height()));
}

void COXMenuBar::OnSettingChange() {
    Default();
    UpdateMenuFont();
    if (auto* frame = dynamic_cast<CFrameWnd*>(m_pFrame)) frame->RecalcLayout();
}

void COXMenuBar::OnBarStyleChange(DWORD oldStyle, DWORD newStyle) {
    COXCoolToolBar::OnBarStyleChange(oldStyle, newStyle);
    if ((newStyle & CBRS_FLOATING) && !(oldStyle & CBRS_FLOATING)) {
        // The floating frame offers no commands: the menu must not be closed or moved away.
        HWND mini = ::GetAncestor(m_hWnd, GA_ROOT);
        if (HMENU sys = mini ? ::GetSystemMenu(mini, FALSE) : nullptr)
            while (::GetMenuItemCount(sys) > 0)
                ::DeleteMenu(sys, 0, MF_BYPOSITION);
    }
}

void COXMenuBar::OnMenuButtonUpdate(CCmdUI* ui) {
    ui->Enable(true);
}

// --- pop-ups ---

UINT COXMenuBar::PopupPlacement(int index, POINT& at) const {
    CRect button = GetItemRect(index);
    ClientToScreen(button);
    MONITORINFO mi{sizeof(mi), {}, {}, 0};
    ::GetMonitorInfoW(::MonitorFromRect(&button, MONITOR_DEFAULTTONEAREST), &mi);
    const RECT& screen = mi.rcMonitor;
    if (IsHorizontal()) {
        if (screen.bottom - button.bottom >= kPopupRoom) {
            at = {button.left, button.bottom};
            return TPM_LEFTALIGN | TPM_TOPALIGN;
        }
        at = {button.right, button.top};
        return TPM_LEFTALIGN | TPM_TOPALIGN;
    }
    if (screen.right - button.right >= kPopupRoom) {
        at = {button.right, button.top};
        return TPM_LEFTALIGN | TPM_TOPALIGN;
    }
    at = {button.left, button.top};
    return TPM_RIGHTALIGN | TPM_TOPALIGN;
}

void COXMenuBar::PostOpenPopup(int index) {
    m_nPendingOpen = index; // only the last request counts
    PostMessage(WM_MENUBAR_OPENPOPUP, static_cast<WPARAM>(index));
}

LRESULT COXMenuBar::OnOpenPopupRequest(WPARAM wp, LPARAM) {
    int index = static_cast<int>(wp);
    if (index != m_nPendingOpen) return 0;
    m_nPendingOpen = -1;
    TrackPopup(index);
    return 0;
}

void COXMenuBar::TrackPopup(int index) {
    if (!m_hMenu || index < 0 || index >= GetButtonCount() || m_nPopup >= 0) return;
    // The focus goes back first, so keys reach the view again once the pop-up closes.
    LeaveKeyboardMode(true);
    HMENU popup = ::GetSubMenu(m_hMenu, index);
    UINT id = GetItemID(index);
    CWnd* main = AfxGetMainWnd();
    HWND owner = main && main->m_hWnd ? main->m_hWnd : (m_pFrame ? m_pFrame->m_hWnd : m_hWnd);
    if (!popup) { // a command on the bar itself
        ::PostMessageW(owner, WM_COMMAND, ::GetMenuItemID(m_hMenu, index), 0);
        return;
    }
    POINT at;
    UINT flags = PopupPlacement(index, at);
    SendMessage(TB_PRESSBUTTON, id, MAKELPARAM(TRUE, 0));
    m_nPopup = index;
    m_nNextPopup = -1;
    m_ptLastMouse = {-1, -1};
    ::TrackPopupMenuEx(popup, flags | TPM_LEFTBUTTON, at.x, at.y, owner, nullptr);
    m_nPopup = -1;
    SendMessage(TB_PRESSBUTTON, id, MAKELPARAM(FALSE, 0));
    if (m_nNextPopup >= 0) {
        PostOpenPopup(std::exchange(m_nNextPopup, -1));
    } else {
        SendMessage(TB_SETHOTITEM, static_cast<WPARAM>(-1));
    }
}

void COXMenuBar::SwitchPopup(int index) {
    // Closing the shown pop-up makes TrackPopup open the chosen one next.
    m_nNextPopup = index;
    ::EndMenu();
}

void COXMenuBar::OnLButtonDownBar(UINT flags, CPoint client) {
    int index = HitTest(client);
    if (index < 0) {
        CControlBar::OnLButtonDown(flags, client);
        return;
    }
    TrackPopup(index);
}

// --- hooks ---

bool COXMenuBar::OnMouseHook(UINT msg, POINT screen) {
    if (m_nPopup < 0) return false;
    bool move = msg == WM_MOUSEMOVE || msg == WM_NCMOUSEMOVE;
    bool press = msg == WM_LBUTTONDOWN || msg == WM_NCLBUTTONDOWN;
    if (!move && !press) return false;
    if (move && screen.x == m_ptLastMouse.x && screen.y == m_ptLastMouse.y) return false;
    m_ptLastMouse = screen;
    if (::WindowFromPoint(screen) != m_hWnd) return false;
    CPoint client = screen;
    ScreenToClient(client);
    int index = HitTest(client);
    if (index < 0 || index == m_nPopup) return false;
    if (move)
        SwitchPopup(index);
    else
        m_nNextPopup = index; // the press itself closes the pop-up
    return false;
}

bool COXMenuBar::OnKeyboardHook(UINT vk, LPARAM flags) {
    bool up = (flags & 0x80000000) != 0;
    bool repeat = !up && (flags & 0x40000000) != 0;
    if (m_nPopup >= 0) {
        if (up || !IsHorizontal() || (vk != VK_LEFT && vk != VK_RIGHT)) return false;
        int n = GetButtonCount();
        SwitchPopup((m_nPopup + (vk == VK_RIGHT ? 1 : n - 1)) % n);
        return true;
    }
    if (vk == VK_MENU) {
        if (!up) {
            if (repeat) return false;
            m_bAltDown = true;
            m_bAltWithOtherKey = false;
            return true;
        }
        bool toggle = m_bAltDown && !m_bAltWithOtherKey;
        m_bAltDown = false;
        if (!toggle) return false;
        if (m_bKeyboardMode)
            LeaveKeyboardMode(true);
        else
            EnterKeyboardMode();
        return true;
    }
    if (!m_bAltDown && !m_bKeyboardMode) return false;
    if (up) return false;
    if (m_bAltDown) m_bAltWithOtherKey = true;
    return HandleBarKey(vk);
}

bool COXMenuBar::HandleBarKey(UINT vk) {
    int hot = GetHotItem();
    if (m_bKeyboardMode) {
        UINT next = IsHorizontal() ? VK_RIGHT : VK_DOWN, prev = IsHorizontal() ? VK_LEFT : VK_UP;
        UINT open1 = IsHorizontal() ? VK_UP : VK_LEFT, open2 = IsHorizontal() ? VK_DOWN : VK_RIGHT;
        if (vk == next || vk == prev) {
            MoveHot(vk == next ? 1 : -1);
            return true;
        }
        if ((vk == VK_RETURN || vk == open1 || vk == open2) && hot >= 0) {
            PostOpenPopup(hot);
            return true;
        }
        if (vk == VK_ESCAPE) {
            LeaveKeyboardMode(true);
            return true;
        }
    }
    auto ch = static_cast<wchar_t>(::MapVirtualKeyW(vk, MAPVK_VK_TO_CHAR) & 0xFFFF);
    auto it = ch ? m_mnemonics.find(static_cast<wchar_t>(std::towupper(ch))) : m_mnemonics.end();
    if (it == m_mnemonics.end()) return false;
    PostOpenPopup(it->second);
    return true;
}

void COXMenuBar::MoveHot(int step) {
    int n = GetButtonCount();
    if (n == 0) return;
    int hot = std::max(0, GetHotItem());
    SendMessage(TB_SETHOTITEM, static_cast<WPARAM>((hot + step + n) % n));
}

void COXMenuBar::EnterKeyboardMode() {
    if (GetButtonCount() == 0) return;
    HWND focus = ::GetFocus();
    s_hWndOldFocus = focus == m_hWnd ? s_hWndOldFocus : focus;
    m_bKeyboardMode = true;
    SetFocus();
    int hot = m_nLastHot >= 0 && m_nLastHot < GetButtonCount() ? m_nLastHot : 0;
    SendMessage(TB_SETHOTITEM, static_cast<WPARAM>(hot));
}

void COXMenuBar::LeaveKeyboardMode(bool restoreFocus) {
    if (!m_bKeyboardMode) return;
    m_bKeyboardMode = false; // first: giving the focus away comes back here
    int hot = GetHotItem();
    if (hot >= 0) m_nLastHot = hot;
    SendMessage(TB_SETHOTITEM, static_cast<WPARAM>(-1));
    HWND old = std::exchange(s_hWndOldFocus, nullptr);
    if (restoreFocus && ::GetFocus() == m_hWnd)
        ::SetFocus(old && ::IsWindow(old) ? old : ::GetAncestor(m_hWnd, GA_ROOT));
}

void COXMenuBar::OnKillFocus(HWND) {
    LeaveKeyboardMode(false);
    Default();
}
