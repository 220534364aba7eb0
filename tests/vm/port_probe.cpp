// kiv-vm-port: the test PC's view of its parallel port, from outside the program.
//   kiv-vm-port sample ADDRESS FILE  appends each new value of the register at ADDRESS
//                                    (read through /dev/port) to FILE until SIGTERM
//   kiv-vm-port claim DEVICE         claims and releases DEVICE through ppdev, as any
//                                    other program would; status 0 when it could
#include <fcntl.h>
#include <linux/ppdev.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

volatile sig_atomic_t g_stop = 0;

int Sample(const char* address, const char* path) {
    const off_t at = std::strtol(address, nullptr, 0);
    const int port = open("/dev/port", O_RDONLY | O_CLOEXEC);
    FILE* out = std::fopen(path, "a");
    if (port < 0 || !out) return std::perror("kiv-vm-port"), 1;
    struct sigaction action {};
    action.sa_handler = [](int) { g_stop = 1; };
    sigaction(SIGTERM, &action, nullptr);
    int last = -1;
    while (!g_stop) {
        unsigned char value = 0;
        if (pread(port, &value, 1, at) != 1) return std::perror("kiv-vm-port: read"), 1;
        if (value != last) {
            std::fprintf(out, "%u\n", unsigned(value));
            std::fflush(out);
            last = value;
        }
        usleep(200);
    }
    std::fclose(out);
    close(port);
    return 0;
}

int Claim(const char* device) {
    const int fd = open(device, O_RDWR | O_CLOEXEC);
    if (fd < 0 || ioctl(fd, PPCLAIM) != 0) {
        std::fprintf(stderr, "kiv-vm-port: cannot claim %s: %s\n", device, std::strerror(errno));
        return 1;
    }
    ioctl(fd, PPRELEASE);
    close(fd);
    std::printf("claimed %s\n", device);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && !std::strcmp(argv[1], "sample")) return Sample(argv[2], argv[3]);
    if (argc == 3 && !std::strcmp(argv[1], "claim")) return Claim(argv[2]);
    std::fputs("usage: kiv-vm-port sample ADDRESS FILE | claim DEVICE\n", stderr);
    return 2;
}
