// The hidrelay back end: a USB HID relay board, found through SetupAPI and hid.dll. The
// choice of board and the reports come from hid_relays; here the system is asked and the
// reports are sent.
#include <windows.h>

// mingw-w64's header lacks the C linkage.
extern "C" {
#include <hidsdi.h>
}

#include <algorithm>

#include "tavo/backends/backends.h"
#include "tavo/backends/board_probe.h"
#include "tavo/backends/device_list.h"
#include "tavo/backends/device_writer.h"
#include "tavo/settings/file_handle.h"
#include "tavo/backends/hid/hid_relays.h"

namespace tavo {
namespace {

struct HidApi {
    static constexpr char kDll[] = "hid.dll";

    decltype(&::HidD_GetHidGuid) HidD_GetHidGuid;
    decltype(&::HidD_GetAttributes) HidD_GetAttributes;
    decltype(&::HidD_GetProductString) HidD_GetProductString;
    decltype(&::HidD_GetFeature) HidD_GetFeature;
    decltype(&::HidD_SetFeature) HidD_SetFeature;

    bool Bind(CSystemExports& dll) {
        return dll.Find("HidD_GetHidGuid", HidD_GetHidGuid) &&
               dll.Find("HidD_GetAttributes", HidD_GetAttributes) &&
               dll.Find("HidD_GetProductString", HidD_GetProductString) &&
               dll.Find("HidD_GetFeature", HidD_GetFeature) &&
               dll.Find("HidD_SetFeature", HidD_SetFeature);
    }
};

// Both libraries the back end asks the system through.
struct HidSystem {
    const SetupApi& setup;
    const HidApi& hid;
};

CFileHandle OpenHid(const std::wstring& path) {
    return AdoptFile(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                 nullptr));
}

// What one HID device says of itself; only relay boards are asked for their name and id.
HidDeviceAnswer Ask(const HidApi& hid, std::wstring path) {
    HidDeviceAnswer answer;
    answer.path = std::move(path);
    const auto device = OpenHid(answer.path);
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    if (!device || !hid.HidD_GetAttributes(device.get(), &attributes)) return answer;
    answer.vendor = attributes.VendorID;
    answer.product = attributes.ProductID;
    if (answer.vendor != kRelayVendor || answer.product != kRelayProduct) return answer;
    wchar_t product[127] = {};
    if (hid.HidD_GetProductString(device.get(), product, sizeof product - sizeof *product))
        answer.productString = product;
    hid.HidD_GetFeature(device.get(), answer.state.data(), ULONG(answer.state.size()));
    return answer;
}

std::vector<HidDeviceAnswer> AskAll(const HidSystem& system) {
    const auto& setup = system.setup;
    std::vector<HidDeviceAnswer> answers;
    GUID hid{};
    system.hid.HidD_GetHidGuid(&hid);
    const auto list =
        AdoptDeviceList(setup, setup.SetupDiGetClassDevsW(&hid, nullptr, nullptr,
                                                          DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!list) return answers;
    SP_DEVICE_INTERFACE_DATA item{};
    item.cbSize = sizeof item;
    for (DWORD i = 0; setup.SetupDiEnumDeviceInterfaces(list.get(), nullptr, &hid, i, &item); ++i) {
        DWORD size = 0;
        setup.SetupDiGetDeviceInterfaceDetailW(list.get(), &item, nullptr, 0, &size, nullptr);
        if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
        std::vector<std::uint64_t> buffer(size / sizeof(std::uint64_t) + 1); // aligned
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
        detail->cbSize = sizeof *detail;
        if (setup.SetupDiGetDeviceInterfaceDetailW(list.get(), &item, detail, size, nullptr,
                                                   nullptr))
            answers.push_back(Ask(system.hid, detail->DevicePath));
    }
    return answers;
}

std::string Describe(const RelayBoard& board) {
    return "USBRelay" + std::to_string(board.relays) + " " + board.id;
}

class CRelayDevice final : public CDevice {
public:
    CRelayDevice(const HidApi& hid, CFileHandle board, const RelayBoard& info)
        : m_hid(hid), m_board(std::move(board)), m_encoder(info.relays),
          m_name("hidrelay: " + Describe(info)) {}

    DWORD Show(std::uint8_t value, bool all) override {
        if (all) m_encoder.Forget();
        for (auto report : m_encoder.Show(value))
            if (!m_hid.HidD_SetFeature(m_board.get(), report.data(), ULONG(report.size())))
                return GetLastError() ? GetLastError() : ERROR_GEN_FAILURE;
        return 0;
    }
    std::string Name() const override { return m_name; }

private:
    const HidApi& m_hid;
    CFileHandle m_board;
    CRelayEncoder m_encoder;
    std::string m_name;
};

// The board asked for, or the first one; once chosen, that board alone: looked for by its
// id, or by its path when its id could not be read.
class CRelaySource final : public CDeviceSource {
public:
    CRelaySource(const HidSystem& system, std::string wanted)
        : m_system(system), m_wanted(std::move(wanted)) {}

    // The board chosen among what the system reports now; nullopt with notes when none.
    std::optional<RelayBoard> Choose(const std::vector<HidDeviceAnswer>& answers, CReporter& notes,
                                     std::wstring& why) const {
        const auto board = ChooseRelayBoard(answers, m_wanted, m_path);
        if (board) return board;
        const auto boards = RelayBoards(answers);
        const auto same = std::ranges::count_if(
            boards, [&](const RelayBoard& b) { return SameRelayId(b.id, m_wanted); });
        std::string note = "hidrelay: no USBRelay board";
        if (same > 1) note = "hidrelay: several boards answer to id " + m_wanted + "; driving none";
        else if (!m_wanted.empty()) note += " with id " + m_wanted;
        else if (!m_path.empty()) note += " where the one driven (its id unread) was";
        for (const auto& b : boards)
            note += "; attached " + b.id;
        notes.TraceNote(note);
        const std::wstring id(m_wanted.begin(), m_wanted.end());
        why = same > 1 ? L"несколько реле " + id
                       : (m_wanted.empty() ? L"нет USB-реле" : L"нет реле " + id);
        return std::nullopt;
    }

    // From now on, that board and no other.
    void Pin(const RelayBoard& board, const std::vector<HidDeviceAnswer>& answers) {
        if (!m_wanted.empty()) return;
        if (KnownRelayId(board.id))
            m_wanted = board.id;
        else
            m_path = answers[board.index].path;
    }

    std::unique_ptr<CDevice> Connect(CReporter& notes) override {
        std::wstring why;
        const auto answers = AskAll(m_system);
        const auto board = Choose(answers, notes, why);
        auto device = board ? OpenHid(answers[board->index].path) : CFileHandle();
        if (board && !device) {
            notes.TraceNote("hidrelay: cannot open " + Describe(*board) + ", error " +
                            std::to_string(GetLastError()));
            why = L"реле недоступно";
        }
        if (!device) {
            notes.PortNote(0, why);
            return nullptr;
        }
        Pin(*board, answers);
        notes.TraceNote("hidrelay: " + Describe(*board));
        notes.PortNote(0, UnusedLinesNote(board->relays));
        return std::make_unique<CRelayDevice>(m_system.hid, std::move(device), *board);
    }

private:
    const HidSystem m_system;
    std::string m_wanted; // Connect's alone once the writer runs
    std::wstring m_path;  // likewise
};

// Names the board it drives, for the claim on it.
class CRelayBackend final : public CDeviceBackend {
public:
    CRelayBackend(std::shared_ptr<CDeviceSource> source, CReporter& reporter, std::string unit)
        : CDeviceBackend(std::move(source), reporter), m_unit(std::move(unit)) {}
    std::string Unit() const override { return m_unit; }

private:
    const std::string m_unit;
};

} // namespace

std::optional<std::string> FindRelayBoard(CReporter& reporter) {
    const auto* setup = SystemApi<SetupApi>(reporter, "board probe");
    const auto* hid = SystemApi<HidApi>(reporter, "board probe");
    if (!setup || !hid) return std::nullopt;
    const auto board = ChooseRelayBoard(AskAll({*setup, *hid}), "");
    if (!board) return std::nullopt;
    return Describe(*board);
}

std::unique_ptr<CBackend> MakeHidRelayBackend(CSettings& settings, CReporter& reporter,
                                              std::wstring& why) {
    const auto& raw = settings.Raw("hid_serial");
    const std::string wanted = raw ? raw->text : "";
    // A board asked for by a bad id is not replaced by whichever comes first; an id of
    // another length would never match.
    if (!wanted.empty() && wanted.size() != kRelayIdLength) {
        settings.Reject("hid_serial", "not a board id of 5 characters");
        why = L"ошибка настройки реле";
        return nullptr;
    }
    const auto* setup = SystemApi<SetupApi>(reporter, "hidrelay");
    const auto* hid = SystemApi<HidApi>(reporter, "hidrelay");
    if (!setup || !hid) {
        why = L"нет USB-реле";
        return nullptr;
    }
    const HidSystem system{*setup, *hid};
    auto source = std::make_shared<CRelaySource>(system, wanted);
    const auto answers = AskAll(system);
    const auto board = source->Choose(answers, reporter, why);
    if (!board) return nullptr;
    // The board chosen now is the one a check of it must see driven.
    source->Pin(*board, answers);
    const std::string unit = wanted.empty() && KnownRelayId(board->id) ? board->id : "";
    return std::make_unique<CRelayBackend>(std::move(source), reporter, unit);
}

std::vector<RelayBoard> FindRelayBoards(CReporter& reporter) {
    const auto* setup = SystemApi<SetupApi>(reporter, "hidrelay");
    const auto* hid = SystemApi<HidApi>(reporter, "hidrelay");
    if (!setup || !hid) return {};
    return RelayBoards(AskAll({*setup, *hid}));
}

} // namespace tavo
