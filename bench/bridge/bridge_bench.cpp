// What one W_P costs the run thread: the bridge (a byte to kiv-parport over 127.0.0.1)
// beside the virtual ports, in the same run. Start it with the helper around it:
//   tools/with-kiv-parport <build>/bin/kiv-parport --fake /tmp/lines --
//       tools/wine <build>/bin/bridge_bench.exe
#include <cstdio>
#include <cstdlib>

#include "bench/tavo_writes.h"

int main() {
    using tavobench::TimeWrites;
    if (!std::getenv("TAVO_BRIDGE") || !std::getenv("KIV_PARPORT_TOKEN")) {
        std::fputs("bridge_bench: start it through tools/with-kiv-parport\n", stderr);
        return 2;
    }
    const auto bridge = TimeWrites(L"bridge");
    const auto virtualPorts = TimeWrites(L"virtual");
    std::printf("W_P, %d calls each: bridge median %.1f us, 99th percentile %.1f us; "
                "virtual median %.1f us, 99th percentile %.1f us\n",
                tavobench::kWrites, bridge.medianUs, bridge.p99Us, virtualPorts.medianUs,
                virtualPorts.p99Us);
    return bridge.medianUs > 0 && virtualPorts.medianUs > 0 ? 0 : 1;
}
