// The bytes that leave for the network and for kiv-parport, checked offset by offset
// against the protocols' layouts, and the streams that number and end them.
#include <gtest/gtest.h>

#include "parport/wire_format.h"
#include "tavo/backends/net/dmx_packets.h"
#include "tavo/backends/net/dmx_streams.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

template <typename Container> Bytes Part(const Container& b, std::size_t from, std::size_t to) {
    return Bytes(b.begin() + std::ptrdiff_t(from), b.begin() + std::ptrdiff_t(to));
}

const tavo::Cid kCid = tavo::MakeCid({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});

TEST(DmxPackets, E131AndArtDmxLayouts) {
    const auto frame = tavo::LinesToFrame(0x81, 505, 200); // D0 and D7 at the very end
    const auto e = tavo::E131Packet(kCid, 0x1234, 7, frame, true);
    ASSERT_EQ(e.size(), 638u);
    // Preamble, postamble, ACN id; root flags and length 622, vector 4; the CID.
    EXPECT_EQ(Part(e, 0, 22), (Bytes{0,   16,  0, 0, 'A', 'S',  'C',  '-', 'E', '1', '.',
                                     '1', '7', 0, 0, 0,   0x72, 0x6E, 0,   0,   0,   4}));
    EXPECT_EQ(Part(e, 22, 38), Part(kCid, 0, 16));
    // Framing: length 600, vector 2; after the 64-byte name: priority, no sync universe,
    // sequence, Stream_Terminated, universe. DMP: length 523, vector 2, type A1, address 0,
    // increment 1, 513 values, start code 0; then the slots.
    EXPECT_EQ(Part(e, 38, 44), (Bytes{0x72, 0x58, 0, 0, 0, 2}));
    EXPECT_EQ(Part(e, 44, 44 + tavo::kE131SourceName.size()),
              Part(tavo::kE131SourceName, 0, tavo::kE131SourceName.size()));
    EXPECT_EQ(Part(e, 107, 126),
              (Bytes{0, 100, 0, 0, 7, 0x40, 0x12, 0x34, 0x72, 0x0B, 2, 0xA1, 0, 0, 0, 1, 2, 1, 0}));
    EXPECT_EQ(Part(e, 630, 638), (Bytes{200, 0, 0, 0, 0, 0, 0, 200}));

    const auto a = tavo::ArtDmxPacket(0xFFFF, 9, frame); // only 15 bits are an address
    ASSERT_EQ(a.size(), 530u);
    // Id, OpDmx low byte first, version 14, sequence, physical, SubUni, Net, length 512.
    EXPECT_EQ(Part(a, 0, 18), (Bytes{'A', 'r', 't', '-', 'N', 'e', 't', 0, 0x00, 0x50, 0, 14, 9, 0,
                                     0xFF, 0x7F, 0x02, 0x00}));
    EXPECT_EQ(Part(a, 18, 530), Part(frame, 0, 512));
}

TEST(DmxStreams, OneOpenPortPerUniverseEachWithItsOwnEnd) {
    using Result = tavo::CDmxStreams::OpenResult;
    tavo::CSettings settings([](std::string_view) { return std::nullopt; }, "universe = 63998");
    tavo::CDmxStreams streams(*tavo::ReadNetConfig(tavo::BackendKind::E131, settings), kCid);
    EXPECT_EQ(streams.Open(1, -1), Result::Opened);
    EXPECT_EQ(streams.Open(2, 0), Result::UniverseInUse) << "LPT1 and any other address share";
    EXPECT_EQ(streams.Open(3, 1), Result::Opened);
    EXPECT_EQ(streams.Open(4, 2), Result::PastLastUniverse);
    EXPECT_TRUE(streams.Write(2, 5).empty());
    EXPECT_TRUE(streams.Close(2).empty()) << "a refused port ends nobody's stream";

    ASSERT_EQ(streams.Write(1, 5).at(0).address, 0xEFFFF9FEu) << "239.255.249.254";
    const auto closed = streams.Close(1);
    ASSERT_EQ(closed.size(), 4u) << "the last frame, then three ends";
    for (std::size_t i = 0; i < closed.size(); ++i) {
        EXPECT_EQ(Part(closed[i].bytes, 111, 113),
                  (Bytes{std::uint8_t(2 + i), std::uint8_t(i ? 0x40 : 0)}));
        EXPECT_EQ(Part(closed[i].bytes, 126, 129), (Bytes{255, 0, 255})) << "the last frame";
    }
    EXPECT_EQ(streams.Open(2, 0), Result::Opened) << "free again";
}

TEST(WireFormat, HelloAndAnswerLayouts) {
    using namespace kivwire;
    const auto hello = EncodeHello({Purpose::Drive, 0x12345678, std::string(32, 'a')});
    EXPECT_EQ(Part(hello, 0, kHelloHeadSize),
              (Bytes{'K', 'I', 'V', 'P', 1, 2, 0x78, 0x56, 0x34, 0x12, 32}));
    EXPECT_EQ(DecodeHello(hello)->address, 0x12345678u);
    EXPECT_FALSE(DecodeHello(Part(hello, 0, hello.size() - 1))) << "token cut short";

    const auto answer = EncodeAnswer({Status::PrinterDriver, {0x378, 0, 0x3BC}});
    EXPECT_EQ(Part(answer, 0, kAnswerSize),
              (Bytes{'K', 'I', 'V', 'P', 1, 5, 0x78, 3, 0, 0, 0, 0, 0, 0, 0xBC, 3, 0, 0}));
    EXPECT_FALSE(DecodeAnswer(Part(answer, 0, kAnswerSize - 1)));
}

} // namespace
