// The list-view control ("SysListView32"), thin as the other control
// wrappers: each method checks the window, sends one message and returns the
// answer. Bound with SubclassDlgItem (to see its own messages and reflected
// notifications) or made with Create.
#pragma once
#include "framework/Wnd.h"
#include <commctrl.h>
#include <string>

class CListCtrl : public CWnd {
    DECLARE_DYNAMIC(CListCtrl)
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // --- columns ----------------------------------------------------------
    int InsertColumn(int nCol, LPCWSTR lpszHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1);
    BOOL DeleteColumn(int nCol) { return IsWindow() && SendMessage(LVM_DELETECOLUMN, nCol) != 0; }
    int GetColumnWidth(int nCol) const { return IsWindow() ? static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, nCol)) : 0; }
    // cx is taken as the control takes it: LVSCW_AUTOSIZE (-1) and
    // LVSCW_AUTOSIZE_USEHEADER (-2) size the column to its contents.
    BOOL SetColumnWidth(int nCol, int cx) { return IsWindow() && SendMessage(LVM_SETCOLUMNWIDTH, nCol, MAKELPARAM(cx, 0)) != 0; }
    HWND GetHeaderCtrl() const { return IsWindow() ? reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER)) : nullptr; }

    // --- items ------------------------------------------------------------
    int GetItemCount() const { return IsWindow() ? static_cast<int>(SendMessage(LVM_GETITEMCOUNT)) : 0; }
    // Index of the new item, or -1.
    int InsertItem(const LVITEMW* pItem) { return IsWindow() ? static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(pItem))) : -1; }
    int InsertItem(int nItem, LPCWSTR lpszItem);
    int InsertItem(int nItem, LPCWSTR lpszItem, LPARAM lParam);
    BOOL DeleteItem(int nItem) { return IsWindow() && SendMessage(LVM_DELETEITEM, nItem) != 0; }
    BOOL DeleteAllItems() { return IsWindow() && SendMessage(LVM_DELETEALLITEMS) != 0; }
    BOOL SetItemText(int nItem, int nSubItem, LPCWSTR lpszText);
    std::wstring GetItemText(int nItem, int nSubItem) const;
    DWORD_PTR GetItemData(int nItem) const;
    BOOL SetItemData(int nItem, DWORD_PTR dwData);
    UINT GetItemState(int nItem, UINT nMask) const { return IsWindow() ? static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, nItem, nMask)) : 0; }
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);
    // LVIR_BOUNDS, LVIR_ICON, LVIR_LABEL or LVIR_SELECTBOUNDS in nCode.
    BOOL GetItemRect(int nItem, RECT* lpRect, UINT nCode) const;
    // The next item after nItem (-1: from the start) with the LVNI_ flags, or -1.
    int GetNextItem(int nItem, int nFlags) const { return IsWindow() ? static_cast<int>(SendMessage(LVM_GETNEXTITEM, nItem, MAKELPARAM(nFlags, 0))) : -1; }
    UINT GetSelectedCount() const { return IsWindow() ? static_cast<UINT>(SendMessage(LVM_GETSELECTEDCOUNT)) : 0; }
    int GetTopIndex() const { return IsWindow() ? static_cast<int>(SendMessage(LVM_GETTOPINDEX)) : 0; }
    int GetCountPerPage() const { return IsWindow() ? static_cast<int>(SendMessage(LVM_GETCOUNTPERPAGE)) : 0; }
    BOOL EnsureVisible(int nItem, BOOL bPartialOK) { return IsWindow() && SendMessage(LVM_ENSUREVISIBLE, nItem, bPartialOK) != 0; }
    int HitTest(LVHITTESTINFO* pInfo) const { return IsWindow() ? static_cast<int>(SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(pInfo))) : -1; }

    // --- look ---------------------------------------------------------------
    DWORD GetExtendedStyle() const { return IsWindow() ? static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)) : 0; }
    DWORD SetExtendedStyle(DWORD dwNewStyle) { return IsWindow() ? static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, dwNewStyle)) : 0; }
    // Width of a text in the control's font, or 0.
    int GetStringWidth(LPCWSTR lpsz) const { return IsWindow() ? static_cast<int>(SendMessage(LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(lpsz))) : 0; }
    COLORREF GetBkColor() const { return IsWindow() ? static_cast<COLORREF>(SendMessage(LVM_GETBKCOLOR)) : 0; }
    BOOL SetBkColor(COLORREF cr) { return IsWindow() && SendMessage(LVM_SETBKCOLOR, 0, cr) != 0; }
    BOOL SetTextBkColor(COLORREF cr) { return IsWindow() && SendMessage(LVM_SETTEXTBKCOLOR, 0, cr) != 0; }
};
