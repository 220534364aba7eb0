// Shows a grid view as the pattern view will look: two header rows (the top one a single
// caption over all columns), a fixed column, check-box cells and the live check box over
// the current cell. Closes itself after the number of seconds given (default 30).
#include "framework/wnd.h"
#include "grid/grid_view.h"

#include <cstdlib>

namespace {

class CDemoView : public CORVGridView {
public:
    CDemoView() {
        for (int j = 0; j < 8; ++j) {
            AddColumn(27, L"D" + std::to_wstring(j), DT_CENTER | DT_VCENTER, 0x8025, DFC_BUTTON,
                      DFCS_BUTTONCHECK, 1000);
            SetColumnCtrl(j, 2, WS_CHILD | BS_AUTOCHECKBOX, 0);
        }
        SetHeaderRowCount(2, false);
        SetRowCount(40, false);
    }
    int GetColumnWidth(int col, int headerRow) override {
        if (headerRow == 0 && col == 0) return 8 * 27;
        return CORVGridView::GetColumnWidth(col, headerRow);
    }
    CORVCellValue GetHeaderValue(int col, int headerRow) override {
        if (headerRow == 0) return {col == 0 ? L"Шина данных LPT-порта" : L"", 0x8025};
        return CORVGridView::GetHeaderValue(col, headerRow);
    }
    CORVCellValue GetCellValue(int col, int row) override { return {L"", (row + col) % 3 == 0}; }
};

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    int seconds = __argc > 1 ? std::atoi(__argv[1]) : 30;
    CWnd frame;
    frame.CreateEx(0, nullptr, L"Сетка", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(20, 20, 300, 420),
                   nullptr, 0);
    auto* view = new CDemoView; // deletes itself with its window
    const CRect client = frame.GetClientRect();
    view->CreateEx(0, nullptr, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ORVGS_ROWMODE, client,
                   frame, 0xE900);
    view->MoveCurrentCell(2, 3);
    ::SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_TIMER && !msg.hwnd) break;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
