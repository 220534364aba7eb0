// The window "Выходы" driven with xdotool as a user drives it: the mouse on the list, the
// lists and the buttons, found where the window shows them; in a program of its own, and
// from the lamps' menu of a running kiv.exe. COM7 is a pty of tools/with-serial-ptys, whose
// far end is recorded (KIV_SERIAL_CAPTURE).
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "driver/driver.h"
#include "driver/lamps.h"
#include "frame_session.h"
#include "tavo/window/outputs_ids.h"

namespace kivdrv {
namespace {

// COM7 in the system's list of serial ports, as a serial driver puts a port it adds.
class CListedPort {
public:
    CListedPort() { RegSetKeyValueW(HKEY_LOCAL_MACHINE, kKey, kValue, REG_SZ, L"COM7", 10); }
    ~CListedPort() { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kKey, kValue); }

private:
    static constexpr wchar_t kKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
    static constexpr wchar_t kValue[] = L"\\Device\\TavoTestSerial7";
};

// Real X input: xdotool, a Linux program, started from here as Wine starts any program.
// Wine cannot wait for a Linux process: each step waits for what it does instead.
void X(std::vector<std::wstring> args, const std::wstring& program = L"/usr/bin/xdotool") {
    CProcess({program, std::move(args), {}, {}});
}

void ClickAt(POINT screen) {
    X({L"mousemove", std::to_wstring(screen.x), std::to_wstring(screen.y), L"click", L"1"});
}

void Click(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    ClickAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

// The control with the focus in the thread of `window`.
HWND Focused(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

// Gives `control` the focus with a click.
void Focus(HWND control) {
    Click(control);
    EXPECT_TRUE(WaitUntil([&] { return Focused(control) == control; }));
}

// With KIV_SHOTS=FOLDER (a Linux path) the window is photographed there, for the README.
void Shot(HWND window, const std::wstring& name) {
    const wchar_t* folder = _wgetenv(L"KIV_SHOTS");
    if (!folder) return;
    RECT r{};
    GetWindowRect(window, &r);
    const std::wstring path = std::wstring(folder) + L"/" + name;
    DeleteFileW((L"Z:" + path).c_str());
    X({L"-c", L"sleep 1; import -window root -crop " + std::to_wstring(r.right - r.left) + L"x" +
                  std::to_wstring(r.bottom - r.top) + L"+" + std::to_wstring(r.left) + L"+" +
                  std::to_wstring(r.top) + L" +repage png:" + path + L".tmp && mv " + path +
                  L".tmp " + path},
      L"/bin/sh");
    WaitUntil(
        [&] { return GetFileAttributesW((L"Z:" + path).c_str()) != INVALID_FILE_ATTRIBUTES; });
}

// The list of the window, read through a buffer in its process: a list view's items
// travel by pointer.
class CRemoteList {
public:
    explicit CRemoteList(HWND list) : m_list(list) {
        GetWindowThreadProcessId(list, &m_pid);
        m_process =
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, m_pid);
        m_buffer = static_cast<std::uint8_t*>(
            VirtualAllocEx(m_process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    }
    ~CRemoteList() {
        VirtualFreeEx(m_process, m_buffer, 0, MEM_RELEASE);
        CloseHandle(m_process);
    }
    CRemoteList(const CRemoteList&) = delete;
    CRemoteList& operator=(const CRemoteList&) = delete;

    int Count() const { return int(SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0)); }
    bool Checked(int row) const {
        return (SendMessageW(m_list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) >> 12) == 2;
    }
    std::wstring Text(int row, int column) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = reinterpret_cast<wchar_t*>(m_buffer + 512);
        item.cchTextMax = 256;
        Put(item);
        SendMessageW(m_list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(m_buffer));
        wchar_t text[256] = {};
        ReadProcessMemory(m_process, m_buffer + 512, text, sizeof text - sizeof *text, nullptr);
        return text;
    }
    // The first row whose name starts with `name`; -1 when none.
    int Find(std::wstring_view name) {
        for (int row = 0; row < Count(); ++row)
            if (Text(row, 0).starts_with(name)) return row;
        return -1;
    }
    // Where a user clicks to tick the row: its check box, left of the name.
    POINT CheckBox(int row) {
        RECT bounds{LVIR_BOUNDS, 0, 0, 0};
        Put(bounds);
        SendMessageW(m_list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(m_buffer));
        ReadProcessMemory(m_process, m_buffer, &bounds, sizeof bounds, nullptr);
        POINT point{bounds.left + 8, (bounds.top + bounds.bottom) / 2};
        ClientToScreen(m_list, &point);
        return point;
    }

private:
    template <typename T> void Put(const T& value) {
        WriteProcessMemory(m_process, m_buffer, &value, sizeof value, nullptr);
    }

    HWND m_list;
    DWORD m_pid = 0;
    HANDLE m_process = nullptr;
    std::uint8_t* m_buffer = nullptr;
};

std::vector<std::uint8_t> Captured() {
    const wchar_t* path = _wgetenv(L"KIV_SERIAL_CAPTURE");
    return path ? ReadFileBytes(path).value_or(std::vector<std::uint8_t>{})
                : std::vector<std::uint8_t>{};
}

// The relays' states as the LC module's frames (A0, relay, state, sum) switch them, each
// state once; empty when a frame is malformed.
std::vector<int> RelayStates(std::span<const std::uint8_t> bytes) {
    std::vector<int> states{0};
    int state = 0;
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        const auto* f = &bytes[i];
        if (f[0] != 0xA0 || f[1] < 1 || f[1] > 8 || f[2] > 1 ||
            f[3] != ((f[0] + f[1] + f[2]) & 0xFF))
            return {};
        state = f[2] ? state | 1 << (f[1] - 1) : state & ~(1 << (f[1] - 1));
        if (state != states.back()) states.push_back(state);
    }
    return bytes.size() % 4 ? std::vector<int>{} : states;
}

class COutputsWindow {
public:
    explicit COutputsWindow(const std::filesystem::path& appData,
                            std::wstring program = ProgramFolder() + L"tavo_outputs_probe.exe")
        : m_process({std::move(program), {}, {}, {{L"APPDATA", appData.wstring()}}}) {
        m_dialog = WaitForWindow({L"Выходы", std::nullopt, m_process.Id(), true}, 30s);
    }
    HWND Dialog() const { return m_dialog; }
    HWND Item(int id) const { return GetDlgItem(m_dialog, id); }
    const CProcess& Process() const { return m_process; }

private:
    CProcess m_process;
    HWND m_dialog = nullptr;
};

std::string Text(const std::filesystem::path& path) {
    const auto bytes = ReadFileBytes(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "(none)";
}

// The per-user tavo.ini under a fresh APPDATA, with a comment the window must keep.
class CUserIni {
public:
    static constexpr std::string_view kFirst = "; the boards in the hall\r\nlamps = 1\r\n";
    static constexpr std::string_view kRelayModuleOnCom7 =
        "; the boards in the hall\r\nlamps = 1\r\nbackend = serial\r\nserial_baud = 9600\r\n"
        "serial_port = COM7\r\nserial_protocol = lcus\r\n";

    CUserIni() {
        std::filesystem::create_directory(m_appData / "kiv");
        EXPECT_TRUE(WriteFileBytes(
            Path(), {reinterpret_cast<const std::uint8_t*>(kFirst.data()), kFirst.size()}));
    }
    const std::filesystem::path& AppData() const { return m_appData.Path(); }
    std::filesystem::path Path() const { return m_appData / "kiv" / "tavo.ini"; }

private:
    CTempDir m_appData;
};

// In the window: COM7 ticked, the LC relay module chosen, OK pressed.
void ChooseRelayModuleOnCom7(HWND dialog) {
    CRemoteList list(GetDlgItem(dialog, IDC_OUTPUT_LIST));
    const int row = list.Find(L"COM7");
    ASSERT_GE(row, 0) << "COM7 listed";
    ClickAt(list.CheckBox(row));
    EXPECT_TRUE(WaitUntil([&] { return list.Checked(row); }));
    const HWND protocol = GetDlgItem(dialog, IDC_PROTOCOL);
    Click(protocol);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageW(protocol, CB_GETDROPPEDSTATE, 0, 0); }));
    X({L"key", L"Down", L"Return"});
    EXPECT_TRUE(WaitUntil([&] { return SendMessageW(protocol, CB_GETCURSEL, 0, 0) == 1; }));
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_BAUD)), L"9600");
    Click(GetDlgItem(dialog, IDOK));
}

