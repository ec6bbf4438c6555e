// Dialogs from templates of the executable's resources.
//
// Modal: DoModal runs the system's dialog loop and returns what EndDialog
// was given. Modeless: Create makes the window; OnOK and OnCancel destroy
// it; a dialog that owns itself deletes itself in PostNcDestroy.
// Messages reach WindowProc as for any window; a message left to
// DefWindowProc goes to the dialog manager's default.
#pragma once
#include "framework/Wnd.h"

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog() = default;
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr)
        : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}
    ~CDialog() override;

    // The owner is the parent given, else the calling thread's main window
    // (or its active popup). Returns the EndDialog code, or -1 when the
    // dialog could not be made.
    virtual INT_PTR DoModal();
    // Modeless; parent null: the calling thread's main window.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    BOOL CreateIndirect(const DLGTEMPLATE* pTemplate, CWnd* pParentWnd = nullptr);
    INT_PTR DoModalIndirect(const DLGTEMPLATE* pTemplate);
    void EndDialog(int nResult);
    bool IsModal() const { return m_bModal; }

    virtual BOOL OnInitDialog() { return TRUE; }  // TRUE: the system sets the focus
    virtual void OnOK();       // modal: EndDialog(IDOK); modeless: DestroyWindow
    virtual void OnCancel();   // modal: EndDialog(IDCANCEL); modeless: DestroyWindow

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;  // dialog keys of a modeless dialog

    void NextDlgCtrl() const { ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, 0, 0); }
    void PrevDlgCtrl() const { ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, 1, 0); }
    void GotoDlgCtrl(HWND hWndCtrl) const { ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hWndCtrl), TRUE); }

    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;

protected:
    bool OnCmd(UINT nID, int nCode) override;  // IDOK -> OnOK, IDCANCEL -> OnCancel
    bool m_bModal = false;
};
