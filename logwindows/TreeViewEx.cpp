// The paged tree view: the page of loaded items, the row arithmetic, the
// item labels, the external scroll bar and the control's notifications.
#include "logwindows/TreeViewEx.h"
#include "logwindows/VertScrollBar.h"
#include "server/core/Except.h"
#include "server/settings/AppSettings.h"
#include <windowsx.h>
#include <algorithm>
#include <climits>
#include <new>

IMPLEMENT_DYNAMIC(CTreeViewEx, CTreeView)

namespace {

BOOL IsCheckedIn(const CLogNode* p, int nView) { return p && p->m_pEntry && p->NodeIsChecked(nView); }

}  // namespace

CTreeViewEx::CTreeViewEx() : m_ScrollInfo{} {
    m_ScrollInfo.cbSize = sizeof(m_ScrollInfo);
    m_ScrollInfo.fMask = SIF_ALL;
}

CTreeViewEx::~CTreeViewEx() { m_ViewFont.DeleteObject(); }

CTreeDocEx* CTreeViewEx::GetDocument() const { return static_cast<CTreeDocEx*>(m_pDocument); }

BOOL CTreeViewEx::PreCreateWindow(CREATESTRUCT& cs) {
    // The frame's external scroll bar lies over the view's right edge: the
    // view must not paint over it.
    cs.style |= TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_CLIPSIBLINGS;
    return CTreeView::PreCreateWindow(cs);
}

void CTreeViewEx::OnInitialUpdate() {
    CTreeView::OnInitialUpdate();
    // The control keeps the room of the check images and draws none of them:
    // the view draws them (DrawCheckImage). Without that list the control
    // draws them itself.
    const CImageList& checks = CAppSettings::Get().CheckImageList;
    if (checks.GetSafeHandle()) ::ImageList_GetIconSize(checks, &m_nCheckWidth, &m_nCheckHeight);
    if (!m_CheckRoom) m_CheckRoom.reset(::ImageList_Create(m_nCheckWidth, m_nCheckHeight, ILC_COLOR24, 0, 1));
    GetTreeCtrl().SetImageList(m_CheckRoom ? m_CheckRoom.get() : checks.GetSafeHandle(), TVSIL_NORMAL);
}

// --- hiding during page moves -------------------------------------------------------

CTreeViewEx::CHideView::CHideView(CTreeViewEx* pView) : m_pView(pView) {
    if (m_pView->m_nHideDepth++ == 0 && m_pView->m_hWnd && (m_pView->GetStyle() & WS_VISIBLE)) {
        m_bShow = true;
        m_bFocus = ::GetFocus() == m_pView->m_hWnd;
        m_pView->ShowWindow(SW_HIDE);
    }
}

CTreeViewEx::CHideView::~CHideView() {
    --m_pView->m_nHideDepth;
    if (m_bShow && m_pView->m_hWnd) {
        m_pView->ShowWindow(SW_SHOWNA);
        if (m_bFocus) m_pView->SetFocus();
    }
}

// --- items -------------------------------------------------------------------------

CLogNode* CTreeViewEx::NodeOfItem(HTREEITEM hItem) const {
    return hItem ? reinterpret_cast<CLogNode*>(GetTreeCtrl().GetItemData(hItem)) : nullptr;
}

int CTreeViewEx::VisibleCount() const { return static_cast<int>(GetTreeCtrl().GetVisibleCount()); }

void CTreeViewEx::FormatItemText(const CLogNode* pNode, CBstr& strText) const {
    const CLogEntry* e = pNode ? pNode->m_pEntry : nullptr;
    if (!e) {
        strText.Empty();
        return;
    }
    switch (e->Kind()) {
    case LOGK_CALL: {
        // Whole milliseconds in integers: a float loses them beyond 16,384 s.
        const DWORD ms = static_cast<DWORD>(e->m_key);
        strText.Format(L"%u.%03u   Client = %i   %s", ms / 1000, ms % 1000, e->ClientId(),
                       static_cast<LPCOLESTR>(e->m_name));
        break;
    }
    case LOGK_OBJECT:
        strText.Format(L"(%s) (%s) %s", static_cast<LPCOLESTR>(e->m_type), static_cast<LPCOLESTR>(e->m_value),
                       static_cast<LPCOLESTR>(e->m_name));
        break;
    case LOGK_ARRAY:
        strText.Format(L"(%s) %s", static_cast<LPCOLESTR>(e->m_type), static_cast<LPCOLESTR>(e->m_name));
        break;
    case LOGK_ITEMS:
        strText.Format(L"%s", static_cast<LPCOLESTR>(e->m_name));
        break;
    default:
        strText.Format(L"(%s) %s = %s", static_cast<LPCOLESTR>(e->m_type), static_cast<LPCOLESTR>(e->m_name),
                       static_cast<LPCOLESTR>(e->m_value));
        break;
    }
}

