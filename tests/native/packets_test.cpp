// The bytes that leave for the network and for kiv-parport, checked offset by offset
// against the protocols' layouts, and the streams that number and end them.
#include <gtest/gtest.h>

#include "parport/wire_format.h"
#include "tavo/dmx_packets.h"
#include "tavo/dmx_streams.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Part(const Bytes& b, std::size_t from, std::size_t to) {
    return Bytes(b.begin() + std::ptrdiff_t(from), b.begin() + std::ptrdiff_t(to));
}

const tavo::Cid kCid = tavo::MakeCid({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});

TEST(DmxPackets, E131DataPacketLayout) {
    const auto frame = tavo::LinesToFrame(0x81, 505, 200); // D0 and D7 at the very end
    const auto b = tavo::E131Packet(kCid, 0x1234, 7, frame, true);
    ASSERT_EQ(b.size(), 638u);
    // Preamble 16, postamble 0, the ACN id; root flags and length 622, vector 4; the CID.
    EXPECT_EQ(Part(b, 0, 16),
              (Bytes{0, 16, 0, 0, 'A', 'S', 'C', '-', 'E', '1', '.', '1', '7', 0, 0, 0}));
    EXPECT_EQ(Part(b, 16, 22), (Bytes{0x72, 0x6E, 0, 0, 0, 4}));
    EXPECT_EQ(Part(b, 22, 38), Bytes(kCid.begin(), kCid.end()));
    EXPECT_EQ(kCid[6] & 0xF0, 0x40) << "UUID version 4";
    EXPECT_EQ(kCid[8] & 0xC0, 0x80) << "UUID variant";
    // Framing: length 600, vector 2, the name zero-padded to 64, priority, no sync,
    // sequence, Stream_Terminated, universe.
    EXPECT_EQ(Part(b, 38, 44), (Bytes{0x72, 0x58, 0, 0, 0, 2}));
    EXPECT_EQ(std::string(b.begin() + 44, b.begin() + 44 + tavo::kE131SourceName.size()),
              tavo::kE131SourceName);
    EXPECT_EQ(Part(b, 44 + tavo::kE131SourceName.size(), 108),
              Bytes(64 - tavo::kE131SourceName.size(), 0));
    EXPECT_EQ(Part(b, 108, 115), (Bytes{100, 0, 0, 7, 0x40, 0x12, 0x34}));
    // DMP: length 523, vector 2, type A1, first address 0, increment 1, 513 values,
    // start code 0; then the slots.
    EXPECT_EQ(Part(b, 115, 126), (Bytes{0x72, 0x0B, 2, 0xA1, 0, 0, 0, 1, 2, 1, 0}));
    EXPECT_EQ(Part(b, 126, 638), Bytes(frame.begin(), frame.end()));
    EXPECT_EQ(Part(b, 630, 638), (Bytes{200, 0, 0, 0, 0, 0, 0, 200}));
    EXPECT_EQ(tavo::E131Packet(kCid, 1, 0, frame, false)[112], 0) << "options when running";
}

TEST(DmxPackets, ArtDmxLayout) {
    const auto frame = tavo::LinesToFrame(0x02, 1, 255);
    const auto b = tavo::ArtDmxPacket(0xFFFF, 9, frame); // only 15 bits are an address
    ASSERT_EQ(b.size(), 530u);
    // Id, OpDmx low byte first, version 14, sequence, physical, SubUni, Net, length 512.
    EXPECT_EQ(Part(b, 0, 18), (Bytes{'A', 'r', 't', '-', 'N', 'e', 't', 0, 0x00, 0x50, 0, 14, 9, 0,
                                     0xFF, 0x7F, 0x02, 0x00}));
    EXPECT_EQ(Part(b, 18, 21), (Bytes{0, 255, 0}));
    EXPECT_EQ(std::count(b.begin() + 18, b.end(), 0), 511);
}

tavo::CDmxStreams Streams(const char* ini) {
    tavo::CSettings settings([](std::string_view) { return std::nullopt; }, ini);
    const auto config =
        tavo::ReadNetConfig(std::string_view(ini).starts_with("e131") ? tavo::BackendKind::E131
                                                                      : tavo::BackendKind::ArtNet,
                            settings);
    EXPECT_TRUE(config) << ini;
    return tavo::CDmxStreams(config.value_or(tavo::NetConfig{}), kCid);
}

