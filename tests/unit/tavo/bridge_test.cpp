// The bridge back end end to end: tavo.dll under Wine against kiv-parport in its test
// mode, started around this program by tools/with-kiv-parport (TAVO_BRIDGE, the token,
// and KIV_PARPORT_LINES naming the file the helper records the lines in).
#include <gtest/gtest.h>

#include <winsock2.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>
#include <utility>

#include "driver/driver.h"
#include "driver/lamps.h"
#include "parport/wire_format.h"
#include "serial_decode.h"
#include "tavo_copy.h"

namespace {

using kivdrv::CScopedEnv;
using tavotest::CTavo;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The values the helper has put on the lines so far.
std::vector<int> Lines() {
    std::string path = "Z:" + Env("KIV_PARPORT_LINES");
    std::replace(path.begin(), path.end(), '/', '\\');
    std::ifstream in(path);
    std::vector<int> values;
    for (int value; in >> value;)
        values.push_back(value);
    return values;
}

// Waits until the helper has put `count` values on the lines, or gives up after a while.
std::vector<int> LinesOnceThere(std::size_t count) {
    for (int i = 0; i < 200 && Lines().size() < count; ++i)
        Sleep(50);
    return Lines();
}

// The library with the bridge settings of tavo.ini only.
struct BridgeSetup {
    std::string bridge = Env("TAVO_BRIDGE");
    std::optional<std::wstring> token = std::nullopt; // nullopt: the helper's own
};

struct CBridgeTavo {
    explicit CBridgeTavo(const BridgeSetup& setup, std::optional<std::wstring> trace = {})
        : token(L"KIV_PARPORT_TOKEN", setup.token ? setup.token : Widen(Env("KIV_PARPORT_TOKEN"))),
          tavo({std::nullopt, "backend = bridge\nbridge = " + setup.bridge + "\n", trace}) {}
    static std::wstring Widen(const std::string& text) { return {text.begin(), text.end()}; }
    // Settings only from tavo.ini: the helper's variables are set around this program.
    const CScopedEnv backend{L"TAVO_BACKEND", std::nullopt};
    const CScopedEnv bridge{L"TAVO_BRIDGE", std::nullopt};
    const CScopedEnv token;
    CTavo tavo;
};

// How many trace lines have `call` and, for notes, contain `part`.
long Count(const std::filesystem::path& trace, std::string_view call, std::string_view part = "") {
    const auto records = kivdrv::ReadTrace(trace).value_or(std::vector<tavo::TraceRecord>{});
    return std::count_if(records.begin(), records.end(), [&](const tavo::TraceRecord& r) {
        return r.call == call && r.text.find(part) != std::string::npos;
    });
}

TEST(TavoBridge, PlaysRunsWhoseBytesReachTheLinesInOrder) {
    ASSERT_FALSE(Env("KIV_PARPORT_LINES").empty()) << "run through tools/with-kiv-parport";
    const auto before = Lines();
    CBridgeTavo bridge({});
    auto& tavo = bridge.tavo;
    std::uint32_t lpt[3] = {};
    EXPECT_EQ(tavo.CountLPT(&lpt[0], &lpt[1], &lpt[2]), 1);
    EXPECT_EQ(lpt[0], 0x378u);

    std::vector<int> expected = before;
    // Two runs one after the other, as Stop and Start at once give them.
    for (const auto& run :
         {std::vector<int>{1, 128, 9, 255, 1, 128, 9, 255, 0}, std::vector<int>{3, 3, 3, 0}}) {
        const auto handle = tavo.OpenPrt(0x378, 1, 1);
        for (const int value : run)
            tavo.W_P(handle, value, 0);
        tavo.ClosePrt(handle);
        expected.insert(expected.end(), run.begin(), run.end());
    }
    EXPECT_EQ(LinesOnceThere(expected.size()), expected);
}

// A helper that lets a client in and then goes away.
class CVanishingHelper {
public:
    CVanishingHelper() {
        sockaddr_in at{AF_INET, 0, {}, {}};
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof at;
        bind(m_listener, reinterpret_cast<sockaddr*>(&at), size);
        listen(m_listener, 1);
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&at), &size);
        endpoint = "127.0.0.1:" + std::to_string(ntohs(at.sin_port));
    }
    ~CVanishingHelper() { closesocket(m_listener); }

    // Answers a client Ok with each of `answers` in turn, dropping it at once; nullopt:
    // says nothing, as a helper still starting, until the next client comes.
    void Serve(std::vector<std::optional<kivwire::Ports>> answers) {
        m_thread = std::jthread([this, answers] {
            SOCKET silent = INVALID_SOCKET;
            for (const auto& ports : answers) {
                const SOCKET client = accept(m_listener, nullptr, nullptr);
                closesocket(std::exchange(silent, client));
                char hello[256];
                recv(client, hello, sizeof hello, 0);
                if (!ports) continue;
                const auto answer = kivwire::EncodeAnswer({kivwire::Status::Ok, *ports});
                send(client, reinterpret_cast<const char*>(answer.data()), int(answer.size()), 0);
                closesocket(std::exchange(silent, INVALID_SOCKET));
            }
        });
    }

