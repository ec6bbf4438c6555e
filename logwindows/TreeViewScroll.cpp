// The paged tree view: scroll commands, thumb dragging, the mouse wheel, the
// navigation keys, clicks that expand or collapse, and resizing. Every move
// keeps the page bounds and corrects first row and total rows by the rows
// passed, expanded or collapsed.
#include "logwindows/TreeViewEx.h"
#include "server/settings/AppSettings.h"
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>

// --- helpers -------------------------------------------------------------------------

int CTreeViewEx::VisibleDistance(HTREEITEM hFrom, HTREEITEM hTo) const {
    if (!hFrom || !hTo) return INT_MIN;
    if (hFrom == hTo) return 0;
    int n = 0;
    for (HTREEITEM h = NextRowItem(hFrom); h; h = NextRowItem(h)) {
        ++n;
        if (h == hTo) return n;
    }
    n = 0;
    for (HTREEITEM h = PrevRowItem(hFrom); h; h = PrevRowItem(h)) {
        --n;
        if (h == hTo) return n;
    }
    return INT_MIN;
}

int CTreeViewEx::SignedRows(CLogNode* pFrom, CLogNode* pTo) const {
    if (!pFrom || !pTo || pFrom == pTo) return 0;
    CLogNode* A = FindEntryRoot(pFrom);
    CLogNode* B = FindEntryRoot(pTo);
    bool bAfter;
    if (A == B) {
        bAfter = NodeFirstOf(A, pFrom, pTo) == pFrom;
    } else {
        CTreeDocEx* pDoc = GetDocument();
        BOOL bAbove = FALSE;
        CLogNode* pBefore = (pDoc && A == pDoc->m_pFirstNode) ? nullptr : (A ? A->m_pBack : nullptr);
        CLogNode* pAfter = (pDoc && A == pDoc->m_pLastNode) ? nullptr : (A ? A->m_pNext : nullptr);
        if (!WalkTopLevel(B, pBefore, pAfter, &bAbove)) return 0;
        bAfter = !bAbove;
    }
    return bAfter ? RowsBetweenNodes(pFrom, pTo) - 1 : 1 - RowsBetweenNodes(pTo, pFrom);
}

void CTreeViewEx::ClampFirstRow() {
    const int nMax = std::max(0, m_nTotalRows - VisibleCount());
    if (m_nFirstRow > nMax) m_nFirstRow = nMax;
    if (m_nFirstRow < 0) m_nFirstRow = 0;
}

HTREEITEM CTreeViewEx::LoadLastPage() {
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM hLast = tc.GetLastVisibleItem();
    if (!hLast) return nullptr;
    HTREEITEM hFirst = StepLoading(hLast, -(std::max(1, VisibleCount()) - 1));
    KeepPagesAbove(hFirst, 1);
    KeepPagesBelow(hFirst, 2);
    return hFirst;
}

HTREEITEM CTreeViewEx::LoadEndOfLog() {
    CTreeCtrl& tc = GetTreeCtrl();
    CTreeDocEx* pDoc = GetDocument();
    HTREEITEM hLast = tc.GetLastVisibleItem();
    if (!hLast || NodeOfItem(hLast) != LastRowOfDocument()) {
        tc.DeleteAllItems();
        CLogNode* pLast = pDoc ? pDoc->m_pLastNode : nullptr;
        if (!pLast) return nullptr;
        LoadRootItem(pLast, LastChildNode(pLast));
    }
    return LoadLastPage();
}

void CTreeViewEx::ShowLastPage(HTREEITEM hFirst) {
    m_bBusy = 1;
    m_nFirstRow = std::max(0, m_nTotalRows - VisibleCount());
    if (hFirst) {
        SetFirstVisible(hFirst);
        ReselectCaret();
        SetFirstVisible(hFirst);
    } else {
        m_nFirstRow = 0;
    }
    ClearBusy();
    UpdateScrollBar();
}

CLogNode* CTreeViewEx::LastRowOfDocument() const {
    CTreeDocEx* pDoc = GetDocument();
    CLogNode* p = pDoc ? pDoc->m_pLastNode : nullptr;
    while (p && p->m_pEntry && p->NodeIsExpanded(m_nViewIndex) && p->m_pChildren) {
        p = p->m_pChildren;
        while (p->m_pNext) p = p->m_pNext;
    }
    return p;
}

