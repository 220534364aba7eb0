// The in-place cell controls: geometry, values, key routing back to the grid, the
// clipboard and the commit protocol.
#include "grid_host.h"

#include "grid/cell_check.h"
#include "grid/cell_combo.h"

#include <gtest/gtest.h>

namespace {

std::wstring ClipboardText() {
    std::wstring text;
    if (!::OpenClipboard(nullptr)) return text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(::GlobalLock(data));
        ::GlobalUnlock(data);
    }
    ::CloseClipboard();
    return text;
}

class CellControls : public ::testing::Test {
protected:
    static inline CNotifyRecorder* s_parent = nullptr;
    CTestView* view = nullptr;

    static void SetUpTestSuite() {
        s_parent = new CNotifyRecorder;
        s_parent->Open(WS_VISIBLE);
    }
    static void TearDownTestSuite() {
        delete s_parent;
        s_parent = nullptr;
    }
    void TearDown() override {
        if (view && view->GetSafeHwnd()) view->DestroyWindow();
        PumpMessages();
    }
    // A view whose columns 0..3 carry the given control kind and style.
    void Open(BYTE kind, DWORD ctrlStyle) {
        s_parent->notes.clear();
        view = new CTestView;
        for (int j = 0; j < 4; ++j) {
            view->AddColumn(60, L"C" + std::to_wstring(j), DT_LEFT | DT_VCENTER, 0x25, 0, 0, 0);
            view->SetColumnCtrl(j, kind, ctrlStyle, 0);
        }
        view->SetRowCount(5, false);
        ASSERT_TRUE(view->CreateEx(0, nullptr, L"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 200),
                                   *s_parent, 100));
        ASSERT_TRUE(view->MoveCurrentCell(1, 1));
        PumpMessages();
    }
    HWND Focus() const { return ::GetFocus(); }
    void Send(HWND to, UINT msg, UINT key) {
        ::SendMessageW(to, msg, key, 1);
        PumpMessages();
    }
    int Col() const { return view->currentCol - view->fixedCols; }
    int Row() const { return view->currentRow - view->headerRows; }
};

TEST_F(CellControls, CheckBoxSitsCentredAndCutToNarrowCells) {
    Open(2, WS_CHILD | BS_AUTOCHECKBOX);
    auto* check = dynamic_cast<CORVCellCheck*>(view->CurrentCtrl());
    ASSERT_NE(check, nullptr);
    auto placed = [&](int w) {
        check->Show(100, 20, w, 16);
        CRect r = check->GetWindowRect();
        view->ScreenToClient(r);
        return r;
    };
    const CRect wide = placed(40);
    EXPECT_EQ(wide.left, 114);
    EXPECT_EQ(wide.Width(), 13);
    EXPECT_EQ(wide.top, 22);
    const CRect narrow = placed(10);
    EXPECT_EQ(narrow.left, 102);
    EXPECT_EQ(narrow.Width(), 7);
    check->SetValue({L"on", 1});
    const CRect captioned = placed(40);
    EXPECT_EQ(captioned.left, 102);
    EXPECT_EQ(captioned.Width(), 37);
    EXPECT_EQ(check->GetValue().data, 1);
    EXPECT_FALSE(check->IsModified());
    check->SetValue({L"", 2}); // not a three-state style: unchecked
    EXPECT_EQ(check->GetValue().data, 0);
    EXPECT_TRUE(check->Hide());
    EXPECT_FALSE(check->IsActive());
}

TEST_F(CellControls, DropDownLoadsByItemDataOrByText) {
    Open(3, WS_CHILD | WS_VSCROLL | CBS_DROPDOWN);
    auto* combo = dynamic_cast<CORVCellCombo*>(view->CurrentCtrl());
    ASSERT_NE(combo, nullptr);
    ASSERT_TRUE(combo->HasTextField());
    for (const wchar_t* item : {L"alpha", L"beta", L"gamma"})
        combo->SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    combo->SendMessage(CB_SETITEMDATA, 0, 7);
    combo->SendMessage(CB_SETITEMDATA, 1, 9);
    combo->SendMessage(CB_SETITEMDATA, 2, 9);
    combo->SetValue({L"", 9});
    EXPECT_EQ(combo->SendMessage(CB_GETCURSEL), 2); // the later of two sharing 9
    EXPECT_EQ(combo->GetValue().data, 9);
    combo->SetValue({L"typed", -1});
    EXPECT_EQ(combo->GetWindowText(), L"typed");
    EXPECT_EQ(combo->SendMessage(CB_GETCURSEL), 2); // the selection is left alone
    EXPECT_FALSE(combo->IsModified());
    combo->edit.SetWindowText(L"changed");
    EXPECT_TRUE(combo->IsModified());
}