private:
    WSADATA m_wsa{};
    const int m_started = WSAStartup(MAKEWORD(2, 2), &m_wsa);
    const SOCKET m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    std::jthread m_thread;

public:
    std::string endpoint;
};

const kivwire::Ports kLpt1{0x378, 0, 0};
const std::wstring kNoHelper = L"LPT1 378h (нет связи с kiv-parport)";
const std::wstring kUnset = L"LPT1 378h (kiv-parport не настроен)";

TEST(TavoBridge, AHelperThatIsGoneOrRefusesCostsTheLinesNeverTheProgram) {
    const auto before = Lines();
    const kivdrv::CTempDir dir;
    std::string closedPort;
    {
        const CVanishingHelper nobody; // its port, closed again: nothing listens there
        closedPort = nobody.endpoint;
    }
    CVanishingHelper vanishing;
    vanishing.Serve({kLpt1, kLpt1}); // CountLPT's question, then OpenPrt
    // Each failure shows the lamps with its note, though TAVO_LAMPS is 0.
    const struct {
        BridgeSetup setup;
        std::string note;
        std::wstring caption;
    } cases[] = {
        {{closedPort}, "bridge: CountLPT: kiv-parport at " + closedPort, kNoHelper},
        {{vanishing.endpoint}, "bridge: connection lost", kNoHelper},
        {{Env("TAVO_BRIDGE"), std::wstring(32, L'0')},
         "kiv-parport refused, status 1",
         L"LPT1 378h (kiv-parport: неверный ключ)"},
        {{Env("TAVO_BRIDGE"), L"short"}, "falling back to virtual ports", kUnset},
        {{Env("TAVO_BRIDGE"), L""}, "falling back to virtual ports", kUnset},
        {{"localhost:5"}, "ignored: not 127.0.0.1:port", kUnset},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto trace = dir / ("trace" + std::to_string(i));
        CBridgeTavo bridge(cases[i].setup, trace.wstring());
        auto& tavo = bridge.tavo;
        std::uint32_t lpt[3] = {};
        EXPECT_EQ(tavo.CountLPT(&lpt[0], &lpt[1], &lpt[2]), 1);
        const auto handle = tavo.OpenPrt(0x378, 1, 1);
        for (int row = 0; row < 20; ++row) {
            tavo.W_P(handle, 0xA5, 0);
            Sleep(1);
        }
        tavo.W_P(handle, 0, 0);
        tavo.ClosePrt(handle);
        EXPECT_GE(Count(trace, "note", cases[i].note), 1) << "case " << i;
        EXPECT_TRUE(kivdrv::WaitForLampPanel(GetCurrentProcessId(), cases[i].caption)) << i;
        EXPECT_EQ(Count(trace, "W_P"), 21) << "the trace is that of any back end";
    }
    EXPECT_EQ(Lines(), before) << "nothing reached the real helper's lines";
}

// A helper still starting when CountLPT asks: the default stands for the program, and the
// library asks again at the next OpenPrt and drives the same LPT at the address answered.
TEST(TavoBridge, PortsAreAskedAgainUntilTheHelperHasAnswered) {
    const kivdrv::CTempDir dir;
    CVanishingHelper slow;
    slow.Serve({std::nullopt, kivwire::Ports{0x3BC, 0, 0}, kLpt1});
    CBridgeTavo bridge({slow.endpoint}, (dir / "trace").wstring());
    std::uint32_t lpt[3] = {};
    EXPECT_EQ(bridge.tavo.CountLPT(&lpt[0], &lpt[1], &lpt[2]), 1);
    EXPECT_EQ(lpt[0], 0x378u);
    bridge.tavo.OpenPrt(0x378, 1, 1);
    EXPECT_EQ(Count(dir / "trace", "note", "ports known only now: lpt = 3bc,0,0"), 1);
    EXPECT_EQ(Count(dir / "trace", "note", "LPT1 378h as CountLPT told it drives LPT1 3bch"), 1);
    // The note of the failed question was kept, and the opened port's own news replaced it.
    EXPECT_TRUE(kivdrv::WaitForLampPanel(GetCurrentProcessId(), L"LPT1 3bch"));
}

// A helper on a port of its own that takes one client at a time and records the bytes
// it is sent; it can end and start again on the same port, as kiv-parport restarted does.
class CRestartingHelper {
public:
    CRestartingHelper() { Start(); }
    ~CRestartingHelper() { End(); }

