// Dragging a control bar: a focus rectangle follows the pointer and shows where the bar
// would go (docked on a side it allows, or floating); the button release puts it there.
#include "dockbar.h"
#include "frame.h"
#include "minidock.h"

#include <algorithm>

namespace {

struct DragTarget {
    int side = -1; // dock bar index, or -1 for floating
    CRect rect;    // screen rectangle shown while dragging
    bool operator==(const DragTarget& o) const { return side == o.side && rect == o.rect; }
};

// The XOR focus rectangle drawn over the screen; drawing it twice removes it.
class TrackRect {
public:
    ~TrackRect() { Set(nullptr); }
    void Set(const CRect* r) {
        if (m_shown) Draw(m_rect);
        m_shown = r != nullptr;
        if (r) {
            m_rect = *r;
            Draw(m_rect);
        }
    }

private:
    static void Draw(const CRect& r) {
        HDC dc = ::GetDC(nullptr);
        ::DrawFocusRect(dc, &r);
        CRect inner = r;
        inner.DeflateRect(1, 1);
        ::DrawFocusRect(dc, &inner);
        ::ReleaseDC(nullptr, dc);
    }
    CRect m_rect;
    bool m_shown = false;
};

CSize BarSize(CControlBar* bar, DWORD mode) {
    return bar->CalcDynamicLayout(-1, mode);
}

} // namespace

void CDockSite::TrackDrag(CControlBar* bar, CPoint start) {
    if (!bar || !bar->m_hWnd) return;
    m_retired.clear();
    HWND capture = bar->m_hWnd;
    // A floating bar is grabbed by its frame, a docked one by itself.
    HWND grabbed = bar->IsFloating() ? ::GetAncestor(capture, GA_ROOT) : capture;
    CRect original;
    ::GetWindowRect(grabbed, &original);
    CPoint grab(start.x - original.left, start.y - original.top);
    CSize horz = BarSize(bar, LM_HORZ | LM_HORZDOCK);
    CSize vert = BarSize(bar, LM_VERTDOCK);
    CRect floatRect(CPoint(0, 0), BarSize(bar, LM_HORZ | LM_MRUWIDTH));
    ::AdjustWindowRectEx(&floatRect, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_TOOLWINDOW);

    auto targetAt = [&](CPoint pt) {
        DragTarget t;
        bool ctrl = ::GetKeyState(VK_CONTROL) < 0; // Ctrl keeps the bar floating
        for (int i = 0; i < 4 && !ctrl; ++i) {
            CDockBar* dock = m_dockBars[i].get();
            if (!dock || !(bar->GetEnabledAlignment() & DockBarAlign(i))) continue;
            CRect zone = dock->GetWindowRect();
            bool horzSide = i < 2;
            int reach = horzSide ? horz.cy : vert.cx;
            if (horzSide)
                zone.top -= reach / 2, zone.bottom += reach / 2;
            else
                zone.left -= reach / 2, zone.right += reach / 2;
            if (!zone.PtInRect(pt)) continue;
            t.side = i;
            CSize s = horzSide ? horz : vert;
            int gx = std::min(static_cast<int>(grab.x), static_cast<int>(s.cx) - 1);
            int gy = std::min(static_cast<int>(grab.y), static_cast<int>(s.cy) - 1);
            t.rect = CRect(CPoint(pt.x - gx, pt.y - gy), s);
            return t;
        }
        int gx = std::min(static_cast<int>(grab.x), floatRect.Width() - 1);
        t.rect = CRect(CPoint(pt.x - gx, pt.y - 4), floatRect.Size());
        return t;
    };

    ::SetCapture(capture);
    TrackRect shown;
    DragTarget target = targetAt(start);
    shown.Set(&target.rect);
    bool done = false, cancelled = false;
    while (!done && !cancelled && ::GetCapture() == capture) {
        MSG msg;
        if (!::GetMessageW(&msg, nullptr, 0, 0)) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            cancelled = true;
            break;
        }
        switch (msg.message) {
        case WM_MOUSEMOVE:
        case WM_KEYDOWN:
        case WM_KEYUP: {
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
                cancelled = true;
                break;
            }
            POINT pt;
            ::GetCursorPos(&pt);
            DragTarget next = targetAt(pt);
            if (!(next == target)) {
                target = next;
                shown.Set(&target.rect);
            }
            break;
        }
        case WM_LBUTTONUP: {
            POINT pt;
            ::GetCursorPos(&pt);
            target = targetAt(pt);
            done = true;
            break;
        }
        case WM_RBUTTONDOWN:
            cancelled = true;
            break;
        default:
            ::DispatchMessageW(&msg);
            break;
        }
    }
    shown.Set(nullptr);
    if (::GetCapture() == capture) ::ReleaseCapture();
    if (!done) return;
    if (target.side >= 0) {
        DockControlBar(bar, DockBarId(target.side), &target.rect);
    } else {
        FloatControlBar(bar, target.rect.TopLeft(), CBRS_ALIGN_TOP);
    }
}
