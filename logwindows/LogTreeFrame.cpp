#include "logwindows/LogTreeFrame.h"

#include <new>

#include "logwindows/LogTreeDoc.h"
#include "logwindows/LogTreeThread.h"
#include "logwindows/LogTreeView.h"
#include "logwindows/VertScrollBar.h"
#include "resources/LogWindowRes.h"
#include "search/SearchCondition.h"
#include "server/core/Except.h"
#include "server/core/Globals.h"
#include "server/core/LogNode.h"
#include "server/core/Messages.h"
#include "server/core/NodeAlgo.h"
#include "server/settings/AppSettings.h"

IMPLEMENT_DYNCREATE(CLogTreeFrame, CTreeFrameEx)

CLogTreeFrame::CLogTreeFrame() = default;
CLogTreeFrame::~CLogTreeFrame() = default;

BOOL CLogTreeFrame::PreCreateWindow(CREATESTRUCT& cs) {
    // The title set at creation stays as it is.
    cs.style &= ~FWS_ADDTOTITLE;
    return CTreeFrameEx::PreCreateWindow(cs);
}

CLogTreeDoc* CLogTreeFrame::GetLogDoc() { return dynamic_cast<CLogTreeDoc*>(GetActiveDocument()); }

CLogTreeView* CLogTreeFrame::GetLogView() { return dynamic_cast<CLogTreeView*>(GetActiveView()); }

void CLogTreeFrame::PostToMain(UINT message, WPARAM wParam, LPARAM lParam) const {
    if (m_hMainWnd) ::PostMessageW(m_hMainWnd, message, wParam, lParam);
}

void CLogTreeFrame::UpdateLogViews(LPARAM lHint, CObject* pHint) {
    if (CDocument* pDoc = GetActiveDocument()) pDoc->UpdateAllViews(nullptr, lHint, pHint);
}

LRESULT CLogTreeFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:                    return OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));
    case WM_DESTROY:                   OnDestroy(); return 0;
    case UM_ADD_ENTRY:                 return OnAddEntry(wParam, lParam);
    case UM_CONNECTED:                 return OnClientConnect(wParam, lParam);
    case UM_DISCONNECTED:              return OnClientDisconnect(wParam, lParam);
    case UM_MEMBERS_LOADED:            return OnObjectExpanded(wParam, lParam);
    case UM_UPDATE_LOGVIEW_FONT:       return OnLogFontChanged(wParam, lParam);
    case UM_UPDATE_EXTRACTDIALOG_FONT: return OnExtractFontChanged(wParam, lParam);
    case UM_VIEW_ERROR:
    case UM_EXTRACT_ERROR:
    case UM_FIND_ERROR:                return OnErrorReport(wParam, lParam);
    case UM_EXPAND_OBJECT:             return OnExpandRequest(wParam, lParam);
    case UM_OBJINFO_COMMAND:           return OnObjectInfoRequest(wParam, lParam);
    case UM_EXTRACT_OK:                return OnExtractRequest(wParam, lParam);
    case UM_EXTRACTDIALOG_CLOSED:      return OnExtractDialogClosed(wParam, lParam);
    case UM_FINDDIALOG_CLOSED:         return OnFindDialogClosed(wParam, lParam);
    case UM_FIND:                      return OnFindRequest(wParam, lParam);
    }
    return CTreeFrameEx::WindowProc(message, wParam, lParam);
}

// --- creation and destruction ----------------------------------------------------

int CLogTreeFrame::OnCreate(LPCREATESTRUCT lpcs) {
    const DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_BORDER_BOTTOM | CBRS_GRIPPER | CBRS_TOOLTIPS |
                          CBRS_FLYBY | CBRS_SIZE_DYNAMIC;
    if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT, dwStyle, RECT{0, 0, 0, 0}, AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadToolBar(IDR_LOGWINDOW))
        return -1;
    m_pToolBar = &m_wndToolBar;
    if (CTreeFrameEx::OnCreate(lpcs) == -1) return -1;

    SetTitle(L"LogView");
    SetWindowText(L"LogView");
    const RECT& rc = CAppSettings::Get().Window.LogView;
    if (!::IsRectEmpty(&rc)) MoveWindow(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    return 0;
}

