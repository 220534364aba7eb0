#include "tavo/backends/output_claim.h"

#include <algorithm>

#include "tavo/settings/ini_text.h"

namespace tavo {

namespace {

constexpr std::wstring_view kClaimPrefix = L"Local\\tavo-output-";

std::wstring RelayClaim(std::string_view id) {
    std::wstring claim = std::wstring(kClaimPrefix) + L"hidrelay";
    return id.empty() ? claim : claim + L"-" + WidenAscii(AsciiLower(id));
}

} // namespace

std::wstring OutputClaimName(BackendKind kind, const CSettings& settings) {
    const auto& board = settings.Raw("hid_serial");
    // One board, not every one: the check of another leaves a run alone.
    if (kind == BackendKind::HidRelay) return RelayClaim(board ? board->text : "");
    const auto name = BackendName(kind == BackendKind::Auto ? BackendKind::Inpout : kind);
    std::wstring claim = std::wstring(kClaimPrefix) + WidenAscii(name);
    const auto& port = settings.Raw("serial_port");
    if (kind == BackendKind::Serial && port)
        if (const auto number = ParseComPort(port->text))
            claim += L"-COM" + std::to_wstring(*number);
    return claim;
}

std::vector<std::wstring> SessionClaimNames(BackendKind kind, const CSettings& settings,
                                            std::string_view unit) {
    std::vector<std::wstring> names{OutputClaimName(kind, settings)};
    if (kind != BackendKind::HidRelay) return names;
    // A check of the first board may drive ours; a check of ours, by its id, must see us.
    for (auto name : {RelayClaim(""), RelayClaim(unit)})
        if (std::ranges::find(names, name) == names.end()) names.push_back(std::move(name));
    return names;
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
