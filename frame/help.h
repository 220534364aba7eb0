// Help: KIV.HLP through WinHelp when it sits beside kiv.exe, otherwise the HTML page
// shipped beside it, opened by the shell. Windows since Vista has no WinHelp, and a call
// there only shows a "feature not included" box, so WinHelp is not asked about a file
// that is not there.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

enum class HelpShown { WinHelp, Page, NoPage, PageNotOpened };

// How the help is shown; the frame gives the real calls, tests their own.
struct HelpActions {
    std::function<bool(const std::wstring& helpFile)> winHelp; // false: WinHelp failed
    std::function<bool(const std::wstring& page)> openPage;    // false: the shell failed
    std::function<void(const std::wstring& text)> report;      // a message box
};

// The page beside the help file: "...\kiv.HLP" -> "...\kiv.htm".
std::wstring HelpPagePath(const std::wstring& helpFile);

HelpShown ShowHelp(const std::wstring& helpFile, const HelpActions& actions);

// The file opened with its shell association; true when the shell took it.
bool ShellOpenFile(HWND owner, const std::wstring& path);
