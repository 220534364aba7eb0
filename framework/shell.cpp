// The command line, shell registration of the templates' file types and the file dialogs.
#include "file.h"
#include "afxmsg.h"
#include "app.h"
#include "doc.h"
#include "doctempl.h"
#include "regkey.h"
#include "sysdll.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <memory>

namespace {
struct LocalFreeDeleter {
    void operator()(LPWSTR* p) const { LocalFree(p); }
};
} // namespace

void CCommandLineInfo::ParseParam(const wchar_t* param, bool flag, bool last) {
    if (flag)
        ParseFlag(param);
    else
        ParseName(param);
    if (last) {
        if (m_nShellCommand == FileNew && !m_strFileName.empty()) m_nShellCommand = FileOpen;
        m_bShowSplash = !m_bRunEmbedded && !m_bRunAutomated;
    }
}

void CCommandLineInfo::ParseFlag(const std::wstring& flag) {
    if (AfxSameText(flag, L"pt"))
        m_nShellCommand = FilePrintTo;
    else if (AfxSameText(flag, L"p"))
        m_nShellCommand = FilePrint;
    else if (AfxSameText(flag, L"Register") || AfxSameText(flag, L"Regserver"))
        m_nShellCommand = AppRegister;
    else if (AfxSameText(flag, L"Unregister") || AfxSameText(flag, L"Unregserver"))
        m_nShellCommand = AppUnregister;
    else if (AfxSameText(flag, L"dde"))
        m_nShellCommand = FileDDE;
    else if (AfxSameText(flag, L"Embedding"))
        m_bRunEmbedded = true;
    else if (AfxSameText(flag, L"Automation"))
        m_bRunAutomated = true;
}

void CCommandLineInfo::ParseName(const wchar_t* param) {
    if (m_nShellCommand == FilePrintTo && !m_strFileName.empty()) {
        if (m_strPrinterName.empty())
            m_strPrinterName = param;
        else if (m_strDriverName.empty())
            m_strDriverName = param;
        else if (m_strPortName.empty())
            m_strPortName = param;
        return;
    }
    if (m_strFileName.empty()) m_strFileName = param;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) {
    // The usual start has no arguments: the shell's splitter is loaded only for some.
    if (m_strCmdLine.find_first_not_of(L" \t") == std::wstring::npos) return;
    auto* split =
        sysdll::Function<decltype(CommandLineToArgvW)>(L"shell32.dll", "CommandLineToArgvW");
    if (!split) return;
    std::wstring line = L"kiv " + m_strCmdLine; // the splitter wants a program name first
    int argc = 0;
    std::unique_ptr<LPWSTR, LocalFreeDeleter> argv(split(line.c_str(), &argc));
    if (!argv) return;
    for (int i = 1; i < argc; ++i) {
        const wchar_t* arg = argv.get()[i];
        bool flag = arg[0] == L'/' || arg[0] == L'-';
        info.ParseParam(flag ? arg + 1 : arg, flag, i == argc - 1);
    }
}

bool CWinApp::ProcessShellCommand(CCommandLineInfo& info) {
    switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
    case CCommandLineInfo::FileDDE: // no DDE server here: a plain start
        if (!OnCmdMsg(ID_FILE_NEW, 0, nullptr)) OnFileNew();
        return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
    case CCommandLineInfo::FilePrint: // nothing to print with: the file is opened
    case CCommandLineInfo::FilePrintTo:
        return OpenDocumentFile(info.m_strFileName.c_str()) != nullptr;
    case CCommandLineInfo::AppRegister:
        RegisterShellFileTypes(true);
        return false; // registered; nothing else to do
    case CCommandLineInfo::AppUnregister:
        UnregisterShellFileTypes();
        return false;
    case CCommandLineInfo::FileNothing:
        return true;
    }
    return false;
}

void CWinApp::EnableShellOpen() {
    m_bShellOpen = true;
}

namespace {
constexpr wchar_t kClasses[] = L"Software\\Classes\\";

std::wstring ModuleFile() {
    wchar_t path[MAX_PATH * 2];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return std::wstring(path, n);
}

// Written only when it differs, so a start with everything in place changes nothing;
// true when it wrote.
bool SetDefault(const std::wstring& subkey, const std::wstring& value) {
    CRegKey key;
    std::wstring now;
    if (key.Open(HKEY_CURRENT_USER, kClasses + subkey) && key.QueryString(nullptr, now) &&
        now == value)
        return false;
    return key.Create(HKEY_CURRENT_USER, kClasses + subkey) && key.SetString(nullptr, value);
}

// An extension that another program owns keeps its owner.
bool ExtensionFree(const std::wstring& ext, const std::wstring& typeId) {
    CRegKey key;
    std::wstring owner;
    if (!key.Open(HKEY_CLASSES_ROOT, ext) || !key.QueryString(nullptr, owner)) return true;
    return owner.empty() || owner == typeId;
}
} // namespace

