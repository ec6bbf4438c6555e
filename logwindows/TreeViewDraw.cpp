// The paged tree view: item drawing, the background, check boxes and how a
// check spreads, and the navigation between find hits.
#include "logwindows/TreeViewEx.h"
#include "search/SearchCondition.h"
#include "server/settings/AppSettings.h"
#include <algorithm>
#include <climits>
#include <utility>

namespace {

bool IsTraceRoot(const CLogNode* p) { return p && p->m_pEntry && p->m_pEntry->Kind() == LOGK_CALL; }

}  // namespace

// --- drawing ---------------------------------------------------------------------------

LRESULT CTreeViewEx::OnCustomDraw(NMTVCUSTOMDRAW* pDraw) {
    // Disabled, the control keeps its own colours: only the check boxes are ours.
    const bool bEnabled = IsWindowEnabled() != FALSE;
    const CAppSettings& s = CAppSettings::Get();
    switch (pDraw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        if (!bEnabled) return CDRF_NOTIFYPOSTPAINT;
        CTreeCtrl& tc = GetTreeCtrl();
        HTREEITEM h = reinterpret_cast<HTREEITEM>(pDraw->nmcd.dwItemSpec);
        RECT rcText{};
        if (!tc.GetItemRect(h, &rcText, TRUE)) rcText = RECT{};
        FillRowBackground(pDraw->nmcd.hdc, pDraw->nmcd.rc, rcText);
        pDraw->clrText = s.WindowTextColor;
        pDraw->clrTextBk = m_pFoundNodes ? GetItemColor(m_pFoundNodes, NodeOfItem(h)) : s.WindowColor;
        const bool bSelected = (pDraw->nmcd.uItemState & CDIS_SELECTED) || (tc.GetItemState(h, TVIS_SELECTED) & TVIS_SELECTED);
        if (bSelected && pDraw->clrTextBk == s.WindowColor) {
            pDraw->clrText = s.SelectionTextColor;
            pDraw->clrTextBk = s.SelectionBkColor;
        }
        return m_nViewIndex == 0 ? CDRF_NOTIFYPOSTPAINT : (CDRF_NEWFONT | CDRF_NOTIFYPOSTPAINT);
    }
    case CDDS_ITEMPOSTPAINT: {
        HTREEITEM h = reinterpret_cast<HTREEITEM>(pDraw->nmcd.dwItemSpec);
        DrawCheckImage(pDraw->nmcd.hdc, h);
        if (bEnabled && m_nViewIndex == 0 && IsMarkedItem(h)) {
            RECT rcText{};
            if (GetTreeCtrl().GetItemRect(h, &rcText, TRUE))
                ::FrameRect(pDraw->nmcd.hdc, &rcText, CAppSettings::Get().ObjInfoBrush);
        }
        return CDRF_DODEFAULT;
    }
    }
    return CDRF_DODEFAULT;
}

COLORREF CTreeViewEx::GetItemColor(const CFoundNodeMap* pMap, const CLogNode* pNode) const {
    const CAppSettings& s = CAppSettings::Get();
    if (!pNode || !pMap || IsTraceRoot(pNode)) return s.WindowColor;
    auto it = pMap->find(const_cast<CLogNode*>(pNode));
    if (it == pMap->end() || !it->second) return s.WindowColor;
    const DWORD index = (it->second->m_flags >> 2) & 0xF;
    return index < SETTINGS_HIGHLIGHTS ? s.Font.Highlight[index] : RGB(0, 0, 0);
}

void CTreeViewEx::FillRowBackground(HDC hdc, const RECT& rcRow, const RECT& rcText) {
    if (rcRow.bottom == 0) return;
    const RECT rcCheck = GetCheckImageRect(rcText);
    CRgn row, text, check, rest;
    if (!row.CreateRectRgnIndirect(&rcRow) || !text.CreateRectRgnIndirect(&rcText) ||
        !check.CreateRectRgnIndirect(&rcCheck) || !rest.CreateRectRgn(0, 0, 0, 0))
        return;
    rest.CombineRgn(&row, &text, RGN_DIFF);
    rest.CombineRgn(&rest, &check, RGN_DIFF);
    CDC dc(hdc);
    dc.FillRgn(rest, CAppSettings::Get().WindowBrush);
}

