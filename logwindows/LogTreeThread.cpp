#include "logwindows/LogTreeThread.h"

#include <new>
#include <string>

#include "logwindows/LogTreeDoc.h"
#include "logwindows/LogTreeFrame.h"
#include "logwindows/LogTreeView.h"
#include "logwindows/TreeFrameEx.h"
#include "logwindows/TreeViewEx.h"
#include "resources/LogWindowRes.h"
#include "search/SearchCondition.h"
#include "server/core/Except.h"
#include "server/core/LogNode.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

namespace {

constexpr UINT IDR_RESULTWINDOW = 132;
constexpr UINT IDR_OBJINFOWINDOW = 145;

// The thread objects of running log threads, one per thread.
thread_local CLogTreeThread* t_pLogThread = nullptr;

// Brings a frame to the front as it is.
void RaiseFrame(CFrameWnd* pFrame) {
    pFrame->ShowWindow(SW_RESTORE);
    ::SetActiveWindow(pFrame->m_hWnd);
}

}  // namespace

CWinThread* CLogTreeThread::CreateForMainFrame(HWND hMainWnd) {
    CWinThread* pThread = AfxBeginThread(RUNTIME_CLASS(CLogTreeThread), THREAD_PRIORITY_BELOW_NORMAL, 0,
                                         CREATE_SUSPENDED);
    if (auto* pLog = dynamic_cast<CLogTreeThread*>(pThread)) pLog->m_hMainWnd = hMainWnd;
    return pThread;
}

// --- CLogThreadTemplate --------------------------------------------------------

IMPLEMENT_DYNAMIC(CLogThreadTemplate, CSingleDocTemplate)

CLogThreadTemplate::CLogThreadTemplate(CLogTreeThread* pThread, UINT nIDResource, const CRuntimeClass* pDocClass,
                                       const CRuntimeClass* pFrameClass, const CRuntimeClass* pViewClass)
    : CSingleDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass), m_pThread(pThread) {}

void CLogThreadTemplate::RemoveDocument(CDocument* pDoc) {
    const bool bWasOpen = m_pOnlyDoc == pDoc && pDoc;
    CSingleDocTemplate::RemoveDocument(pDoc);
    if (bWasOpen && m_pThread) m_pThread->OnTemplateEmptied(this);
}

// --- CLogTreeThread -------------------------------------------------------------

IMPLEMENT_DYNCREATE(CLogTreeThread, CWinThread)

const CObjInfoWindowSlot* CLogTreeThread::s_pObjInfoWindow = nullptr;
const CResultWindowSlot* CLogTreeThread::s_pResultWindow = nullptr;
const CExtractDialogSlot* CLogTreeThread::s_pExtractDialog = nullptr;
const CFindDialogSlot* CLogTreeThread::s_pFindDialog = nullptr;
const CMoveDialogSlot* CLogTreeThread::s_pMoveDialog = nullptr;
void (*CLogTreeThread::s_pfnFreeUnshownRecord)(CObjInfo*) = nullptr;

CLogTreeThread::CLogTreeThread() {
    // The main frame deletes the object after the thread has ended.
    m_bAutoDelete = false;
}

CLogTreeThread::~CLogTreeThread() = default;

CLogTreeThread* CLogTreeThread::Current() { return t_pLogThread; }

void CLogTreeThread::PostToMain(UINT message, WPARAM wParam, LPARAM lParam) const {
    if (m_hMainWnd) ::PostMessageW(m_hMainWnd, message, wParam, lParam);
}

