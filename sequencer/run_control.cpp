#include "sequencer/run_control.h"

#include <process.h>

#include <memory>
#include <utility>

#include "port/port_library.h"
#include "sequencer/run_thread.h"

namespace {

constexpr wchar_t kPortErrorCaption[] = L"Ошибка библиотеки TAVO.DLL";

std::wstring Widen(const char* ascii) {
    std::wstring text;
    for (; ascii && *ascii; ++ascii)
        text += static_cast<wchar_t>(static_cast<unsigned char>(*ascii));
    return text;
}

} // namespace

RunStartResult CRunControl::Start(ByteTable table) {
    const std::uint64_t passLimit = std::exchange(m_nextPassLimit, 0); // this Start's only
    const std::int64_t startAt = std::exchange(m_nextStartAt, 0);
    if (IsRunning()) return {RunStart::AlreadyRunning};
    if (!g_hPortLib) return {RunStart::NoPortLibrary};
    const char* missing = nullptr;
    const auto port = FindRunExports(g_hPortLib, &missing);
    if (!port) return {RunStart::MissingExport, missing};

    g_bStop = 0;
    m_progress.row = 0;
    m_progress.passes = 0;
    m_progress.passLimit = passLimit;
    m_progress.stopAtPassEnd = false;
    m_progress.stopAtUtc = 0;
    m_progress.endedByItself = false;
    auto job =
        std::make_unique<CRunJob>(CRunJob{std::move(table), *port, g_nPortAddress, g_nLptCount,
                                          g_evRunDone, nullptr, &m_progress, startAt});
    const auto thread = _beginthreadex(nullptr, 0, RunThreadProc, job.get(), 0, nullptr);
    if (thread == 0) return {RunStart::NoThread, nullptr, GetLastError()};
    job.release(); // the thread has it now
    m_thread = reinterpret_cast<HANDLE>(thread);
    return {};
}

void CRunControl::Stop() {
    if (!m_thread) return;
    g_bStop = 1;
    // The thread's own handle stands beside the event: should the event be missing or its
    // signal taken by someone else, the wait still ends when the thread does.
    const HANDLE ends[] = {g_evRunDone, m_thread};
    if (g_evRunDone) WaitForMultipleObjects(2, ends, FALSE, INFINITE);
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
    m_thread = nullptr;
    // A run that ended without obeying (its library gone) leaves no request behind.
    g_bStop = 0;
}

std::wstring RunStartMessage(const RunStartResult& result) {
    switch (result.status) {
    case RunStart::NoPortLibrary:
        return L"Библиотека TAVO.DLL не загружена.\nЗапуск невозможен.";
    case RunStart::MissingExport:
        return L"В библиотеке TAVO.DLL нет функции " + Widen(result.missingExport) +
               L".\nЗапуск невозможен.";
    case RunStart::NoThread:
        return L"Не удалось запустить поток (ошибка " + std::to_wstring(result.error) + L").";
    case RunStart::Started:
    case RunStart::AlreadyRunning:
        break;
    }
    return {};
}

void ReportRunStart(HWND owner, const RunStartResult& result) {
    const std::wstring text = RunStartMessage(result);
    if (!text.empty()) MessageBoxW(owner, text.c_str(), kPortErrorCaption, MB_OK | MB_ICONSTOP);
}

bool StartRun(CRunControl& run, CKIVView& view, ByteTable table, HWND owner) {
    g_pRunView = &view;
    const RunStartResult result = run.Start(std::move(table));
    ReportRunStart(owner, result);
    return static_cast<bool>(result);
}
