// The common tree control: a thin wrapper (each method checks that the
// window exists, sends one message and returns the answer; nothing is cached,
// so a caller always sees what the control itself holds).
#pragma once
#include "framework/Wnd.h"
#include <commctrl.h>
#include <iterator>
#include <string>

class CTreeCtrl : public CWnd {
    DECLARE_DYNAMIC(CTreeCtrl)
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // --- items -----------------------------------------------------------------
    HTREEITEM InsertItem(LPTVINSERTSTRUCTW lpInsertStruct) { return IsWindow() ? reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(lpInsertStruct))) : nullptr; }
    HTREEITEM InsertItem(UINT nMask, LPCWSTR lpszItem, int nImage, int nSelectedImage, UINT nState, UINT nStateMask,
                         LPARAM lParam, HTREEITEM hParent, HTREEITEM hInsertAfter);
    HTREEITEM InsertItem(LPCWSTR lpszItem, HTREEITEM hParent = TVI_ROOT, HTREEITEM hInsertAfter = TVI_LAST);
    BOOL DeleteItem(HTREEITEM hItem) { return IsWindow() && SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(hItem)) != 0; }
    BOOL DeleteAllItems() { return DeleteItem(TVI_ROOT); }
    // nCode: TVE_EXPAND, TVE_COLLAPSE, TVE_TOGGLE...
    BOOL Expand(HTREEITEM hItem, UINT nCode) { return IsWindow() && SendMessage(TVM_EXPAND, nCode, reinterpret_cast<LPARAM>(hItem)) != 0; }
    BOOL GetItem(TVITEMW* pItem) const { return IsWindow() && SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(pItem)) != 0; }
    BOOL SetItem(TVITEMW* pItem) { return IsWindow() && SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(pItem)) != 0; }
    std::wstring GetItemText(HTREEITEM hItem) const;
    BOOL SetItemText(HTREEITEM hItem, LPCWSTR lpszItem);
    DWORD_PTR GetItemData(HTREEITEM hItem) const;
    BOOL SetItemData(HTREEITEM hItem, DWORD_PTR dwData);
    BOOL GetItemImage(HTREEITEM hItem, int& nImage, int& nSelectedImage) const;
    BOOL SetItemImage(HTREEITEM hItem, int nImage, int nSelectedImage);
    UINT GetItemState(HTREEITEM hItem, UINT nStateMask) const { return IsWindow() ? static_cast<UINT>(SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(hItem), nStateMask)) : 0; }
    BOOL SetItemState(HTREEITEM hItem, UINT nState, UINT nStateMask);
    // The children field of the item (not whether child items are loaded).
    BOOL ItemHasChildren(HTREEITEM hItem) const;
    // Whole row (bTextOnly FALSE) or label rectangle, client coordinates;
    // FALSE when the item is not visible.
    BOOL GetItemRect(HTREEITEM hItem, RECT* lpRect, BOOL bTextOnly) const;
    // A part of the item (TVGIPR_BUTTON). Not every tree control answers
    // this; on FALSE *lpRect is left as the caller set it.
    BOOL GetItemPartRect(HTREEITEM hItem, TVITEMPART nPart, RECT* lpRect) const;
    UINT GetCount() const { return IsWindow() ? static_cast<UINT>(SendMessage(TVM_GETCOUNT)) : 0; }
    // Items that fit fully in the client area.
    UINT GetVisibleCount() const { return IsWindow() ? static_cast<UINT>(SendMessage(TVM_GETVISIBLECOUNT)) : 0; }
    SHORT GetItemHeight() const { return IsWindow() ? static_cast<SHORT>(SendMessage(TVM_GETITEMHEIGHT)) : 0; }
    UINT GetIndent() const { return IsWindow() ? static_cast<UINT>(SendMessage(TVM_GETINDENT)) : 0; }

    // --- walking -----------------------------------------------------------------
    // nCode: TVGN_*.
    HTREEITEM GetNextItem(HTREEITEM hItem, UINT nCode) const { return IsWindow() ? reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, nCode, reinterpret_cast<LPARAM>(hItem))) : nullptr; }
    HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetChildItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_NEXT); }
    HTREEITEM GetPrevSiblingItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_PREVIOUS); }
    HTREEITEM GetParentItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_PARENT); }
    HTREEITEM GetFirstVisibleItem() const { return GetNextItem(nullptr, TVGN_FIRSTVISIBLE); }
    HTREEITEM GetNextVisibleItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_NEXTVISIBLE); }
    HTREEITEM GetPrevVisibleItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_PREVIOUSVISIBLE); }
    HTREEITEM GetLastVisibleItem() const { return GetNextItem(nullptr, TVGN_LASTVISIBLE); }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
    HTREEITEM GetDropHilightItem() const { return GetNextItem(nullptr, TVGN_DROPHILITE); }

    // --- selection and scrolling --------------------------------------------------
    // nCode: TVGN_CARET, TVGN_FIRSTVISIBLE, TVGN_DROPHILITE.
    BOOL Select(HTREEITEM hItem, UINT nCode) { return IsWindow() && SendMessage(TVM_SELECTITEM, nCode, reinterpret_cast<LPARAM>(hItem)) != 0; }
    BOOL SelectItem(HTREEITEM hItem) { return Select(hItem, TVGN_CARET); }
    BOOL SelectSetFirstVisible(HTREEITEM hItem) { return Select(hItem, TVGN_FIRSTVISIBLE); }
    BOOL EnsureVisible(HTREEITEM hItem) { return IsWindow() && SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(hItem)) != 0; }
    // The item at a client point (null: none); *pFlags gets the TVHT_* part.
    HTREEITEM HitTest(POINT pt, UINT* pFlags = nullptr) const;
    HTREEITEM HitTest(TVHITTESTINFO* pHitTestInfo) const { return IsWindow() ? reinterpret_cast<HTREEITEM>(SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(pHitTestInfo))) : nullptr; }

    // --- looks ---------------------------------------------------------------------
    // nImageList: TVSIL_NORMAL or TVSIL_STATE; the previous list.
    HIMAGELIST SetImageList(HIMAGELIST hImageList, int nImageList) { return IsWindow() ? reinterpret_cast<HIMAGELIST>(SendMessage(TVM_SETIMAGELIST, nImageList, reinterpret_cast<LPARAM>(hImageList))) : nullptr; }
    HIMAGELIST GetImageList(int nImageList) const { return IsWindow() ? reinterpret_cast<HIMAGELIST>(SendMessage(TVM_GETIMAGELIST, nImageList)) : nullptr; }
    COLORREF SetBkColor(COLORREF clr) { return IsWindow() ? static_cast<COLORREF>(SendMessage(TVM_SETBKCOLOR, 0, static_cast<LPARAM>(clr))) : CLR_NONE; }
    COLORREF SetTextColor(COLORREF clr) { return IsWindow() ? static_cast<COLORREF>(SendMessage(TVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(clr))) : CLR_NONE; }
};
