// The command panel: its buttons, the speed slider and "slider.cst", the disabled button,
// tooltips and fly-by prompts.
#include "test_frame.h"

#include "app/globals.h"
#include "app/resource.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
void WriteAll(const fs::path& p, std::vector<unsigned char> bytes) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

class PanelTest : public ::testing::Test {
protected:
    void Start() {
        frame = MakeFrame();
        ASSERT_TRUE(frame);
        panel = &frame->m_wndPanel;
    }
    void TearDown() override { DestroyFrame(frame); }
    std::unique_ptr<CTestFrame> frame;
    CCommandPanel* panel = nullptr;
};

TEST_F(PanelTest, FirstStartShows145AndStoresItAtClose) {
    fs::path dir = FreshWorkDir();
    g_nDelay = 0;
    Start();
    EXPECT_EQ(panel->GetSlider().GetPos(), 145);
    EXPECT_EQ(panel->GetSlider().GetRangeMin(), 10);
    EXPECT_EQ(panel->GetSlider().GetRangeMax(), 300);
    EXPECT_EQ(g_nDelay.load(), 145); // even if the program closes before an idle pass
    DestroyFrame(frame);
    EXPECT_EQ(ReadAll(dir / "slider.cst"), (std::vector<unsigned char>{0x91, 0x00, 0x00, 0x00}));
}

