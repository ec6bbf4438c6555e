// The frame of the object-information window.
#include "objinfo/ObjInfoFrame.h"
#include <vector>
#include "framework/App.h"
#include "framework/DocView.h"
#include "objinfo/ObjInfoDataView.h"
#include "objinfo/ObjInfoItemView.h"
#include "server/core/Except.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

IMPLEMENT_DYNCREATE(CObjInfoFrame, CFrameWnd)

BOOL CObjInfoFrame::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
    if (!CFrameWnd::LoadFrame(nIDResource, dwDefaultStyle, pParentWnd, pContext)) return FALSE;
    if (HMENU menu = GetMenu()) {
        SetMenu(nullptr);
        ::DestroyMenu(menu);
    }
    return TRUE;
}

BOOL CObjInfoFrame::PreCreateWindow(CREATESTRUCT& cs) {
    cs.style &= ~FWS_ADDTOTITLE;
    return CFrameWnd::PreCreateWindow(cs);
}

LRESULT CObjInfoFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:             return OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));
    case WM_ENTERSIZEMOVE:      OnSizeMove(TRUE); break;
    case WM_EXITSIZEMOVE:       OnSizeMove(FALSE); break;
    case WM_DESTROY:            OnDestroy(); return 0;
    case UM_OBJINFO_ITEM_ERROR:
    case UM_OBJINFO_DATA_ERROR: OnErrorReport(static_cast<UINT>(wParam)); return 0;
    }
    return CFrameWnd::WindowProc(message, wParam, lParam);
}

int CObjInfoFrame::OnCreate(LPCREATESTRUCT lpcs) {
    if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR)) return -1;
    const UINT indicators[] = {ID_SEPARATOR};
    m_wndStatusBar.SetIndicators(indicators, 1);
    if (CFrameWnd::OnCreate(lpcs) == -1) return -1;
    SetTitle(L"ObjectInfoView");
    SetWindowText(L"ObjectInfoView");
    // The rectangle was saved from the placement, in workspace coordinates
    // (they differ from the screen's when a task bar stands at the top or
    // left): it goes back the same way. The window is not shown yet.
    const RECT& rc = CAppSettings::Get().Window.ObjInfoWindow.rcWindow;
    if (!::IsRectEmpty(&rc)) {
        WINDOWPLACEMENT wp{};
        wp.length = sizeof(wp);
        if (GetWindowPlacement(&wp)) {
            wp.flags = 0;
            wp.showCmd = IsWindowVisible() ? SW_SHOWNORMAL : SW_HIDE;
            wp.rcNormalPosition = rc;
            SetWindowPlacement(&wp);
        }
    }
    return 0;
}

BOOL CObjInfoFrame::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
    if (!pContext) return FALSE;
    if (!m_wndSplitter.CreateStatic(this, 1, 2, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST)) return FALSE;
    const UINT saved = CAppSettings::Get().Window.ObjInfoWindow.nLeftPaneWidth;
    const int width = saved ? static_cast<int>(saved) : OBJINFO_DEFAULT_PANE_WIDTH;
    const CRuntimeClass* itemClass = pContext->m_pNewViewClass ? pContext->m_pNewViewClass
                                                               : RUNTIME_CLASS(CObjInfoItemView);
    if (!m_wndSplitter.CreateView(0, 0, itemClass, SIZE{width, 0}, pContext)) return FALSE;
    if (!m_wndSplitter.CreateView(0, 1, RUNTIME_CLASS(CObjInfoDataView), SIZE{0, 0}, pContext)) return FALSE;
    m_pItemView = dynamic_cast<CObjInfoItemView*>(m_wndSplitter.GetPane(0, 0));
    m_pDataView = dynamic_cast<CObjInfoDataView*>(m_wndSplitter.GetPane(0, 1));
    if (!m_pItemView || !m_pDataView) return FALSE;
    SetActiveView(m_pItemView, FALSE);
    return TRUE;
}

void CObjInfoFrame::OnSizeMove(BOOL bBegin) {
    if (m_pDataView) m_pDataView->SetSizeMoveFlag(bBegin);
}

void CObjInfoFrame::OnDestroy() {
    ObjInfoWindowPlacement& saved = CAppSettings::Get().Window.ObjInfoWindow;
    WINDOWPLACEMENT wp{};
    if (GetWindowPlacement(&wp)) saved.rcWindow = wp.rcNormalPosition;
    if (m_wndSplitter.m_hWnd) {
        int cx = 0, cxMin = 0;
        m_wndSplitter.GetColumnInfo(0, cx, cxMin);
        saved.nLeftPaneWidth = static_cast<UINT>(cx);
    }
    CFrameWnd::WindowProc(WM_DESTROY, 0, 0);
    // The log thread deletes the window's template on this.
    if (CWinThread* thread = AfxGetThread())
        thread->PostThreadMessage(UM_OBJINFO_CLOSED, 0, 0);
    else
        ::PostThreadMessageW(::GetCurrentThreadId(), UM_OBJINFO_CLOSED, 0, 0);
}

namespace {
// While an error box of an object-information window is up on this thread:
// the windows whose errors came meanwhile, to be closed after it.
thread_local std::vector<HWND>* t_pClosing = nullptr;
}  // namespace

void CObjInfoFrame::OnErrorReport(UINT nCode) {
    // One failure often posts more than one error (a list that cannot take
    // a row fails at each update). An error that comes while a box is up is
    // not shown: a nested box would close the window under the outer one.
    // Its window closes after the box, as the first error's does.
    if (t_pClosing) {
        t_pClosing->push_back(m_hWnd);
        return;
    }
    // While the box is up the window may go, and this object with it: the
    // user can close it (the box belongs to the log window). After the box
    // only the handles are used.
    std::vector<HWND> closing{m_hWnd};
    struct Reporting {
        explicit Reporting(std::vector<HWND>* p) { t_pClosing = p; }
        ~Reporting() { t_pClosing = nullptr; }
    };
    {
        Reporting reporting(&closing);
        CExcept(nCode).Report();
    }
    for (HWND hWnd : closing)
        if (::IsWindow(hWnd)) ::DestroyWindow(hWnd);
}
