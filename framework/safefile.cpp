#include "safefile.h"

#include <aclapi.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr wchar_t kTempPrefix[] = L"~kiv";
constexpr wchar_t kTempSuffix[] = L".tmp";
constexpr size_t kTempHexDigits = 8;

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// The file a path ends at, links followed; the path itself when nothing is there yet.
std::wstring FinalPathOf(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return path;
    std::wstring final(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(h, final.data(), static_cast<DWORD>(final.size()),
                                        FILE_NAME_NORMALIZED);
    if (n >= final.size()) {
        final.resize(n);
        n = GetFinalPathNameByHandleW(h, final.data(), n, FILE_NAME_NORMALIZED);
    }
    CloseHandle(h);
    if (n == 0 || n >= final.size()) return path;
    final.resize(n);
    if (final.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + final.substr(8);
    if (final.starts_with(L"\\\\?\\")) return final.substr(4);
    return final;
}

struct LocalFreeDeleter {
    void operator()(void* p) const { LocalFree(p); }
};

// The file's access list, byte for byte; empty when it cannot be read.
std::vector<std::uint8_t> DaclOf(const std::wstring& path) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &sd) != ERROR_SUCCESS)
        return {};
    std::unique_ptr<void, LocalFreeDeleter> owner(sd);
    if (!dacl) return {};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(dacl);
    return {bytes, bytes + dacl->AclSize};
}

// A new, empty file with a name of ours in `folder`.
std::wstring CreateTempIn(const std::wstring& folder, const std::wstring& shownName) {
    static const wchar_t hex[] = L"0123456789abcdef";
    auto seed = static_cast<std::uint32_t>(GetTickCount64() ^ (GetCurrentProcessId() << 16));
    for (std::uint32_t attempt = 0; attempt < 256; ++attempt) {
        std::uint32_t value = seed + attempt * 0x9E3779B9u;
        std::wstring name = folder + kTempPrefix;
        for (size_t i = 0; i < kTempHexDigits; ++i)
            name += hex[(value >> (28 - 4 * i)) & 15];
        name += kTempSuffix;
        HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            return name;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), shownName);
}

// Copies bytes [from, to) of `src` to the same place in `dst`.
void CopyRange(CFile& src, CFile& dst, std::uint64_t from, std::uint64_t to) {
    std::vector<std::uint8_t> buffer(1 << 20);
    src.Seek(static_cast<std::int64_t>(from), CFile::begin);
    dst.Seek(static_cast<std::int64_t>(from), CFile::begin);
    while (from < to) {
        UINT n = static_cast<UINT>(std::min<std::uint64_t>(buffer.size(), to - from));
        if (src.Read(buffer.data(), n) != n)
            throw CFileException(CFileException::endOfFile, ERROR_HANDLE_EOF, src.GetFilePath());
        dst.Write(buffer.data(), n);
        from += n;
    }
}

// Rewrites `target` with the bytes of the complete file `source`. The part beyond the old
// end goes first: a full disk stops it there, and the old bytes are still the old ones.
void CopyInPlace(const std::wstring& source, const std::wstring& target) {
    CFile src(source, CFile::modeRead | CFile::shareDenyWrite);
    CFile dst(target, CFile::modeReadWrite | CFile::shareDenyWrite);
    const std::uint64_t newLength = src.GetLength(), oldLength = dst.GetLength();
    if (newLength > oldLength) {
        try {
            CopyRange(src, dst, oldLength, newLength);
            dst.Flush();
        } catch (...) {
            try {
                dst.SetLength(oldLength);
            } catch (const CFileException&) {
            }
            throw;
        }
    }
    CopyRange(src, dst, 0, std::min(oldLength, newLength));
    if (newLength < oldLength) dst.SetLength(newLength);
    dst.Flush();
    dst.Close();
}

// Our temporary files left in `folder` by saves that never ended; those in use stay.
void RemoveLeftovers(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + kTempPrefix + L"*" + kTempSuffix).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (AfxIsSaveTempName(found.cFileName)) DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

class CSaveTemp {
public:
    CSaveTemp(const std::wstring& target, const std::wstring& shownName)
        : m_path(CreateTempIn(FolderOf(target), shownName)) {}
    ~CSaveTemp() {
        if (!m_path.empty()) DeleteFileW(m_path.c_str());
    }
    CSaveTemp(const CSaveTemp&) = delete;
    CSaveTemp& operator=(const CSaveTemp&) = delete;
    const std::wstring& Path() const { return m_path; }

    void ReplaceInto(const std::wstring& target) {
        DWORD attributes = GetFileAttributesW(target.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return Move(target);
        // Not every file system refuses to replace a read-only file: refuse it here.
        if (attributes & FILE_ATTRIBUTE_READONLY)
            CFileException::ThrowOsError(ERROR_ACCESS_DENIED, target);
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            CFileException::ThrowOsError(ERROR_ACCESS_DENIED, target);
        if (HasOtherLinks(target) || DaclOf(target) != DaclOf(m_path))
            return CopyInPlace(m_path, target);
        SetFileAttributesW(m_path.c_str(), attributes);
        Move(target);
    }

private:
    static bool HasOtherLinks(const std::wstring& path) {
        HANDLE h =
            CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        BY_HANDLE_FILE_INFORMATION info{};
        bool other = GetFileInformationByHandle(h, &info) && info.nNumberOfLinks > 1;
        CloseHandle(h);
        return other;
    }
    void Move(const std::wstring& target) {
        if (!MoveFileExW(m_path.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), target);
        m_path.clear();
    }

    std::wstring m_path;
};

} // namespace

bool AfxIsSaveTempName(const std::wstring& name) {
    const size_t prefix = std::size(kTempPrefix) - 1, suffix = std::size(kTempSuffix) - 1;
    if (name.size() != prefix + kTempHexDigits + suffix || !name.starts_with(kTempPrefix) ||
        !name.ends_with(kTempSuffix))
        return false;
    return std::all_of(name.begin() + prefix, name.end() - suffix,
                       [](wchar_t c) { return iswxdigit(c) != 0; });
}

void AfxWriteFileSafely(const std::wstring& path, const std::function<void(CFile&)>& write) {
    try {
        const std::wstring target = FinalPathOf(path);
        CSaveTemp temp(target, path);
        {
            CFile file(temp.Path(), CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive);
            write(file);
            file.Flush();
            file.Close();
        }
        temp.ReplaceInto(target);
        RemoveLeftovers(FolderOf(target));
    } catch (CFileException& e) {
        e.m_strFileName = path; // the user's name for the file, not ours
        throw;
    } catch (CArchiveException& e) {
        e.m_strFileName = path;
        throw;
    }
}

void AfxWriteFileSafely(const std::wstring& path, std::span<const std::uint8_t> bytes) {
    AfxWriteFileSafely(
        path, [&](CFile& file) { file.Write(bytes.data(), static_cast<UINT>(bytes.size())); });
}
