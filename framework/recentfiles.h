// The recent-file list: most recent first, kept in the profile and shown in the menu in
// place of the first recent-file item.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class CCmdUI;
class CWinApp;

class CRecentFileList {
public:
    CRecentFileList(UINT firstId, const wchar_t* section, const wchar_t* entryFormat, int size);

    int GetSize() const { return m_nSize; }
    int GetCount() const { return static_cast<int>(m_files.size()); }
    const std::wstring& operator[](int index) const { return m_files[static_cast<size_t>(index)]; }
    // Puts `path` first (once; names compare without regard to case).
    void Add(const std::wstring& path);
    void Remove(int index);

    void ReadList(const CWinApp& app);
    void WriteList(CWinApp& app) const;
    // Replaces the menu's recent-file items by the list (or the placeholder when empty).
    void UpdateMenu(CCmdUI* ui);
    // The menu text of entry `index`: "&1 path".
    std::wstring MenuText(int index) const;

private:
    UINT m_nFirstId;
    std::wstring m_strSection;
    std::wstring m_strEntryFormat; // "File%d"
    int m_nSize;
    std::vector<std::wstring> m_files;
    std::wstring m_strOriginal; // the placeholder item's text
};
