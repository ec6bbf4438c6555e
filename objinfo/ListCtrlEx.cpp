// The report list of the object-information data view.
#include "objinfo/ListCtrlEx.h"
#include <windowsx.h>
#include <algorithm>
#include "resources/ObjInfoRes.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

IMPLEMENT_DYNAMIC(CListCtrlEx, CListCtrl)

LRESULT CListCtrlEx::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCALCSIZE:  return OnNcCalcSize(wParam, lParam);
    case WM_SIZE:        OnSize(); return 0;
    case WM_ERASEBKGND:  PaintOutsideRows(); return TRUE;
    case WM_CONTEXTMENU: OnContextMenu(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_KEYDOWN:     OnKeyDown(static_cast<UINT>(wParam)); break;
    }
    return CListCtrl::WindowProc(message, wParam, lParam);
}

LRESULT CListCtrlEx::OnNcCalcSize(WPARAM wParam, LPARAM lParam) {
    // Hiding a bar changes the frame, which calculates the size again: that
    // inner round only takes the default.
    if ((m_bTracking || m_bSizeMove) && !m_bHidingBars) {
        m_bHidingBars = true;
        ::ShowScrollBar(m_hWnd, SB_BOTH, FALSE);
        m_bHidingBars = false;
    }
    return DefWindowProc(WM_NCCALCSIZE, wParam, lParam);
}

void CListCtrlEx::OnSize() {
    Default();
    PaintOutsideRows();
}

void CListCtrlEx::PaintOutsideRows() {
    if (!IsWindow()) return;
    RECT client;
    GetClientRect(&client);
    // The header is a child of the list: what it covers is not ours to fill.
    int top = client.top;
    if (HWND header = GetHeaderCtrl(); header && ::IsWindowVisible(header)) {
        RECT hr;
        ::GetWindowRect(header, &hr);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&hr), 2);
        if (hr.bottom > top) top = hr.bottom;
    }
    const COLORREF color = CAppSettings::Get().WindowColor;
    CClientDC dc(this);
    const int n = GetItemCount();
    if (n == 0) {
        RECT rc{client.left, top, client.right, client.bottom};
        if (rc.bottom > rc.top) dc.FillSolidRect(&rc, color);
        return;
    }
    const int perPage = GetCountPerPage();
    int last = n - 1;
    if (n >= perPage) {
        last = GetTopIndex() + perPage - 1;
        if (last != n - 1) return;  // the end of the list is out of view
    }
    RECT label{};
    if (!GetItemRect(last, &label, LVIR_LABEL)) return;
    RECT left{0, top, label.left, label.bottom};
    if (left.bottom > left.top && left.right > left.left) dc.FillSolidRect(&left, color);
    RECT below{client.left, std::max<LONG>(label.bottom, top), client.right, client.bottom};
    if (below.bottom > below.top) dc.FillSolidRect(&below, color);
}

BOOL CListCtrlEx::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (hdr->hwndFrom == m_hWnd && hdr->code == NM_CUSTOMDRAW) {
            *pResult = OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
            return TRUE;
        }
    }
    return CListCtrl::OnChildNotify(message, wParam, lParam, pResult);
}

LRESULT CListCtrlEx::OnCustomDraw(NMLVCUSTOMDRAW& cd) {
    switch (cd.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        if (cd.nmcd.lItemlParam == 0) {
            cd.clrTextBk = OBJINFO_HEADING_BKCOLOR;
            return CDRF_NEWFONT;
        }
        return CDRF_DODEFAULT;
    }
    return CDRF_DODEFAULT;
}

void CListCtrlEx::OnContextMenu(POINT point) {
    const LPARAM fromKeyboard = (point.x == -1 && point.y == -1) ? 1 : 0;
    ::PostMessageW(GetParentHwnd(), UM_LIST_CONTEXTMENU, reinterpret_cast<WPARAM>(m_hWnd), fromKeyboard);
}

bool CListCtrlEx::OnCmd(UINT nID, int nCode) {
    if (nID == ID_OBJINFO_COPY && nCode == CN_COMMAND) {
        OnCopy();
        return true;
    }
    return false;
}

void CListCtrlEx::OnCopy() {
    ::PostMessageW(GetParentHwnd(), UM_LIST_COPY, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void CListCtrlEx::OnKeyDown(UINT nChar) {
    if (nChar == 0x43 && (::GetKeyState(VK_CONTROL) & 0x8000)) OnCopy();
}