    // Listens, on the port it had when it starts again; what it received is forgotten.
    void Start() {
        m_received.clear();
        m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        const BOOL reuse = TRUE;
        setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
                   sizeof reuse);
        sockaddr_in at{AF_INET, m_port, {}, {}};
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof at;
        EXPECT_EQ(bind(m_listener, reinterpret_cast<sockaddr*>(&at), size), 0);
        listen(m_listener, 1);
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&at), &size);
        m_port = at.sin_port;
        m_thread = std::jthread([this](std::stop_token stop) { Serve(stop); });
    }
    // Closes the client's connection and stops listening.
    void End() {
        m_thread = {};
        closesocket(std::exchange(m_listener, INVALID_SOCKET));
    }
    std::string Endpoint() const { return "127.0.0.1:" + std::to_string(ntohs(m_port)); }
    std::vector<int> Received() {
        const std::lock_guard lock(m_mutex);
        return m_received;
    }

private:
    // Waits a tenth of a second at most for `socket` to be readable, so a stop is heard.
    static bool Readable(SOCKET socket) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket, &readable);
        timeval wait{0, 100'000};
        return select(0, &readable, nullptr, nullptr, &wait) > 0;
    }
    void Serve(const std::stop_token& stop) {
        while (!stop.stop_requested())
            if (Readable(m_listener)) Drive(stop, accept(m_listener, nullptr, nullptr));
    }
    // Answers a client Ok and records what it sends until it leaves.
    void Drive(const std::stop_token& stop, SOCKET client) {
        char hello[256];
        recv(client, hello, sizeof hello, 0);
        const auto answer = kivwire::EncodeAnswer({kivwire::Status::Ok, kLpt1});
        send(client, reinterpret_cast<const char*>(answer.data()), int(answer.size()), 0);
        for (char byte = 0; !stop.stop_requested();) {
            if (!Readable(client)) continue;
            if (recv(client, &byte, 1, 0) != 1) break;
            const std::lock_guard lock(m_mutex);
            m_received.push_back(std::uint8_t(byte));
        }
        closesocket(client);
    }

    WSADATA m_wsa{};
    const int m_started = WSAStartup(MAKEWORD(2, 2), &m_wsa);
    SOCKET m_listener = INVALID_SOCKET;
    u_short m_port = 0; // in network order
    std::mutex m_mutex;
    std::vector<int> m_received;
    std::jthread m_thread;
};

TEST(TavoBridge, AHelperStartedAgainDuringARunGetsTheRowsAgain) {
    const kivdrv::CTempDir dir;
    const auto trace = dir / "trace";
    CRestartingHelper helper;
    CBridgeTavo bridge({helper.Endpoint()}, trace.wstring());
    auto& tavo = bridge.tavo;
    const auto received = [&](const std::vector<int>& rows) {
        return kivdrv::WaitUntil([&] { return helper.Received() == rows; });
    };
    const auto handle = tavo.OpenPrt(0x378, 1, 1);
    tavo.W_P(handle, 1, 0);
    ASSERT_TRUE(received({1}));
    helper.End();
    // Rows go on; the library finds the helper gone at a send.
    ASSERT_TRUE(tavotest::PlayUntil(tavo, handle, 10,
                                    [&] { return Count(trace, "note", "connection lost") > 0; }));
    EXPECT_TRUE(kivdrv::WaitForLampPanel(GetCurrentProcessId(), kNoHelper));
    tavo.W_P(handle, 3, 0);
    helper.Start();
    // The row on the lines reaches the helper started again unasked, then each new one.
    EXPECT_TRUE(received({3})) << testing::PrintToString(helper.Received());
    tavo.W_P(handle, 4, 0);
    EXPECT_TRUE(received({3, 4})) << testing::PrintToString(helper.Received());
    EXPECT_TRUE(kivdrv::WaitForLampPanel(GetCurrentProcessId(), L"LPT1 378h"));
    tavo.ClosePrt(handle);
    EXPECT_EQ(Count(trace, "note", "connection lost"), 1);
    EXPECT_EQ(Count(trace, "note", "connected again"), 1);
}

// A helper still away at OpenPrt: the run's row reaches it once it starts.
TEST(TavoBridge, AHelperAwayAtOpenPrtGetsTheRowOnceItStarts) {
    CRestartingHelper helper;
    helper.End();
    CBridgeTavo bridge({helper.Endpoint()});
    const auto handle = bridge.tavo.OpenPrt(0x378, 1, 1);
    bridge.tavo.W_P(handle, 3, 0);
    helper.Start();
    EXPECT_TRUE(kivdrv::WaitUntil([&] { return helper.Received() == std::vector<int>{3}; }))
        << testing::PrintToString(helper.Received());
    bridge.tavo.ClosePrt(handle);
}

} // namespace
