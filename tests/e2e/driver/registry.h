// The current user's registry (HKEY_CURRENT_USER), where the program keeps its profile
// and its file type. Sub-keys are paths like L"Software\\Автомат световых эффектов".
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kivdrv {

bool RegKeyExists(const std::wstring& subKey);
std::optional<std::wstring> ReadRegString(const std::wstring& subKey, const std::wstring& value);
std::optional<DWORD> ReadRegDword(const std::wstring& subKey, const std::wstring& value);
std::optional<std::vector<std::uint8_t>> ReadRegBinary(const std::wstring& subKey,
                                                       const std::wstring& value);
// The names of the values of a key, for checking that nothing else was written.
std::vector<std::wstring> RegValueNames(const std::wstring& subKey);

bool WriteRegString(const std::wstring& subKey, const std::wstring& value,
                    const std::wstring& data);
bool WriteRegDword(const std::wstring& subKey, const std::wstring& value, DWORD data);
bool WriteRegBinary(const std::wstring& subKey, const std::wstring& value,
                    const std::vector<std::uint8_t>& data);

// Deletes the key with everything below it; true also when it did not exist.
bool DeleteRegTree(const std::wstring& subKey);

} // namespace kivdrv
