// Real ports through a port-I/O driver library: a fake one beside a private tavo.dll
// records what reaches it; and the device configuration mapped to LPT1..LPT3.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tavo/backends/device_ports.h"
#include "tavo/backends/driver_loader.h"
#include "tavo_copy.h"

namespace {

enum class Fake { None, Out32, DlPortOnly };

// The driver library the library looks for in this build's width.
const std::string kDriver = sizeof(void*) == 8 ? "inpoutx64.dll" : "inpout32.dll";

struct FakeSetup {
    std::string backend;
    Fake fake = Fake::Out32;
    bool driverOpen = true;
};

// The whole text of a file; empty when there is none.
std::string Text(const std::filesystem::path& path) {
    const auto bytes = kivdrv::ReadFileBytes(path).value_or(std::vector<std::uint8_t>{});
    return {bytes.begin(), bytes.end()};
}

// A private tavo.dll with the fake driver library beside it. The library loads the driver
// at its first call, so the fake's environment stays set while this lives.
struct CFakeDriverRig {
    explicit CFakeDriverRig(const FakeSetup& setup)
        : log(L"FAKE_INPOUT_LOG", (dir / "written.txt").wstring()),
          open(L"FAKE_INPOUT_OPEN", setup.driverOpen ? L"1" : L"0"),
          tavo({std::nullopt, "backend = " + setup.backend + "\n", (dir / "trace.txt").wstring()}) {
        const auto fake = setup.fake == Fake::Out32 ? "fake_inpout" : "fake_dlport";
        if (setup.fake != Fake::None)
            std::filesystem::copy_file(std::filesystem::path(kivdrv::ProgramFolder()) / fake /
                                           kDriver,
                                       tavo.Path().parent_path() / kDriver);
    }

    kivdrv::CTempDir dir;
    kivdrv::CScopedEnv log, open;
    tavotest::CTavo tavo;
};

TEST(InpoutDll, DrivesTheDriverOrFallsBackToVirtualPorts) {
    struct Case {
        FakeSetup setup;
        bool drives;
        std::vector<std::string> notes;
    };
    const Case cases[] = {
        {{"inpout"}, true, {"through " + kDriver + " Out32", "device configuration: no LPT port"}},
        {{"auto"}, true, {"through " + kDriver + " Out32", "64h is no parallel-port address"}},
        {{"inpout", Fake::DlPortOnly}, true, {"through " + kDriver + " DlPortWritePortUchar"}},
        {{"inpout", Fake::Out32, false}, false, {kDriver + " reports its driver not open"}},
        {{"inpout", Fake::None}, false, {"no " + kDriver + " beside tavo.dll or in the system"}},
        // auto: a closed driver is worth a note, an absent one is simply the default.
        {{"auto", Fake::Out32, false}, false, {kDriver + " reports its driver not open"}},
        {{"auto", Fake::None}, false, {}},
    };
    for (const auto& [setup, drives, notes] : cases) {
        SCOPED_TRACE(setup.backend + " fake " + std::to_string(int(setup.fake)) + " open " +
                     std::to_string(setup.driverOpen));
        const CFakeDriverRig rig(setup);
        // Wine has no LPT device: the default stands.
        EXPECT_EQ(rig.tavo.CountLPT(nullptr, nullptr, nullptr), 1);
        // PCI Express cards sit beyond 7fffh; 64h is the keyboard controller, never a
        // parallel port; 10378h must not be cut to 378h.
        for (const std::uint32_t address : {0x378u, 0xD100u, 0x64u, 0x10378u}) {
            const auto handle = rig.tavo.OpenPrt(address, 1, 1);
            for (const std::uint32_t value : {0x1A5u, 0x81u, 0u})
                rig.tavo.W_P(handle, value, 0);
            rig.tavo.ClosePrt(handle);
        }
        const auto driver = rig.tavo.Path().parent_path() / kDriver;
        EXPECT_FALSE(GetModuleHandleW(driver.c_str())) << "let go with the last port";
        const auto trace = Text(rig.dir / "trace.txt");
        EXPECT_EQ(Text(rig.dir / "written.txt"),
                  drives ? "378 a5\n378 81\n378 0\nd100 a5\nd100 81\nd100 0\n" : "");
        for (const auto& note : notes)
            EXPECT_NE(trace.find(note), std::string::npos) << note << " in\n" << trace;
        EXPECT_EQ(trace.find("falling back to virtual ports") != std::string::npos,
                  setup.backend == "inpout" && !drives);
        auto withoutNotes = kivdrv::ReadTrace(rig.dir / "trace.txt").value();
        // No note but the one naming the settings file.
        if (notes.empty()) {
            for (const auto& r : withoutNotes)
                EXPECT_TRUE(r.call != "note" || r.text.starts_with("settings from ")) << trace;
        }
        std::erase_if(withoutNotes, [](const auto& r) { return r.call == "note"; });
        EXPECT_EQ(withoutNotes.size(), 1u + 4 * 5) << "the same call lines for every back end";
    }
}

// The loader of Windows 7 without its update, which refuses the search flags.
std::vector<std::wstring> g_asked;
HMODULE WINAPI RefusingLoader(LPCWSTR path, HANDLE file, DWORD flags) {
    g_asked.push_back(path);
    if (!(flags & (LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32)))
        return LoadLibraryExW(path, file, flags);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

TEST(DriverLoader, TakesFullPathsOnlyWhenTheLoaderRefusesTheSearchFlags) {
    struct : tavo::CReporter {
        void TraceNote(std::string_view) override {}
        void PortNote(std::uint32_t, std::wstring) override {}
    } reporter;
    const kivdrv::CTempDir dir;
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring driver(kDriver.begin(), kDriver.end()),
        folder = dir.Path().wstring() + L"\\", own = folder + driver,
        sys = system + (L"\\" + driver);
    bool absent = false;
    const auto load = [&] {
        g_asked.clear();
        return tavo::LoadDriverLibrary(folder, kDriver, reporter, absent, &RefusingLoader);
    };
    EXPECT_FALSE(load());
    EXPECT_EQ(g_asked, (std::vector{own, own, sys, sys})) << "never the bare name";
    std::filesystem::copy_file(
        std::filesystem::path(kivdrv::ProgramFolder()) / "fake_inpout" / kDriver, own);
    EXPECT_TRUE(load());
    EXPECT_EQ(g_asked, (std::vector{own, own}));
}

// The driver stands in for a system DLL: it is in the current folder, not the system's.
struct DriverApi {
    static constexpr const char* kDll = sizeof(void*) == 8 ? "inpoutx64.dll" : "inpout32.dll";
    void(WINAPI* out32)(short, short);
    bool Bind(tavo::CSystemExports& dll) { return dll.Find("Out32", out32); }
};
struct KernelApi {
    static constexpr char kDll[] = "kernel32.dll";
    decltype(&::GetCurrentProcessId) id;
    decltype(&::Sleep) sleep;
    bool Bind(tavo::CSystemExports& dll) {
        return dll.Find("GetCurrentProcessId", id) && dll.Find("NoSuchFunction", sleep);
    }
};

TEST(DriverLoader, SystemDllsComeFromTheSystemFolderWithAllTheirFunctionsOrNotAtAll) {
    struct : tavo::CReporter {
        void TraceNote(std::string_view text) override { notes.emplace_back(text); }
        void PortNote(std::uint32_t, std::wstring) override {}
        std::vector<std::string> notes;
    } reporter;
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(kivdrv::ProgramFolder()) / "fake_inpout");
    EXPECT_FALSE(tavo::SystemApi<DriverApi>(reporter, "a"));
    std::filesystem::current_path(here);
    EXPECT_FALSE(tavo::SystemApi<KernelApi>(reporter, "b"));
    EXPECT_EQ(reporter.notes,
              (std::vector<std::string>{"a: " + kDriver +
                                            " does not load from the system folder (error 126)",
                                        "b: kernel32.dll lacks NoSuchFunction"}));
}

TEST(DevicePorts, RecordedAnswersMapToLpt1ToLpt3) {
    using tavo::LptAddresses;
    const std::pair<std::vector<tavo::PortDevice>, std::optional<LptAddresses>> cases[] = {
        {{{L"COM1", 0x3F8}, {L"LPT1", 0x378}}, LptAddresses{0x378, 0, 0}},
        // An added PCI Express card, high in the I/O space.
        {{{L"COM1", 0x3F8}, {L"LPT3", 0xD100}, {L"LPT1", 0x378}}, LptAddresses{0x378, 0, 0xD100}},
        // A disabled port has no allocated range; names in any case, trailing blanks.
        {{{L"LPT1", std::nullopt}, {L"lpt2 ", 0x278}}, LptAddresses{0, 0x278, 0}},
        {{{L"LPT1", 0x3BC}, {L"LPT1", 0x378}}, LptAddresses{0x3BC, 0, 0}}, // the first counts
        {{{L"LPT1", 0x10378}, {L"LPT4", 0x278}, {L"LPT", 0x378}, {L"COM3", 0x2E8}, {L"", 0x3BC}},
         std::nullopt},
        {{}, std::nullopt},
    };
    for (const auto& [devices, expected] : cases) {
        const auto found = tavo::LptFromDevices(devices);
        EXPECT_EQ(found, expected) << (found ? tavo::LptListText(*found) : "none");
    }
}

} // namespace

