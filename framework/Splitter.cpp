// The static splitter: pane layout, drawing and the drag of its bars.
#include "framework/Splitter.h"
#include "framework/DocView.h"
#include <windowsx.h>
#include <algorithm>

IMPLEMENT_DYNAMIC(CSplitterWnd, CWnd)

BOOL CSplitterWnd::CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle, UINT nID) {
    if (m_hWnd || !pParentWnd || nRows != 1 || nCols < 2 || nCols > 16) return FALSE;
    m_nRows = nRows;
    m_cols.assign(static_cast<size_t>(nCols), CRowColInfo{});
    LPCWSTR cls = AfxRegisterWndClass(CS_DBLCLKS, nullptr, nullptr);
    RECT rc{0, 0, 0, 0};
    return CreateEx(0, cls, nullptr, dwStyle | WS_CHILD | WS_CLIPCHILDREN, rc, pParentWnd, nID);
}

BOOL CSplitterWnd::CreateView(int row, int col, const CRuntimeClass* pViewClass, SIZE sizeInit,
                              CCreateContext* pContext) {
    if (!m_hWnd || row != 0 || col < 0 || col >= GetColumnCount() || !pViewClass || GetPane(row, col))
        return FALSE;
    m_cols[col].nIdealSize = std::max<int>(0, sizeInit.cx);
    CObject* obj = pViewClass->CreateObject();
    auto* view = dynamic_cast<CWnd*>(obj);
    if (!view) {
        delete obj;
        return FALSE;
    }
    CCreateContext context;
    if (pContext) context = *pContext;
    context.m_pNewViewClass = pViewClass;
    RECT rc{0, 0, 0, 0};
    // The splitter draws the borders of its panes itself. A failed creation
    // has deleted the view.
    if (!view->Create(nullptr, nullptr, AFX_WS_DEFAULT_VIEW & ~WS_BORDER, rc, this,
                      static_cast<UINT>(IdFromRowCol(row, col)), &context))
        return FALSE;
    return TRUE;
}

CWnd* CSplitterWnd::GetPane(int row, int col) const {
    if (!m_hWnd) return nullptr;
    return FromHandle(::GetDlgItem(m_hWnd, IdFromRowCol(row, col)));
}

void CSplitterWnd::GetColumnInfo(int col, int& cxCur, int& cxMin) const {
    cxCur = cxMin = 0;
    if (col < 0 || col >= GetColumnCount()) return;
    cxCur = m_cols[col].nCurSize;
    cxMin = m_cols[col].nMinSize;
}

void CSplitterWnd::SetColumnInfo(int col, int cxIdeal, int cxMin) {
    if (col < 0 || col >= GetColumnCount()) return;
    m_cols[col].nIdealSize = std::max(0, cxIdeal);
    m_cols[col].nMinSize = std::max(0, cxMin);
}

void CSplitterWnd::GetInsideRect(RECT& rect) const {
    GetClientRect(&rect);
    ::InflateRect(&rect, -m_cxBorder, -m_cxBorder);
    if (rect.right < rect.left) rect.right = rect.left;
    if (rect.bottom < rect.top) rect.bottom = rect.top;
}

int CSplitterWnd::GetColumnLeft(int col) const {
    RECT inside;
    GetInsideRect(inside);
    int x = inside.left;
    for (int c = 0; c < col; ++c) x += m_cols[c].nCurSize + 1 + m_cxSplitter + 2;
    return x;
}

RECT CSplitterWnd::GetColumnBarRect(int col) const {
    RECT inside;
    GetInsideRect(inside);
    const int left = GetColumnLeft(col) + m_cols[col].nCurSize + 1;
    return RECT{left, inside.top, left + m_cxSplitter, inside.bottom};
}