BOOL CLogTreeThread::InitInstance() {
    t_pLogThread = this;
    try {
        m_pLogTemplate = new CLogThreadTemplate(this, IDR_LOGWINDOW, RUNTIME_CLASS(CLogTreeDoc),
                                                RUNTIME_CLASS(CLogTreeFrame), RUNTIME_CLASS(CLogTreeView));
    } catch (const std::bad_alloc&) {
        PostToMain(UM_LOGVIEW_CREATED, 0, 0);
        return FALSE;
    }
    CFrameWnd* pFrame = nullptr;
    CDocument* pDoc = nullptr;
    auto* pLogFrame = static_cast<CLogTreeFrame*>(nullptr);
    if (!CreateDocFrame(m_pLogTemplate, pFrame, pDoc) || !(pLogFrame = dynamic_cast<CLogTreeFrame*>(pFrame))) {
        PostToMain(UM_LOGVIEW_CREATED, 0, 0);
        return FALSE;
    }
    m_pLogFrame = pLogFrame;
    m_pLogDoc = static_cast<CLogTreeDoc*>(pDoc);
    m_pLogFrame->SetMainWnd(m_hMainWnd);
    if (auto* pView = dynamic_cast<CTreeViewEx*>(m_pLogFrame->GetActiveView())) {
        pView->SetViewIndex(0);
        pView->SetScrollBarDialog(m_pLogFrame->GetScrollBarDialog());
        pView->UpdateScrollBar();
    }
    m_pLogDoc->SetViewIndex(0);
    PostToMain(UM_LOGVIEW_CREATED, reinterpret_cast<WPARAM>(m_pLogFrame->m_hWnd), 0);
    return TRUE;
}

int CLogTreeThread::ExitInstance() {
    // Whatever is still open goes with the thread (the windows belong to it).
    auto drop = [this](CLogThreadTemplate*& pTemplate) {
        if (!pTemplate) return;
        CLogThreadTemplate* p = pTemplate;
        pTemplate = nullptr;
        p->CloseAllDocuments(FALSE);
        delete p;
    };
    for (int i = 0; i < RESULT_VIEWS; ++i) {
        if (m_pResultDoc[i]) m_pResultDoc[i]->m_pFirstNode = m_pResultDoc[i]->m_pLastNode = nullptr;
        drop(m_pResultTemplate[i]);
    }
    drop(m_pObjInfoTemplate);
    drop(m_pLogTemplate);
    t_pLogThread = nullptr;
    return CWinThread::ExitInstance();
}

void CLogTreeThread::OnTemplateEmptied(CLogThreadTemplate* pTemplate) {
    if (pTemplate == m_pLogTemplate) {
        m_pLogFrame = nullptr;
        m_pLogDoc = nullptr;
    }
    for (int i = 0; i < RESULT_VIEWS; ++i) {
        if (pTemplate == m_pResultTemplate[i]) {
            m_pResultFrame[i] = nullptr;
            m_pResultDoc[i] = nullptr;
        }
    }
    if (pTemplate == m_pObjInfoTemplate) {
        m_pObjInfoFrame = nullptr;
        m_pObjInfoDoc = nullptr;
    }
}

BOOL CLogTreeThread::CreateDocFrame(CSingleDocTemplate* pTemplate, CFrameWnd*& pFrame, CDocument*& pDoc) {
    pFrame = nullptr;
    pDoc = nullptr;
    if (!pTemplate) return FALSE;
    CDocument* doc = pTemplate->CreateNewDocument();
    if (!doc) return FALSE;
    CFrameWnd* frame = pTemplate->CreateNewFrame(doc, nullptr);
    if (!frame) {
        // No view came: the document goes by itself only with its last view.
        doc->OnCloseDocument();
        return FALSE;
    }
    if (!doc->OnNewDocument()) {
        frame->DestroyWindow();  // the view and with it the document go too
        return FALSE;
    }
    pTemplate->InitialUpdateFrame(frame, doc, TRUE);
    pFrame = frame;
    pDoc = doc;
    return TRUE;
}

bool CLogTreeThread::IsResultViewOpen(int n) const {
    if (n < 1 || n > RESULT_VIEWS) return false;
    const CLogThreadTemplate* p = m_pResultTemplate[n - 1];
    return p && p->IsOpen() && m_pResultFrame[n - 1] && m_pResultDoc[n - 1];
}

bool CLogTreeThread::IsObjInfoViewOpen() const {
    return m_pObjInfoTemplate && m_pObjInfoTemplate->IsOpen() && m_pObjInfoFrame;
}

