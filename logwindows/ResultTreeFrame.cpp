#include "logwindows/ResultTreeFrame.h"

#include "logwindows/LogTreeDoc.h"
#include "logwindows/LogTreeFrame.h"
#include "logwindows/LogTreeThread.h"
#include "logwindows/ResultTreeDoc.h"
#include "logwindows/TreeViewEx.h"
#include "resources/LogWindowRes.h"
#include "resources/ResultWindowRes.h"
#include "search/SearchCondition.h"
#include "server/core/Except.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

IMPLEMENT_DYNCREATE(CResultTreeFrame, CTreeFrameEx)

CResultTreeFrame::CResultTreeFrame() = default;
CResultTreeFrame::~CResultTreeFrame() = default;

CResultTreeDoc* CResultTreeFrame::GetResultDoc() { return dynamic_cast<CResultTreeDoc*>(GetActiveDocument()); }

LRESULT CResultTreeFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case UM_RESULTVIEW_ERROR:
    case UM_FIND_ERROR:
    case UM_VIEW_ERROR:  // the command handlers shared with the log view post this one
        return OnTreeError(wParam, lParam);
    case UM_FIND:
        CLogTreeFrame::RunFindRequest(this, reinterpret_cast<CSearchConditionSet*>(wParam));
        return 0;
    case UM_FINDDIALOG_CLOSED:
        if (CDocument* pDoc = GetActiveDocument()) pDoc->UpdateAllViews(nullptr, HINT_FIND_DIALOG_CLOSED, nullptr);
        return 0;
    }
    return CTreeFrameEx::WindowProc(message, wParam, lParam);
}

int CResultTreeFrame::OnCreate(LPCREATESTRUCT lpcs) {
    const DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_BORDER_BOTTOM | CBRS_GRIPPER | CBRS_TOOLTIPS |
                          CBRS_FLYBY | CBRS_SIZE_DYNAMIC;
    if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT, dwStyle, RECT{0, 0, 0, 0}, AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadToolBar(IDR_RESULTWINDOW))
        return -1;
    m_pToolBar = &m_wndToolBar;
    return CTreeFrameEx::OnCreate(lpcs) == -1 ? -1 : 0;
}

void CResultTreeFrame::OnDestroy() {
    auto* pView = dynamic_cast<CTreeViewEx*>(GetActiveView());
    const int n = pView ? pView->GetViewIndex() : 0;
    if (pView) {
        WINDOWPLACEMENT wp{};
        wp.length = sizeof(wp);
        if (n >= 1 && n <= CLogTreeThread::RESULT_VIEWS && ::GetWindowPlacement(m_hWnd, &wp))
            CAppSettings::Get().Window.ResultView[n - 1] = wp.rcNormalPosition;
    }
    CTreeFrameEx::WindowProc(WM_DESTROY, 0, 0);
    if (pView) {
        if (CWinThread* pThread = AfxGetThread()) pThread->PostThreadMessage(UM_RESULTVIEW_CLOSED, n, 0);
    }
}

LRESULT CResultTreeFrame::OnTreeError(WPARAM wParam, LPARAM) {
    if (m_bClosingOnError) return 0;
    m_bClosingOnError = true;
    UINT nCode = static_cast<UINT>(wParam);
    if (nCode == ZV_ERR_INSERT_TREEITEM) nCode = ZV_ERR_INSERT_RESULTITEM;
    const HWND hWnd = m_hWnd;
    CExcept(nCode).Report();
    // The message box served this thread's messages: Release Memory or the
    // thread's end may have closed the window (and deleted this frame).
    if (!::IsWindow(hWnd) || CWnd::FromHandle(hWnd) != this) return 0;
    OnClose();
    return 0;
}

void CResultTreeFrame::OnReleaseLog() {
    if (CResultTreeDoc* pDoc = GetResultDoc()) pDoc->ReleaseTree();
}

bool CResultTreeFrame::OnCmd(UINT nID, int nCode) {
    if (nCode != CN_COMMAND) return CTreeFrameEx::OnCmd(nID, nCode);
    try {
        switch (nID) {
        case ID_RELEASE_LOG:        OnReleaseLog(); return true;
        case ID_CLEAR_FIND_RESULTS: CLogTreeFrame::ClearFindResults(this); return true;
        }
    } catch (const CExcept& e) {
        PostMessage(UM_RESULTVIEW_ERROR, e.m_nCode, 0);
        return true;
    }
    return CTreeFrameEx::OnCmd(nID, nCode);
}

bool CResultTreeFrame::OnUpdateCmd(CCmdUI* pCmdUI) {
    if (pCmdUI->m_nID == ID_RELEASE_LOG) {
        CResultTreeDoc* pDoc = GetResultDoc();
        pCmdUI->Enable(pDoc && pDoc->m_pFirstNode);
        return true;
    }
    return CTreeFrameEx::OnUpdateCmd(pCmdUI);
}