void CSplitterWnd::RecalcLayout() {
    if (!m_hWnd || m_cols.empty()) return;
    RECT inside;
    GetInsideRect(inside);
    const int h = inside.bottom - inside.top;
    const int n = GetColumnCount();
    // Every column but the last keeps its ideal width as far as there is
    // room; the last takes the rest.
    int x = inside.left;
    for (int c = 0; c < n; ++c) {
        int w = inside.right - x;
        if (c < n - 1) w = std::min(m_cols[c].nIdealSize, w - 1 - m_cxSplitter - 2);
        m_cols[c].nCurSize = std::max(0, w);
        x += m_cols[c].nCurSize + 1 + m_cxSplitter + 2;
    }
    HDWP dwp = ::BeginDeferWindowPos(n);
    for (int c = 0; c < n; ++c) {
        HWND pane = ::GetDlgItem(m_hWnd, IdFromRowCol(0, c));
        if (pane && dwp)
            dwp = ::DeferWindowPos(dwp, pane, nullptr, GetColumnLeft(c), inside.top, m_cols[c].nCurSize, h,
                                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (dwp) ::EndDeferWindowPos(dwp);
    Invalidate(TRUE);
}

int CSplitterWnd::HitTest(POINT pt) const {
    for (int c = 0; c + 1 < GetColumnCount(); ++c) {
        RECT bar = GetColumnBarRect(c);
        // The gaps beside the bar belong to it as well.
        bar.left -= 1;
        bar.right += 2;
        if (::PtInRect(&bar, pt)) return hSplitterBar1 + c;
    }
    return noHit;
}

void CSplitterWnd::OnDrawSplitter(CDC* pDC, ESplitType nType, const RECT& rect) {
    if (!pDC) return;
    RECT rc = rect;
    if (nType == splitBorder) {
        ::DrawEdge(pDC->m_hDC, &rc, EDGE_SUNKEN, BF_RECT);
        return;
    }
    ::FillRect(pDC->m_hDC, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
}

void CSplitterWnd::DrawAllSplitBars(CDC* pDC, int cxInside, int cyInside) {
    RECT inside;
    GetInsideRect(inside);
    for (int c = 0; c + 1 < GetColumnCount(); ++c) OnDrawSplitter(pDC, splitBar, GetColumnBarRect(c));
    for (int c = 0; c < GetColumnCount(); ++c) {
        const int left = GetColumnLeft(c);
        RECT border{left - m_cxBorder, inside.top - m_cxBorder, left + m_cols[c].nCurSize + m_cxBorder,
                    inside.bottom + m_cxBorder};
        OnDrawSplitter(pDC, splitBorder, border);
    }
}

void CSplitterWnd::OnInvertTracker(const RECT& rect) {
    HDC hdc = ::GetDC(m_hWnd);
    if (!hdc) return;
    ::PatBlt(hdc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, DSTINVERT);
    ::ReleaseDC(m_hWnd, hdc);
}

void CSplitterWnd::StartTracking(int ht) {
    if (m_bTracking || ht < hSplitterBar1 || ht > hSplitterBar15) return;
    const int col = ht - hSplitterBar1;
    if (col + 1 >= GetColumnCount()) return;
    POINT pt{};
    ::GetCursorPos(&pt);
    ScreenToClient(&pt);
    m_htTrack = ht;
    m_rectTracker = GetColumnBarRect(col);
    m_ptTrackOffset = POINT{m_rectTracker.left - pt.x, m_rectTracker.top - pt.y};
    // The bar may go from the left edge of its column to the right edge of
    // the next one, each pane keeping a width of at least 0.
    const int left = GetColumnLeft(col);
    const int nextRight = GetColumnLeft(col + 1) + m_cols[col + 1].nCurSize;
    m_rectLimit = m_rectTracker;
    m_rectLimit.left = left + 1;
    m_rectLimit.right = std::max<int>(m_rectLimit.left, nextRight - 2 - m_cxSplitter);
    m_hWndFocusBefore = ::GetFocus();
    m_bTracking = TRUE;
    SetCapture();
    SetFocus();
    OnInvertTracker(m_rectTracker);
}

void CSplitterWnd::StopTracking(BOOL bAccept) {
    if (!m_bTracking) return;
    // Cleared first: releasing the capture reports the loss of it back here.
    m_bTracking = FALSE;
    OnInvertTracker(m_rectTracker);
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
    if (m_hWndFocusBefore && ::IsWindow(m_hWndFocusBefore)) ::SetFocus(m_hWndFocusBefore);
    m_hWndFocusBefore = nullptr;
    if (bAccept) {
        const int col = m_htTrack - hSplitterBar1;
        const int left = GetColumnLeft(col);
        const int w = std::max<int>(0, m_rectTracker.left - left - 1);
        // The next column gives up what this one gains (the last column
        // always takes the rest anyway).
        if (col + 2 < GetColumnCount())
            m_cols[col + 1].nIdealSize = std::max(0, m_cols[col + 1].nCurSize - (w - m_cols[col].nCurSize));
        m_cols[col].nIdealSize = w;
        RecalcLayout();
    }
    m_htTrack = noHit;
}

void CSplitterWnd::OnMouseMove(UINT, POINT point) {
    if (!m_bTracking) return;
    int x = point.x + m_ptTrackOffset.x;
    x = std::clamp<int>(x, m_rectLimit.left, std::max(m_rectLimit.left, m_rectLimit.right));
    if (x != m_rectTracker.left) {
        OnInvertTracker(m_rectTracker);
        ::OffsetRect(&m_rectTracker, x - m_rectTracker.left, 0);
        OnInvertTracker(m_rectTracker);
    }
}

void CSplitterWnd::OnLButtonDown(UINT, POINT point) {
    if (m_bTracking) return;
    const int ht = HitTest(point);
    if (ht >= hSplitterBar1 && ht <= hSplitterBar15) StartTracking(ht);
}

void CSplitterWnd::OnLButtonUp(UINT, POINT) { StopTracking(TRUE); }

void CSplitterWnd::OnKeyDown(UINT nChar) {
    if (!m_bTracking) {
        Default();
        return;
    }
    if (nChar == VK_ESCAPE) StopTracking(FALSE);
    else if (nChar == VK_RETURN) StopTracking(TRUE);
}

void CSplitterWnd::OnCaptureChanged(HWND hWndNew) {
    if (m_bTracking && hWndNew != m_hWnd) StopTracking(FALSE);
}

BOOL CSplitterWnd::OnSetCursor(UINT nHitTest) {
    if (nHitTest != HTCLIENT) return FALSE;
    POINT pt{};
    ::GetCursorPos(&pt);
    ScreenToClient(&pt);
    if (!m_bTracking && HitTest(pt) == noHit) return FALSE;
    ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEWE));
    return TRUE;
}

void CSplitterWnd::OnPaint() {
    CPaintDC dc(this);
    RECT inside;
    GetInsideRect(inside);
    DrawAllSplitBars(&dc, inside.right - inside.left, inside.bottom - inside.top);
}

void CSplitterWnd::OnSize() { RecalcLayout(); }

LRESULT CSplitterWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_PAINT:          OnPaint(); return 0;
    case WM_ERASEBKGND:     break;
    case WM_SIZE:           OnSize(); return 0;
    case WM_SETCURSOR:      if (OnSetCursor(LOWORD(lParam))) return TRUE; break;
    case WM_LBUTTONDOWN:    OnLButtonDown(static_cast<UINT>(wParam), pt); return 0;
    case WM_LBUTTONUP:      OnLButtonUp(static_cast<UINT>(wParam), pt); return 0;
    case WM_MOUSEMOVE:      OnMouseMove(static_cast<UINT>(wParam), pt); return 0;
    case WM_KEYDOWN:        OnKeyDown(static_cast<UINT>(wParam)); return 0;
    case WM_CAPTURECHANGED: OnCaptureChanged(reinterpret_cast<HWND>(lParam)); return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}