TEST_F(CellControls, DropDownListWithoutTextFieldOffersOnlyCopy) {
    Open(3, WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST);
    auto* combo = dynamic_cast<CORVCellCombo*>(view->CurrentCtrl());
    ASSERT_NE(combo, nullptr);
    EXPECT_FALSE(combo->HasTextField());
    EXPECT_FALSE(combo->CanCopy()); // nothing shown yet
    combo->SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Шина"));
    combo->SendMessage(CB_SETCURSEL, 0);
    EXPECT_TRUE(combo->CanCopy());
    EXPECT_FALSE(combo->CanCut());
    EXPECT_FALSE(combo->CanPaste());
    EXPECT_FALSE(combo->CanUndo());
    combo->Copy();
    EXPECT_EQ(ClipboardText(), L"Шина"); // Unicode text survives any code page
}

TEST_F(CellControls, EmptyTextLeavesTheClipboardAlone) {
    ASSERT_TRUE(CopyTextToClipboard(L"kept"));
    EXPECT_FALSE(CopyTextToClipboard(L""));
    EXPECT_EQ(ClipboardText(), L"kept");
}

TEST_F(CellControls, EditBoxHandsNavigationKeysToTheGrid) {
    Open(1, WS_CHILD | ES_AUTOHSCROLL);
    view->values[{1, 2}] = {L"text", 0};
    HWND edit = dynamic_cast<CWnd*>(view->CurrentCtrl())->GetSafeHwnd();
    ASSERT_EQ(Focus(), edit);
    Send(edit, WM_CHAR, VK_RETURN); // Enter moves down like Down
    EXPECT_EQ(Row(), 2);
    EXPECT_EQ(Col(), 1);
    Send(edit, WM_CHAR, VK_TAB);
    EXPECT_EQ(Col(), 2);
    Send(edit, WM_KEYDOWN, VK_LEFT); // empty text: the current cell moves
    EXPECT_EQ(Col(), 1);
    ASSERT_EQ(::GetWindowTextLengthW(edit), 4);
    ::SendMessageW(edit, EM_SETSEL, 2, 2);
    Send(edit, WM_KEYDOWN, VK_LEFT); // inside the text: the caret moves
    EXPECT_EQ(Col(), 1);
    ::SendMessageW(edit, EM_SETSEL, 0, 0);
    Send(edit, WM_KEYDOWN, VK_LEFT);
    EXPECT_EQ(Col(), 0);
}

TEST_F(CellControls, EscapeUndoesTheLastEditAndKeepsTheBoxOpen) {
    Open(1, WS_CHILD | ES_AUTOHSCROLL);
    auto* ctrl = view->CurrentCtrl();
    HWND edit = dynamic_cast<CWnd*>(ctrl)->GetSafeHwnd();
    ::SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"new"));
    ASSERT_EQ(ctrl->GetValue().text, L"new");
    Send(edit, WM_CHAR, VK_ESCAPE);
    EXPECT_EQ(ctrl->GetValue().text, L"");
    EXPECT_TRUE(ctrl->IsActive());
}

TEST_F(CellControls, TabInAnEditableDropDownStaysButEnterMovesDown) {
    Open(3, WS_CHILD | WS_VSCROLL | CBS_DROPDOWN);
    auto* combo = dynamic_cast<CORVCellCombo*>(view->CurrentCtrl());
    ASSERT_NE(combo, nullptr);
    HWND field = combo->edit.GetSafeHwnd();
    ASSERT_NE(field, nullptr);
    Send(field, WM_CHAR, VK_TAB); // the posted Tab is translated like a real key
    EXPECT_EQ(Col(), 1);
    Send(field, WM_CHAR, VK_RETURN);
    EXPECT_EQ(Row(), 2);
    Send(combo->GetSafeHwnd(), WM_KEYDOWN, VK_RIGHT);
    EXPECT_EQ(Col(), 2);
}

TEST_F(CellControls, RefusedCommitKeepsTheCellAndDiscardResetsTheControl) {
    Open(1, WS_CHILD | ES_AUTOHSCROLL);
    auto* ctrl = view->CurrentCtrl();
    HWND edit = dynamic_cast<CWnd*>(ctrl)->GetSafeHwnd();
    ::SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"bad"));
    view->refuseCommit = true;
    EXPECT_TRUE(view->MoveCurrentCell(2, 3)); // the move is made on the same cell
    EXPECT_EQ(Col(), 1);
    EXPECT_EQ(Row(), 1);
    EXPECT_TRUE(ctrl->IsActive());
    EXPECT_EQ(ctrl->GetValue().text, L"bad");
    EXPECT_FALSE(view->EndEdit(true));
    EXPECT_FALSE(ctrl->IsModified());
    EXPECT_FALSE(ctrl->IsActive());
    view->refuseCommit = false;
    EXPECT_TRUE(view->MoveCurrentCell(2, 3));
    EXPECT_EQ(Col(), 2);
    EXPECT_EQ(s_parent->Count(WM_ORV_CELLCOMMITTED), 0);
}

} // namespace
