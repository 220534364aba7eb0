#include "doctempl.h"

#include "app.h"
#include "doc.h"
#include "frame.h"
#include "view.h"

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CSingleDocTemplate, CDocTemplate)

CDocTemplate::CDocTemplate(UINT resourceId, const CRuntimeClass* docClass,
                           const CRuntimeClass* frameClass, const CRuntimeClass* viewClass)
    : m_pDocClass(docClass), m_pFrameClass(frameClass), m_pViewClass(viewClass),
      m_nIDResource(resourceId), m_strDocStrings(AfxLoadString(resourceId)) {}

CDocTemplate::~CDocTemplate() = default;

bool CDocTemplate::GetDocString(std::wstring& out, DocStringIndex index) const {
    out = AfxExtractSubString(m_strDocStrings, static_cast<int>(index));
    return !out.empty();
}

void CDocTemplate::SetDefaultTitle(CDocument* doc) {
    std::wstring title;
    if (!GetDocString(title, docName)) title = L"БезИмени";
    doc->SetTitle(title);
}

bool CDocTemplate::SaveAllModified() {
    CDocument* doc = GetOnlyDocument();
    return !doc || doc->SaveModified();
}

void CDocTemplate::CloseAllDocuments(bool) {
    if (CDocument* doc = GetOnlyDocument()) doc->OnCloseDocument();
}

std::unique_ptr<CDocument> CDocTemplate::CreateNewDocument() {
    std::unique_ptr<CObject> obj(m_pDocClass ? m_pDocClass->CreateObject() : nullptr);
    auto* doc = dynamic_cast<CDocument*>(obj.get());
    if (!doc) return nullptr;
    obj.release();
    doc->m_pDocTemplate = this;
    return std::unique_ptr<CDocument>(doc);
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* doc, CFrameWnd* other) {
    std::unique_ptr<CObject> obj(m_pFrameClass ? m_pFrameClass->CreateObject() : nullptr);
    auto* frame = dynamic_cast<CFrameWnd*>(obj.get());
    if (!frame) return nullptr;
    CCreateContext context;
    context.m_pCurrentFrame = other;
    context.m_pCurrentDoc = doc;
    context.m_pNewViewClass = m_pViewClass;
    context.m_pNewDocTemplate = this;
    frame->m_bAutoDelete = false; // ours until the window exists
    if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context))
        return nullptr;
    frame->m_bAutoDelete = true; // from now on the window owns it
    obj.release();
    return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* frame, CDocument* doc, bool makeVisible) {
    frame->InitialUpdateFrame(doc, makeVisible);
}

CSingleDocTemplate::~CSingleDocTemplate() {
    // Frames still open go first; they take their views with them.
    if (m_pOnlyDoc) {
        m_pOnlyDoc->m_bAutoDelete = false;
        for (CView* view : std::vector<CView*>(m_pOnlyDoc->GetViews()))
            if (CFrameWnd* frame = view->GetParentFrame(); frame && frame->IsWindow())
                frame->DestroyWindow();
    }
}

void CSingleDocTemplate::RemoveDocument(CDocument* doc) {
    if (m_pOnlyDoc.get() == doc) m_pOnlyDoc.reset();
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const wchar_t* path, bool makeVisible) {
    bool created = false;
    CDocument* doc = PrepareDocument(created);
    if (!doc) return nullptr;
    CFrameWnd* frame = nullptr;
    if (CView* view = doc->GetFirstView()) frame = view->GetParentFrame();
    bool frameCreated = false;
    if (!frame) {
        frame = CreateNewFrame(doc, nullptr);
        if (!frame) {
            m_pOnlyDoc.reset();
            return nullptr;
        }
        frameCreated = true;
    }
    if (!OpenInto(doc, path, created || frameCreated, frame)) return nullptr;
    CWinApp* app = AfxGetApp();
    if (frameCreated && app && !app->m_pMainWnd) app->m_pMainWnd = frame;
    InitialUpdateFrame(frame, doc, makeVisible);
    return doc;
}

CDocument* CSingleDocTemplate::PrepareDocument(bool& created) {
    if (m_pOnlyDoc) {
        // The one document is reused: its unsaved changes are settled first.
        return m_pOnlyDoc->SaveModified() ? m_pOnlyDoc.get() : nullptr;
    }
    m_pOnlyDoc = CreateNewDocument();
    created = m_pOnlyDoc != nullptr;
    return m_pOnlyDoc.get();
}

bool CSingleDocTemplate::OpenInto(CDocument* doc, const wchar_t* path, bool created,
                                  CFrameWnd* frame) {
    bool ok;
    bool wasModified = doc->IsModified();
    if (!path) {
        SetDefaultTitle(doc);
        ok = doc->OnNewDocument();
    } else {
        doc->SetModifiedFlag(false);
        ok = doc->OnOpenDocument(path);
        if (ok) doc->SetPathName(path);
    }
    if (ok) return true;
    if (created) {
        // A first file the document refused leaves a new document: there is nothing to go back to.
        if (path && doc->m_bOpenDeclined) {
            SetDefaultTitle(doc);
            if (doc->OnNewDocument()) return true;
        }
        // Nothing was there before: the frame goes, and with its view the document.
        frame->DestroyWindow();
        m_pOnlyDoc.reset();
    } else if (!doc->IsModified()) {
        doc->SetModifiedFlag(wasModified); // untouched: it stays as it was
    } else {
        // The load had begun and left the contents half-read: a fresh document instead.
        SetDefaultTitle(doc);
        doc->ClearPathName();
        doc->OnNewDocument();
    }
    return false;
}