TEST(OutputsWindow, AUserChoosesTheRelayModuleOnCom7ThenChecksIt) {
    const CListedPort com7;
    const CUserIni ini;
    {
        const COutputsWindow window(ini.AppData());
        ASSERT_TRUE(window.Dialog());
        ChooseRelayModuleOnCom7(window.Dialog());
        EXPECT_EQ(window.Process().Wait(10s), 1u) << "saved";
    }
    EXPECT_EQ(Text(ini.Path()), CUserIni::kRelayModuleOnCom7);

    const COutputsWindow window(ini.AppData());
    ASSERT_TRUE(window.Dialog());
    CRemoteList list(window.Item(IDC_OUTPUT_LIST));
    ASSERT_TRUE(list.Checked(list.Find(L"COM7")));
    // A level that would not parse: the field says so, and OK keeps the window.
    Focus(window.Item(IDC_LEVEL));
    X({L"key", L"End", L"5"});
    EXPECT_TRUE(WaitUntil([&] {
        return WindowText(window.Item(IDC_NET_PROBLEM)) == L"Уровень: нужно число от 0 до 255";
    }));
    Click(window.Item(IDOK));
    EXPECT_TRUE(WaitUntil(
        [&] { return WindowText(window.Item(IDC_CHECK_SUMMARY)).starts_with(L"Не сохранено"); }));
    Shot(window.Dialog(), L"outputs-problem.png");
    X({L"key", L"BackSpace"});
    EXPECT_TRUE(WaitUntil([&] { return WindowText(window.Item(IDC_NET_PROBLEM)).empty(); }));
    const int driver = list.Find(L"LPT через драйвер");
    ClickAt(list.CheckBox(driver));
    ASSERT_TRUE(WaitUntil([&] { return list.Checked(driver); }));
    // Each check tells its result in the summary under the list.
    const auto check = [&](const std::wstring& expected) {
        Click(window.Item(IDC_CHECK));
        std::wstring summary;
        EXPECT_TRUE(WaitUntil(
            [&] {
                summary = WindowText(window.Item(IDC_CHECK_SUMMARY));
                return summary.find(expected) != std::wstring::npos;
            },
            30s))
            << Narrow(summary);
        return summary;
    };
    // A run in another process plays on COM7: the check leaves it alone.
    const std::size_t before = Captured().size();
    {
        const HANDLE run = CreateEventW(nullptr, TRUE, FALSE, L"Local\\tavo-output-serial-COM7");
        const auto summary = check(L"COM7 — занят показом");
        CloseHandle(run);
        EXPECT_NE(summary.find(L"— нет драйвера"), std::wstring::npos) << Narrow(summary);
        EXPECT_EQ(Captured().size(), before);
    }
    check(L"COM7 — работает");
    std::vector<int> states;
    ASSERT_TRUE(WaitUntil([&] {
        const auto got = Captured();
        states = RelayStates(std::span(got).subspan(std::min(before, got.size())));
        return states.size() > 1 && states.back() == 0;
    }));
    std::vector<int> lit;
    for (const int state : states)
        if (state) lit.push_back(state);
    EXPECT_EQ(lit, (std::vector<int>{1, 2, 4, 8, 16, 32, 64, 128}));
    EXPECT_EQ(states.back(), 0);
    Shot(window.Dialog(), L"outputs.png");
    Click(window.Item(IDCANCEL));
    EXPECT_EQ(window.Process().Wait(10s), 0u);
    EXPECT_EQ(Text(ini.Path()).substr(0, CUserIni::kFirst.size()), CUserIni::kFirst);
}

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The window of a program alone in a folder, so tavo.ini beside it is the test's own; no
// per-user file until the window writes one.
class CAloneProgram {
public:
    explicit CAloneProgram(std::string_view ini) {
        EXPECT_TRUE(CopyFileW((ProgramFolder() + L"tavo_outputs_probe.exe").c_str(),
                              Program().c_str(), TRUE));
        EXPECT_TRUE(WriteFileBytes(Ini(), Bytes(ini)));
    }
    std::filesystem::path Ini() const { return m_folder / "tavo.ini"; }
    std::filesystem::path UserIni() const { return m_folder / "AppData" / "kiv" / "tavo.ini"; }
    COutputsWindow Open() const { return COutputsWindow(m_folder / "AppData", Program()); }

private:
    std::wstring Program() const { return (m_folder / "outputs.exe").wstring(); }
    CTempDir m_folder;
};

