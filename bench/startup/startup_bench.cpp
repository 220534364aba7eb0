// Time from launch to a visible window: kiv.exe against a bare window program and against
// window_tree.exe (kiv.exe's windows made with plain Win32 calls), launched in turn, medians
// and their ratios. Run it headless with a persistent wineserver:
//   KIV_BUILD=<build> tools/headless tools/wine <build>/bin/startup_bench.exe [rounds [exe]]
// Prefixed with `taskset -c 0`, every process (Xvfb, wineserver, the programs) shares one
// CPU: the figures then show the work each program does rather than the cost of waking the
// wineserver on another CPU, which on a small virtual machine dominates.
// `exe` (a name in <build>/bin, kiv.exe by default) measures another build of the program.
// kiv.exe starts as a user's second start does: the library's defaults, a folder that has
// its port file, its file type registered by an earlier start (one warm-up launch of each
// comes first).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "driver/files.h"
#include "driver/program.h"
#include "driver/window_find.h"

namespace {

double Now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return double(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / frequency;
}

// Milliseconds from CreateProcess to the program's window shown and not minimized; the
// program is then closed as the close box does. Negative when it failed.
double TimeStart(const kivdrv::StartOptions& options, const std::wstring& title) {
    const double start = Now();
    kivdrv::CProcess process(options);
    // Polled every millisecond: the driver's own wait polls too seldom for this.
    HWND window = nullptr;
    bool shown = false;
    while (!shown && Now() - start < 30000) {
        window = kivdrv::FindTopLevelWindow({title, std::nullopt, process.Id(), true});
        shown = window && !IsIconic(window);
        if (!shown) Sleep(1);
    }
    const double ms = Now() - start;
    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
    if (!process.Wait(std::chrono::seconds(10))) process.Kill();
    return shown ? ms : -1;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Series {
    const wchar_t* name;
    kivdrv::StartOptions options;
    std::wstring title;
    std::vector<double> ms;
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 12;
    const kivdrv::CTempDir work;
    const std::wstring folder = kivdrv::ProgramFolder();
    const std::wstring exe = argc > 2 ? argv[2] : L"kiv.exe";
    const std::wstring kivTitle = L"Автомат световых эффектов для WinNT, Win2000";
    Series series[] = {
        {L"bare", {folder + L"bare_window.exe", {}, work.Path().wstring(), {}}, L"Голое окно", {}},
        {L"tree", {folder + L"window_tree.exe", {}, work.Path().wstring(), {}}, kivTitle, {}},
        {L"kiv",
         {folder + exe, {}, work.Path().wstring(), {{L"TAVO_TRACE", std::nullopt}}},
         kivTitle,
         {}},
    };
    for (Series& s : series)
        TimeStart(s.options, s.title);
    for (int i = 0; i < rounds; ++i) {
        std::printf("round %2d:", i + 1);
        for (Series& s : series) {
            s.ms.push_back(TimeStart(s.options, s.title));
            std::printf(" %ls %6.1f ms", s.name, s.ms.back());
        }
        std::printf("\n");
    }
    // The fastest launch of each suffers least from other work on the machine.
    auto fastest = [](const Series& s) { return *std::min_element(s.ms.begin(), s.ms.end()); };
    for (const Series& s : series) {
        if (fastest(s) < 0) {
            std::printf("%ls did not show its window\n", s.name);
            return 1;
        }
    }
    const double b = Median(series[0].ms), t = Median(series[1].ms), k = Median(series[2].ms);
    std::printf("medians of %d: bare %.1f ms, tree %.1f ms, kiv %.1f ms, ratio %.2f (tree %.2f, "
                "kiv to tree %.2f)\n",
                rounds, b, t, k, k / b, t / b, k / t);
    const double bMin = fastest(series[0]), tMin = fastest(series[1]), kMin = fastest(series[2]);
    std::printf("fastest: bare %.1f ms, tree %.1f ms, kiv %.1f ms, ratio %.2f (tree %.2f)\n", bMin,
                tMin, kMin, kMin / bMin, tMin / bMin);
    return 0;
}
