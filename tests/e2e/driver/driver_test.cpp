// The driver's own tests, against kivdriver_helper.exe.
#include <gtest/gtest.h>

#include "driver/driver.h"

namespace kivdrv {
namespace {

const std::wstring kTitle = L"Проверка драйвера";
const std::wstring kClass = L"KivDriverTestWindow";
constexpr int kEventLabelId = 100;

StartOptions Helper(std::vector<std::wstring> args) {
    return {ProgramFolder() + L"kivdriver_helper.exe", std::move(args), {}, {}};
}

// The helper's event window, started and found.
struct EventWindow {
    CProcess process{Helper({L"window", kTitle, kClass})};
    HWND window = WaitForWindow({kTitle, kClass, process.Id(), true});

    std::wstring LastEvent() const {
        return WindowText(FindChild(window, L"Static", kEventLabelId));
    }
    bool Shows(const std::wstring& event) const {
        return WaitUntil([&] { return LastEvent() == event; }, 5s);
    }
};

TEST(Process, PassesArgumentsWorkingFolderAndEnvironment) {
    const CTempDir work;
    const CScopedEnv inherited(L"KIVDRV_B", L"from the test");
    auto options = Helper({L"report", L"out.txt", L"two words", L"", L"say \"hi\"", L"trailing\\",
                           L"Комбинация.cmb"});
    options.workDir = work.Path().wstring();
    options.env = {{L"kivdrv_a", L"set"}, {L"KIVDRV_B", std::nullopt}};
    const CProcess process(options);
    ASSERT_EQ(process.Wait(), 0u);

    const auto bytes = ReadFileBytes(work / "out.txt");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(Widen({reinterpret_cast<const char*>(bytes->data()), bytes->size()}),
              L"cwd=" + work.Path().wstring() +
                  L"\narg=two words\narg=\narg=say \"hi\"\narg=trailing\\\narg=Комбинация.cmb\n"
                  L"KIVDRV_A=set\nKIVDRV_B=<unset>\n");
}

TEST(Process, IsKilledWhenItsOwnerGoes) {
    HANDLE watch = nullptr;
    {
        const EventWindow helper;
        ASSERT_TRUE(helper.window);
        watch = OpenProcess(SYNCHRONIZE, FALSE, helper.process.Id());
        ASSERT_TRUE(watch);
    }
    EXPECT_EQ(WaitForSingleObject(watch, 0), WAIT_OBJECT_0);
    CloseHandle(watch);
}

TEST(Process, StartFailureSaysWhy) {
    const StartOptions missing{L"C:\\no\\such.exe", {}, {}, {}};
    EXPECT_THROW(CProcess{missing}, std::runtime_error);
}

TEST(Windows, FoundByTitleClassAndProcessOnly) {
    const EventWindow helper;
    ASSERT_TRUE(helper.window);
    EXPECT_EQ(FindTopLevelWindow({.title = kTitle}), helper.window);
    EXPECT_EQ(FindTopLevelWindow({.cls = kClass}), helper.window);
    EXPECT_FALSE(FindTopLevelWindow({kTitle, kClass, helper.process.Id() + 4}));
    EXPECT_FALSE(FindTopLevelWindow({kTitle + L" ", kClass}));
    EXPECT_FALSE(WaitForWindow({.title = L"нет такого окна"}, 100ms));
    EXPECT_EQ(WindowText(helper.window), kTitle);
}

TEST(Windows, StateFollowsMinimiseAndClose) {
    const EventWindow helper;
    ASSERT_TRUE(helper.window);
    auto state = ReadWindowState(helper.window);
    ASSERT_TRUE(state);
    EXPECT_TRUE(state->visible);
    EXPECT_FALSE(state->minimized);
    EXPECT_EQ(state->rect.right - state->rect.left, 400);
    EXPECT_GT(state->clientRect.bottom, 200);

    PostMessageW(helper.window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitUntil([&] { return ReadWindowState(helper.window)->minimized; }));
    PostMessageW(helper.window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(helper.process.Wait());
    EXPECT_FALSE(ReadWindowState(helper.window));
}

TEST(Input, PostedCommandsAndKeysArrive) {
    const EventWindow helper;
    ASSERT_TRUE(helper.window);
    ASSERT_TRUE(PostCommand(helper.window, 59148));
    EXPECT_TRUE(helper.Shows(L"command 59148")) << helper.LastEvent();
    ASSERT_TRUE(PostKey(helper.window, VK_F4));
    EXPECT_TRUE(helper.Shows(L"key 115")) << helper.LastEvent();
}

TEST(Input, RealKeysAndClicksArrive) {
    const EventWindow helper;
    ASSERT_TRUE(helper.window);
    ASSERT_TRUE(WaitUntil([&] { return BringToFront(helper.window); }));
    ASSERT_TRUE(SendKeys({VK_CONTROL, 'N'}));
    EXPECT_TRUE(helper.Shows(L"key 78 ctrl")) << helper.LastEvent();
    ASSERT_TRUE(ClickClient(helper.window, {30, 40}));
    EXPECT_TRUE(helper.Shows(L"click 30 40")) << helper.LastEvent();
}

struct BoxCase {
    const wchar_t* icon;
    const wchar_t* buttons;
    IconKind kind;
    std::vector<int> ids;
};

class MessageBoxes : public testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxes, AreReadAndAnswered) {
    const auto& param = GetParam();
    const std::wstring text = L"В системе нет LPT порта.\nВторая строка";
    const CProcess process(
        Helper({L"msgbox", param.icon, param.buttons, L"Ошибка библиотеки", text}));
    const HWND box = WaitForMessageBox(process.Id());
    ASSERT_TRUE(box);

