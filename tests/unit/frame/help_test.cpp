// The help command: WinHelp only for a help file that exists, else the page beside it.
#include "frame/help.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class Help : public ::testing::Test {
protected:
    fs::path dir =
        fs::temp_directory_path() / ("kiv_help_" + std::to_string(GetCurrentProcessId()));
    std::wstring hlp, page;
    std::vector<std::wstring> calls; // "winhelp", "open <page>", "box <text>"
    bool winHelpWorks = true, shellWorks = true;

    void SetUp() override {
        fs::create_directories(dir);
        hlp = (dir / L"kiv.HLP").wstring();
        page = (dir / L"kiv.htm").wstring();
    }
    void TearDown() override { fs::remove_all(dir); }
    static void Touch(const std::wstring& path) { std::ofstream(fs::path(path)) << "x"; }

    HelpShown Show() {
        return ShowHelp(hlp,
                        {[this](const std::wstring&) {
                             calls.push_back(L"winhelp");
                             return winHelpWorks;
                         },
                         [this](const std::wstring& p) {
                             calls.push_back(L"open " + p);
                             return shellWorks;
                         },
                         [this](const std::wstring& text) { calls.push_back(L"box " + text); }});
    }
};

TEST_F(Help, PageIsOpenedWhenThereIsNoHelpFileOrWinHelpFails) {
    Touch(page);
    EXPECT_EQ(Show(), HelpShown::Page);
    EXPECT_EQ(calls, std::vector<std::wstring>{L"open " + page}); // WinHelp never asked

    Touch(hlp);
    EXPECT_EQ(Show(), HelpShown::WinHelp);
    winHelpWorks = false;
    EXPECT_EQ(Show(), HelpShown::Page);
    EXPECT_EQ(calls, (std::vector<std::wstring>{L"open " + page, L"winhelp", L"winhelp",
                                                L"open " + page}));
}

TEST_F(Help, MissingPageOrFailedShellIsSaidInABox) {
    EXPECT_EQ(Show(), HelpShown::NoPage);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], L"box Файл справки не найден:\n" + page +
                            L"\n\nОн должен лежать в одной папке с программой.");

    Touch(page);
    shellWorks = false;
    EXPECT_EQ(Show(), HelpShown::PageNotOpened);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].rfind(L"box Не удалось открыть файл справки:\n" + page, 0), 0u);
}

TEST(HelpPage, ReplacesTheExtensionOfTheFileNameOnly) {
    EXPECT_EQ(HelpPagePath(L"C:\\Программы\\kiv.HLP"), L"C:\\Программы\\kiv.htm");
    EXPECT_EQ(HelpPagePath(L"C:\\a.b\\kiv"), L"C:\\a.b\\kiv.htm");
}

} // namespace
