// kiv.exe started as a user starts it, in a fresh working folder with virtual ports.
#include <gtest/gtest.h>

#include "driver/driver.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace kivdrv {
namespace {

const std::wstring kTitle = L"Автомат световых эффектов для WinNT, Win2000";
const std::wstring kAlreadyRunning =
    L"Программа уже работает.\nНевозможно запустить вторую\nкопию программы.";
const std::wstring kProfileKey = L"Software\\Автомат световых эффектов";
const std::wstring kClasses = L"Software\\Classes\\";
const std::wstring kTypeId = L"АвтоматСветовыхЭффектов.Документ";

void ClearRegistry() {
    DeleteRegTree(kProfileKey);
    DeleteRegTree(kClasses + L".cmb");
    DeleteRegTree(kClasses + kTypeId);
}

class Startup : public ::testing::Test {
protected:
    CTempDir work;

    void SetUp() override { ClearRegistry(); }
    void TearDown() override { ClearRegistry(); }

    StartOptions Kiv(const std::wstring& lpt,
                     const std::wstring& exe = ProgramFolder() + L"kiv.exe") const {
        return {
            exe, {}, work.Path().wstring(), {{L"TAVO_LPT", lpt}, {L"TAVO_TRACE", std::nullopt}}};
    }
    std::optional<std::vector<std::uint8_t>> PortFile() const {
        return ReadFileBytes(work / "port.cst");
    }

    // Reads the process's first box, presses OK and waits for the process to end.
    // A copy of kiv.exe in a folder of its own with `library` (or none) as its tavo.dll;
    // the start ends with the library's error box and leaves no port file.
    MessageBoxInfo StartBesideLibrary(const char* library) {
        CTempDir folder;
        fs::copy_file(fs::path(ProgramFolder()) / "kiv.exe", folder / "kiv.exe");
        if (library) fs::copy_file(fs::path(ProgramFolder()) / library, folder / "tavo.dll");
        CProcess kiv(Kiv(L"378,0,0", (folder / "kiv.exe").wstring()));
        MessageBoxInfo box = AnswerBoxAndEnd(kiv);
        EXPECT_EQ(box.caption, L"Ошибка библиотеки TAVO.DLL");
        EXPECT_FALSE(PortFile());
        return box;
    }

    static MessageBoxInfo AnswerBoxAndEnd(const CProcess& process) {
        HWND box = WaitForMessageBox(process.Id());
        EXPECT_TRUE(box);
        if (!box) return {};
        MessageBoxInfo info = ReadMessageBox(box);
        EXPECT_TRUE(PressButton(box, IDOK));
        EXPECT_EQ(process.Wait(), 0u);
        return info;
    }
};

HWND WaitForMainWindow(const CProcess& process) {
    return WaitForWindow({kTitle, std::nullopt, process.Id(), true});
}

void CloseAndWait(const CProcess& process, HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(process.Wait(), 0u);
}

TEST_F(Startup, FreshFolderGetsPortFileOfTheFirstPresentPortAndTheWindowIsShown) {
    CProcess kiv(Kiv(L"0,278,3bc"));
    HWND window = WaitForMainWindow(kiv);
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitUntil([&] { return PortFile().has_value(); }));
    EXPECT_EQ(*PortFile(), (std::vector<std::uint8_t>{0x78, 0x02, 0x00, 0x00}));

    auto state = ReadWindowState(window);
    ASSERT_TRUE(state);
    EXPECT_FALSE(state->minimized);
    EXPECT_EQ(state->rect.right - state->rect.left, 605);
    EXPECT_EQ(state->rect.bottom - state->rect.top, 380);
    // ".cmb" is registered for the current user at every start.
    EXPECT_EQ(ReadRegString(kClasses + L".cmb", L""), kTypeId);
    auto command = ReadRegString(kClasses + kTypeId + L"\\shell\\open\\command", L"");
    ASSERT_TRUE(command);
    EXPECT_NE(command->find(L"kiv.exe\" \"%1\""), std::wstring::npos);
    CloseAndWait(kiv, window);

    // /Unregister takes the association away again and ends without a window.
    StartOptions unregister = Kiv(L"0,278,3bc");
    unregister.args = {L"/Unregister"};
    EXPECT_EQ(CProcess(unregister).Wait(), 0u);
    EXPECT_FALSE(RegKeyExists(kClasses + L".cmb"));
    EXPECT_FALSE(RegKeyExists(kClasses + kTypeId));
}

TEST_F(Startup, ExistingPortFileIsUsedUnchanged) {
    // A short file of a port that does not exist: read as it is, never rewritten at start.
    const std::vector<std::uint8_t> stored{0x34, 0x12};
    ASSERT_TRUE(WriteFileBytes(work / "port.cst", stored));
    CProcess kiv(Kiv(L"378,0,0"));
    HWND window = WaitForMainWindow(kiv);
    ASSERT_TRUE(window);
    EXPECT_EQ(*PortFile(), stored);
    CloseAndWait(kiv, window);
}

