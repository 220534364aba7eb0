// Starting a program from a test and owning it: the process is killed when its owner goes.
#pragma once

#include <windows.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kivdrv {

using namespace std::chrono_literals;

// Variable name -> value; nullopt removes the variable. Names compare case-insensitively.
using EnvChanges = std::map<std::wstring, std::optional<std::wstring>>;

struct StartOptions {
    std::wstring path;              // the executable
    std::vector<std::wstring> args; // quoted as needed
    std::wstring workDir;           // empty: the test's own current directory
    EnvChanges env;                 // applied to a copy of the test's environment
};

class CProcess {
public:
    CProcess() = default;
    // Starts the program; throws std::runtime_error with the system's reason on failure.
    explicit CProcess(const StartOptions& options);
    ~CProcess();
    CProcess(CProcess&& other) noexcept;
    CProcess& operator=(CProcess&& other) noexcept;
    CProcess(const CProcess&) = delete;
    CProcess& operator=(const CProcess&) = delete;

    DWORD Id() const { return m_id; }
    HANDLE Handle() const { return m_process; }
    bool IsRunning() const;

    // The exit code once the process has ended within `timeout`; nullopt if it still runs.
    std::optional<DWORD> Wait(std::chrono::milliseconds timeout = 10s) const;

    // Terminates the process (if running) and waits for it to end.
    void Kill();

private:
    void Close() noexcept;

    HANDLE m_process = nullptr;
    DWORD m_id = 0;
};

// The command line CreateProcess gets: each part quoted so that the C runtime's
// argument parsing gives the parts back unchanged.
std::wstring BuildCommandLine(const std::wstring& path, const std::vector<std::wstring>& args);

// A Unicode environment block: `base` ("NAME=value" entries) with `changes` applied.
std::wstring BuildEnvironmentBlock(const std::vector<std::wstring>& base,
                                   const EnvChanges& changes);

// The "NAME=value" entries of this process's environment (hidden "=C:" entries left out).
std::vector<std::wstring> CurrentEnvironment();

// The folder of the running executable, with a trailing backslash; the test programs,
// kiv.exe and tavo.dll are built side by side there.
std::wstring ProgramFolder();

// Sets (or with nullopt removes) a variable of this process; restores it on destruction.
class CScopedEnv {
public:
    CScopedEnv(std::wstring name, const std::optional<std::wstring>& value);
    ~CScopedEnv();
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

private:
    std::wstring m_name;
    std::optional<std::wstring> m_saved;
};

// The system's text for an error code, for failure messages.
std::wstring SystemErrorText(DWORD error);

} // namespace kivdrv
