// Documents, views, form views and document templates.
#include "framework/DocView.h"
#include "framework/App.h"
#include <algorithm>

namespace {

POSITION ToPos(size_t index) { return reinterpret_cast<POSITION>(index + 1); }
size_t FromPos(POSITION p) { return reinterpret_cast<size_t>(p) - 1; }

}  // namespace

// --- CDocument ----------------------------------------------------------------

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

CDocument::CDocument() = default;

CDocument::~CDocument() {
    for (CView* v : m_views) v->m_pDocument = nullptr;
    m_views.clear();
    if (m_pDocTemplate) m_pDocTemplate->RemoveDocument(this);
}

void CDocument::SetTitle(LPCWSTR lpszTitle) {
    m_strTitle = lpszTitle ? lpszTitle : L"";
    std::vector<CFrameWnd*> done;
    for (CView* v : m_views) {
        CFrameWnd* f = v->GetParentFrame();
        if (f && std::find(done.begin(), done.end(), f) == done.end()) {
            done.push_back(f);
            f->OnUpdateFrameTitle(TRUE);
        }
    }
}

void CDocument::SetPathName(LPCWSTR lpszPathName, BOOL) {
    wchar_t full[MAX_PATH];
    DWORD n = lpszPathName ? ::GetFullPathNameW(lpszPathName, MAX_PATH, full, nullptr) : 0;
    m_strPathName = (n > 0 && n < MAX_PATH) ? full : (lpszPathName ? lpszPathName : L"");
    size_t slash = m_strPathName.find_last_of(L"\\/");
    SetTitle((slash == std::wstring::npos ? m_strPathName : m_strPathName.substr(slash + 1)).c_str());
}

void CDocument::AddView(CView* pView) {
    if (!pView || std::find(m_views.begin(), m_views.end(), pView) != m_views.end()) return;
    if (pView->m_pDocument && pView->m_pDocument != this) pView->m_pDocument->RemoveView(pView);
    m_views.push_back(pView);
    pView->m_pDocument = this;
    OnChangedViewList();
}

void CDocument::RemoveView(CView* pView) {
    auto it = std::find(m_views.begin(), m_views.end(), pView);
    if (it == m_views.end()) return;
    m_views.erase(it);
    pView->m_pDocument = nullptr;
    OnChangedViewList();  // may delete this
}

POSITION CDocument::GetFirstViewPosition() const { return m_views.empty() ? nullptr : ToPos(0); }

CView* CDocument::GetNextView(POSITION& rPosition) const {
    if (!rPosition) return nullptr;
    size_t i = FromPos(rPosition);
    if (i >= m_views.size()) { rPosition = nullptr; return nullptr; }
    rPosition = (i + 1 < m_views.size()) ? ToPos(i + 1) : nullptr;
    return m_views[i];
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, CObject* pHint) {
    std::vector<CView*> views = m_views;  // a view may go away while it updates
    for (CView* v : views) {
        if (v == pSender) continue;
        if (std::find(m_views.begin(), m_views.end(), v) == m_views.end()) continue;
        v->OnUpdate(pSender, lHint, pHint);
    }
}

