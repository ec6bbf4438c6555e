// Creation and the few multi-step helpers of the control wrappers.
#include "framework/Controls.h"

IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CSpinButtonCtrl, CWnd)
IMPLEMENT_DYNAMIC(CListBox, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CScrollBar, CWnd)

namespace {

// The owner-draw messages that the parent hands back to an owner-drawn list
// or combo box, passed to its overrides; false for any other message.
template <class TBox>
bool OwnerDrawNotify(TBox* pBox, UINT message, LPARAM lParam, LRESULT* pResult) {
    switch (message) {
    case WM_DRAWITEM:    pBox->DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)); *pResult = TRUE; return true;
    case WM_MEASUREITEM: pBox->MeasureItem(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam)); *pResult = TRUE; return true;
    case WM_COMPAREITEM: *pResult = pBox->CompareItem(reinterpret_cast<LPCOMPAREITEMSTRUCT>(lParam)); return true;
    case WM_DELETEITEM:  pBox->DeleteItem(reinterpret_cast<LPDELETEITEMSTRUCT>(lParam)); *pResult = TRUE; return true;
    }
    return false;
}

}  // namespace

BOOL CStatic::Create(LPCWSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create(L"STATIC", lpszText, dwStyle, rect, pParentWnd, nID);
}

BOOL CButton::Create(LPCWSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create(L"BUTTON", lpszCaption, dwStyle, rect, pParentWnd, nID);
}

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create(L"EDIT", nullptr, dwStyle, rect, pParentWnd, nID);
}

void CEdit::GetSel(int& nStartChar, int& nEndChar) const {
    DWORD start = 0, end = 0;
    if (IsWindow()) SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    nStartChar = static_cast<int>(start);
    nEndChar = static_cast<int>(end);
}

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL bNoScroll) {
    if (!IsWindow()) return;
    SendMessage(EM_SETSEL, nStartChar, nEndChar);
    if (!bNoScroll) SendMessage(EM_SCROLLCARET);
}

BOOL CSpinButtonCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&icc);
    return CWnd::Create(UPDOWN_CLASSW, nullptr, dwStyle, rect, pParentWnd, nID);
}

void CSpinButtonCtrl::GetRange32(int& nLower, int& nUpper) const {
    nLower = nUpper = 0;
    if (IsWindow()) SendMessage(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&nLower), reinterpret_cast<LPARAM>(&nUpper));
}

int CSpinButtonCtrl::GetPos32(BOOL* lpbError) const {
    if (!IsWindow()) {
        if (lpbError) *lpbError = TRUE;
        return 0;
    }
    return static_cast<int>(SendMessage(UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(lpbError)));
}

BOOL CListBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create(L"LISTBOX", nullptr, dwStyle, rect, pParentWnd, nID);
}

std::wstring CListBox::GetText(int nIndex) const {
    int len = GetTextLen(nIndex);
    if (len == LB_ERR || len < 0) return {};
    std::wstring s(len + 1, L'\0');
    int got = GetText(nIndex, s.data());
    s.resize(got > 0 ? got : 0);
    return s;
}

int CListBox::ItemFromPoint(POINT pt, BOOL* pbOutside) const {
    if (!IsWindow()) {
        if (pbOutside) *pbOutside = TRUE;
        return LB_ERR;
    }
    DWORD r = static_cast<DWORD>(SendMessage(LB_ITEMFROMPOINT, 0, MAKELPARAM(pt.x, pt.y)));
    if (pbOutside) *pbOutside = HIWORD(r) != 0;
    return LOWORD(r);
}

BOOL CListBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (OwnerDrawNotify(this, message, lParam, pResult)) return TRUE;
    return CWnd::OnChildNotify(message, wParam, lParam, pResult);
}

BOOL CComboBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create(L"COMBOBOX", nullptr, dwStyle, rect, pParentWnd, nID);
}

std::wstring CComboBox::GetLBText(int nIndex) const {
    int len = GetLBTextLen(nIndex);
    if (len == CB_ERR || len < 0) return {};
    std::wstring s(len + 1, L'\0');
    int got = static_cast<int>(SendMessage(CB_GETLBTEXT, nIndex, reinterpret_cast<LPARAM>(s.data())));
    s.resize(got > 0 ? got : 0);
    return s;
}

BOOL CComboBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (OwnerDrawNotify(this, message, lParam, pResult)) return TRUE;
    return CWnd::OnChildNotify(message, wParam, lParam, pResult);
}

BOOL CScrollBar::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create(L"SCROLLBAR", nullptr, dwStyle, rect, pParentWnd, nID);
}

BOOL CScrollBar::GetScrollInfo(LPSCROLLINFO lpScrollInfo, UINT nMask) const {
    if (!IsWindow() || !lpScrollInfo) return FALSE;
    lpScrollInfo->cbSize = sizeof(SCROLLINFO);
    lpScrollInfo->fMask = nMask;
    return ::GetScrollInfo(m_hWnd, SB_CTL, lpScrollInfo);
}

void CScrollBar::GetScrollRange(LPINT lpMinPos, LPINT lpMaxPos) const {
    int lo = 0, hi = 0;
    if (IsWindow()) ::GetScrollRange(m_hWnd, SB_CTL, &lo, &hi);
    if (lpMinPos) *lpMinPos = lo;
    if (lpMaxPos) *lpMaxPos = hi;
}
