// What one W_P costs the run thread: the serial back end (each protocol, to COM7, a pty
// recorded to a file) beside the virtual ports, in the same run. Start it with the ptys
// around it:
//   tools/with-serial-ptys <build> -- tools/wine <build>/bin/serial_bench.exe
#include <cstdio>

#include "bench/tavo_writes.h"

namespace {

// The bytes that came out of COM7 so far.
std::size_t Captured() {
    const wchar_t* path = _wgetenv(L"KIV_SERIAL_CAPTURE");
    return kivdrv::ReadFileBytes(path).value_or(std::vector<std::uint8_t>{}).size();
}

} // namespace

int main() {
    using tavobench::TimeWrites;
    if (!_wgetenv(L"KIV_SERIAL_CAPTURE")) {
        std::fputs("serial_bench: start it through tools/with-serial-ptys\n", stderr);
        return 2;
    }
    const kivdrv::CScopedEnv port(L"TAVO_SERIAL_PORT", L"COM7");
    bool measured = true;
    for (const wchar_t* protocol : {L"byte", L"lcus", L"enttec"}) {
        const kivdrv::CScopedEnv chosen(L"TAVO_SERIAL_PROTOCOL", protocol);
        const std::size_t before = Captured();
        const auto serial = TimeWrites(L"serial");
        Sleep(1000); // the last frames on their way through socat
        const std::size_t written = Captured() - before;
        std::printf("W_P, %d calls: serial %ls median %.1f us, 99th percentile %.1f us; "
                    "%zu bytes reached the board\n",
                    tavobench::kWrites, protocol, serial.medianUs, serial.p99Us, written);
        measured = measured && serial.medianUs > 0 && written > 0;
    }
    const auto virtualPorts = TimeWrites(L"virtual");
    std::printf("W_P, %d calls: virtual median %.1f us, 99th percentile %.1f us\n",
                tavobench::kWrites, virtualPorts.medianUs, virtualPorts.p99Us);
    return measured && virtualPorts.medianUs > 0 ? 0 : 1;
}
