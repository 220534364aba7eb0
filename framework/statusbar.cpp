#include "statusbar.h"

#include "app.h"
#include "gdi.h"

#include <commctrl.h>

IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)

BEGIN_MESSAGE_MAP(CStatusBar, CControlBar)
    On<WM_SIZE, &CStatusBar::OnSize>(),
END_MESSAGE_MAP()

namespace {
constexpr int kPanePadding = 8;   // edges and margins of a pane around its text
constexpr int kDefaultPane = 100; // a separator pane that does not stretch

// Updates one pane: disabled shows it empty, SetText sets its text, a check pops it out.
class CStatusCmdUI : public CCmdUI {
public:
    explicit CStatusCmdUI(CStatusBar& bar) : m_bar(bar) {}
    void Enable(bool on) override {
        UINT style = m_bar.GetPaneStyle(static_cast<int>(m_nIndex));
        m_bar.SetPaneStyle(static_cast<int>(m_nIndex),
                           on ? style & ~SBPS_DISABLED : style | SBPS_DISABLED);
        m_bEnableChanged = true;
    }
    void SetCheck(int check) override {
        UINT style = m_bar.GetPaneStyle(static_cast<int>(m_nIndex));
        m_bar.SetPaneStyle(static_cast<int>(m_nIndex),
                           check ? style | SBPS_POPOUT : style & ~SBPS_POPOUT);
    }
    void SetText(const std::wstring& text) override {
        m_bar.SetPaneText(static_cast<int>(m_nIndex), text);
    }

private:
    CStatusBar& m_bar;
};

// The key whose toggle state a keyboard indicator shows; 0 for other ids.
int IndicatorKey(UINT id) {
    switch (id) {
    case ID_INDICATOR_CAPS:
        return VK_CAPITAL;
    case ID_INDICATOR_NUM:
        return VK_NUMLOCK;
    case ID_INDICATOR_SCRL:
        return VK_SCROLL;
    default:
        return 0;
    }
}
} // namespace

bool CStatusBar::CreateEx(CWnd* parent, DWORD ctrlStyle, DWORD style, UINT id) {
    // The grip resizes the parent whatever its border: a fixed-size frame gets none.
    if (!(parent->GetStyle() & WS_THICKFRAME)) ctrlStyle &= ~SBARS_SIZEGRIP;
    DWORD wndStyle =
        (style & ~CBRS_ALL) | ctrlStyle | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NOMOVEY;
    if (!CWnd::CreateEx(0, STATUSCLASSNAMEW, nullptr, wndStyle, CRect(), parent->m_hWnd, id))
        return false;
    InitBar(style & CBRS_ALL, parent->m_hWnd);
    return true;
}

bool CStatusBar::SetIndicators(std::span<const UINT> ids) {
    if (!m_hWnd || ids.empty() || ids.size() > 255) return false;
    m_panes.clear();
    for (UINT id : ids) {
        Pane pane;
        pane.id = id;
        if (id == ID_SEPARATOR) {
            pane.style = m_panes.empty() ? SBPS_NOBORDERS | SBPS_STRETCH : SBPS_NORMAL;
            pane.width = kDefaultPane;
        } else {
            pane.text = AfxLoadString(id);
            pane.width = TextWidth(pane.text);
        }
        m_panes.push_back(pane);
    }
    UpdateParts();
    return true;
}

