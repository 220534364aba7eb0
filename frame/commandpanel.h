// CCommandPanel: the panel along the frame's right edge: nine captioned icon buttons that
// send the main commands, and the speed slider (pause between rows, 10 to 300 ms) that is
// remembered in "slider.cst" in the working directory.
#pragma once
#include "framework/controls.h"
#include "framework/dialogbar.h"
#include "framework/gdi.h"
#include "toolbars/bitmapbutton.h"

#include <array>
#include <memory>
#include <string>

class CCommandPanel : public CDialogBar {
public:
    static constexpr int kMinDelay = 10;
    static constexpr int kMaxDelay = 300;
    static constexpr int kDefaultDelay = 145;
    static constexpr size_t kButtonCount = 9;

    // Template 142, id 142, on the right, with tooltips and fly-by prompts; not dockable.
    bool Create(CWnd* parent);
    CSliderCtrl& GetSlider() { return m_wndSlider; }
    COXBitmapButton* GetButton(size_t i) const {
        return i < kButtonCount ? m_buttons[i].get() : nullptr;
    }
    // g_strWorkDir + "\slider.cst".
    static std::wstring SpeedFilePath();

protected:
    int OnCreate(LPCREATESTRUCT cs);
    void OnPaint();
    void OnHScroll(UINT code, UINT pos, HWND scrollBar);
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    CFont m_font; // first: it outlives the controls that use it
    std::array<std::unique_ptr<COXBitmapButton>, kButtonCount> m_buttons;
    CButton m_wndSpeedGroup;
    CSliderCtrl m_wndSlider;
    std::array<std::unique_ptr<CStatic>, 2> m_labels;

    bool CreateButtons();
    void LoadSpeed();
    void StoreSpeed();
};
