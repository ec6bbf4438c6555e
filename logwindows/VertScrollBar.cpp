// The external scroll bar of a tree frame.
#include "logwindows/VertScrollBar.h"
#include "resources/TreeWindowsRes.h"
#include "server/core/Messages.h"

IMPLEMENT_DYNAMIC(CVertScrollBar, CDialog)

CVertScrollBar::CVertScrollBar(CWnd* pParentFrame) : CDialog(IDD_VERTSCROLLBAR, pParentFrame), m_ScrollInfo{} {
    m_ScrollInfo.cbSize = sizeof(m_ScrollInfo);
    m_ScrollInfo.fMask = SIF_ALL;
    Create(IDD_VERTSCROLLBAR, pParentFrame);
    m_bConstructing = false;
}

CVertScrollBar::~CVertScrollBar() = default;

void CVertScrollBar::DoDataExchange() {
    if (!m_wndScrollBar.m_hWnd) m_wndScrollBar.SubclassDlgItem(IDC_VERTSCROLLBAR, this);
}

BOOL CVertScrollBar::OnInitDialog() {
    CDialog::OnInitDialog();
    DoDataExchange();
    return TRUE;
}

LRESULT CVertScrollBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_VSCROLL:
        OnVScroll(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CVertScrollBar::OnVScroll(UINT nSBCode, UINT, HWND) {
    m_wndScrollBar.GetScrollInfo(&m_ScrollInfo, SIF_ALL);
    if (HWND hParent = ::GetParent(m_hWnd))
        ::PostMessageW(hParent, UM_SCROLLBAR, nSBCode, reinterpret_cast<LPARAM>(&m_ScrollInfo));
}