void CTreeViewEx::ReselectCaret() {
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM h = FindItemOfNode(m_pCaretNode);
    tc.SelectItem(h);
    if (h) m_pCaretNode = NodeOfItem(h);
}

void CTreeViewEx::SetFirstVisible(HTREEITEM hItem) {
    if (!hItem) return;
    CTreeCtrl& tc = GetTreeCtrl();
    tc.SelectSetFirstVisible(hItem);
    if (tc.GetFirstVisibleItem() == hItem || tc.GetSelectedItem() != hItem) return;
    // Wine's tree control takes no first-visible request for its selected
    // item: go through a neighbour and one line.
    if (HTREEITEM p = tc.GetPrevVisibleItem(hItem)) {
        tc.SelectSetFirstVisible(p);
        SendMessage(WM_VSCROLL, SB_LINEDOWN);
    } else if (HTREEITEM n = tc.GetNextVisibleItem(hItem)) {
        tc.SelectSetFirstVisible(n);
        SendMessage(WM_VSCROLL, SB_LINEUP);
    }
}

HTREEITEM CTreeViewEx::StepLoading(HTREEITEM hItem, int n) {
    while (hItem && n != 0) {
        HTREEITEM h = n > 0 ? NextRowItem(hItem) : PrevRowItem(hItem);
        if (!h) {
            if (!(n > 0 ? LoadRowBelow(hItem) : LoadRowAbove(hItem))) break;
            continue;
        }
        hItem = h;
        n += n > 0 ? -1 : 1;
    }
    return hItem;
}

void CTreeViewEx::ClearBusy() {
    m_bBusy = 0;
    if (m_bResizePending) {
        m_bResizePending = false;
        RECT rc;
        GetClientRect(&rc);
        ApplySize(rc.bottom - rc.top);
    }
}

CLogNode* CTreeViewEx::WalkTopLevel(CLogNode* pTarget, CLogNode* pBefore, CLogNode* pAfter, BOOL* pbAbove) const {
    // Outwards from the loaded run in both directions at once: the cost is the
    // distance to the target, not the length of the log.
    CTreeDocEx* pDoc = GetDocument();
    CLogNode* pFirst = pDoc ? pDoc->m_pFirstNode : nullptr;
    CLogNode* pLast = pDoc ? pDoc->m_pLastNode : nullptr;
    CLogNode* up = pBefore;
    CLogNode* down = pAfter;
    while (up || down) {
        if (up) {
            if (up == pTarget) { *pbAbove = TRUE; return up; }
            up = (up == pFirst) ? nullptr : up->m_pBack;
        }
        if (down) {
            if (down == pTarget) { *pbAbove = FALSE; return down; }
            down = (down == pLast) ? nullptr : down->m_pNext;
        }
    }
    return nullptr;
}

// --- scroll commands -----------------------------------------------------------------

void CTreeViewEx::OnScrollCommand(UINT nCode, const SCROLLINFO* pInfo) {
    if (nCode == SB_ENDSCROLL) return;
    CTreeCtrl& tc = GetTreeCtrl();
    CHideView hide(this);
    HTREEITEM hRemembered = nullptr;
    HTREEITEM hFirst = tc.GetFirstVisibleItem();
    // A page step is one row less than the page, and at least one row.
    const int nPage = std::max(1, VisibleCount() - 1);
    HTREEITEM hTarget = nullptr;
    BOOL bLineOrPage = TRUE, bDown = TRUE;
    switch (nCode) {
    case SB_LINEUP:        hTarget = StepUp(hFirst, 1); bDown = FALSE; break;
    case SB_LINEDOWN:      hTarget = StepDown(hFirst, 1); break;
    case SB_PAGEUP:        hTarget = StepUp(hFirst, nPage); bDown = FALSE; break;
    case SB_THUMBPOSITION: bLineOrPage = FALSE; ClearBusy(); break;
    case SB_THUMBTRACK:    bLineOrPage = FALSE; if (pInfo) hRemembered = TrackThumb(pInfo); break;
    case SB_TOP:           bLineOrPage = FALSE; ScrollToTop(); break;
    case SB_BOTTOM:        bLineOrPage = FALSE; ScrollToBottom(); break;
    default:               hTarget = StepDown(hFirst, nPage); break;  // SB_PAGEDOWN and any other code
    }
    if (bLineOrPage) {
        if (hTarget && hTarget != hFirst) {
            m_bBusy = 1;
            SetFirstVisible(hTarget);
            RepositionPage(tc.GetFirstVisibleItem(), hFirst, bDown);
            ClearBusy();
        }
        hRemembered = tc.GetFirstVisibleItem();
    }
    ReselectCaret();
    if (hRemembered) SetFirstVisible(hRemembered);
    if (nCode != SB_THUMBTRACK) UpdateScrollBar();
}