bool CWinApp::RegisterShellFileTypes(bool) {
    return AfxRegisterFileTypes(m_templates, ModuleFile());
}

bool AfxRegisterFileTypes(std::span<const std::unique_ptr<CDocTemplate>> templates,
                          const std::wstring& exe) {
    bool changed = false;
    for (auto& t : templates) {
        std::wstring typeId, typeName, ext;
        if (!t->GetDocString(typeId, CDocTemplate::regFileTypeId) || typeId.empty()) continue;
        t->GetDocString(typeName, CDocTemplate::regFileTypeName);
        changed |= SetDefault(typeId, typeName.empty() ? typeId : typeName);
        changed |= SetDefault(typeId + L"\\DefaultIcon", exe + L",0");
        changed |= SetDefault(typeId + L"\\shell\\open\\command", L"\"" + exe + L"\" \"%1\"");
        if (t->GetDocString(ext, CDocTemplate::filterExt) && !ext.empty() &&
            ExtensionFree(ext, typeId))
            changed |= SetDefault(ext, typeId);
    }
    // The announcement makes the shell rebuild its menus (under Wine a new process each
    // time): only for a real change.
    if (changed) {
        if (auto* notify =
                sysdll::Function<decltype(SHChangeNotify)>(L"shell32.dll", "SHChangeNotify"))
            notify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    }
    return changed;
}

void CWinApp::UnregisterShellFileTypes() {
    for (auto& t : m_templates) {
        std::wstring typeId, ext;
        if (!t->GetDocString(typeId, CDocTemplate::regFileTypeId) || typeId.empty()) continue;
        RegDeleteTreeW(HKEY_CURRENT_USER, (kClasses + typeId).c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, (kClasses + typeId).c_str());
        CRegKey key;
        std::wstring owner;
        if (t->GetDocString(ext, CDocTemplate::filterExt) &&
            key.Open(HKEY_CURRENT_USER, kClasses + ext) && key.QueryString(nullptr, owner) &&
            owner == typeId) {
            key.Close();
            RegDeleteKeyW(HKEY_CURRENT_USER, (kClasses + ext).c_str());
        }
    }
}

namespace {
// "name\0*.ext\0" for each template, then the all-files filter; also the default extension.
std::wstring BuildFilter(std::span<const std::unique_ptr<CDocTemplate>> templates,
                         CDocTemplate* only, std::wstring& defaultExt) {
    std::wstring filter;
    for (auto& t : templates) {
        if (only && t.get() != only) continue;
        std::wstring name, ext;
        if (!t->GetDocString(name, CDocTemplate::filterName) ||
            !t->GetDocString(ext, CDocTemplate::filterExt))
            continue;
        if (defaultExt.empty()) defaultExt = ext.substr(ext.front() == L'.' ? 1 : 0);
        filter += name + L'\0' + L"*" + ext + L'\0';
    }
    std::wstring all = AfxLoadString(AFX_IDS_ALLFILTER);
    if (all.empty()) all = L"*.*";
    filter += all + L'\0' + L"*.*" + L'\0';
    return filter;
}
} // namespace

bool CWinApp::DoPromptFileName(std::wstring& fileName, UINT titleId, DWORD flags, bool open,
                               CDocTemplate* templ) {
    std::wstring defaultExt;
    std::wstring filter = BuildFilter(m_templates, templ, defaultExt);
    std::wstring title = AfxLoadString(titleId);
    std::vector<wchar_t> buffer(32768, L'\0');
    fileName.copy(buffer.data(), std::min(fileName.size(), buffer.size() - 1));
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner =
        m_pMainWnd && m_pMainWnd->IsWindow() ? GetLastActivePopup(m_pMainWnd->m_hWnd) : nullptr;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
    ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLESIZING | OFN_PATHMUSTEXIST |
                (open ? 0 : OFN_OVERWRITEPROMPT);
    auto* prompt = sysdll::Function<decltype(GetOpenFileNameW)>(
        L"comdlg32.dll", open ? "GetOpenFileNameW" : "GetSaveFileNameW");
    if (!prompt || !prompt(&ofn)) return false;
    fileName = buffer.data();
    return true;
}
