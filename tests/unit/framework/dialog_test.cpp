// Dialog data exchange on a dialog built in memory.
#include "test_app.h"

#include "framework/dialog.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr int kEdit = 10, kCheck = 11;

// A DLGTEMPLATE with an edit and a check box, laid out as the system expects.
class TemplateBuilder {
public:
    TemplateBuilder() {
        Align();
        DLGTEMPLATE t{};
        t.style = WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_SETFONT;
        t.cdit = 2;
        t.cx = 100;
        t.cy = 50;
        Append(&t, sizeof t);
        Word(0), Word(0), Text(L"Тест");
        Word(8), Text(L"MS Sans Serif");
        Item(kEdit, 0x0081, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, L"");
        Item(kCheck, 0x0080, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, L"флажок");
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_data.data()); }

private:
    void Append(const void* p, size_t n) {
        size_t at = m_data.size();
        m_data.resize(at + n);
        std::memcpy(m_data.data() + at, p, n);
    }
    void Word(WORD w) { Append(&w, 2); }
    void Text(const wchar_t* s) { Append(s, (wcslen(s) + 1) * 2); }
    void Align() {
        while (m_data.size() % 4)
            m_data.push_back(0);
    }
    void Item(WORD id, WORD atom, DWORD style, const wchar_t* text) {
        Align();
        DLGITEMTEMPLATE it{};
        it.style = style;
        it.x = 5;
        it.y = static_cast<short>(5 + 15 * (id - kEdit));
        it.cx = 60;
        it.cy = 12;
        it.id = id;
        Append(&it, sizeof it);
        Word(0xFFFF), Word(atom), Text(text), Word(0);
    }
    std::vector<uint8_t> m_data;
};

class CValuesDlg : public CDialog {
public:
    int m_nCount = 42;
    int m_bFlag = 1;
    void DoDataExchange(CDataExchange* dx) override {
        DDX_Check(dx, kCheck, m_bFlag);
        DDX_Text(dx, kEdit, m_nCount);
    }
};

std::wstring EditText(const CDialog& dlg) {
    wchar_t text[64] = {};
    GetDlgItemTextW(dlg.m_hWnd, kEdit, text, 64);
    return text;
}

} // namespace

TEST(DataExchange, MembersGoToControlsAndComeBackValidated) {
    TemplateBuilder t;
    CValuesDlg dlg;
    ASSERT_TRUE(dlg.CreateIndirect(t.Get())); // OnInitDialog loads the members
    EXPECT_EQ(EditText(dlg), L"42");
    EXPECT_EQ(IsDlgButtonChecked(dlg.m_hWnd, kCheck), BST_CHECKED);

    SetDlgItemTextW(dlg.m_hWnd, kEdit, L" -17 ");
    CheckDlgButton(dlg.m_hWnd, kCheck, BST_UNCHECKED);
    EXPECT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.m_nCount, -17);
    EXPECT_EQ(dlg.m_bFlag, 0);

    TestApp().m_boxes.clear();
    for (const wchar_t* bad : {L"", L"1x", L"--1", L"2147483648", L"3.5"}) {
        SetDlgItemTextW(dlg.m_hWnd, kEdit, bad);
        dlg.m_nCount = 5;
        EXPECT_FALSE(dlg.UpdateData(true)) << bad;
        EXPECT_EQ(dlg.m_nCount, 5) << bad;
    }
    EXPECT_EQ(TestApp().m_boxes.size(), 5u);
    EXPECT_EQ(TestApp().m_boxes.back(), L"Введите целое число.");
    SetDlgItemTextW(dlg.m_hWnd, kEdit, L"-2147483648");
    EXPECT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.m_nCount, INT_MIN);
}

TEST(DataExchange, OkStaysOpenOnBadInputAndCancelEnds) {
    TemplateBuilder t;
    CValuesDlg dlg;
    ASSERT_TRUE(dlg.CreateIndirect(t.Get()));
    SetDlgItemTextW(dlg.m_hWnd, kEdit, L"abc");
    dlg.SendMessage(WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(dlg.IsWindowVisible()); // a modeless dialog only hides when it ends
    SetDlgItemTextW(dlg.m_hWnd, kEdit, L"3");
    dlg.SendMessage(WM_COMMAND, IDOK, 0);
    EXPECT_EQ(dlg.m_nCount, 3);
    EXPECT_FALSE(dlg.IsWindowVisible());
}

class CFailingDlg : public CDialog {
protected:
    bool OnInitDialog() override { throw std::bad_alloc(); }
};

TEST(DialogSetUp, AThrowingOnInitDialogIsReportedAndTheDialogNeverShows) {
    TemplateBuilder t;
    TestApp().m_boxes.clear();
    CFailingDlg modeless, modal;
    EXPECT_FALSE(modeless.CreateIndirect(t.Get()));
    modal.InitModalIndirect(t.Get());
    EXPECT_EQ(modal.DoModal(), -1);
    EXPECT_EQ(TestApp().m_boxes.size(), 2u);
}