HTREEITEM CTreeViewEx::TrackThumb(const SCROLLINFO* pInfo) {
    CTreeCtrl& tc = GetTreeCtrl();
    m_bBusy = 1;  // until SB_THUMBPOSITION ends the drag
    // A track position past the last page (a bar whose range is behind the
    // view's) is taken as the last page.
    const int p = std::clamp(pInfo->nTrackPos, 0, std::max(0, m_nTotalRows - VisibleCount()));
    if (p == m_ScrollInfo.nPos) return tc.GetFirstVisibleItem();
    const int d = p - m_ScrollInfo.nPos;
    HTREEITEM hItem = (std::abs(d) > VisibleCount()) ? JumpToRow(p) : ScrollByRows(d);
    if (hItem) {
        KeepPagesAbove(hItem, 1);
        KeepPagesBelow(hItem, 2);
    }
    UpdateScrollBar();
    return hItem ? hItem : tc.GetFirstVisibleItem();
}

HTREEITEM CTreeViewEx::ScrollByRows(int d) {
    HTREEITEM h = GetTreeCtrl().GetFirstVisibleItem();
    if (!h) return nullptr;
    // Only the rows actually passed count: the walk stops at the ends.
    int nDone = 0;
    for (; d > 0; --d, ++nDone) {
        HTREEITEM n = NextRowItem(h);
        if (!n) break;
        h = n;
    }
    for (; d < 0; ++d, --nDone) {
        HTREEITEM p = PrevRowItem(h);
        if (!p) break;
        h = p;
    }
    m_nFirstRow += nDone;
    if (m_nFirstRow < 0) m_nFirstRow = 0;
    return h;
}

HTREEITEM CTreeViewEx::JumpToRow(int nRow) {
    CTreeCtrl& tc = GetTreeCtrl();
    CTreeDocEx* pDoc = GetDocument();
    HTREEITEM hFirst = tc.GetFirstVisibleItem();
    if (!hFirst || !pDoc) return nullptr;
    int d = nRow - m_ScrollInfo.nPos;
    // The walk over the loaded rows.
    HTREEITEM h = hFirst;
    while (d != 0) {
        HTREEITEM n = d > 0 ? NextRowItem(h) : PrevRowItem(h);
        if (!n) break;
        h = n;
        d += d > 0 ? -1 : 1;
    }
    if (d == 0) {
        m_nFirstRow = nRow;
        return h;
    }
    // The row is not loaded: count top-level nodes by their rows, from the
    // first visible item's own or from the nearer end of the document.
    auto next = [pDoc](CLogNode* p) { return p == pDoc->m_pLastNode ? nullptr : p->m_pNext; };
    auto prev = [pDoc](CLogNode* p) { return p == pDoc->m_pFirstNode ? nullptr : p->m_pBack; };
    CLogNode* pFirstNode = NodeOfItem(hFirst);
    CLogNode* F = FindEntryRoot(pFirstNode);
    if (!F) return nullptr;
    const int nStartF = m_ScrollInfo.nPos - (RowsBetweenNodes(F, pFirstNode) - 1);
    CLogNode* pHolder = nullptr;
    int nOffset = 0;
    if (nRow >= nStartF) {
        if (m_nTotalRows - nRow < nRow - nStartF) {
            int nEnd = m_nTotalRows;
            for (CLogNode* p = pDoc->m_pLastNode; p; p = prev(p)) {
                const int nStart = nEnd - TopLevelRows(p);
                if (nStart <= nRow) { pHolder = p; nOffset = nRow - nStart; break; }
                nEnd = nStart;
            }
        } else {
            int nStart = nStartF;
            for (CLogNode* p = F; p; p = next(p)) {
                const int rows = TopLevelRows(p);
                if (nRow < nStart + rows) { pHolder = p; nOffset = nRow - nStart; break; }
                nStart += rows;
            }
        }
    } else {
        if (nRow < nStartF - nRow) {
            int nStart = 0;
            for (CLogNode* p = pDoc->m_pFirstNode; p; p = next(p)) {
                const int rows = TopLevelRows(p);
                if (nRow < nStart + rows) { pHolder = p; nOffset = nRow - nStart; break; }
                nStart += rows;
            }
        } else {
            int nStart = nStartF;
            for (CLogNode* p = prev(F); p; p = prev(p)) {
                nStart -= TopLevelRows(p);
                if (nStart <= nRow) { pHolder = p; nOffset = nRow - nStart; break; }
            }
        }
    }
    // Ran off the chain: no move.
    if (!pHolder) return nullptr;
    tc.DeleteAllItems();
    m_nFirstRow = nRow;
    if (nOffset == 0 || !IsWideNode(pHolder)) {
        LoadRootItem(pHolder);
        return StepDown(tc.GetRootItem(), nOffset);
    }
    // Inside a wide call line: its children are loaded around the one that
    // holds the row.
    int nLeft = nOffset - 1;
    CLogNode* c = pHolder->m_pChildren;
    for (; c && c->m_pNext; c = c->m_pNext) {
        const int rows = TopLevelRows(c);
        if (nLeft < rows) break;
        nLeft -= rows;
    }
    LoadRootItem(pHolder, c);
    HTREEITEM hRoot = tc.GetRootItem();
    HTREEITEM hChild = FindVisibleItemOfNode(hRoot, c);
    return StepDown(hChild ? hChild : hRoot, hChild ? nLeft : nOffset);
}

