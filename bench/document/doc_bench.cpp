// Opens a 1,000,000-row combination file into the pattern view, shows it, scrolls to its
// end and saves it again; prints the times and the process's peak memory against the
// file's size and the empty program's footprint.
#include "document/cmb_format.h"
#include "document/kiv_doc.h"
#include "framework/afxmsg.h"
#include "framework/doctempl.h"
#include "view/kiv_view.h"

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

constexpr std::size_t kRows = 1'000'000;

using Clock = std::chrono::steady_clock;
double MsSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

struct Memory {
    double peakWorkingMB, peakPagefileMB;
};
Memory PeakMemory() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc));
    return {pmc.PeakWorkingSetSize / 1048576.0, pmc.PeakPagefileUsage / 1048576.0};
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Written a block at a time, so the bench's own peak does not include the file.
void WriteBigFile(const std::wstring& path) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    const std::uint8_t header[10] = {10,
                                     0,
                                     0,
                                     0,
                                     0xFF,
                                     0xFF,
                                     std::uint8_t(kRows),
                                     std::uint8_t(kRows >> 8),
                                     std::uint8_t(kRows >> 16),
                                     std::uint8_t(kRows >> 24)};
    out.write(reinterpret_cast<const char*>(header), sizeof(header));
    std::vector<KIV_ROW> block(4096);
    for (std::size_t done = 0; done < kRows; done += block.size()) {
        const std::size_t n = std::min(block.size(), kRows - done);
        for (std::size_t i = 0; i < n; ++i)
            for (int j = 0; j < 8; ++j)
                block[i][j] = static_cast<int>(((done + i) >> j) & 1);
        out.write(reinterpret_cast<const char*>(block.data()),
                  static_cast<std::streamsize>(n * sizeof(KIV_ROW)));
    }
}

void Report(const char* step, double ms, const Memory& m) {
    std::printf("%-28s %9.1f ms   peak working set %7.1f MB   peak pagefile %7.1f MB\n", step, ms,
                m.peakWorkingMB, m.peakPagefileMB);
}

} // namespace

int main() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring in = std::wstring(temp) + L"kiv_bench_in.cmb";
    const std::wstring out = std::wstring(temp) + L"kiv_bench_out.cmb";
    WriteBigFile(in);
    const double fileMB = (10.0 + 32.0 * kRows) / 1048576.0;

    CWnd host;
    host.CreateEx(0, nullptr, L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 420, 420),
                  nullptr, 0);
    CKIVDoc doc;
    doc.m_bAutoDelete = false;
    auto owned = std::make_unique<CKIVView>();
    CCreateContext context;
    context.m_pCurrentDoc = &doc;
    owned->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 380), host,
                  AFX_IDW_PANE_FIRST, &context);
    CKIVView* view = owned.release();
    doc.OnNewDocument();
    view->UpdateWindow();
    Pump();
    const Memory empty = PeakMemory();
    Report("empty three-row pattern", 0, empty);

    auto t = Clock::now();
    const bool opened = doc.OnOpenDocument(in.c_str());
    view->UpdateWindow();
    Pump();
    Report("open 1,000,000 rows + show", MsSince(t), PeakMemory());

    t = Clock::now();
    view->ScrollToPosition(0, view->contentMaxY);
    view->Invalidate(false);
    view->UpdateWindow();
    Report("scroll to the end + paint", MsSince(t), PeakMemory());

    t = Clock::now();
    const bool saved = doc.OnSaveDocument(out.c_str());
    const Memory last = PeakMemory();
    Report("save 1,000,000 rows", MsSince(t), last);

    std::ifstream a(std::filesystem::path(in), std::ios::binary),
        b(std::filesystem::path(out), std::ios::binary);
    const bool same =
        std::equal(std::istreambuf_iterator<char>(a), {}, std::istreambuf_iterator<char>(b), {});
    std::printf("rows %d, opened %d, saved %d, identical %d\n", view->GetRowCount(), opened, saved,
                same);
    std::printf("file %.1f MB; peak working set over empty %.1f MB = %.2f x file; "
                "peak pagefile over empty %.1f MB = %.2f x file (target <= 1.5)\n",
                fileMB, last.peakWorkingMB - empty.peakWorkingMB,
                (last.peakWorkingMB - empty.peakWorkingMB) / fileMB,
                last.peakPagefileMB - empty.peakPagefileMB,
                (last.peakPagefileMB - empty.peakPagefileMB) / fileMB);
    host.DestroyWindow();
    DeleteFileW(in.c_str());
    DeleteFileW(out.c_str());
    return opened && saved && same ? 0 : 1;
}
