// Where the library's settings come from on Windows: the environment and tavo.ini.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "lpt_config.h"

namespace tavo {

// The value of an environment variable; nullopt when it is not set.
std::optional<std::wstring> ReadEnvironment(const wchar_t* name);

// LPT1..LPT3 from TAVO_LPT, else tavo.ini in the folder of module `self`, else the default.
LptAddresses LoadLptConfig(HMODULE self);

} // namespace tavo
