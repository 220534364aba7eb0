// The network back ends as a lighting receiver sees them: a UDP socket on 127.0.0.1 takes
// the datagrams of a run and decodes them field by field. The runs are also saved as
// pcap files beside the test, for an independent decoder (net_tshark.sh).
#include <gtest/gtest.h>

#include <winsock2.h>

#include <windows.h>

#include <algorithm>
#include <deque>
#include <map>

#include "driver/driver.h"
#include "tavo/tavo.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Env = std::map<std::wstring, std::wstring>;

// A receiver on 127.0.0.1 at a port of its own.
class CReceiver {
public:
    CReceiver() {
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 2), &wsa);
        m_socket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in at{AF_INET, 0, {}, {}};
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof at;
        const int buffer = 1 << 20;
        setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&buffer),
                   sizeof buffer);
        EXPECT_EQ(bind(m_socket, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&at), &size);
        m_port = ntohs(at.sin_port);
    }
    ~CReceiver() { closesocket(m_socket); }

    std::wstring Target() const { return L"127.0.0.1:" + std::to_wstring(m_port); }

    // Takes datagrams until `count` have come in all, or none came for `waitMs`.
    const std::vector<Bytes>& Take(std::size_t count, DWORD waitMs = 10'000) {
        setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&waitMs),
                   sizeof waitMs);
        char buffer[2048];
        while (m_got.size() < count) {
            const int size = recv(m_socket, buffer, sizeof buffer, 0);
            if (size < 0) break;
            m_got.emplace_back(buffer, buffer + size);
        }
        return m_got;
    }

private:
    SOCKET m_socket;
    std::uint16_t m_port = 0;
    std::vector<Bytes> m_got;
};

// A private copy of tavo.dll loaded with the given TAVO_* variables (others unset).
class CNetTavo {
public:
    explicit CNetTavo(const Env& env) {
        std::filesystem::copy_file(kivdrv::ProgramFolder() + L"tavo.dll", m_dir / "tavo.dll");
        std::deque<kivdrv::CScopedEnv> scoped;
        for (const auto* name : {L"TAVO_BACKEND", L"TAVO_NET_TARGET", L"TAVO_LPT", L"TAVO_UNIVERSE",
                                 L"TAVO_CHANNEL", L"TAVO_LEVEL", L"TAVO_LAMPS", L"TAVO_TRACE"}) {
            const auto it = env.find(name);
            scoped.emplace_back(name, it == env.end() ? std::nullopt : std::optional(it->second));
        }
        m_module = LoadLibraryW((m_dir / "tavo.dll").c_str());
        EXPECT_TRUE(m_module);
    }
    ~CNetTavo() { FreeLibrary(m_module); }

    // Frees the library and tells whether it is really gone, as it must be once every
    // port is closed; the keep-alive thread lets go a moment after the last ClosePrt.
    bool Unload() {
        FreeLibrary(std::exchange(m_module, nullptr));
        const auto path = (m_dir / "tavo.dll").wstring();
        for (int i = 0; i < 100 && GetModuleHandleW(path.c_str()); ++i)
            Sleep(50);
        return !GetModuleHandleW(path.c_str());
    }

    template <typename Fn> Fn* Find(const char* name) const {
        return reinterpret_cast<Fn*>(reinterpret_cast<void (*)()>(GetProcAddress(m_module, name)));
    }

private:
    kivdrv::CTempDir m_dir;
    HMODULE m_module = nullptr;
};