// The universe field gets one more digit.
void AddToUniverse(HWND dialog) {
    const HWND universe = GetDlgItem(dialog, IDC_UNIVERSE);
    Focus(universe);
    X({L"key", L"End", L"5"});
    EXPECT_TRUE(WaitUntil([&] { return WindowText(universe).ends_with(L"5"); }));
}

// A message box the window shows over itself; null when none comes.
HWND BoxOver(HWND dialog) {
    HWND box = nullptr;
    WaitUntil([&] {
        for (const HWND w :
             FindTopLevelWindows({std::nullopt, L"#32770", WindowProcessId(dialog), true}))
            if (GetWindow(w, GW_OWNER) == dialog) box = w;
        return box != nullptr;
    });
    return box;
}

// Notepad's "Unicode" file beside the program. Read-only, OK says why the save failed and
// moves nothing unasked. A per-user file made meanwhile, OK asks about the key both
// changed and writes the user's change onto that file as it is then, still UTF-16.
TEST(OutputsWindow, ASaveBesideTheProgramLosesNothing) {
    const auto utf16 = [](std::u16string_view text) {
        return "\xFF\xFE" +
               std::string(reinterpret_cast<const char*>(text.data()), 2 * text.size());
    };
    const auto opened = utf16(u"backend = e131\r\nuniverse = 2\r\n");
    const CAloneProgram alone(opened);
    SetFileAttributesW(alone.Ini().c_str(), FILE_ATTRIBUTE_READONLY);
    const auto window = alone.Open();
    ASSERT_TRUE(window.Dialog());
    AddToUniverse(window.Dialog());
    Click(window.Item(IDOK));
    HWND box = BoxOver(window.Dialog());
    ASSERT_TRUE(box);
    const auto asked = ReadMessageBox(box).text;
    EXPECT_NE(asked.find(alone.Ini().wstring()), std::wstring::npos) << Narrow(asked);
    EXPECT_NE(asked.find(L"Записать настройки в файл пользователя"), std::wstring::npos);
    EXPECT_TRUE(PressButton(box, IDNO));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    EXPECT_FALSE(std::filesystem::exists(alone.UserIni()));
    EXPECT_EQ(Text(alone.Ini()), opened);

    // A per-user file made meanwhile is what the library reads now: the change goes onto it.
    std::filesystem::create_directories(alone.UserIni().parent_path());
    ASSERT_TRUE(WriteFileBytes(alone.UserIni(), Bytes(utf16(u"universe = 3\r\nchannel = 9\r\n"))));
    Click(window.Item(IDOK));
    box = BoxOver(window.Dialog());
    ASSERT_TRUE(box);
    EXPECT_NE(ReadMessageBox(box).text.find(L"universe"), std::wstring::npos);
    EXPECT_TRUE(PressButton(box, IDYES));
    EXPECT_EQ(window.Process().Wait(10s), 1u) << "saved";
    EXPECT_EQ(Text(alone.UserIni()), utf16(u"universe = 25\r\nchannel = 9\r\n"));
    EXPECT_EQ(Text(alone.Ini()), opened);
    SetFileAttributesW(alone.Ini().c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Under make run the environment chooses the outputs: the window shows what runs, marks
// it, and leaves the fields it sets alone. By keyboard, Space on "Проверить" disables it
// while the check runs, Tab goes on from a live control, and the check's summary leaves the
// marked line in view. A port plugged in joins the list. Resized, the list takes the room
// (docs/outputs-resized.png).
TEST(OutputsWindow, UnderMakeRunByKeyboardPluggedInAndResized) {
    const CListedPort com7;
    const CUserIni ini;
    const CScopedEnv backend(L"TAVO_BACKEND", L"serial");
    const CScopedEnv port(L"TAVO_SERIAL_PORT", L"COM7");
    const CScopedEnv baud(L"TAVO_SERIAL_BAUD", L"9600");
    const COutputsWindow window(ini.AppData());
    ASSERT_TRUE(window.Dialog());
    CRemoteList list(window.Item(IDC_OUTPUT_LIST));
    EXPECT_TRUE(list.Checked(list.Find(L"COM7")));
    EXPECT_FALSE(IsWindowEnabled(window.Item(IDC_BAUD)));
    EXPECT_EQ(WindowText(window.Item(IDC_BAUD)), L"9600");
    // COM8 is only a link in the prefix's dosdevices, as README.txt teaches to make one.
    EXPECT_GE(list.Find(L"COM8"), 0);
    const auto marked = WindowText(window.Item(IDC_ENVIRONMENT));
    EXPECT_NE(marked.find(L"TAVO_SERIAL_PORT = COM7"), std::wstring::npos) << Narrow(marked);

    const HWND check = window.Item(IDC_CHECK);
    Focus(window.Item(IDC_BRIDGE));
    X({L"key", L"Tab"});
    ASSERT_TRUE(WaitUntil([&] { return Focused(check) == check; }));
    X({L"key", L"space"});
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(check); }));
    X({L"key", L"Tab"});
    const HWND next = Focused(check);
    EXPECT_TRUE(next && IsWindowEnabled(next) && IsWindowVisible(next));
    EXPECT_TRUE(WaitUntil(
        [&] { return WindowText(window.Item(IDC_CHECK_SUMMARY)).starts_with(L"Проверено"); }, 30s));
    EXPECT_EQ(WindowText(window.Item(IDC_ENVIRONMENT)), marked);

    EXPECT_EQ(list.Find(L"COM12"), -1);
    constexpr wchar_t kKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kKey, L"\\Device\\TavoTestSerial12", REG_SZ, L"COM12", 12);
    PostMessageW(window.Dialog(), WM_DEVICECHANGE, 0x0007 /* DBT_DEVNODES_CHANGED */, 0);
    // The search is the one the window opened with, slow under load: a bound against a hang.
    EXPECT_TRUE(WaitUntil([&] { return list.Find(L"COM12") >= 0; }, 30s));
    EXPECT_TRUE(list.Checked(list.Find(L"COM7"))) << "the ticks stay";
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kKey, L"\\Device\\TavoTestSerial12");

    const auto listWidth = [&] {
        RECT r{};
        GetWindowRect(window.Item(IDC_OUTPUT_LIST), &r);
        return r.right - r.left;
    };
    const LONG wider = listWidth() + 240;
    RECT r{};
    GetWindowRect(window.Dialog(), &r);
    SetWindowPos(window.Dialog(), nullptr, 0, 0, r.right - r.left + 240, r.bottom - r.top + 120,
                 SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(WaitUntil([&] { return listWidth() == wider; })) << listWidth() << " for " << wider;
    Shot(window.Dialog(), L"outputs-resized.png");
}