HTREEITEM CTreeViewEx::InsertNodeItem(HTREEITEM hParent, CLogNode* pNode, HTREEITEM hInsertAfter) {
    if (!pNode) return nullptr;
    CBstr text;
    FormatItemText(pNode, text);
    const int image = IsCheckedIn(pNode, m_nViewIndex) ? 2 : 1;
    HTREEITEM h = GetTreeCtrl().InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM, text, image, image,
                                           0, 0, reinterpret_cast<LPARAM>(pNode), hParent, hInsertAfter);
    if (!h) throw CExcept(ZV_ERR_INSERT_TREEITEM);
    return h;
}

namespace {

void InsertChildren(CTreeViewEx* pView, HTREEITEM hItem, CLogNode* pNode) {
    for (CLogNode* c = pNode->m_pChildren; c; c = c->m_pNext) pView->InsertNodeItem(hItem, c, TVI_LAST);
}

}  // namespace

void CTreeViewEx::ExpandNewRoot(HTREEITEM hItem, CLogNode* pNode, HTREEITEM hFirst) {
    CTreeCtrl& tc = GetTreeCtrl();
    tc.Expand(hItem, IsExpandedIn(pNode, m_nViewIndex) ? TVE_EXPAND : TVE_COLLAPSE);
    // Wine's control scrolls to show the children of an item it expands: the
    // page stays where it was.
    if (hFirst && tc.GetFirstVisibleItem() != hFirst) SetFirstVisible(hFirst);
}

HTREEITEM CTreeViewEx::InsertRootItem(CLogNode* pNode, HTREEITEM hInsertAfter, CLogNode* pAround) {
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM hFirst = tc.GetFirstVisibleItem();
    HTREEITEM h = InsertNodeItem(TVI_ROOT, pNode, hInsertAfter);
    if (IsWideNode(pNode)) InsertChildRun(h, pNode, TopChildNode(pNode, pAround));
    else InsertChildren(this, h, pNode);
    // Its expansion loads below the run it has, not from its first child.
    CScopedCount loading(m_nLoadingRoot);
    ExpandNewRoot(h, pNode, hFirst);
    return h;
}

void CTreeViewEx::LoadRootItem(CLogNode* pNode, CLogNode* pAround) {
    if (!pNode) return;
    InsertRootItem(pNode, TVI_LAST, pAround);
}

BOOL CTreeViewEx::InsertPreviousRoot(HTREEITEM hItem) {
    CTreeDocEx* pDoc = GetDocument();
    CLogNode* pNode = NodeOfItem(RootItemOf(hItem));
    if (!pNode || !pDoc || pNode == pDoc->m_pFirstNode) return FALSE;
    CLogNode* pPrev = pNode->m_pBack;
    if (!pPrev) return FALSE;
    // Above the run, a wide call line shows its last children.
    InsertRootItem(pPrev, TVI_FIRST, IsWideNode(pPrev) ? LastChildNode(pPrev) : nullptr);
    return TRUE;
}

BOOL CTreeViewEx::InsertNextRoot(HTREEITEM hItem) {
    CTreeDocEx* pDoc = GetDocument();
    CLogNode* pNode = NodeOfItem(RootItemOf(hItem));
    // The chain ends at the document's last node: what the main thread links
    // behind it is not the window's yet.
    if (!pNode || !pDoc || pNode == pDoc->m_pLastNode) return FALSE;
    CLogNode* pNext = pNode->m_pNext;
    if (!pNext) return FALSE;
    InsertRootItem(pNext, TVI_LAST, nullptr);
    return TRUE;
}