RECT CTreeViewEx::GetCheckImageRect(const RECT& rcText) {
    if (m_nCheckOffsetX == 0) {
        CTreeCtrl& tc = GetTreeCtrl();
        HTREEITEM hRoot = tc.GetRootItem();
        RECT b{}, t{};
        // Not every tree control answers the part query (Wine's does not):
        // then the image is taken to sit just left of the label, where
        // Wine's control puts it.
        const BOOL bHaveText = hRoot && tc.GetItemRect(hRoot, &t, TRUE);
        const BOOL bHaveButton = hRoot && tc.GetItemPartRect(hRoot, TVGIPR_BUTTON, &b) &&
                                 (b.left || b.top || b.right || b.bottom);
        if (bHaveText && bHaveButton) {
            m_nCheckOffsetX = (t.left - m_nCheckWidth - b.right - 1) / 2 - t.left - 1 + b.right;
            m_nCheckOffsetY = (t.bottom - m_nCheckHeight - t.top) / 2;
        } else if (bHaveText) {
            m_nCheckOffsetX = -m_nCheckWidth;
            // Centred as the control centres it, also in rows lower than the image.
            m_nCheckOffsetY = (t.bottom - t.top) / 2 - m_nCheckHeight / 2;
        }
    }
    m_rcCheckImage.left = rcText.left + m_nCheckOffsetX;
    m_rcCheckImage.top = rcText.top + m_nCheckOffsetY;
    m_rcCheckImage.right = m_rcCheckImage.left + m_nCheckWidth;
    m_rcCheckImage.bottom = m_rcCheckImage.top + m_nCheckHeight;
    return m_rcCheckImage;
}

void CTreeViewEx::DrawCheckImage(HDC hdc, HTREEITEM hItem) {
    if (!m_CheckRoom || !hItem || !hdc) return;
    CTreeCtrl& tc = GetTreeCtrl();
    // A control given other images draws them itself.
    if (tc.GetImageList(TVSIL_NORMAL) != m_CheckRoom.get()) return;
    int image = -1, selected = -1;
    RECT rcText{};
    if (!tc.GetItemImage(hItem, image, selected) || image < 0 || !tc.GetItemRect(hItem, &rcText, TRUE)) return;
    if (!m_hCheckDC) {
        // The strip: every check image side by side, drawn once by the image
        // list, so that a blit shows what the control would have drawn.
        const CImageList& checks = CAppSettings::Get().CheckImageList;
        const int n = checks.GetSafeHandle() ? checks.GetImageCount() : 0;
        if (n <= 0) return;
        UniqueHBitmap strip(::CreateCompatibleBitmap(hdc, n * m_nCheckWidth, m_nCheckHeight));
        UniqueHDC dc(strip ? ::CreateCompatibleDC(hdc) : nullptr);
        if (!dc) return;
        ::SelectObject(dc.get(), strip.get());
        for (int i = 0; i < n; ++i) ::ImageList_Draw(checks, i, dc.get(), i * m_nCheckWidth, 0, ILD_NORMAL);
        m_CheckStrip = std::move(strip);
        m_hCheckDC = std::move(dc);
        m_nCheckImages = n;
    }
    if (image >= m_nCheckImages) return;
    const RECT rc = GetCheckImageRect(rcText);
    ::BitBlt(hdc, rc.left, rc.top, m_nCheckWidth, m_nCheckHeight, m_hCheckDC.get(), image * m_nCheckWidth, 0, SRCCOPY);
}

BOOL CTreeViewEx::OnEraseBkgnd(HDC) {
    if (!PaintBelowLastItem()) Default();
    return TRUE;
}

BOOL CTreeViewEx::PaintBelowLastItem() {
    if (m_ScrollInfo.nMax == 0 || !m_hWnd || !IsWindowEnabled()) return FALSE;
    if (m_ScrollInfo.nPos + static_cast<int>(m_ScrollInfo.nPage) < m_ScrollInfo.nMax) return TRUE;
    CTreeCtrl& tc = GetTreeCtrl();
    RECT rcClient;
    GetClientRect(&rcClient);
    RECT rcLast{};
    HTREEITEM hLast = tc.GetLastVisibleItem();
    if (hLast && tc.GetItemRect(hLast, &rcLast, FALSE)) rcClient.top = rcLast.bottom;
    else if (hLast) return TRUE;  // the last item is off the page: nothing below it to paint
    if (rcClient.top < rcClient.bottom) {
        CClientDC dc(this);
        dc.FillSolidRect(&rcClient, CAppSettings::Get().WindowColor);
    }
    return TRUE;
}

// --- check boxes --------------------------------------------------------------------------

