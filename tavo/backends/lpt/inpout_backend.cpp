// Real LPT ports on Windows through a port-I/O driver library (inpoutx64.dll, or
// inpout32.dll in a 32-bit build): its Out32, or DlPortWritePortUchar, writes the data
// register; the addresses of LPT1..LPT3 come from the system's device configuration.
#include <windows.h>

#include <charconv>
#include <string>

#include "tavo/backends/backends.h"
#include "tavo/settings/config_source.h"
#include "tavo/backends/device_ports.h"
#include "tavo/backends/driver_loader.h"
#include "tavo/backends/found_outputs.h"

namespace tavo {
namespace {

constexpr std::string_view kDriverLibrary = sizeof(void*) == 8 ? "inpoutx64.dll" : "inpout32.dll";

// No parallel port lives among the system board's first 100h addresses (DMA, interrupt
// controller, timer, keyboard controller: a stray byte there can reset the machine), and
// the I/O space ends at ffffh: a handle at any other address drives nothing.
constexpr std::uint32_t kFirstPortAddress = 0x100;
constexpr std::uint32_t kLastPortAddress = 0xFFFF;

bool Drivable(std::uint32_t address) {
    return address >= kFirstPortAddress && address <= kLastPortAddress;
}

std::string Hex(std::uint32_t value) {
    char digits[8];
    return {digits, std::to_chars(digits, digits + sizeof digits, value, 16).ptr};
}

using Out32Fn = void(WINAPI*)(short address, short value);
using DlPortWriteFn = void(WINAPI*)(unsigned short port, unsigned char value);
using DriverOpenFn = BOOL(WINAPI*)();

template <typename Fn> Fn Find(const CLibraryModule& module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module.get(), name)));
}

// Whichever write function the driver library has; Out32 first.
struct PortWriter {
    Out32Fn out32 = nullptr;
    DlPortWriteFn dlPortWrite = nullptr;

    explicit operator bool() const { return out32 || dlPortWrite; }
    void operator()(std::uint16_t address, std::uint8_t value) const {
        // Out32 takes `short`: 8000h..ffffh travel as negative numbers, the same 16 bits.
        if (out32)
            out32(static_cast<short>(address), static_cast<short>(value));
        else
            dlPortWrite(address, value);
    }
};

class CInpoutBackend final : public CBackend {
public:
    CInpoutBackend(CLibraryModule library, PortWriter write, CReporter& reporter)
        : m_library(std::move(library)), m_write(write), m_reporter(reporter),
          m_devices(MakeSystemPortDevices(reporter)) {}

    std::optional<LptAddresses> ReportedPorts() override {
        const auto ports = LptFromDevices(m_devices->Present());
        m_reporter.TraceNote(ports ? "device configuration: lpt = " + LptListText(*ports)
                                   : "device configuration: no LPT port");
        return ports;
    }

    bool DrivesHardware() const override { return true; }

    void Open(const PortRef& port) override {
        if (Drivable(port.address)) return;
        m_reporter.TraceNote("inpout: " + Hex(port.address) +
                             "h is no parallel-port address (100h..ffffh): not driven");
        m_reporter.PortNote(port.address, L"не адрес порта");
    }

    void Write(const PortRef& port, std::uint8_t value) override {
        if (Drivable(port.address)) m_write(static_cast<std::uint16_t>(port.address), value);
    }

    void Close(const PortRef&) override {}

private:
    const CLibraryModule m_library;
    const PortWriter m_write;
    CReporter& m_reporter;
    const std::unique_ptr<CPortDevices> m_devices;
};

} // namespace

std::unique_ptr<CBackend> MakeInpoutBackend(HMODULE self, bool asked, CReporter& reporter,
                                            std::wstring& why) {
    const std::string library(kDriverLibrary);
    bool absent = false;
    auto module = LoadDriverLibrary(ModuleFolder(self), kDriverLibrary, reporter, absent);
    if (!module) {
        if (asked && absent)
            reporter.TraceNote("inpout: no " + library +
                               " beside tavo.dll or in the system folder");
        why = L"нет драйвера";
        return nullptr;
    }
    const auto driverOpen = Find<DriverOpenFn>(module, "IsInpOutDriverOpen");
    const PortWriter write{Find<Out32Fn>(module, "Out32"),
                           Find<DlPortWriteFn>(module, "DlPortWritePortUchar")};
    if (!driverOpen || !write) {
        reporter.TraceNote(
            "inpout: " + library + " lacks " +
            (driverOpen ? "both Out32 and DlPortWritePortUchar" : "IsInpOutDriverOpen"));
        why = L"неполный драйвер";
        return nullptr;
    }
    if (!driverOpen()) {
        reporter.TraceNote("inpout: " + library +
                           " reports its driver not open (not installed, or its first start "
                           "lacked administrator rights)");
        why = L"драйвер не открыт";
        return nullptr;
    }
    reporter.TraceNote("inpout: ports driven through " + library +
                       (write.out32 ? " Out32" : " DlPortWritePortUchar"));
    return std::make_unique<CInpoutBackend>(std::move(module), write, reporter);
}

std::vector<std::wstring> DriverLibraryPlaces(HMODULE self) {
    const std::wstring name(kDriverLibrary.begin(), kDriverLibrary.end());
    std::vector<std::wstring> places;
    for (const auto& folder : {ModuleFolder(self), SystemFolder()})
        if (!folder.empty()) places.push_back(folder + name);
    return places;
}

} // namespace tavo
