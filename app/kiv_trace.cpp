#include "app/kiv_trace.h"

#include <windows.h>

#include <memory>

namespace {
struct HandleCloser {
    void operator()(HANDLE h) const {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

FileHandle OpenTraceFile() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"KIV_TRACE", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return FileHandle(INVALID_HANDLE_VALUE);
    return FileHandle(CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::string Utf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}
} // namespace

void KivTrace(const std::wstring& line) {
    static const FileHandle file = OpenTraceFile();
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t stamp[32];
    swprintf(stamp, 32, L"%02u:%02u:%02u.%03u ", now.wHour, now.wMinute, now.wSecond,
             now.wMilliseconds);
    const std::wstring full = stamp + line + L"\n";
    OutputDebugStringW(full.c_str());
    if (file.get() == INVALID_HANDLE_VALUE) return;
    const std::string bytes = Utf8(full); // one write a line, so a reader never sees half
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