BOOL CDocument::OnNewDocument() {
    DeleteContents();
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::OnOpenDocument(LPCWSTR lpszPathName) {
    HANDLE h = lpszPathName ? ::CreateFileW(lpszPathName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                            : INVALID_HANDLE_VALUE;
    if (h == INVALID_HANDLE_VALUE) {
        AfxMessageBox(L"Failed to open document.", MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    ::CloseHandle(h);
    DeleteContents();
    SetModifiedFlag(FALSE);
    return TRUE;
}

void CDocument::OnCloseDocument() {
    const bool autoDelete = m_bAutoDelete;
    m_bAutoDelete = false;  // not deleted while its frames close
    while (!m_views.empty()) {
        CView* v = m_views.front();
        if (CFrameWnd* f = v->GetParentFrame()) {
            PreCloseFrame(f);
            f->DestroyWindow();
        } else {
            v->DestroyWindow();
        }
        if (!m_views.empty() && m_views.front() == v) RemoveView(v);  // a window that would not go
    }
    m_bAutoDelete = autoDelete;
    DeleteContents();
    if (m_bAutoDelete) delete this;
}

void CDocument::OnChangedViewList() {
    if (m_views.empty() && m_bAutoDelete) OnCloseDocument();
}

BOOL CDocument::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) {
    if (CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    return m_pDocTemplate && m_pDocTemplate->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

// --- CView -----------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CView, CWnd)

CView::~CView() {
    if (m_pDocument) m_pDocument->RemoveView(this);
}

BOOL CView::Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                   CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
    if (pContext && pContext->m_pCurrentDoc) pContext->m_pCurrentDoc->AddView(this);
    return CWnd::Create(lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext);
}

BOOL CView::PreCreateWindow(CREATESTRUCT& cs) {
    if (!cs.lpszClass)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, ::LoadCursorW(nullptr, IDC_ARROW),
                                           reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    if (cs.style & WS_BORDER) {
        cs.style &= ~WS_BORDER;
        cs.dwExStyle |= WS_EX_CLIENTEDGE;
    }
    return cs.lpszClass != nullptr;
}

void CView::OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }

void CView::OnUpdate(CView*, LPARAM, CObject*) { Invalidate(TRUE); }

BOOL CView::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) {
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    return m_pDocument && m_pDocument->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

LRESULT CView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:         OnPaint(); return 0;
    case WM_INITIALUPDATE: OnInitialUpdate(); return 0;
    case WM_DESTROY:       OnDestroy(); break;
    case WM_MOUSEACTIVATE: {
        LRESULT r = CWnd::WindowProc(message, wParam, lParam);
        if (CFrameWnd* f = GetParentFrame()) f->SetActiveView(this);
        return r;
    }
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CView::OnPaint() {
    CPaintDC dc(this);
    OnDraw(&dc);
}

void CView::OnDestroy() {
    if (CFrameWnd* f = GetParentFrame(); f && f->m_pViewActive == this) f->m_pViewActive = nullptr;
}

// --- CFormView -----------------------------------------------------------------

IMPLEMENT_DYNAMIC(CFormView, CView)

BOOL CFormView::Create(LPCWSTR, LPCWSTR, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID,
                       CCreateContext* pContext) {
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC res = ::FindResourceW(hInst, MAKEINTRESOURCEW(m_nIDTemplate), RT_DIALOG);
    HGLOBAL mem = res ? ::LoadResource(hInst, res) : nullptr;
    const BYTE* src = mem ? static_cast<const BYTE*>(::LockResource(mem)) : nullptr;
    DWORD size = res ? ::SizeofResource(hInst, res) : 0;
    if (!src || size < sizeof(DLGTEMPLATE)) {
        PostNcDestroy();  // as for any failed creation of a view
        return FALSE;
    }
    // A copy of the template with the style of a child of the frame.
    std::vector<BYTE> copy(src, src + size);
    const bool extended = reinterpret_cast<const WORD*>(copy.data())[1] == 0xFFFF;
    auto* pStyle = reinterpret_cast<DWORD*>(copy.data() + (extended ? 12 : 0));
    auto* pExStyle = reinterpret_cast<DWORD*>(copy.data() + (extended ? 8 : 4));
    DWORD style = *pStyle;
    style &= ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME | WS_VISIBLE | WS_BORDER |
               WS_DISABLED | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    style |= WS_CHILD;
    *pStyle = style;
    if (dwStyle & WS_BORDER) *pExStyle |= WS_EX_CLIENTEDGE;

    if (pContext && pContext->m_pCurrentDoc) pContext->m_pCurrentDoc->AddView(this);
    if (!CreateDlgIndirect(reinterpret_cast<const DLGTEMPLATE*>(copy.data()), pParentWnd ? pParentWnd->m_hWnd : nullptr))
        return FALSE;  // the view is gone
    RECT wr;
    GetWindowRect(&wr);
    m_sizeTemplate = SIZE{wr.right - wr.left, wr.bottom - wr.top};
    SetDlgCtrlID(static_cast<int>(nID));
    if (rect.right > rect.left || rect.bottom > rect.top)
        SetWindowPos(nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    if (dwStyle & WS_VISIBLE) ShowWindow(SW_SHOWNORMAL);
    return TRUE;
}

BOOL CFormView::PreTranslateMessage(MSG* pMsg) {
    // The frame's accelerators first, then the dialog keys of the form.
    for (CFrameWnd* f = GetParentFrame(); f; f = f->GetParentFrame())
        if (f->PreTranslateMessage(pMsg)) return TRUE;
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST)
        return ::IsDialogMessageW(m_hWnd, pMsg);
    return FALSE;
}

LRESULT CFormView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return FALSE;  // the form is set up in OnInitialUpdate
    case WM_PAINT:      return DefWindowProc(message, wParam, lParam);
    }
    return CView::WindowProc(message, wParam, lParam);
}

void CFormView::ResizeParentToFit(BOOL bShrinkOnly) {
    CFrameWnd* f = GetParentFrame();
    if (!f || !m_hWnd) return;
    RECT view;
    GetWindowRect(&view);
    int dx = m_sizeTemplate.cx - (view.right - view.left);
    int dy = m_sizeTemplate.cy - (view.bottom - view.top);
    if (bShrinkOnly) {
        dx = std::min(dx, 0);
        dy = std::min(dy, 0);
    }
    if (!dx && !dy) return;
    RECT frame;
    f->GetWindowRect(&frame);
    f->SetWindowPos(nullptr, 0, 0, frame.right - frame.left + dx, frame.bottom - frame.top + dy,
                    SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    f->RecalcLayout();
}

// --- CDocTemplate ----------------------------------------------------------------

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)

CDocTemplate::CDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass, const CRuntimeClass* pFrameClass,
                           const CRuntimeClass* pViewClass)
    : m_pDocClass(pDocClass), m_pFrameClass(pFrameClass), m_pViewClass(pViewClass), m_nIDResource(nIDResource),
      m_strDocStrings(AfxLoadString(nIDResource)) {}

