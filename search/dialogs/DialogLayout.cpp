// The layout of the sizeable search dialogs.
#include "search/dialogs/DialogLayout.h"

#include <algorithm>

void MoveControlsAndFill(CWnd* pDlg, std::initializer_list<CWnd*> moved, int dx, int dy, CWnd* pFill,
                         const RECT& rcFill, UINT nFlags) {
    HDWP hdwp = ::BeginDeferWindowPos(static_cast<int>(moved.size()) + 1);
    for (CWnd* p : moved) {
        if (!hdwp) break;
        if (!p->IsWindow()) continue;
        RECT rc;
        p->GetWindowRect(&rc);
        pDlg->ScreenToClient(&rc);
        hdwp = ::DeferWindowPos(hdwp, p->m_hWnd, nullptr, rc.left + dx, rc.top + dy, 0, 0,
                                SWP_NOSIZE | SWP_NOZORDER | nFlags);
    }
    if (hdwp && pFill->IsWindow()) {
        RECT rc = rcFill;
        pDlg->ScreenToClient(&rc);
        hdwp = ::DeferWindowPos(hdwp, pFill->m_hWnd, nullptr, rc.left, rc.top, std::max(0L, rc.right - rc.left),
                                std::max(0L, rc.bottom - rc.top), SWP_NOZORDER | nFlags);
    }
    if (hdwp) ::EndDeferWindowPos(hdwp);
}
