#include "barstate.h"

#include "dockbar.h"
#include "frame.h"
#include "minidock.h"

#include <algorithm>
#include <set>

namespace {
constexpr uint32_t kMagic = 0x3153424B; // "KBS1"
constexpr size_t kHeader = 6;
constexpr size_t kRecord = 15;
constexpr size_t kMaxBars = 64;
constexpr int kMinGrab = 24; // pixels of caption that must stay reachable

void Put(std::vector<BYTE>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<BYTE>(v >> (8 * i)));
}
uint32_t Get(std::span<const BYTE> in, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= static_cast<uint32_t>(in[at + i]) << (8 * i);
    return v;
}
} // namespace

std::vector<BYTE> EncodeBarState(std::span<const BarStateEntry> entries) {
    std::vector<BYTE> out;
    Put(out, kMagic, 4);
    Put(out, static_cast<uint32_t>(entries.size()), 2);
    for (const auto& e : entries) {
        Put(out, e.id, 4);
        Put(out, e.visible ? 1 : 0, 1);
        Put(out, static_cast<uint32_t>(e.side), 1);
        Put(out, e.row, 1);
        Put(out, static_cast<uint32_t>(e.x), 4);
        Put(out, static_cast<uint32_t>(e.y), 4);
    }
    return out;
}

std::optional<std::vector<BarStateEntry>> DecodeBarState(std::span<const BYTE> data) {
    if (data.size() < kHeader || Get(data, 0, 4) != kMagic) return std::nullopt;
    size_t count = Get(data, 4, 2);
    if (count > kMaxBars || data.size() != kHeader + count * kRecord) return std::nullopt;
    std::vector<BarStateEntry> entries;
    for (size_t i = 0; i < count; ++i) {
        size_t at = kHeader + i * kRecord;
        BarStateEntry e;
        e.id = Get(data, at, 4);
        uint32_t visible = Get(data, at + 4, 1), side = Get(data, at + 5, 1);
        if (visible > 1 || side > static_cast<uint32_t>(BarStateEntry::Side::Floating))
            return std::nullopt;
        e.visible = visible == 1;
        e.side = static_cast<BarStateEntry::Side>(side);
        e.row = static_cast<uint8_t>(Get(data, at + 6, 1));
        e.x = static_cast<int32_t>(Get(data, at + 7, 4));
        e.y = static_cast<int32_t>(Get(data, at + 11, 4));
        entries.push_back(e);
    }
    return entries;
}

bool IsFloatRectReachable(const RECT& frame) {
    CRect caption(frame.left, frame.top, frame.right,
                  frame.top + ::GetSystemMetrics(SM_CYSMCAPTION));
    if (caption.IsRectEmpty()) return false;
    HMONITOR monitor = ::MonitorFromRect(&caption, MONITOR_DEFAULTTONULL);
    if (!monitor) return false;
    MONITORINFO mi{sizeof(mi), {}, {}, 0};
    if (!::GetMonitorInfoW(monitor, &mi)) return false;
    CRect seen;
    if (!seen.IntersectRect(caption, mi.rcWork)) return false;
    return seen.Width() >= std::min(kMinGrab, caption.Width()) && seen.Height() == caption.Height();
}

std::vector<BYTE> CDockSite::SaveState() const {
    std::vector<BarStateEntry> entries;
    for (CControlBar* bar : AllBars()) {
        BarStateEntry e;
        e.id = static_cast<uint32_t>(bar->GetDlgCtrlID());
        e.visible = (bar->GetStyle() & WS_VISIBLE) != 0;
        if (CDockBar* dock = bar->m_pDockBar) {
            e.row = static_cast<uint8_t>(std::max(0, dock->FindBar(bar)));
            if (dock->IsFloatingDock()) {
                e.side = BarStateEntry::Side::Floating;
                CRect r;
                ::GetWindowRect(dock->GetParent(), &r);
                e.x = r.left;
                e.y = r.top;
            } else {
                e.side = static_cast<BarStateEntry::Side>(DockBarIndex(dock->GetDlgCtrlID()) + 1);
            }
        }
        entries.push_back(e);
    }
    return EncodeBarState(entries);
}

namespace {
// Whether a saved record fits the bar it names, as the bar is now.
bool Fits(const BarStateEntry& e, CControlBar* bar, CDockSite& site) {
    using Side = BarStateEntry::Side;
    DWORD allowed = bar->GetEnabledAlignment();
    if (e.side == Side::None) return allowed == 0;
    if (allowed == 0) return false;
    if (e.side == Side::Floating) {
        CSize size = bar->CalcDynamicLayout(-1, LM_HORZ | LM_MRUWIDTH);
        CRect frame(e.x, e.y, e.x + size.cx, e.y + size.cy);
        ::AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_TOOLWINDOW);
        frame.OffsetRect(e.x - frame.left, e.y - frame.top);
        return IsFloatRectReachable(frame);
    }
    int index = static_cast<int>(e.side) - 1;
    return (allowed & DockBarAlign(index)) && site.GetDockBar(DockBarId(index));
}
} // namespace

bool CDockSite::LoadState(std::span<const BYTE> data) {
    auto entries = DecodeBarState(data);
    if (!entries) return false;
    std::vector<std::pair<BarStateEntry, CControlBar*>> plan;
    std::set<uint32_t> seen;
    auto bars = AllBars();
    for (const auto& e : *entries) {
        auto it = std::find_if(bars.begin(), bars.end(), [&](CControlBar* b) {
            return static_cast<uint32_t>(b->GetDlgCtrlID()) == e.id;
        });
        if (it == bars.end() || !seen.insert(e.id).second || !Fits(e, *it, *this)) return false;
        plan.emplace_back(e, *it);
    }
    // Rows in saved order, so each bar goes back to its place on its side.
    std::stable_sort(plan.begin(), plan.end(),
                     [](const auto& a, const auto& b) { return a.first.row < b.first.row; });
    for (auto& [e, bar] : plan) {
        using Side = BarStateEntry::Side;
        if (e.side == Side::Floating) {
            FloatControlBar(bar, CPoint(e.x, e.y));
        } else if (e.side != Side::None) {
            int index = static_cast<int>(e.side) - 1;
            if (bar->m_pDockBar != m_dockBars[index].get()) DockControlBar(bar, DockBarId(index));
        }
        bool show = e.visible || bar->m_bKeepVisible;
        bar->ShowWindow(show ? SW_SHOWNA : SW_HIDE);
        if (bar->IsFloating() && bar->m_pDockBar)
            ::ShowWindow(bar->m_pDockBar->GetParent(), show ? SW_SHOWNA : SW_HIDE);
    }
    RecalcLayout();
    return true;
}
