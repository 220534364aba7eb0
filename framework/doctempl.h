// Document templates: the resource id, the seven-field string and the runtime classes of
// document, frame and view; the single-document template keeps one document.
#pragma once
#include "cmdtarget.h"

#include <memory>
#include <string>

class CDocument;
class CFrameWnd;
class CView;
class CDocTemplate;

// What a frame needs to create its view for a document.
struct CCreateContext {
    const CRuntimeClass* m_pNewViewClass = nullptr;
    CDocument* m_pCurrentDoc = nullptr;
    CDocTemplate* m_pNewDocTemplate = nullptr;
    CView* m_pLastView = nullptr;
    CFrameWnd* m_pCurrentFrame = nullptr;
};

class CDocTemplate : public CCmdTarget {
    DECLARE_DYNAMIC(CDocTemplate)
public:
    enum DocStringIndex {
        windowTitle,
        docName,
        fileNewName,
        filterName,
        filterExt,
        regFileTypeId,
        regFileTypeName
    };

    CDocTemplate(UINT resourceId, const CRuntimeClass* docClass, const CRuntimeClass* frameClass,
                 const CRuntimeClass* viewClass);
    ~CDocTemplate() override;

    // One field of string `resourceId`; false when it is empty.
    bool GetDocString(std::wstring& out, DocStringIndex index) const;
    UINT GetResourceId() const { return m_nIDResource; }

    // Opens `path`, or makes a new document when null; null on failure (already reported).
    virtual CDocument* OpenDocumentFile(const wchar_t* path, bool makeVisible = true) = 0;
    virtual CDocument* GetOnlyDocument() const = 0;
    // Called by a document that is going away (its last view closed).
    virtual void RemoveDocument(CDocument* doc) = 0;
    virtual void SetDefaultTitle(CDocument* doc);
    virtual bool SaveAllModified();
    virtual void CloseAllDocuments(bool endSession);

    // Creation by runtime class; the caller owns the results until windows take them.
    std::unique_ptr<CDocument> CreateNewDocument();
    CFrameWnd* CreateNewFrame(CDocument* doc, CFrameWnd* other);
    virtual void InitialUpdateFrame(CFrameWnd* frame, CDocument* doc, bool makeVisible = true);

    const CRuntimeClass* m_pDocClass;
    const CRuntimeClass* m_pFrameClass;
    const CRuntimeClass* m_pViewClass;

protected:
    UINT m_nIDResource;
    std::wstring m_strDocStrings;
};

class CSingleDocTemplate : public CDocTemplate {
    DECLARE_DYNAMIC(CSingleDocTemplate)
public:
    using CDocTemplate::CDocTemplate;
    ~CSingleDocTemplate() override;

    CDocument* OpenDocumentFile(const wchar_t* path, bool makeVisible = true) override;
    CDocument* GetOnlyDocument() const override { return m_pOnlyDoc.get(); }
    void RemoveDocument(CDocument* doc) override;

private:
    CDocument* PrepareDocument(bool& created);
    bool OpenInto(CDocument* doc, const wchar_t* path, bool created, CFrameWnd* frame);

    std::unique_ptr<CDocument> m_pOnlyDoc;
};
