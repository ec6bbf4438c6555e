// The tree frame base: status bar with the match count, the toolbar, and the
// external scroll bar over the view's right edge.
#include "logwindows/TreeFrameEx.h"
#include <new>
#include "logwindows/TreeViewEx.h"
#include "logwindows/VertScrollBar.h"
#include "resources/TreeWindowsRes.h"
#include "server/core/Bstr.h"
#include "server/core/Except.h"
#include "server/core/Messages.h"

IMPLEMENT_DYNCREATE(CTreeFrameEx, CFrameWnd)

CTreeFrameEx::CTreeFrameEx() = default;
CTreeFrameEx::~CTreeFrameEx() = default;

LRESULT CTreeFrameEx::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:    return OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));
    case WM_SIZE:      OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;
    case UM_SCROLLBAR: return OnScrollBarCommand(wParam, lParam);
    }
    return CFrameWnd::WindowProc(message, wParam, lParam);
}

int CTreeFrameEx::OnCreate(LPCREATESTRUCT lpcs) {
    if (CFrameWnd::OnCreate(lpcs) == -1) return -1;
    if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR)) return -1;
    static const UINT indicators[] = {ID_SEPARATOR, ID_INDICATOR_SEARCH};
    if (!m_wndStatusBar.SetIndicators(indicators, 2)) return -1;
    m_wndStatusBar.SetPaneInfo(1, ID_INDICATOR_SEARCH, SBPS_NORMAL, 200);
    if (m_pToolBar) m_pToolBar->SetBarStyle((m_pToolBar->GetBarStyle() & ~CBRS_ALIGN_BOTTOM) | CBRS_ALIGN_TOP);
    RecalcLayout();
    return 0;
}

void CTreeFrameEx::SetMatchCount(int nCount) {
    CBstr text;  // throws 11
    if (nCount >= 0) text.Format(L"Number of matched = %d", nCount);
    m_wndStatusBar.SetPaneText(1, text, TRUE);
    if (m_wndStatusBar.IsWindow()) m_wndStatusBar.UpdateWindow();
}

BOOL CTreeFrameEx::OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) {
    m_pScrollBar = new CVertScrollBar(this);
    if (!m_pScrollBar->m_hWnd) {
        delete m_pScrollBar;  // no window: the object did not delete itself
        m_pScrollBar = nullptr;
    } else {
        m_pScrollBar->ShowWindow(SW_SHOW);
    }
    return CFrameWnd::OnCreateClient(lpcs, pContext);
}

void CTreeFrameEx::OnSize(UINT nType, int cx, int cy) {
    CFrameWnd::OnSize(nType, cx, cy);
    CView* pView = GetActiveView();
    if (!m_pScrollBar || !m_pScrollBar->m_hWnd || !pView || !pView->m_hWnd) return;
    RECT rcView;
    pView->GetWindowRect(&rcView);
    RECT rc{rcView.right - 18, rcView.top + 2, rcView.right + 2, rcView.bottom - 2};
    ScreenToClient(&rc);
    const int height = rc.bottom - rc.top;
    m_pScrollBar->m_wndScrollBar.MoveWindow(0, 0, 17, height, TRUE);
    m_pScrollBar->SetWindowPos(HWND_TOP, rc.left, rc.top, rc.right - rc.left, height, SWP_NOACTIVATE);
}

LRESULT CTreeFrameEx::OnScrollBarCommand(WPARAM wParam, LPARAM lParam) {
    auto* pView = dynamic_cast<CTreeViewEx*>(GetActiveView());
    if (!pView) return 0;
    // A failure is reported as the view reports its own.
    try {
        pView->BringUpToDate();
        pView->OnScrollCommand(static_cast<UINT>(wParam), reinterpret_cast<const SCROLLINFO*>(lParam));
    } catch (const CExcept& e) {
        PostMessage(UM_VIEW_ERROR, e.m_nCode, 0);
    } catch (const std::bad_alloc&) {
        PostMessage(UM_VIEW_ERROR, ZV_ERR_MEMORY, 0);
    }
    return 0;
}
