// The bytes USB boards read, byte by byte, and the choice of relay board on recorded
// enumeration answers. No Windows here: also built natively under the sanitizers.
#include <gtest/gtest.h>

#include <algorithm>

#include "tavo/backends/hid/hid_relays.h"
#include "tavo/backends/serial/serial_frames.h"

namespace tavo {
namespace {

CSettings Ini(std::string_view text) {
    return CSettings([](std::string_view) { return std::nullopt; }, text);
}

TEST(SerialFrames, RelayAndDmxFramesByteByByte) {
    EXPECT_EQ(LcusFrame(1, false), (Bytes{0xA0, 1, 0, 0xA1}));
    EXPECT_EQ(LcusFrame(8, true), (Bytes{0xA0, 8, 1, 0xA9}));

    // At least 24 channels; the length counts the start code.
    Bytes small{0x7E, 6, 25, 0, 0, 200, 0, 0, 0, 0, 0, 0, 200};
    small.resize(5 + 24, 0);
    small.push_back(0xE7);
    EXPECT_EQ(EnttecFrame(0x81, 1, 200), small);
    // The last eight channels: 512 of them and the start code.
    const auto large = EnttecFrame(0x80, 505, 255);
    ASSERT_EQ(large.size(), 5u + 512 + 1);
    EXPECT_EQ((Bytes(large.begin(), large.begin() + 4)), (Bytes{0x7E, 6, 0x01, 0x02}));
    EXPECT_EQ(large[4 + 512], 255);
    EXPECT_EQ(std::count(large.begin() + 5, large.end() - 1, 0), 511);
}

TEST(SerialFrames, RelaysHearEveryLineAfterForgetThenOnlyChanges) {
    CSerialEncoder lcus({1, SerialProtocol::Lcus});
    EXPECT_EQ(lcus.Show(0x01).size(), 8u * 4);
    EXPECT_EQ(lcus.Show(0x82), (Bytes{0xA0, 1, 0, 0xA1, 0xA0, 2, 1, 0xA3, 0xA0, 8, 1, 0xA9}));
    EXPECT_TRUE(lcus.Show(0x82).empty());
    EXPECT_TRUE(lcus.Repeat().empty()) << "relay modules keep their state";
    lcus.Forget();
    EXPECT_EQ(lcus.Show(0).size(), 8u * 4);

    CSerialEncoder byte({1, SerialProtocol::Byte});
    EXPECT_TRUE(byte.Repeat().empty()) << "nothing shown yet";
    EXPECT_EQ(byte.Show(0x5A), Bytes{0x5A});
    EXPECT_EQ(byte.Repeat(), Bytes{0x5A});
    CSerialEncoder enttec({1, SerialProtocol::Enttec, 57600, 3, 9});
    EXPECT_EQ(enttec.Show(1), EnttecFrame(1, 3, 9));
    EXPECT_EQ(enttec.Repeat(), EnttecFrame(1, 3, 9));
}

TEST(SerialFrames, SettingsDefaultsAndRefusals) {
    auto byte = Ini("serial_port = com256");
    EXPECT_EQ(ReadSerialConfig(byte)->Describe(), "COM256, byte, 115200 baud");
    auto lcus = Ini("serial_port = COM3\nserial_protocol = LCUS"); // any case, as the window
    EXPECT_EQ(ReadSerialConfig(lcus)->baud, 9600u);
    auto dmx = Ini("serial_port=COM1\nserial_protocol=enttec\nserial_baud=250000\nchannel=9");
    EXPECT_EQ(ReadSerialConfig(dmx)->Describe(), "COM1, enttec, 250000 baud, channel 9, level 255");
    auto dtr = Ini("serial_port = COM1\nserial_dtr = High");
    EXPECT_EQ(ReadSerialConfig(dtr)->dtr, SerialDtr::High);

    for (const char* port : {"COM0", "COM257", "COM01", "COM", "LPT1", "COM-1"}) {
        auto settings = Ini(std::string("serial_port = ") + port);
        EXPECT_EQ(ReadSerialConfig(settings), std::nullopt) << port;
    }
    auto unset = Ini("serial_protocol = byte");
    EXPECT_EQ(ReadSerialConfig(unset), std::nullopt);
    auto bad = Ini("serial_port = COM2\nserial_protocol = dmx\nserial_baud = 0\nserial_dtr = on");
    EXPECT_EQ(ReadSerialConfig(bad), std::nullopt);
    ASSERT_EQ(bad.Notes().size(), 3u);
    EXPECT_NE(bad.Notes()[0].find("not byte, lcus or enttec"), std::string::npos);
}

// After a write cut short the relay module meets a whole frame it refuses (a wrong sum), then
// every line; the driver's bound covers every relay at once even at 1200 baud (267 ms).
TEST(SerialFrames, AFrameCutShortIsMadeUpAndTheTimeoutFollowsTheBaud) {
    CSerialEncoder lcus({1, SerialProtocol::Lcus});
    const auto all = lcus.Show(0x01);
    lcus.Cut(6);
    lcus.Forget();
    const auto again = lcus.Show(0x01);
    EXPECT_EQ(Bytes(again.begin(), again.begin() + 2), (Bytes{0, 0}));
    EXPECT_EQ(Bytes(again.begin() + 2, again.end()), all);
    EXPECT_GT(WriteTimeoutMs({1, SerialProtocol::Lcus, 1200}), 32u * 10 * 1000 / 1200 + 200);
    EXPECT_LE(WriteTimeoutMs({1, SerialProtocol::Byte, 115200}), 210u);
}

// D2 to D0 must not close relays 1 and 3 together, as a motor's two directions (the HID
// boards' reports below likewise).
TEST(SerialFrames, EveryLineGoingOffIsSentBeforeAnyGoingOn) {
    CSerialEncoder lcus({1, SerialProtocol::Lcus});
    lcus.Show(0x04);
    EXPECT_EQ(lcus.Show(0x01), (Bytes{0xA0, 3, 0, 0xA3, 0xA0, 1, 1, 0xA2}));
}

HidDeviceAnswer Answer(std::uint16_t vendor, std::wstring product, const char* id) {
    HidDeviceAnswer answer{L"\\\\?\\hid#" + product, vendor, kRelayProduct, product};
    for (int i = 0; i < 5; ++i)
        answer.state[std::size_t(i) + 1] = std::uint8_t(id[i]);
    return answer;
}

TEST(HidRelays, ChoosesTheFirstBoardOrTheOneWithTheId) {
    const HidDeviceAnswer answers[] = {
        Answer(0x046D, L"USBRelay2", "MOUSE"), // another vendor
        Answer(kRelayVendor, L"USBRelay9", "NINE9"), Answer(kRelayVendor, L"USBRelay", "NONE0"),
        Answer(kRelayVendor, L"USBRelay2", "ABCDE"), Answer(kRelayVendor, L"USBRelay8", "QW\x01RT"),
    };
    const auto first = ChooseRelayBoard(answers, "");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->index, 3u);
    EXPECT_EQ(first->relays, 2);
    const auto chosen = ChooseRelayBoard(answers, "qw?rt");
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->index, 4u);
    EXPECT_EQ(chosen->relays, 8);
    EXPECT_FALSE(ChooseRelayBoard(answers, "MOUSE"));
    EXPECT_FALSE(ChooseRelayBoard(std::span(answers, 3), ""));
    // A board that answers no id (one Wine 10 keeps after it went away) comes after one that does.
    HidDeviceAnswer kept[] = {Answer(kRelayVendor, L"USBRelay2", "\0\0\0\0\0"),
                              Answer(kRelayVendor, L"USBRelay2", "VMREL")};
    kept[1].path += L"#2";
    EXPECT_EQ(ChooseRelayBoard(kept, "")->index, 1u);
    EXPECT_EQ(ChooseRelayBoard(std::span(kept, 1), "")->index, 0u);
    // Once driven without its id, that board is looked for at its path alone.
    EXPECT_EQ(ChooseRelayBoard(kept, "", kept[0].path)->index, 0u);
    EXPECT_FALSE(ChooseRelayBoard(std::span(kept + 1, 1), "", kept[0].path));
    // Two boards with one id: neither is taken for the other.
    const HidDeviceAnswer twins[] = {Answer(kRelayVendor, L"USBRelay2", "ABCDE"),
                                     Answer(kRelayVendor, L"USBRelay4", "abcde")};
    EXPECT_FALSE(ChooseRelayBoard(twins, "ABCDE"));
}

TEST(HidRelays, ReportsForTheBoardsRelaysOnly) {
    CRelayEncoder two(2);
    const std::vector<RelayReport> all = {{0, 0xFD, 2}, {0, 0xFF, 1}};
    EXPECT_EQ(two.Show(0xF1), all) << "D2..D7 have no relay; off before on";
    EXPECT_EQ(two.Show(0x02), (std::vector<RelayReport>{{0, 0xFD, 1}, {0, 0xFF, 2}}));
    EXPECT_TRUE(two.Show(0xFE).empty());
    EXPECT_EQ(UnusedLinesNote(2), L"D2\u2013D7 без реле");
    EXPECT_EQ(UnusedLinesNote(7), L"D7 без реле");
    EXPECT_EQ(UnusedLinesNote(8), L"");
}

} // namespace
} // namespace tavo
