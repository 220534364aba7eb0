// kiv-vm-relay FILE [REPLUG]: a USB HID relay board made with uhid (16C0:05DF, "USBRelay2",
// id "VMREL"), as the test PC's kernel shows it to programs. Each feature report it is sent
// appends the relays' state after it (bit 0: relay 1) to FILE; ends on SIGTERM. With
// REPLUG, after that many switches the board is destroyed and made again 2 s later, its
// relays off, as a board unplugged and plugged back.
#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Vendor page, one 8-byte feature report without a report id.
const unsigned char kDescriptor[] = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15,
                                     0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x08,
                                     0x09, 0x00, 0xB2, 0x02, 0x01, 0xC0};

volatile sig_atomic_t g_stop = 0;

bool Send(int fd, const uhid_event& event) {
    return write(fd, &event, sizeof event) == ssize_t(sizeof event);
}

bool Create(int fd) {
    uhid_event create{};
    create.type = UHID_CREATE2;
    auto& c = create.u.create2;
    std::strcpy(reinterpret_cast<char*>(c.name), "USBRelay2");
    c.rd_size = sizeof kDescriptor;
    std::memcpy(c.rd_data, kDescriptor, sizeof kDescriptor);
    c.bus = 0x03; // USB
    c.vendor = 0x16C0;
    c.product = 0x05DF;
    return Send(fd, create);
}

bool Destroy(int fd) {
    uhid_event destroy{};
    destroy.type = UHID_DESTROY;
    return Send(fd, destroy);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) return std::fputs("usage: kiv-vm-relay FILE [REPLUG]\n", stderr), 2;
    int replugAfter = argc == 3 ? std::atoi(argv[2]) : 0;
    const int fd = open("/dev/uhid", O_RDWR | O_CLOEXEC);
    FILE* out = std::fopen(argv[1], "a");
    if (fd < 0 || !out) return std::perror("kiv-vm-relay"), 1;
    struct sigaction action {};
    action.sa_handler = [](int) { g_stop = 1; };
    sigaction(SIGTERM, &action, nullptr);

    if (!Create(fd)) return std::perror("kiv-vm-relay: create"), 1;

    unsigned char relays = 0;
    pollfd wait{fd, POLLIN, 0};
    while (!g_stop) {
        if (poll(&wait, 1, 200) <= 0) continue;
        uhid_event event{};
        if (read(fd, &event, sizeof event) <= 0) break;
        uhid_event reply{};
        if (event.type == UHID_GET_REPORT) {
            reply.type = UHID_GET_REPORT_REPLY;
            reply.u.get_report_reply.id = event.u.get_report.id;
            // The report number (0: the board numbers none), then the board's 8 bytes.
            const unsigned char state[9] = {0, 'V', 'M', 'R', 'E', 'L', 0, 0, relays};
            reply.u.get_report_reply.size = sizeof state;
            std::memcpy(reply.u.get_report_reply.data, state, sizeof state);
            Send(fd, reply);
        } else if (event.type == UHID_SET_REPORT) {
            // FF n: relay n on; FD n: off (the report id, 0, comes first).
            const auto& set = event.u.set_report;
            const unsigned char* d = set.data + (set.size > 8 ? 1 : 0);
            if (d[1] >= 1 && d[1] <= 8 && (d[0] == 0xFF || d[0] == 0xFD)) {
                const unsigned char bit = 1u << (d[1] - 1);
                relays = d[0] == 0xFF ? relays | bit : relays & ~bit;
                std::fprintf(out, "%u\n", unsigned(relays));
                std::fflush(out);
            }
            reply.type = UHID_SET_REPORT_REPLY;
            reply.u.set_report_reply.id = set.id;
            Send(fd, reply);
            if (replugAfter > 0 && --replugAfter == 0) {
                Destroy(fd);
                sleep(2);
                relays = 0;
                if (!Create(fd)) return std::perror("kiv-vm-relay: create"), 1;
            }
        }
    }
    Destroy(fd);
    return 0;
}