// --- mouse wheel -----------------------------------------------------------------------

BOOL CTreeViewEx::OnMouseWheel(UINT, short zDelta, POINT) {
    CTreeCtrl& tc = GetTreeCtrl();
    const UINT nLines = CAppSettings::Get().WheelScrollLines;
    // WHEEL_PAGESCROLL: a notch scrolls a page.
    const int nStep = (nLines == WHEEL_PAGESCROLL) ? std::max(1, VisibleCount() - 1) : static_cast<int>(nLines);
    const int n = (zDelta / WHEEL_DELTA) * nStep;
    HTREEITEM hFirst = tc.GetFirstVisibleItem();
    if (!hFirst || n == 0) return TRUE;
    CHideView hide(this);
    // A fast wheel may ask for more rows than are loaded beyond the page.
    HTREEITEM hItem = StepLoading(hFirst, -n);
    if (hItem == hFirst) return TRUE;
    m_bBusy = 1;
    if (n < 0) KeepPagesBelow(hItem, 2);  // so that the control can show a whole page from there
    SetFirstVisible(hItem);
    RepositionPage(tc.GetFirstVisibleItem(), hFirst, n < 0);
    ClearBusy();
    HTREEITEM hNewFirst = tc.GetFirstVisibleItem();
    ReselectCaret();
    SetFirstVisible(hNewFirst);
    UpdateScrollBar();
    return TRUE;
}

// --- top and bottom ------------------------------------------------------------------------

void CTreeViewEx::ScrollToTop() {
    CTreeCtrl& tc = GetTreeCtrl();
    CTreeDocEx* pDoc = GetDocument();
    if (tc.GetFirstVisibleItem() && m_nFirstRow == 0) return;
    if (tc.GetCount()) tc.DeleteAllItems();
    if (pDoc && pDoc->m_pFirstNode) {
        LoadRootItem(pDoc->m_pFirstNode);
        HTREEITEM hRoot = tc.GetRootItem();
        KeepPagesBelow(hRoot, 2);
        hRoot = tc.GetRootItem();
        tc.SelectItem(hRoot);
        m_pCaretNode = NodeOfItem(hRoot);
    }
    m_nFirstRow = 0;
}

