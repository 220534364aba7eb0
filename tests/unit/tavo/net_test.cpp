// The network back ends as a lighting receiver on 127.0.0.1 sees them: every datagram of a
// run decoded field by field. The runs are saved beside the test for an independent
// decoder (net_tshark.sh).
#include <gtest/gtest.h>

#include <winsock2.h>

#include <windows.h>

#include <algorithm>
#include <map>

#include "driver/driver.h"
#include "tavo/window/output_check.h"
#include "tavo/window/outputs_model.h"
#include "tavo_copy.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A UDP socket on 127.0.0.1 at a port of its own, `target` for the library.
class CReceiver {
public:
    CReceiver() {
        sockaddr_in at{AF_INET, 0, {}, {}};
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof at;
        EXPECT_EQ(bind(m_socket, reinterpret_cast<sockaddr*>(&at), size), 0);
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&at), &size);
        target = "127.0.0.1:" + std::to_string(ntohs(at.sin_port));
    }
    ~CReceiver() { closesocket(m_socket); }

    // Takes datagrams until `count` have come in all, or none came for `waitMs`.
    const std::vector<Bytes>& Take(std::size_t count, DWORD waitMs) {
        setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&waitMs),
                   sizeof waitMs);
        char buffer[2048];
        for (int size = 0; m_got.size() < count && size >= 0;)
            if ((size = recv(m_socket, buffer, sizeof buffer, 0)) >= 0)
                m_got.emplace_back(buffer, buffer + size);
        return m_got;
    }

private:
    WSADATA m_wsa{};
    const int m_started = WSAStartup(MAKEWORD(2, 2), &m_wsa);
    const SOCKET m_socket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    std::vector<Bytes> m_got;

public:
    std::string target;
};

const Bytes kPattern = {0x01, 0x80, 0x5A, 0xFF, 0x09};

