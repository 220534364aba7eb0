// The application object: start-up and message loop with the idle pass, the profile in
// the registry, the recent-file list, the document templates, the command line, shell
// registration, and the framework's message boxes and string table access.
#pragma once
#include "wnd.h"

#include <memory>
#include <span>
#include <string>
#include <vector>

class CDocTemplate;
class CDocument;
class CFrameWnd;
class CRecentFileList;

// The framework's standard command line: a file name, or one of its switches.
class CCommandLineInfo {
public:
    enum Shell {
        FileNew,
        FileOpen,
        FilePrint,
        FilePrintTo,
        FileDDE,
        AppRegister,
        AppUnregister,
        FileNothing
    };
    virtual ~CCommandLineInfo() = default;
    // One argument; `flag` when it started with '/' or '-' (then without that sign).
    virtual void ParseParam(const wchar_t* param, bool flag, bool last);

    Shell m_nShellCommand = FileNew;
    bool m_bShowSplash = true;
    bool m_bRunEmbedded = false;
    bool m_bRunAutomated = false;
    std::wstring m_strFileName;
    std::wstring m_strPrinterName, m_strDriverName, m_strPortName;

private:
    void ParseFlag(const std::wstring& flag);
    void ParseName(const wchar_t* param);
};

class CWinApp : public CCmdTarget {
    DECLARE_DYNAMIC(CWinApp)
public:
    // Without a name the application takes it from string 57344 (the application title).
    explicit CWinApp(const wchar_t* appName = nullptr);
    ~CWinApp() override;

    // Overridables.
    virtual bool InitApplication();
    virtual bool InitInstance();
    virtual int ExitInstance();
    virtual int Run();
    // Idle work; true while more idle passes are wanted.
    virtual bool OnIdle(LONG count);
    // Messages that do not restart the idle pass (mouse moves in place, paint, system timer).
    virtual bool IsIdleMessage(const MSG* msg);
    // Accelerators and dialog keys: the window under the message, its parents, then the main frame.
    virtual bool PreTranslateMessage(MSG* msg);
    virtual CDocument* OpenDocumentFile(const wchar_t* path);
    virtual int DoMessageBox(const std::wstring& text, UINT type, UINT helpId);
    // WinHelp with the help file; false when it could not be started.
    virtual bool WinHelp(DWORD_PTR data, UINT cmd = HELP_CONTEXT);
    // Reports an exception that reached the message loop or a window procedure.
    virtual void ReportException(const std::exception_ptr& e);

    // One message from the queue to its window; false on WM_QUIT.
    bool PumpMessage();

    // Profile: HKCU\Software\<registry key>\<application name>\<section>.
    void SetRegistryKey(const wchar_t* key);
    void SetRegistryKey(UINT stringId);
    UINT GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue) const;
    bool WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value);
    std::wstring GetProfileString(const wchar_t* section, const wchar_t* entry,
                                  const wchar_t* defaultValue = L"") const;
    bool WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* value);
    bool GetProfileBinary(const wchar_t* section, const wchar_t* entry,
                          std::vector<BYTE>& data) const;
    bool WriteProfileBinary(const wchar_t* section, const wchar_t* entry,
                            std::span<const BYTE> data);
    // Removes one section (or, with null, the application's whole profile key).
    bool DeleteProfileSection(const wchar_t* section);
    // "Software\<key>\<application name>"; empty when no key is set.
    std::wstring GetAppRegistryPath() const;

    // Recent files: the list of `maxMRU` entries, loaded from "Recent File List".
    void LoadStdProfileSettings(UINT maxMRU = 4);
    virtual void AddToRecentFileList(const std::wstring& path);
    CRecentFileList* GetRecentFileList() const { return m_pRecentFileList.get(); }

    // Documents.
    void AddDocTemplate(std::unique_ptr<CDocTemplate> templ);
    std::span<const std::unique_ptr<CDocTemplate>> GetDocTemplates() const { return m_templates; }
    bool SaveAllModified();
    void CloseAllDocuments(bool endSession);

    // Shell: the file types of the templates in the current user's classes.
    void EnableShellOpen();
    // Writes only what differs and announces it to the shell; true when anything changed.
    bool RegisterShellFileTypes(bool compat = false);
    void UnregisterShellFileTypes();
    void ParseCommandLine(CCommandLineInfo& info);
    bool ProcessShellCommand(CCommandLineInfo& info);
    // The open/save file dialog with the templates' filters; true when a name was chosen.
    bool DoPromptFileName(std::wstring& fileName, UINT titleId, DWORD flags, bool open,
                          CDocTemplate* templ);

    void Enable3dControls() {} // the system draws 3-D controls itself
    HICON LoadIcon(UINT id) const;

    // Attributes.
    HINSTANCE m_hInstance = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL; // start-up show command; -1 once used
    std::wstring m_strCmdLine;      // arguments without the program name
    CWnd* m_pMainWnd = nullptr;
    std::wstring m_strAppName;
    std::wstring m_strRegistryKey;
    std::wstring m_strExeName;
    std::wstring m_strHelpFilePath;

    // Command handlers (the program's own table maps the commands to them).
    void OnFileNew();
    void OnFileOpen();
    void OnAppExit();
    void OnHelp();
    void OnHelpFinder();
    void OnOpenRecentFile(UINT id);
    void OnUpdateRecentFileMenu(CCmdUI* ui);

protected:
    DECLARE_MESSAGE_MAP()

private:
    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
    std::unique_ptr<CRecentFileList> m_pRecentFileList;
    bool m_bShellOpen = false;
    CPoint m_ptLastMouse{-1, -1};
    UINT m_nLastMouseMsg = 0;
    MSG m_msgCur{};
    int m_nExitCode = 0;
};

// The one application object of the process, null before its construction.
CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();

// Message boxes captioned with the application title. Without an icon the framework adds
// its default: the question mark for Yes/No(-Cancel), the exclamation mark otherwise.
int AfxMessageBox(const std::wstring& text, UINT type = MB_OK, UINT helpId = 0);
int AfxMessageBox(UINT stringId, UINT type = MB_OK, UINT helpId = static_cast<UINT>(-1));
// A string of the program's string table; empty when missing.
std::wstring AfxLoadString(UINT id);
// The string with "%1" replaced by `arg`.
std::wstring AfxFormatString1(UINT id, const std::wstring& arg);
// Field `index` of a "\n"-separated string; empty when absent.
std::wstring AfxExtractSubString(const std::wstring& text, int index, wchar_t sep = L'\n');

// The file types of `templates` in the current user's classes, opened by `exe`: only what
// differs is written and announced to the shell; true when anything changed.
bool AfxRegisterFileTypes(std::span<const std::unique_ptr<CDocTemplate>> templates,
                          const std::wstring& exe);

// The framework's entry: InitInstance, Run, ExitInstance.
int AfxWinMain(HINSTANCE instance, LPWSTR cmdLine, int cmdShow);
