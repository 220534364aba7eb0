// The parts of tavo.dll without Windows: settings, trace lines, handles.
#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <tuple>

#include "tavo/settings/lpt_config.h"
#include "tavo/settings/settings.h"
#include "tavo/exports/port_table.h"
#include "tavo/settings/trace_format.h"

namespace tavo {
namespace {

TEST(LptList, AcceptsThreeHexAddresses) {
    const std::pair<const char*, LptAddresses> cases[] = {
        {"378,0,3bc", {0x378, 0, 0x3BC}},
        {"0,278,3BC", {0, 0x278, 0x3BC}},
        {" 0x378 ,\t0X278 , 0 ", {0x378, 0x278, 0}},
        {"0,0,0", {0, 0, 0}},
        {"ffffffff,00000000000378,1", {0xFFFFFFFF, 0x378, 1}},
        {"378,0,3bc\r\n", {0x378, 0, 0x3BC}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ParseLptList(text), expected) << text;
}

TEST(LptList, RefusesAnythingElse) {
    for (const char* text :
         {"", "378", "378,0", "378,0,0,", "378,0,0,0", "378;0;0", ",0,0", "378,,0", "0x,0,0",
          "xyz,0,0", "378h,0,0", "-1,0,0", "+378,0,0", "100000000,0,0", "3 78,0,0",
          "\xD0\x97"
          "78,0,0"})
        EXPECT_EQ(ParseLptList(text), std::nullopt) << '"' << text << '"';
}

CSettings Parse(std::string_view ini, std::map<std::string, std::string> env = {}) {
    return CSettings(
        [env](std::string_view name) -> std::optional<std::string> {
            const auto it = env.find(std::string(name));
            if (it == env.end()) return std::nullopt;
            return it->second;
        },
        ini);
}

TEST(Settings, AnAddressLineAloneStillWorks) {
    EXPECT_EQ(Parse("278,0,0").Lpt(), (LptAddresses{0x278, 0, 0}));
    EXPECT_EQ(Parse("\xEF\xBB\xBF; LPT1..LPT3\r\n# hex\r\n\r\n  0,378,0  \r\n").Lpt(),
              (LptAddresses{0, 0x378, 0}));
    EXPECT_EQ(Parse("; only a comment\n\n").Lpt(), std::nullopt);
    EXPECT_EQ(CSettings().Lpt(), std::nullopt);
}

TEST(Settings, KeysEnvironmentFirstAndNotesForWhatIsIgnored) {
    auto s = Parse("378,0,0\nBackend = E131\n lamps=1 \nuniverse = 7\nlevel = 0x80\n"
                   "colour = red\n278,0,0\njust words\n",
                   {{"TAVO_UNIVERSE", " 9 "}, {"TAVO_LPT", "0,3bc,0"}});
    EXPECT_EQ(s.Lpt(), (LptAddresses{0, 0x3BC, 0}));
    EXPECT_EQ(s.Backends(), std::vector{BackendKind::E131});
    EXPECT_EQ(s.Lamps(), true);
    EXPECT_EQ(s.Integer("universe", 1, 63999), 9);
    EXPECT_EQ(s.Integer("level", 0, 255), 0x80);
    EXPECT_EQ(s.Integer("channel", 1, 505), std::nullopt);
    EXPECT_EQ(s.Raw("universe")->origin, "TAVO_UNIVERSE");
    EXPECT_EQ(s.Raw("level")->origin, "tavo.ini line 5");
    ASSERT_EQ(s.Notes().size(), 3u);
    EXPECT_EQ(s.Notes()[0], "tavo.ini line 6: ignored: colour = red");
    EXPECT_EQ(s.Notes()[1], "tavo.ini line 7: ignored: 278,0,0") << "one address line only";
    EXPECT_EQ(s.Notes()[2], "tavo.ini line 8: ignored: just words");
}

TEST(Settings, MalformedValuesAreNamedAndCountAsUnset) {
    auto s = Parse("lpt = 378 0 3bc\nbackend = parallel\nlamps = yes\nchannel = 506\nlevel=-1\n");
    EXPECT_EQ(s.Lpt(), std::nullopt);
    EXPECT_EQ(s.Backends(), std::vector{BackendKind::Auto});
    EXPECT_EQ(s.Lamps(), std::nullopt);
    EXPECT_EQ(s.Integer("channel", 1, 505), std::nullopt);
    EXPECT_EQ(s.Integer("level", 0, 255), std::nullopt);
    ASSERT_EQ(s.Notes().size(), 5u);
    EXPECT_EQ(s.Notes()[0],
              "tavo.ini line 1: lpt = 378 0 3bc: ignored: not three hexadecimal addresses");
    EXPECT_EQ(s.Notes()[3], "tavo.ini line 4: channel = 506: not a number from 1 to 505");
}

TEST(Settings, BackendListKeepsEachOutputOnceInOrder) {
    using enum BackendKind;
    const std::tuple<const char*, std::vector<BackendKind>, std::size_t> cases[] = {
        {"inpout, E131 ,bridge", {Inpout, E131, Bridge}, 0},
        {"auto,e131, inpout,e131", {Auto, E131}, 2}, // auto is inpout when there is a driver
        {"virtual, serail, artnet", {ArtNet}, 2},
        {" , ", {Auto}, 2},
    };
    for (const auto& [text, kinds, notes] : cases) {
        auto s = Parse(std::string("backend = ") + text);
        EXPECT_EQ(s.Backends(), kinds) << text;
        EXPECT_EQ(s.Notes().size(), notes) << text;
    }
}

TEST(Settings, Ipv4Endpoints) {
    EXPECT_EQ(ParseIpv4Endpoint("127.0.0.1"), (Ipv4Endpoint{0x7F000001, std::nullopt}));
    EXPECT_EQ(ParseIpv4Endpoint("10.0.0.255:6454"), (Ipv4Endpoint{0x0A0000FF, 6454}));
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4:", "1.2.3.4:0",
                            "1.2.3.4:65536", "a.b.c.d", "1..2.3", " 1.2.3.4", "0001.2.3.4"})
        EXPECT_EQ(ParseIpv4Endpoint(bad), std::nullopt) << bad;
}

TEST(LptNames, AsTheProgramNamesThem) {
    const LptAddresses ports{0x378, 0, 0x3BC};
    EXPECT_EQ(PortName(ports, 0x378), "LPT1 378h");
    EXPECT_EQ(PortName(ports, 0x3BC), "LPT3 3bch");
    EXPECT_EQ(PortName(ports, 0xD100), "d100h");
    EXPECT_EQ(PortName(ports, 0), "0h");
}

TEST(LptResolve, CountsPresentPortsWhereverTheyAre) {
    EXPECT_EQ(CountPresent({0, 0, 0}), 0);
    EXPECT_EQ(CountPresent({0, 0x278, 0}), 1);
    EXPECT_EQ(CountPresent({0x378, 0, 0x3BC}), 2);
    EXPECT_EQ(CountPresent({1, 2, 3}), 3);
}

TEST(TraceLine, HasTheDocumentedShapes) {
    const std::uint64_t count[] = {2, 888, 0, 956};
    const std::uint64_t open[] = {888, 1, 2};
    const std::uint64_t handle[] = {7};
    const std::uint64_t write[] = {7, 255, 0};
    EXPECT_EQ(FormatTraceLine(12, "CountLPT", {}, count), "12 CountLPT = 2 888 0 956\n");
    EXPECT_EQ(FormatTraceLine(0, "OpenPrt", open, handle), "0 OpenPrt 888 1 2 = 7\n");
    EXPECT_EQ(FormatTraceLine(18446744073709551615u, "W_P", write),
              "18446744073709551615 W_P 7 255 0\n");
    EXPECT_EQ(FormatTraceLine(5, "ClosePrt", handle), "5 ClosePrt 7\n");
}

TEST(TraceLine, ParsesWhatIsWritten) {
    const std::uint64_t open[] = {888, 1, 2};
    const std::uint64_t handle[] = {4294967295u};
    const auto line = FormatTraceLine(123456, "OpenPrt", open, handle);
    EXPECT_EQ(ParseTraceLine(line),
              (TraceRecord{123456, "OpenPrt", {888, 1, 2}, {4294967295u}, {}}));
    EXPECT_EQ(ParseTraceLine("9 W_P 1 2 3\r\n"), (TraceRecord{9, "W_P", {1, 2, 3}, {}, {}}));
    for (const char* bad : {"", "W_P 1 2 3", "9", "9 W_P 1 x 3", "9 OpenPrt 1 =", "9 W_P -1",
                            "9 W_P 1 = 2 = 3", "99999999999999999999 W_P"})
        EXPECT_EQ(ParseTraceLine(bad), std::nullopt) << bad;
}

TEST(TraceLine, WholeFileSkipsBlankLinesAndRefusesBadOnes) {
    const auto records = ParseTrace("1 CountLPT = 1 888 0 0\n\n2 ClosePrt 3\r\n");
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 2u);
    EXPECT_EQ((*records)[1], (TraceRecord{2, "ClosePrt", {3}, {}, {}}));
    EXPECT_EQ(ParseTrace("1 CountLPT = 1 888 0 0\ngarbage\n"), std::nullopt);
    const auto note = ParseTrace(FormatTraceNote(3, "bridge: gone\r\nfor good"));
    ASSERT_TRUE(note && note->size() == 1);
    EXPECT_EQ((*note)[0].call, "note");
    EXPECT_EQ((*note)[0].text, "bridge: gone  for good");
    EXPECT_EQ(ParseTrace(""), std::vector<TraceRecord>{});
}

