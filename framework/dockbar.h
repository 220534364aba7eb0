// Docking: CDockBar holds the bars docked on one side of a frame (or inside a floating
// mini frame); CDockSite is the frame's docking state: its four dock bars, its floating
// frames, dragging bars between them, and saving and restoring the layout.
#pragma once
#include "controlbar.h"

#include <array>
#include <memory>
#include <span>
#include <vector>

class CFrameWnd;
class CMiniDockFrameWnd;

class CDockBar : public CControlBar {
    DECLARE_DYNAMIC(CDockBar)
public:
    // `align` is one CBRS_ALIGN_* side; `floating` for the dock bar of a mini frame.
    bool Create(CWnd* parent, DWORD align, UINT id, bool floating = false);
    void AddBar(CControlBar* bar, int index = -1);
    void RemoveBar(CControlBar* bar, bool relayout = true);
    int FindBar(const CControlBar* bar) const;
    std::span<CControlBar* const> GetBars() const { return m_arrBars; }
    bool IsFloatingDock() const { return m_bFloating; }
    // The row a point along the dock bar's thickness falls in (for docking at a place).
    int InsertIndexAt(CPoint screen) const;
    // Places the bars inside a dock bar of the given size; returns the size they need.
    CSize LayoutBars(int length, bool commit);
    void OnUpdateCmdUI(CWnd* target, bool disableIfNoHandler) override;
    ~CDockBar() override;

protected:
    CSize CalcSizeParent(const CRect& avail, bool stretch) override;
    bool IsDragPoint(CPoint) const override { return false; }
    LRESULT OnSizeParentDock(WPARAM wp, LPARAM lp);
    DECLARE_MESSAGE_MAP()

private:
    std::vector<CControlBar*> m_arrBars;
    bool m_bFloating = false;
};

class CDockSite {
public:
    explicit CDockSite(CFrameWnd& frame);
    ~CDockSite();
    CDockSite(const CDockSite&) = delete;
    CDockSite& operator=(const CDockSite&) = delete;

    CFrameWnd& GetFrame() const { return m_frame; }
    // Creates the dock bars of the given sides (CBRS_ALIGN_*) that do not exist yet.
    void EnableDocking(DWORD dockStyle);
    // Docks a bar on side `dockBarId` (AFX_IDW_DOCKBAR_*; 0: the first side it allows);
    // with a screen rectangle, at the row that rectangle lies in.
    void DockControlBar(CControlBar* bar, UINT dockBarId = 0, const RECT* rect = nullptr);
    // Floats a bar in a mini frame whose top-left corner is at `screen`.
    void FloatControlBar(CControlBar* bar, CPoint screen, DWORD style = CBRS_ALIGN_TOP);
    CDockBar* GetDockBar(UINT dockBarId) const;
    // Moves a bar with the mouse until the button goes up; Esc cancels.
    void TrackDrag(CControlBar* bar, CPoint start);
    // Idle update of the bars in floating frames (they are not children of the frame).
    void UpdateFloatingBars(bool disableIfNoHandler);
    // A floating frame lost its last bar.
    void DestroyFloatingFrame(CMiniDockFrameWnd* mini);
    // Every control bar of the frame: direct children, docked and floating bars.
    std::vector<CControlBar*> AllBars() const;

    // Layout state: an encoded value, and applying one (false, and nothing changed, when
    // it is corrupt, foreign, truncated or would put a floating bar off every screen).
    std::vector<BYTE> SaveState() const;
    bool LoadState(std::span<const BYTE> data);

private:
    CFrameWnd& m_frame;
    std::array<std::unique_ptr<CDockBar>, 4> m_dockBars;
    std::vector<std::unique_ptr<CMiniDockFrameWnd>> m_floating;
    std::vector<std::unique_ptr<CMiniDockFrameWnd>> m_retired; // destroyed, freed later

    // Takes the bar out of its dock bar; returns the floating frame that became empty.
    CMiniDockFrameWnd* Detach(CControlBar* bar);
    void RecalcLayout();
};

// Index 0..3 of a dock bar id (top, bottom, left, right); -1 for others.
int DockBarIndex(UINT dockBarId);
UINT DockBarId(int index);
DWORD DockBarAlign(int index);
