// The live-resizing splitter of the object-information window.
#include "objinfo/SplitterWndEx2.h"
#include <windowsx.h>
#include <algorithm>
#include "objinfo/ObjInfoDataView.h"

IMPLEMENT_DYNAMIC(CSplitterWndEx2, CSplitterWnd)

CObjInfoDataView* CSplitterWndEx2::DataView() const { return dynamic_cast<CObjInfoDataView*>(GetPane(0, 1)); }

LRESULT CSplitterWndEx2::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE: OnMouseMove(static_cast<UINT>(wParam), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_KEYDOWN:   OnKeyDown(static_cast<UINT>(wParam)); return 0;
    }
    return CSplitterWnd::WindowProc(message, wParam, lParam);
}

void CSplitterWndEx2::OnDrawSplitter(CDC* pDC, ESplitType nType, const RECT& rect) {
    CSplitterWnd::OnDrawSplitter(pDC, nType, rect);
}

void CSplitterWndEx2::DrawAllSplitBars(CDC* pDC, int cxInside, int cyInside) {
    // During a drag the live drawing owns the bar.
    if (m_bTracking) return;
    CSplitterWnd::DrawAllSplitBars(pDC, cxInside, cyInside);
}

void CSplitterWndEx2::StartTracking(int ht) {
    const BOOL before = m_bTracking;
    CSplitterWnd::StartTracking(ht);
    if (!before && m_bTracking)
        if (CObjInfoDataView* view = DataView()) view->SetTrackingFlag(TRUE);
}

void CSplitterWndEx2::StopTracking(BOOL bAccept) {
    const BOOL before = m_bTracking;
    CSplitterWnd::StopTracking(bAccept);
    if (before && !m_bTracking) {
        // The panes followed the bar; a drag that is not accepted puts them
        // back at the column widths, which the window keeps and saves.
        if (!bAccept) RecalcLayout();
        if (CObjInfoDataView* view = DataView()) view->SetTrackingFlag(FALSE);
    }
}

void CSplitterWndEx2::OnMouseMove(UINT nFlags, POINT point) {
    if (::GetCapture() != m_hWnd) StopTracking(FALSE);
    if (m_bTracking && (m_htTrack == hSplitterBox || (m_htTrack >= hSplitterBar1 && m_htTrack <= hSplitterBar15))) {
        const int x = std::clamp<int>(point.x + m_ptTrackOffset.x, m_rectLimit.left,
                                      std::max(m_rectLimit.left, m_rectLimit.right));
        if (x != m_rectTracker.left) {
            ::OffsetRect(&m_rectTracker, x - m_rectTracker.left, 0);
            LiveResize(m_rectTracker);
            return;
        }
        // The base adds the tracking offset itself.
        CSplitterWnd::OnMouseMove(nFlags, point);
        return;
    }
    CSplitterWnd::OnMouseMove(nFlags, point);
}

void CSplitterWndEx2::LiveResize(const RECT& tracker) {
    RECT inside;
    GetInsideRect(inside);
    const int h = inside.bottom - inside.top;
    const int w0 = std::max<int>(0, tracker.left - inside.left - 1);
    const int x1 = tracker.right + 2;
    const int w1 = std::max<int>(0, inside.right - x1);
    HWND left = ::GetDlgItem(m_hWnd, IdFromRowCol(0, 0));
    HWND right = ::GetDlgItem(m_hWnd, IdFromRowCol(0, 1));
    if (left && right) {
        const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW;
        if (HDWP dwp = ::BeginDeferWindowPos(2)) {
            dwp = ::DeferWindowPos(dwp, left, nullptr, inside.left, inside.top, w0, h, flags);
            if (dwp) dwp = ::DeferWindowPos(dwp, right, nullptr, x1, inside.top, w1, h, flags);
            if (dwp) ::EndDeferWindowPos(dwp);
        }
    }
    CClientDC dc(this);
    CSplitterWnd::OnDrawSplitter(&dc, splitBar, tracker);
    OnDrawSplitter(&dc, splitBorder, RECT{inside.left - 2, inside.top - 2, inside.left + w0 + 2, inside.top + h + 2});
    OnDrawSplitter(&dc, splitBorder, RECT{tracker.right, inside.top - 2, tracker.right + 4 + w1, inside.top + h + 2});
}

void CSplitterWndEx2::OnKeyDown(UINT nChar) {
    // Escape keeps the bar where it was dragged, as the panes already show.
    if (nChar == VK_ESCAPE && m_bTracking) {
        StopTracking(TRUE);
        return;
    }
    CSplitterWnd::OnKeyDown(nChar);
}