CDocTemplate::~CDocTemplate() = default;

BOOL CDocTemplate::GetDocString(std::wstring& rString, DocStringIndex index) const {
    rString.clear();
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        size_t nl = m_strDocStrings.find(L'\n', start);
        if (nl == std::wstring::npos) return FALSE;
        start = nl + 1;
    }
    if (start > m_strDocStrings.size() || (m_strDocStrings.empty() && index == 0)) return FALSE;
    size_t end = m_strDocStrings.find(L'\n', start);
    rString = m_strDocStrings.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    return TRUE;
}

void CDocTemplate::AddDocument(CDocument* pDoc) { pDoc->m_pDocTemplate = this; }

void CDocTemplate::RemoveDocument(CDocument* pDoc) {
    if (pDoc->m_pDocTemplate == this) pDoc->m_pDocTemplate = nullptr;
}

CDocument* CDocTemplate::CreateNewDocument() {
    if (!m_pDocClass) return nullptr;
    CObject* obj = m_pDocClass->CreateObject();
    auto* doc = dynamic_cast<CDocument*>(obj);
    if (!doc) {
        delete obj;
        return nullptr;
    }
    AddDocument(doc);
    return doc;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther) {
    if (!m_pFrameClass) return nullptr;
    CCreateContext ctx;
    ctx.m_pCurrentFrame = pOther;
    ctx.m_pCurrentDoc = pDoc;
    ctx.m_pNewViewClass = m_pViewClass;
    ctx.m_pNewDocTemplate = this;
    CObject* obj = m_pFrameClass->CreateObject();
    auto* frame = dynamic_cast<CFrameWnd*>(obj);
    if (!frame) {
        delete obj;
        return nullptr;
    }
    // A frame that fails to load has deleted itself.
    if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &ctx)) return nullptr;
    return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible) {
    if (pFrame) pFrame->InitialUpdateFrame(pDoc, bMakeVisible);
}

