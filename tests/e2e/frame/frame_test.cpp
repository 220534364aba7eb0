// The main frame as a user meets it: title, current-row pane, Add rows, Delete row, port
// settings, files opened and saved through the program's own dialogs.
#include <gtest/gtest.h>

#include "frame_session.h"

#include "app/resource.h"
#include "framework/afxmsg.h"

#include <commctrl.h>

#include <cstdint>
#include <future>
#include <vector>

namespace kivdrv {
namespace {

using Bytes = std::vector<std::uint8_t>;

class Frame : public ::testing::Test {
protected:
    CTempDir work;
    void SetUp() override { ClearKivRegistry(); }
    void TearDown() override { ClearKivRegistry(); }

    std::optional<Bytes> File(const wchar_t* name) const { return ReadFileBytes(work / name); }
};

// Sets the count, presses OK and waits for the dialog to go.
void ConfirmAddRows(HWND dialog, const wchar_t* count) {
    SendMessageW(GetDlgItem(dialog, IDC_COUNT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(count));
    PressButton(dialog, IDOK);
    WaitUntil([&] { return !IsWindow(dialog); });
}

// Answers the process's next message box with `button`; returns its text.
std::wstring AnswerBox(const CKivSession& kiv, int button) {
    HWND box = kiv.WaitForBox();
    if (!box) return L"(no box)";
    std::wstring text = ReadMessageBox(box, 0ms).text;
    PressButton(box, button);
    WaitUntil([&] { return !IsWindow(box); });
    return text;
}

TEST_F(Frame, RowPaneFollowsTheCursorAndAddRowsInsertsBeforeOrAppends) {
    const std::vector<std::uint8_t> rows{0x01, 0x02, 0x04, 0x08, 0x10};
    WriteFileBytes(work / "p.cmb", CmbFile(rows));
    CKivSession kiv(work, L"378,0,0", {(work / "p.cmb").wstring()});
    ASSERT_TRUE(kiv.Frame());
    EXPECT_EQ(WindowText(kiv.Frame()), kKivTitle); // no file name in the title
    kiv.ClickCell(5, 2);                           // row 3 (its D5 toggled on)
    EXPECT_TRUE(kiv.WaitForRowPane(3));

    // Unchecking "Добавить в конец" names the row the new rows go before.
    kiv.Press({VK_F2});
    HWND dialog = kiv.WaitForDialog(kAddRowsTitle);
    ASSERT_TRUE(dialog);
    HWND toEnd = GetDlgItem(dialog, IDC_ADD_TO_END);
    EXPECT_TRUE(IsWindowEnabled(toEnd));
    EXPECT_EQ(SendMessageW(toEnd, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_COUNT)), L"1");
    SendMessageW(toEnd, BM_CLICK, 0, 0);
    HWND label = GetDlgItem(dialog, IDC_POSITION);
    EXPECT_EQ(WindowText(label), L"Добавить перед строкой  3");
    EXPECT_TRUE(IsWindowVisible(label));
    ConfirmAddRows(dialog, L"2");
    EXPECT_TRUE(kiv.WaitForRowPane(3)); // the first inserted row

    // Back to appending, with the count 1 again; the cursor goes to the last new row.
    kiv.Press({VK_F2});
    dialog = kiv.WaitForDialog(kAddRowsTitle);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_ADD_TO_END), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_COUNT)), L"1");
    ConfirmAddRows(dialog, L"2");
    EXPECT_TRUE(kiv.WaitForRowPane(9));

    kiv.Press({VK_CONTROL, 'S'});
    ASSERT_TRUE(WaitUntil([&] { return File(L"p.cmb")->size() == 6 + 9 * 32; }));
    EXPECT_EQ(*File(L"p.cmb"), CmbFile({0x01, 0x02, 0x00, 0x00, 0x24, 0x08, 0x10, 0x00, 0x00}));
    EXPECT_EQ(WindowText(kiv.Frame()), kKivTitle);
    EXPECT_TRUE(kiv.CloseAndWait());
}