// The relays' states, frame by frame, while `rows` play round and round from all off:
// between two rows every relay going off is switched before any going on, D0 first.
std::vector<int> BreakBeforeMake(std::span<const std::uint8_t> rows, std::size_t count) {
    std::vector<int> states{0};
    for (std::size_t i = 0; states.size() < count; ++i) {
        const int row = rows[i % rows.size()];
        int state = states.back();
        for (int bit = 1; bit < 0x100; bit <<= 1)
            if (state & bit & ~row) states.push_back(state &= ~bit);
        for (int bit = 1; bit < 0x100; bit <<= 1)
            if (row & bit & ~state) states.push_back(state |= bit);
    }
    states.resize(count);
    return states;
}

// kiv.exe plays on the lamps; the user chooses the relay module on COM7 from the lamps'
// menu, and the next Start plays on COM7 without a restart.
TEST(OutputsWindow, ChosenFromTheLampsMenuTheRelayModuleDrivesTheNextStart) {
    ClearKivRegistry();
    const CListedPort com7;
    const CUserIni ini;
    const CScopedEnv appData(L"APPDATA", ini.AppData().wstring());
    const CTempDir work;
    const std::vector<std::uint8_t> rows = {0x04, 0x01, 0x06, 0x05, 0x08};
    ASSERT_TRUE(WriteFileBytes(work / L"p.cmb", CmbFile(rows)));
    CKivSession kiv(work, L"378,0,0", {(work / L"p.cmb").wstring()});
    ASSERT_TRUE(kiv.Frame());
    // Start, two rounds of the rows, Stop.
    const auto play = [&] {
        const std::size_t closed = Calls(kiv.Trace(), "ClosePrt").size();
        const std::size_t until = Calls(kiv.Trace(), "W_P").size() + 2 * rows.size();
        kiv.Press({VK_F4});
        EXPECT_TRUE(WaitUntil([&] { return Calls(kiv.Trace(), "W_P").size() >= until; }, 30s));
        kiv.Press({VK_F5});
        EXPECT_TRUE(WaitUntil([&] { return Calls(kiv.Trace(), "ClosePrt").size() > closed; }));
    };
    play();
    const HWND panel = WaitForLampPanel(kiv.Process().Id(), L"LPT1 378h");
    ASSERT_TRUE(panel);
    RECT r{};
    GetClientRect(panel, &r);
    POINT middle{r.right / 2, r.bottom / 2};
    ClientToScreen(panel, &middle);
    X({L"mousemove", std::to_wstring(middle.x), std::to_wstring(middle.y), L"click", L"3"});
    ASSERT_TRUE(WaitUntil([&] {
        return FindTopLevelWindow({std::nullopt, L"#32768", kiv.Process().Id(), true});
    }));
    X({L"key", L"Down", L"Return"});
    const HWND dialog = WaitForWindow({L"Выходы", std::nullopt, kiv.Process().Id(), true}, 30s);
    ASSERT_TRUE(dialog);
    ChooseRelayModuleOnCom7(dialog);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(Text(ini.Path()), CUserIni::kRelayModuleOnCom7);

    const std::size_t before = Captured().size();
    play();
    std::vector<int> states;
    ASSERT_TRUE(WaitUntil([&] {
        const auto got = Captured();
        const auto run = std::span(got).subspan(std::min(before, got.size()));
        states = RelayStates(run);
        // The close's eight frames last: a row change switches fewer.
        return states.size() > rows.size() && run.size() >= 32 &&
               RelayStates(run.last(32)) == std::vector<int>{0};
    })) << "COM7 driven, then closed";
    auto want = BreakBeforeMake(rows, states.size() - 1);
    want.push_back(0);
    EXPECT_EQ(states, want);
    EXPECT_TRUE(kiv.CloseAndWait());
    ClearKivRegistry();
}