void CTreeViewEx::ScrollToBottom() {
    CTreeCtrl& tc = GetTreeCtrl();
    CTreeDocEx* pDoc = GetDocument();
    const int nPage = VisibleCount();
    // Nothing to do only when the window shows the last row of the log.
    if (m_nTotalRows - m_nFirstRow <= nPage) {
        HTREEITEM hLast = tc.GetLastVisibleItem();
        const int d = VisibleDistance(tc.GetFirstVisibleItem(), hLast);
        if (!hLast || (NodeOfItem(hLast) == LastRowOfDocument() && d == std::min(nPage, m_nTotalRows) - 1)) return;
    }
    tc.DeleteAllItems();
    if (pDoc && pDoc->m_pLastNode) {
        CLogNode* pLast = pDoc->m_pLastNode;
        LoadRootItem(pLast, LastChildNode(pLast));
        // A wide call line has only its last children: the rows above them.
        KeepPagesAbove(IsWideNode(pLast) ? tc.GetLastVisibleItem() : tc.GetRootItem(), 2);
        m_nFirstRow = std::max(0, m_nTotalRows - nPage);
        HTREEITEM hLast = tc.GetLastVisibleItem();
        tc.SelectItem(hLast);
        m_pCaretNode = NodeOfItem(hLast);
    } else {
        m_nFirstRow = 0;
    }
}

// --- keys ----------------------------------------------------------------------------------

BOOL CTreeViewEx::OnSysKeyDown(UINT nChar, UINT, UINT) {
    return nChar == VK_BACK || (nChar >= VK_PRIOR && nChar <= VK_DOWN);
}

void CTreeViewEx::OnKeyDown(UINT nChar, UINT, UINT) {
    CTreeDocEx* pDoc = GetDocument();
    if (!pDoc || !pDoc->m_pFirstNode) return;
    if (nChar != VK_BACK && (nChar < VK_PRIOR || nChar > VK_DOWN)) return;
    if (::GetKeyState(VK_CONTROL) < 0) return;
    {
        CHideView hide(this);
        m_bBusy = 1;
        switch (nChar) {
        case VK_END:  ScrollToBottom(); break;
        case VK_HOME: ScrollToTop(); break;
        default:      PrepareKeyMove(nChar); break;
        }
        if (!MoveToWideParent(nChar)) KeyMove(nChar);
    }
    ClearBusy();
    UpdateScrollBar();
}

BOOL CTreeViewEx::MoveToWideParent(UINT nChar) {
    // To the parent: a wide call line whose loaded children begin later has
    // its line far above them, where the control would count wrong rows.
    CTreeCtrl& tc = GetTreeCtrl();
    if (nChar != VK_BACK && nChar != VK_LEFT) return FALSE;
    HTREEITEM hSel = tc.GetSelectedItem();
    HTREEITEM hParent = hSel ? tc.GetParentItem(hSel) : nullptr;
    if (!hParent || tc.GetParentItem(hParent) || !HasTopGap(hParent)) return FALSE;
    // Left on an open item closes it.
    if (nChar == VK_LEFT && IsExpandedIn(NodeOfItem(hSel), m_nViewIndex) && tc.GetChildItem(hSel)) return FALSE;
    ShowNode(NodeOfItem(hParent), FALSE);
    return TRUE;
}

void CTreeViewEx::KeyMove(UINT nChar) {
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM hOldFirst = tc.GetFirstVisibleItem();
    HTREEITEM hOldSel = tc.GetSelectedItem();
    CLogNode* pOldSelNode = NodeOfItem(hOldSel);
    const BOOL bWasExpanded = nChar == VK_LEFT && IsExpandedIn(pOldSelNode, m_nViewIndex);
    Default();
    HTREEITEM hNewFirst = tc.GetFirstVisibleItem();
    HTREEITEM hNewSel = tc.GetSelectedItem();
    m_bRepositioned = false;
    switch (nChar) {
    case VK_BACK: case VK_PRIOR: case VK_UP:
        RepositionPage(hNewFirst, hOldFirst, FALSE);
        break;
    case VK_NEXT: case VK_DOWN:
        RepositionPage(hNewFirst, hOldFirst, TRUE);
        break;
    case VK_LEFT:
        AfterCollapse(hOldFirst, hNewSel, hOldSel, bWasExpanded);
        break;
    case VK_RIGHT:
        AfterExpand(hOldFirst, hNewSel, hOldSel);
        break;
    }
    // The new selection must be on the page (Backspace goes to a parent
    // that may lie anywhere, or nowhere for a call line).
    HTREEITEM hAfter = tc.GetFirstVisibleItem();
    if (HTREEITEM hSel = tc.GetSelectedItem()) {
        const int d = VisibleDistance(hAfter, hSel);
        if (d == INT_MIN || d < 0 || d >= VisibleCount()) tc.EnsureVisible(hSel);
    }
    // Count the rows the control passed by itself (a selection moved off
    // a one-row page, Home, End, the line above) and keep the page bounds.
    HTREEITEM hNow = tc.GetFirstVisibleItem();
    if (!m_bRepositioned) RepositionPage(hNow, hOldFirst, TRUE);
    else if (hNow != hAfter) RepositionPage(hNow, hAfter, TRUE);
    hNewSel = tc.GetSelectedItem();
    if (hNewSel) {
        tc.SelectItem(hNewSel);
        m_pCaretNode = NodeOfItem(hNewSel);
    } else {
        m_pCaretNode = nullptr;
    }
}