TEST_F(Frame, CountsThatCannotBeAddedAreRefusedAndNothingChanges) {
    CKivSession kiv(work);
    ASSERT_TRUE(kiv.Frame());
    // Each refused box, unticked first, opens ticked again afterwards.
    const auto openUnticked = [&] {
        kiv.Press({VK_F2});
        HWND box = kiv.WaitForDialog(kAddRowsTitle);
        if (!box) return box;
        EXPECT_EQ(SendMessageW(GetDlgItem(box, IDC_ADD_TO_END), BM_GETCHECK, 0, 0), BST_CHECKED);
        SendMessageW(GetDlgItem(box, IDC_ADD_TO_END), BM_CLICK, 0, 0);
        return box;
    };
    HWND dialog = openUnticked();
    ASSERT_TRUE(dialog);
    SendMessageW(GetDlgItem(dialog, IDC_COUNT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"0"));
    PressButton(dialog, IDOK);
    EXPECT_EQ(AnswerBox(kiv, IDOK), L"Введите целое число от 1 до 10000000.");
    EXPECT_TRUE(IsWindow(dialog));
    PressButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));

    // The largest count the dialog takes does not fit beside the three rows.
    dialog = openUnticked();
    ASSERT_TRUE(dialog);
    ConfirmAddRows(dialog, L"10000000");
    EXPECT_EQ(AnswerBox(kiv, IDOK), L"Недостаточно памяти.");
    EXPECT_TRUE(kiv.WaitForRowPane(1));
    dialog = openUnticked();
    ASSERT_TRUE(dialog);
    PressButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    // Nothing was changed, so the close asks nothing.
    EXPECT_TRUE(kiv.CloseAndWait());
}

TEST_F(Frame, DeleteRowAsksAndAnEmptyPatternOnlyAppends) {
    CKivSession kiv(work);
    ASSERT_TRUE(kiv.Frame());
    EXPECT_TRUE(kiv.WaitForRowPane(1));
    kiv.ClickCell(0, 2);
    EXPECT_TRUE(kiv.WaitForRowPane(3));
    kiv.Press({VK_F3});
    EXPECT_EQ(AnswerBox(kiv, IDNO), L"Удалить строку  3");
    for (int left = 3; left > 0; --left) {
        kiv.Press({VK_F3});
        EXPECT_EQ(AnswerBox(kiv, IDYES), L"Удалить строку  " + std::to_wstring(left));
    }
    EXPECT_TRUE(kiv.WaitForRowPane(0));
    kiv.Press({VK_F3});
    EXPECT_EQ(AnswerBox(kiv, IDOK), L"Нет строк для удаления.");

    kiv.Press({VK_F2});
    HWND dialog = kiv.WaitForDialog(kAddRowsTitle);
    ASSERT_TRUE(dialog);
    HWND toEnd = GetDlgItem(dialog, IDC_ADD_TO_END);
    EXPECT_FALSE(IsWindowEnabled(toEnd));
    EXPECT_EQ(SendMessageW(toEnd, BM_GETCHECK, 0, 0), BST_CHECKED);
    ConfirmAddRows(dialog, L"1");
    EXPECT_TRUE(kiv.WaitForRowPane(1));

    // Saved through the program's own Save As box: exactly one zero row.
    kiv.Press({VK_CONTROL, 'S'});
    HWND save = kiv.WaitForDialog(L"Сохранить как");
    ASSERT_TRUE(save);
    TypeText((work / "one.cmb").wstring());
    SendKeys({VK_RETURN});
    ASSERT_TRUE(
        WaitUntil([&] { return File(L"one.cmb").has_value() && File(L"one.cmb")->size() == 38; }));
    EXPECT_EQ(*File(L"one.cmb"), CmbFile({0x00}));
    EXPECT_EQ(WindowText(kiv.Frame()), kKivTitle);
    EXPECT_TRUE(kiv.CloseAndWait());
}

TEST_F(Frame, OpenThroughTheOpenBoxKeepsTheTitle) {
    WriteFileBytes(work / "two.cmb", CmbFile({0xFF, 0x00}));
    CKivSession kiv(work);
    ASSERT_TRUE(kiv.Frame());
    kiv.Press({VK_CONTROL, 'O'});
    HWND open = kiv.WaitForDialog(L"Открыть");
    ASSERT_TRUE(open);
    TypeText((work / "two.cmb").wstring());
    SendKeys({VK_RETURN});
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(open); }));
    kiv.ClickCell(0, 0);
    EXPECT_TRUE(kiv.WaitForRowPane(1));
    kiv.Press({VK_CONTROL, VK_NEXT}); // the last row: the file's second, not a new pattern's third
    EXPECT_TRUE(kiv.WaitForRowPane(2));
    EXPECT_EQ(WindowText(kiv.Frame()), kKivTitle);
    // The cell click changed the pattern: the close asks, and No closes without saving.
    PostMessageW(kiv.Frame(), WM_CLOSE, 0, 0);
    AnswerBox(kiv, IDNO);
    EXPECT_EQ(kiv.Process().Wait(10s), 0u);
    EXPECT_EQ(*File(L"two.cmb"), CmbFile({0xFF, 0x00}));
}

