#include "tavo/settings/config_source.h"

#include <algorithm>

#include "tavo/settings/file_handle.h"

#include <map>

namespace tavo {
namespace {

// tavo.ini is a few short lines; anything beyond this is not ours.
constexpr DWORD kMaxIniBytes = 64 * 1024;

std::wstring ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

bool Exists(const std::wstring& path) {
    return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The folders of `path` that are missing, outermost first.
void CreateFoldersOf(const std::wstring& path) {
    for (auto slash = path.find_first_of(L"\\/", 3); slash != std::wstring::npos;
         slash = path.find_first_of(L"\\/", slash + 1))
        CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
}

// The file a link at `path` stands for, so that a link stays a link; `path` itself when it
// is no link or is missing.
std::wstring FinalPath(const std::wstring& path) {
    const auto file = AdoptFile(
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return path;
    std::wstring final(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFinalPathNameByHandleW(file.get(), final.data(), DWORD(final.size()),
                                                  FILE_NAME_NORMALIZED);
        if (n == 0) return path;
        if (n < final.size()) return final.substr(0, n);
        final.resize(n);
    }
}

// Puts `temp` in place of `path`. The old file goes to a backup name first, since
// ReplaceFileW without one may leave neither file in place (error 1176); and whatever fails,
// one of the two texts stays at `path`. 0, or the error.
DWORD PutInPlace(const std::wstring& path, const std::wstring& temp, ReplaceFileFn replace) {
    if (!Exists(path))
        return MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) ? 0 : GetLastError();
    const std::wstring backup = temp + L".old";
    DeleteFileW(backup.c_str());
    // Replacing keeps the old file's attributes and permissions.
    if (replace(path.c_str(), temp.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS,
                nullptr, nullptr)) {
        DeleteFileW(backup.c_str());
        return 0;
    }
    const DWORD error = GetLastError();
    if (!Exists(path)) MoveFileExW(backup.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);
    if (!Exists(path)) MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);
    return error;
}

// Writes `text` to a new temporary file beside the file `link` stands for, then puts it in
// that file's place: a failure at any step leaves a whole file there. 0, or the error.
DWORD WriteSafely(const std::wstring& link, std::string_view text, ReplaceFileFn replace) {
    const auto path = FinalPath(link);
    const std::wstring temp = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    DWORD error = 0;
    {
        const auto file = AdoptFile(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return GetLastError();
        DWORD written = 0;
        if (!WriteFile(file.get(), text.data(), DWORD(text.size()), &written, nullptr) ||
            written != text.size() || !FlushFileBuffers(file.get()))
            error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    }
    if (!error) error = PutInPlace(path, temp, replace);
    // Never the only copy of the settings.
    if (error && Exists(path)) DeleteFileW(temp.c_str());
    return error;
}

} // namespace

std::string ToAscii(std::wstring_view text) {
    std::string out(text.size(), '?');
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] < 0x80) out[i] = static_cast<char>(text[i]);
    return out;
}

std::optional<std::wstring> ReadEnvironment(const wchar_t* name) {
    SetLastError(ERROR_SUCCESS);
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::wstring{};
    }
    std::wstring value(size, L'\0');
    const DWORD n = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(n < size ? n : 0);
    return value;
}

std::wstring ModuleFolder(HMODULE module) {
    auto path = ModulePath(module);
    const auto slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {};
    path.resize(slash + 1);
    return path;
}

CSettings::EnvLookup SnapshotEnvironment() {
    std::map<std::string_view, std::string> values;
    for (const auto& key : kSettingKeys) {
        const std::wstring wide(key.env.begin(), key.env.end());
        if (const auto value = ReadEnvironment(wide.c_str())) values[key.env] = ToAscii(*value);
    }
    return [values = std::move(values)](std::string_view name) -> std::optional<std::string> {
        const auto found = values.find(name);
        if (found == values.end()) return std::nullopt;
        return found->second;
    };
}

SettingsFiles SettingsFilesOf(HMODULE self) {
    SettingsFiles files;
    if (const auto folder = ModuleFolder(self); !folder.empty())
        files.beside = folder + L"tavo.ini";
    if (const auto appData = ReadEnvironment(L"APPDATA"); appData && !appData->empty())
        files.user = *appData + L"\\kiv\\tavo.ini";
    return files;
}

const std::wstring& FileRead(const SettingsFiles& files) {
    return Exists(files.user) ? files.user : files.beside;
}

std::optional<IniFileText> ReadSettingsFile(const std::wstring& path, bool& whole) {
    whole = true;
    if (path.empty()) return std::nullopt;
    const auto file =
        AdoptFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
        whole = false;
        return IniFileText{};
    }
    std::string bytes(kMaxIniBytes + 1, '\0');
    DWORD read = 0;
    whole = ReadFile(file.get(), bytes.data(), kMaxIniBytes + 1, &read, nullptr) &&
            read <= kMaxIniBytes;
    bytes.resize(std::min<DWORD>(read, kMaxIniBytes));
    return DecodeIni(bytes);
}

DWORD SaveSettingsFile(const std::wstring& path, std::string_view text, IniEncoding encoding,
                       ReplaceFileFn replace) {
    if (path.empty()) return ERROR_PATH_NOT_FOUND;
    // Replacing would go round the attribute (Wine lets it); Windows refuses too.
    if (const DWORD attributes = GetFileAttributesW(path.c_str());
        attributes != INVALID_FILE_ATTRIBUTES && attributes & FILE_ATTRIBUTE_READONLY)
        return ERROR_ACCESS_DENIED;
    CreateFoldersOf(path);
    return WriteSafely(path, EncodeIni(text, encoding), replace);
}

std::string Utf8(std::wstring_view text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(std::size_t(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

CSettings LoadSettings(HMODULE self, const CSettings::EnvLookup& env) {
    bool whole = true;
    const auto files = SettingsFilesOf(self);
    const auto& path = FileRead(files);
    const auto ini = ReadSettingsFile(path, whole);
    CSettings settings(env, ini ? std::optional<std::string_view>(ini->text) : std::nullopt);
    settings.AddNote((ini ? "settings from " : "no settings file: ") + Utf8(path));
    if (!whole) settings.AddNote("tavo.ini not read whole, locked or too long: " + Utf8(path));
    return settings;
}

} // namespace tavo
