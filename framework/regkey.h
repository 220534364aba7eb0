// An owned registry key.
#pragma once
#include <windows.h>

#include <string>
#include <utility>

class CRegKey {
public:
    CRegKey() = default;
    CRegKey(CRegKey&& other) noexcept : m_hKey(std::exchange(other.m_hKey, nullptr)) {}
    CRegKey& operator=(CRegKey&& other) noexcept {
        if (this != &other) {
            Close();
            m_hKey = std::exchange(other.m_hKey, nullptr);
        }
        return *this;
    }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
    ~CRegKey() { Close(); }

    // Opens for reading; never creates anything.
    bool Open(HKEY parent, const std::wstring& path, REGSAM access = KEY_READ) {
        Close();
        return RegOpenKeyExW(parent, path.c_str(), 0, access, &m_hKey) == ERROR_SUCCESS;
    }
    bool Create(HKEY parent, const std::wstring& path) {
        Close();
        return RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                               &m_hKey, nullptr) == ERROR_SUCCESS;
    }
    void Close() {
        if (m_hKey) RegCloseKey(std::exchange(m_hKey, nullptr));
    }
    bool SetString(const wchar_t* name, const std::wstring& value) {
        return RegSetValueExW(m_hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
               ERROR_SUCCESS;
    }
    // The string value; nullopt-like false when missing or not a string.
    bool QueryString(const wchar_t* name, std::wstring& value) const {
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(m_hKey, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return false;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueExW(m_hKey, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()),
                             &size) != ERROR_SUCCESS)
            return false;
        text.resize(wcsnlen(text.c_str(), size / sizeof(wchar_t)));
        value = std::move(text);
        return true;
    }
    HKEY Get() const { return m_hKey; }
    explicit operator bool() const { return m_hKey != nullptr; }

private:
    HKEY m_hKey = nullptr;
};
