#include "frame/port_file.h"

#include "app/globals.h"
#include "framework/app.h"
#include "framework/exception.h"
#include "framework/file.h"
#include "framework/safefile.h"
#include "framework/sysdll.h"

#include <shlobj.h>

std::wstring PortFilePath() {
    return g_strWorkDir + L"\\port.cst";
}

std::optional<std::uint32_t> ReadPortFile(const std::wstring& path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite)) return std::nullopt;
    std::uint8_t bytes[4] = {};
    try {
        file.Read(bytes, sizeof bytes); // a short file leaves the high bytes 0
    } catch (const CFileException&) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void WriteSettingsFile(const std::wstring& path, std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    AfxWriteFileSafely(path, bytes);
}

void WritePortFile(const std::wstring& path, std::uint32_t address) {
    WriteSettingsFile(path, address);
}

std::uint32_t FirstPresentPort(std::uint32_t lpt1, std::uint32_t lpt2, std::uint32_t lpt3) {
    return lpt1 ? lpt1 : (lpt2 ? lpt2 : lpt3);
}

namespace {
// The user's Documents folder; empty when the shell cannot say.
std::wstring DocumentsFolder() {
    auto* folderPath =
        sysdll::Function<decltype(SHGetFolderPathW)>(L"shell32.dll", "SHGetFolderPathW");
    wchar_t path[MAX_PATH] = {};
    if (!folderPath || FAILED(folderPath(nullptr, CSIDL_PERSONAL, nullptr, 0, path))) return {};
    return path;
}

// Documents\<the working folder's own name>, or Documents alone.
std::wstring PlaceInstead(const std::wstring& folder) {
    std::wstring place = DocumentsFolder();
    if (place.empty()) return L"Документы";
    const auto slash = folder.find_last_of(L"\\/");
    const std::wstring name = slash == std::wstring::npos ? folder : folder.substr(slash + 1);
    if (!name.empty() && name.back() != L':') place += L"\\" + name;
    return place;
}

std::wstring UnwritableFolderText(const std::wstring& folder, const std::wstring& instead) {
    return L"Программа не может записать файл port.cst в папку «" + folder +
           L"»: в эту папку вам писать нельзя (так бывает в Program Files). Выбранный "
           L"порт и скорость не сохранятся.\n\nПеренесите папку программы туда, где вы "
           L"можете писать, например:\n«" +
           instead + L"»\nили установите программу установщиком (файл .msi).";
}
} // namespace

void ReportPortFileFailure(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const CFileException& e) {
        if (e.m_cause == CFileException::accessDenied) {
            AfxMessageBox(UnwritableFolderText(g_strWorkDir, PlaceInstead(g_strWorkDir)),
                          MB_OK | MB_ICONWARNING);
            return;
        }
    } catch (...) {
    }
    AfxReportException(failure);
}
