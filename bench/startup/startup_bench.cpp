// Time from launch to a visible window: kiv.exe against a bare window program, launched
// in turn, medians and their ratio. Run it headless with a persistent wineserver:
//   KIV_BUILD=<build> tools/headless tools/wine <build>/bin/startup_bench.exe [rounds [exe]]
// Prefixed with `taskset -c 0`, every process (Xvfb, wineserver, both programs) shares one
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

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 12;
    const kivdrv::CTempDir work;
    const std::wstring folder = kivdrv::ProgramFolder();
    const std::wstring exe = argc > 2 ? argv[2] : L"kiv.exe";
    const kivdrv::StartOptions kiv{
        folder + exe, {}, work.Path().wstring(), {{L"TAVO_TRACE", std::nullopt}}};
    const kivdrv::StartOptions bare{folder + L"bare_window.exe", {}, work.Path().wstring(), {}};
    const std::wstring kivTitle = L"Автомат световых эффектов для WinNT, Win2000";
    const std::wstring bareTitle = L"Голое окно";

    TimeStart(bare, bareTitle);
    TimeStart(kiv, kivTitle);
    std::vector<double> kivMs, bareMs;
    for (int i = 0; i < rounds; ++i) {
        bareMs.push_back(TimeStart(bare, bareTitle));
        kivMs.push_back(TimeStart(kiv, kivTitle));
        std::printf("round %2d: bare %6.1f ms, kiv %6.1f ms\n", i + 1, bareMs.back(), kivMs.back());
    }
    if (std::min(*std::min_element(kivMs.begin(), kivMs.end()),
                 *std::min_element(bareMs.begin(), bareMs.end())) < 0) {
        std::printf("a program did not show its window\n");
        return 1;
    }
    const double k = Median(kivMs), b = Median(bareMs);
    std::printf("medians of %d: bare %.1f ms, kiv %.1f ms, ratio %.2f\n", rounds, b, k, k / b);
    // The fastest launch of each suffers least from other work on the machine.
    const double kMin = *std::min_element(kivMs.begin(), kivMs.end());
    const double bMin = *std::min_element(bareMs.begin(), bareMs.end());
    std::printf("fastest: bare %.1f ms, kiv %.1f ms, ratio %.2f\n", bMin, kMin, kMin / bMin);
    return 0;
}
