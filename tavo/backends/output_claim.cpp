#include "tavo/backends/output_claim.h"

#include "tavo/backends/serial/serial_frames.h"
#include "tavo/settings/ini_text.h"

namespace tavo {

std::wstring OutputClaimName(BackendKind kind, const CSettings& settings) {
    const auto name = BackendName(kind == BackendKind::Auto ? BackendKind::Inpout : kind);
    std::wstring claim = L"Local\\tavo-output-" + WidenAscii(name);
    const auto& port = settings.Raw("serial_port");
    if (kind == BackendKind::Serial && port)
        if (const auto number = ParseComPort(port->text))
            claim += L"-COM" + std::to_wstring(*number);
    // One board, not every one: the check of another leaves a run alone.
    const auto& board = settings.Raw("hid_serial");
    if (kind == BackendKind::HidRelay && board && !board->text.empty())
        claim += L"-" + WidenAscii(AsciiLower(board->text));
    return claim;
}

namespace {

std::wstring CheckName(std::wstring name) {
    if (const auto at = name.find(L"-output-"); at != std::wstring::npos)
        name.replace(at, 8, L"-check-");
    return name;
}

bool Acquired(DWORD wait) {
    return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

} // namespace

CCheckClaim::CCheckClaim(const std::wstring& outputClaim)
    : m_mutex(CreateMutexW(nullptr, FALSE, CheckName(outputClaim).c_str())),
      m_held(m_mutex && Acquired(WaitForSingleObject(m_mutex.get(), 0))) {}

CCheckClaim::~CCheckClaim() {
    if (m_held) ReleaseMutex(m_mutex.get());
}

void AwaitNoCheck(const std::wstring& outputClaim, DWORD ms) {
    const CFileHandle mutex(
        OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, CheckName(outputClaim).c_str()));
    if (mutex && Acquired(WaitForSingleObject(mutex.get(), ms))) ReleaseMutex(mutex.get());
}

bool OutputClaimed(const std::wstring& name) {
    const CFileHandle event(OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
    return event || GetLastError() == ERROR_ACCESS_DENIED;
}

} // namespace tavo
