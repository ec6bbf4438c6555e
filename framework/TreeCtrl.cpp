// The tree-control wrapper and the tree view.
#include "framework/TreeCtrl.h"
#include "framework/TreeView.h"

IMPLEMENT_DYNAMIC(CTreeCtrl, CWnd)

BOOL CTreeCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    return CWnd::Create(WC_TREEVIEWW, nullptr, dwStyle, rect, pParentWnd, nID);
}

HTREEITEM CTreeCtrl::InsertItem(UINT nMask, LPCWSTR lpszItem, int nImage, int nSelectedImage, UINT nState,
                                UINT nStateMask, LPARAM lParam, HTREEITEM hParent, HTREEITEM hInsertAfter) {
    TVINSERTSTRUCTW tvis{};
    tvis.hParent = hParent;
    tvis.hInsertAfter = hInsertAfter;
    tvis.item.mask = nMask;
    tvis.item.pszText = const_cast<LPWSTR>(lpszItem);
    tvis.item.iImage = nImage;
    tvis.item.iSelectedImage = nSelectedImage;
    tvis.item.state = nState;
    tvis.item.stateMask = nStateMask;
    tvis.item.lParam = lParam;
    return InsertItem(&tvis);
}

HTREEITEM CTreeCtrl::InsertItem(LPCWSTR lpszItem, HTREEITEM hParent, HTREEITEM hInsertAfter) {
    return InsertItem(TVIF_TEXT, lpszItem, 0, 0, 0, 0, 0, hParent, hInsertAfter);
}

std::wstring CTreeCtrl::GetItemText(HTREEITEM hItem) const {
    wchar_t buf[1024] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = hItem;
    item.pszText = buf;
    item.cchTextMax = static_cast<int>(std::size(buf));
    return GetItem(&item) ? std::wstring(item.pszText ? item.pszText : L"") : std::wstring();
}

BOOL CTreeCtrl::SetItemText(HTREEITEM hItem, LPCWSTR lpszItem) {
    TVITEMW item{};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = hItem;
    item.pszText = const_cast<LPWSTR>(lpszItem);
    return SetItem(&item);
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM hItem) const {
    TVITEMW item{};
    item.mask = TVIF_PARAM | TVIF_HANDLE;
    item.hItem = hItem;
    return (hItem && GetItem(&item)) ? static_cast<DWORD_PTR>(item.lParam) : 0;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM hItem, DWORD_PTR dwData) {
    TVITEMW item{};
    item.mask = TVIF_PARAM | TVIF_HANDLE;
    item.hItem = hItem;
    item.lParam = static_cast<LPARAM>(dwData);
    return SetItem(&item);
}

BOOL CTreeCtrl::GetItemImage(HTREEITEM hItem, int& nImage, int& nSelectedImage) const {
    TVITEMW item{};
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
    item.hItem = hItem;
    BOOL ok = hItem && GetItem(&item);
    nImage = ok ? item.iImage : 0;
    nSelectedImage = ok ? item.iSelectedImage : 0;
    return ok;
}

BOOL CTreeCtrl::SetItemImage(HTREEITEM hItem, int nImage, int nSelectedImage) {
    TVITEMW item{};
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
    item.hItem = hItem;
    item.iImage = nImage;
    item.iSelectedImage = nSelectedImage;
    return SetItem(&item);
}

BOOL CTreeCtrl::SetItemState(HTREEITEM hItem, UINT nState, UINT nStateMask) {
    TVITEMW item{};
    item.mask = TVIF_STATE | TVIF_HANDLE;
    item.hItem = hItem;
    item.state = nState;
    item.stateMask = nStateMask;
    return SetItem(&item);
}

BOOL CTreeCtrl::ItemHasChildren(HTREEITEM hItem) const {
    TVITEMW item{};
    item.mask = TVIF_CHILDREN | TVIF_HANDLE;
    item.hItem = hItem;
    return hItem && GetItem(&item) && item.cChildren != 0;
}

BOOL CTreeCtrl::GetItemRect(HTREEITEM hItem, RECT* lpRect, BOOL bTextOnly) const {
    if (!IsWindow() || !lpRect || !hItem) return FALSE;
    *reinterpret_cast<HTREEITEM*>(lpRect) = hItem;  // the message takes the item in the rectangle
    return SendMessage(TVM_GETITEMRECT, bTextOnly, reinterpret_cast<LPARAM>(lpRect)) != 0;
}

BOOL CTreeCtrl::GetItemPartRect(HTREEITEM hItem, TVITEMPART nPart, RECT* lpRect) const {
    if (!IsWindow() || !lpRect || !hItem) return FALSE;
    TVGETITEMPARTRECTINFO info{hItem, lpRect, nPart};
    return SendMessage(TVM_GETITEMPARTRECT, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

HTREEITEM CTreeCtrl::HitTest(POINT pt, UINT* pFlags) const {
    TVHITTESTINFO hti{};
    hti.pt = pt;
    HTREEITEM h = HitTest(&hti);
    if (pFlags) *pFlags = hti.flags;
    return h;
}

// --- CTreeView ------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CTreeView, CView)

CTreeCtrl& CTreeView::GetTreeCtrl() const {
    if (m_treeCtrl.m_hWnd != m_hWnd) {
        m_treeCtrl.Detach();
        if (m_hWnd) m_treeCtrl.Attach(m_hWnd);
    }
    return m_treeCtrl;
}

BOOL CTreeView::PreCreateWindow(CREATESTRUCT& cs) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    cs.lpszClass = WC_TREEVIEWW;
    return CView::PreCreateWindow(cs);
}

LRESULT CTreeView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The control paints itself: no OnDraw.
    if (message == WM_PAINT) return CWnd::WindowProc(message, wParam, lParam);
    return CView::WindowProc(message, wParam, lParam);
}
