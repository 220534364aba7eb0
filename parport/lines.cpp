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

class CPpdevLines final : public CLines {
public:
    CPpdevLines(int fd, std::string device, std::string procPort)
        : m_fd(fd), m_device(std::move(device)), m_procPort(std::move(procPort)) {}
    ~CPpdevLines() override { Release(); }

    ClaimResult Claim() override {
        // Exclusive: no other driver may share the port while we drive it.
        if (ioctl(m_fd.Get(), PPEXCL) != 0 || ioctl(m_fd.Get(), PPCLAIM) != 0) {
            Complain("cannot claim", m_device);
            // Debian's printing packages load lp, which registers on every port and so
            // makes an exclusive claim fail; the user can only mend it by unloading lp.
            std::error_code error;
            return std::filesystem::exists(m_procPort + "/devices/lp", error)
                       ? ClaimResult::HeldByPrinterDriver
                       : ClaimResult::Failed;
        }
        m_claimed = true;
        return ClaimResult::Claimed;
    }

    bool Write(std::uint8_t value) override {
        unsigned char data = value;
        if (ioctl(m_fd.Get(), PPWDATA, &data) == 0) return true;
        Complain("cannot write to", m_device);
        return false;
    }

    void Release() override {
        if (m_claimed) ioctl(m_fd.Get(), PPRELEASE);
        m_claimed = false;
    }

private:
    CFd m_fd;
    std::string m_device;
    std::string m_procPort;
    bool m_claimed = false;
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
    const int fd = open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        Complain("cannot open", device);
        return nullptr;
    }
    return std::make_unique<CPpdevLines>(fd, device, procPort);
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
