#include "tavo/backends/output_claim.h"

#include "tavo/backends/serial_frames.h"

namespace tavo {

std::wstring OutputClaimName(BackendKind kind, const CSettings& settings) {
    const auto name = BackendName(kind == BackendKind::Auto ? BackendKind::Inpout : kind);
    std::wstring claim = L"Local\\tavo-output-" + WidenAscii(name);
    const auto& port = settings.Raw("serial_port");
    if (kind == BackendKind::Serial && port)
        if (const auto number = ParseComPort(port->text))
            claim += L"-COM" + std::to_wstring(*number);
    return claim;
}

bool OutputClaimed(const std::wstring& name) {
    const CFileHandle event(OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
    return event || GetLastError() == ERROR_ACCESS_DENIED;
}

} // namespace tavo
