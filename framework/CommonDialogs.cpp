// The font and colour dialogs of the system.
#include "framework/CommonDialogs.h"
#include "framework/App.h"

CFontDialog::CFontDialog(LOGFONTW* lplfInitial, DWORD dwFlags, HDC hdcPrinter, CWnd* pParentWnd)
    : m_plfTarget(lplfInitial), m_pParentWnd(pParentWnd) {
    m_cf.lStructSize = sizeof(m_cf);
    m_cf.lpLogFont = &m_lf;
    m_cf.Flags = dwFlags;
    m_cf.hDC = hdcPrinter;
    if (lplfInitial) {
        m_lf = *lplfInitial;
        m_cf.Flags |= CF_INITTOLOGFONTSTRUCT;
    }
}

INT_PTR CFontDialog::DoModal() {
    m_cf.hwndOwner = AfxGetSafeOwner(m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr);
    m_cf.lpLogFont = &m_lf;
    if (!::ChooseFontW(&m_cf)) return IDCANCEL;
    // The caller's font changes only when the user confirms.
    if (m_plfTarget) *m_plfTarget = m_lf;
    return IDOK;
}

COLORREF* CColorDialog::GetSavedCustomColors() {
    static COLORREF colors[16] = {
        RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
        RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
        RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
        RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255)};
    return colors;
}

CColorDialog::CColorDialog(COLORREF clrInit, DWORD dwFlags, CWnd* pParentWnd) : m_pParentWnd(pParentWnd) {
    m_cc.lStructSize = sizeof(m_cc);
    m_cc.rgbResult = clrInit;
    m_cc.lpCustColors = GetSavedCustomColors();
    m_cc.Flags = dwFlags | CC_RGBINIT;
}

INT_PTR CColorDialog::DoModal() {
    m_cc.hwndOwner = AfxGetSafeOwner(m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr);
    return ::ChooseColorW(&m_cc) ? IDOK : IDCANCEL;
}
