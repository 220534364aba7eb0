// The log-on start (/autostart on|off): the value "kiv" under the current user's
// Software\Microsoft\Windows\CurrentVersion\Run, which the uninstaller removes by that name.
// Windows starts a Run entry in no particular folder, so the entry names the working folder
// (/workdir) that was current when it was turned on: port.cst, slider.cst and the schedule
// are found where they were.
#pragma once
#include <string>

inline constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kRunValue[] = L"kiv";

// The Run entry's command line for this kiv.exe and `workDir`.
std::wstring AutostartCommand(const std::wstring& workDir);

// Writes or removes the entry; an empty result, or why the registry refused.
std::wstring SetAutostart(bool on, const std::wstring& workDir);
