// What one W_P costs the run thread on a private copy of tavo.dll with a given back end:
// shared by the benchmarks of the back ends.
#pragma once

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "driver/files.h"
#include "driver/program.h"
#include "tavo/exports/tavo.h"

namespace tavobench {

constexpr int kWrites = 20000;

struct Figures {
    double medianUs = 0, p99Us = 0;
};

template <typename Fn> Fn* Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn*>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// kWrites calls of W_P with `backend`, each timed alone.
inline Figures TimeWrites(const wchar_t* backend) {
    const kivdrv::CTempDir dir;
    std::filesystem::copy_file(kivdrv::ProgramFolder() + L"tavo.dll", dir / "tavo.dll");
    const kivdrv::CScopedEnv chosen(L"TAVO_BACKEND", backend);
    const kivdrv::CScopedEnv lamps(L"TAVO_LAMPS", L"0");
    const kivdrv::CScopedEnv lpt(L"TAVO_LPT", L"378,0,0");
    const HMODULE module = LoadLibraryW((dir / "tavo.dll").c_str());
    if (!module) return {};
    const auto open = Export<decltype(::OpenPrt)>(module, "OpenPrt");
    const auto write = Export<decltype(::W_P)>(module, "W_P");
    const auto close = Export<decltype(::ClosePrt)>(module, "ClosePrt");

    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> micros;
    micros.reserve(kWrites);
    const auto handle = open(0x378, 1, 1);
    for (int i = 0; i < kWrites; ++i) {
        QueryPerformanceCounter(&before);
        write(handle, i & 0xFF, 0);
        QueryPerformanceCounter(&after);
        micros.push_back(double(after.QuadPart - before.QuadPart) * 1e6 /
                         double(frequency.QuadPart));
    }
    write(handle, 0, 0);
    close(handle);
    FreeLibrary(module);
    std::sort(micros.begin(), micros.end());
    return {micros[micros.size() / 2], micros[micros.size() * 99 / 100]};
}

} // namespace tavobench
