// Thin wrappers over the standard controls. Create one with Create, or attach to a
// dialog's control with SubclassDlgItem.
#pragma once
#include "wnd.h"

#include <commctrl.h>

#include <string>

class CStatic : public CWnd {
public:
    bool Create(const std::wstring& text, DWORD style, const RECT& rect, HWND parent,
                UINT id = 0xFFFF) {
        return CWnd::Create(L"STATIC", text.c_str(), style, rect, parent, id);
    }
};

class CButton : public CWnd {
public:
    bool Create(const std::wstring& text, DWORD style, const RECT& rect, HWND parent, UINT id) {
        return CWnd::Create(L"BUTTON", text.c_str(), style, rect, parent, id);
    }
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
    UINT GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
};

class CEdit : public CWnd {
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
        return CWnd::CreateEx(WS_EX_CLIENTEDGE, L"EDIT", L"", style, rect, parent, id);
    }
    void SetSel(int start, int end, bool noScroll = false) {
        SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end);
        if (!noScroll) SendMessage(EM_SCROLLCARET);
    }
    void SetReadOnly(bool readOnly = true) { SendMessage(EM_SETREADONLY, readOnly); }
    void LimitText(int chars) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(chars)); }
};

class CComboBox : public CWnd {
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
        return CWnd::Create(L"COMBOBOX", L"", style, rect, parent, id);
    }
    int AddString(const std::wstring& s) {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str())));
    }
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int index) {
        return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index)));
    }
    void ResetContent() { SendMessage(CB_RESETCONTENT); }
    std::wstring GetLBText(int index) const;
};

class CSliderCtrl : public CWnd {
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
        return CWnd::Create(TRACKBAR_CLASSW, L"", style, rect, parent, id);
    }
    int GetPos() const { return static_cast<int>(SendMessage(TBM_GETPOS)); }
    void SetPos(int pos) { SendMessage(TBM_SETPOS, TRUE, pos); }
    void SetRange(int minPos, int maxPos, bool redraw = false) {
        SendMessage(TBM_SETRANGEMIN, FALSE, minPos);
        SendMessage(TBM_SETRANGEMAX, redraw, maxPos);
    }
    int GetRangeMin() const { return static_cast<int>(SendMessage(TBM_GETRANGEMIN)); }
    int GetRangeMax() const { return static_cast<int>(SendMessage(TBM_GETRANGEMAX)); }
    void SetLineSize(int size) { SendMessage(TBM_SETLINESIZE, 0, size); }
    void SetPageSize(int size) { SendMessage(TBM_SETPAGESIZE, 0, size); }
    void SetTicFreq(int freq) { SendMessage(TBM_SETTICFREQ, static_cast<WPARAM>(freq)); }
};
