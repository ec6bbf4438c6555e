// Thin wrappers of the standard controls. Each method checks that the
// window exists, sends one message and returns the answer; nothing is cached.
// A wrapper is bound with SubclassDlgItem (to get its reflected
// notifications, e.g. DrawItem of an owner-drawn list), or with Attach when
// it only sends messages, or made with Create.
#pragma once
#include "framework/Wnd.h"
#include <commctrl.h>
#include <string>

class CStatic : public CWnd {
    DECLARE_DYNAMIC(CStatic)
public:
    BOOL Create(LPCWSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xffff);
    HICON SetIcon(HICON hIcon) { return IsWindow() ? reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(hIcon))) : nullptr; }
    HICON GetIcon() const { return IsWindow() ? reinterpret_cast<HICON>(SendMessage(STM_GETICON)) : nullptr; }
    HBITMAP SetBitmap(HBITMAP hBitmap) { return IsWindow() ? reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap))) : nullptr; }
};

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    BOOL Create(LPCWSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int GetCheck() const { return IsWindow() ? static_cast<int>(SendMessage(BM_GETCHECK)) : 0; }
    void SetCheck(int nCheck) { if (IsWindow()) SendMessage(BM_SETCHECK, nCheck); }
    UINT GetState() const { return IsWindow() ? static_cast<UINT>(SendMessage(BM_GETSTATE)) : 0; }
    void SetState(BOOL bHighlight) { if (IsWindow()) SendMessage(BM_SETSTATE, bHighlight); }
    UINT GetButtonStyle() const { return IsWindow() ? static_cast<UINT>(GetStyle() & 0xFFFF) : 0; }
    void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE) { if (IsWindow()) SendMessage(BM_SETSTYLE, nStyle, bRedraw); }
    HICON SetIcon(HICON hIcon) { return IsWindow() ? reinterpret_cast<HICON>(SendMessage(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(hIcon))) : nullptr; }
    void Click() { if (IsWindow()) SendMessage(BM_CLICK); }
};

class CEdit : public CWnd {
    DECLARE_DYNAMIC(CEdit)
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    void SetLimitText(UINT nMax) { if (IsWindow()) SendMessage(EM_SETLIMITTEXT, nMax); }
    void LimitText(int nChars = 0) { if (IsWindow()) SendMessage(EM_LIMITTEXT, nChars); }
    UINT GetLimitText() const { return IsWindow() ? static_cast<UINT>(SendMessage(EM_GETLIMITTEXT)) : 0; }
    // Start and end of the selection (end is one past the last character).
    void GetSel(int& nStartChar, int& nEndChar) const;
    DWORD GetSel() const { return IsWindow() ? static_cast<DWORD>(SendMessage(EM_GETSEL)) : 0; }
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
    void ReplaceSel(LPCWSTR lpszNewText, BOOL bCanUndo = FALSE) { if (IsWindow()) SendMessage(EM_REPLACESEL, bCanUndo, reinterpret_cast<LPARAM>(lpszNewText)); }
    BOOL GetModify() const { return IsWindow() && SendMessage(EM_GETMODIFY) != 0; }
    void SetModify(BOOL bModified = TRUE) { if (IsWindow()) SendMessage(EM_SETMODIFY, bModified); }
    BOOL SetReadOnly(BOOL bReadOnly = TRUE) { return IsWindow() && SendMessage(EM_SETREADONLY, bReadOnly) != 0; }
    int GetLineCount() const { return IsWindow() ? static_cast<int>(SendMessage(EM_GETLINECOUNT)) : 0; }
    BOOL Undo() { return IsWindow() && SendMessage(EM_UNDO) != 0; }
    void Clear() { if (IsWindow()) SendMessage(WM_CLEAR); }
    void Copy() { if (IsWindow()) SendMessage(WM_COPY); }
    void Cut() { if (IsWindow()) SendMessage(WM_CUT); }
    void Paste() { if (IsWindow()) SendMessage(WM_PASTE); }
};