TEST_F(PanelTest, SliderEndsGive10And300) {
    FreshWorkDir();
    Start();
    HWND slider = panel->GetSlider().m_hWnd;
    ::SendMessageW(slider, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(g_nDelay.load(), 10);
    ::SendMessageW(slider, WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(g_nDelay.load(), 300);
    ::SendMessageW(slider, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(g_nDelay.load(), 299);
}

TEST_F(PanelTest, StoredValuesAreClampedAndShortFilesFillLowBytes) {
    struct Case {
        std::vector<unsigned char> bytes;
        int position;
        int32_t delay; // g_nDelay right after creation, before any idle pass
    };
    const Case cases[] = {
        {{0xE8, 0x03, 0x00, 0x00}, 300, 1000},    // above the range
        {{0x05, 0x00, 0x00, 0x00}, 10, 5},        // below it
        {{0xFF, 0xFF, 0xFF, 0xFF}, 10, -1},       // negative
        {{0x2C, 0x01}, 300, 300},                 // two bytes over zero
        {{0x64}, 100, 100},                       // one byte
        {{}, 10, 0},                              // empty: nothing read over zero
        {{0x20, 0x00, 0x00, 0x00, 0x7F}, 32, 32}, // longer: the first four bytes
    };
    for (const Case& c : cases) {
        fs::path dir = FreshWorkDir();
        WriteAll(dir / "slider.cst", c.bytes);
        g_nDelay = 0;
        Start();
        EXPECT_EQ(panel->GetSlider().GetPos(), c.position) << c.position;
        EXPECT_EQ(g_nDelay.load(), c.delay) << c.position;
        DestroyFrame(frame);
    }
}

TEST_F(PanelTest, ButtonsFollowTheirCommandsAndADisabledOneIgnoresClicks) {
    FreshWorkDir();
    Start();
    HWND start = panel->GetDlgItem(ID_CMD_START);
    ASSERT_TRUE(start);
    frame->m_bRunning = true;
    IdleUpdate(*frame);
    EXPECT_FALSE(panel->GetButton(6)->IsButtonEnabled());
    EXPECT_TRUE(::IsWindowEnabled(start)); // the hyperlink look keeps the window live
    ::SendMessageW(start, BM_CLICK, 0, 0);
    ::SendMessageW(start, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(start, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ::SendMessageW(start, WM_KEYDOWN, VK_SPACE, 0);
    ::SendMessageW(start, WM_KEYUP, VK_SPACE, 0);
    Pump(30);
    EXPECT_EQ(frame->m_nStarts, 0);

    frame->m_bRunning = false;
    IdleUpdate(*frame);
    EXPECT_TRUE(panel->GetButton(6)->IsButtonEnabled());
    ::SendMessageW(start, BM_CLICK, 0, 0);
    Pump(30);
    EXPECT_EQ(frame->m_nStarts, 1);
    // A button whose command has no handler at all is disabled by the idle pass.
    EXPECT_FALSE(panel->GetButton(7)->IsButtonEnabled());
    EXPECT_TRUE(panel->GetButton(0)->IsButtonEnabled());
}

TEST_F(PanelTest, ButtonsKeepTheirCornersAndWrapCaptionsInBalance) {
    FreshWorkDir();
    Start();
    const POINT corners[] = {{4, 15},   {52, 15},   {110, 15},  {177, 15}, {4, 106},
                             {71, 106}, {131, 106}, {173, 106}, {215, 106}};
    const int panelWidth = panel->GetClientRect().Width();
    for (size_t i = 0; i < CCommandPanel::kButtonCount; ++i) {
        CRect r = panel->GetButton(i)->GetWindowRect();
        panel->ScreenToClient(r);
        EXPECT_EQ(r.TopLeft(), CPoint(corners[i])) << i;
        EXPECT_GE(r.Width(), ::GetSystemMetrics(SM_CXICON)) << i;
        // The captions of the upper row fit between the corners, with the font the
        // layout was made for (a wider one runs "Сохранить" into the next button).
        if (i < 3) {
            EXPECT_LE(r.right, corners[i + 1].x) << i;
        }
        EXPECT_LE(r.right, panelWidth) << i;
    }
    // The template's width in that font is the width the panel draws its edges for.
    EXPECT_LE(panelWidth, 288);
    COXBitmapButton* about = panel->GetButton(3);
    COXBitmapButton* add = panel->GetButton(4);
    COXBitmapButton* save = panel->GetButton(2);
    EXPECT_FALSE(about->GetStyle() & BS_MULTILINE);
    EXPECT_TRUE(add->GetStyle() & BS_MULTILINE);
    CSize one = about->CaptionSize(), two = add->CaptionSize(), word = save->CaptionSize();
    EXPECT_EQ(two.cy, 2 * word.cy);  // "Добавить строку" on two lines
    EXPECT_EQ(one.cy, word.cy);      // one line, never wrapped
    EXPECT_LT(two.cx, 2.6 * two.cy); // balanced
    EXPECT_GT(add->GetWindowRect().Height(), save->GetWindowRect().Height());
    // Created at the size that fits their content: sizing them again changes nothing.
    for (size_t i = 0; i < CCommandPanel::kButtonCount; ++i) {
        COXBitmapButton* button = panel->GetButton(i);
        const CSize before = button->GetWindowRect().Size();
        button->SizeToContent();
        EXPECT_EQ(button->GetWindowRect().Size(), before) << i;
    }
}

TEST_F(PanelTest, GivesBackEveryGdiObjectItTook) {
    FreshWorkDir();
    const long before = gdi::LiveObjects();
    Start();
    EXPECT_GT(gdi::LiveObjects(), before); // its font, among others
    DestroyFrame(frame);
    EXPECT_EQ(gdi::LiveObjects(), before);
}

TEST_F(PanelTest, TooltipAndFlyByTextsComeFromTheStringTable) {
    FreshWorkDir();
    Start();
    IdleUpdate(*frame); // registers the controls with the tooltip
    HWND button = panel->GetDlgItem(ID_FILE_NEW);
    NMTTDISPINFOW info{};
    info.hdr.hwndFrom = ::FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
    // Find the panel's own tooltip: the one owned by the panel.
    for (HWND tip = nullptr; (tip = ::FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr));)
        if (::GetWindow(tip, GW_OWNER) == panel->m_hWnd) info.hdr.hwndFrom = tip;
    info.hdr.idFrom = reinterpret_cast<UINT_PTR>(button);
    info.hdr.code = TTN_GETDISPINFOW;
    info.uFlags = TTF_IDISHWND;
    panel->SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    ASSERT_NE(info.lpszText, nullptr);
    EXPECT_STREQ(info.lpszText, L"Новый");

    // The pointer over a button puts its prompt into the message pane.
    CRect r;
    ::GetWindowRect(button, &r);
    MoveMouse({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    EXPECT_TRUE(PumpUntil(
        [&] { return frame->m_wndStatusBar.GetShownText(0) == L"Создать новый документ"; }));
    MoveMouse({5, 5});
    EXPECT_TRUE(PumpUntil(
        [&] { return frame->m_wndStatusBar.GetShownText(0) != L"Создать новый документ"; }));
}

} // namespace

namespace {

// Paints a button into a memory bitmap the way its parent's WM_DRAWITEM would.
void Draw(COXBitmapButton& button, UINT state, HDC dc) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.hwndItem = button.m_hWnd;
    dis.hDC = dc;
    dis.rcItem = button.GetClientRect();
    dis.itemState = state;
    button.DrawItem(dis);
}

COLORREF PixelAfterDraw(COXBitmapButton& button, UINT state, POINT at) {
    CRect r = button.GetClientRect();
    CMemoryDC dc(r.Width(), r.Height());
    Draw(button, state, dc);
    return dc.GetPixel(at.x, at.y);
}

TEST_F(PanelTest, TrackingLookIsFlatUntilPressedAndDisabledCaptionIsEmbossed) {
    FreshWorkDir();
    Start();
    COXBitmapButton& button = *panel->GetButton(0);
    COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    CRect r = button.GetClientRect();
    POINT edge{r.right - 1, r.bottom - 1};
    // Flat: no frame while the pointer is elsewhere; a pressed button has its frame.
    EXPECT_EQ(PixelAfterDraw(button, 0, edge), face);
    EXPECT_NE(PixelAfterDraw(button, ODS_SELECTED, edge), face);
    button.SetTrackLook(false);
    EXPECT_NE(PixelAfterDraw(button, 0, edge), face);
    button.SetTrackLook(true);

    // The disabled caption has light pixels beside its grey ones.
    auto countCaption = [&](COLORREF color) {
        CMemoryDC dc(r.Width(), r.Height());
        Draw(button, 0, dc);
        int n = 0;
        for (int y = r.bottom / 2; y < r.bottom; ++y)
            for (int x = 0; x < r.right; ++x)
                n += dc.GetPixel(x, y) == color;
        return n;
    };
    EXPECT_EQ(countCaption(::GetSysColor(COLOR_BTNSHADOW)), 0);
    button.EnableButton(false);
    EXPECT_GT(countCaption(::GetSysColor(COLOR_BTNSHADOW)), 0);
    EXPECT_GT(countCaption(::GetSysColor(COLOR_BTNHIGHLIGHT)), 0);
    long live = gdi::LiveObjects();
    for (int i = 0; i < 50; ++i)
        PixelAfterDraw(button, ODS_FOCUS, edge);
    EXPECT_EQ(gdi::LiveObjects(), live);
}

} // namespace
