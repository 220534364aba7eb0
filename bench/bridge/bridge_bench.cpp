// What one W_P costs the run thread: the bridge (a byte to kiv-parport over 127.0.0.1)
// beside the virtual ports, in the same run. Start it with the helper around it:
//   tools/with-kiv-parport <build>/bin/kiv-parport --fake /tmp/lines --
//       tools/wine <build>/bin/bridge_bench.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "driver/files.h"
#include "driver/program.h"
#include "tavo/tavo.h"

namespace {

constexpr int kWrites = 20000;

struct Figures {
    double medianUs = 0, p99Us = 0;
};

template <typename Fn> Fn* Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn*>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// kWrites calls of W_P on a private copy of tavo.dll with `backend`, each timed alone.
Figures TimeWrites(const wchar_t* backend) {
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

} // namespace

int main() {
    if (!std::getenv("TAVO_BRIDGE") || !std::getenv("KIV_PARPORT_TOKEN")) {
        std::fputs("bridge_bench: start it through tools/with-kiv-parport\n", stderr);
        return 2;
    }
    const Figures bridge = TimeWrites(L"bridge");
    const Figures virtualPorts = TimeWrites(L"virtual");
    std::printf("W_P, %d calls each: bridge median %.1f us, 99th percentile %.1f us; "
                "virtual median %.1f us, 99th percentile %.1f us\n",
                kWrites, bridge.medianUs, bridge.p99Us, virtualPorts.medianUs, virtualPorts.p99Us);
    return bridge.medianUs > 0 && virtualPorts.medianUs > 0 ? 0 : 1;
}
