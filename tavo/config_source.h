// Where the library's settings come from on Windows: the environment and tavo.ini.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "settings.h"

namespace tavo {

// The value of an environment variable; nullopt when it is not set.
std::optional<std::wstring> ReadEnvironment(const wchar_t* name);

// The settings from the TAVO_* variables and tavo.ini in the folder of module `self`.
CSettings LoadSettings(HMODULE self);

// The folder of a module, with its trailing backslash; empty when unknown.
std::wstring ModuleFolder(HMODULE module);

} // namespace tavo