TEST_F(Frame, SpeedKeyGivesTheFocusToTheSlider) {
    CKivSession kiv(work);
    ASSERT_TRUE(kiv.Frame());
    kiv.Press({VK_F7});
    const auto focus = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        GetGUIThreadInfo(GetWindowThreadProcessId(kiv.Frame(), nullptr), &info);
        return info.hwndFocus;
    };
    ASSERT_TRUE(WaitUntil([&] { return WindowClass(focus()) == TRACKBAR_CLASSW; }, 3s))
        << Narrow(WindowClass(focus()));
    HWND slider = focus();
    kiv.Press({VK_RIGHT});
    kiv.Press({VK_RIGHT});
    EXPECT_TRUE(WaitUntil([&] { return SendMessageW(slider, TBM_GETPOS, 0, 0) == 147; }, 3s));
    EXPECT_TRUE(kiv.CloseAndWait());
    EXPECT_EQ(File(L"slider.cst"), (Bytes{147, 0, 0, 0})); // 145 and two steps slower
}

TEST_F(Frame, SettingsShowTheReportedPortsAndOkStoresTheChoice) {
    CKivSession kiv(work, L"0,278,3bc");
    ASSERT_TRUE(kiv.Frame());
    ASSERT_TRUE(WaitUntil([&] { return File(L"port.cst").has_value(); }));
    WriteFileBytes(work / "port.cst", Bytes{0xBC, 0x03, 0, 0}); // as if LPT3 had been chosen
    kiv.Press({VK_F6});
    HWND dialog = kiv.WaitForDialog(kSettingsTitle);
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_LPT1)));
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_LPT1_ADDRESS)), L"");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_LPT2_ADDRESS)), L"278h");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_LPT3_ADDRESS)), L"3bch");
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_LPT2), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_LPT3), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    PressButton(dialog, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(*File(L"port.cst"), (Bytes{0x78, 0x02, 0, 0}));
    EXPECT_TRUE(kiv.CloseAndWait());
    EXPECT_EQ(*File(L"port.cst"), (Bytes{0x78, 0x02, 0, 0}));
}

TEST_F(Frame, UnwritablePortFileIsReportedAndNeverKeepsTheProgramOpen) {
    CKivSession kiv(work, L"378,278,0");
    ASSERT_TRUE(kiv.Frame());
    ASSERT_TRUE(WaitUntil([&] { return File(L"port.cst").has_value(); }));
    std::filesystem::remove(work / "port.cst");
    std::filesystem::create_directory(work / "port.cst"); // cannot be created as a file

    kiv.Press({VK_F6});
    HWND dialog = kiv.WaitForDialog(kSettingsTitle);
    ASSERT_TRUE(dialog);
    PressButton(dialog, IDOK);
    EXPECT_NE(AnswerBox(kiv, IDOK), L"(no box)");
    EXPECT_TRUE(IsWindow(dialog)); // the dialog stays open
    PressButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));

    PostMessageW(kiv.Frame(), WM_CLOSE, 0, 0);
    EXPECT_NE(AnswerBox(kiv, IDOK), L"(no box)");
    EXPECT_EQ(kiv.Process().Wait(10s), 0u);
}

// A first file that reads nothing (empty, or from a newer version after its box) starts
// with three rows that the grid shows and a save writes; only the empty one keeps its name.
TEST_F(Frame, FileThatReadsNothingOnTheCommandLineStartsWithThreeShownRows) {
    Bytes newer = CmbFile({0xFF});
    newer[0] = 11;
    WriteFileBytes(work / "newer.cmb", newer);
    WriteFileBytes(work / "empty.cmb", {});
    for (const wchar_t* name : {L"newer.cmb", L"empty.cmb"}) {
        const bool isNewer = name == std::wstring(L"newer.cmb");
        std::future<std::wstring> box;
        if (isNewer)
            box = std::async(std::launch::async, [] {
                // Shown before the window: answered from here while the session waits for it.
                HWND found = nullptr;
                WaitUntil([&] {
                    return (found = FindTopLevelWindow({kKivTitle, L"#32770", 0, true})) != nullptr;
                });
                std::wstring text = found ? ReadMessageBox(found, 0ms).text : L"";
                PressButton(found, IDOK);
                return text;
            });
        CKivSession kiv(work, L"378,0,0", {(work / name).wstring()});
        if (isNewer) {
            EXPECT_EQ(box.get(),
                      L"Немогу прочитать файл.\nВозможно он создан более поздней\nверсией.");
        }
        ASSERT_TRUE(kiv.Frame()) << name;
        for (int i = 0; i < 4; ++i)
            PostKey(kiv.View(), VK_DOWN);
        EXPECT_TRUE(kiv.WaitForRowPane(3)) << name;

        PostCommand(kiv.Frame(), 57603); // Save
        if (isNewer) {
            HWND save = kiv.WaitForDialog(L"Сохранить как"); // untitled: the newer file is safe
            ASSERT_TRUE(save);
            PressButton(save, IDCANCEL);
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(save); }));
            EXPECT_EQ(*File(name), newer);
        } else {
            EXPECT_TRUE(WaitUntil([&] { return File(name)->size() == 102; }));
        }
        EXPECT_TRUE(kiv.CloseAndWait());
    }
}