void CLogTreeFrame::OnDestroy() {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    if (::GetWindowPlacement(m_hWnd, &wp)) CAppSettings::Get().Window.LogView = wp.rcNormalPosition;
    CTreeFrameEx::WindowProc(WM_DESTROY, 0, 0);
    PostToMain(UM_LOGVIEW_CLOSED, 0, 0);
}

// --- the trace state ----------------------------------------------------------------

void CLogTreeFrame::ApplyViewRule() {
    // A call that changes nothing costs no message to the view.
    const bool bEnable = g_nClients == 0 || m_bPaused;
    if (CView* pView = GetActiveView(); pView && pView->m_hWnd && (pView->IsWindowEnabled() != FALSE) != bEnable)
        pView->EnableWindow(bEnable);
    // The bar moves the view's page: it is usable exactly when the view is.
    if (CVertScrollBar* pBar = GetScrollBarDialog(); pBar && pBar->m_wndScrollBar.m_hWnd &&
                                                     (::IsWindowEnabled(pBar->m_wndScrollBar.m_hWnd) != FALSE) != bEnable)
        ::EnableWindow(pBar->m_wndScrollBar.m_hWnd, bEnable);
}

void CLogTreeFrame::UpdateToolButtons() {
    const bool bClients = g_nClients != 0;
    m_wndToolBar.EnableButton(ID_TRACE_STOP, bClients);
    m_wndToolBar.EnableButton(ID_TRACE_BREAK, bClients && !m_bPaused);
    m_wndToolBar.EnableButton(ID_TRACE_RESTART, m_bPaused);
    m_wndToolBar.EnableButton(ID_TRACE_STEPOVER, m_bPaused);
    m_wndToolBar.EnableButton(ID_TRACE_RELEASEMEMORY, CanReleaseMemory());
}

BOOL CLogTreeFrame::CheckBreak(CLogNode* pNode) {
    const bool bWasPaused = m_bPaused;
    if (m_bBreakRequested) m_bPaused = true;
    else if (pNode && pNode->m_pEntry && (pNode->m_pEntry->m_flags & LOGF_BREAK)) m_bPaused = true;
    // A call arrives as a sent message, after which no idle update runs
    // until something is posted: the buttons change here, at once.
    if (m_bPaused != bWasPaused) {
        ApplyViewRule();
        UpdateToolButtons();
    }
    return m_bPaused;
}

LRESULT CLogTreeFrame::OnAddEntry(WPARAM wParam, LPARAM) {
    auto* pNode = reinterpret_cast<CLogNode*>(wParam);
    ++m_nHandedCalls;
    BOOL bHeld = FALSE;
    if (m_bStopRequested) {
        PostToMain(UM_STOP);
    } else {
        bHeld = CheckBreak(pNode);
        if (!bHeld) {
            PostToMain(UM_CONTINUE);
            // The call goes on now, and its client with it: what follows
            // only records it for the view. The main thread may link the
            // next call behind this one meanwhile; nothing below reads past
            // this node, and the next hand-over waits for this one to end.
            ::ReplyMessage(0);
        }
    }
    ApplyViewRule();
    CLogTreeDoc* pDoc = GetLogDoc();
    if (!pDoc || !pNode) return 0;
    pDoc->ExpandNode(pNode, CAppSettings::Get().Settings.TreeViewExpand);
    if (CLogNode* pFirst = pDoc->AppendCall(pNode)) pDoc->UpdateAllViews(nullptr, HINT_NEW_CALL, HintObject(pFirst));
    if (m_bStopRequested || bHeld) pDoc->UpdateAllViews(nullptr, HINT_SELECT_LAST, nullptr);
    return 0;
}

LRESULT CLogTreeFrame::OnClientConnect(WPARAM, LPARAM) {
    UpdateToolButtons();
    ApplyViewRule();
    UpdateLogViews(HINT_SELECT_LAST);
    return 0;
}

