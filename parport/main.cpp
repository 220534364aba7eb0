// kiv-parport: owns one Linux parallel port (ppdev) and puts on its data lines the bytes
// that tavo.dll sends over 127.0.0.1, for the program running under Wine.
//
//   KIV_PARPORT_TOKEN=<32..128 hex digits> kiv-parport [--device /dev/parportN]
//                                                       [--fake FILE] [--port N]
//
// Prints "port N" as its first line once it listens (on N when given, else a free port).
// Lines go to 0 and the port is released when a client leaves and when the helper ends
// (SIGINT, SIGTERM, SIGHUP). The token comes from the environment only: a command line is
// visible to every user.
#include <signal.h>
#include <sys/signalfd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
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
    std::optional<std::string> fakeFile; // nullopt: drive the device
    std::uint16_t port = 0;
};

int Usage() {
    std::fputs("usage: KIV_PARPORT_TOKEN=<hex> kiv-parport [--device /dev/parportN] "
               "[--fake FILE] [--port 1..65535]\n",
               stderr);
    return 2;
}

std::optional<std::uint16_t> ParsePort(const std::string& text) {
    char* end = nullptr;
    const unsigned long port = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || text[0] < '0' || text[0] > '9' || *end || port == 0 || port > 65535)
        return std::nullopt;
    return std::uint16_t(port);
}

// An empty value is refused rather than taken as "not given": `--fake ""` must never
// end up driving a real device.
bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc || !*argv[i + 1]) return false;
        const std::string value = argv[++i];
        if (arg == "--device") {
            options.device = value;
        } else if (arg == "--fake") {
            options.fakeFile = value;
        } else if (arg == "--port") {
            const auto port = ParsePort(value);
            if (!port) return false;
            options.port = *port;
        } else {
            return false;
        }
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

std::string ProcPort(int index) {
    return std::string(kProcParport) + "/parport" + std::to_string(index);
}

// The addresses to report and the one this helper drives. Without its own address the
// helper could not tell a client asking for another port from one asking for ours, and
// would drive the wrong port: so it does not start.
std::optional<ServerConfig> Describe(const Options& options, std::optional<int> index,
                                     std::string token) {
    ServerConfig config{std::move(token), {kFakeAddress, 0, 0}, kFakeAddress, options.port};
    if (options.fakeFile) return config;
    config.ports = ReadProcPorts(kProcParport);
    config.ownAddress = index ? ReadBaseAddress(kProcParport, *index) : 0;
    if (config.ownAddress != 0) return config;
    std::fprintf(stderr,
                 "kiv-parport: cannot tell the base address of %s (%s/parportN/base-addr), so "
                 "cannot tell which port clients mean\n",
                 options.device.c_str(), kProcParport);
    return std::nullopt;
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
    const auto index = DeviceIndex(options.device);
    auto config = Describe(options, index, token);
    if (!config) return 1;
    const auto lines = options.fakeFile
                           ? OpenFakeLines(*options.fakeFile)
                           : OpenPpdevLines(options.device, ProcPort(index.value_or(0)));
    if (!lines) return 1;

    CServer server(*lines, std::move(*config));
    const auto port = server.Listen();
    if (port == 0) return 1;
    std::printf("port %u\n", unsigned(port));
    std::fflush(stdout);
    server.Run(signals.Get());
    return 0;
}
