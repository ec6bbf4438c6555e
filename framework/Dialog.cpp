// Modal and modeless dialogs.
#include "framework/Dialog.h"
#include "framework/App.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

namespace {

const DLGTEMPLATE* LoadDialogTemplate(UINT nID) {
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC res = ::FindResourceW(hInst, MAKEINTRESOURCEW(nID), RT_DIALOG);
    HGLOBAL mem = res ? ::LoadResource(hInst, res) : nullptr;
    return mem ? static_cast<const DLGTEMPLATE*>(::LockResource(mem)) : nullptr;
}

}  // namespace

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
    const DLGTEMPLATE* t = LoadDialogTemplate(m_nIDTemplate);
    return t ? DoModalIndirect(t) : -1;
}

INT_PTR CDialog::DoModalIndirect(const DLGTEMPLATE* pTemplate) {
    HWND owner = AfxGetSafeOwner(m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr);
    m_bModal = true;
    INT_PTR r = RunModalDlgIndirect(pTemplate, owner);
    m_bModal = false;
    return r;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    m_nIDTemplate = nIDTemplate;
    const DLGTEMPLATE* t = LoadDialogTemplate(nIDTemplate);
    if (!t) {
        PostNcDestroy();  // as for any failed creation; a self-deleting dialog is gone
        return FALSE;
    }
    return CreateIndirect(t, pParentWnd);
}

BOOL CDialog::CreateIndirect(const DLGTEMPLATE* pTemplate, CWnd* pParentWnd) {
    if (pParentWnd) m_pParentWnd = pParentWnd;
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!owner) {
        CWnd* main = AfxGetMainWnd();
        owner = main ? main->m_hWnd : nullptr;
    }
    m_bModal = false;
    return CreateDlgIndirect(pTemplate, owner);
}

void CDialog::EndDialog(int nResult) {
    if (m_hWnd) ::EndDialog(m_hWnd, nResult);
}

void CDialog::OnOK() {
    if (m_bModal) EndDialog(IDOK);
    else DestroyWindow();
}

void CDialog::OnCancel() {
    if (m_bModal) EndDialog(IDCANCEL);
    else DestroyWindow();
}

bool CDialog::OnCmd(UINT nID, int nCode) {
    if (nCode != CN_COMMAND) return false;
    switch (nID) {
    case IDOK:     OnOK(); return true;
    case IDCANCEL: OnCancel(); return true;
    }
    return false;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    if (!m_bModal && m_hWnd && pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST)
        return ::IsDialogMessageW(m_hWnd, pMsg);
    return FALSE;
}
