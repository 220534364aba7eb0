#include "app/autostart.h"

#include "app/command_line.h"
#include "framework/regkey.h"

std::wstring AutostartCommand(const std::wstring& workDir) {
    std::wstring exe(MAX_PATH, L'\0');
    DWORD n;
    while ((n = GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()))) ==
           exe.size())
        exe.resize(exe.size() * 2);
    exe.resize(n);
    return QuoteArgument(exe) + L" /workdir " + QuoteArgument(workDir);
}

std::wstring SetAutostart(bool on, const std::wstring& workDir) {
    if (on) {
        CRegKey key;
        if (key.Create(HKEY_CURRENT_USER, kRunKey) &&
            key.SetString(kRunValue, AutostartCommand(workDir)))
            return {};
        return L"Не удалось записать автозапуск в реестр.";
    }
    // Nothing to remove is as good as removed.
    const LSTATUS status = RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue);
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return {};
    return L"Не удалось убрать автозапуск из реестра.";
}
