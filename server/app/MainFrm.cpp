#include "server/app/MainFrm.h"

#include <new>

#include "server/app/ZavetraApp.h"
#include "server/app/ZavetraDoc.h"
#include "server/capture/ObjTable.h"
#include "server/core/Globals.h"
#include "server/core/LogNode.h"
#include "server/core/Messages.h"

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

namespace {

// Counts one level of nesting for as long as it lives.
class CDepthGuard {
public:
    explicit CDepthGuard(int& n) : m_n(n) { ++m_n; }
    ~CDepthGuard() { --m_n; }
    CDepthGuard(const CDepthGuard&) = delete;
    CDepthGuard& operator=(const CDepthGuard&) = delete;

private:
    int& m_n;
};

}  // namespace

CMainFrame::LogThreadFactory CMainFrame::s_pfnCreateLogThread = nullptr;
const CMainFrame::ObjInfoBuilder* CMainFrame::s_pObjInfoBuilder = nullptr;

CMainFrame::CMainFrame() {
    try {
        m_settings.LoadSettings();
    } catch (const CExcept& e) {
        // What was read stays; the rest keeps its default.
        e.Report();
    }
}

CMainFrame::~CMainFrame() {
    m_settings.SaveSettings();
    // A log thread that could not be told to end keeps its object: deleting
    // it under the running thread would pull the thread's state away.
    if (m_pLogThread) {
        HANDLE h = m_pLogThread->m_hThread;
        if (!h || ::WaitForSingleObject(h, 0) == WAIT_OBJECT_0) delete m_pLogThread;
        m_pLogThread = nullptr;
    }
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs) {
    // The title stays the frame's own, without the document's name.
    cs.style &= ~FWS_ADDTOTITLE;
    return CFrameWnd::PreCreateWindow(cs);
}

BOOL CMainFrame::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
    if (!CFrameWnd::LoadFrame(nIDResource, dwDefaultStyle, pParentWnd, pContext)) return FALSE;
    // The framework gives the frame its menu only once the window exists.
    RemoveMenu();
    return TRUE;
}

void CMainFrame::RemoveMenu() {
    // The main window shows no menu.
    if (HMENU hMenu = GetMenu()) {
        SetMenu(nullptr);
        ::DestroyMenu(hMenu);
    }
}

CZavetraDoc* CMainFrame::GetDocument() {
    if (auto* pDoc = dynamic_cast<CZavetraDoc*>(GetActiveDocument())) return pDoc;
    return m_pCreatedDoc;
}

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return CFrameWnd::WindowProc(message, wParam, lParam);
    case WM_SHOWWINDOW: {
        LRESULT r = CFrameWnd::WindowProc(message, wParam, lParam);
        OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
        return r;
    }
    case UM_LOGVIEW_CREATED:            return OnLogViewCreated(wParam, lParam);
    case UM_RELEASE_MEMORY:             return OnReleaseMemory(wParam, lParam);
    case UM_LOGVIEW_CLOSED:             return OnLogViewClosed(wParam, lParam);
    case UM_ERROR_REPORT:               return OnErrorReport(wParam, lParam);
    case UM_STOP:                       return OnStopRequest(wParam, lParam);
    case UM_FORCED_STOP:                return OnForcedStop(wParam, lParam);
    case UM_EXTRACT_REQUEST:            return OnExtractRequest(wParam, lParam);
    case UM_LOGVIEW_FONT_CHANGED:       return OnLogFontChanged(wParam, lParam);
    case UM_RESULTVIEW_FONT_CHANGED:    return OnResultFontChanged(wParam, lParam);
    case UM_OBJINFO_FONT_CHANGED:       return OnObjInfoFontChanged(wParam, lParam);
    case UM_EXTRACTDIALOG_FONT_CHANGED: return OnExtractFontChanged(wParam, lParam);
    case UM_FINDDIALOG_FONT_CHANGED:    return OnDialogFontChanged(wParam, lParam);
    case UM_COLORS_CHANGED:             return OnColorChanged(wParam, lParam);
    case UM_CLIENT_CONNECT:
        g_nLiveClients = g_nLiveClients + 1;
        return OnClientConnect(wParam, lParam);
    case UM_CLIENT_DISCONNECT:
        if (g_nLiveClients > 0) g_nLiveClients = g_nLiveClients - 1;
        return OnClientDisconnect(wParam, lParam);
    case UM_TRACE:                      return OnTrace(wParam, lParam);
    }
    return CFrameWnd::WindowProc(message, wParam, lParam);
}