namespace {

int ItemImage(const CTreeCtrl& tc, HTREEITEM h) {
    int image = 0, selected = 0;
    tc.GetItemImage(h, image, selected);
    return image;
}

// The checked bit of one view on a chain and all descendants.
void SetTreeChecks(CLogNode* pChain, int nView, BOOL bChecked) {
    for (CLogNode* p = pChain; p; p = p->m_pNext) {
        if (p->m_pEntry) p->NodeSetChecked(nView, bChecked);
        if (p->m_pChildren) SetTreeChecks(p->m_pChildren, nView, bChecked);
    }
}

}  // namespace

void CTreeViewEx::ToggleCheck(HTREEITEM hItem) {
    if (!hItem) return;
    CTreeCtrl& tc = GetTreeCtrl();
    const BOOL bChecked = ItemImage(tc, hItem) != 2;
    SetItemCheck(hItem, bChecked);
    SetChildChecks(hItem, bChecked);
    UpdateParentChecks(hItem, bChecked);
    if (CTreeDocEx* pDoc = GetDocument())
        UpdateCheckedRoots(pDoc->m_CheckedRoots, NodeOfItem(hItem), bChecked, m_nViewIndex);
    OnCheckChanged();
}

void CTreeViewEx::SetItemCheck(HTREEITEM hItem, BOOL bChecked) {
    if (!hItem) return;
    const int image = bChecked ? 2 : 1;
    GetTreeCtrl().SetItemImage(hItem, image, image);
    CLogNode* pNode = NodeOfItem(hItem);
    if (pNode && pNode->m_pEntry) pNode->NodeSetChecked(m_nViewIndex, bChecked);
}

void CTreeViewEx::SetChildChecks(HTREEITEM hItem, BOOL bChecked) {
    CTreeCtrl& tc = GetTreeCtrl();
    // The children of a wide call line that are not loaded take the check
    // by their nodes, as loaded ones do by their items.
    if (CLogNode* pNode = NodeOfItem(hItem); pNode && !tc.GetParentItem(hItem) && IsWideNode(pNode))
        SetTreeChecks(pNode->m_pChildren, m_nViewIndex, bChecked);
    for (HTREEITEM c = tc.GetChildItem(hItem); c; c = tc.GetNextSiblingItem(c)) {
        if ((ItemImage(tc, c) == 2) == (bChecked != FALSE)) continue;
        SetItemCheck(c, bChecked);
        SetChildChecks(c, bChecked);
    }
}

void CTreeViewEx::UpdateParentChecks(HTREEITEM hItem, BOOL bChecked) {
    CTreeCtrl& tc = GetTreeCtrl();
    for (HTREEITEM p = tc.GetParentItem(hItem); p; p = tc.GetParentItem(p)) {
        if (bChecked) {
            CLogNode* pNode = NodeOfItem(p);
            if (pNode && !tc.GetParentItem(p) && IsWideNode(pNode)) {
                // Its children are not all loaded: their nodes tell.
                for (CLogNode* c = pNode->m_pChildren; c; c = c->m_pNext)
                    if (c->m_pEntry && !c->NodeIsChecked(m_nViewIndex)) return;
            } else {
                for (HTREEITEM c = tc.GetChildItem(p); c; c = tc.GetNextSiblingItem(c))
                    if (ItemImage(tc, c) != 2) return;
            }
            SetItemCheck(p, TRUE);
        } else {
            if (ItemImage(tc, p) != 2) return;
            SetItemCheck(p, FALSE);
        }
    }
}

void CTreeViewEx::UncheckItems(HTREEITEM hFirst) {
    CTreeCtrl& tc = GetTreeCtrl();
    for (HTREEITEM h = hFirst; h; h = tc.GetNextSiblingItem(h)) {
        tc.SetItemImage(h, 1, 1);
        UncheckItems(tc.GetChildItem(h));
    }
}

// --- hit navigation ---------------------------------------------------------------------------

CLogNode* CTreeViewEx::SearchForward(CLogNode* pChain, CLogNode** ppPass, BOOL bMarkedOnly) const {
    for (CLogNode* x = pChain; x; x = x->m_pNext) {
        if (*ppPass) {
            if (x == *ppPass) *ppPass = nullptr;
        } else if (m_pFoundNodes && IsFoundNode(*m_pFoundNodes, x, bMarkedOnly)) {
            return x;
        }
        if (x->m_pChildren)
            if (CLogNode* r = SearchForward(x->m_pChildren, ppPass, bMarkedOnly)) return r;
    }
    return nullptr;
}