BOOL CLogTreeThread::OpenResultView(int n) {
    if (n < 1 || n > RESULT_VIEWS) return FALSE;
    const int i = n - 1;
    if (IsResultViewOpen(n)) {
        RaiseFrame(m_pResultFrame[i]);
        return TRUE;
    }
    if (!s_pResultWindow) return FALSE;

    std::wstring strTitle;
    try {
        wchar_t buf[32];
        wsprintfW(buf, L"ResultView %d", n);
        strTitle = buf;
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    }

    // A template whose window has gone but whose closing message has not
    // arrived yet serves the new window.
    CLogThreadTemplate* pTemplate = m_pResultTemplate[i];
    const bool bNewTemplate = pTemplate == nullptr;
    if (bNewTemplate) {
        try {
            pTemplate = new CLogThreadTemplate(this, IDR_RESULTWINDOW, s_pResultWindow->pDocClass,
                                               s_pResultWindow->pFrameClass, s_pResultWindow->pViewClass);
        } catch (const std::bad_alloc&) {
            return FALSE;
        }
    }
    CFrameWnd* pFrameWnd = nullptr;
    CDocument* pDocument = nullptr;
    auto* pFrame = static_cast<CTreeFrameEx*>(nullptr);
    auto* pDoc = static_cast<CTreeDocEx*>(nullptr);
    if (!CreateDocFrame(pTemplate, pFrameWnd, pDocument) || !(pFrame = dynamic_cast<CTreeFrameEx*>(pFrameWnd)) ||
        !(pDoc = dynamic_cast<CTreeDocEx*>(pDocument))) {
        if (pFrameWnd) pTemplate->CloseAllDocuments(FALSE);
        if (bNewTemplate) delete pTemplate;
        return FALSE;
    }

    pFrame->SetTitle(strTitle.c_str());
    pFrame->SetWindowText(strTitle.c_str());
    const RECT& rc = CAppSettings::Get().Window.ResultView[i];
    if (!::IsRectEmpty(&rc)) pFrame->MoveWindow(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);

    m_pResultTemplate[i] = pTemplate;
    m_pResultFrame[i] = pFrame;
    m_pResultDoc[i] = pDoc;

    if (auto* pView = dynamic_cast<CTreeViewEx*>(pFrame->GetActiveView())) {
        pView->SetViewIndex(n);
        pView->SetScrollBarDialog(pFrame->GetScrollBarDialog());
        pView->UpdateScrollBar();
        if (s_pResultWindow->pfnPrimeTreeCtrl) s_pResultWindow->pfnPrimeTreeCtrl(pView);
    }
    pDoc->SetViewIndex(n);
    return TRUE;
}

void CLogTreeThread::CloseResultViews() {
    for (int n = 1; n <= RESULT_VIEWS; ++n) {
        if (!IsResultViewOpen(n)) continue;
        // Closing returns none of the document's bare nodes: the pools go as a whole.
        m_pResultDoc[n - 1]->m_pFirstNode = nullptr;
        m_pResultDoc[n - 1]->m_pLastNode = nullptr;
        m_pResultTemplate[n - 1]->CloseAllDocuments(FALSE);
    }
}

BOOL CLogTreeThread::OpenObjInfoView() {
    if (IsObjInfoViewOpen()) {
        RaiseFrame(m_pObjInfoFrame);
        return TRUE;
    }
    if (!s_pObjInfoWindow) return FALSE;
    CLogThreadTemplate* pTemplate = m_pObjInfoTemplate;
    const bool bNewTemplate = pTemplate == nullptr;
    if (bNewTemplate) {
        try {
            pTemplate = new CLogThreadTemplate(this, IDR_OBJINFOWINDOW, s_pObjInfoWindow->pDocClass,
                                               s_pObjInfoWindow->pFrameClass, s_pObjInfoWindow->pViewClass);
        } catch (const std::bad_alloc&) {
            return FALSE;
        }
    }
    CFrameWnd* pFrame = nullptr;
    CDocument* pDoc = nullptr;
    if (!CreateDocFrame(pTemplate, pFrame, pDoc)) {
        if (bNewTemplate) delete pTemplate;
        return FALSE;
    }
    m_pObjInfoTemplate = pTemplate;
    m_pObjInfoDoc = pDoc;
    m_pObjInfoFrame = pFrame;
    return TRUE;
}

