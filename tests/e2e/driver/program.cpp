#include "program.h"

#include <algorithm>
#include <cwctype>
#include <stdexcept>
#include <utility>

#include "text.h"
#include "window_find.h"

namespace kivdrv {
namespace {

std::wstring Upper(std::wstring s) {
    std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return std::towupper(c); });
    return s;
}

void AppendQuoted(std::wstring& out, const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        out += arg;
        return;
    }
    out += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes are literal unless a quote follows them.
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    out += L'"';
}

} // namespace

std::wstring BuildCommandLine(const std::wstring& path, const std::vector<std::wstring>& args) {
    std::wstring line;
    AppendQuoted(line, path);
    for (const auto& arg : args) {
        line += L' ';
        AppendQuoted(line, arg);
    }
    return line;
}

std::wstring BuildEnvironmentBlock(const std::vector<std::wstring>& base,
                                   const EnvChanges& changes) {
    std::map<std::wstring, std::wstring> entries; // upper-case name -> "NAME=value"
    for (const auto& entry : base) {
        const auto eq = entry.find(L'=', 1);
        if (eq != std::wstring::npos) entries[Upper(entry.substr(0, eq))] = entry;
    }
    for (const auto& [name, value] : changes) {
        if (value)
            entries[Upper(name)] = name + L'=' + *value;
        else
            entries.erase(Upper(name));
    }
    std::wstring block;
    for (const auto& [key, entry] : entries)
        block += entry + L'\0';
    block += L'\0';
    if (entries.empty()) block += L'\0';
    return block;
}

std::vector<std::wstring> CurrentEnvironment() {
    std::vector<std::wstring> entries;
    const auto strings = GetEnvironmentStringsW();
    if (!strings) return entries;
    for (const wchar_t* p = strings; *p; p += wcslen(p) + 1)
        if (*p != L'=') entries.emplace_back(p);
    FreeEnvironmentStringsW(strings);
    return entries;
}

CProcess::CProcess(const StartOptions& options) {
    auto commandLine = BuildCommandLine(options.path, options.args);
    auto environment = BuildEnvironmentBlock(CurrentEnvironment(), options.env);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const auto start = [&] {
        return CreateProcessW(options.path.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                              CREATE_UNICODE_ENVIRONMENT, environment.data(),
                              options.workDir.empty() ? nullptr : options.workDir.c_str(), &startup,
                              &info);
    };
    // Wine now and then loses a new process before any of its code runs, and says
    // "internal error": the program never started, so it is started again.
    bool started = start();
    for (int retry = 0; !started && GetLastError() == ERROR_INTERNAL_ERROR && retry < 3; ++retry) {
        Sleep(200);
        started = start();
    }
    if (!started)
        throw std::runtime_error("cannot start " + Narrow(options.path) + ": " +
                                 Narrow(SystemErrorText(GetLastError())));
    CloseHandle(info.hThread);
    m_process = info.hProcess;
    m_id = info.dwProcessId;
}

CProcess::~CProcess() {
    Close();
}

CProcess::CProcess(CProcess&& other) noexcept
    : m_process(std::exchange(other.m_process, nullptr)), m_id(std::exchange(other.m_id, 0)) {}

CProcess& CProcess::operator=(CProcess&& other) noexcept {
    if (this != &other) {
        Close();
        m_process = std::exchange(other.m_process, nullptr);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

bool CProcess::IsRunning() const {
    return m_process && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> CProcess::Wait(std::chrono::milliseconds timeout) const {
    if (!m_process) return std::nullopt;
    if (WaitForSingleObject(m_process, static_cast<DWORD>(Stretched(timeout).count())) !=
        WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(m_process, &code);
    return code;
}

void CProcess::Kill() {
    if (!IsRunning()) return;
    TerminateProcess(m_process, 1);
    WaitForSingleObject(m_process, 10000);
}

void CProcess::Close() noexcept {
    if (!m_process) return;
    Kill();
    CloseHandle(m_process);
    m_process = nullptr;
    m_id = 0;
}

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    DWORD n = 0;
    while ((n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
           path.size())
        path.resize(path.size() * 2);
    path.resize(n);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

CScopedEnv::CScopedEnv(std::wstring name, const std::optional<std::wstring>& value)
    : m_name(std::move(name)) {
    SetLastError(ERROR_SUCCESS);
    if (const DWORD size = GetEnvironmentVariableW(m_name.c_str(), nullptr, 0); size != 0) {
        std::wstring saved(size, L'\0');
        saved.resize(GetEnvironmentVariableW(m_name.c_str(), saved.data(), size));
        m_saved = std::move(saved);
    } else if (GetLastError() != ERROR_ENVVAR_NOT_FOUND) {
        m_saved = std::wstring{};
    }
    SetEnvironmentVariableW(m_name.c_str(), value ? value->c_str() : nullptr);
}

CScopedEnv::~CScopedEnv() {
    SetEnvironmentVariableW(m_name.c_str(), m_saved ? m_saved->c_str() : nullptr);
}

std::wstring SystemErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n ? std::wstring(buffer, n) : L"error " + std::to_wstring(error);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
        text.pop_back();
    return text;
}

} // namespace kivdrv