void CDocTemplate::CloseAllDocuments(BOOL) {
    while (POSITION pos = GetFirstDocPosition()) {
        CDocument* doc = GetNextDoc(pos);
        if (!doc) break;
        doc->OnCloseDocument();
        // A document that is not deleted (no auto-delete) leaves the list here.
        if (POSITION again = GetFirstDocPosition(); again && GetNextDoc(again) == doc) RemoveDocument(doc);
    }
}

BOOL CDocTemplate::SaveAllModified() {
    POSITION pos = GetFirstDocPosition();
    while (pos) {
        CDocument* doc = GetNextDoc(pos);
        if (doc && !doc->SaveModified()) return FALSE;
    }
    return TRUE;
}

// --- CSingleDocTemplate ----------------------------------------------------------

IMPLEMENT_DYNAMIC(CSingleDocTemplate, CDocTemplate)

CSingleDocTemplate::CSingleDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass,
                                       const CRuntimeClass* pFrameClass, const CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass) {}

CSingleDocTemplate::~CSingleDocTemplate() {
    if (m_pOnlyDoc) m_pOnlyDoc->OnCloseDocument();
    if (m_pOnlyDoc) CDocTemplate::RemoveDocument(m_pOnlyDoc);  // a document that does not delete itself
    m_pOnlyDoc = nullptr;
}

void CSingleDocTemplate::AddDocument(CDocument* pDoc) {
    if (m_pOnlyDoc && m_pOnlyDoc != pDoc) return;  // one document only
    CDocTemplate::AddDocument(pDoc);
    m_pOnlyDoc = pDoc;
}

void CSingleDocTemplate::RemoveDocument(CDocument* pDoc) {
    CDocTemplate::RemoveDocument(pDoc);
    if (m_pOnlyDoc == pDoc) m_pOnlyDoc = nullptr;
}

POSITION CSingleDocTemplate::GetFirstDocPosition() const {
    return m_pOnlyDoc ? reinterpret_cast<POSITION>(1) : nullptr;
}

CDocument* CSingleDocTemplate::GetNextDoc(POSITION& rPos) const {
    CDocument* doc = rPos ? m_pOnlyDoc : nullptr;
    rPos = nullptr;
    return doc;
}

void CSingleDocTemplate::SetDefaultTitle(CDocument* pDocument) {
    std::wstring title;
    if (!GetDocString(title, fileNewName) || title.empty()) GetDocString(title, docName);
    if (title.empty()) title = L"Untitled";
    pDocument->SetTitle(title.c_str());
}

CDocument* CSingleDocTemplate::OpenDocumentFile(LPCWSTR lpszPathName, BOOL bMakeVisible) {
    CDocument* doc = nullptr;
    CFrameWnd* frame = nullptr;
    bool created = false;
    if (m_pOnlyDoc) {
        doc = m_pOnlyDoc;
        if (!doc->SaveModified()) return nullptr;
        if (!doc->GetViews().empty()) frame = doc->GetViews().front()->GetParentFrame();
    } else {
        doc = CreateNewDocument();
        created = true;
    }
    if (!doc) return nullptr;
    if (!frame) {
        const bool autoDelete = doc->m_bAutoDelete;
        doc->m_bAutoDelete = false;  // not deleted if the frame fails
        frame = CreateNewFrame(doc, nullptr);
        doc->m_bAutoDelete = autoDelete;
        if (!frame) {
            if (created) delete doc;
            return nullptr;
        }
    }
    if (!lpszPathName) {
        SetDefaultTitle(doc);
        if (!bMakeVisible) doc->m_bEmbedded = true;
        if (!doc->OnNewDocument()) {
            if (created) frame->DestroyWindow();  // takes the document with its view
            return nullptr;
        }
    } else {
        if (!doc->OnOpenDocument(lpszPathName)) {
            if (created) frame->DestroyWindow();
            return nullptr;
        }
        doc->SetPathName(lpszPathName);
    }
    CWinThread* thread = AfxGetThread();
    if (created && thread && !thread->m_pMainWnd) thread->m_pMainWnd = frame;
    InitialUpdateFrame(frame, doc, bMakeVisible);
    return doc;
}