TEST_F(Startup, FolderThatRefusesThePortFileIsNamedWithAPlaceToMoveTo) {
    // A folder in the way of port.cst: the write is refused, as under Program Files.
    fs::create_directory(work / "port.cst");
    CProcess kiv(Kiv(L"378,0,0"));
    HWND box = WaitForMessageBox(kiv.Id());
    ASSERT_TRUE(box);
    MessageBoxInfo info = ReadMessageBox(box);
    EXPECT_NE(info.text.find(L"«" + work.Path().wstring() + L"»"), std::wstring::npos);
    EXPECT_NE(info.text.find(L"Documents\\" + work.Path().filename().wstring() + L"»"),
              std::wstring::npos)
        << info.text;
    EXPECT_EQ(info.icon, IconKind::Warning);
    EXPECT_TRUE(PressButton(box, IDOK));
    // The program goes on with the default port. (Its frame shows behind the box already: a
    // close posted while the box is up would be taken by the box's own loop.)
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    HWND window = WaitForMainWindow(kiv);
    ASSERT_TRUE(window);
    fs::remove(work / "port.cst");
    CloseAndWait(kiv, window);
}

TEST_F(Startup, SecondCopyIsRefusedAndBringsTheFirstBack) {
    CProcess first(Kiv(L"378,0,0"));
    HWND window = WaitForMainWindow(first);
    ASSERT_TRUE(window);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return ReadWindowState(window)->minimized; }));

    CTempDir secondWork;
    StartOptions options = Kiv(L"378,0,0");
    options.workDir = secondWork.Path().wstring();
    CProcess second(options);
    MessageBoxInfo box = AnswerBoxAndEnd(second);
    EXPECT_EQ(box.caption, kTitle);
    EXPECT_EQ(box.text, kAlreadyRunning);
    EXPECT_EQ(box.icon, IconKind::Warning);

    EXPECT_TRUE(WaitUntil([&] { return !ReadWindowState(window)->minimized; }));
    EXPECT_FALSE(ReadFileBytes(secondWork / "port.cst"));
    EXPECT_TRUE(first.IsRunning());

    // An uninstall's /Unregister beside the running copy ends at once, with no box.
    options.args = {L"/Unregister"};
    EXPECT_EQ(CProcess(options).Wait(), 0u);
    EXPECT_FALSE(RegKeyExists(kClasses + L".cmb"));
    CloseAndWait(first, window);
}

TEST_F(Startup, TwoCopiesStartedAtOnceLeaveOneRunning) {
    CTempDir secondWork;
    StartOptions options = Kiv(L"378,0,0");
    CProcess first(options);
    options.workDir = secondWork.Path().wstring();
    CProcess second(options);
    // Whichever loses shows the message and ends; the other shows its window.
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        return (box = FindTopLevelWindow({kTitle, L"#32770", 0, true})) != nullptr;
    }));
    const bool firstLost = WindowProcessId(box) == first.Id();
    const CProcess& winner = firstLost ? second : first;
    HWND window = WaitForMainWindow(winner);
    EXPECT_TRUE(window);
    EXPECT_EQ(AnswerBoxAndEnd(firstLost ? first : second).text, kAlreadyRunning);
    EXPECT_EQ(FindTopLevelWindows({kTitle, std::nullopt, 0, true}).size(), 1u);
    CloseAndWait(winner, window);
}

TEST_F(Startup, ForeignWindowWithTheSameTitleRefusesTheStart) {
    HWND foreign = CreateWindowExW(0, L"STATIC", kTitle.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr,
                                   nullptr, nullptr, nullptr);
    ASSERT_TRUE(foreign);
    CProcess kiv(Kiv(L"378,0,0"));
    MessageBoxInfo box = AnswerBoxAndEnd(kiv);
    EXPECT_EQ(box.text, kAlreadyRunning);
    EXPECT_FALSE(PortFile());
    EXPECT_FALSE(RegKeyExists(kClasses + L".cmb")); // nothing else was set up
    DestroyWindow(foreign);
}

TEST_F(Startup, NoPortsEndsWithItsMessage) {
    CProcess kiv(Kiv(L"0,0,0"));
    MessageBoxInfo box = AnswerBoxAndEnd(kiv);
    EXPECT_EQ(box.text, L"В системе нет LPT порта.");
    EXPECT_EQ(box.caption, kTitle);
    EXPECT_EQ(box.icon, IconKind::Error);
    EXPECT_FALSE(PortFile());
}

TEST_F(Startup, MissingLibraryIsReportedAndOneInTheWorkingFolderIsNotLoaded) {
    // kiv.exe alone in its folder; a genuine tavo.dll planted in the working folder.
    fs::copy_file(fs::path(ProgramFolder()) / "tavo.dll", work / "tavo.dll");
    MessageBoxInfo box = StartBesideLibrary(nullptr);
    EXPECT_FALSE(box.text.empty());
    EXPECT_EQ(box.icon, IconKind::Error);
}

TEST_F(Startup, LibraryWithoutCountLptIsReportedClearly) {
    MessageBoxInfo box = StartBesideLibrary("kiv_no_count_tavo.dll");
    EXPECT_EQ(box.text, L"В библиотеке TAVO.DLL нет функции CountLPT.");
}

} // namespace
} // namespace kivdrv
