#include "lines.h"

#include "fd.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <linux/ppdev.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "log.h"

namespace kivparport {
namespace {

void Complain(const char* what, const std::string& name) {
    LogLine(std::string(what) + " " + name + ": " + std::strerror(errno));
}

// The device is open only while a client drives it: ppdev keeps an exclusive
// registration until the descriptor closes, and no other program (nor lp) could then use
// the port while the helper waits for the next client.
class CPpdevLines final : public CLines {
public:
    CPpdevLines(std::string device, std::string procPort)
        : m_device(std::move(device)), m_procPort(std::move(procPort)) {}
    ~CPpdevLines() override { Release(); }

    ClaimResult Claim() override {
        CFd fd(open(m_device.c_str(), O_RDWR | O_CLOEXEC));
        if (!fd.IsOpen()) {
            Complain("cannot open", m_device);
            return ClaimResult::Failed;
        }
        // Exclusive: no other driver may share the port while we drive it.
        if (ioctl(fd.Get(), PPEXCL) != 0 || ioctl(fd.Get(), PPCLAIM) != 0) {
            Complain("cannot claim", m_device);
            // Debian's printing packages load lp, which registers on every port and so
            // makes an exclusive claim fail; the user can only mend it by unloading lp.
            std::error_code error;
            return std::filesystem::exists(m_procPort + "/devices/lp", error)
                       ? ClaimResult::HeldByPrinterDriver
                       : ClaimResult::Failed;
        }
        m_fd = std::move(fd);
        return ClaimResult::Claimed;
    }

    bool Write(std::uint8_t value) override {
        unsigned char data = value;
        if (ioctl(m_fd.Get(), PPWDATA, &data) == 0) return true;
        Complain("cannot write to", m_device);
        return false;
    }

    void Release() override {
        if (m_fd.IsOpen()) ioctl(m_fd.Get(), PPRELEASE);
        m_fd.Reset();
    }

private:
    std::string m_device;
    std::string m_procPort;
    CFd m_fd; // open while claimed
};

class CFakeLines final : public CLines {
public:
    CFakeLines(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}

    ClaimResult Claim() override { return ClaimResult::Claimed; }
    bool Write(std::uint8_t value) override {
        char line[8];
        const int length = std::snprintf(line, sizeof line, "%u\n", unsigned(value));
        if (write(m_fd.Get(), line, length) == length) return true;
        Complain("cannot write to", m_path);
        return false;
    }
    void Release() override {}

private:
    CFd m_fd;
    std::string m_path;
};

} // namespace

std::unique_ptr<CLines> OpenPpdevLines(const std::string& device, const std::string& procPort) {
    // Opened once here, so a device that cannot be opened stops the helper at its start.
    if (!CFd(open(device.c_str(), O_RDWR | O_CLOEXEC)).IsOpen()) {
        Complain("cannot open", device);
        return nullptr;
    }
    return std::make_unique<CPpdevLines>(device, procPort);
}

std::unique_ptr<CLines> OpenFakeLines(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        Complain("cannot open", path);
        return nullptr;
    }
    return std::make_unique<CFakeLines>(fd, path);
}

} // namespace kivparport
