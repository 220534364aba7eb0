// CDocument: path, title, modified flag and view list; new, open, save and save-as with the
// save prompt. Saving writes a temporary file beside the target and then replaces it, so
// a failed save keeps the old file and the modified flag.
#pragma once
#include "cmdtarget.h"

#include <string>
#include <vector>

class CArchive;
class CDocTemplate;
class CFrameWnd;
class CView;

class CDocument : public CCmdTarget {
    DECLARE_DYNAMIC(CDocument)
public:
    CDocument();
    ~CDocument() override;

    // Attributes.
    const std::wstring& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(const std::wstring& title);
    const std::wstring& GetPathName() const { return m_strPathName; }
    // Sets the full path and the title (the file name); adds the path to the recent files.
    virtual void SetPathName(const std::wstring& path, bool addToMRU = true);
    void ClearPathName() { m_strPathName.clear(); }
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    virtual bool IsModified() const { return m_bModified; }
    virtual void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

    // Views.
    void AddView(CView* view);
    void RemoveView(CView* view);
    const std::vector<CView*>& GetViews() const { return m_views; }
    CView* GetFirstView() const { return m_views.empty() ? nullptr : m_views.front(); }
    void UpdateAllViews(CView* sender, LPARAM hint = 0, CObject* hintObject = nullptr);

    // Overridables.
    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const wchar_t* path);
    virtual bool OnSaveDocument(const wchar_t* path);
    virtual void OnCloseDocument();
    virtual void DeleteContents() {}
    virtual void Serialize(CArchive& ar);
    // Asks about unsaved changes with string 61699; false when the user cancels.
    virtual bool SaveModified();
    virtual bool CanCloseFrame(CFrameWnd* frame);
    // Saves to `path`, or asks for a name (Save As) when it is null or empty.
    virtual bool DoSave(const wchar_t* path, bool replace = true);
    virtual bool DoFileSave();
    // A view list change; a document without views and with m_bAutoDelete goes away.
    virtual void OnChangedViewList();
    // Routes to the document's own table, then to its template.
    bool OnCmdMsg(UINT id, int code, CCmdUI* ui, CmdAction action = CmdAction::Run) override;

    bool m_bAutoDelete = true;

protected:
    DECLARE_MESSAGE_MAP()
    void OnFileSave();
    void OnFileSaveAs();

private:
    friend class CDocTemplate;
    friend class CSingleDocTemplate;
    void UpdateFrameTitles();

    std::wstring m_strTitle;
    std::wstring m_strPathName;
    CDocTemplate* m_pDocTemplate = nullptr;
    bool m_bOpenDeclined = false; // the last open was refused by the document itself
    std::vector<CView*> m_views;
    bool m_bModified = false;
};