void CTreeViewEx::KeepPagesAbove(HTREEITEM hItem, int nPages) {
    if (!hItem) return;
    CTreeCtrl& tc = GetTreeCtrl();
    int k = VisibleCount() * nPages + 1;
    HTREEITEM h = hItem;
    while (k > 0) {
        if (HTREEITEM p = PrevRowItem(h)) {
            h = p;
            --k;
        } else if (!LoadRowAbove(h)) {
            break;
        }
    }
    HTREEITEM hRoot = RootItemOf(h);
    while (HTREEITEM p = tc.GetPrevSiblingItem(hRoot)) tc.DeleteItem(p);
    // Inside a wide call line the bound cuts its children too.
    if (HTREEITEM t = TopChildOf(h); t && IsWideNode(NodeOfItem(hRoot)))
        while (HTREEITEM p = tc.GetPrevSiblingItem(t)) tc.DeleteItem(p);
}

void CTreeViewEx::KeepPagesBelow(HTREEITEM hItem, int nPages) {
    if (!hItem) return;
    CTreeCtrl& tc = GetTreeCtrl();
    int k = VisibleCount() * nPages + 1;
    HTREEITEM h = hItem;
    while (k > 0) {
        if (HTREEITEM n = NextRowItem(h)) {
            h = n;
            --k;
        } else if (!LoadRowBelow(h)) {
            break;
        }
    }
    HTREEITEM hRoot = RootItemOf(h);
    while (HTREEITEM n = tc.GetNextSiblingItem(hRoot)) tc.DeleteItem(n);
    if (HTREEITEM t = TopChildOf(h); t && IsWideNode(NodeOfItem(hRoot)))
        while (HTREEITEM n = tc.GetNextSiblingItem(t)) tc.DeleteItem(n);
}

BOOL CTreeViewEx::LoadGrandchildren(HTREEITEM hChild) {
    CTreeCtrl& tc = GetTreeCtrl();
    CLogNode* pChild = NodeOfItem(hChild);
    if (!pChild || tc.GetChildItem(hChild)) return FALSE;
    if (!pChild->m_pChildren) return pChild->m_pEntry && pChild->m_pEntry->CanLoadMembers();
    InsertChildren(this, hChild, pChild);
    int image = 0, selected = 0;
    tc.GetItemImage(hChild, image, selected);
    if (image == 2) SetChildChecks(hChild, TRUE);
    return FALSE;
}

CLogNode* CTreeViewEx::LoadChildItems(HTREEITEM hItem) {
    CTreeCtrl& tc = GetTreeCtrl();
    CLogNode* pResult = nullptr;
    CLogNode* pNode = NodeOfItem(hItem);
    if (!pNode) return nullptr;
    // The user opens a wide call line whose run of children begins later
    // (the page was inside it before it was closed): from its first child.
    // (Members loaded for an open one change nothing of its run.)
    if (!m_nLoadingRoot && !tc.GetParentItem(hItem) && !(tc.GetItemState(hItem, TVIS_EXPANDED) & TVIS_EXPANDED) &&
        HasTopGap(hItem))
        RestartChildRun(hItem);
    for (HTREEITEM c = tc.GetChildItem(hItem); c; c = tc.GetNextSiblingItem(c)) {
        CLogNode* pChild = NodeOfItem(c);
        if (!pChild) continue;
        if (LoadGrandchildren(c)) pResult = pNode;
        tc.Expand(c, IsExpandedIn(pChild, m_nViewIndex) ? TVE_EXPAND : TVE_COLLAPSE);
    }
    CTreeDocEx* pDoc = GetDocument();
    if (pResult && (!pDoc || FindEntryRoot(pResult) != pDoc->m_pLastNode)) pResult = nullptr;
    return pResult;
}

HTREEITEM CTreeViewEx::RootItemOf(HTREEITEM hItem) const {
    if (!hItem) return nullptr;
    CTreeCtrl& tc = GetTreeCtrl();
    while (HTREEITEM p = tc.GetParentItem(hItem)) hItem = p;
    return hItem;
}