class CSpinButtonCtrl : public CWnd {
    DECLARE_DYNAMIC(CSpinButtonCtrl)
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    void SetRange32(int nLower, int nUpper) { if (IsWindow()) SendMessage(UDM_SETRANGE32, nLower, nUpper); }
    void GetRange32(int& nLower, int& nUpper) const;
    int SetPos32(int nPos) { return IsWindow() ? static_cast<int>(SendMessage(UDM_SETPOS32, 0, nPos)) : 0; }
    int GetPos32(BOOL* lpbError = nullptr) const;
    HWND SetBuddy(HWND hWndBuddy) { return IsWindow() ? reinterpret_cast<HWND>(SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(hWndBuddy))) : nullptr; }
    HWND GetBuddy() const { return IsWindow() ? reinterpret_cast<HWND>(SendMessage(UDM_GETBUDDY)) : nullptr; }
    int SetBase(int nBase) { return IsWindow() ? static_cast<int>(SendMessage(UDM_SETBASE, nBase)) : 0; }
};

// A scroll-bar control (SBS_VERT or SBS_HORZ); the SB_CTL bar of its window.
class CScrollBar : public CWnd {
    DECLARE_DYNAMIC(CScrollBar)
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    // The fields named by lpScrollInfo->fMask; the position after the change.
    int SetScrollInfo(LPSCROLLINFO lpScrollInfo, BOOL bRedraw = TRUE) { return IsWindow() ? ::SetScrollInfo(m_hWnd, SB_CTL, lpScrollInfo, bRedraw) : 0; }
    // nMask replaces lpScrollInfo->fMask (cbSize is set here).
    BOOL GetScrollInfo(LPSCROLLINFO lpScrollInfo, UINT nMask = SIF_ALL) const;
    int GetScrollPos() const { return IsWindow() ? ::GetScrollPos(m_hWnd, SB_CTL) : 0; }
    int SetScrollPos(int nPos, BOOL bRedraw = TRUE) { return IsWindow() ? ::SetScrollPos(m_hWnd, SB_CTL, nPos, bRedraw) : 0; }
    void GetScrollRange(LPINT lpMinPos, LPINT lpMaxPos) const;
    void SetScrollRange(int nMinPos, int nMaxPos, BOOL bRedraw = TRUE) { if (IsWindow()) ::SetScrollRange(m_hWnd, SB_CTL, nMinPos, nMaxPos, bRedraw); }
    BOOL EnableScrollBar(UINT nArrowFlags = ESB_ENABLE_BOTH) { return IsWindow() && ::EnableScrollBar(m_hWnd, SB_CTL, nArrowFlags); }
};

