// The pixel scroll model: scroll bars with scaled 16-bit positions, scrolling that keeps
// the header rows and fixed columns in place, scroll-bar codes and the mouse wheel.
#include "grid/grid_core.h"

#include "framework/wnd.h"

#include <algorithm>
#include <climits>

namespace {

constexpr UINT kRecalcParent = 0x0368; // the framework's "recalc parent" request
constexpr int kFirstPaneId = 0xE900;
constexpr int kLastPaneId = 0xEA00; // exclusive
constexpr int kFirstHorzBarId = 0xEA00;
constexpr int kFirstVertBarId = 0xEA10;

// Resets a flag when the scope ends.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagScope() { m_flag = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
};

int ToBar(int pixels, float scale) {
    return static_cast<int>(static_cast<float>(pixels) / scale);
}

} // namespace

HWND CORVGridCore::ScrollBarCtrl(int bar) const {
    if (!HasWindow()) return nullptr;
    if (window->GetStyle() & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL)) return nullptr;
    const int id = window->GetDlgCtrlID();
    if (id < kFirstPaneId || id >= kLastPaneId) return nullptr;
    // A pane of a splitter shares the splitter's bars.
    const int barId =
        bar == SB_VERT ? kFirstVertBarId + (id - kFirstPaneId) / 16 : kFirstHorzBarId + id % 16;
    HWND sb = ::GetDlgItem(window->GetParent(), barId);
    wchar_t cls[16] = {};
    if (!sb || !::GetClassNameW(sb, cls, 16) || lstrcmpiW(cls, L"ScrollBar") != 0) return nullptr;
    return sb;
}

bool CORVGridCore::CanScroll(int bar) const {
    if (HWND sb = ScrollBarCtrl(bar)) return ::IsWindowEnabled(sb);
    return HasWindow() && (window->GetStyle() & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL));
}

void CORVGridCore::SetBarPosition(int bar, int pixels, float scale) {
    if (HWND sb = ScrollBarCtrl(bar))
        ::SetScrollPos(sb, SB_CTL, ToBar(pixels, scale), TRUE);
    else
        ::SetScrollPos(window->GetSafeHwnd(), bar, ToBar(pixels, scale), TRUE);
}

void CORVGridCore::UpdateScrollBars() {
    if (inScrollUpdate || !HasWindow()) return;
    FlagScope guard(inScrollUpdate);
    HWND hwnd = window->GetSafeHwnd();
    HWND barV = ScrollBarCtrl(SB_VERT);
    HWND barH = ScrollBarCtrl(SB_HORZ);
    const DWORD wndStyle = window->GetStyle();
    const int cxV = (wndStyle & WS_VSCROLL) && !barV ? ::GetSystemMetrics(SM_CXVSCROLL) : 0;
    const int cyH = (wndStyle & WS_HSCROLL) && !barH ? ::GetSystemMetrics(SM_CXHSCROLL) : 0;

    auto showBar = [&](int bar, bool show) {
        if (HWND sb = bar == SB_VERT ? barV : barH)
            ::EnableWindow(sb, show);
        else
            ::ShowScrollBar(hwnd, bar, show);
    };

    CRect client = ClientRect();
    CSize size;
    bool inside = false;
    CRect parentRect = client;
    if (::SendMessageW(window->GetParent(), kRecalcParent, 0,
                       reinterpret_cast<LPARAM>(&parentRect))) {
        size = parentRect.Size();
    } else {
        size = CSize(client.Width() + cxV, client.Height() + cyH);
        if (size.cx <= cxV || size.cy <= cyH) {
            if (!client.IsRectEmpty()) {
                showBar(SB_HORZ, false);
                showBar(SB_VERT, false);
            }
            return;
        }
        inside = true;
    }

    int rangeX = ToBar(contentMaxX - size.cx + 1, scaleX);
    int rangeY = ToBar(contentMaxY - size.cy + 1, scaleY);
    bool needH = rangeX > 0;
    int x = needH ? scrollX : 0;
    if (needH && inside) rangeY += cyH;
    const bool needV = rangeY > 0;
    int y = needV ? scrollY : 0;
    if (needV) {
        if (inside) rangeX += cxV;
        if (!needH && rangeX > 0) {
            needH = true;
            x = scrollX;
            rangeY += cyH;
        }
    }
    if (needH && x >= static_cast<int>(rangeX * scaleX)) x = static_cast<int>(rangeX * scaleX);
    if (needV && y >= static_cast<int>(rangeY * scaleY)) y = static_cast<int>(rangeY * scaleY);

    ScrollToPosition(x, y);
    showBar(SB_HORZ, needH);
    showBar(SB_VERT, needV);

    client = ClientRect();
    // Page, range and position in one request (SetScrollInfo answers the position, not
    // success). The position again: set on a bar without its new range, it was clamped.
    auto setBar = [&](int bar, int page, int maxPixel, int pos, float scale) {
        SCROLLINFO si{sizeof(si),
                      SIF_PAGE | SIF_RANGE | SIF_POS,
                      0,
                      ToBar(maxPixel, scale),
                      static_cast<UINT>(std::max(1, ToBar(page, scale))),
                      ToBar(pos, scale),
                      0};
        HWND sb = bar == SB_VERT ? barV : barH;
        ::SetScrollInfo(sb ? sb : hwnd, sb ? SB_CTL : bar, &si, TRUE);
    };
    if (needH) {
        setBar(SB_HORZ, client.Width(), contentMaxX, scrollX, scaleX);
        pageWidth = client.Width();
        lineWidth = client.Width() / 10;
    }
    if (needV) {
        setBar(SB_VERT, client.Height(), contentMaxY, scrollY, scaleY);
        pageHeight = client.Height();
        lineHeight = rowHeight;
    }
}

