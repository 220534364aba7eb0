#include "app/remote_command.h"

#include "framework/afxmsg.h"

#include <algorithm>
#include <array>
#include <utility>

#include "app/unique_handle.h"

namespace {
constexpr ULONG_PTR kCommandTag = 0x4B495643; // "KIVC"
constexpr LRESULT kAnswered = 0x4B4956;       // a window of another kind answers 0
constexpr wchar_t kReplyPrefix[] = L"Local\\KIV.Reply.";
constexpr size_t kMaxRequestChars = 4096;

constexpr std::array<std::pair<RemoteVerb, const wchar_t*>, 3> kVerbNames{
    {{RemoteVerb::Play, L"play"}, {RemoteVerb::Stop, L"stop"}, {RemoteVerb::Status, L"status"}}};

// The shared memory of one answer.
struct ReplyBlock {
    LONG status;
    DWORD length;
    wchar_t text[2000];
};

struct ViewUnmapper {
    void operator()(void* view) const { UnmapViewOfFile(view); }
};

// A view of a reply block: made by the sender, opened by the running copy.
class CReplyView {
public:
    static CReplyView Make(const std::wstring& name) {
        return CReplyView(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                             sizeof(ReplyBlock), name.c_str()));
    }
    static CReplyView Open(const std::wstring& name) {
        return CReplyView(OpenFileMappingW(FILE_MAP_WRITE, FALSE, name.c_str()));
    }
    ReplyBlock* operator->() const { return static_cast<ReplyBlock*>(m_view.get()); }
    explicit operator bool() const { return m_view != nullptr; }

private:
    explicit CReplyView(HANDLE mapping) : m_mapping(mapping) {
        if (mapping) m_view.reset(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    }
    UniqueHandle m_mapping;
    std::unique_ptr<void, ViewUnmapper> m_view;
};

std::wstring VerbName(RemoteVerb verb) {
    for (const auto& [v, name] : kVerbNames)
        if (v == verb) return name;
    return {};
}

// "verb\nfile\nreply": the request and the name of the sender's reply block.
std::optional<std::pair<RemoteRequest, std::wstring>> Decode(std::wstring_view text) {
    const size_t a = text.find(L'\n');
    const size_t b = a == text.npos ? a : text.find(L'\n', a + 1);
    if (b == text.npos) return std::nullopt;
    RemoteRequest request;
    for (const auto& [verb, name] : kVerbNames)
        if (text.substr(0, a) == name) request.verb = verb;
    request.file = text.substr(a + 1, b - a - 1);
    std::wstring reply(text.substr(b + 1));
    // Only a reply block of ours is ever written to.
    if (request.verb == RemoteVerb::None || !reply.starts_with(kReplyPrefix)) return std::nullopt;
    return std::pair{std::move(request), std::move(reply)};
}

bool CopyIsRunning() {
    return UniqueHandle(OpenMutexW(SYNCHRONIZE, FALSE, kInstanceMutexName)) != nullptr;
}

// The running copy's command window, waited for while that copy is starting.
HWND WaitForCommandWindow(DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND window = FindWindowW(kCommandWindowClass, nullptr)) return window;
        if (GetTickCount64() >= end || !CopyIsRunning()) return nullptr;
        Sleep(100);
    }
}
} // namespace

std::optional<RemoteReply> SendToRunningCopy(const RemoteRequest& request, DWORD timeoutMs) {
    // Asked first, before any window function: under Wine without a display (cron), the
    // first window call of a new session would make its desktop without a display, and a
    // copy started on the screen after that could not be reached.
    if (!CopyIsRunning()) return std::nullopt;
    const RemoteReply silent{kRemoteRefused, L"Работающая копия программы не ответила."};
    HWND window = WaitForCommandWindow(timeoutMs);
    if (!window) return silent;

    static LONG serial = 0;
    const std::wstring replyName = kReplyPrefix + std::to_wstring(GetCurrentProcessId()) + L"." +
                                   std::to_wstring(InterlockedIncrement(&serial));
    CReplyView reply = CReplyView::Make(replyName);
    if (!reply) return RemoteReply{kRemoteRefused, L"Нет памяти для ответа программы."};
    reply->status = -1;
    const std::wstring text = VerbName(request.verb) + L"\n" + request.file + L"\n" + replyName;
    COPYDATASTRUCT data{kCommandTag, static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                        const_cast<wchar_t*>(text.data())};
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG, timeoutMs, &answer) ||
        answer != static_cast<DWORD_PTR>(kAnswered) || reply->status < 0)
        return silent;
    const size_t length = std::min<size_t>(reply->length, std::size(reply->text));
    return RemoteReply{static_cast<int>(reply->status), std::wstring(reply->text, length)};
}

BEGIN_MESSAGE_MAP(CCommandWindow, CWnd)
    On<WM_COPYDATA, &CCommandWindow::OnCopyData>(),
END_MESSAGE_MAP()

bool CCommandWindow::Create(Handler handler) {
    m_handler = std::move(handler);
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kCommandWindowClass;
    if (!GetClassInfoW(wc.hInstance, kCommandWindowClass, &wc) && !RegisterClassW(&wc))
        return false;
    // Hidden and without a title: the search for a second copy by title never meets it.
    return CreateEx(WS_EX_TOOLWINDOW, kCommandWindowClass, L"", WS_POPUP, RECT{}, nullptr, 0);
}

LRESULT CCommandWindow::OnCopyData(WPARAM, LPARAM lp) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
    if (!data || data->dwData != kCommandTag || !data->lpData ||
        data->cbData > kMaxRequestChars * sizeof(wchar_t))
        return 0;
    auto decoded = Decode({static_cast<const wchar_t*>(data->lpData),
                           data->cbData / sizeof(wchar_t)});
    if (!decoded || !m_handler) return 0;
    CReplyView reply = CReplyView::Open(decoded->second);
    if (!reply) return 0;
    const RemoteReply answer = m_handler(decoded->first);
    const size_t length = std::min(answer.text.size(), std::size(reply->text));
    std::copy_n(answer.text.data(), length, reply->text);
    reply->length = static_cast<DWORD>(length);
    reply->status = answer.status;
    // A sent message does not wake the idle pass; a posted one does, so that the greying
    // of Start and Stop follows the command at once.
    ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
    return kAnswered;
}
