#include "app/schedule_file.h"

#include "app/globals.h"
#include "app/resource.h"

#include <windows.h>

#include <memory>

namespace {
struct HandleCloser {
    void operator()(HANDLE h) const {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

// A schedule is a page of text; anything larger is not one.
constexpr DWORD kMaxScheduleBytes = 1 << 20;
} // namespace

std::wstring WidenUtf8(const std::string& text) {
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::wstring ScheduleFilePath() {
    return g_strWorkDir + L"\\schedule.ini";
}

ScheduleRead ReadScheduleFile(const std::wstring& path) {
    ScheduleRead read;
    // Shared for writing too: an editor may hold it open while we read.
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            read.error = L"файл не читается (ошибка " + std::to_wstring(error) + L")";
        return read;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxScheduleBytes) {
        read.error = L"файл слишком велик или не читается";
        return read;
    }
    std::string text(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!text.empty() &&
        !ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &got, nullptr)) {
        read.error = L"файл не читается (ошибка " + std::to_wstring(GetLastError()) + L")";
        return read;
    }
    text.resize(got);
    read.text = std::move(text);
    return read;
}

void ParseScheduleRead(ScheduleRead& read, const schedule::CTimeZone& zone,
                       schedule::Instant now) {
    if (!read.text || !read.error.empty()) return;
    auto parsed = schedule::ParseSchedule(*read.text, zone, now);
    if (auto* good = std::get_if<schedule::Schedule>(&parsed))
        read.schedule = std::move(*good);
    else
        read.error = WidenUtf8(std::get<schedule::ParseError>(parsed).Text());
}

bool WriteSampleSchedule(const std::wstring& path) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_SCHEDULE_SAMPLE), RT_RCDATA);
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return false;
    // CREATE_NEW: a file the user has is never replaced by the sample.
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
    const DWORD size = SizeofResource(nullptr, found);
    DWORD written = 0;
    return WriteFile(file.get(), bytes, size, &written, nullptr) && written == size;
}
