// The application's profile in the registry.
#include "afxmsg.h"
#include "app.h"
#include "regkey.h"

namespace {
std::wstring SectionPath(const CWinApp& app, const wchar_t* section) {
    std::wstring path = app.GetAppRegistryPath();
    if (!path.empty() && section && *section) path += L"\\" + std::wstring(section);
    return path;
}

// Reading never creates keys, so a copy that only reads leaves the registry as it was.
CRegKey OpenSection(const CWinApp& app, const wchar_t* section) {
    CRegKey key;
    std::wstring path = SectionPath(app, section);
    if (!path.empty()) key.Open(HKEY_CURRENT_USER, path);
    return key;
}

CRegKey CreateSection(const CWinApp& app, const wchar_t* section) {
    CRegKey key;
    std::wstring path = SectionPath(app, section);
    if (!path.empty()) key.Create(HKEY_CURRENT_USER, path);
    return key;
}
} // namespace

void CWinApp::SetRegistryKey(const wchar_t* key) {
    m_strRegistryKey = key ? key : L"";
}
void CWinApp::SetRegistryKey(UINT stringId) {
    m_strRegistryKey = AfxLoadString(stringId);
}

std::wstring CWinApp::GetAppRegistryPath() const {
    if (m_strRegistryKey.empty() || m_strAppName.empty()) return {};
    return L"Software\\" + m_strRegistryKey + L"\\" + m_strAppName;
}

UINT CWinApp::GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue) const {
    CRegKey key = OpenSection(*this, section);
    DWORD value = 0, type = 0, size = sizeof(value);
    if (!key ||
        RegQueryValueExW(key.Get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return static_cast<UINT>(defaultValue);
    return value;
}

bool CWinApp::WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value) {
    CRegKey key = CreateSection(*this, section);
    DWORD v = static_cast<DWORD>(value);
    return key && RegSetValueExW(key.Get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                                 sizeof(v)) == ERROR_SUCCESS;
}

std::wstring CWinApp::GetProfileString(const wchar_t* section, const wchar_t* entry,
                                       const wchar_t* defaultValue) const {
    CRegKey key = OpenSection(*this, section);
    std::wstring value;
    if (key && key.QueryString(entry, value)) return value;
    return defaultValue ? defaultValue : L"";
}

bool CWinApp::WriteProfileString(const wchar_t* section, const wchar_t* entry,
                                 const wchar_t* value) {
    if (!entry) return DeleteProfileSection(section);
    if (!value) {
        // Removing an entry never creates its section.
        CRegKey key = OpenSection(*this, section);
        if (!key) return true;
        CRegKey writable;
        if (!writable.Open(HKEY_CURRENT_USER, SectionPath(*this, section), KEY_SET_VALUE))
            return false;
        LONG rc = RegDeleteValueW(writable.Get(), entry);
        return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    }
    CRegKey key = CreateSection(*this, section);
    return key && key.SetString(entry, value);
}

bool CWinApp::GetProfileBinary(const wchar_t* section, const wchar_t* entry,
                               std::vector<BYTE>& data) const {
    data.clear();
    CRegKey key = OpenSection(*this, section);
    DWORD type = 0, size = 0;
    if (!key ||
        RegQueryValueExW(key.Get(), entry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_BINARY)
        return false;
    data.resize(size);
    if (RegQueryValueExW(key.Get(), entry, nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS) {
        data.clear();
        return false;
    }
    data.resize(size);
    return true;
}

bool CWinApp::WriteProfileBinary(const wchar_t* section, const wchar_t* entry,
                                 std::span<const BYTE> data) {
    CRegKey key = CreateSection(*this, section);
    return key && RegSetValueExW(key.Get(), entry, 0, REG_BINARY, data.data(),
                                 static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

bool CWinApp::DeleteProfileSection(const wchar_t* section) {
    std::wstring path = SectionPath(*this, section);
    if (path.empty()) return false;
    LONG rc = RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    if (rc == ERROR_SUCCESS) RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}
