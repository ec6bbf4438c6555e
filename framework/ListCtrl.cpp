// The multi-step helpers of the list-view wrapper.
#include "framework/ListCtrl.h"

IMPLEMENT_DYNAMIC(CListCtrl, CWnd)

BOOL CListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    return CWnd::Create(WC_LISTVIEWW, nullptr, dwStyle, rect, pParentWnd, nID);
}

int CListCtrl::InsertColumn(int nCol, LPCWSTR lpszHeading, int nFormat, int nWidth) {
    if (!IsWindow()) return -1;
    LVCOLUMNW col{};
    col.mask = LVCF_FMT | LVCF_TEXT | LVCF_SUBITEM;
    col.fmt = nFormat;
    col.pszText = const_cast<LPWSTR>(lpszHeading ? lpszHeading : L"");
    col.iSubItem = nCol;
    if (nWidth >= 0) {
        col.mask |= LVCF_WIDTH;
        col.cx = nWidth;
    }
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNW, nCol, reinterpret_cast<LPARAM>(&col)));
}

int CListCtrl::InsertItem(int nItem, LPCWSTR lpszItem) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = nItem;
    item.pszText = const_cast<LPWSTR>(lpszItem ? lpszItem : L"");
    return InsertItem(&item);
}

int CListCtrl::InsertItem(int nItem, LPCWSTR lpszItem, LPARAM lParam) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = nItem;
    item.pszText = const_cast<LPWSTR>(lpszItem ? lpszItem : L"");
    item.lParam = lParam;
    return InsertItem(&item);
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, LPCWSTR lpszText) {
    if (!IsWindow()) return FALSE;
    LVITEMW item{};
    item.iSubItem = nSubItem;
    item.pszText = const_cast<LPWSTR>(lpszText ? lpszText : L"");
    return SendMessage(LVM_SETITEMTEXTW, nItem, reinterpret_cast<LPARAM>(&item)) != 0;
}

std::wstring CListCtrl::GetItemText(int nItem, int nSubItem) const {
    if (!IsWindow()) return {};
    // The control copies at most the buffer and says how much it copied;
    // a full buffer may mean a longer text, so grow until it fits.
    std::wstring text;
    for (int size = 256; size <= (1 << 20); size *= 4) {
        text.assign(static_cast<size_t>(size), L'\0');
        LVITEMW item{};
        item.iSubItem = nSubItem;
        item.pszText = text.data();
        item.cchTextMax = size;
        const int n = static_cast<int>(SendMessage(LVM_GETITEMTEXTW, nItem, reinterpret_cast<LPARAM>(&item)));
        if (n < size - 1) {
            text.resize(static_cast<size_t>(n < 0 ? 0 : n));
            return text;
        }
    }
    text.resize(wcslen(text.c_str()));
    return text;
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const {
    if (!IsWindow()) return 0;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    if (!SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return 0;
    return static_cast<DWORD_PTR>(item.lParam);
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR dwData) {
    if (!IsWindow()) return FALSE;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    item.lParam = static_cast<LPARAM>(dwData);
    return SendMessage(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
    if (!IsWindow()) return FALSE;
    LVITEMW item{};
    item.state = nState;
    item.stateMask = nMask;
    return SendMessage(LVM_SETITEMSTATE, nItem, reinterpret_cast<LPARAM>(&item)) != 0;
}

BOOL CListCtrl::GetItemRect(int nItem, RECT* lpRect, UINT nCode) const {
    if (!IsWindow() || !lpRect) return FALSE;
    lpRect->left = static_cast<LONG>(nCode);
    return SendMessage(LVM_GETITEMRECT, nItem, reinterpret_cast<LPARAM>(lpRect)) != 0;
}
