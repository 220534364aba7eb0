// The help command: WinHelp only for a help file that exists, else the page beside it.
#include "frame/help.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

TEST(Help, WinHelpOnlyForAnExistingFileThenThePageThenABox) {
    const fs::path dir =
        fs::temp_directory_path() / ("kiv_help_" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(dir);
    const std::wstring hlp = (dir / L"kiv.HLP").wstring(), page = (dir / L"kiv.htm").wstring();
    std::vector<std::wstring> calls;
    bool winHelpWorks = false, shellWorks = true;
    const HelpActions actions{[&](const std::wstring&) {
                                  calls.push_back(L"winhelp");
                                  return winHelpWorks;
                              },
                              [&](const std::wstring& p) {
                                  calls.push_back(L"open " + p);
                                  return shellWorks;
                              },
                              [&](const std::wstring& text) { calls.push_back(text); }};

    EXPECT_EQ(ShowHelp(hlp, actions), HelpShown::NoPage);
    EXPECT_EQ(calls,
              std::vector<std::wstring>{L"Файл справки не найден:\n" + page +
                                        L"\n\nОн должен лежать в одной папке с программой."});
    std::ofstream(fs::path(page)) << "x";
    shellWorks = false;
    EXPECT_EQ(ShowHelp(hlp, actions), HelpShown::PageNotOpened);
    EXPECT_EQ(calls.back().rfind(L"Не удалось открыть файл справки:\n" + page, 0), 0u);

    calls.clear();
    shellWorks = true;
    EXPECT_EQ(ShowHelp(hlp, actions), HelpShown::Page); // no KIV.HLP: WinHelp never asked
    std::ofstream(fs::path(hlp)) << "x";
    EXPECT_EQ(ShowHelp(hlp, actions), HelpShown::Page); // WinHelp failed
    winHelpWorks = true;
    EXPECT_EQ(ShowHelp(hlp, actions), HelpShown::WinHelp);
    EXPECT_EQ(calls, (std::vector<std::wstring>{L"open " + page, L"winhelp", L"open " + page,
                                                L"winhelp"}));
    fs::remove_all(dir);

    EXPECT_EQ(HelpPagePath(L"C:\\a.b\\kiv"), L"C:\\a.b\\kiv.htm");
}

} // namespace
