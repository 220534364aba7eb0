#include "doc.h"

#include "afxmsg.h"
#include "app.h"
#include "archive.h"
#include "doctempl.h"
#include "frame.h"
#include "safefile.h"
#include "view.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
    Command<&CDocument::OnFileSave>(ID_FILE_SAVE),
        Command<&CDocument::OnFileSaveAs>(ID_FILE_SAVE_AS),
END_MESSAGE_MAP()

namespace {

std::wstring FileNameOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The box for a failed open or save; `e` is the exception that stopped it.
void ReportSaveLoadException(const std::wstring& path, const std::exception_ptr& e, bool saving) {
    try {
        std::rethrow_exception(e);
    } catch (const CUserException&) {
        return;
    } catch (CArchiveException& ex) {
        // A document's own format errors do not know the file: name it.
        if (ex.m_strFileName.empty()) ex.m_strFileName = path;
        AfxMessageBox(ex.GetErrorMessage(), MB_OK | MB_ICONEXCLAMATION);
        return;
    } catch (const CException&) {
    } catch (const std::bad_alloc&) {
    } catch (...) {
        std::wstring what =
            saving ? L"Не удалось сохранить документ «" : L"Не удалось открыть документ «";
        AfxMessageBox(what + path + L"».", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    AfxMessageBox(AfxExceptionText(e), MB_OK | MB_ICONEXCLAMATION);
}

} // namespace

CDocument::CDocument() = default;

CDocument::~CDocument() {
    for (CView* view : m_views)
        view->m_pDocument = nullptr;
}

void CDocument::SetTitle(const std::wstring& title) {
    m_strTitle = title;
    UpdateFrameTitles();
}

void CDocument::SetPathName(const std::wstring& path, bool addToMRU) {
    wchar_t full[MAX_PATH * 2];
    DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
    m_strPathName = (n > 0 && n < MAX_PATH * 2) ? std::wstring(full, n) : path;
    SetTitle(FileNameOf(m_strPathName));
    if (addToMRU)
        if (CWinApp* app = AfxGetApp()) app->AddToRecentFileList(m_strPathName);
}

void CDocument::UpdateFrameTitles() {
    for (CView* view : m_views)
        if (CFrameWnd* frame = view->GetParentFrame(); frame && frame->IsWindow())
            frame->OnUpdateFrameTitle(true);
}

void CDocument::AddView(CView* view) {
    if (std::find(m_views.begin(), m_views.end(), view) != m_views.end()) return;
    m_views.push_back(view);
    view->m_pDocument = this;
    OnChangedViewList();
}

void CDocument::RemoveView(CView* view) {
    auto it = std::find(m_views.begin(), m_views.end(), view);
    if (it == m_views.end()) return;
    m_views.erase(it);
    view->m_pDocument = nullptr;
    OnChangedViewList(); // may delete this document
}

void CDocument::OnChangedViewList() {
    if (m_views.empty() && m_bAutoDelete) {
        OnCloseDocument();
        return;
    }
    UpdateFrameTitles();
}

void CDocument::UpdateAllViews(CView* sender, LPARAM hint, CObject* hintObject) {
    for (CView* view : std::vector<CView*>(m_views))
        if (view != sender) view->OnUpdate(sender, hint, hintObject);
}

bool CDocument::OnCmdMsg(UINT id, int code, CCmdUI* ui, CmdAction action) {
    if (CCmdTarget::OnCmdMsg(id, code, ui, action)) return true;
    return m_pDocTemplate && m_pDocTemplate->OnCmdMsg(id, code, ui, action);
}

bool CDocument::OnNewDocument() {
    DeleteContents();
    m_strPathName.clear();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnOpenDocument(const wchar_t* path) {
    CFile file;
    CFileException error(CFileException::none, 0, path);
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite, &error)) {
        ReportSaveLoadException(path, std::make_exception_ptr(error), false);
        return false;
    }
    DeleteContents();
    SetModifiedFlag(true); // half-read contents count as changed until the load completes
    m_bOpenDeclined = false;
    try {
        // An empty file leaves the contents as they are.
        if (file.GetLength() > 0) {
            CArchive ar(&file, CArchive::load);
            ar.m_pDocument = this;
            Serialize(ar);
            ar.Close();
        }
        file.Close();
    } catch (const CUserException&) {
        file.Abort();
        m_bOpenDeclined = true; // the document has told the user why
        return false;
    } catch (...) {
        file.Abort();
        DeleteContents();
        ReportSaveLoadException(path, std::current_exception(), false);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnSaveDocument(const wchar_t* path) {
    try {
        AfxWriteFileSafely(path, [&](CFile& file) {
            CArchive ar(&file, CArchive::store);
            ar.m_pDocument = this;
            Serialize(ar);
            ar.Close();
        });
    } catch (...) {
        ReportSaveLoadException(path, std::current_exception(), true);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

void CDocument::OnCloseDocument() {
    bool autoDelete = m_bAutoDelete;
    m_bAutoDelete = false; // not while the frames go
    for (CView* view : std::vector<CView*>(m_views))
        if (CFrameWnd* frame = view->GetParentFrame(); frame && frame->IsWindow())
            frame->DestroyWindow();
    DeleteContents();
    if (autoDelete && m_pDocTemplate) m_pDocTemplate->RemoveDocument(this); // deletes this
}

void CDocument::Serialize(CArchive&) {}

bool CDocument::SaveModified() {
    if (!IsModified()) return true;
    switch (AfxMessageBox(AfxFormatString1(AFX_IDP_ASK_TO_SAVE, m_strTitle), MB_YESNOCANCEL)) {
    case IDCANCEL:
        return false;
    case IDYES:
        return DoFileSave();
    default:
        return true;
    }
}

bool CDocument::CanCloseFrame(CFrameWnd*) {
    return SaveModified();
}

bool CDocument::DoFileSave() {
    DWORD attributes =
        m_strPathName.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(m_strPathName.c_str());
    // No name yet, or a read-only file: ask for a name.
    if (m_strPathName.empty() ||
        (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)))
        return DoSave(nullptr);
    return DoSave(m_strPathName.c_str());
}

bool CDocument::DoSave(const wchar_t* path, bool replace) {
    std::wstring name = path ? path : L"";
    if (name.empty()) {
        name = m_strPathName;
        if (name.empty()) {
            name = m_strTitle;
            std::replace_if(
                name.begin(), name.end(),
                [](wchar_t c) { return wcschr(L"\\/:*?\"<>|", c) != nullptr; }, L'_');
            std::wstring ext;
            if (m_pDocTemplate && m_pDocTemplate->GetDocString(ext, CDocTemplate::filterExt) &&
                name.find(L'.') == std::wstring::npos)
                name += ext;
        }
        CWinApp* app = AfxGetApp();
        if (!app ||
            !app->DoPromptFileName(name, AFX_IDS_SAVEFILE, OFN_HIDEREADONLY, false, m_pDocTemplate))
            return false;
    }
    if (!OnSaveDocument(name.c_str())) return false;
    if (replace) SetPathName(name);
    return true;
}

void CDocument::OnFileSave() {
    DoFileSave();
}
void CDocument::OnFileSaveAs() {
    DoSave(nullptr);
}