TEST(TraceClock, MicrosecondsWithoutOverflow) {
    EXPECT_EQ(MicrosBetween(100, 100, 10'000'000), 0u);
    EXPECT_EQ(MicrosBetween(0, 25, 10'000'000), 2u);
    EXPECT_EQ(MicrosBetween(1000, 1000 + 3'579'545, 3'579'545), 1'000'000u);
    // A month of a 10 MHz counter: the naive ticks * 10^6 would overflow.
    const std::uint64_t month = 30ull * 24 * 3600 * 10'000'000;
    EXPECT_EQ(MicrosBetween(0, month, 10'000'000), 30ull * 24 * 3600 * 1'000'000);
    EXPECT_EQ(MicrosBetween(50, 10, 1000), 0u) << "a counter that went back";
    EXPECT_EQ(MicrosBetween(0, 10, 0), 0u);
}

TEST(PortTable, EachHandleKeepsItsOwnRegister) {
    CPortTable ports;
    const auto a = ports.Open(0x378);
    const auto b = ports.Open(0x378);
    EXPECT_NE(a, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(ports.Data(a), 0);

    EXPECT_TRUE(ports.Write(a, 0x1A5));
    EXPECT_TRUE(ports.Write(b, 7));
    EXPECT_EQ(ports.Data(a), 0xA5) << "only the low byte reaches the lines";
    EXPECT_EQ(ports.Data(b), 7);
    EXPECT_EQ(ports.Address(b), 0x378u);

    EXPECT_TRUE(ports.Close(a));
    EXPECT_FALSE(ports.Close(a));
    EXPECT_FALSE(ports.Write(a, 1));
    EXPECT_EQ(ports.Data(a), std::nullopt);
    EXPECT_EQ(ports.Data(b), 7);
    EXPECT_FALSE(ports.Write(0, 1));
}

TEST(PortTable, AnyAddressOpens) {
    CPortTable ports;
    const auto h = ports.Open(0x1234);
    EXPECT_EQ(ports.Address(h), 0x1234u);
    EXPECT_NE(ports.Open(0), 0u);
}

TEST(PortTable, HandlesSkipZeroWhenTheyWrap) {
    constexpr auto kMax = std::numeric_limits<std::uint32_t>::max();
    CPortTable ports(kMax - 1);
    const auto a = ports.Open(1);
    const auto b = ports.Open(1);
    const auto c = ports.Open(1); // wraps past 0
    const auto d = ports.Open(1);
    EXPECT_EQ(a, kMax - 1);
    EXPECT_EQ(b, kMax);
    EXPECT_EQ(c, 1u);
    EXPECT_EQ(d, 2u);
    EXPECT_EQ(ports.OpenCount(), 4u);
}

} // namespace
} // namespace tavo
