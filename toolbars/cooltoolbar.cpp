#include "cooltoolbar.h"

#include <shlwapi.h>

IMPLEMENT_DYNCREATE(COXCoolToolBar, CToolBar)

namespace {
constexpr DWORD kVersion40 = MAKELONG(0, 4);

// A DLL loaded for one question only, from the system folder.
class ScopedLibrary {
public:
    explicit ScopedLibrary(const wchar_t* name) : m_module(::GetModuleHandleW(name)) {
        if (!m_module)
            m_loaded = m_module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    ~ScopedLibrary() {
        if (m_loaded) ::FreeLibrary(m_loaded);
    }
    ScopedLibrary(const ScopedLibrary&) = delete;
    ScopedLibrary& operator=(const ScopedLibrary&) = delete;
    HMODULE get() const { return m_module; }

private:
    HMODULE m_module = nullptr;
    HMODULE m_loaded = nullptr;
};
} // namespace

COXCoolToolBar::COXCoolToolBar()
    : m_clrText(::GetSysColor(COLOR_BTNTEXT)), m_clrHotText(::GetSysColor(COLOR_BTNTEXT)) {}

DWORD COXCoolToolBar::QueryComCtlVersion() {
    ScopedLibrary lib(L"comctl32.dll");
    if (!lib.get()) return kVersion40;
    auto proc = reinterpret_cast<DLLGETVERSIONPROC>(
        reinterpret_cast<void*>(::GetProcAddress(lib.get(), "DllGetVersion")));
    if (!proc) return kVersion40;
    DLLVERSIONINFO info{};
    info.cbSize = sizeof(info); // 20 bytes: size, major, minor, build, platform
    if (FAILED(proc(&info))) return kVersion40;
    return MAKELONG(info.dwMinorVersion, info.dwMajorVersion);
}

DWORD COXCoolToolBar::GetComCtlVersion() {
    static const DWORD version = QueryComCtlVersion();
    return version;
}

bool COXCoolToolBar::CreateEx(CWnd* parent, DWORD ctrlStyle, DWORD style, UINT id) {
    // A gripper to drag it by whenever it is docked.
    if (!CToolBar::CreateEx(parent, ctrlStyle, style | CBRS_GRIPPER, id)) return false;
    DWORD add = TBSTYLE_FLAT;
    if (GetComCtlVersion() >= kVersion471) add |= TBSTYLE_TRANSPARENT;
    ModifyStyle(0, add);
    // Inside an MDI child the bar is painted on the child's own background.
    if (parent && (parent->GetExStyle() & WS_EX_MDICHILD)) ModifyStyle(TBSTYLE_TRANSPARENT, 0);
    return true;
}

void COXCoolToolBar::UpdateButton(CToolCmdUI& ui, CWnd* target, bool disableIfNoHandler) {
    if (!ui.DoUpdate(this, false)) ui.DoUpdate(target, disableIfNoHandler);
}

bool COXCoolToolBar::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    auto* hdr = reinterpret_cast<NMHDR*>(lp);
    if (msg != WM_NOTIFY || hdr->code != NM_CUSTOMDRAW)
        return CToolBar::OnChildNotify(msg, wp, lp, result);
    auto* draw = reinterpret_cast<NMTBCUSTOMDRAW*>(lp);
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        *result = CDRF_NOTIFYITEMDRAW;
        return true;
    case CDDS_ITEMPREPAINT:
        draw->clrText = (draw->nmcd.uItemState & CDIS_HOT) ? m_clrHotText : m_clrText;
        *result = CDRF_DODEFAULT;
        return true;
    default:
        *result = CDRF_DODEFAULT;
        return true;
    }
}
