// The start-up's own switches: /autostart, /workdir, and the commands for a running copy.
#include "app/kiv_app.h"

#include "app/autostart.h"
#include "app/console_line.h"
#include "app/globals.h"
#include "app/remote_actions.h"
#include "framework/doc.h"
#include "framework/file.h"
#include "framework/frame.h"

namespace {
// The answer on standard output, a refusal's reason on standard error; the status back.
int Say(const RemoteReply& reply) {
    if (!reply.text.empty())
        WriteConsoleLine(reply.status == kRemoteDone ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE,
                         reply.text);
    return reply.status;
}

std::wstring FullPath(const std::wstring& path) {
    const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    full.resize(GetFullPathNameW(path.c_str(), n, full.data(), nullptr));
    return full;
}

// The working folder named by /workdir becomes the current one, as if started there.
bool UseWorkDir(const std::wstring& dir) {
    if (dir.empty()) return true;
    if (SetCurrentDirectoryW(dir.c_str())) {
        g_strWorkDir = AfxGetCurrentDirectory();
        return true;
    }
    AfxMessageBox(L"Нет рабочей папки " + dir + L".", MB_OK | MB_ICONERROR);
    return false;
}
} // namespace

std::optional<int> CKIVApp::CarryOutSwitches(CKIVCommandLineInfo& info) {
    if (!info.m_strError.empty()) return Say({kRemoteRefused, info.m_strError});
    if (info.m_autostart) {
        const std::wstring dir =
            info.m_strWorkDir.empty() ? g_strWorkDir : FullPath(info.m_strWorkDir);
        const std::wstring problem = SetAutostart(*info.m_autostart, dir);
        return problem.empty() ? kRemoteDone : Say({kRemoteRefused, problem});
    }
    // The running copy has a current folder of its own.
    if (!info.m_strFileName.empty()) info.m_strFileName = FullPath(info.m_strFileName);
    if (info.m_remote != RemoteVerb::None)
        if (auto status = HandOver(info, info.m_remote == RemoteVerb::Play &&
                                             !info.m_strFileName.empty()))
            return status;
    if (!UseWorkDir(info.m_strWorkDir)) return kRemoteRefused;
    return std::nullopt;
}

std::optional<int> CKIVApp::HandOver(const CKIVCommandLineInfo& info, bool mayStartCopy) {
    std::optional<RemoteReply> reply = SendToRunningCopy({info.m_remote, info.m_strFileName});
    if (!reply && mayStartCopy) return std::nullopt;
    return Say(reply.value_or(RemoteReply{kRemoteNoCopy, L"Программа не запущена."}));
}

void CKIVApp::PlayAtLaunch(const CKIVCommandLineInfo& info) {
    if (info.m_remote != RemoteVerb::Play) return;
    // A file that did not open left a new pattern: that is not the one asked for.
    auto* frame = dynamic_cast<CFrameWnd*>(m_pMainWnd);
    CDocument* doc = frame ? frame->GetActiveDocument() : nullptr;
    if (!info.m_strFileName.empty() && (!doc || doc->GetPathName().empty())) return;
    CarryOutRemoteCommand({RemoteVerb::Play, {}});
}
