#include "app/command_line.h"
#include "framework/file.h"

#include <utility>

namespace {
constexpr wchar_t kMissingValue[] = L"Ключу /autostart или /workdir не хватает значения.";
} // namespace

void CKIVCommandLineInfo::ParseParam(const wchar_t* param, bool flag, bool last) {
    const Awaiting awaiting = std::exchange(m_awaiting, Awaiting::Nothing);
    if (awaiting != Awaiting::Nothing && flag) {
        m_strError = kMissingValue;
    } else if (awaiting != Awaiting::Nothing) {
        TakeValue(awaiting, param);
        param = L"";
        flag = true;
    }
    if (flag && *param && ParseOwnFlag(param)) param = L"";
    // An empty switch means nothing to the framework, which still must see the last argument.
    CCommandLineInfo::ParseParam(param, flag, last);
    if (last && m_awaiting != Awaiting::Nothing)
        m_strError = kMissingValue;
}

bool CKIVCommandLineInfo::ParseOwnFlag(const std::wstring& flag) {
    static constexpr std::pair<const wchar_t*, RemoteVerb> kVerbs[] = {
        {L"play", RemoteVerb::Play}, {L"stop", RemoteVerb::Stop}, {L"status", RemoteVerb::Status}};
    for (const auto& [name, verb] : kVerbs) {
        if (!AfxSameText(flag, name)) continue;
        if (m_remote != RemoteVerb::None && m_remote != verb)
            m_strError = L"Ключи /play, /stop и /status не сочетаются.";
        m_remote = verb;
        return true;
    }
    if (AfxSameText(flag, L"autostart"))
        m_awaiting = Awaiting::Autostart;
    else if (AfxSameText(flag, L"workdir"))
        m_awaiting = Awaiting::WorkDir;
    else
        return false;
    return true;
}

void CKIVCommandLineInfo::TakeValue(Awaiting awaiting, const std::wstring& value) {
    if (awaiting == Awaiting::WorkDir) {
        m_strWorkDir = value;
    } else if (AfxSameText(value, L"on") || AfxSameText(value, L"off")) {
        m_autostart = AfxSameText(value, L"on");
    } else {
        m_strError = L"Ключ /autostart ждёт on или off.";
    }
}

std::wstring QuoteArgument(const std::wstring& arg) {
    // Backslashes count only before a quote: those before the closing one are doubled.
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L'"';
}