HTREEITEM CTreeViewEx::RootOfFirstVisible() const { return RootItemOf(GetTreeCtrl().GetFirstVisibleItem()); }

HTREEITEM CTreeViewEx::StepDown(HTREEITEM hItem, int n) const {
    for (int i = 0; hItem && i < n; ++i) {
        HTREEITEM next = NextRowItem(hItem);
        if (!next) break;
        hItem = next;
    }
    return hItem;
}

HTREEITEM CTreeViewEx::StepUp(HTREEITEM hItem, int n) const {
    for (int i = 0; hItem && i < n; ++i) {
        HTREEITEM prev = PrevRowItem(hItem);
        if (!prev) break;
        hItem = prev;
    }
    return hItem;
}

CLogNode* CTreeViewEx::FirstRootNode() const { return NodeOfItem(GetTreeCtrl().GetRootItem()); }

CLogNode* CTreeViewEx::LastRootTraceNode() const {
    return FindEntryRoot(NodeOfItem(RootItemOf(GetTreeCtrl().GetLastVisibleItem())));
}

HTREEITEM CTreeViewEx::FindRootItemOfNode(HTREEITEM hStart, CLogNode* pNode) const {
    // Call-line keys are each client's own elapsed time and do not rise along
    // the log, so no key decides here: the walk goes over the root items,
    // which are never more than the few pages around the visible one.
    CLogNode* pRoot = FindEntryRoot(pNode);
    if (!pRoot) return nullptr;
    CTreeCtrl& tc = GetTreeCtrl();
    for (HTREEITEM h = RootItemOf(hStart); h; h = tc.GetNextSiblingItem(h))
        if (NodeOfItem(h) == pRoot) return h;
    return nullptr;
}

HTREEITEM CTreeViewEx::FindVisibleItemOfNode(HTREEITEM hStart, CLogNode* pNode) const {
    HTREEITEM hRoot = FindRootItemOfNode(hStart, pNode);
    if (!hRoot) return nullptr;
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM hEnd = tc.GetNextSiblingItem(hRoot);
    for (HTREEITEM h = hRoot; h && h != hEnd; h = tc.GetNextVisibleItem(h))
        if (NodeOfItem(h) == pNode) return h;
    return nullptr;
}

HTREEITEM CTreeViewEx::FindItemOfNode(CLogNode* pNode) const {
    if (!pNode) return nullptr;
    const_cast<CTreeViewEx*>(this)->LoadWaitingCalls();
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM hSel = tc.GetSelectedItem();
    if (hSel && NodeOfItem(hSel) == pNode) return hSel;
    return FindVisibleItemOfNode(tc.GetRootItem(), pNode);
}

int CTreeViewEx::CountVisibleItems(HTREEITEM hFrom, HTREEITEM hTo) const {
    if (!hFrom) return 0;
    if (hFrom == hTo) return 1;
    int n = 1;
    for (HTREEITEM h = NextRowItem(hFrom); h; h = NextRowItem(h)) {
        ++n;
        if (h == hTo) return n;
    }
    return n + 1;
}

int CTreeViewEx::CountSiblings(HTREEITEM hItem) const {
    CTreeCtrl& tc = GetTreeCtrl();
    int n = 0;
    for (HTREEITEM h = hItem; h; h = tc.GetNextSiblingItem(h)) ++n;
    return n;
}

int CTreeViewEx::RowsBetweenNodes(CLogNode* pA, CLogNode* pB) const {
    if (!pA || !pB) return 0;
    CLogNode* pFrom = pA;
    CLogNode* pTo = pB;
    return NodeRowsBetween(FindEntryRoot(pA), pFrom, pTo, m_nViewIndex);
}

int CTreeViewEx::CountRows(CLogNode* pNode) const {
    if (!pNode) pNode = FirstRootNode();
    CTreeDocEx* pDoc = GetDocument();
    int n = 0;
    for (CLogNode* p = pNode; p; p = p->m_pNext) {
        n += TopLevelRows(p);
        if (pDoc && p == pDoc->m_pLastNode) break;
    }
    return n;
}

int CTreeViewEx::TopLevelRows(const CLogNode* pNode) const {
    return 1 + (IsExpandedIn(pNode, m_nViewIndex) ? NodeCountExpandedRows(pNode, m_nViewIndex) : 0);
}

