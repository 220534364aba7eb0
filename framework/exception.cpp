#include "exception.h"

#include "app.h"

#include <new>

namespace {

std::wstring WithName(const wchar_t* pattern, const std::wstring& name) {
    std::wstring text = pattern;
    auto at = text.find(L"%1");
    if (at != std::wstring::npos) text.replace(at, 2, name.empty() ? L"" : L"«" + name + L"»");
    // A missing name leaves a double blank behind.
    if (auto dbl = text.find(L"  "); dbl != std::wstring::npos) text.erase(dbl, 1);
    return text;
}

} // namespace

std::wstring CException::GetErrorMessage() const {
    return L"Произошла непредвиденная ошибка.";
}

CFileException::Cause CFileException::OsErrorToCause(LONG osError) {
    switch (osError) {
    case NO_ERROR:
        return none;
    case ERROR_FILE_NOT_FOUND:
        return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_DIRECTORY:
        return badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
        return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return accessDenied;
    case ERROR_INVALID_HANDLE:
        return invalidFile;
    case ERROR_CURRENT_DIRECTORY:
        return removeCurrentDir;
    case ERROR_CANNOT_MAKE:
        return directoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK:
        return badSeek;
    case ERROR_SHARING_VIOLATION:
        return sharingViolation;
    case ERROR_LOCK_VIOLATION:
        return lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return diskFull;
    case ERROR_HANDLE_EOF:
        return endOfFile;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
        return hardIO;
    default:
        return genericException;
    }
}

void CFileException::ThrowOsError(LONG osError, const std::wstring& fileName) {
    throw CFileException(OsErrorToCause(osError), osError, fileName);
}

std::wstring CFileException::GetErrorMessage() const {
    switch (m_cause) {
    case fileNotFound:
        return WithName(L"Файл %1 не найден.", m_strFileName);
    case badPath:
        return WithName(L"Неверный путь к файлу %1.", m_strFileName);
    case tooManyOpenFiles:
        return L"Открыто слишком много файлов.";
    case accessDenied:
        return WithName(L"Нет доступа к файлу %1.", m_strFileName);
    case invalidFile:
        return WithName(L"Файл %1 не открыт.", m_strFileName);
    case removeCurrentDir:
        return L"Нельзя удалить текущую папку.";
    case directoryFull:
        return WithName(L"Нельзя создать файл %1: папка переполнена.", m_strFileName);
    case badSeek:
        return WithName(L"Ошибка позиционирования в файле %1.", m_strFileName);
    case hardIO:
        return WithName(L"Ошибка ввода-вывода при работе с файлом %1.", m_strFileName);
    case sharingViolation:
        return WithName(L"Файл %1 занят другой программой.", m_strFileName);
    case lockViolation:
        return WithName(L"Файл %1 заблокирован.", m_strFileName);
    case diskFull:
        return WithName(L"Диск переполнен при записи файла %1.", m_strFileName);
    case endOfFile:
        return WithName(L"Неожиданный конец файла %1.", m_strFileName);
    case none:
    case genericException:
        break;
    }
    return WithName(L"Ошибка при работе с файлом %1.", m_strFileName);
}

std::wstring CArchiveException::GetErrorMessage() const {
    switch (m_cause) {
    case endOfFile:
        return WithName(L"Неожиданный конец файла %1.", m_strFileName);
    case readOnly:
        return WithName(L"Попытка записи в файл %1, открытый для чтения.", m_strFileName);
    case writeOnly:
        return WithName(L"Попытка чтения из файла %1, открытого для записи.", m_strFileName);
    case badSchema:
        return WithName(L"Файл %1 записан неизвестной версией программы.", m_strFileName);
    case badIndex:
    case badClass:
    case none:
    case genericException:
        break;
    }
    return WithName(L"Неверный формат файла %1.", m_strFileName);
}

std::wstring CMemoryException::GetErrorMessage() const {
    return L"Недостаточно памяти.";
}

std::wstring AfxExceptionText(const std::exception_ptr& e) {
    try {
        std::rethrow_exception(e);
    } catch (const CException& ex) {
        return ex.GetErrorMessage();
    } catch (const std::bad_alloc&) {
        return CMemoryException().GetErrorMessage();
    } catch (...) {
    }
    return CException().GetErrorMessage();
}

void AfxReportException(const std::exception_ptr& e) {
    if (!e) return;
    try {
        std::rethrow_exception(e);
    } catch (const CUserException&) {
        return; // the user has been told already
    } catch (...) {
    }
    if (CWinApp* app = AfxGetApp()) {
        app->ReportException(e);
        return;
    }
    MessageBoxW(nullptr, AfxExceptionText(e).c_str(), nullptr, MB_OK | MB_ICONERROR | MB_TASKMODAL);
}