// --- thread messages ----------------------------------------------------------------

bool CLogTreeThread::OnThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case UM_LOGTHREAD_QUIT:          OnQuit(wParam, lParam); return true;
    case UM_SHOW_EXTRACT:            OnShowExtractResult(wParam, lParam); return true;
    case UM_CLOSE_RESULTVIEWS:       OnCloseResultViews(wParam, lParam); return true;
    case UM_REQUEST_RELEASE_MEMORY:  OnRequestReleaseMemory(wParam, lParam); return true;
    case UM_FIND_TO_RESULTVIEW:      OnFindToResult(wParam, lParam); return true;
    case UM_RESULTVIEW_CLOSED:       OnResultViewDestroyed(wParam, lParam); return true;
    case UM_UPDATE_RESULTVIEW_FONT:  OnResultFontChanged(wParam, lParam); return true;
    case UM_UPDATE_OBJINFO_FONT:     OnObjInfoFontChanged(wParam, lParam); return true;
    case UM_UPDATE_FINDDIALOG_FONT:  OnDialogFontChanged(wParam, lParam); return true;
    case UM_UPDATE_HIGHLIGHT:        OnHighlightChanged(wParam, lParam); return true;
    case UM_SHOW_OBJINFO:            OnObjectInfo(wParam, lParam); return true;
    case UM_OBJINFO_CLOSED:          OnObjInfoViewDestroyed(wParam, lParam); return true;
    }
    return false;
}

void CLogTreeThread::OnQuit(WPARAM, LPARAM) {
    if (m_pLogTemplate) {
        CLogThreadTemplate* p = m_pLogTemplate;
        p->CloseAllDocuments(FALSE);  // the log frame saves its rectangle and tells the main frame
        m_pLogTemplate = nullptr;
        delete p;
        m_pLogFrame = nullptr;
        m_pLogDoc = nullptr;
    }
    CloseResultViews();
    if (m_pObjInfoTemplate) {
        CLogThreadTemplate* p = m_pObjInfoTemplate;
        p->CloseAllDocuments(FALSE);
        m_pObjInfoTemplate = nullptr;
        delete p;
        m_pObjInfoFrame = nullptr;
        m_pObjInfoDoc = nullptr;
    }
    ::PostQuitMessage(0);
}

void CLogTreeThread::OnShowExtractResult(WPARAM wParam, LPARAM lParam) {
    auto* pTree = reinterpret_cast<CLogNode*>(wParam);
    const int n = static_cast<int>(lParam);
    UINT nCode = ZV_ERR_CREATE_RESULTVIEW;
    try {
        if (OpenResultView(n)) {
            if (s_pResultWindow->pfnSetTree) s_pResultWindow->pfnSetTree(m_pResultDoc[n - 1], pTree);
            return;
        }
    } catch (const CExcept& e) {
        nCode = e.m_nCode;
    }
    // The tree's bare nodes go back to the free list; the entries stay the master list's.
    PushFreeChain(pTree);
    CExcept(nCode).Report();
}

void CLogTreeThread::OnCloseResultViews(WPARAM, LPARAM) { CloseResultViews(); }

void CLogTreeThread::OnRequestReleaseMemory(WPARAM wParam, LPARAM) {
    // No result window may refer to a pool node when the pools go, whatever
    // became of an earlier request to close them.
    CloseResultViews();
    PostToMain(UM_RELEASE_MEMORY, wParam, 0);
}

