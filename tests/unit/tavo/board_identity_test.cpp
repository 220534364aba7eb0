// A board chosen in the window found again by what it is, on the SetupAPI answers Windows
// gives for its usual adapters: an FTDI port under its bus driver (with a serial number),
// a CH340 without one (known by its socket), a built-in port.
#include "tavo/backends/board_identity.h"
#include "tavo/backends/serial_frames.h"
#include "tavo/window/outputs_model.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using tavo::PortDevice;

constexpr wchar_t kSocket2[] = L"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)";
constexpr wchar_t kSocket4[] = L"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(4)";

// A COM port of a USB device, as SetupAPI and the configuration manager answer for it.
PortDevice Usb(const wchar_t* com, const std::wstring& device, const wchar_t* socket) {
    return {com, std::nullopt, L"", {}, device, socket};
}
PortDevice Ftdi(const wchar_t* com, const wchar_t* serial) {
    return Usb(com, std::wstring(L"USB\\VID_0403&PID_6001\\") + serial, kSocket4);
}
PortDevice Ch340(const wchar_t* com, const wchar_t* instance, const wchar_t* socket) {
    return Usb(com, std::wstring(L"USB\\VID_1A86&PID_7523\\") + instance, socket);
}
const PortDevice kBuiltIn{L"COM1", 0x3F8, L"Communications Port", {L"ACPI\\PNP0501"}};

// What the window saves for `device` picked as COM`port`, read back as the library reads it.
tavo::BoardChoice Picked(const PortDevice& device, int port) {
    const auto text = tavo::BoardChoiceText({*tavo::BoardIdOf(device), port});
    const auto choice = tavo::ParseBoardChoice(std::string(text.begin(), text.end()));
    EXPECT_TRUE(choice) << std::string(text.begin(), text.end());
    return choice.value_or(tavo::BoardChoice{});
}

struct Found {
    std::optional<int> port;
    std::wstring note;
};
Found Find(const tavo::BoardChoice& choice, const std::vector<PortDevice>& present) {
    Found found;
    found.port = tavo::FindBoardPort(choice, present, [&](std::wstring n) { found.note = n; });
    return found;
}

TEST(BoardIdentity, ABoardIsFoundAgainUnderANewComNumber) {
    const auto ftdi = Picked(Ftdi(L"COM3", L"A50285BI"), 3);
    const auto found = Find(ftdi, {kBuiltIn, Ftdi(L"COM7", L"A50285BI")});
    EXPECT_EQ(found.port, 7);
    EXPECT_NE(found.note.find(L"0403:6001 A50285BI found again on COM7"), std::wstring::npos);
    // A board without a serial number, back in its socket under another number.
    const auto ch340 = Picked(Ch340(L"COM3", L"5&2A3B4C5D&0&2", kSocket2), 3);
    EXPECT_EQ(Find(ch340, {Ch340(L"COM4", L"5&2A3B4C5D&0&2", kSocket2)}).port, 4);
    // Where it was: no note. No device list at all (Wine): the port as chosen.
    EXPECT_EQ(Find(ch340, {Ch340(L"COM3", L"5&2A3B4C5D&0&2", kSocket2)}).note, L"");
    EXPECT_EQ(Find(ch340, {}).port, 3);
}

TEST(BoardIdentity, TwoBoardsOfOneKindAreNeverSwapped) {
    const auto a = Picked(Ch340(L"COM3", L"5&2A3B4C5D&0&2", kSocket2), 3);
    const auto b = Ch340(L"COM3", L"5&2A3B4C5D&0&4", kSocket4); // took A's number
    const auto found = Find(a, {b});
    EXPECT_EQ(found.port, std::nullopt);
    EXPECT_NE(found.note.find(L"COM3 is now board 1a86:7523 at " + std::wstring(kSocket4)),
              std::wstring::npos);
    // Two FTDI boards that traded numbers.
    const auto x = Picked(Ftdi(L"COM3", L"A50285BI"), 3);
    EXPECT_EQ(Find(x, {Ftdi(L"COM3", L"FT4ZQ1X9"), Ftdi(L"COM4", L"A50285BI")}).port, 4);
}

TEST(BoardIdentity, ASavedBoardCountsOnlyForItsPortAndOnlyWhenItParses) {
    tavo::CSettings settings([](std::string_view) { return std::optional<std::string>(); },
                             "serial_port = COM7\nserial_board = 0403:6001 A50285BI on COM3\n");
    const auto config = tavo::ReadSerialConfig(settings);
    ASSERT_TRUE(config);
    EXPECT_FALSE(config->board) << "the port was set by hand since";
    EXPECT_EQ(settings.Notes().size(), 1u);
    for (const char* bad : {"0403:6001 on COM3", "0403-6001 A50285BI on COM3",
                            "1a86:7523 at USB(2) on COM999", "0403:6001 A50285BI COM3"})
        EXPECT_FALSE(tavo::ParseBoardChoice(bad)) << bad;
}

// The window saves the board with the port ticked, and drops it for a port without one.
TEST(BoardIdentity, TheWindowSavesWhichBoardWasTicked) {
    const std::string x = "0403:6001 A50285BI on COM3";
    std::vector<tavo::OutputRow> rows = {
        {.kind = tavo::BackendKind::Serial, .value = "COM3", .board = x},
        {.kind = tavo::BackendKind::Serial, .value = "COM7"}};
    tavo::Tick(rows, 0, true);
    EXPECT_EQ(tavo::SettingsOf(rows, {})["serial_board"], x);
    tavo::Tick(rows, 1, true);
    EXPECT_EQ(tavo::SettingsOf(rows, {})["serial_board"], std::nullopt);
}

} // namespace