// What Windows answers for COM ports on real machines: only USB adapters count as boards.
TEST(DevicePorts, UsbSerialAdaptersAreKnownByTheirHardwareIds) {
    const std::pair<tavo::PortDevice, bool> cases[] = {
        {{L"COM3",
          std::nullopt,
          L"USB-SERIAL CH340 (COM3)",
          {L"USB\\VID_1A86&PID_7523&REV_0264", L"USB\\VID_1A86&PID_7523"}},
         true},
        {{L"COM5",
          std::nullopt,
          L"USB Serial Port (COM5)",
          {L"FTDIBUS\\COMPORT&VID_0403&PID_6001"}},
         true},
        {{L"com12", std::nullopt, L"", {L"usb\\vid_2341&pid_0043&rev_0001"}}, true},
        {{L"COM1", 0x3F8, L"Communications Port (COM1)", {L"ACPI\\PNP0501", L"*PNP0501"}}, false},
        {{L"COM6",
          std::nullopt,
          L"Standard Serial over Bluetooth link (COM6)",
          {L"BTHENUM\\{00001101-0000-1000-8000-00805f9b34fb}_LOCALMFG&0002"}},
         false},
        {{L"CNCA0", std::nullopt, L"com0com - serial port emulator CNCA0", {L"com0com\\port"}},
         false},
        {{L"LPT2", std::nullopt, L"", {L"USB\\VID_067B&PID_2305"}}, false},
        {{L"COM4", std::nullopt, L"USB Serial Device (COM4)", {}}, false},
    };
    for (const auto& [device, known] : cases)
        EXPECT_EQ(tavo::IsUsbSerialAdapter(device), known)
            << kivdrv::Narrow(device.friendlyName) << " " << kivdrv::Narrow(device.portName);
}
