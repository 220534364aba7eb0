// A board chosen in the window found again by what it is, on the SetupAPI answers Windows
// gives for its usual adapters: an FTDI port under its bus driver (with a serial number),
// a CH340 without one (known by its socket), a built-in port.
#include "tavo/backends/serial/board_identity.h"
#include "tavo/backends/serial/serial_frames.h"
#include "tavo/window/outputs_model.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using tavo::PortDevice;

// COM`com` of a USB board in socket `socket`, as SetupAPI and the configuration manager
// answer for it.
PortDevice Usb(int com, const wchar_t* ids, const std::wstring& instance, int socket) {
    PortDevice device{};
    device.portName = L"COM" + std::to_wstring(com);
    device.usbDevice = L"USB\\" + std::wstring(ids) + L"\\" + instance;
    device.usbLocation = L"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(" + std::to_wstring(socket) + L")";
    return device;
}
PortDevice Ftdi(int com, const wchar_t* serial) {
    return Usb(com, L"VID_0403&PID_6001", serial, 4);
}
PortDevice Ch340(int com, int socket) {
    return Usb(com, L"VID_1A86&PID_7523", L"5&2A3B4C5D&0&" + std::to_wstring(socket), socket);
}
const PortDevice kBuiltIn{L"COM1", 0x3F8, L"Communications Port", {L"ACPI\\PNP0501"}};

// `chosen`, picked as COM3 in the window and saved, is looked for among `present`: the
// port found, and a note holding `note` ("": no note).
void ExpectFound(const PortDevice& chosen, const std::vector<PortDevice>& present,
                 std::optional<int> port, const std::wstring& note) {
    const auto text = tavo::BoardChoiceText({*tavo::BoardIdOf(chosen), 3});
    const auto choice = tavo::ParseBoardChoice(std::string(text.begin(), text.end()));
    ASSERT_TRUE(choice) << std::string(text.begin(), text.end());
    std::wstring heard;
    EXPECT_EQ(tavo::FindBoardPort(*choice, present, [&](std::wstring n) { heard = n; }), port)
        << std::string(text.begin(), text.end());
    EXPECT_TRUE(note.empty() ? heard.empty() : heard.find(note) != std::wstring::npos)
        << std::string(heard.begin(), heard.end());
}

TEST(BoardIdentity, ABoardIsFoundAgainUnderANewComNumber) {
    ExpectFound(Ftdi(3, L"A50285BI"), {kBuiltIn, Ftdi(7, L"A50285BI")}, 7,
                L"0403:6001 A50285BI found again on COM7");
    ExpectFound(Ch340(3, 2), {Ch340(4, 2)}, 4, L"found again on COM4"); // by its socket
    ExpectFound(Ch340(3, 2), {Ch340(3, 2)}, 3, L"");
    ExpectFound(Ch340(3, 2), {}, 3, L"not among the system's ports; COM3 as set"); // Wine
}

TEST(BoardIdentity, TwoBoardsOfOneKindAreNeverSwapped) {
    ExpectFound(Ch340(3, 2), {Ch340(3, 4)}, std::nullopt,
                L"COM3 is now board 1a86:7523 at PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(4)");
    ExpectFound(Ftdi(3, L"A50285BI"), {Ftdi(3, L"FT4ZQ1X9"), Ftdi(4, L"A50285BI")}, 4,
                L"found again on COM4");
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

// The window ticks the COM port the library opens: the board where it is now, never another
// on the number it was chosen on, and a device change keeps the tick on the board.
TEST(BoardIdentity, TheWindowTicksTheChosenBoardWhereItIs) {
    const auto x3 = Ftdi(3, L"A50285BI"), x5 = Ftdi(5, L"A50285BI"), y3 = Ftdi(3, L"FT4ZQ1X9");
    const auto text = [](const PortDevice& device) {
        const auto board =
            tavo::BoardChoiceText({*tavo::BoardIdOf(device), tavo::ParseComPort(device.portName).value_or(0)});
        return std::string(board.begin(), board.end());
    };
    auto settings = tavo::FileSettings("backend = serial\nserial_port = COM3\nserial_board = " +
                                       text(x3) + "\n");
    // The rows of `present`, ticked as the window opens them.
    const auto open = [&](const std::vector<PortDevice>& present, bool tick = true) {
        std::vector<tavo::OutputRow> rows;
        for (const auto& device : present)
            rows.push_back({.kind = tavo::BackendKind::Serial,
                            .value = "COM" + std::to_string(tavo::ParseComPort(device.portName).value_or(0)),
                            .board = text(device)});
        if (tick) tavo::TickFromSettings(rows, settings, present);
        return rows;
    };
    // COM3's board is never ticked; the other row is the chosen board's.
    const auto chosenOnly = [](const std::vector<tavo::OutputRow>& rows) {
        return rows.size() == 2 && !rows[0].ticked && rows[1].ticked;
    };
    EXPECT_TRUE(chosenOnly(open({y3, x5})));
    const auto rows = open({y3});
    EXPECT_TRUE(chosenOnly(rows));
    EXPECT_EQ(tavo::TickedNotWorking(rows), L"Плата 0403:6001 A50285BI — нет выбранной платы");
    auto again = open({y3, x5}, false);
    tavo::CarryTicks(rows, again);
    EXPECT_TRUE(chosenOnly(again)) << "plugged in on COM5";
}

} // namespace