int CTreeViewEx::LocateCaret() const {
    const int code = LocateCaretRoot();
    // A wide call line is loaded, yet the caret's own row may not be, nor
    // the rows below its line when the caret is on it.
    if ((code & 2) && IsWideNode(FindEntryRoot(m_pCaretNode))) {
        HTREEITEM h = FindVisibleItemOfNode(GetTreeCtrl().GetRootItem(), m_pCaretNode);
        if (!h || (!GetTreeCtrl().GetParentItem(h) && HasTopGap(h))) return (code & 0xF0) | 1;
    }
    return code;
}

int CTreeViewEx::LocateCaretRoot() const {
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM hFirst = tc.GetFirstVisibleItem();
    if (!m_pCaretNode || !hFirst) return 0;
    CLogNode* pFirstNode = NodeOfItem(hFirst);
    if (pFirstNode == m_pCaretNode) return 0;
    const int v = VisibleCount();
    HTREEITEM h = hFirst;
    for (int i = 0; h && i < v; ++i, h = tc.GetNextVisibleItem(h))
        if (NodeOfItem(h) == m_pCaretNode) return 0;
    CLogNode* T = FindEntryRoot(m_pCaretNode);
    CLogNode* F = FindEntryRoot(pFirstNode);
    CLogNode* A = h ? FindEntryRoot(NodeOfItem(h)) : nullptr;
    if (T == F) {
        if (T != A) return 0x12;
        return NodeFirstOf(T, m_pCaretNode, pFirstNode) == m_pCaretNode ? 0x12 : 0x22;
    }
    CLogNode* pLastLoaded = LastRootTraceNode();
    CLogNode* pFirstLoaded = FirstRootNode();
    if (A) {
        for (CLogNode* p = A; p; p = p->m_pNext) {
            if (p == T) return 0x22;
            if (p == pLastLoaded) break;
        }
    }
    for (CLogNode* p = pFirstLoaded; p; p = p->m_pNext) {
        if (p == T) return 0x12;
        if (p == F) break;
    }
    // Not loaded: which side of the loaded run?
    BOOL bAbove = FALSE;
    CLogNode* pBefore = pFirstLoaded ? pFirstLoaded->m_pBack : nullptr;
    CTreeDocEx* pDoc = GetDocument();
    if (pFirstLoaded && pDoc && pFirstLoaded == pDoc->m_pFirstNode) pBefore = nullptr;
    CLogNode* pAfter = (pLastLoaded && pDoc && pLastLoaded != pDoc->m_pLastNode) ? pLastLoaded->m_pNext : nullptr;
    if (!WalkTopLevel(T, pBefore, pAfter, &bAbove)) return 0;
    return bAbove ? 0x11 : 0x21;
}