CLogNode* CTreeViewEx::SearchBackward(CLogNode* pChain, CLogNode** ppPass, BOOL bMarkedOnly) const {
    if (!pChain) return nullptr;
    CLogNode* x = pChain;
    while (x->m_pNext) x = x->m_pNext;
    for (;; x = x->m_pBack) {
        if (x->m_pChildren)
            if (CLogNode* r = SearchBackward(x->m_pChildren, ppPass, bMarkedOnly)) return r;
        if (*ppPass) {
            if (x == *ppPass) *ppPass = nullptr;
        } else if (m_pFoundNodes && IsFoundNode(*m_pFoundNodes, x, bMarkedOnly)) {
            return x;
        }
        if (x == pChain) break;
    }
    return nullptr;
}

void CTreeViewEx::FindNext(BOOL bMarkedOnly) { FindHit(TRUE, bMarkedOnly); }

void CTreeViewEx::FindPrevious(BOOL bMarkedOnly) { FindHit(FALSE, bMarkedOnly); }

void CTreeViewEx::FindHit(BOOL bForward, BOOL bMarkedOnly) {
    CTreeDocEx* pDoc = GetDocument();
    if (!pDoc || !m_pFoundNodes) return;
    CLogNode* R;
    CLogNode* pPass = nullptr;
    if (m_pCaretNode) {
        R = FindEntryRoot(m_pCaretNode);
        if (R && m_pFoundNodes->count(R)) pPass = m_pCaretNode;
    } else {
        R = pDoc->m_pFirstNode;
    }
    if (!R) return;
    CHideView hide(this);
    CLogNode* pHit = nullptr;
    CLogNode* pEnd = bForward ? pDoc->m_pLastNode : pDoc->m_pFirstNode;
    for (CLogNode* t = R; t; t = bForward ? t->m_pNext : t->m_pBack) {
        // The caret's own call line is passed before its members going
        // forward, after them going back.
        if (bForward && t == pPass) pPass = nullptr;
        if (m_pFoundNodes->count(t)) {
            pHit = bForward ? SearchForward(t->m_pChildren, &pPass, bMarkedOnly)
                            : SearchBackward(t->m_pChildren, &pPass, bMarkedOnly);
            if (pHit) break;
        }
        if (!bForward && t == pPass) pPass = nullptr;
        if (t == pEnd) break;
    }
    ShowNode(pHit ? pHit : m_pCaretNode, bForward);
}

void CTreeViewEx::MoveToLastHit() {
    CTreeDocEx* pDoc = GetDocument();
    if (!pDoc || !pDoc->m_pLastNode) return;
    CLogNode* pLast = pDoc->m_pLastNode;
    m_pCaretNode = pLast->m_pChildren ? NodeLastDescendant(pLast->m_pChildren) : pLast;
    FindPrevious(TRUE);
    FindNext(TRUE);
}

CLogNode* CTreeViewEx::ParentNode(CLogNode* pNode) {
    if (!pNode || IsTraceRoot(pNode)) return nullptr;
    CLogNode* pLeft = pNode;
    for (CLogNode* p = pNode->m_pBack; p; pLeft = p, p = p->m_pBack) {
        if (p->m_pChildren == pLeft) return p;
        if (IsTraceRoot(p)) return nullptr;  // a previous top-level node: pNode is top-level
    }
    return nullptr;
}

int CTreeViewEx::ExpandPathTo(CLogNode* pNode) {
    CLogNode* R = FindEntryRoot(pNode);
    const int before = IsExpandedIn(R, m_nViewIndex) ? NodeCountExpandedRows(R, m_nViewIndex) : 0;
    // The climb ends at the trace root: above it lie only earlier top-level nodes.
    for (CLogNode* p = ParentNode(pNode); p; p = ParentNode(p))
        if (p->m_pEntry) p->NodeSetExpanded(m_nViewIndex, TRUE);
    const int after = IsExpandedIn(R, m_nViewIndex) ? NodeCountExpandedRows(R, m_nViewIndex) : 0;
    return after - before;
}

HTREEITEM CTreeViewEx::ExpandItemsTo(HTREEITEM hRoot, CLogNode* pNode) {
    if (!hRoot || !pNode) return nullptr;
    CLogNode* pParent = ParentNode(pNode);
    if (!pParent) return hRoot;
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM hParent = ExpandItemsTo(hRoot, pParent);
    if (!hParent) return hRoot;
    tc.Expand(hParent, TVE_EXPAND);
    for (HTREEITEM c = tc.GetChildItem(hParent); c; c = tc.GetNextSiblingItem(c))
        if (NodeOfItem(c) == pNode) return c;
    return hRoot;
}