// The program's context-menu key (Shift+F10) opens the lamps' menu. The program closes
// during a check on the relay module with a field changed: the window ends the check,
// every relay off, asks whether to save the change, and the program ends.
TEST(OutputsWindow, ByKeyboardFromTheLampsAndClosedWithTheProgramLinesOff) {
    ClearKivRegistry();
    const CListedPort com7;
    const CUserIni ini;
    ASSERT_TRUE(WriteFileBytes(ini.Path(), Bytes(CUserIni::kRelayModuleOnCom7)));
    const CScopedEnv appData(L"APPDATA", ini.AppData().wstring());
    const CTempDir work;
    CKivSession kiv(work, L"378,0,0");
    ASSERT_TRUE(kiv.Frame());
    kiv.Press({VK_F4});
    ASSERT_TRUE(WaitForLampPanel(kiv.Process().Id(), L"LPT1 378h"));
    kiv.Press({VK_F5});
    ASSERT_TRUE(WaitUntil([&] { return Calls(kiv.Trace(), "ClosePrt").size() == 1; }));
    kiv.Press({VK_SHIFT, VK_F10});
    ASSERT_TRUE(WaitUntil([&] {
        return FindTopLevelWindow({std::nullopt, L"#32768", kiv.Process().Id(), true});
    }));
    SendKeys({VK_DOWN});
    SendKeys({VK_RETURN});
    const HWND dialog = WaitForWindow({L"Выходы", std::nullopt, kiv.Process().Id(), true}, 30s);
    ASSERT_TRUE(dialog);
    const std::size_t before = Captured().size();
    std::vector<int> states;
    const auto checked = [&] {
        const auto got = Captured();
        states = RelayStates(std::span(got).subspan(std::min(before, got.size())));
        return !states.empty();
    };
    Click(GetDlgItem(dialog, IDC_CHECK));
    ASSERT_TRUE(WaitUntil([&] { return checked() && states.back() != 0; }, 30s));
    AddToUniverse(dialog);
    PostMessageW(kiv.Frame(), WM_CLOSE, 0, 0);
    const HWND box = BoxOver(dialog);
    ASSERT_TRUE(box) << "asked about the change";
    EXPECT_TRUE(PressButton(box, IDNO));
    EXPECT_EQ(kiv.Process().Wait(30s), 0u);
    EXPECT_TRUE(WaitUntil([&] { return checked() && states.back() == 0; })) << "a relay left on";
    ClearKivRegistry();
}

} // namespace
} // namespace kivdrv
