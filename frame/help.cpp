#include "frame/help.h"

#include "framework/sysdll.h"

#include <objbase.h>
#include <shellapi.h>

namespace {
bool FileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
} // namespace

std::wstring HelpPagePath(const std::wstring& helpFile) {
    size_t slash = helpFile.find_last_of(L"\\/");
    size_t dot = helpFile.rfind(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        dot = helpFile.size();
    return helpFile.substr(0, dot) + L".htm";
}

HelpShown ShowHelp(const std::wstring& helpFile, const HelpActions& actions) {
    if (FileExists(helpFile) && actions.winHelp(helpFile)) return HelpShown::WinHelp;
    const std::wstring page = HelpPagePath(helpFile);
    if (!FileExists(page)) {
        actions.report(L"Файл справки не найден:\n" + page +
                       L"\n\nОн должен лежать в одной папке с программой.");
        return HelpShown::NoPage;
    }
    if (actions.openPage(page)) return HelpShown::Page;
    actions.report(L"Не удалось открыть файл справки:\n" + page +
                   L"\n\nОткройте его в любом браузере.");
    return HelpShown::PageNotOpened;
}

bool ShellOpenFile(HWND owner, const std::wstring& path) {
    // The shell's handlers for a file type may be COM objects that want an apartment.
    auto* execute = sysdll::Function<decltype(ShellExecuteExW)>(L"shell32.dll", "ShellExecuteExW");
    if (!execute) return false;
    auto* comInit = sysdll::Function<decltype(CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
    auto* comEnd = sysdll::Function<decltype(CoUninitialize)>(L"ole32.dll", "CoUninitialize");
    HRESULT com = comInit && comEnd
                      ? comInit(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)
                      : E_NOTIMPL;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.nShow = SW_SHOWNORMAL;
    bool opened = execute(&info);
    if (!opened) {
        // A system without the ".htm" association (a Wine prefix made without its HTML
        // engine) still has the class of HTML files, and with it the browser.
        info.fMask |= SEE_MASK_CLASSNAME;
        info.lpClass = L"htmlfile";
        opened = execute(&info);
    }
    if (SUCCEEDED(com)) comEnd();
    return opened;
}