// A bar by its id, wherever it is docked (a child of a dock bar).
HWND Bar(HWND frame, int id) {
    for (HWND dock : ChildWindows(frame))
        if (HWND bar = GetDlgItem(dock, id)) return bar;
    return GetDlgItem(frame, id);
}

HWND MenuBar(HWND frame) {
    return Bar(frame, AFX_IDW_TOOLBAR);
}

// Presses at `from`, moves to `to` once `frame`'s thread holds the mouse, lets go there.
void Drag(HWND frame, POINT from, POINT to) {
    SetCursorPos(from.x, from.y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &in, sizeof in);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    EXPECT_TRUE(WaitUntil([&] {
        return GetGUIThreadInfo(GetWindowThreadProcessId(frame, nullptr), &info) &&
               info.hwndCapture;
    }));
    SetCursorPos(to.x, to.y);
    in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
}

bool Upright(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r.bottom - r.top > r.right - r.left;
}

TEST_F(Frame, MenuBarDockedOnTheLeftIsThereAtTheNextStart) {
    {
        CKivSession kiv(work);
        ASSERT_TRUE(kiv.Frame());
        HWND bar = MenuBar(kiv.Frame());
        ASSERT_TRUE(bar);
        ASSERT_FALSE(Upright(bar));
        RECT r{};
        GetWindowRect(bar, &r);
        RECT client{};
        GetClientRect(kiv.Frame(), &client);
        POINT leftMiddle{2, client.bottom / 2};
        ClientToScreen(kiv.Frame(), &leftMiddle);
        BringToFront(kiv.Frame());
        Drag(kiv.Frame(), {r.left + 3, (r.top + r.bottom) / 2}, leftMiddle);
        ASSERT_TRUE(WaitUntil([&] { return Upright(MenuBar(kiv.Frame())); }, 3s));
        EXPECT_TRUE(kiv.CloseAndWait());
    }
    CKivSession again(work);
    ASSERT_TRUE(again.Frame());
    EXPECT_TRUE(
        WaitUntil([&] { return MenuBar(again.Frame()) && Upright(MenuBar(again.Frame())); }, 3s));
    EXPECT_TRUE(again.CloseAndWait());
}

TEST_F(Frame, ASavedLayoutNeverHidesThePanelOrTheStatusBar) {
    const std::wstring layoutKey = kKivProfileKey + L"\\FrameworkBarState";
    {
        CKivSession kiv(work);
        ASSERT_TRUE(kiv.Frame());
        EXPECT_TRUE(kiv.CloseAndWait());
    }
    auto layout = ReadRegBinary(layoutKey, L"BarState");
    ASSERT_TRUE(layout && layout->size() > 6);
    for (size_t visible = 6 + 4; visible < layout->size(); visible += 15)
        (*layout)[visible] = 0; // every bar saved hidden, as a damaged profile may say
    ASSERT_TRUE(WriteRegBinary(layoutKey, L"BarState", *layout));

    CKivSession again(work);
    ASSERT_TRUE(again.Frame());
    EXPECT_TRUE(IsWindowVisible(Bar(again.Frame(), IDD_COMMAND_PANEL)));
    EXPECT_TRUE(IsWindowVisible(Bar(again.Frame(), AFX_IDW_STATUS_BAR)));
    EXPECT_TRUE(IsWindowVisible(MenuBar(again.Frame())));
    EXPECT_TRUE(again.CloseAndWait());
}

} // namespace
} // namespace kivdrv
