// Commands for a running copy. A later start with /play [FILE], /stop or /status hands its
// command to the copy that runs and ends with that copy's answer: 0 done, 1 refused (with
// the reason), 2 no copy running.
//
// The hand-over: WM_COPYDATA, sent with a time limit to the running copy's command window
// (a hidden window of class kCommandWindowClass), tagged kCommandTag, holding
// "verb\nfile\nreply" in UTF-16; "reply" names the sender's shared memory, into which the
// running copy writes its answer before the message returns. No window of the sender is
// needed, so the command works from cron without a display as well.
#pragma once
#include "app/command_line.h"
#include "framework/wnd.h"

#include <functional>
#include <optional>
#include <string>

// Held by the running copy for as long as it lives (one per session).
inline constexpr wchar_t kInstanceMutexName[] = L"Local\\KIV.SingleInstance";
inline constexpr wchar_t kCommandWindowClass[] = L"KIV.Commands";

struct RemoteRequest {
    RemoteVerb verb = RemoteVerb::None;
    std::wstring file; // full path, or empty
};

enum RemoteStatus : int { kRemoteDone = 0, kRemoteRefused = 1, kRemoteNoCopy = 2 };

struct RemoteReply {
    int status = kRemoteDone;
    std::wstring text; // the status line, or the reason of a refusal
};

// Hands `request` to the running copy and returns its answer; nullopt when no copy runs.
// A copy that is still starting is waited for, and so is the answer, at most `timeoutMs`
// each; a copy that keeps silent that long refuses.
std::optional<RemoteReply> SendToRunningCopy(const RemoteRequest& request,
                                             DWORD timeoutMs = 10000);

// The running copy's side: a hidden window that takes the commands and answers each with
// the handler's reply.
class CCommandWindow : public CWnd {
public:
    using Handler = std::function<RemoteReply(const RemoteRequest&)>;
    bool Create(Handler handler);

protected:
    DECLARE_MESSAGE_MAP()
    LRESULT OnCopyData(WPARAM wp, LPARAM lp);

private:
    Handler m_handler;
};