int CStatusBar::TextWidth(const std::wstring& text) const {
    CClientDC dc(m_hWnd);
    ScopedSelectObject font(dc, GetFont());
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

int CStatusBar::CommandToIndex(UINT id) const {
    for (size_t i = 0; i < m_panes.size(); ++i)
        if (m_panes[i].id == id) return static_cast<int>(i);
    return -1;
}

UINT CStatusBar::GetItemID(int index) const {
    return index >= 0 && index < GetCount() ? m_panes[index].id : 0;
}

void CStatusBar::SetPaneInfo(int index, UINT id, UINT style, int width) {
    if (index < 0 || index >= GetCount()) return;
    m_panes[index].id = id;
    m_panes[index].style = style;
    m_panes[index].width = width;
    UpdateParts();
}

void CStatusBar::GetPaneInfo(int index, UINT& id, UINT& style, int& width) const {
    if (index < 0 || index >= GetCount()) return;
    id = m_panes[index].id;
    style = m_panes[index].style;
    width = m_panes[index].width;
}

UINT CStatusBar::GetPaneStyle(int index) const {
    return index >= 0 && index < GetCount() ? m_panes[index].style : 0;
}

void CStatusBar::SetPaneStyle(int index, UINT style) {
    if (index < 0 || index >= GetCount() || m_panes[index].style == style) return;
    bool stretchChanged = (m_panes[index].style ^ style) & SBPS_STRETCH;
    m_panes[index].style = style;
    if (stretchChanged)
        UpdateParts();
    else
        ShowPane(index);
}

bool CStatusBar::SetPaneText(int index, const std::wstring& text, bool update) {
    if (index < 0 || index >= GetCount()) return false;
    if (m_panes[index].text == text) return true;
    m_panes[index].text = text;
    ShowPane(index);
    if (update) UpdateWindow();
    return true;
}

std::wstring CStatusBar::GetPaneText(int index) const {
    return index >= 0 && index < GetCount() ? m_panes[index].text : std::wstring();
}

std::wstring CStatusBar::GetShownText(int index) const {
    auto n = LOWORD(SendMessage(SB_GETTEXTLENGTHW, static_cast<WPARAM>(index)));
    std::wstring text(n + 1u, L'\0');
    SendMessage(SB_GETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(n);
    return text;
}

void CStatusBar::ShowPane(int index) {
    const Pane& pane = m_panes[index];
    WPARAM how = static_cast<WPARAM>(index);
    if (pane.style & SBPS_NOBORDERS) how |= SBT_NOBORDERS;
    if (pane.style & SBPS_POPOUT) how |= SBT_POPOUT;
    const wchar_t* text = (pane.style & SBPS_DISABLED) ? L"" : pane.text.c_str();
    SendMessage(SB_SETTEXTW, how, reinterpret_cast<LPARAM>(text));
}

void CStatusBar::UpdateParts() {
    if (!m_hWnd || m_panes.empty()) return;
    int fixed = 0, stretchers = 0;
    for (const Pane& p : m_panes) {
        if (p.style & SBPS_STRETCH)
            ++stretchers;
        else
            fixed += p.width + kPanePadding;
    }
    int grip = (GetStyle() & SBARS_SIZEGRIP) ? ::GetSystemMetrics(SM_CXVSCROLL) : 0;
    int spare = std::max(0, GetClientRect().Width() - fixed - grip);
    std::vector<int> edges;
    int right = 0;
    for (const Pane& p : m_panes) {
        right +=
            (p.style & SBPS_STRETCH) ? spare / std::max(1, stretchers) : p.width + kPanePadding;
        edges.push_back(right);
    }
    edges.back() = -1; // the last pane reaches the edge (and the grip)
    SendMessage(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    // Separator panes show what the frame writes into them directly (prompts).
    for (int i = 0; i < GetCount(); ++i)
        if (m_panes[i].id != ID_SEPARATOR) ShowPane(i);
}

void CStatusBar::OnSize(UINT, int, int) {
    Default();
    UpdateParts();
}

CSize CStatusBar::CalcFixedLayout(bool stretch, bool horz) {
    CClientDC dc(m_hWnd);
    ScopedSelectObject font(dc, GetFont());
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    int height = tm.tmHeight + 2 * ::GetSystemMetrics(SM_CYEDGE) + 6;
    return {stretch && horz ? 32767 : 0, height};
}

void CStatusBar::OnUpdateCmdUI(CWnd* target, bool) {
    CStatusCmdUI ui(*this);
    ui.m_nIndexMax = static_cast<UINT>(GetCount());
    for (int i = 0; i < GetCount(); ++i) {
        ui.m_nID = m_panes[i].id;
        ui.m_nIndex = static_cast<UINT>(i);
        if (ui.m_nID == ID_SEPARATOR) continue;
        // Panes without a handler keep their state, except the keyboard indicators.
        if (ui.DoUpdate(target, false)) continue;
        if (int key = IndicatorKey(ui.m_nID)) ui.Enable((::GetKeyState(key) & 1) != 0);
    }
}
