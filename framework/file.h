// CFile: an owned Win32 file handle with the framework's open modes; failures throw
// CFileException with the cause and the path.
#pragma once
#include "exception.h"

#include <cstdint>
#include <string>

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoTruncate = 0x1000,
        modeCreate = 0x2000,
    };
    enum SeekPosition { begin = FILE_BEGIN, current = FILE_CURRENT, end = FILE_END };

    CFile() = default;
    // Opens or throws.
    CFile(const std::wstring& path, UINT flags);
    CFile(CFile&& other) noexcept;
    CFile& operator=(CFile&& other) noexcept;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    ~CFile();

    // Opens; on failure fills `error` (when given) and returns false.
    bool Open(const std::wstring& path, UINT flags, CFileException* error = nullptr);
    void Close();          // throws when the system reports a failure
    void Abort() noexcept; // closes, ignoring failures
    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

    UINT Read(void* buffer, UINT count);        // the count actually read
    void Write(const void* buffer, UINT count); // all or throws
    uint64_t Seek(int64_t offset, SeekPosition from);
    uint64_t SeekToBegin() { return Seek(0, begin); }
    uint64_t SeekToEnd() { return Seek(0, end); }
    uint64_t GetPosition() const;
    uint64_t GetLength() const;
    void SetLength(uint64_t length);
    void Flush();
    const std::wstring& GetFilePath() const { return m_strFileName; }
    HANDLE GetHandle() const { return m_hFile; }

private:
    [[noreturn]] void ThrowLastError() const;

    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    std::wstring m_strFileName;
};

// The process's current directory, however long.
std::wstring AfxGetCurrentDirectory();

// Equal but for case, as Windows compares file names and command-line switches.
bool AfxSameText(const std::wstring& a, const std::wstring& b);