// --- creation, showing, closing ---------------------------------------------

int CMainFrame::OnCreate(LPCREATESTRUCT lpcs) {
    if (CFrameWnd::OnCreate(lpcs) == -1) return -1;
    if (m_pCreateContext) m_pCreatedDoc = dynamic_cast<CZavetraDoc*>(m_pCreateContext->m_pCurrentDoc);

    static const UINT kIndicators[] = {ID_SEPARATOR};
    if (!m_wndStatusBar.Create(this) || !m_wndStatusBar.SetIndicators(kIndicators, 1)) return -1;
    RecalcLayout();

    RemoveMenu();

    // Without a log window the main window opens all the same (state 2);
    // the next client that connects tries again.
    if (UINT nCode = StartLogThread()) CExcept(nCode).Report();
    return 0;
}

void CMainFrame::OnShowWindow(BOOL bShow, UINT) {
    RECT& rcMain = m_settings.Window.Main;
    if (bShow) {
        if (!::IsRectEmpty(&rcMain) && !IsIconic()) MoveWindow(rcMain, TRUE);
    } else {
        // A minimised window keeps the rectangle it is restored to.
        if (IsIconic()) {
            WINDOWPLACEMENT wp{};
            if (GetWindowPlacement(&wp)) rcMain = wp.rcNormalPosition;
        } else {
            GetWindowRect(&rcMain);
        }
    }
}

void CMainFrame::OnDestroy() {
    WINDOWPLACEMENT wp{};
    if (GetWindowPlacement(&wp)) m_settings.Window.Main = wp.rcNormalPosition;
}

void CMainFrame::OnClose() {
    // The log thread's windows store their placement as they close; the
    // settings are written when this frame is destroyed, after them.
    if (!StopLogThread()) {
        // Its windows may still show the log: the pools outlive the document.
        if (CZavetraDoc* pDoc = GetDocument()) pDoc->KeepPoolsAtExit();
        CExcept(ZV_ERR_DESTROY_LOGTHREAD).Report();
    }
    if (auto* pApp = dynamic_cast<CZavetraApp*>(AfxGetApp())) pApp->m_bClosing = true;
    CFrameWnd::OnClose();
}

void CMainFrame::ShowMainWindow() {
    if (m_hWnd) ShowWindow(SW_SHOW);
}

void CMainFrame::HideMainWindow() {
    if (m_hWnd && IsWindowVisible()) ShowWindow(SW_HIDE);
}

// --- the log thread ----------------------------------------------------------

