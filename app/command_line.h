// The program's own switches beside the framework's command line: commands for a running
// copy (/play, /stop, /status), the log-on start (/autostart on|off) and the working
// folder (/workdir DIR). '-' works as '/', and case does not matter.
#pragma once
#include "framework/app.h"

#include <optional>
#include <string>

enum class RemoteVerb { None, Play, Stop, Status };

class CKIVCommandLineInfo : public CCommandLineInfo {
public:
    void ParseParam(const wchar_t* param, bool flag, bool last) override;

    RemoteVerb m_remote = RemoteVerb::None;
    std::optional<bool> m_autostart;
    std::wstring m_strWorkDir;
    std::wstring m_strError; // a switch without its value, or a value it cannot take

private:
    enum class Awaiting { Nothing, Autostart, WorkDir };
    bool ParseOwnFlag(const std::wstring& flag);
    void TakeValue(Awaiting awaiting, const std::wstring& value);
    Awaiting m_awaiting = Awaiting::Nothing;
};

// A command-line argument quoted so that the system's splitter gives it back unchanged.
std::wstring QuoteArgument(const std::wstring& arg);
