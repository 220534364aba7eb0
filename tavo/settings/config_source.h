// Where the library's settings come from on Windows: the environment, then one tavo.ini:
// the per-user file %APPDATA%\kiv\tavo.ini when it exists, else the one beside the DLL.
// And where the window saves them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "tavo/settings/ini_text.h"
#include "tavo/settings/settings.h"

namespace tavo {

// The settings are ASCII; any other character becomes '?', which no parser accepts.
std::string ToAscii(std::wstring_view text);

// The value of an environment variable; nullopt when it is not set.
std::optional<std::wstring> ReadEnvironment(const wchar_t* name);

// The TAVO_* variables of every key as they are now, for LoadSettings: the library takes
// them at load, since a running program's environment does not change.
CSettings::EnvLookup SnapshotEnvironment();

// The two places of tavo.ini; a path is empty when unknown.
struct SettingsFiles {
    std::wstring beside; // beside the module
    std::wstring user;   // %APPDATA%\kiv\tavo.ini
};
SettingsFiles SettingsFilesOf(HMODULE self);

// The file the library reads: the per-user one when it exists, else the one beside.
const std::wstring& FileRead(const SettingsFiles& files);

// A file's text; nullopt when there is no such file. One that cannot be read counts as
// empty, one longer than 64 KiB (no tavo.ini is) is cut there: neither is `whole`.
std::optional<IniFileText> ReadSettingsFile(const std::wstring& path, bool& whole);

// The settings from the variables `env` gives and the file read for module `self`; the
// notes name that file.
CSettings LoadSettings(HMODULE self, const CSettings::EnvLookup& env);

// How one file is put in another's place: ReplaceFileW, or a test's stand-in for it.
using ReplaceFileFn = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID);

// Saves `text` into `path` as `encoding` says, the missing folders made: to a temporary
// file first, which then replaces the old one. 0, or the error; after an error `path`
// holds the old text, or the new one where the old could not be kept.
DWORD SaveSettingsFile(const std::wstring& path, std::string_view text, IniEncoding encoding,
                       ReplaceFileFn replace = ReplaceFileW);

// A path for the trace: UTF-8.
std::string Utf8(std::wstring_view text);

// The folder of a module, with its trailing backslash; empty when unknown.
std::wstring ModuleFolder(HMODULE module);

} // namespace tavo