// A run as the program makes it, with tavo.ini's `settings`; before the final 0 it waits
// for two keep-alive repeats of the last row, unless no datagram is `expected`.
std::vector<Bytes> PlayRun(std::string settings, std::uint32_t address, bool expected = true,
                           std::optional<std::wstring> trace = std::nullopt) {
    CReceiver receiver;
    if (settings.find("net_target") == settings.npos)
        settings += "net_target = " + receiver.target + "\n";
    tavotest::CTavo tavo({std::nullopt, settings, trace});
    const auto handle = tavo.OpenPrt(address, 1, 1);
    for (const auto value : kPattern)
        tavo.W_P(handle, value, 0);
    if (expected) receiver.Take(kPattern.size() + 2, 10'000);
    tavo.W_P(handle, 0, 0);
    tavo.ClosePrt(handle);
    tavo.Unload();
    // The keep-alive thread lets the library go once the last port is closed.
    EXPECT_TRUE(tavo.Release()) << "still loaded";
    return receiver.Take(SIZE_MAX, 500);
}

const auto U16 = [](const Bytes& b, std::size_t at) { return b.at(at) << 8 | b.at(at + 1); };
const auto Part = [](const Bytes& b, std::size_t from, std::size_t to) {
    return Bytes(&b.at(from), &b.at(to));
};

// What a receiver takes from a packet; its DMX slots begin at `slot1`.
struct Packet {
    int universe, sequence;
    bool terminated;
    std::size_t slot1;
};

Packet DecodeE131(const Bytes& b) {
    EXPECT_EQ(b.size(), 638u);
    // Preamble 16, postamble 0, "ASC-E1.17", root flags and length 622, vector 4.
    EXPECT_EQ(Part(b, 0, 22), (Bytes{0,   16,  0, 0, 'A', 'S',  'C',  '-', 'E', '1', '.',
                                     '1', '7', 0, 0, 0,   0x72, 0x6E, 0,   0,   0,   4}));
    EXPECT_EQ(Part(b, 22, 38), kivdrv::ReadRegBinary(L"Software\\tavo", L"CID")) << "kept CID";
    EXPECT_EQ(b.at(28) >> 4 | (b.at(30) & 0xC0), 0x84) << "UUID version 4, variant 10";
    // Framing flags and length 600, vector 2; the name in UTF-8, zeros to 64 bytes.
    EXPECT_EQ(Part(b, 38, 44), (Bytes{0x72, 0x58, 0, 0, 0, 2}));
    const std::string name = "Автомат световых эффектов";
    EXPECT_EQ(std::string(&b.at(44), &b.at(108)), name + std::string(64 - name.size(), 0));
    EXPECT_EQ(b.at(108), 100) << "priority";
    EXPECT_EQ(U16(b, 109), 0) << "synchronisation universe";
    EXPECT_EQ(b.at(112) & ~0x40, 0) << "options other than Stream_Terminated";
    // DMP flags and length 523, vector 2, type A1, address 0, increment 1, 513 values,
    // start code 0.
    EXPECT_EQ(Part(b, 115, 126), (Bytes{0x72, 0x0B, 2, 0xA1, 0, 0, 0, 1, 2, 1, 0}));
    return {U16(b, 113), b.at(111), (b.at(112) & 0x40) != 0, 126};
}

Packet DecodeArtDmx(const Bytes& b) {
    // "Art-Net", OpCode 0x5000 low byte first, version 14; then sequence, physical, SubUni,
    // Net and the length, big-endian.
    EXPECT_EQ(Part(b, 0, 12), (Bytes{'A', 'r', 't', '-', 'N', 'e', 't', 0, 0, 0x50, 0, 14}));
    EXPECT_EQ(U16(b, 16), 512);
    EXPECT_EQ(b.size(), 530u);
    return {b.at(15) << 8 | b.at(14), b.at(12), false, 18};
}

// The byte that the eight channels from `channel` show; -1 when any of the 512 channels
// holds other than 0 or `level`.
int Lines(const Bytes& b, std::size_t slot1, int channel, int level) {
    int lines = 0;
    for (int i = 0; i < 512; ++i) {
        const int line = i - (channel - 1), value = b.at(slot1 + i);
        if (line >= 0 && line < 8 && value == level)
            lines |= 1 << line;
        else if (value != 0)
            return -1;
    }
    return lines;
}

// The datagrams as a hex dump, one a line, as text2pcap reads it.
void SaveDump(const wchar_t* name, const std::vector<Bytes>& datagrams) {
    std::string text;
    for (const auto& d : datagrams) {
        text += "000000";
        for (const auto byte : d)
            text += {' ', "0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
        text += '\n';
    }
    EXPECT_TRUE(
        kivdrv::WriteFileBytes(kivdrv::ProgramFolder() + name, Bytes(text.begin(), text.end())));
}

struct Protocol {
    const char* settings;
    std::uint32_t address;
    Packet (*decode)(const Bytes&);
    int universe, channel, level, (*nextSequence)(int);
    std::size_t terminations; // packets that end the stream
    const wchar_t* dump;
};

TEST(TavoNet, RunShowsThePatternThenRepeatsAndTheFinalFrames) {
    const Protocol protocols[] = {
        // LPT2 takes the universe after the setting's.
        {"backend = e131\nlpt = 378,278,0\nuniverse = 299\nchannel = 505\nlevel = 200\n", 0x278,
         DecodeE131, 300, 505, 200, [](int s) { return (s + 1) % 256; }, 3, L"net-e131.txt"},
        // An address that is no LPT takes the setting's universe; 0 is "no sequence".
        {"backend = artnet\nuniverse = 0x1234\n", 0xABC, DecodeArtDmx, 0x1234, 1, 255,
         [](int s) { return s % 255 + 1; }, 0, L"net-artnet.txt"},
    };
    for (const auto& p : protocols) {
        SCOPED_TRACE(p.settings);
        const auto datagrams = PlayRun(p.settings, p.address);
        SaveDump(p.dump, datagrams);
        std::vector<int> rows, lines;
        for (std::size_t i = 0, sequence = 0; i < datagrams.size(); ++i) {
            const auto packet = p.decode(datagrams[i]);
            EXPECT_EQ(packet.universe, p.universe);
            EXPECT_TRUE(!i || packet.sequence == p.nextSequence(int(sequence))) << i;
            sequence = std::size_t(packet.sequence);
            EXPECT_EQ(packet.terminated, i + p.terminations >= datagrams.size()) << i;
            lines.push_back(Lines(datagrams[i], packet.slot1, p.channel, p.level));
            if (rows.empty() || rows.back() != lines.back()) rows.push_back(lines.back());
        }
        EXPECT_EQ(rows, std::vector<int>({0x01, 0x80, 0x5A, 0xFF, 0x09, 0}));
        EXPECT_GE(std::count(lines.begin(), lines.end(), 0x09), 3) << "two repeats";
        // W_P 0, the final frame, the ends of the stream.
        ASSERT_GE(lines.size(), 2 + p.terminations);
        EXPECT_EQ(std::count(lines.end() - 2 - p.terminations, lines.end(), 0), 2 + p.terminations);
    }
}

// Both protocols from the same writes; one whose setting is out of range is left out alone.
TEST(TavoNet, ListSendsBothProtocolsAndOneThatFailsGoesAlone) {
    for (const int universe : {7, 40000}) {
        const kivdrv::CTempDir dir;
        const auto datagrams =
            PlayRun("backend = e131, artnet\nuniverse = " + std::to_string(universe) + "\n", 0x378,
                    true, dir / "trace.txt");
        std::map<std::size_t, std::vector<int>> rows; // by size: E1.31 638, Art-Net 530
        for (const auto& d : datagrams) {
            auto& shown = rows[d.size()];
            const int lines = Lines(d, d.size() == 638 ? 126 : 18, 1, 255);
            if (shown.empty() || shown.back() != lines) shown.push_back(lines);
        }
        const std::vector<int> pattern{0x01, 0x80, 0x5A, 0xFF, 0x09, 0};
        EXPECT_EQ(rows[638], pattern);
        EXPECT_EQ(rows[530], universe == 7 ? pattern : std::vector<int>{});
        const auto trace = kivdrv::ReadFileBytes(dir / "trace.txt").value();
        EXPECT_EQ(std::string(trace.begin(), trace.end()).find("artnet: left out of the list") !=
                      std::string::npos,
                  universe != 7);
    }
}

TEST(TavoNet, BadSettingIsNamedAndTheLibraryFallsBackToVirtualPorts) {
    const std::pair<std::string, std::string> cases[] = {
        {"e131\nuniverse = 64000", "universe = 64000: not a number from 1 to 63999"},
        {"artnet\nuniverse = 32768", "universe = 32768: not a number from 0 to 32767"},
        {"e131\nchannel = 506", "channel = 506: not a number from 1 to 505"},
        {"artnet\nlevel = 256", "level = 256: not a number from 0 to 255"},
        {"e131\nnet_target = 127.0.0.1:0", "net_target = 127.0.0.1:0: not an IPv4 address"},
        // Not a bad setting: LPT3 alone would need universe 64000, so it sends nothing.
        {"e131\nuniverse = 63998\nlpt = 0,0,378", "LPT3 is past the last universe"},
    };
    for (const auto& [settings, note] : cases) {
        const kivdrv::CTempDir dir;
        const auto trace = dir / "trace.txt";
        EXPECT_TRUE(PlayRun("backend = " + settings + "\n", 0x378, false, trace).empty());
        std::string notes;
        for (const auto& r : kivdrv::ReadTrace(trace).value_or(std::vector<tavo::TraceRecord>{}))
            notes += r.call == "note" ? r.text + "\n" : "";
        EXPECT_NE(notes.find(note), notes.npos) << notes;
        EXPECT_EQ(notes.find("falling back to virtual ports") != notes.npos,
                  !note.starts_with("LPT3"))
            << notes;
    }
}

// "Проверить" from LPT2's panel lights LPT2, the universe after the setting's. With every
// packet refused (the loopback broadcast address, which E1.31 may not send to, so nothing
// leaves this machine) it says so.
TEST(TavoNet, ACheckLightsThePortOfThePanelAndSaysWhenSendsFail) {
    CReceiver receiver;
    std::vector<std::wstring> results;
    for (const auto& [target, port] :
         {std::pair{receiver.target, 0x278u}, {"127.255.255.255:5568", 0u}}) {
        const tavo::COutputCheck check(
            nullptr, WM_APP, "lpt = 378,278,0\nuniverse = 10\nnet_target = " + target + "\n",
            tavo::NoEnvironment, {{0, tavo::BackendKind::E131}}, GetModuleHandleW(nullptr), port);
        // A generous bound that only keeps a hang from stalling the suite.
        ASSERT_TRUE(kivdrv::WaitUntil([&] { return check.Done(); }, std::chrono::seconds(60)));
        results.push_back(check.Results().at(0));
    }
    EXPECT_EQ(results[0], L"работает");
    EXPECT_EQ(DecodeE131(receiver.Take(1, 500).at(0)).universe, 11);
    EXPECT_TRUE(results[1].starts_with(L"пакеты не отправлены, ошибка "))
        << kivdrv::Narrow(results[1]);
}

} // namespace