void CMainFrame::WaitForThreadEnd(HANDLE hThread) {
    if (!hThread) return;
    // Nothing is dispatched meanwhile, but a message that a window of the
    // ending thread sends to this one (activation, say) is let through.
    for (;;) {
        DWORD w = ::MsgWaitForMultipleObjects(1, &hThread, FALSE, INFINITE, QS_SENDMESSAGE);
        if (w != WAIT_OBJECT_0 + 1) return;
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void CMainFrame::DropStaleLogViewClosed() {
    // Every earlier log thread has ended (or was never told to end and is
    // no longer ours to hear): what its window posted concerns no thread
    // that is started from now on.
    MSG msg;
    while (m_hWnd && ::PeekMessageW(&msg, m_hWnd, UM_LOGVIEW_CLOSED, UM_LOGVIEW_CLOSED, PM_REMOVE)) {
    }
}

UINT CMainFrame::StartLogThread() {
    m_nHandedCalls = 0;
    CWinThread* pThread = s_pfnCreateLogThread ? s_pfnCreateLogThread(m_hWnd) : nullptr;
    if (!pThread) return ZV_ERR_BEGIN_THREAD;
    pThread->m_bAutoDelete = false;
    m_pLogThread = pThread;
    // The log thread yields to the main thread, whoever made it.
    pThread->SetThreadPriority(THREAD_PRIORITY_BELOW_NORMAL);
    DropStaleLogViewClosed();
    pThread->ResumeThread();

    // Only UM_LOGVIEW_CREATED is taken; a thread that ends without posting
    // it has made no log window either.
    HWND hLogFrame = nullptr;
    HANDLE hThread = pThread->m_hThread;
    for (;;) {
        MSG msg;
        if (::PeekMessageW(&msg, m_hWnd, UM_LOGVIEW_CREATED, UM_LOGVIEW_CREATED, PM_REMOVE)) {
            hLogFrame = reinterpret_cast<HWND>(msg.wParam);
            break;
        }
        DWORD w = hThread ? ::MsgWaitForMultipleObjects(1, &hThread, FALSE, INFINITE, QS_POSTMESSAGE | QS_SENDMESSAGE)
                          : WAIT_FAILED;
        if (w == WAIT_OBJECT_0 + 1) continue;
        if (::PeekMessageW(&msg, m_hWnd, UM_LOGVIEW_CREATED, UM_LOGVIEW_CREATED, PM_REMOVE))
            hLogFrame = reinterpret_cast<HWND>(msg.wParam);
        break;
    }

    if (hLogFrame) {
        m_hLogFrame = hLogFrame;
        m_nState = STATE_READY;
        return ZV_OK;
    }
    WaitForThreadEnd(hThread);
    delete pThread;
    m_pLogThread = nullptr;
    return ZV_ERR_CREATE_LOGVIEW;
}

BOOL CMainFrame::StopLogThread() {
    if (!m_pLogThread) return TRUE;
    HANDLE hThread = m_pLogThread->m_hThread;
    if (PostToLogThread(UM_LOGTHREAD_QUIT, 0, 0)) {
        WaitForThreadEnd(hThread);
    } else if (hThread && ::WaitForSingleObject(hThread, 0) == WAIT_TIMEOUT) {
        // Not told and still running: its windows may still show the log, so
        // the object stays (a later stop tries again) and nobody sends to it.
        m_hLogFrame = nullptr;
        m_nState = STATE_NO_LOGWINDOW;
        return FALSE;
    }
    delete m_pLogThread;
    m_pLogThread = nullptr;
    m_hLogFrame = nullptr;
    m_nState = STATE_NO_LOGWINDOW;
    return TRUE;
}

BOOL CMainFrame::PostToLogThread(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_pLogThread) return FALSE;
    for (int nTry = 0; nTry < 10; ++nTry) {
        if (m_pLogThread->PostThreadMessage(message, wParam, lParam)) return TRUE;
        ::Sleep(1);
    }
    return FALSE;
}

void CMainFrame::ClearLog() {
    CClientTypes::ForgetAll();   // no old member list outlives the log
    CZavetraDoc* pDoc = GetDocument();
    if (m_nCallDepth > 0) {
        // A call below this one is still capturing into nodes of the pools,
        // reading its table or releasing it: the list is forgotten now, and
        // the pools go when the outermost call has ended.
        if (pDoc) pDoc->EmptyList();
        g_nClientId = 0;
        m_bReleasePending = true;
        m_bShownSinceEmptying = false;
        return;
    }
    m_bReleasePending = false;
    if (pDoc) {
        pDoc->Clear();
    } else {
        ReleaseNodePools();
        g_nClientId = 0;
    }
}

void CMainFrame::ReleaseKeptPools(CLogNode* pCall) {
    m_bReleasePending = false;
    CZavetraDoc* pDoc = GetDocument();
    if (pDoc) {
        // The call that was running came before the emptying, although its
        // line may have been linked after it. Calls that came in after the
        // emptying, or a log window that was shown a call since, keep their
        // nodes in these pools: they then stay until the next emptying.
        CLogNode* pHead = pDoc->GetHead();
        if (pHead && (pHead != pCall || pHead->m_pNext)) return;
        if (m_bShownSinceEmptying || pDoc->GetObjTable()) return;
        pDoc->EmptyList();
    }
    ReleaseNodePools();
}

int CMainFrame::IdleState() const {
    return m_hLogFrame ? STATE_READY : STATE_NO_LOGWINDOW;
}

// --- clients -----------------------------------------------------------------

LRESULT CMainFrame::OnClientConnect(WPARAM, LPARAM) {
    if (m_nState == STATE_NO_LOGWINDOW) {
        // A new log: the old thread goes, the log and the pools with it.
        if (!StopLogThread()) return ZV_ERR_DESTROY_LOGTHREAD;
        ClearLog();
        g_nClients = 0;
        if (UINT nCode = StartLogThread()) return nCode;
    }

    g_nClients = g_nClients + 1;
    if (g_nClients == 1) HideMainWindow();
    if (m_hLogFrame) ::SendMessageW(m_hLogFrame, UM_CONNECTED, 0, 0);
    ::Sleep(10);

    switch (m_nState) {
    case STATE_MEMORY:      return ZV_ERR_MEMORY;
    case STATE_MEMORY_NODE: return ZV_ERR_MEMORY_NODE;
    case STATE_MEMORY_BSTR: return ZV_ERR_MEMORY_BSTR;
    default:                return ZV_OK;
    }
}

LRESULT CMainFrame::OnClientDisconnect(WPARAM, LPARAM) {
    if (g_nClients > 0) g_nClients = g_nClients - 1;
    if (g_nClients == 0) ShowMainWindow();

    switch (m_nState) {
    case STATE_STOPPED:
    case STATE_MEMORY:
    case STATE_MEMORY_NODE:
    case STATE_MEMORY_BSTR:
        if (g_nClients == 0) m_nState = IdleState();
        if (m_hLogFrame) ::SendMessageW(m_hLogFrame, UM_DISCONNECTED, DisconnectFlags(), 0);
        break;
    case STATE_NO_LOGWINDOW:
        if (g_nClients == 0) {
            if (StopLogThread()) ClearLog();
            else CExcept(ZV_ERR_DESTROY_LOGTHREAD).Report();
        }
        break;
    default:
        if (m_hLogFrame) ::SendMessageW(m_hLogFrame, UM_DISCONNECTED, DisconnectFlags(), 0);
        break;
    }
    return 0;
}

WPARAM CMainFrame::DisconnectFlags() const {
    return m_nCallDepth == 0 ? DISCONNECT_LIST_COMPLETE : 0;
}

// --- calls -------------------------------------------------------------------

UINT CMainFrame::RefusalCode(int nState) {
    switch (nState) {
    case STATE_STOPPED:     return ZV_ERR_STOPPED;
    case STATE_MEMORY:      return ZV_ERR_REFUSED_MEMORY;
    case STATE_MEMORY_NODE: return ZV_ERR_REFUSED_NODE;
    case STATE_MEMORY_BSTR: return ZV_ERR_REFUSED_BSTR;
    case STATE_FATAL:       return ZV_ERR_INSERT_TREEITEM;
    default:                return ZV_ERR_NO_LOGWINDOW;
    }
}

LRESULT CMainFrame::OnTrace(WPARAM wParam, LPARAM lParam) {
    auto* pNode = reinterpret_cast<CLogNode*>(wParam);
    CZavetraDoc* pDoc = GetDocument();
    if (!pDoc) {
        if (pNode) FreeNodeTree(pNode);
        return ZV_ERR_NO_LOGWINDOW;
    }
    if (m_nReadDepth > 0) {
        // COM delivered this call while the held call reads its objects
        // (members, object information): capturing it would take the held
        // call's table away under that read, and the paused log cannot take
        // a second call. It is refused as in the stopped state; its call
        // line joins the list without arguments.
        pDoc->LinkCall(pNode);
        return ZV_ERR_STOPPED;
    }
    LRESULT r;
    {
        CDepthGuard inCall(m_nCallDepth);
        r = TraceCall(pDoc, wParam, lParam);
    }
    if (m_nCallDepth == 0 && m_bReleasePending) ReleaseKeptPools(pNode);
    return r;
}

LRESULT CMainFrame::TraceCall(CZavetraDoc* pDoc, WPARAM wParam, LPARAM lParam) {
    auto* pNode = reinterpret_cast<CLogNode*>(wParam);
    try {
        try {
            // The node joins the master list (a failed capture gives it back).
            pDoc->AppendRecord(pNode, reinterpret_cast<const VARIANT*>(lParam));
            if (m_nState != STATE_READY) {
                // The code is the state's as the call found it: a call that
                // comes in while the objects are released may change it.
                const UINT nCode = RefusalCode(m_nState);
                pDoc->DestroyObjTable();
                return nCode;
            }
            if (!m_hLogFrame || !::IsWindow(m_hLogFrame)) {
                // The log window went away without a word: nobody would
                // ever let this call go.
                m_hLogFrame = nullptr;
                m_nState = STATE_NO_LOGWINDOW;
                pDoc->DestroyObjTable();
                return ZV_ERR_NO_LOGWINDOW;
            }
            m_bShownSinceEmptying = true;
            ++m_nHandedCalls;
            LRESULT r = ::SendMessageW(m_hLogFrame, UM_ADD_ENTRY, wParam, 0);
            if (r != 0) throw CExcept(static_cast<UINT>(r));
            return WaitForLogView();
        } catch (const std::bad_alloc&) {
            throw CExcept(ZV_ERR_MEMORY);
        }
    } catch (const CExcept& e) {
        pDoc->DestroyObjTable();
        HandleError(e);
        return e.m_nCode;
    }
}

UINT CMainFrame::WaitForLogView() {
    CZavetraDoc* pDoc = GetDocument();
    UINT nCode = ZV_OK;
    for (bool bDone = false; !bDone;) {
        // Only the wait loop's own messages, for any window of the thread or
        // the thread itself; everything else stays queued, nothing is dispatched.
        MSG msg;
        BOOL got = ::GetMessageW(&msg, nullptr, UM_WAIT_FIRST, UM_WAIT_LAST);
        if (got == 0) {
            // The quit is the main loop's: put it back and let the call go.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            nCode = ZV_ERR_NO_LOGWINDOW;
            break;
        }
        if (got == -1) {
            nCode = ZV_ERR_NO_LOGWINDOW;
            break;
        }
        switch (msg.message) {
        case UM_RESTART:
            ::Sleep(10);
            [[fallthrough]];
        case UM_CONTINUE:
            // After a forced stop the next call that goes on counts one client again.
            if (g_nClients == 0) {
                HideMainWindow();
                g_nClients = 1;
            }
            nCode = ZV_OK;
            bDone = true;
            break;
        case UM_STOP:
            m_nState = STATE_STOPPED;
            nCode = ZV_ERR_STOPPED;
            bDone = true;
            break;
        case UM_FORCED_STOP:
            g_nClients = 0;
            ShowMainWindow();
            g_bForcedStop = 0;
            nCode = ZV_ERR_FORCED_STOP;
            bDone = true;
            break;
        case UM_LOGVIEW_CLOSED:
            m_nState = STATE_NO_LOGWINDOW;
            m_hLogFrame = nullptr;
            nCode = ZV_ERR_NO_LOGWINDOW;
            bDone = true;
            break;
        case UM_ERROR_REPORT: {
            CExcept e(static_cast<UINT>(msg.wParam));
            HandleError(e);
            nCode = e.m_nCode;
            bDone = true;
            break;
        }
        case UM_LOAD_MEMBERS: {
            CDepthGuard reading(m_nReadDepth);
            if (pDoc && pDoc->LoadMembers(reinterpret_cast<CLogNode*>(msg.wParam)) && m_hLogFrame)
                ::PostMessageW(m_hLogFrame, UM_MEMBERS_LOADED, msg.wParam, msg.lParam);
            break;
        }
        case UM_EXTRACT_REQUEST:
            OnExtractRequest(msg.wParam, msg.lParam);
            break;
        case UM_OBJINFO_REQUEST: {
            CDepthGuard reading(m_nReadDepth);
            ServeObjInfoRequest(msg.wParam);
            break;
        }
        default:
            // UM_WAIT_FIRST, 0x801B and UM_WAIT_LAST: taken and dropped.
            break;
        }
    }
    // The held call's captured objects are released. That is no read of
    // them: a call that COM delivers meanwhile gets what its state gives.
    if (pDoc) pDoc->DestroyObjTable();
    return nCode;
}

void CMainFrame::ServeObjInfoRequest(WPARAM wParam) {
    auto* pNode = reinterpret_cast<CLogNode*>(wParam);
    CObjInfo* pInfo = nullptr;
    const CLogEntry* pEntry = pNode ? pNode->m_pEntry : nullptr;
    if (pEntry && pEntry->Kind() == LOGK_OBJECT && pEntry->m_key != 0) {
        CZavetraDoc* pDoc = GetDocument();
        CObjTable* pTable = pDoc ? pDoc->GetObjTable() : nullptr;
        // A record that still has to be expanded gets the capture's own item
        // limit, so that members loaded from it later are complete.
        CObjRecord* pRecord =
            pTable ? pTable->FindOrCreateDispatch(pEntry->m_key, CAppSettings::Get().Settings.ArrayRange) : nullptr;
        if (pRecord && s_pObjInfoBuilder && s_pObjInfoBuilder->pfnBuild) pInfo = s_pObjInfoBuilder->pfnBuild(pRecord);
    }
    if (!PostToLogThread(UM_SHOW_OBJINFO, reinterpret_cast<WPARAM>(pInfo), 0) && pInfo &&
        s_pObjInfoBuilder->pfnFree)
        s_pObjInfoBuilder->pfnFree(pInfo);
}

void CMainFrame::HandleError(const CExcept& e) {
    switch (e.m_nCode) {
    case ZV_ERR_MEMORY:          m_nState = STATE_MEMORY; break;
    case ZV_ERR_MEMORY_NODE:     m_nState = STATE_MEMORY_NODE; break;
    case ZV_ERR_MEMORY_BSTR:     m_nState = STATE_MEMORY_BSTR; break;
    case ZV_ERR_INSERT_TREEITEM: m_nState = STATE_FATAL; break;
    default: break;
    }
    e.Report();
}

// --- requests of the log thread outside a held call --------------------------

LRESULT CMainFrame::OnLogViewCreated(WPARAM wParam, LPARAM) {
    if (wParam) {
        m_hLogFrame = reinterpret_cast<HWND>(wParam);
        m_nState = STATE_READY;
    }
    return 0;
}

LRESULT CMainFrame::OnReleaseMemory(WPARAM wParam, LPARAM) {
    // A call handed to the log window after it emptied itself is shown
    // there: its nodes stay, and so does the rest of the log, until the
    // next emptying.
    if (wParam != m_nHandedCalls) return 0;
    ClearLog();
    m_nState = IdleState();
    return 0;
}

LRESULT CMainFrame::OnLogViewClosed(WPARAM, LPARAM) {
    // Only the running log thread's window is heard; with none, the window
    // that posted this belongs to a thread that has already been ended.
    if (!m_pLogThread) return 0;
    if (StopLogThread()) {
        ClearLog();
    } else {
        // Windows of the thread may still show the log: it stays.
        CExcept(ZV_ERR_DESTROY_LOGTHREAD).Report();
    }
    return 0;
}

LRESULT CMainFrame::OnErrorReport(WPARAM wParam, LPARAM) {
    HandleError(CExcept(static_cast<UINT>(wParam)));
    return 0;
}

LRESULT CMainFrame::OnStopRequest(WPARAM, LPARAM) {
    if (CZavetraDoc* pDoc = GetDocument()) pDoc->DestroyObjTable();
    return ZV_ERR_STOPPED;
}

LRESULT CMainFrame::OnForcedStop(WPARAM, LPARAM) {
    g_nClients = 0;
    OnClientDisconnect(0, 0);
    ShowMainWindow();
    if (CZavetraDoc* pDoc = GetDocument()) pDoc->DestroyObjTable();
    g_bForcedStop = 0;
    return ZV_ERR_FORCED_STOP;
}

LRESULT CMainFrame::OnExtractRequest(WPARAM wParam, LPARAM lParam) {
    try {
        CZavetraDoc* pDoc = GetDocument();
        CLogNode* pTree = pDoc ? pDoc->MergeList(reinterpret_cast<CLogNode*>(wParam), lParam) : nullptr;
        // A result that cannot be handed over goes back to the pools (its
        // nodes are bare: the entries stay the master list's).
        if (!PostToLogThread(UM_SHOW_EXTRACT, reinterpret_cast<WPARAM>(pTree), lParam & EXTRACT_VIEW_MASK))
            PushFreeChain(pTree);
    } catch (const CExcept& e) {
        HandleError(e);
    } catch (const std::bad_alloc&) {
        HandleError(CExcept(ZV_ERR_MEMORY));
    }
    return 0;
}

// --- setting changes of the main form ----------------------------------------

LRESULT CMainFrame::OnLogFontChanged(WPARAM, LPARAM) {
    if (m_pLogThread && m_hLogFrame) ::PostMessageW(m_hLogFrame, UM_UPDATE_LOGVIEW_FONT, 0, 0);
    return 0;
}

LRESULT CMainFrame::OnExtractFontChanged(WPARAM, LPARAM) {
    if (m_pLogThread && m_hLogFrame) ::PostMessageW(m_hLogFrame, UM_UPDATE_EXTRACTDIALOG_FONT, 0, 0);
    return 0;
}

LRESULT CMainFrame::OnResultFontChanged(WPARAM, LPARAM) {
    PostToLogThread(UM_UPDATE_RESULTVIEW_FONT, 0, 0);
    return 0;
}

LRESULT CMainFrame::OnObjInfoFontChanged(WPARAM, LPARAM) {
    PostToLogThread(UM_UPDATE_OBJINFO_FONT, 0, 0);
    return 0;
}

LRESULT CMainFrame::OnDialogFontChanged(WPARAM, LPARAM) {
    PostToLogThread(UM_UPDATE_FINDDIALOG_FONT, 0, 0);
    return 0;
}

LRESULT CMainFrame::OnColorChanged(WPARAM, LPARAM) {
    PostToLogThread(UM_UPDATE_HIGHLIGHT, 0, 0);
    return 0;
}