TEST(DmxStreams, OneOpenPortPerUniverse) {
    using Result = tavo::CDmxStreams::OpenResult;
    auto streams = Streams("e131\nuniverse = 63998\n");
    EXPECT_EQ(streams.Open(1, -1), Result::Opened);
    EXPECT_EQ(streams.Open(2, 0), Result::UniverseInUse) << "LPT1 and any other address share";
    EXPECT_EQ(streams.Open(3, 1), Result::Opened);
    EXPECT_EQ(streams.Open(4, 2), Result::PastLastUniverse);
    EXPECT_TRUE(streams.Write(2, 5).empty());
    EXPECT_TRUE(streams.Close(2).empty()) << "a refused port ends nobody's stream";

    const auto written = streams.Write(1, 5);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].address, 0xEFFFF9FEu) << "239.255.249.254, the universe's group";
    EXPECT_EQ(written[0].port, tavo::kE131Port);
    const auto closed = streams.Close(1);
    ASSERT_EQ(closed.size(), 4u) << "the last frame, then three ends";
    for (std::size_t i = 0; i < closed.size(); ++i) {
        EXPECT_EQ(closed[i].bytes[111], 2 + i) << "one sequence per universe";
        EXPECT_EQ(closed[i].bytes[112], i ? 0x40 : 0);
        EXPECT_EQ(Part(closed[i].bytes, 126, 129), (Bytes{255, 0, 255})) << "the last frame";
    }
    EXPECT_EQ(streams.Open(2, 0), Result::Opened) << "free again";
}

TEST(DmxStreams, ArtNetSequenceSkipsZero) {
    auto streams = Streams("artnet\nnet_target = 127.0.0.1:7000\nchannel = 3\n");
    ASSERT_EQ(streams.Open(1, 0), tavo::CDmxStreams::OpenResult::Opened);
    std::vector<int> sequences;
    for (int i = 0; i < 256; ++i)
        sequences.push_back(streams.Write(1, 1)[0].bytes[12]);
    EXPECT_EQ(sequences.front(), 1);
    EXPECT_EQ(sequences[254], 255);
    EXPECT_EQ(sequences[255], 1);
    const auto repeat = streams.Repeat();
    ASSERT_EQ(repeat.size(), 1u);
    EXPECT_EQ(repeat[0].address, 0x7F000001u);
    EXPECT_EQ(repeat[0].port, 7000);
    EXPECT_EQ(repeat[0].bytes[18 + 2], 255) << "D0 on channel 3";
    EXPECT_TRUE(streams.Close(1).size() == 1 && streams.Empty());
}

TEST(WireFormat, HelloAndAnswerLayout) {
    using namespace kivwire;
    const std::string token(32, 'a');
    const auto hello = EncodeHello({Purpose::Drive, 0x12345678, token});
    EXPECT_EQ(Part(hello, 0, kHelloHeadSize),
              (Bytes{'K', 'I', 'V', 'P', 1, 2, 0x78, 0x56, 0x34, 0x12, 32}));
    const auto decoded = DecodeHello(hello);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->address, 0x12345678u);
    EXPECT_EQ(decoded->token, token);
    EXPECT_FALSE(DecodeHello(Part(hello, 0, hello.size() - 1))) << "token cut short";

    const auto answer = EncodeAnswer({Status::PrinterDriver, {0x378, 0, 0x3BC}});
    EXPECT_EQ(Bytes(answer.begin(), answer.end()),
              (Bytes{'K', 'I', 'V', 'P', 1, 5, 0x78, 3, 0, 0, 0, 0, 0, 0, 0xBC, 3, 0, 0}));
    for (const auto& [at, value] : {std::pair{0, 'k'}, {4, 2}, {5, 6}}) {
        Bytes bad(answer.begin(), answer.end());
        bad[std::size_t(at)] = std::uint8_t(value);
        EXPECT_FALSE(DecodeAnswer(bad)) << at;
    }
    Bytes head(hello.begin(), hello.begin() + kHelloHeadSize);
    head[5] = 3; // no such purpose
    EXPECT_FALSE(HelloTokenLength(head));
}

} // namespace