void CTreeViewEx::RepositionPage(HTREEITEM hNew, HTREEITEM hOld, BOOL) {
    if (!hNew) return;
    CTreeCtrl& tc = GetTreeCtrl();
    // The rows passed are counted while both items are still loaded: the
    // page bounds below may delete the old first item.
    int d = VisibleDistance(hOld, hNew);
    if (d == INT_MIN) d = 0;
    KeepPagesAbove(hNew, 1);
    KeepPagesBelow(hNew, 2);
    SetFirstVisible(hNew);
    // Near the end the control may stop short of the new item.
    HTREEITEM f = tc.GetFirstVisibleItem();
    if (f != hNew) {
        const int d2 = VisibleDistance(hNew, f);
        if (d2 != INT_MIN) d += d2;
        // It starts higher up: a page above it again.
        KeepPagesAbove(f, 1);
    }
    m_nFirstRow += d;
    ClampFirstRow();
    m_bRepositioned = true;
}

void CTreeViewEx::UpdateScrollBar() {
    m_ScrollInfo.cbSize = sizeof(m_ScrollInfo);
    m_ScrollInfo.fMask = SIF_ALL;
    m_ScrollInfo.nMin = 0;
    m_ScrollInfo.nPage = static_cast<UINT>(VisibleCount());
    m_ScrollInfo.nMax = m_nTotalRows > 0 ? m_nTotalRows - 1 : 0;
    m_ScrollInfo.nPos = m_nFirstRow;
    // A disabled view has its bar disabled, which shows no thumb; the figures
    // go to it when the view is enabled again. (Wine's bar takes new figures
    // as an order to enable itself: pushed while the calls come, the bar
    // would be usable, and disabled again with the next call.)
    m_bBarFiguresWaiting = m_pScrollBar && m_hWnd && !IsWindowEnabled();
    if (m_pScrollBar && !m_bBarFiguresWaiting) {
        SCROLLINFO si = m_ScrollInfo;
        m_pScrollBar->m_wndScrollBar.SetScrollInfo(&si, TRUE);
    }
    PaintBelowLastItem();
}

void CTreeViewEx::ResetTree() {
    GetTreeCtrl().DeleteAllItems();
    m_nFirstRow = 0;
    m_nTotalRows = 0;
    m_bBusy = 0;
    m_pCaretNode = nullptr;
    m_pFoundNodes = nullptr;
}

void CTreeViewEx::SetTreeFont(const LOGFONTW* pLogFont) {
    // The control lets go of the old font before it is deleted.
    CFont old;
    old.Attach(m_ViewFont.Detach());
    if (pLogFont) m_ViewFont.CreateFontIndirect(pLogFont);
    SetFont(m_ViewFont.GetSafeHandle(), TRUE);
}

// --- notifications and messages ------------------------------------------------------

void CTreeViewEx::OnItemExpanded(const NMTREEVIEWW* pNotify) {
    CLogNode* pNode = NodeOfItem(pNotify->itemNew.hItem);
    if (!pNode || !pNode->m_pEntry) return;
    if (pNotify->action & TVE_EXPAND) pNode->NodeSetExpanded(m_nViewIndex, TRUE);
    else if (pNotify->action & TVE_COLLAPSE) pNode->NodeSetExpanded(m_nViewIndex, FALSE);
}

void CTreeViewEx::OnSelChanged(const NMTREEVIEWW* pNotify) {
    CTreeCtrl& tc = GetTreeCtrl();
    if (pNotify->itemOld.hItem) tc.SetItemState(pNotify->itemOld.hItem, 0, TVIS_BOLD);
    if (pNotify->itemNew.hItem) tc.SetItemState(pNotify->itemNew.hItem, TVIS_BOLD, TVIS_BOLD);
}

void CTreeViewEx::OnSetFocus() {
    CTreeCtrl& tc = GetTreeCtrl();
    HTREEITEM hSel = tc.GetSelectedItem();
    if (hSel && NodeOfItem(hSel) != m_pCaretNode) tc.SelectItem(nullptr);
}

