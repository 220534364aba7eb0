// CStatusBar: the status bar along the bottom of a frame, on the status common control.
// Its panes show command prompts (pane 0) and indicators whose text their command-update
// handlers set; the keyboard-state indicators (CAP, NUM, SCRL) update themselves.
#pragma once
#include "controlbar.h"

#include <span>
#include <string>
#include <vector>

constexpr UINT SBPS_NORMAL = 0x0000;
constexpr UINT SBPS_NOBORDERS = 0x0100;
constexpr UINT SBPS_POPOUT = 0x0200;
constexpr UINT SBPS_DISABLED = 0x04000000;
constexpr UINT SBPS_STRETCH = 0x08000000;

class CStatusBar : public CControlBar {
    DECLARE_DYNAMIC(CStatusBar)
public:
    bool Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                UINT id = AFX_IDW_STATUS_BAR) {
        return CreateEx(parent, 0, style, id);
    }
    // `ctrlStyle`: SBARS_SIZEGRIP and other styles of the control; the grip is left out
    // under a parent without a sizing border.
    bool CreateEx(CWnd* parent, DWORD ctrlStyle, DWORD style, UINT id = AFX_IDW_STATUS_BAR);
    // One pane per id; 0 (ID_SEPARATOR) is a pane of its own text. Each other pane starts
    // with the string of its id, as wide as that text.
    bool SetIndicators(std::span<const UINT> ids);
    int GetCount() const { return static_cast<int>(m_panes.size()); }
    int CommandToIndex(UINT id) const;
    UINT GetItemID(int index) const;
    void SetPaneInfo(int index, UINT id, UINT style, int width);
    void GetPaneInfo(int index, UINT& id, UINT& style, int& width) const;
    UINT GetPaneStyle(int index) const;
    void SetPaneStyle(int index, UINT style);
    bool SetPaneText(int index, const std::wstring& text, bool update = true);
    // The text the pane holds (a disabled pane shows none of it).
    std::wstring GetPaneText(int index) const;
    // The text the control shows in the pane.
    std::wstring GetShownText(int index) const;

    CSize CalcFixedLayout(bool stretch, bool horz) override;
    void OnUpdateCmdUI(CWnd* target, bool disableIfNoHandler) override;

protected:
    void OnSize(UINT type, int cx, int cy);
    DECLARE_MESSAGE_MAP()

private:
    struct Pane {
        UINT id = 0;
        UINT style = SBPS_NORMAL;
        int width = 0;
        std::wstring text;
    };
    std::vector<Pane> m_panes;
    void UpdateParts();
    void ShowPane(int index);
    int TextWidth(const std::wstring& text) const;
};
