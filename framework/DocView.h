// Documents, views and document templates.
//
// Ownership: a template owns nothing but its list of documents; a document
// is deleted when its last view goes (m_bAutoDelete) or by OnCloseDocument,
// which destroys the frames of its views; a view and a frame delete
// themselves after their windows are gone. The application deletes the
// templates added with AddDocTemplate; a thread that keeps templates of its
// own (created with new, never added) deletes them itself.
#pragma once
#include "framework/Frame.h"
#include "framework/Gdi.h"
#include <string>
#include <vector>

class CView;
class CDocTemplate;

// A position in a document's view list or a template's document list.
using POSITION = struct POSITION_tag*;

class CDocument : public CCmdTarget {
    DECLARE_DYNAMIC(CDocument)
public:
    CDocument();
    ~CDocument() override;  // leaves its template's list

    bool m_bAutoDelete = true;   // delete when the last view is gone
    bool m_bEmbedded = false;

    const std::wstring& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(LPCWSTR lpszTitle);     // also the titles of its frames
    const std::wstring& GetPathName() const { return m_strPathName; }
    virtual void SetPathName(LPCWSTR lpszPathName, BOOL bAddToMRU = TRUE);
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    virtual BOOL IsModified() { return m_bModified; }
    virtual void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified != FALSE; }

    // --- views ---------------------------------------------------------------
    void AddView(CView* pView);
    void RemoveView(CView* pView);
    POSITION GetFirstViewPosition() const;
    CView* GetNextView(POSITION& rPosition) const;
    const std::vector<CView*>& GetViews() const { return m_views; }
    // OnUpdate of every view but pSender, in the order they were added.
    void UpdateAllViews(CView* pSender, LPARAM lHint = 0L, CObject* pHint = nullptr);

    // --- overridables --------------------------------------------------------
    virtual BOOL OnNewDocument();                       // DeleteContents; TRUE
    // Checks that the file can be read (else reports "Failed to open
    // document." and gives FALSE); reads nothing; DeleteContents; TRUE.
    virtual BOOL OnOpenDocument(LPCWSTR lpszPathName);
    // Destroys the frames of all views, DeleteContents, deletes itself when m_bAutoDelete.
    virtual void OnCloseDocument();
    virtual void DeleteContents() {}
    virtual BOOL CanCloseFrame(CFrameWnd* pFrame) { return SaveModified(); }
    virtual BOOL SaveModified() { return TRUE; }
    virtual void PreCloseFrame(CFrameWnd* pFrame) {}
    virtual void OnChangedViewList();   // closes the document when no view is left

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override;

private:
    std::wstring m_strTitle, m_strPathName;
    bool m_bModified = false;
    CDocTemplate* m_pDocTemplate = nullptr;
    std::vector<CView*> m_views;
    friend class CDocTemplate;
};

class CView : public CWnd {
    DECLARE_DYNAMIC(CView)
public:
    ~CView() override;
    CDocument* GetDocument() const { return m_pDocument; }

    // Style AFX_WS_DEFAULT_VIEW; the document of the context gets this view.
    BOOL Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr) override;
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;

    virtual void OnInitialUpdate();  // OnUpdate(nullptr, 0, nullptr)
    virtual void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint);  // Invalidate
    virtual void OnDraw(CDC* pDC) {}
    virtual void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView) {}

    // Own handlers, then the document's.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override { delete this; }  // a view owns itself

protected:
    CView() = default;
    void OnPaint();
    void OnDestroy();
    CDocument* m_pDocument = nullptr;
    friend class CDocument;
};

constexpr DWORD AFX_WS_DEFAULT_VIEW = WS_CHILD | WS_VISIBLE | WS_BORDER;

// A view made from a dialog template (a modeless child dialog of the frame).
// Its controls send their notifications to it (OnCmd with the control's id
// and notification code); dialog keys (Tab, arrows, mnemonics) work through
// PreTranslateMessage.
class CFormView : public CView {
    DECLARE_DYNAMIC(CFormView)
public:
    BOOL Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Resizes the parent frame so that the view is as big as its template
    // (bShrinkOnly: only where the view is larger now).
    void ResizeParentToFit(BOOL bShrinkOnly = TRUE);
    SIZE GetTemplateSize() const { return m_sizeTemplate; }
    UINT GetTemplateId() const { return m_nIDTemplate; }

protected:
    explicit CFormView(UINT nIDTemplate) : m_nIDTemplate(nIDTemplate) {}
    UINT m_nIDTemplate;
    SIZE m_sizeTemplate{};
};

// Makes documents, their frames and views from runtime classes, and keeps
// the documents it made. The template string (string resource of the id)
// holds "\n"-separated fields, read with GetDocString.
class CDocTemplate : public CCmdTarget {
    DECLARE_DYNAMIC(CDocTemplate)
public:
    enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };

    ~CDocTemplate() override;  // closes the documents still listed

    UINT GetResourceId() const { return m_nIDResource; }
    virtual BOOL GetDocString(std::wstring& rString, DocStringIndex index) const;

    virtual void AddDocument(CDocument* pDoc);
    virtual void RemoveDocument(CDocument* pDoc);
    virtual POSITION GetFirstDocPosition() const = 0;
    virtual CDocument* GetNextDoc(POSITION& rPos) const = 0;

    virtual CDocument* CreateNewDocument();
    // A new frame (LoadFrame with the template's id) with a view of the
    // template's view class for pDoc; null on failure.
    virtual CFrameWnd* CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther);
    virtual void InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible = TRUE);
    virtual void SetDefaultTitle(CDocument* pDocument) = 0;
    // lpszPathName null: a new document.
    virtual CDocument* OpenDocumentFile(LPCWSTR lpszPathName, BOOL bMakeVisible = TRUE) = 0;
    virtual void CloseAllDocuments(BOOL bEndSession);
    virtual BOOL SaveAllModified();

    const CRuntimeClass* m_pDocClass;
    const CRuntimeClass* m_pFrameClass;
    const CRuntimeClass* m_pViewClass;

protected:
    CDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass,
                 const CRuntimeClass* pFrameClass, const CRuntimeClass* pViewClass);
    UINT m_nIDResource;
    std::wstring m_strDocStrings;
};

class CSingleDocTemplate : public CDocTemplate {
    DECLARE_DYNAMIC(CSingleDocTemplate)
public:
    CSingleDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass,
                       const CRuntimeClass* pFrameClass, const CRuntimeClass* pViewClass);
    ~CSingleDocTemplate() override;

    void AddDocument(CDocument* pDoc) override;
    void RemoveDocument(CDocument* pDoc) override;
    POSITION GetFirstDocPosition() const override;
    CDocument* GetNextDoc(POSITION& rPos) const override;
    void SetDefaultTitle(CDocument* pDocument) override;
    // Reuses the one document (and its frame) when it exists; otherwise makes
    // document and frame. The first frame a thread makes this way becomes the
    // thread's main window.
    CDocument* OpenDocumentFile(LPCWSTR lpszPathName, BOOL bMakeVisible = TRUE) override;

    CDocument* m_pOnlyDoc = nullptr;
};
