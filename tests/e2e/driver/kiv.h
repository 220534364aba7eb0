// What e2e tests of kiv.exe share: where the program is, its title, its profile key, and
// a start as a user's, in a folder of the test's own with virtual ports and a port trace.
#pragma once

#include <filesystem>
#include <string>

#include "program.h"

namespace kivdrv {

inline const std::wstring kKivTitle = L"Автомат световых эффектов для WinNT, Win2000";
// The profile: HKCU\Software\<registry key>\<application title>.
inline const std::wstring kKivProfileKey =
    L"Software\\Автомат световых эффектов\\Автомат световых эффектов для WinNT, Win2000";
inline const wchar_t kTraceFileName[] = L"tavo-trace.txt";

inline std::wstring KivExe() {
    return ProgramFolder() + L"kiv.exe";
}

// kiv.exe started in `workDir` with TAVO_LPT = `lpt` (nullopt: unset) and TAVO_TRACE =
// workDir\tavo-trace.txt; read the trace with ReadTrace(workDir / kTraceFileName).
inline StartOptions KivStart(const std::filesystem::path& workDir,
                             std::optional<std::wstring> lpt = L"378,0,0",
                             std::vector<std::wstring> args = {}) {
    return {KivExe(),
            std::move(args),
            workDir.wstring(),
            {{L"TAVO_LPT", std::move(lpt)}, {L"TAVO_TRACE", (workDir / kTraceFileName).wstring()}}};
}

} // namespace kivdrv
