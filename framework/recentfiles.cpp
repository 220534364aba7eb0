#include "file.h"
#include "recentfiles.h"

#include "app.h"

#include <algorithm>
#include <cwchar>

CRecentFileList::CRecentFileList(UINT firstId, const wchar_t* section, const wchar_t* entryFormat,
                                 int size)
    : m_nFirstId(firstId), m_strSection(section), m_strEntryFormat(entryFormat), m_nSize(size) {}

void CRecentFileList::Add(const std::wstring& path) {
    if (path.empty() || m_nSize <= 0) return;
    auto same = [&](const std::wstring& f) { return AfxSameText(f, path); };
    m_files.erase(std::remove_if(m_files.begin(), m_files.end(), same), m_files.end());
    m_files.insert(m_files.begin(), path);
    if (static_cast<int>(m_files.size()) > m_nSize) m_files.resize(static_cast<size_t>(m_nSize));
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < GetCount()) m_files.erase(m_files.begin() + index);
}

namespace {
std::wstring EntryName(const std::wstring& format, int number) {
    wchar_t name[64];
    swprintf(name, 64, format.c_str(), number);
    return name;
}
} // namespace

void CRecentFileList::ReadList(const CWinApp& app) {
    m_files.clear();
    for (int i = 0; i < m_nSize; ++i) {
        std::wstring path =
            app.GetProfileString(m_strSection.c_str(), EntryName(m_strEntryFormat, i + 1).c_str());
        if (!path.empty()) m_files.push_back(path);
    }
}

void CRecentFileList::WriteList(CWinApp& app) const {
    for (int i = 0; i < m_nSize; ++i) {
        std::wstring entry = EntryName(m_strEntryFormat, i + 1);
        app.WriteProfileString(m_strSection.c_str(), entry.c_str(),
                               i < GetCount() ? m_files[static_cast<size_t>(i)].c_str() : nullptr);
    }
}

std::wstring CRecentFileList::MenuText(int index) const {
    // A literal '&' in a path must not become a mnemonic.
    std::wstring path;
    for (wchar_t c : m_files[static_cast<size_t>(index)]) {
        if (c == L'&') path += L'&';
        path += c;
    }
    return L"&" + std::to_wstring(index + 1) + L" " + path;
}

void CRecentFileList::UpdateMenu(CCmdUI* ui) {
    HMENU menu = ui->m_hMenu;
    if (!menu) {
        ui->Enable(GetCount() > 0);
        return;
    }
    if (m_strOriginal.empty()) {
        wchar_t text[256] = {};
        GetMenuStringW(menu, ui->m_nIndex, text, 256, MF_BYPOSITION);
        m_strOriginal = text;
    }
    for (int i = 0; i < m_nSize; ++i)
        DeleteMenu(menu, m_nFirstId + static_cast<UINT>(i), MF_BYCOMMAND);
    if (GetCount() == 0) {
        InsertMenuW(menu, ui->m_nIndex, MF_BYPOSITION | MF_STRING | MF_GRAYED, m_nFirstId,
                    m_strOriginal.c_str());
    } else {
        for (int i = 0; i < GetCount(); ++i)
            InsertMenuW(menu, ui->m_nIndex + static_cast<UINT>(i), MF_BYPOSITION | MF_STRING,
                        m_nFirstId + static_cast<UINT>(i), MenuText(i).c_str());
        ui->m_nIndex += static_cast<UINT>(GetCount() - 1); // the caller continues after the list
    }
    ui->m_nIndexMax = static_cast<UINT>(GetMenuItemCount(menu));
    ui->m_bEnableChanged = true; // the items' state is set here
}
