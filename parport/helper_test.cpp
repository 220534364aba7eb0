// kiv-parport in its test mode, driven over 127.0.0.1 as tavo.dll drives it: what reaches
// the lines, and what is refused. Each check waits for the helper by a round trip (one
// client at a time, served in order) or by its exit, never by the clock; the bounds on the
// waits only keep a fault from hanging the suite.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include "fd.h"
#include "proc_ports.h"
#include "wire_format.h"

namespace {

using namespace kivwire;
using kivparport::CFd;
namespace fs = std::filesystem;

const std::string kToken = "00112233445566778899aabbccddeeff";
constexpr int kHangGuardMs = 30'000;

// Polls `done` until it holds, or fails after the hang guard.
bool WaitFor(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangGuardMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

struct TempDir {
    fs::path path;
    TempDir() {
        std::string name = (fs::temp_directory_path() / "kiv-parport-XXXXXX").string();
        path = mkdtemp(name.data());
    }
    ~TempDir() { fs::remove_all(path); }
};

// The helper started with `token` in its environment (none when nullopt) and `args`
// (--fake `lines` when empty); its standard error a pipe nobody reads when `muted`.
class CHelper {
public:
    CHelper(const std::optional<std::string>& token, const fs::path& lines,
            std::vector<std::string> args = {}, bool muted = false) {
        if (args.empty()) args = {"--fake", lines};
        int out[2], err[2];
        if (pipe(out) != 0 || pipe(err) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            if (muted) dup2(err[1], STDERR_FILENO);
            token ? setenv("KIV_PARPORT_TOKEN", token->c_str(), 1) : unsetenv("KIV_PARPORT_TOKEN");
            std::vector<char*> argv{const_cast<char*>(KIV_PARPORT)};
            for (auto& arg : args)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            execv(KIV_PARPORT, argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        m_unread = CFd(err[0]);
        FILE* stdoutOf = fdopen(out[0], "r");
        unsigned port = 0;
        pollfd said{out[0], POLLIN, 0};
        if (poll(&said, 1, kHangGuardMs) == 1 && std::fscanf(stdoutOf, "port %u", &port) == 1)
            m_port = std::uint16_t(port);
        std::fclose(stdoutOf);
    }
    ~CHelper() { Stop(SIGKILL); }

    std::uint16_t Port() const { return m_port; }
    pid_t Pid() const { return m_pid; }

    // The exit status once it has ended (after `signal`, unless 0), or -1.
    int Stop(int signal) {
        int status = -1;
        if (m_pid > 0 && (signal == 0 || kill(m_pid, signal) == 0) &&
            !WaitFor([&] { return waitpid(m_pid, &status, WNOHANG) == m_pid; })) {
            ADD_FAILURE() << "the helper did not end";
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
        }
        m_pid = -1;
        return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    std::uint16_t m_port = 0;
    CFd m_unread; // the helper's standard error when muted
};

// Reads on it give up after the hang guard.
CFd Connect(std::uint16_t port) {
    CFd fd(socket(AF_INET, SOCK_STREAM, 0));
    const timeval wait{kHangGuardMs / 1000, 0};
    setsockopt(fd.Get(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
}

void Send(const CFd& fd, const std::vector<std::uint8_t>& bytes) {
    ASSERT_EQ(send(fd.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size()));
}

std::optional<Answer> ReadAnswer(const CFd& fd) {
    std::vector<std::uint8_t> bytes(kAnswerSize);
    recv(fd.Get(), bytes.data(), bytes.size(), MSG_WAITALL);
    return DecodeAnswer(bytes);
}

// Connects, says hello and returns the connection with the helper's status.
std::pair<CFd, std::optional<Status>> Greet(std::uint16_t port, Purpose purpose,
                                            std::uint32_t address = 0x378,
                                            const std::string& token = kToken) {
    CFd fd = Connect(port);
    Send(fd, EncodeHello({purpose, address, token}));
    const auto answer = ReadAnswer(fd);
    return {std::move(fd), answer ? std::optional(answer->status) : std::nullopt};
}

// A query round trip: the helper has dealt with everyone who came before.
void Query(std::uint16_t port) {
    EXPECT_EQ(Greet(port, Purpose::Query).second, Status::Ok);
}

// What a stranger has had from the helper so far: -1 nothing, 0 the end alone, else bytes.
ssize_t Heard(const CFd& fd) {
    std::uint8_t bytes[kAnswerSize];
    const ssize_t got = recv(fd.Get(), bytes, sizeof bytes, MSG_DONTWAIT | MSG_PEEK);
    return got < 0 && errno == EAGAIN ? -1 : std::max<ssize_t>(got, 0);
}

// True once the helper has read all that `client` sent it (/proc/net/tcp's receive queue).
bool ReadByHelper(std::uint16_t port, const CFd& client) {
    sockaddr_in own{};
    socklen_t length = sizeof own;
    getsockname(client.Get(), reinterpret_cast<sockaddr*>(&own), &length);
    std::ifstream in("/proc/net/tcp");
    for (std::string line; std::getline(in, line);) {
        unsigned local = 0, remote = 0, unread = 0;
        if (std::sscanf(line.c_str(), "%*u: %*X:%X %*X:%X %*X %*X:%X", &local, &remote, &unread) ==
                3 &&
            local == port && remote == ntohs(own.sin_port))
            return unread == 0;
    }
    return false;
}

std::vector<int> Lines(const fs::path& file) {
    std::ifstream in(file);
    std::vector<int> values;
    for (int value; in >> value;)
        values.push_back(value);
    return values;
}

TEST(KivParport, PutsTheBytesOfARunOnTheLinesInOrder) {
    const TempDir dir;
    CHelper helper(kToken, dir.path / "lines");
    ASSERT_NE(helper.Port(), 0);
    {
        CFd fd = Connect(helper.Port());
        Send(fd, EncodeHello({Purpose::Query, 0, kToken}));
        EXPECT_EQ(ReadAnswer(fd)->ports, (Ports{0x378, 0, 0}));
    }

    const std::vector<std::uint8_t> run = {1, 2, 4, 8, 16, 32, 64, 128, 255, 9, 9, 0};
    for (int pass = 0; pass < 2; ++pass) {
        auto [fd, status] = Greet(helper.Port(), Purpose::Drive);
        ASSERT_EQ(status, Status::Ok);
        Send(fd, run);
    }
    Query(helper.Port());
    std::vector<int> expected(run.begin(), run.end());
    expected.insert(expected.end(), run.begin(), run.end());
    EXPECT_EQ(Lines(dir.path / "lines"), expected);
    EXPECT_EQ(helper.Stop(SIGTERM), 0);
    EXPECT_EQ(Lines(dir.path / "lines"), expected) << "the lines were off already";
}

TEST(KivParport, RefusesWhatIsNotItsClientAndLeavesTheLinesAlone) {
    const TempDir dir;
    CHelper helper(kToken, dir.path / "lines");
    const auto port = helper.Port();
    ASSERT_NE(port, 0);

    std::string wrong = kToken;
    wrong.back() = '0';
    EXPECT_EQ(Greet(port, Purpose::Drive, 0x378, wrong).second, Status::Refused);
    EXPECT_EQ(Greet(port, Purpose::Query, 0, "").second, Status::Refused);
    EXPECT_EQ(Greet(port, Purpose::Drive, 0x378, kToken + "00").second, Status::Refused);
    EXPECT_EQ(Greet(port, Purpose::Drive, 0x278).second, Status::WrongPort);
    {
        CFd fd = Connect(port);
        Send(fd, {'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P', '/', '1', '.', '1', '\n'});
        EXPECT_EQ(ReadAnswer(fd)->status, Status::Refused);
        const CFd silent = Connect(port); // leaves at once
    }
    // A refused client's bytes after its hello reach nothing either.
    auto [refused, status] = Greet(port, Purpose::Drive, 0x378, wrong);
    send(refused.Get(), "\x07", 1, MSG_NOSIGNAL);
    refused.Reset();

    auto [driver, ok] = Greet(port, Purpose::Drive);
    ASSERT_EQ(ok, Status::Ok);
    EXPECT_EQ(Greet(port, Purpose::Drive).second, Status::Busy);
    Send(driver, {5});
    driver.Reset();
    Query(port);
    EXPECT_EQ(Lines(dir.path / "lines"), (std::vector<int>{5, 0}));

    for (const auto& token : {std::optional<std::string>(), std::optional(kToken.substr(1)),
                              std::optional("zz" + kToken.substr(2))}) {
        CHelper refusing(token, dir.path / "never");
        EXPECT_EQ(refusing.Port(), 0);
        EXPECT_EQ(refusing.Stop(0), 2);
        EXPECT_FALSE(fs::exists(dir.path / "never"));
    }
}

TEST(KivParport, TurnsTheLinesOffWhenTheClientOrTheHelperGoes) {
    const TempDir dir;
    CHelper helper(kToken, dir.path / "lines");
    ASSERT_NE(helper.Port(), 0);
    {
        auto [fd, status] = Greet(helper.Port(), Purpose::Drive);
        ASSERT_EQ(status, Status::Ok);
        Send(fd, {5, 7});
        const linger abort{1, 0}; // the connection is reset, not closed
        setsockopt(fd.Get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    Query(helper.Port());
    EXPECT_EQ(Lines(dir.path / "lines"), (std::vector<int>{5, 7, 0}));

    auto [fd, status] = Greet(helper.Port(), Purpose::Drive);
    ASSERT_EQ(status, Status::Ok);
    Send(fd, {3});
    // Turned away, but the 3 is on the lines by then.
    EXPECT_EQ(Greet(helper.Port(), Purpose::Query).second, Status::Busy);
    EXPECT_EQ(helper.Stop(SIGHUP), 0);
    EXPECT_EQ(Lines(dir.path / "lines"), (std::vector<int>{5, 7, 0, 3, 0}));
}

TEST(KivParport, TakesLptAddressesFromProc) {
    const TempDir dir;
    for (const auto& [name, text] :
         {std::pair{"parport0", "888\t1912\n"}, {"parport2", "632\t-1\n"}}) {
        fs::create_directories(dir.path / name);
        std::ofstream(dir.path / name / "base-addr") << text;
    }
    EXPECT_EQ(kivparport::ReadProcPorts(dir.path), (Ports{888, 0, 632}));
    EXPECT_EQ(kivparport::DeviceIndex("/dev/parport12"), 12);
    EXPECT_EQ(kivparport::DeviceIndex("/dev/lp0"), std::nullopt);
}

TEST(KivParport, StartsOnlyKnowingWhichPortItDrives) {
    const TempDir dir;
    EXPECT_EQ(CHelper(kToken, "", {"--fake", ""}).Stop(0), 2) << "not a start on parport0";
    EXPECT_EQ(CHelper(kToken, "", {"--device", "/dev/null"}).Stop(0), 1) << "no base address";
    const auto free = CHelper(kToken, dir.path / "lines").Port();
    CHelper fixed(kToken, "", {"--fake", dir.path / "lines", "--port", std::to_string(free)});
    ASSERT_EQ(fixed.Port(), free);
    Query(free);
}

// A stranger cannot stall it or freeze the lines.
class Strangers : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(port, 0); }
    std::vector<int> LinesNow() const { return Lines(dir.path / "lines"); }
    // SIGTERM ends it, with the lines off (how soon: bench/README.md).
    void ExpectPromptEnd() {
        EXPECT_EQ(helper.Stop(SIGTERM), 0);
        EXPECT_EQ(LinesNow().back(), 0);
    }
    CFd SlowStranger() { // a hello's head and one byte of its token
        CFd fd = Connect(port);
        auto hello = EncodeHello({Purpose::Drive, 0x378, kToken});
        Send(fd, {hello.begin(), hello.begin() + kHelloHeadSize + 1});
        return fd;
    }

    const TempDir dir;
    CHelper helper{kToken, dir.path / "lines", {}, true};
    const std::uint16_t port = helper.Port();
};

TEST_F(Strangers, SilentAndSlowOnesDoNotDelayARealHello) {
    const CFd silent[] = {Connect(port), Connect(port), Connect(port)};
    const CFd slow = SlowStranger();
    CFd fd = Connect(port);
    Send(fd, EncodeHello({Purpose::Drive, 0x378, kToken}));
    const auto answer = ReadAnswer(fd);
    EXPECT_EQ(Heard(slow), -1) << "answered only once the strangers' 1 s was up";
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, Status::Ok);
}

TEST_F(Strangers, SignalDuringASlowOneEndsAtOnceWithTheLinesOff) {
    {
        auto [driver, ok] = Greet(port, Purpose::Drive);
        ASSERT_EQ(ok, Status::Ok);
        Send(driver, {9});
    }
    Query(port);
    const auto connected = std::chrono::steady_clock::now();
    const CFd slow = SlowStranger();
    // Signalled in the slow hello before its 1 s is up, it ends: the stranger hears the
    // end, not the refusal that a helper waiting on it would send first.
    ASSERT_TRUE(WaitFor([&] { return ReadByHelper(port, slow); }));
    kill(helper.Pid(), SIGTERM);
    const bool inTime = std::chrono::steady_clock::now() - connected < std::chrono::seconds(1);
    ExpectPromptEnd();
    if (inTime) { // on a machine too busy for that, no order to judge
        EXPECT_EQ(Heard(slow), 0);
    }
    EXPECT_EQ(LinesNow(), (std::vector<int>{9, 0}));
}

TEST_F(Strangers, RefusalsNobodyReadsLetTheWholeRunThrough) {
    auto [driver, ok] = Greet(port, Purpose::Drive);
    ASSERT_EQ(ok, Status::Ok);
    std::vector<int> sent;
    for (int i = 1; i <= 5000; ++i) {
        EXPECT_EQ(Greet(port, Purpose::Drive, 0x378, std::string(32, 'f')).second, Status::Refused);
        if (i % 50 == 0) {
            sent.push_back(i / 50);
            Send(driver, {std::uint8_t(sent.back())});
        }
    }
    driver.Reset();
    Query(port);
    sent.push_back(0);
    EXPECT_EQ(LinesNow(), sent);
    EXPECT_EQ(helper.Stop(SIGTERM), 0);
}

TEST_F(Strangers, AClientThatNeverPausesStillLetsASignalIn) {
    auto [driver, ok] = Greet(port, Purpose::Drive);
    ASSERT_EQ(ok, Status::Ok);
    std::thread flood([fd = driver.Get()] {
        const std::vector<std::uint8_t> bytes(65536, 0x55);
        while (send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) > 0) {
        }
    });
    EXPECT_TRUE(WaitFor([&] { return fs::file_size(dir.path / "lines") >= 100000; }));
    ExpectPromptEnd(); // while the client still sends
    shutdown(driver.Get(), SHUT_RDWR);
    flood.join();
}

TEST_F(Strangers, AHelloWhoseClientHasGoneWritesNothing) {
    kill(helper.Pid(), SIGSTOP); // it finds the hello and the end together
    Send(Connect(port), EncodeHello({Purpose::Drive, 0x378, kToken}));
    kill(helper.Pid(), SIGCONT);
    Query(port);
    EXPECT_TRUE(LinesNow().empty());
}

} // namespace
