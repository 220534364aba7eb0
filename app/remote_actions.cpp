#include "app/remote_actions.h"
#include "framework/file.h"

#include "app/resource.h"
#include "app/show_status.h"
#include "document/cmb_format.h"
#include "document/kiv_doc.h"
#include "frame/mainframe.h"
#include "grid/grid_types.h"

#include <cstddef>
#include <fstream>
#include <filesystem>

namespace {
RemoteReply Refused(std::wstring reason) {
    return {kRemoteRefused, std::move(reason)};
}

// As the command's key sends it: a greyed command does nothing here either.
void SendCommand(CMainFrame& frame, UINT id) {
    ::SendMessageW(frame.m_hWnd, WM_COMMAND, MAKEWPARAM(id, 1), 0);
}

std::wstring OneLine(std::wstring text) {
    for (wchar_t& c : text)
        if (c == L'\n') c = L' ';
    return text;
}

// Why the file would open only with a message box (or not at all); empty when it opens.
std::wstring PatternFileProblem(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    std::byte head[cmb::HeaderSize(cmb::kLongCountMark)];
    if (!in.read(reinterpret_cast<char*>(head), sizeof head) && !in.eof())
        return L"Не удалось прочитать файл " + path + L".";
    cmb::MemorySource source({head, static_cast<size_t>(in.gcount())});
    const cmb::Header header = cmb::ReadHeader(source);
    if (header.status == cmb::Status::NewerVersion) return OneLine(kNewerVersionText);
    if (header.status != cmb::Status::Ok) return L"Файл " + path + L" не является узором.";
    if (header.rowCount > static_cast<std::uint32_t>(ORV_MAX_ROWS))
        return L"В файле " + path + L" больше строк, чем программа может открыть.";
    return {};
}

// Opens `file` in place of the pattern shown, unless that would lose edits or show a box.
std::wstring OpenPattern(CMainFrame& frame, const std::wstring& file) {
    CDocument* doc = frame.GetActiveDocument();
    if (doc && doc->IsModified())
        return L"В программе открыт узор с несохранёнными изменениями: сохраните их или "
               L"откажитесь от них и повторите команду.";
    if (doc && AfxSameText(doc->GetPathName(), file)) return {};
    if (std::wstring problem = PatternFileProblem(file); !problem.empty()) return problem;
    SendCommand(frame, ID_CMD_STOP);
    if (!AfxGetApp()->OpenDocumentFile(file.c_str())) return L"Не удалось открыть " + file + L".";
    return {};
}

RemoteReply Play(CMainFrame& frame, const std::wstring& file) {
    // A modal dialog is up (its owner is disabled): F4 cannot reach the frame now either.
    if (!IsWindowEnabled(frame.m_hWnd))
        return Refused(L"В программе открыто окно диалога; закройте его и повторите команду.");
    if (!file.empty())
        if (std::wstring reason = OpenPattern(frame, file); !reason.empty())
            return Refused(std::move(reason));
    SendCommand(frame, ID_CMD_START);
    if (!frame.m_bRunning) return Refused(L"Пуск не удался.");
    return {};
}

RemoteReply Stop(CMainFrame& frame) {
    SendCommand(frame, ID_CMD_STOP);
    if (frame.m_bRunning) return Refused(L"Стоп не удался.");
    return {};
}

} // namespace

RemoteReply CarryOutRemoteCommand(const RemoteRequest& request) {
    auto* frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
    if (!frame || !frame->m_hWnd) return Refused(L"Программа ещё не готова.");
    switch (request.verb) {
    case RemoteVerb::Play:
        return Play(*frame, request.file);
    case RemoteVerb::Stop:
        return Stop(*frame);
    case RemoteVerb::Status:
        return {kRemoteDone, ShowStatusLine()};
    case RemoteVerb::None:
        break;
    }
    return Refused(L"Неизвестная команда.");
}