void CORVGridCore::ScrollToPosition(int x, int y) {
    if (!HasWindow()) {
        scrollX = x;
        scrollY = y;
        return;
    }
    SetBarPosition(SB_HORZ, x, scaleX);
    SetBarPosition(SB_VERT, y, scaleY);
    ScrollWindowKeepHeaders(scrollX - x, scrollY - y);
    scrollX = x;
    scrollY = y;
}

bool CORVGridCore::ScrollBy(int dx, int dy, bool doScroll) {
    if (!CanScroll(SB_HORZ)) dx = 0;
    if (!CanScroll(SB_VERT)) dy = 0;
    const int x = static_cast<int>(
        std::clamp<long long>(static_cast<long long>(scrollX) + dx, 0, contentMaxX));
    const int y = static_cast<int>(
        std::clamp<long long>(static_cast<long long>(scrollY) + dy, 0, contentMaxY));
    if (x == scrollX && y == scrollY) return false;
    if (!doScroll) return true;
    ScrollWindowKeepHeaders(scrollX - x, scrollY - y);
    if (x != scrollX) {
        SetBarPosition(SB_HORZ, x, scaleX);
        scrollX = x;
    }
    if (y != scrollY) {
        SetBarPosition(SB_VERT, y, scaleY);
        scrollY = y;
    }
    return true;
}

void CORVGridCore::ScrollWindowKeepHeaders(int dx, int dy) {
    HWND hwnd = window->GetSafeHwnd();
    if (headerRows <= 0 && fixedCols <= 0) {
        ::ScrollWindow(hwnd, dx, dy, nullptr, nullptr);
        return;
    }
    if (dx == 0 && dy == 0) {
        ::ScrollWindow(hwnd, 0, 0, nullptr, nullptr);
        return;
    }
    const CRect client = ClientRect();
    if (dx != 0) {
        CRect clip = client;
        clip.left = FixedWidth();
        ::ScrollWindow(hwnd, dx, 0, &clip, &clip);
    }
    if (dy != 0) {
        CRect clip = client;
        clip.top = HeaderHeight();
        ::ScrollWindow(hwnd, 0, dy, &clip, &clip);
    }
}

bool CORVGridCore::OnScroll(UINT code, UINT pos, bool doScroll) {
    long long x = scrollX;
    long long y = scrollY;
    const int pageData = pageHeight - HeaderHeight();
    switch (LOBYTE(code)) {
    case SB_LINEUP:
        x -= lineWidth;
        break;
    case SB_LINEDOWN:
        x += lineWidth;
        break;
    case SB_PAGEUP:
        x -= pageWidth;
        break;
    case SB_PAGEDOWN:
        x += pageWidth;
        break;
    case SB_THUMBTRACK:
        x = static_cast<long long>(static_cast<float>(pos) * scaleX);
        break;
    case SB_TOP:
        x = 0;
        break;
    case SB_BOTTOM:
        x = static_cast<long long>(contentMaxX) - pageWidth + 1;
        break;
    default:
        break;
    }
    switch (HIBYTE(code)) {
    case SB_LINEUP:
        y -= lineHeight;
        break;
    case SB_LINEDOWN:
        y += lineHeight;
        break;
    case SB_PAGEUP:
        y -= pageData;
        break;
    case SB_PAGEDOWN:
        y += pageData;
        break;
    case SB_THUMBTRACK:
        y = static_cast<long long>(static_cast<float>(pos) * scaleY);
        break;
    case SB_TOP:
        y = 0;
        break;
    case SB_BOTTOM:
        y = static_cast<long long>(contentMaxY) - pageHeight + 1;
        break;
    default:
        break;
    }
    x = std::max(0LL, std::min(x, static_cast<long long>(contentMaxX) - pageWidth + 1));
    y = std::max(0LL, std::min(y, static_cast<long long>(contentMaxY) - pageHeight + 1));
    const bool moved =
        ScrollBy(static_cast<int>(x - scrollX), static_cast<int>(y - scrollY), doScroll);
    if (moved && doScroll && HasWindow()) {
        window->UpdateWindow();
        HideCurrentCtrl(); // it does not move with the contents
        if (GetRowCount() > 0) RedrawFocus();
    }
    return moved;
}

bool CORVGridCore::OnMouseWheel(UINT, short delta, CPoint) {
    HideCurrentCtrl();
    if (HasWindow()) window->SetFocus();
    const bool vertical = CanScroll(SB_VERT);
    if (!vertical && !CanScroll(SB_HORZ)) return false;
    UINT lines = 3;
    ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    const bool pagePerNotch = lines == WHEEL_PAGESCROLL;
    const int count = pagePerNotch ? 0 : ::MulDiv(-delta, static_cast<int>(lines), WHEEL_DELTA);
    const int page = vertical ? pageHeight : pageWidth;
    const int line = vertical ? lineHeight : lineWidth;
    int amount = 0;
    if (pagePerNotch)
        amount = delta > 0 ? -page : page;
    else
        amount = std::min(count * line, page);
    return vertical ? ScrollBy(0, amount, true) : ScrollBy(amount, 0, true);
}