// One run as the program makes it, with a wait for two keep-alive repeats of the last row
// before the final 0 where packets are `expected`. Returns the datagrams the receiver got.
std::vector<Bytes> PlayRun(const Env& env, std::uint32_t address, const Bytes& pattern,
                           bool expected = true) {
    CReceiver receiver;
    Env withTarget = env;
    withTarget.try_emplace(L"TAVO_NET_TARGET", receiver.Target());
    withTarget.try_emplace(L"TAVO_LAMPS", L"0"); // the virtual fallback would show them
    CNetTavo tavo(withTarget);
    const auto handle = tavo.Find<decltype(::OpenPrt)>("OpenPrt")(address, 1, 1);
    const auto W_P = tavo.Find<decltype(::W_P)>("W_P");
    for (const auto value : pattern)
        W_P(handle, value, 0);
    if (expected) receiver.Take(pattern.size() + 2);
    W_P(handle, 0, 0);
    tavo.Find<decltype(::ClosePrt)>("ClosePrt")(handle);
    EXPECT_TRUE(tavo.Unload());
    return receiver.Take(SIZE_MAX, 500);
}

int U16(const Bytes& b, std::size_t at) {
    return b.at(at) << 8 | b.at(at + 1);
}

// What a receiver takes from one packet: `lines` is the byte the channels show, -1 when a
// channel holds anything but 0 or the level.
struct Packet {
    int universe = -1;
    int sequence = -1;
    bool terminated = false;
    int lines = -1;
};

int Lines(const Bytes& b, std::size_t slot0, int channel, int level) {
    int lines = 0;
    for (std::size_t i = 0; i < 512; ++i) {
        const int line = int(i) - (channel - 1);
        const bool mine = line >= 0 && line < 8;
        if (mine && b.at(slot0 + i) == level)
            lines |= 1 << line;
        else if (b.at(slot0 + i) != 0)
            return -1;
    }
    return lines;
}

Packet DecodeE131(const Bytes& b, int channel, int level) {
    EXPECT_EQ(b.size(), 638u);
    const Bytes acnId = {'A', 'S', 'C', '-', 'E', '1', '.', '1', '7', 0, 0, 0};
    EXPECT_EQ(U16(b, 0), 0x0010) << "preamble";
    EXPECT_EQ(U16(b, 2), 0) << "postamble";
    EXPECT_EQ(Bytes(b.begin() + 4, b.begin() + 16), acnId);
    EXPECT_EQ(U16(b, 16), 0x7000 | 622) << "root flags and length";
    EXPECT_EQ(U16(b, 18) << 16 | U16(b, 20), 4) << "root vector";
    const auto cid = kivdrv::ReadRegBinary(L"Software\\tavo", L"CID");
    EXPECT_TRUE(cid && Bytes(b.begin() + 22, b.begin() + 38) == *cid) << "the kept CID";
    EXPECT_EQ(b.at(28) >> 4, 4) << "UUID version";
    EXPECT_EQ(b.at(30) >> 6, 2) << "UUID variant";
    EXPECT_EQ(U16(b, 38), 0x7000 | 600) << "framing flags and length";
    EXPECT_EQ(U16(b, 40) << 16 | U16(b, 42), 2) << "framing vector";
    const std::string name = "Автомат световых эффектов"; // UTF-8, zeros up to 64 bytes
    EXPECT_EQ(std::string(b.begin() + 44, b.begin() + 108),
              name + std::string(64 - name.size(), 0));
    EXPECT_EQ(b.at(108), 100) << "priority";
    EXPECT_EQ(U16(b, 109), 0) << "synchronisation address";
    EXPECT_EQ(b.at(112) & ~0x40, 0) << "options other than Stream_Terminated";
    EXPECT_EQ(U16(b, 115), 0x7000 | 523) << "DMP flags and length";
    EXPECT_EQ(b.at(117), 2);
    EXPECT_EQ(b.at(118), 0xA1);
    EXPECT_EQ(U16(b, 119), 0) << "first address";
    EXPECT_EQ(U16(b, 121), 1) << "increment";
    EXPECT_EQ(U16(b, 123), 513) << "start code and 512 slots";
    EXPECT_EQ(b.at(125), 0) << "start code";
    return {U16(b, 113), b.at(111), (b.at(112) & 0x40) != 0, Lines(b, 126, channel, level)};
}