    const auto info = ReadMessageBox(box);
    EXPECT_EQ(info.caption, L"Ошибка библиотеки");
    EXPECT_EQ(info.text, text);
    EXPECT_EQ(info.icon, param.kind) << ToString(info.icon);
    std::vector<int> ids;
    for (const auto& button : info.buttons)
        ids.push_back(button.id);
    EXPECT_EQ(ids, param.ids);

    // The last button, pressed by its text.
    ASSERT_FALSE(info.buttons.empty());
    EXPECT_FALSE(PressButton(box, L"Нет такой кнопки"));
    ASSERT_TRUE(PressButton(box, info.buttons.back().text));
    EXPECT_EQ(process.Wait(), static_cast<DWORD>(param.ids.back()));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, MessageBoxes,
    testing::Values(BoxCase{L"error", L"ok", IconKind::Error, {IDOK}},
                    BoxCase{L"warning", L"okcancel", IconKind::Warning, {IDOK, IDCANCEL}},
                    BoxCase{L"question", L"yesno", IconKind::Question, {IDYES, IDNO}},
                    BoxCase{
                        L"info", L"yesnocancel", IconKind::Information, {IDYES, IDNO, IDCANCEL}},
                    BoxCase{L"none", L"ok", IconKind::None, {IDOK}}));

TEST(MessageBoxes, PressedById) {
    const CProcess process(Helper({L"msgbox", L"question", L"yesnocancel", L"c", L"t"}));
    const HWND box = WaitForMessageBox(process.Id());
    ASSERT_TRUE(box);
    EXPECT_FALSE(PressButton(box, IDOK));
    ASSERT_TRUE(PressButton(box, IDNO));
    EXPECT_EQ(process.Wait(), static_cast<DWORD>(IDNO));
}

TEST(Registry, ReadsWritesAndDeletesTrees) {
    const std::wstring key = L"Software\\kivdriver-test";
    const std::wstring sub = key + L"\\Настройки";
    ASSERT_TRUE(DeleteRegTree(key));
    EXPECT_FALSE(RegKeyExists(key));
    EXPECT_FALSE(ReadRegDword(sub, L"n"));

    ASSERT_TRUE(WriteRegDword(sub, L"n", 0x378));
    ASSERT_TRUE(WriteRegString(sub, L"s", L"Файл"));
    EXPECT_EQ(ReadRegDword(sub, L"n"), 0x378u);
    EXPECT_EQ(ReadRegString(sub, L"s"), L"Файл");
    EXPECT_FALSE(ReadRegString(sub, L"n")) << "a number is not a string";
    EXPECT_EQ(RegValueNames(sub).size(), 2u);

    EXPECT_TRUE(DeleteRegTree(key));
    EXPECT_FALSE(RegKeyExists(key));
}

TEST(Files, TempDirGoesWithItsContents) {
    std::filesystem::path kept;
    {
        const CTempDir dir;
        kept = dir.Path();
        const std::vector<std::uint8_t> bytes{0x78, 0x02, 0x00, 0x00};
        ASSERT_TRUE(WriteFileBytes(dir / "port.cst", bytes));
        EXPECT_EQ(ReadFileBytes(dir / "port.cst"), bytes);
        EXPECT_NE(CTempDir().Path(), dir.Path());
    }
    EXPECT_FALSE(std::filesystem::exists(kept));
    EXPECT_FALSE(ReadFileBytes(kept / "port.cst"));
}

} // namespace
} // namespace kivdrv
