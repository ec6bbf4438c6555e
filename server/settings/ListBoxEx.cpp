#include "server/settings/ListBoxEx.h"
#include "server/settings/AppSettings.h"
#include <vector>

IMPLEMENT_DYNAMIC(CListBoxEx, CListBox)
IMPLEMENT_DYNAMIC(CColorListBox, CListBoxEx)

void CListBoxEx::FitItems(int nCount) {
    if (nCount <= 0 || !IsWindow()) return;
    RECT rc{};
    GetClientRect(&rc);
    const int h = rc.bottom - rc.top;
    m_nItemHeight = h / nCount;
    m_nBaseItems = nCount - h % nCount;
}

void CListBoxEx::MeasureItem(LPMEASUREITEMSTRUCT lpMIS) {
    lpMIS->itemHeight = m_nItemHeight;
    if (lpMIS->itemID >= static_cast<UINT>(m_nBaseItems)) lpMIS->itemHeight += 1;
}

void CListBoxEx::DrawItem(LPDRAWITEMSTRUCT lpDIS) {
    if (lpDIS->itemID == static_cast<UINT>(-1)) return;
    const bool bEnabled = ::IsWindowEnabled(lpDIS->hwndItem) != FALSE;
    const UINT action = lpDIS->itemAction;
    const bool bSelected = (lpDIS->itemState & ODS_SELECTED) != 0;

    int nBack = -1, nText = -1;
    if (action & ODA_DRAWENTIRE) {
        nBack = bEnabled ? COLOR_WINDOW : COLOR_BTNFACE;
        nText = bEnabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT;
    }
    if (bSelected && (action & (ODA_DRAWENTIRE | ODA_SELECT))) {
        nBack = bEnabled ? COLOR_HIGHLIGHT : COLOR_BTNFACE;
        nText = bEnabled ? COLOR_HIGHLIGHTTEXT : COLOR_GRAYTEXT;
    } else if (!bSelected && (action & ODA_SELECT)) {
        nBack = COLOR_WINDOW;
        nText = COLOR_WINDOWTEXT;
    }
    if (nBack < 0) return;   // a focus change alone draws nothing

    const HWND hList = lpDIS->hwndItem;
    std::wstring text;
    const LRESULT nLen = ::SendMessageW(hList, LB_GETTEXTLEN, lpDIS->itemID, 0);
    if (nLen > 0) {
        std::vector<WCHAR> buf(static_cast<size_t>(nLen) + 1);
        const LRESULT n = ::SendMessageW(hList, LB_GETTEXT, lpDIS->itemID, reinterpret_cast<LPARAM>(buf.data()));
        if (n > 0) text.assign(buf.data(), static_cast<size_t>(n));
    }

    CDC dc(lpDIS->hDC);
    const int nSaved = dc.SaveDC();
    RECT rc = lpDIS->rcItem;
    const COLORREF clrBack = ::GetSysColor(nBack);
    dc.SetBkColor(clrBack);
    dc.FillSolidRect(&rc, clrBack);
    dc.SetTextColor(::GetSysColor(nText));
    dc.DrawText(text, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    dc.RestoreDC(nSaved);
}

void CColorListBox::DrawItem(LPDRAWITEMSTRUCT lpDIS) {
    if (lpDIS->itemID == static_cast<UINT>(-1)) return;
    const bool bEnabled = ::IsWindowEnabled(lpDIS->hwndItem) != FALSE;
    const UINT action = lpDIS->itemAction;
    const bool bSelected = (lpDIS->itemState & ODS_SELECTED) != 0;

    COLORREF clrSwatch;
    if (!bEnabled) {
        clrSwatch = ::GetSysColor(COLOR_INACTIVEBORDER);
    } else if (lpDIS->itemData < SETTINGS_HIGHLIGHTS) {
        clrSwatch = CAppSettings::Get().Font.Highlight[lpDIS->itemData];
    } else {
        clrSwatch = RGB(0, 0, 0);
    }

    CDC dc(lpDIS->hDC);
    const RECT& rc = lpDIS->rcItem;
    if (action & ODA_DRAWENTIRE) dc.FillSolidRect(&rc, clrSwatch);
    if (bSelected && (action & (ODA_DRAWENTIRE | ODA_SELECT))) {
        CBrush frame(bEnabled ? RGB(0, 0, 0) : clrSwatch);
        dc.FrameRect(&rc, frame);
    } else if (!bSelected && (action & ODA_SELECT)) {
        dc.FillSolidRect(&rc, clrSwatch);
    }
}