Packet DecodeArtDmx(const Bytes& b, int channel, int level) {
    EXPECT_EQ(b.size(), 530u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 8), std::string("Art-Net\0", 8));
    EXPECT_EQ(b.at(8) | b.at(9) << 8, 0x5000) << "OpCode, low byte first";
    EXPECT_EQ(U16(b, 10), 14) << "protocol version";
    EXPECT_NE(b.at(12), 0) << "sequence 0 would switch reordering off";
    EXPECT_EQ(U16(b, 16), 512) << "data length";
    return {b.at(15) << 8 | b.at(14), b.at(12), false, Lines(b, 18, channel, level)};
}

// Raw IPv4/UDP records from 127.0.0.1 to 127.0.0.1:port, one per datagram.
void SavePcap(const std::wstring& name, const std::vector<Bytes>& datagrams, int port) {
    Bytes out = {
        0xD4, 0xC3, 0xB2, 0xA1, 2,    0, 4, 0,   0, 0, 0, 0, 0,
        0,    0,    0,    0xFF, 0xFF, 0, 0, 101, 0, 0, 0}; // little-endian pcap, link type "raw IP"
    const auto le32 = [&](std::size_t v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(std::uint8_t(v >> 8 * i));
    };
    for (const auto& d : datagrams) {
        const std::size_t size = 28 + d.size();
        le32(0), le32(0), le32(size), le32(size);
        const Bytes ipUdp = {0x45,
                             0,
                             std::uint8_t(size >> 8),
                             std::uint8_t(size),
                             0,
                             0,
                             0,
                             0,
                             64,
                             17,
                             0,
                             0,
                             127,
                             0,
                             0,
                             1,
                             127,
                             0,
                             0,
                             1,
                             0x9C,
                             0x40,
                             std::uint8_t(port >> 8),
                             std::uint8_t(port),
                             std::uint8_t((size - 20) >> 8),
                             std::uint8_t(size - 20),
                             0,
                             0};
        out.insert(out.end(), ipUdp.begin(), ipUdp.end());
        out.insert(out.end(), d.begin(), d.end());
    }
    EXPECT_TRUE(kivdrv::WriteFileBytes(kivdrv::ProgramFolder() + name, out));
}

// The frames of a run in order, each once, no matter how many repeats fell between them.
std::vector<int> DistinctFrames(const std::vector<Packet>& packets) {
    std::vector<int> frames;
    for (const auto& p : packets)
        if (frames.empty() || frames.back() != p.lines) frames.push_back(p.lines);
    return frames;
}

const Bytes kPattern = {0x01, 0x80, 0x5A, 0xFF, 0x09};

TEST(TavoNet, E131RunOnTheNextUniverseOfLpt2EndsTheStream) {
    const auto datagrams = PlayRun({{L"TAVO_BACKEND", L"e131"},
                                    {L"TAVO_LPT", L"378,278,0"},
                                    {L"TAVO_UNIVERSE", L"299"},
                                    {L"TAVO_CHANNEL", L"505"},
                                    {L"TAVO_LEVEL", L"200"}},
                                   0x278, kPattern);
    SavePcap(L"net-e131.pcap", datagrams, 5568);
    std::vector<Packet> packets;
    for (const auto& d : datagrams)
        packets.push_back(DecodeE131(d, 505, 200));
    ASSERT_GE(packets.size(), kPattern.size() + 2 + 2 + 3);
    for (std::size_t i = 0; i < packets.size(); ++i) {
        EXPECT_EQ(packets[i].universe, 300);
        if (i) {
            EXPECT_EQ(packets[i].sequence, (packets[i - 1].sequence + 1) % 256) << i;
        }
        EXPECT_EQ(packets[i].terminated, i + 3 >= packets.size()) << i;
    }
    EXPECT_EQ(DistinctFrames(packets), std::vector<int>({0x01, 0x80, 0x5A, 0xFF, 0x09, 0}));
    EXPECT_GE(std::count_if(packets.begin(), packets.end(), [](auto& p) { return p.lines == 9; }),
              3)
        << "two repeats of the last row";
    EXPECT_GE(std::count_if(packets.end() - 5, packets.end(), [](auto& p) { return !p.lines; }), 5)
        << "W_P 0, the final frame, three terminations";
}