void CTreeViewEx::HideOwnScrollBar() {
    // The control shows its bar by setting the style, and not every such
    // change brings a frame calculation that takes the style away (Wine's
    // control, while it does not draw or as it paints): the bar would stay
    // beside the external one. The frame is calculated again now.
    if (m_nHideDepth > 0 || m_bRedrawOff) return;
    if (!m_hWnd || !(::GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_VSCROLL)) return;
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

LRESULT CTreeViewEx::OnNcCalcSize(BOOL bCalcValidRects, NCCALCSIZE_PARAMS* pParams) {
    // The control's own bar stays hidden: the frame's external bar stands for the document.
    // The control does not hear of it: it would answer the style change with
    // its scroll figures, which show the bar again, and so on.
    const LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    if (style & WS_VSCROLL) {
        m_bTakingOwnBar = true;
        ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, style & ~WS_VSCROLL);
        m_bTakingOwnBar = false;
    }
    if (bCalcValidRects && pParams) pParams->rgrc[0].right -= 16;
    return Default();
}

BOOL CTreeViewEx::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message != WM_NOTIFY) return CTreeView::OnChildNotify(message, wParam, lParam, pResult);
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    switch (hdr->code) {
    case NM_CUSTOMDRAW:
        *pResult = OnCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW*>(lParam));
        return TRUE;
    case TVN_ITEMEXPANDEDW:
        OnItemExpanded(reinterpret_cast<NMTREEVIEWW*>(lParam));
        *pResult = 0;
        return TRUE;
    case TVN_SELCHANGEDW:
        OnSelChanged(reinterpret_cast<NMTREEVIEWW*>(lParam));
        *pResult = 0;
        return TRUE;
    case NM_SETFOCUS:
        OnSetFocus();
        *pResult = 0;
        return TRUE;
    }
    return CTreeView::OnChildNotify(message, wParam, lParam, pResult);
}

LRESULT CTreeViewEx::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case 0x2100:        return 0;  // swallowed: never reaches the control
    case WM_NCCALCSIZE: return OnNcCalcSize(static_cast<BOOL>(wParam), reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam));
    case WM_NCDESTROY:  return CTreeView::WindowProc(message, wParam, lParam);
    case WM_SETREDRAW:  m_bRedrawOff = wParam == FALSE; break;
    case WM_STYLECHANGING:
    case WM_STYLECHANGED:
        if (m_bTakingOwnBar) return 0;
        break;
    }
    CScopedCount depth(m_nMessageDepth);
    const LRESULT r = DispatchViewMessage(message, wParam, lParam);
    if (message == WM_ENABLE && wParam && m_bBarFiguresWaiting) UpdateScrollBar();
    // Whatever the control did meanwhile, its own bar does not stay: looked
    // at when the outermost message ends (the frame calculation's own
    // messages, and the control's requests to itself, come inside it).
    if (m_nMessageDepth == 1) HideOwnScrollBar();
    return r;
}

bool CTreeViewEx::DispatchGuardedInput(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    switch (message) {
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: case WM_CHAR: case WM_KEYDOWN: case WM_SIZE: case WM_MOUSEWHEEL:
        break;
    default:
        return false;
    }
    r = 0;  // stays 0 when the handler fails
    Guarded([&] { r = CTreeViewEx::WindowProc(message, wParam, lParam); });
    return true;
}

LRESULT CTreeViewEx::DispatchViewMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_ERASEBKGND:    return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_KEYDOWN:       OnKeyDown(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_SYSKEYDOWN:
        if (OnSysKeyDown(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam))) return 0;
        break;
    case WM_CHAR:          OnChar(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_MOUSEWHEEL: {
        POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        return OnMouseWheel(GET_KEYSTATE_WPARAM(wParam), GET_WHEEL_DELTA_WPARAM(wParam), screen);
    }
    case WM_LBUTTONDOWN:   OnLButtonDown(static_cast<UINT>(wParam), pt); return 0;
    case WM_LBUTTONDBLCLK: OnLButtonDblClk(static_cast<UINT>(wParam), pt); return 0;
    case WM_RBUTTONDOWN:   OnRButtonDown(static_cast<UINT>(wParam), pt); return 0;
    case WM_SIZE:          OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;
    }
    return CTreeView::WindowProc(message, wParam, lParam);
}