LRESULT CLogTreeFrame::OnClientDisconnect(WPARAM wParam, LPARAM) {
    // Outside every call the master list is whole: the calls refused at its
    // end are shown now that their client has gone.
    if (wParam == DISCONNECT_LIST_COMPLETE) {
        if (CLogTreeDoc* pDoc = GetLogDoc())
            if (CLogNode* pFirst = pDoc->AppendRefusedCalls()) UpdateLogViews(HINT_NEW_CALL, HintObject(pFirst));
    }
    UpdateToolButtons();
    UpdateLogViews(HINT_SELECT_LAST);
    m_bStopRequested = m_bPaused = m_bBreakRequested = false;
    ApplyViewRule();
    return 0;
}

void CLogTreeFrame::OnStop() {
    if (m_bStopRequested) {
        // The second Stop: the capture gives up at its next object or property.
        g_bForcedStop = 1;
        PostToMain(UM_FORCED_STOP);
        return;
    }
    m_bStopRequested = true;
    UpdateToolButtons();
    if (m_bPaused) {
        m_bPaused = false;
        PostToMain(UM_STOP);
        ApplyViewRule();
    }
}

void CLogTreeFrame::OnBreak() {
    m_bBreakRequested = true;
    UpdateToolButtons();
}

void CLogTreeFrame::OnRestart() {
    if (m_bPaused) {
        m_bPaused = false;
        m_bBreakRequested = false;
        UpdateToolButtons();
        UpdateLogViews(HINT_SELECT_LAST);
        PostToMain(UM_RESTART);
    }
    ApplyViewRule();
}

void CLogTreeFrame::OnStepping() {
    if (m_bPaused) {
        m_bPaused = false;
        m_bBreakRequested = true;
        UpdateLogViews(HINT_SELECT_LAST);
        PostToMain(UM_CONTINUE);
    }
    UpdateToolButtons();
    ApplyViewRule();
}

bool CLogTreeFrame::CanReleaseMemory() {
    // After a forced stop g_nClients is 0 while clients may still trace:
    // their calls hand over and read nodes of the pools.
    return g_nClients == 0 && g_nLiveClients == 0;
}

void CLogTreeFrame::OnReleaseMemory() {
    // The button or menu item may have been updated before a client came.
    if (!CanReleaseMemory()) return;
    CWinThread* pThread = AfxGetThread();
    auto* pLogThread = dynamic_cast<CLogTreeThread*>(pThread);
    // The result windows close at once: a posted request could be lost while
    // the one that releases the pools gets through.
    if (pLogThread) pLogThread->CloseResultViews();
    else if (pThread) pThread->PostThreadMessage(UM_CLOSE_RESULTVIEWS, 0, 0);
    if (CLogTreeDoc* pDoc = GetLogDoc()) pDoc->ClearLog();
    // The emptied log has no hits: the count of the last find goes with them.
    GetStatusBar().SetPaneText(1, L"");
    if (pThread) pThread->PostThreadMessage(UM_REQUEST_RELEASE_MEMORY, m_nHandedCalls, 0);
}

// --- requests of the view and the dialogs -------------------------------------------

LRESULT CLogTreeFrame::OnObjectExpanded(WPARAM wParam, LPARAM lParam) {
    // The item that asked may be gone by now: the view finds the node's item again.
    if (lParam != 0) UpdateLogViews(HINT_MEMBERS_LOADED, HintObject(reinterpret_cast<CLogNode*>(wParam)));
    return 0;
}

LRESULT CLogTreeFrame::OnLogFontChanged(WPARAM, LPARAM) {
    UpdateLogViews(HINT_VIEW_FONT);
    return 0;
}

LRESULT CLogTreeFrame::OnExtractFontChanged(WPARAM, LPARAM) {
    UpdateLogViews(HINT_EXTRACT_FONT);
    return 0;
}

LRESULT CLogTreeFrame::OnErrorReport(WPARAM wParam, LPARAM lParam) {
    PostToMain(UM_ERROR_REPORT, wParam, lParam);
    return 0;
}

LRESULT CLogTreeFrame::OnExpandRequest(WPARAM wParam, LPARAM lParam) {
    // Members can be read only while the main thread holds the call.
    if (m_bPaused) PostToMain(UM_LOAD_MEMBERS, wParam, lParam);
    return 0;
}

LRESULT CLogTreeFrame::OnObjectInfoRequest(WPARAM wParam, LPARAM lParam) {
    PostToMain(UM_OBJINFO_REQUEST, wParam, lParam);
    return 0;
}

