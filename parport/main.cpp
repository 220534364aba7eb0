// kiv-parport: owns one Linux parallel port (ppdev) and puts on its data lines the bytes
// that tavo.dll sends over 127.0.0.1, for the program running under Wine.
//
//   KIV_PARPORT_TOKEN=<32..128 hex digits> kiv-parport [--device /dev/parportN] [--fake FILE]
//
// Prints "port N" as its first line once it listens. Lines go to 0 and the port is
// released when a client leaves and when the helper ends (SIGINT, SIGTERM, SIGHUP).
#include <signal.h>
#include <sys/signalfd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fd.h"
#include "lines.h"
#include "proc_ports.h"
#include "server.h"

namespace {

using namespace kivparport;

constexpr std::uint32_t kFakeAddress = 0x378;

struct Options {
    std::string device = "/dev/parport0";
    std::string fakeFile; // empty: drive the device
};

int Usage() {
    std::fputs("usage: KIV_PARPORT_TOKEN=<hex> kiv-parport [--device /dev/parportN] "
               "[--fake FILE]\n",
               stderr);
    return 2;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return false;
        if (arg == "--device")
            options.device = argv[++i];
        else if (arg == "--fake")
            options.fakeFile = argv[++i];
        else
            return false;
    }
    return true;
}

// The signals that end the helper arrive as a readable descriptor, so the loop notices
// them between two writes and never in the middle of one.
CFd BlockEndSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int s : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&set, s);
    if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) return CFd();
    return CFd(signalfd(-1, &set, SFD_CLOEXEC));
}

ServerConfig Describe(const Options& options, std::string token) {
    ServerConfig config{std::move(token), {kFakeAddress, 0, 0}, kFakeAddress};
    if (!options.fakeFile.empty()) return config;
    config.ports = ReadProcPorts(kProcParport);
    const auto index = DeviceIndex(options.device);
    config.ownAddress = index ? ReadBaseAddress(kProcParport, *index) : 0;
    if (config.ownAddress == 0)
        std::fprintf(stderr, "kiv-parport: base address of %s unknown: any port accepted\n",
                     options.device.c_str());
    return config;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) return Usage();
    const char* token = std::getenv("KIV_PARPORT_TOKEN");
    if (!token || !kivwire::IsValidToken(token)) {
        std::fputs("kiv-parport: KIV_PARPORT_TOKEN must hold 32 to 128 hexadecimal digits "
                   "(at least 128 bits)\n",
                   stderr);
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    const CFd signals = BlockEndSignals();
    if (!signals.IsOpen()) {
        std::perror("kiv-parport: signals");
        return 1;
    }
    const auto lines =
        options.fakeFile.empty() ? OpenPpdevLines(options.device) : OpenFakeLines(options.fakeFile);
    if (!lines) return 1;

    CServer server(*lines, Describe(options, token));
    const auto port = server.Listen();
    if (port == 0) return 1;
    std::printf("port %u\n", unsigned(port));
    std::fflush(stdout);
    server.Run(signals.Get());
    return 0;
}