TEST(TavoNet, ArtNetRunOnAnUnlistedAddressUsesTheFirstUniverse) {
    const auto datagrams =
        PlayRun({{L"TAVO_BACKEND", L"artnet"}, {L"TAVO_UNIVERSE", L"0x1234"}}, 0xABC, kPattern);
    SavePcap(L"net-artnet.pcap", datagrams, 6454);
    std::vector<Packet> packets;
    for (const auto& d : datagrams)
        packets.push_back(DecodeArtDmx(d, 1, 255));
    ASSERT_GE(packets.size(), kPattern.size() + 2 + 2);
    for (std::size_t i = 0; i < packets.size(); ++i) {
        EXPECT_EQ(packets[i].universe, 0x1234);
        if (i) {
            EXPECT_EQ(packets[i].sequence, packets[i - 1].sequence % 255 + 1) << i;
        }
    }
    EXPECT_EQ(DistinctFrames(packets), std::vector<int>({0x01, 0x80, 0x5A, 0xFF, 0x09, 0}));
    EXPECT_GE(std::count_if(packets.begin(), packets.end(), [](auto& p) { return p.lines == 9; }),
              3);
    EXPECT_EQ(packets.back().lines, 0);
}

TEST(TavoNet, BadSettingIsNamedAndTheLibraryFallsBackToVirtualPorts) {
    const std::pair<Env, std::string> cases[] = {
        {{{L"TAVO_BACKEND", L"e131"}, {L"TAVO_UNIVERSE", L"64000"}},
         "TAVO_UNIVERSE: universe = 64000: not a number from 1 to 63999"},
        {{{L"TAVO_BACKEND", L"artnet"}, {L"TAVO_UNIVERSE", L"32768"}},
         "TAVO_UNIVERSE: universe = 32768: not a number from 0 to 32767"},
        {{{L"TAVO_BACKEND", L"e131"}, {L"TAVO_CHANNEL", L"506"}},
         "TAVO_CHANNEL: channel = 506: not a number from 1 to 505"},
        {{{L"TAVO_BACKEND", L"artnet"}, {L"TAVO_LEVEL", L"256"}},
         "TAVO_LEVEL: level = 256: not a number from 0 to 255"},
        {{{L"TAVO_BACKEND", L"e131"}, {L"TAVO_NET_TARGET", L"127.0.0.1:0"}},
         "TAVO_NET_TARGET: net_target = 127.0.0.1:0: not an IPv4 address a.b.c.d or "
         "a.b.c.d:port"},
        // Not a bad setting: LPT3 alone would need universe 64000, so it sends nothing.
        {{{L"TAVO_BACKEND", L"e131"}, {L"TAVO_UNIVERSE", L"63998"}, {L"TAVO_LPT", L"0,0,378"}},
         "net: LPT3 is past the last universe: it sends nothing"},
    };
    for (auto [env, note] : cases) {
        const kivdrv::CTempDir dir;
        env[L"TAVO_TRACE"] = (dir / "trace.txt").wstring();
        const auto datagrams = PlayRun(env, 0x378, {0xFF}, false);
        EXPECT_TRUE(datagrams.empty()) << note;
        const auto trace = kivdrv::ReadTrace(dir / "trace.txt");
        ASSERT_TRUE(trace);
        std::vector<std::string> notes;
        for (const auto& r : *trace)
            if (r.call == "note") notes.push_back(r.text);
        EXPECT_NE(std::find(notes.begin(), notes.end(), note), notes.end()) << note;
        EXPECT_EQ(std::count(notes.begin(), notes.end(), "falling back to virtual ports"),
                  note.starts_with("net:") ? 0 : 1)
            << note;
    }
}

} // namespace
