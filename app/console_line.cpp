#include "app/console_line.h"

namespace {
bool Usable(HANDLE h) {
    return h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

// The standard handle, or the console of the parent (cmd.exe does not give a program with
// windows its handles). The attached console stays for the rest of this short process.
HANDLE OutputHandle(DWORD which) {
    HANDLE h = GetStdHandle(which);
    if (Usable(h)) return h;
    // Access is denied when an earlier line attached already.
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED)
        return nullptr;
    h = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    SetStdHandle(which, h);
    return h;
}
} // namespace

void WriteConsoleLine(DWORD which, const std::wstring& line) {
    HANDLE out = OutputHandle(which);
    if (!out) return;
    const std::wstring text = line + L"\n";
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), n,
                        nullptr, nullptr);
    WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}
