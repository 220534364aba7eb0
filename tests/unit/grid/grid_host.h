// A bare host window for the grid engine, a parent that records the grid's
// notifications, and helpers for reading painted pixels.
#pragma once
#include "framework/gdi.h"
#include "framework/wnd.h"
#include "grid/grid.h"
#include "grid/grid_view.h"

#include <map>
#include <utility>
#include <vector>

// Records the grid library's notifications (1925 to 1928).
class CNotifyRecorder : public CWnd {
public:
    struct Note {
        UINT msg;
        WPARAM wp;
        LPARAM lp;
    };
    std::vector<Note> notes;

    bool Open(DWORD visible = 0) {
        return CreateEx(0, nullptr, L"grid parent", WS_POPUP | visible, CRect(0, 0, 600, 500),
                        nullptr, 0);
    }
    int Count(UINT msg) const {
        int n = 0;
        for (const auto& note : notes)
            n += note.msg == msg;
        return n;
    }
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg >= WM_ORV_CURCELLCHANGED && msg <= WM_ORV_ROWCOUNTCHANGED)
            notes.push_back({msg, wp, lp});
        return CWnd::WindowProc(msg, wp, lp);
    }
};

// Cell values from a map (data col, data row), hooks recorded, columns like the pattern view's.
template <class Base> class CValueGrid : public Base {
public:
    std::map<std::pair<int, int>, CORVCellValue> values;
    int valueCalls = 0;
    std::vector<std::wstring> hooks; // "down c r", "up c r", "rowdown c r", "rowup c r"

    CORVCellValue GetCellValue(int col, int row) override {
        ++valueCalls;
        auto it = values.find({col, row});
        return it != values.end() ? it->second : CORVCellValue{L"", 0};
    }
    void OnHeaderButtonDown(int c, int r) override { Hook(L"down", c, r); }
    void OnHeaderButtonUp(int c, int r) override { Hook(L"up", c, r); }
    void OnRowHeaderButtonDown(int c, int r) override { Hook(L"rowdown", c, r); }
    void OnRowHeaderButtonUp(int c, int r) override { Hook(L"rowup", c, r); }

    void AddCheckColumns(int count = 8, int width = 27) {
        for (int j = 0; j < count; ++j) {
            this->AddColumn(width, L"D" + std::to_wstring(j), DT_CENTER | DT_VCENTER, 0x8025,
                            DFC_BUTTON, DFCS_BUTTONCHECK, 1000);
            this->SetColumnCtrl(j, 2, WS_CHILD | BS_AUTOCHECKBOX, 0);
        }
    }

private:
    void Hook(const wchar_t* what, int c, int r) {
        hooks.push_back(std::wstring(what) + L" " + std::to_wstring(c) + L" " + std::to_wstring(r));
    }
};

// The grid engine in a plain child window.
class CPlainGridWnd : public CWnd, public CORVGrid {
public:
    CPlainGridWnd() { window = this; }
};

class CGridHost : public CValueGrid<CPlainGridWnd> {
public:
    bool Open(HWND parent, DWORD options, int cx, int cy) {
        return CreateEx(0, nullptr, L"grid", WS_CHILD | options, CRect(0, 0, cx, cy), parent, 100);
    }
};

// A grid view window as a client makes it: values from the map, hooks recorded.
class CTestView : public CValueGrid<CORVGridView> {
public:
    bool refuseCommit = false;
    bool CommitCell(int col, int row) override {
        return !refuseCommit && CValueGrid<CORVGridView>::CommitCell(col, row);
    }
};

// Runs the posted messages of this thread.
inline void PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// The pixels of a rectangle of a DC, row by row.
inline std::vector<COLORREF> Pixels(HDC dc, const RECT& r) {
    std::vector<COLORREF> out;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            out.push_back(::GetPixel(dc, x, y));
    return out;
}

inline int CountColor(HDC dc, const RECT& r, COLORREF color) {
    int n = 0;
    for (COLORREF c : Pixels(dc, r))
        n += c == color;
    return n;
}

inline COLORREF Sys(int index) {
    return ::GetSysColor(index);
}