void CTreeViewEx::PrepareKeyMove(UINT nKey) {
    CTreeCtrl& tc = GetTreeCtrl();
    const int code = LocateCaret();
    if (code == 0) return;
    const int v = VisibleCount();
    CLogNode* FN = NodeOfItem(tc.GetFirstVisibleItem());
    const bool bArrow = nKey >= VK_LEFT && nKey <= VK_DOWN;
    const bool bPageUp = nKey == VK_BACK || nKey == VK_PRIOR;
    HTREEITEM c;
    if (code & 1) {
        tc.DeleteAllItems();
        CLogNode* pRoot = FindEntryRoot(m_pCaretNode);
        LoadRootItem(pRoot, m_pCaretNode);
        HTREEITEM r = RootOfFirstVisible();
        c = FindVisibleItemOfNode(r, m_pCaretNode);
        // The pages of a wide call line are kept from the caret's row.
        if (c && IsWideNode(pRoot)) r = c;
        if (code == 0x21) {
            if (bPageUp) KeepPagesAbove(r, 2);
            else if (bArrow) KeepPagesAbove(r, 1);
        } else if (code == 0x11) {
            if (nKey == VK_NEXT) {
                KeepPagesBelow(r, 2);
            } else if (bArrow) {
                KeepPagesAbove(r, 1);
                KeepPagesBelow(r, 2);
            }
        }
        tc.SelectItem(c);
        if (c) m_pCaretNode = NodeOfItem(c);
    } else {
        c = tc.GetSelectedItem();
    }
    if (!c) return;
    const bool bBelow = (code & 0x20) != 0;
    HTREEITEM t = c;
    switch (nKey) {
    case VK_BACK: case VK_PRIOR:
        if (bBelow) t = StepUp(c, 2 * v - 2);
        else { KeepPagesAbove(c, 1); t = StepUp(c, v - 1); }
        break;
    case VK_NEXT:
        if (bBelow) { KeepPagesBelow(c, 1); t = c; }
        else { KeepPagesAbove(c, 1); t = StepDown(c, v - 1); }
        break;
    case VK_LEFT: case VK_RIGHT:
        if (bBelow) { KeepPagesBelow(c, 1); t = StepUp(c, v - 1); }
        else t = c;
        break;
    case VK_UP:
        if (bBelow) t = StepUp(c, v - 1);
        else { KeepPagesAbove(c, 1); HTREEITEM p = PrevRowItem(c); t = p ? p : c; }
        break;
    case VK_DOWN:
        if (bBelow) { KeepPagesBelow(c, 1); t = StepUp(c, v - 2); }
        else { HTREEITEM n = NextRowItem(c); t = n ? n : c; }
        break;
    }
    SetFirstVisible(t);
    // The control may stop short near the end: count to where it did stop.
    CLogNode* N = NodeOfItem(tc.GetFirstVisibleItem());
    if (!FN || !N) return;
    // Either side: a page step from a caret just below the page can start above it.
    m_nFirstRow += SignedRows(FN, N);
    ClampFirstRow();
}

void CTreeViewEx::AfterExpand(HTREEITEM hOldFirst, HTREEITEM hNewSel, HTREEITEM hOldSel) {
    CTreeCtrl& tc = GetTreeCtrl();
    if (!hNewSel || hNewSel != hOldSel) return;
    HTREEITEM hChild = tc.GetChildItem(hNewSel);
    if (!hChild) return;
    m_nTotalRows += NodeCountExpandedRows(NodeOfItem(hNewSel), m_nViewIndex);
    const int v = VisibleCount();
    const int k = CountVisibleItems(hOldFirst, hNewSel);
    CLogNode* pNode = NodeOfItem(hNewSel);
    // A wide call line has only a run of its children loaded.
    const int c = IsWideNode(pNode) ? NodeCountList(pNode->m_pChildren) : CountSiblings(hChild);
    if (k + c <= v) RepositionPage(hOldFirst, hOldFirst, TRUE);
    else if (c <= v) RepositionPage(StepDown(hOldFirst, k + c - v), hOldFirst, TRUE);
    else RepositionPage(hNewSel, hOldFirst, TRUE);
}

void CTreeViewEx::AfterCollapse(HTREEITEM hOldFirst, HTREEITEM hNewSel, HTREEITEM hOldSel, BOOL bWasExpanded) {
    CTreeCtrl& tc = GetTreeCtrl();
    if (hNewSel && hNewSel == hOldSel) {
        if (bWasExpanded && tc.GetChildItem(hNewSel)) {
            m_nTotalRows -= NodeCountExpandedRows(NodeOfItem(hNewSel), m_nViewIndex);
            if (m_nTotalRows < 0) m_nTotalRows = 0;
            RepositionPage(hOldFirst, hOldFirst, TRUE);
        }
        return;
    }
    if (!hNewSel || !hOldSel) return;
    const int v = VisibleCount();
    const int a = CountVisibleItems(hOldFirst, hOldSel);
    const int b = CountVisibleItems(hNewSel, hOldSel);
    const int c = CountSiblings(tc.GetChildItem(hNewSel));
    if (a == v) {
        if (HTREEITEM t = StepDown(hOldFirst, c - b + 1)) RepositionPage(t, hOldFirst, TRUE);
    } else if (b > a) {
        RepositionPage(hNewSel, hOldFirst, FALSE);
    }
}

