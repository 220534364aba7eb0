#include "registry.h"

#include <algorithm>

namespace kivdrv {
namespace {

class CKey {
public:
    CKey(const std::wstring& subKey, REGSAM access, bool create = false) {
        const LSTATUS status =
            create ? RegCreateKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, access,
                                     nullptr, &m_key, nullptr)
                   : RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, access, &m_key);
        if (status != ERROR_SUCCESS) m_key = nullptr;
    }
    ~CKey() {
        if (m_key) RegCloseKey(m_key);
    }
    CKey(const CKey&) = delete;
    CKey& operator=(const CKey&) = delete;

    explicit operator bool() const { return m_key != nullptr; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// The raw data of a value of the given type; nullopt when missing or of another type.
std::optional<std::vector<std::uint8_t>> ReadValue(const std::wstring& subKey,
                                                   const std::wstring& value, DWORD wantedType) {
    const CKey key(subKey, KEY_QUERY_VALUE);
    DWORD type = 0;
    DWORD size = 0;
    if (!key ||
        RegQueryValueExW(key.Get(), value.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        type != wantedType)
        return std::nullopt;
    std::vector<std::uint8_t> data(size);
    if (RegQueryValueExW(key.Get(), value.c_str(), nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    return data;
}

bool WriteValue(const std::wstring& subKey, const std::wstring& value, DWORD type, const void* data,
                std::size_t size) {
    const CKey key(subKey, KEY_SET_VALUE, true);
    return key && RegSetValueExW(key.Get(), value.c_str(), 0, type, static_cast<const BYTE*>(data),
                                 static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

} // namespace

bool RegKeyExists(const std::wstring& subKey) {
    return static_cast<bool>(CKey(subKey, KEY_READ));
}

std::optional<std::wstring> ReadRegString(const std::wstring& subKey, const std::wstring& value) {
    const auto data = ReadValue(subKey, value, REG_SZ);
    if (!data) return std::nullopt;
    std::wstring text(data->size() / sizeof(wchar_t), L'\0');
    std::copy_n(data->data(), text.size() * sizeof(wchar_t),
                reinterpret_cast<std::uint8_t*>(text.data()));
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return text;
}

std::optional<DWORD> ReadRegDword(const std::wstring& subKey, const std::wstring& value) {
    const auto data = ReadValue(subKey, value, REG_DWORD);
    if (!data || data->size() != sizeof(DWORD)) return std::nullopt;
    DWORD number = 0;
    std::copy_n(data->data(), sizeof number, reinterpret_cast<std::uint8_t*>(&number));
    return number;
}

std::optional<std::vector<std::uint8_t>> ReadRegBinary(const std::wstring& subKey,
                                                       const std::wstring& value) {
    return ReadValue(subKey, value, REG_BINARY);
}

std::vector<std::wstring> RegValueNames(const std::wstring& subKey) {
    std::vector<std::wstring> names;
    const CKey key(subKey, KEY_QUERY_VALUE);
    if (!key) return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD length = static_cast<DWORD>(std::size(name));
        if (RegEnumValueW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

bool WriteRegString(const std::wstring& subKey, const std::wstring& value,
                    const std::wstring& data) {
    return WriteValue(subKey, value, REG_SZ, data.c_str(), (data.size() + 1) * sizeof(wchar_t));
}

bool WriteRegDword(const std::wstring& subKey, const std::wstring& value, DWORD data) {
    return WriteValue(subKey, value, REG_DWORD, &data, sizeof data);
}

bool WriteRegBinary(const std::wstring& subKey, const std::wstring& value,
                    const std::vector<std::uint8_t>& data) {
    return WriteValue(subKey, value, REG_BINARY, data.data(), data.size());
}

bool DeleteRegTree(const std::wstring& subKey) {
    // With a sub-key named, the key itself goes too.
    const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, subKey.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

} // namespace kivdrv