// Owner-drawn lists: override DrawItem and MeasureItem (and CompareItem,
// DeleteItem); the parent's WM_DRAWITEM, WM_MEASUREITEM, WM_COMPAREITEM
// and WM_DELETEITEM reach them once the list is bound (SubclassDlgItem or Create).
class CListBox : public CWnd {
    DECLARE_DYNAMIC(CListBox)
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    int GetCount() const { return IsWindow() ? static_cast<int>(SendMessage(LB_GETCOUNT)) : LB_ERR; }
    int AddString(LPCWSTR lpszItem) { return IsWindow() ? static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszItem))) : LB_ERR; }
    int InsertString(int nIndex, LPCWSTR lpszItem) { return IsWindow() ? static_cast<int>(SendMessage(LB_INSERTSTRING, nIndex, reinterpret_cast<LPARAM>(lpszItem))) : LB_ERR; }
    int DeleteString(UINT nIndex) { return IsWindow() ? static_cast<int>(SendMessage(LB_DELETESTRING, nIndex)) : LB_ERR; }
    void ResetContent() { if (IsWindow()) SendMessage(LB_RESETCONTENT); }
    int GetCurSel() const { return IsWindow() ? static_cast<int>(SendMessage(LB_GETCURSEL)) : LB_ERR; }
    int SetCurSel(int nSelect) { return IsWindow() ? static_cast<int>(SendMessage(LB_SETCURSEL, nSelect)) : LB_ERR; }
    int GetSel(int nIndex) const { return IsWindow() ? static_cast<int>(SendMessage(LB_GETSEL, nIndex)) : LB_ERR; }
    int SetSel(int nIndex, BOOL bSelect = TRUE) { return IsWindow() ? static_cast<int>(SendMessage(LB_SETSEL, bSelect, nIndex)) : LB_ERR; }
    int GetSelCount() const { return IsWindow() ? static_cast<int>(SendMessage(LB_GETSELCOUNT)) : LB_ERR; }
    int GetSelItems(int nMaxItems, LPINT rgIndex) const { return IsWindow() ? static_cast<int>(SendMessage(LB_GETSELITEMS, nMaxItems, reinterpret_cast<LPARAM>(rgIndex))) : LB_ERR; }
    int GetTextLen(int nIndex) const { return IsWindow() ? static_cast<int>(SendMessage(LB_GETTEXTLEN, nIndex)) : LB_ERR; }
    int GetText(int nIndex, LPWSTR lpszBuffer) const { return IsWindow() ? static_cast<int>(SendMessage(LB_GETTEXT, nIndex, reinterpret_cast<LPARAM>(lpszBuffer))) : LB_ERR; }
    // The item's text (empty for a bad index).
    std::wstring GetText(int nIndex) const;
    DWORD_PTR GetItemData(int nIndex) const { return IsWindow() ? static_cast<DWORD_PTR>(SendMessage(LB_GETITEMDATA, nIndex)) : static_cast<DWORD_PTR>(LB_ERR); }
    int SetItemData(int nIndex, DWORD_PTR dwItemData) { return IsWindow() ? static_cast<int>(SendMessage(LB_SETITEMDATA, nIndex, static_cast<LPARAM>(dwItemData))) : LB_ERR; }
    void* GetItemDataPtr(int nIndex) const { return reinterpret_cast<void*>(GetItemData(nIndex)); }
    int SetItemDataPtr(int nIndex, void* pData) { return SetItemData(nIndex, reinterpret_cast<DWORD_PTR>(pData)); }
    int GetItemRect(int nIndex, RECT* lpRect) const { return IsWindow() ? static_cast<int>(SendMessage(LB_GETITEMRECT, nIndex, reinterpret_cast<LPARAM>(lpRect))) : LB_ERR; }
    int SetItemHeight(int nIndex, UINT cyItemHeight) { return IsWindow() ? static_cast<int>(SendMessage(LB_SETITEMHEIGHT, nIndex, MAKELPARAM(cyItemHeight, 0))) : LB_ERR; }
    int GetItemHeight(int nIndex) const { return IsWindow() ? static_cast<int>(SendMessage(LB_GETITEMHEIGHT, nIndex)) : LB_ERR; }
    int GetTopIndex() const { return IsWindow() ? static_cast<int>(SendMessage(LB_GETTOPINDEX)) : LB_ERR; }
    int SetTopIndex(int nIndex) { return IsWindow() ? static_cast<int>(SendMessage(LB_SETTOPINDEX, nIndex)) : LB_ERR; }
    int FindString(int nStartAfter, LPCWSTR lpszItem) const { return IsWindow() ? static_cast<int>(SendMessage(LB_FINDSTRING, nStartAfter, reinterpret_cast<LPARAM>(lpszItem))) : LB_ERR; }
    int FindStringExact(int nIndexStart, LPCWSTR lpszFind) const { return IsWindow() ? static_cast<int>(SendMessage(LB_FINDSTRINGEXACT, nIndexStart, reinterpret_cast<LPARAM>(lpszFind))) : LB_ERR; }
    int SelectString(int nStartAfter, LPCWSTR lpszItem) { return IsWindow() ? static_cast<int>(SendMessage(LB_SELECTSTRING, nStartAfter, reinterpret_cast<LPARAM>(lpszItem))) : LB_ERR; }
    // Index of the item at a client point; *pbOutside tells whether the point lies outside every item.
    int ItemFromPoint(POINT pt, BOOL* pbOutside = nullptr) const;

    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {}
    virtual void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) {}
    virtual int CompareItem(LPCOMPAREITEMSTRUCT lpCompareItemStruct) { return 0; }
    virtual void DeleteItem(LPDELETEITEMSTRUCT lpDeleteItemStruct) {}

    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CComboBox : public CWnd {
    DECLARE_DYNAMIC(CComboBox)
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    int GetCount() const { return IsWindow() ? static_cast<int>(SendMessage(CB_GETCOUNT)) : CB_ERR; }
    int AddString(LPCWSTR lpszString) { return IsWindow() ? static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszString))) : CB_ERR; }
    int InsertString(int nIndex, LPCWSTR lpszString) { return IsWindow() ? static_cast<int>(SendMessage(CB_INSERTSTRING, nIndex, reinterpret_cast<LPARAM>(lpszString))) : CB_ERR; }
    int DeleteString(UINT nIndex) { return IsWindow() ? static_cast<int>(SendMessage(CB_DELETESTRING, nIndex)) : CB_ERR; }
    void ResetContent() { if (IsWindow()) SendMessage(CB_RESETCONTENT); }
    int GetCurSel() const { return IsWindow() ? static_cast<int>(SendMessage(CB_GETCURSEL)) : CB_ERR; }
    int SetCurSel(int nSelect) { return IsWindow() ? static_cast<int>(SendMessage(CB_SETCURSEL, nSelect)) : CB_ERR; }
    int GetLBTextLen(int nIndex) const { return IsWindow() ? static_cast<int>(SendMessage(CB_GETLBTEXTLEN, nIndex)) : CB_ERR; }
    std::wstring GetLBText(int nIndex) const;
    DWORD_PTR GetItemData(int nIndex) const { return IsWindow() ? static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, nIndex)) : static_cast<DWORD_PTR>(CB_ERR); }
    int SetItemData(int nIndex, DWORD_PTR dwItemData) { return IsWindow() ? static_cast<int>(SendMessage(CB_SETITEMDATA, nIndex, static_cast<LPARAM>(dwItemData))) : CB_ERR; }
    int FindString(int nStartAfter, LPCWSTR lpszString) const { return IsWindow() ? static_cast<int>(SendMessage(CB_FINDSTRING, nStartAfter, reinterpret_cast<LPARAM>(lpszString))) : CB_ERR; }
    int FindStringExact(int nIndexStart, LPCWSTR lpszFind) const { return IsWindow() ? static_cast<int>(SendMessage(CB_FINDSTRINGEXACT, nIndexStart, reinterpret_cast<LPARAM>(lpszFind))) : CB_ERR; }
    int SelectString(int nStartAfter, LPCWSTR lpszString) { return IsWindow() ? static_cast<int>(SendMessage(CB_SELECTSTRING, nStartAfter, reinterpret_cast<LPARAM>(lpszString))) : CB_ERR; }
    BOOL LimitText(int nMaxChars) { return IsWindow() && SendMessage(CB_LIMITTEXT, nMaxChars) != 0; }
    DWORD GetEditSel() const { return IsWindow() ? static_cast<DWORD>(SendMessage(CB_GETEDITSEL)) : 0; }
    BOOL SetEditSel(int nStartChar, int nEndChar) { return IsWindow() && SendMessage(CB_SETEDITSEL, 0, MAKELPARAM(nStartChar, nEndChar)) != 0; }
    void ShowDropDown(BOOL bShowIt = TRUE) { if (IsWindow()) SendMessage(CB_SHOWDROPDOWN, bShowIt); }
    BOOL GetDroppedState() const { return IsWindow() && SendMessage(CB_GETDROPPEDSTATE) != 0; }
    int SetItemHeight(int nIndex, UINT cyItemHeight) { return IsWindow() ? static_cast<int>(SendMessage(CB_SETITEMHEIGHT, nIndex, cyItemHeight)) : CB_ERR; }
    int GetItemHeight(int nIndex) const { return IsWindow() ? static_cast<int>(SendMessage(CB_GETITEMHEIGHT, nIndex)) : CB_ERR; }

    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {}
    virtual void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) {}
    virtual int CompareItem(LPCOMPAREITEMSTRUCT lpCompareItemStruct) { return 0; }
    virtual void DeleteItem(LPDELETEITEMSTRUCT lpDeleteItemStruct) {}

    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};