void CLogTreeThread::OnFindToResult(WPARAM wParam, LPARAM lParam) {
    auto* pSet = reinterpret_cast<CSearchConditionSet*>(wParam);
    auto* pFirst = reinterpret_cast<CLogNode*>(lParam);
    if (!pSet) return;
    const int n = (pSet->m_options & SSO_OWN_WINDOW) ? -1
                                                     : static_cast<int>((pSet->m_options & SSO_VIEW_MASK) >> SSO_VIEW_SHIFT);
    // A window is never its own target: filling it would free the chain
    // that the find walks.
    if (pFirst && IsResultViewOpen(n) && m_pResultDoc[n - 1] && m_pResultDoc[n - 1]->m_pFirstNode == pFirst) return;
    try {
        if (!OpenResultView(n)) throw CExcept(ZV_ERR_CREATE_RESULTVIEW);
        int nCount = s_pResultWindow->pfnBuildFromFind
                         ? s_pResultWindow->pfnBuildFromFind(m_pResultDoc[n - 1], pFirst, pSet)
                         : 0;
        m_pResultFrame[n - 1]->SetMatchCount(nCount);
    } catch (const CExcept& e) {
        if (IsResultViewOpen(n)) {
            try {
                m_pResultFrame[n - 1]->SetMatchCount(-1);
            } catch (const CExcept&) {
            }
        }
        e.Report();
    } catch (const std::bad_alloc&) {
        if (IsResultViewOpen(n)) {
            try {
                m_pResultFrame[n - 1]->SetMatchCount(-1);
            } catch (const CExcept&) {
            }
        }
        CExcept(ZV_ERR_MEMORY).Report();
    }
}

void CLogTreeThread::OnResultViewDestroyed(WPARAM wParam, LPARAM) {
    const int n = static_cast<int>(wParam);
    if (n < 1 || n > RESULT_VIEWS) return;
    CLogThreadTemplate* p = m_pResultTemplate[n - 1];
    // A template that serves a window opened again since stays.
    if (!p || p->IsOpen()) return;
    m_pResultTemplate[n - 1] = nullptr;
    m_pResultFrame[n - 1] = nullptr;
    m_pResultDoc[n - 1] = nullptr;
    delete p;
}

void CLogTreeThread::UpdateResultViews(LPARAM lHint) {
    for (int n = 1; n <= RESULT_VIEWS; ++n)
        if (IsResultViewOpen(n)) m_pResultDoc[n - 1]->UpdateAllViews(nullptr, lHint, nullptr);
}

void CLogTreeThread::OnResultFontChanged(WPARAM, LPARAM) { UpdateResultViews(HINT_VIEW_FONT); }

void CLogTreeThread::OnObjInfoFontChanged(WPARAM, LPARAM) {
    if (IsObjInfoViewOpen() && m_pObjInfoDoc) m_pObjInfoDoc->UpdateAllViews(nullptr, 4, nullptr);
}

void CLogTreeThread::OnDialogFontChanged(WPARAM, LPARAM) {
    if (m_pLogDoc) m_pLogDoc->UpdateAllViews(nullptr, HINT_DIALOG_FONT, nullptr);
    UpdateResultViews(HINT_DIALOG_FONT);
}

void CLogTreeThread::OnHighlightChanged(WPARAM, LPARAM) {
    if (m_pLogDoc) m_pLogDoc->UpdateAllViews(nullptr, HINT_HIGHLIGHT, nullptr);
    UpdateResultViews(HINT_HIGHLIGHT);
}

void CLogTreeThread::OnObjectInfo(WPARAM wParam, LPARAM) {
    auto* pInfo = reinterpret_cast<CObjInfo*>(wParam);
    if (!pInfo) return;
    if (OpenObjInfoView() && m_pObjInfoDoc && s_pObjInfoWindow->pfnAddRecord) {
        s_pObjInfoWindow->pfnAddRecord(m_pObjInfoDoc, pInfo);
        return;
    }
    // No window took the record: it is not shown and goes.
    if (s_pObjInfoWindow && s_pObjInfoWindow->pfnFreeRecord) s_pObjInfoWindow->pfnFreeRecord(pInfo);
    else if (s_pfnFreeUnshownRecord) s_pfnFreeUnshownRecord(pInfo);
}

void CLogTreeThread::OnObjInfoViewDestroyed(WPARAM, LPARAM) {
    CLogThreadTemplate* p = m_pObjInfoTemplate;
    // A template that serves a window opened again since stays.
    if (!p || p->IsOpen()) return;
    m_pObjInfoTemplate = nullptr;
    m_pObjInfoFrame = nullptr;
    m_pObjInfoDoc = nullptr;
    delete p;
}
