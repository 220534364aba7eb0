#include "file.h"

#include <utility>

namespace {

DWORD AccessOf(UINT flags) {
    switch (flags & 3) {
    case CFile::modeWrite:
        return GENERIC_WRITE;
    case CFile::modeReadWrite:
        return GENERIC_READ | GENERIC_WRITE;
    default:
        return GENERIC_READ;
    }
}

DWORD ShareOf(UINT flags) {
    switch (flags & 0x70) {
    case CFile::shareExclusive:
        return 0;
    case CFile::shareDenyWrite:
        return FILE_SHARE_READ;
    case CFile::shareDenyRead:
        return FILE_SHARE_WRITE;
    case CFile::shareDenyNone:
        return FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    default:
        return FILE_SHARE_READ; // compatibility mode: readers welcome
    }
}

DWORD DispositionOf(UINT flags) {
    if (flags & CFile::modeCreate)
        return (flags & CFile::modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    return OPEN_EXISTING;
}

} // namespace

CFile::CFile(const std::wstring& path, UINT flags) {
    CFileException error(CFileException::none, 0, path);
    if (!Open(path, flags, &error)) throw error;
}

CFile::CFile(CFile&& other) noexcept
    : m_hFile(std::exchange(other.m_hFile, INVALID_HANDLE_VALUE)),
      m_strFileName(std::move(other.m_strFileName)) {}

CFile& CFile::operator=(CFile&& other) noexcept {
    if (this != &other) {
        Abort();
        m_hFile = std::exchange(other.m_hFile, INVALID_HANDLE_VALUE);
        m_strFileName = std::move(other.m_strFileName);
    }
    return *this;
}

CFile::~CFile() {
    Abort();
}

bool CFile::Open(const std::wstring& path, UINT flags, CFileException* error) {
    Abort();
    m_strFileName = path;
    m_hFile = CreateFileW(path.c_str(), AccessOf(flags), ShareOf(flags), nullptr,
                          DispositionOf(flags), FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_hFile != INVALID_HANDLE_VALUE) return true;
    if (error) {
        LONG os = static_cast<LONG>(GetLastError());
        *error = CFileException(CFileException::OsErrorToCause(os), os, path);
    }
    return false;
}

void CFile::Close() {
    if (!IsOpen()) return;
    HANDLE h = std::exchange(m_hFile, INVALID_HANDLE_VALUE);
    if (!CloseHandle(h))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), m_strFileName);
}

void CFile::Abort() noexcept {
    if (IsOpen()) CloseHandle(std::exchange(m_hFile, INVALID_HANDLE_VALUE));
}

void CFile::ThrowLastError() const {
    CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), m_strFileName);
}

UINT CFile::Read(void* buffer, UINT count) {
    DWORD got = 0;
    if (count && !ReadFile(m_hFile, buffer, count, &got, nullptr)) ThrowLastError();
    return got;
}

void CFile::Write(const void* buffer, UINT count) {
    DWORD put = 0;
    if (!count) return;
    if (!WriteFile(m_hFile, buffer, count, &put, nullptr)) ThrowLastError();
    if (put != count)
        throw CFileException(CFileException::diskFull, ERROR_DISK_FULL, m_strFileName);
}

uint64_t CFile::Seek(int64_t offset, SeekPosition from) {
    LARGE_INTEGER distance{}, position{};
    distance.QuadPart = offset;
    if (!SetFilePointerEx(m_hFile, distance, &position, static_cast<DWORD>(from))) ThrowLastError();
    return static_cast<uint64_t>(position.QuadPart);
}

uint64_t CFile::GetPosition() const {
    LARGE_INTEGER zero{}, position{};
    if (!SetFilePointerEx(m_hFile, zero, &position, FILE_CURRENT)) ThrowLastError();
    return static_cast<uint64_t>(position.QuadPart);
}

uint64_t CFile::GetLength() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(m_hFile, &size)) ThrowLastError();
    return static_cast<uint64_t>(size.QuadPart);
}

void CFile::SetLength(uint64_t length) {
    Seek(static_cast<int64_t>(length), begin);
    if (!SetEndOfFile(m_hFile)) ThrowLastError();
}

void CFile::Flush() {
    if (IsOpen() && !FlushFileBuffers(m_hFile)) ThrowLastError();
}

std::wstring AfxGetCurrentDirectory() {
    std::wstring dir;
    for (DWORD size = MAX_PATH;;) {
        dir.resize(size);
        DWORD n = GetCurrentDirectoryW(size, dir.data());
        if (n < size) {
            dir.resize(n);
            return dir;
        }
        size = n + 1; // too small: n is what it needs, with or without the terminator
    }
}

bool AfxSameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}