// --- mouse -----------------------------------------------------------------------------------

// A click on a label or an image starts the control's drag detection, which
// holds the button down inside the default processing: the view is hidden
// only around the expansions and the page repair, so that it does not vanish
// while the button is held.
void CTreeViewEx::OnLButtonDown(UINT, POINT point) {
    CTreeCtrl& tc = GetTreeCtrl();
    UINT flags = 0;
    HTREEITEM h = tc.HitTest(point, &flags);
    std::optional<CHideView> hide;
    if (h && (flags & TVHT_ONITEMBUTTON)) hide.emplace(this);
    tc.SelectItem(h);
    if (h) m_pCaretNode = NodeOfItem(h);
    HTREEITEM hFirst = tc.GetFirstVisibleItem();
    Default();
    if (!hide) hide.emplace(this);
    if (h && (flags & TVHT_ONITEMBUTTON)) {
        if (tc.GetNextVisibleItem(h) != tc.GetChildItem(h)) AfterCollapse(hFirst, h, h, TRUE);
        else AfterExpand(hFirst, h, h);
    } else if (h && (flags & TVHT_ONITEMICON)) {
        ToggleCheck(h);
    }
    UpdateScrollBar();
}

void CTreeViewEx::OnLButtonDblClk(UINT, POINT point) {
    CTreeCtrl& tc = GetTreeCtrl();
    CHideView hide(this);
    UINT flags = 0;
    HTREEITEM h = tc.HitTest(point, &flags);
    tc.SelectItem(h);
    if (h) m_pCaretNode = NodeOfItem(h);
    HTREEITEM hFirst = tc.GetFirstVisibleItem();
    Default();
    if (h && (flags & TVHT_ONITEM) && tc.GetChildItem(h)) {
        if (tc.GetNextVisibleItem(h) != tc.GetChildItem(h)) AfterCollapse(hFirst, h, h, TRUE);
        else AfterExpand(hFirst, h, h);
    }
    UpdateScrollBar();
}

void CTreeViewEx::OnRButtonDown(UINT, POINT point) {
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM h = tc.HitTest(point, nullptr);
    tc.SelectItem(h);
    if (h) m_pCaretNode = NodeOfItem(h);
    Default();
}

void CTreeViewEx::OnChar(UINT nChar, UINT, UINT) {
    // Every character is consumed: the control has no search by typing.
    if (nChar == L' ') {
        if (HTREEITEM h = GetTreeCtrl().GetSelectedItem()) ToggleCheck(h);
    }
}

// --- size -------------------------------------------------------------------------------------

void CTreeViewEx::OnSize(UINT, int, int cy) {
    if (m_bBusy) {
        // The control learns its size now; the page follows when the move ends.
        Default();
        m_bResizePending = true;
        return;
    }
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM hItem = tc.GetFirstVisibleItem();
    Default();
    ApplySize(cy, hItem);
}

void CTreeViewEx::ApplySize(int cy, HTREEITEM hItem) {
    CTreeCtrl& tc = GetTreeCtrl();
    if (hItem == nullptr) hItem = tc.GetFirstVisibleItem();
    HTREEITEM f = hItem;
    if (cy != m_nLastClientHeight) {
        m_nLastClientHeight = cy;
        if (hItem) {
            KeepPagesAbove(hItem, 1);
            KeepPagesBelow(hItem, 2);
            SetFirstVisible(hItem);
            f = tc.GetFirstVisibleItem();
            if (f != hItem) {
                const int d = VisibleDistance(hItem, f);
                if (d != INT_MIN) m_nFirstRow += d;
                if (m_nFirstRow < 0) m_nFirstRow = 0;
                // The larger page starts higher up: a page above it again.
                KeepPagesAbove(f, 1);
            }
        }
        ReselectCaret();
    }
    if (f) SetFirstVisible(f);
    UpdateScrollBar();
}
