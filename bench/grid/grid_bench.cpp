// Paint cost of the visible page against the row count: a grid of 1,000,000 rows must
// paint its page as fast as one of 10 rows. Prints both figures and their ratio.
#include "framework/gdi.h"
#include "framework/wnd.h"
#include "grid/grid.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class CBenchGrid : public CWnd, public CORVGrid {
public:
    CBenchGrid() { window = this; }
    CORVCellValue GetCellValue(int col, int row) override { return {L"", (col + row) % 2}; }
};

constexpr int kWidth = 300;
constexpr int kHeight = 180; // a page of fewer than 10 rows: both grids fill it

// Microseconds per paint of the whole client area, median of several rounds.
double PaintMicros(int rows, int paintsPerRound) {
    CBenchGrid grid;
    if (!grid.CreateEx(0, nullptr, L"bench", WS_POPUP | ORVGS_ROWMODE, CRect(0, 0, kWidth, kHeight),
                       nullptr, 0))
        return -1;
    for (int j = 0; j < 8; ++j)
        grid.AddColumn(27, L"D" + std::to_wstring(j), DT_CENTER | DT_VCENTER, 0x8025, DFC_BUTTON,
                       DFCS_BUTTONCHECK, 1000);
    grid.SetHeaderRowCount(2, false);
    grid.SetRowCount(rows, false);
    grid.RecalcLayout();
    grid.MoveCurrentCell(3, rows / 2); // a page in the middle of the table
    CMemoryDC dc(kWidth, kHeight);
    LARGE_INTEGER freq;
    ::QueryPerformanceFrequency(&freq);
    std::vector<double> rounds;
    for (int round = 0; round < 7; ++round) {
        LARGE_INTEGER t0, t1;
        ::QueryPerformanceCounter(&t0);
        for (int i = 0; i < paintsPerRound; ++i)
            grid.PaintRect(dc, CRect(0, 0, kWidth, kHeight));
        ::QueryPerformanceCounter(&t1);
        rounds.push_back(1e6 * static_cast<double>(t1.QuadPart - t0.QuadPart) /
                         static_cast<double>(freq.QuadPart) / paintsPerRound);
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}

} // namespace

int main() {
    constexpr int kPaints = 40;
    PaintMicros(10, 5); // warm-up: fonts, themes, the first window
    const double small = PaintMicros(10, kPaints);
    const double large = PaintMicros(1'000'000, kPaints);
    std::printf("grid page paint, %dx%d client, 8 check-box columns\n", kWidth, kHeight);
    std::printf("  10 rows:        %9.1f us per paint\n", small);
    std::printf("  1000000 rows:   %9.1f us per paint\n", large);
    std::printf("  ratio:          %9.3f (target <= 1.2)\n", large / small);
    return 0;
}
