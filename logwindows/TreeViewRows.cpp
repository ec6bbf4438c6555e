// The paged tree view: the rows of the loaded run. A call line of very many
// members holds a run of its children around the page; the steps from row to
// row stop where the run has a gap, and the loading steps fill it from the
// run's side, one child (with what its expansion shows) at a time.
#include "logwindows/TreeViewEx.h"
#include <algorithm>
#include <vector>

BOOL CTreeViewEx::IsWideNode(const CLogNode* pNode) const {
    int n = 0;
    for (const CLogNode* c = pNode ? pNode->m_pChildren : nullptr; c; c = c->m_pNext)
        if (++n > kWholeChildren) return TRUE;
    return FALSE;
}

HTREEITEM CTreeViewEx::TopChildOf(HTREEITEM hItem) const {
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM p = hItem ? tc.GetParentItem(hItem) : nullptr;
    if (!p) return nullptr;
    while (HTREEITEM pp = tc.GetParentItem(p)) {
        hItem = p;
        p = pp;
    }
    return hItem;
}

BOOL CTreeViewEx::HasTopGap(HTREEITEM hRoot) const {
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM c = hRoot ? tc.GetChildItem(hRoot) : nullptr;
    CLogNode* pNode = NodeOfItem(hRoot);
    return c && pNode && NodeOfItem(c) != pNode->m_pChildren;
}

HTREEITEM CTreeViewEx::ChildBeforeGap(HTREEITEM hItem) const {
    // hItem is the last row of its root item (the next visible one is a root
    // item, or none): the child of that root that holds it, when its node
    // has later siblings.
    HTREEITEM t = TopChildOf(hItem);
    CLogNode* p = NodeOfItem(t);
    return p && p->m_pNext ? t : nullptr;
}

BOOL CTreeViewEx::EntersTopGap(HTREEITEM hItem, HTREEITEM hNext) const {
    CTreeCtrl& tc = GetTreeCtrl();
    return tc.GetParentItem(hNext) == hItem && !tc.GetParentItem(hItem) && HasTopGap(hItem);
}

HTREEITEM CTreeViewEx::NextRowItem(HTREEITEM hItem) const {
    if (!hItem) return nullptr;
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM n = tc.GetNextVisibleItem(hItem);
    if (!n || !tc.GetParentItem(n)) return ChildBeforeGap(hItem) ? nullptr : n;
    return EntersTopGap(hItem, n) ? nullptr : n;
}

HTREEITEM CTreeViewEx::PrevRowItem(HTREEITEM hItem) const {
    if (!hItem) return nullptr;
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM p = tc.GetPrevVisibleItem(hItem);
    if (!p) return nullptr;
    if (tc.GetParentItem(hItem)) return EntersTopGap(p, hItem) ? nullptr : p;
    // A root item below one whose later children are not loaded.
    return ChildBeforeGap(p) ? nullptr : p;
}

BOOL CTreeViewEx::LoadRowBelow(HTREEITEM hItem) {
    if (!hItem) return FALSE;
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM n = tc.GetNextVisibleItem(hItem);
    if (!n || !tc.GetParentItem(n)) {
        if (HTREEITEM t = ChildBeforeGap(hItem)) {
            InsertChildRow(tc.GetParentItem(t), NodeOfItem(t)->m_pNext, t);
            return TRUE;
        }
        return n ? FALSE : InsertNextRoot(hItem);
    }
    // Down from a call line whose loaded children begin later: its rows
    // start again at its first child.
    if (!EntersTopGap(hItem, n)) return FALSE;
    RestartChildRun(hItem);
    return TRUE;
}

BOOL CTreeViewEx::LoadRowAbove(HTREEITEM hItem) {
    if (!hItem) return FALSE;
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM p = tc.GetPrevVisibleItem(hItem);
    if (!p) return InsertPreviousRoot(hItem);
    if (HTREEITEM hParent = tc.GetParentItem(hItem)) {
        if (!EntersTopGap(p, hItem)) return FALSE;
        // Not the first child: its back link is the previous sibling.
        InsertChildRow(hParent, NodeOfItem(hItem)->m_pBack, TVI_FIRST);
        return TRUE;
    }
    HTREEITEM t = ChildBeforeGap(p);
    if (!t) return FALSE;
    InsertChildRow(tc.GetParentItem(t), NodeOfItem(t)->m_pNext, t);
    return TRUE;
}

void CTreeViewEx::InsertChildRun(HTREEITEM hRoot, CLogNode* pNode, CLogNode* pFrom) {
    if (!pNode || !pNode->m_pChildren) return;
    const int nRows = 3 * std::max(1, VisibleCount()) + 2;
    CLogNode* pStart = pFrom ? pFrom : pNode->m_pChildren;
    int n = 0;
    for (CLogNode* c = pStart; c && n < nRows; c = c->m_pNext) {
        InsertNodeItem(hRoot, c, TVI_LAST);
        n += TopLevelRows(c);
    }
    for (CLogNode* c = pStart; n < nRows && c != pNode->m_pChildren;) {
        c = c->m_pBack;
        InsertNodeItem(hRoot, c, TVI_FIRST);
        n += TopLevelRows(c);
    }
}

HTREEITEM CTreeViewEx::InsertChildRow(HTREEITEM hRoot, CLogNode* pChild, HTREEITEM hInsertAfter) {
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM hFirst = tc.GetFirstVisibleItem();
    HTREEITEM h = nullptr;
    {
        // Wine's control works its rows and bars out again for every item
        // inserted under an open parent (ten times over above its first
        // visible item): once, when drawing is turned back on, costs less.
        struct Redraw {
            CTreeViewEx* v;
            bool bOff;
            explicit Redraw(CTreeViewEx* p) : v(p), bOff(!p->m_bRedrawOff) { if (bOff) v->SetRedraw(FALSE); }
            ~Redraw() { if (bOff) v->SetRedraw(TRUE); }
        } redraw(this);
        h = InsertNodeItem(hRoot, pChild, hInsertAfter);
        LoadGrandchildren(h);
    }
    ExpandNewRoot(h, pChild, hFirst);
    return h;
}

void CTreeViewEx::RestartChildRun(HTREEITEM hRoot) {
    CTreeCtrl& tc = GetTreeCtrl();
    CLogNode* pNode = NodeOfItem(hRoot);
    if (!pNode) return;
    // The new run goes in before the old one is deleted: an expanded item
    // never stands without children.
    std::vector<HTREEITEM> old;
    for (HTREEITEM c = tc.GetChildItem(hRoot); c; c = tc.GetNextSiblingItem(c)) old.push_back(c);
    InsertChildRun(hRoot, pNode, nullptr);
    for (HTREEITEM c : old) tc.DeleteItem(c);
    if (IsExpandedIn(pNode, m_nViewIndex)) {
        CScopedCount loading(m_nLoadingRoot);
        LoadChildItems(hRoot);
    }
}

CLogNode* CTreeViewEx::TopChildNode(CLogNode* pNode, CLogNode* pAround) {
    if (!pNode || !pAround || pAround == pNode) return nullptr;
    CLogNode* c = pAround;
    for (CLogNode* p = ParentNode(c); p; c = p, p = ParentNode(p))
        if (p == pNode) return c;
    return nullptr;
}

CLogNode* CTreeViewEx::LastChildNode(CLogNode* pNode) {
    CLogNode* c = pNode ? pNode->m_pChildren : nullptr;
    while (c && c->m_pNext) c = c->m_pNext;
    return c;
}