LRESULT CLogTreeFrame::OnExtractRequest(WPARAM wParam, LPARAM lParam) {
    PostToMain(UM_EXTRACT_REQUEST, wParam, lParam);
    return 0;
}

LRESULT CLogTreeFrame::OnExtractDialogClosed(WPARAM, LPARAM) {
    if (CLogTreeView* pView = GetLogView()) pView->SetExtractDialog(nullptr);
    return 0;
}

LRESULT CLogTreeFrame::OnFindDialogClosed(WPARAM, LPARAM) {
    UpdateLogViews(HINT_FIND_DIALOG_CLOSED);
    return 0;
}

LRESULT CLogTreeFrame::OnFindRequest(WPARAM wParam, LPARAM) {
    RunFindRequest(this, reinterpret_cast<CSearchConditionSet*>(wParam));
    return 0;
}

void CLogTreeFrame::RunFindRequest(CTreeFrameEx* pFrame, CSearchConditionSet* pSet) {
    auto* pDoc = dynamic_cast<CTreeDocEx*>(pFrame->GetActiveDocument());
    if (!pSet || !pDoc) return;
    if (pSet->m_options & SSO_OWN_WINDOW) {
        UINT nCode = ZV_OK;
        try {
            pFrame->SetMatchCount(pDoc->RunFind(pSet));
            return;
        } catch (const CExcept& e) {
            nCode = e.m_nCode;
        } catch (const std::bad_alloc&) {
            nCode = ZV_ERR_MEMORY;
        }
        try {
            pFrame->SetMatchCount(-1);
        } catch (const CExcept&) {
        }
        CExcept(nCode).Report();
        return;
    }
    // The log thread runs the find into the result window the set names;
    // the set stays the dialog's (the thread copies it).
    if (CWinThread* pThread = AfxGetThread())
        pThread->PostThreadMessage(UM_FIND_TO_RESULTVIEW, reinterpret_cast<WPARAM>(pSet),
                                   reinterpret_cast<LPARAM>(pDoc->m_pFirstNode));
}

void CLogTreeFrame::OnClearFindResults() { ClearFindResults(this); }

void CLogTreeFrame::ClearFindResults(CTreeFrameEx* pFrame) {
    auto* pDoc = dynamic_cast<CTreeDocEx*>(pFrame->GetActiveDocument());
    if (!pDoc) return;
    ClearFoundNodes(pDoc->m_FoundNodes);
    pDoc->m_ActiveConditions.Clear();
    pDoc->UpdateAllViews(nullptr, HINT_REPAINT, nullptr);
    pFrame->GetStatusBar().SetPaneText(1, L"");
}

// --- commands -------------------------------------------------------------------------

bool CLogTreeFrame::OnCmd(UINT nID, int nCode) {
    if (nCode != CN_COMMAND) return CTreeFrameEx::OnCmd(nID, nCode);
    try {
        switch (nID) {
        case ID_TRACE_STOP:          OnStop(); return true;
        case ID_TRACE_BREAK:         OnBreak(); return true;
        case ID_TRACE_RESTART:       OnRestart(); return true;
        case ID_TRACE_STEPOVER:      OnStepping(); return true;
        case ID_TRACE_RELEASEMEMORY: OnReleaseMemory(); return true;
        case ID_CLEAR_FIND_RESULTS:  OnClearFindResults(); return true;
        }
    } catch (const CExcept& e) {
        e.Report();
        return true;
    }
    return CTreeFrameEx::OnCmd(nID, nCode);
}

bool CLogTreeFrame::OnUpdateCmd(CCmdUI* pCmdUI) {
    const bool bClients = g_nClients != 0;
    switch (pCmdUI->m_nID) {
    case ID_TRACE_STOP:          pCmdUI->Enable(bClients); return true;
    case ID_TRACE_BREAK:         pCmdUI->Enable(bClients && !m_bPaused); return true;
    case ID_TRACE_RESTART:
    case ID_TRACE_STEPOVER:      pCmdUI->Enable(m_bPaused); return true;
    case ID_TRACE_RELEASEMEMORY: pCmdUI->Enable(CanReleaseMemory()); return true;
    }
    return CTreeFrameEx::OnUpdateCmd(pCmdUI);
}