int CTreeViewEx::LocateNode(CLogNode* pFirstVisibleNode, CLogNode* pNode) const {
    if (pFirstVisibleNode == pNode) return 0x22;
    CLogNode* T = FindEntryRoot(pNode);
    CLogNode* F = FindEntryRoot(pFirstVisibleNode);
    if (T && T == F) return NodeFirstOf(F, pFirstVisibleNode, pNode) == pNode ? 0x12 : 0x22;
    CLogNode* pFirstLoaded = FirstRootNode();
    CLogNode* pLastLoaded = LastRootTraceNode();
    if (F) {
        for (CLogNode* p = pFirstLoaded; p; p = p->m_pNext) {
            if (p == T) return 0x12;
            if (p == F) break;
        }
        for (CLogNode* p = F; p; p = p->m_pNext) {
            if (p == T) return 0x22;
            if (p == pLastLoaded) break;
        }
    }
    CTreeDocEx* pDoc = GetDocument();
    CLogNode* pBefore = (pFirstLoaded && pDoc && pFirstLoaded != pDoc->m_pFirstNode) ? pFirstLoaded->m_pBack : nullptr;
    CLogNode* pAfter = (pLastLoaded && pDoc && pLastLoaded != pDoc->m_pLastNode) ? pLastLoaded->m_pNext : nullptr;
    if (!pFirstLoaded && pDoc) pAfter = pDoc->m_pFirstNode;  // nothing loaded: from the top
    BOOL bAbove = FALSE;
    if (WalkTopLevel(T, pBefore, pAfter, &bAbove) && bAbove) return 0x11;
    return 0x21;
}

void CTreeViewEx::ShowNode(CLogNode* pNode, BOOL bForward) {
    if (!pNode) return;
    CTreeCtrl& tc = GetTreeCtrl();
    CHideView hide(this);
    const int v = VisibleCount();
    HTREEITEM F = tc.GetFirstVisibleItem();
    CLogNode* FN = NodeOfItem(F);
    int code = LocateNode(FN, pNode);
    const int nInserted = ExpandPathTo(pNode);
    m_nTotalRows += nInserted;
    m_bBusy = 1;
    HTREEITEM hItem = nullptr;
    if (code & 2) {
        HTREEITEM r = FindRootItemOfNode((code & 0x10) ? tc.GetRootItem() : F, pNode);
        hItem = ExpandItemsTo(r, pNode);
        // A wide call line may not have the node's row loaded.
        if (NodeOfItem(hItem) != pNode) hItem = nullptr;
        if (hItem && F) {
            const int d = VisibleDistance(F, hItem);
            if (d >= 0 && d < v) code = 0;  // already on the page
        }
    }
    if (!hItem) {
        tc.DeleteAllItems();
        LoadRootItem(FindEntryRoot(pNode), pNode);
        hItem = FindVisibleItemOfNode(RootOfFirstVisible(), pNode);
    }
    if (hItem) {
        KeepPagesAbove(hItem, bForward ? 1 : 2);
        KeepPagesBelow(hItem, bForward ? 2 : 1);
        HTREEITEM hNewFirst = (code == 0) ? F : (code & 0x20) ? hItem : StepUp(hItem, v - 1);
        SetFirstVisible(hNewFirst);
        // The bounds around the node may have cut into those of the page itself.
        hNewFirst = tc.GetFirstVisibleItem();
        KeepPagesAbove(hNewFirst, 1);
        KeepPagesBelow(hNewFirst, 2);
        if (code != 0) {
            CLogNode* N = NodeOfItem(tc.GetFirstVisibleItem());
            if (!FN) {
                CTreeDocEx* pDoc = GetDocument();
                m_nFirstRow = (pDoc && N) ? RowsBetweenNodes(pDoc->m_pFirstNode, N) - 1 : 0;
            } else {
                // Rows that the expansion opened for a node above the page lie
                // above the old first row.
                m_nFirstRow += ((code & 0x20) ? 0 : nInserted) + SignedRows(FN, N);
            }
            ClampFirstRow();
        }
    }
    ClearBusy();
    tc.SelectItem(hItem);
    if (hItem) m_pCaretNode = NodeOfItem(hItem);
    UpdateScrollBar();
}
