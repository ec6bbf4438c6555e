// The find dialog's option and target controls, the options word that each
// window keeps for its dialog, the recent finds of the value boxes, OK with
// the hand-over of the condition set, Cancel, and the saved placement.
#include "search/dialogs/FindDialog.h"

#include <new>

#include "logwindows/LogTreeThread.h"
#include "resources/FindDialogRes.h"
#include "server/core/Except.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

// --- options and target -------------------------------------------------------------

void CFindDialog::OnExtractOptionClicked() { RebuildTree(true); }

void CFindDialog::OnTargetClicked() { EnableTargetControls(); }

void CFindDialog::EnableTargetControls() {
    const BOOL bResult = m_radCurrentView.GetCheck() != BST_CHECKED;
    m_lstResultView.EnableWindow(bResult);
    m_radMatchObjects.EnableWindow(bResult);
    m_radSearchObjects.EnableWindow(bResult);
}

void CFindDialog::FillResultViewList(int nPosition) {
    const int v = m_nViewIndex;
    const int n = (v >= 1 && v <= CLogTreeThread::RESULT_VIEWS) ? CLogTreeThread::RESULT_VIEWS - 1
                                                                 : CLogTreeThread::RESULT_VIEWS;
    m_lstResultView.ResetContent();
    m_lstResultView.FitItems(n);
    for (int k = 1; k <= CLogTreeThread::RESULT_VIEWS; ++k) {
        if (k == v) continue;
        wchar_t text[8];
        wsprintfW(text, L"%d", k);
        const int i = m_lstResultView.AddString(text);
        if (i < 0) throw CExcept(ZV_ERR_MEMORY_BSTR);
        m_lstResultView.SetItemData(i, static_cast<DWORD_PTR>(k));
    }
    // A saved position beyond the list (a hand-edited setting) takes the
    // first listed window, so that OK always has a target.
    if (nPosition < 0 || nPosition >= m_lstResultView.GetCount()) nPosition = 0;
    m_lstResultView.SetCurSel(nPosition);
}

int CFindDialog::ResultListPosition() const {
    const int n = m_lstResultView.GetCurSel();
    if (n >= 0) return n;
    return m_lstResultView.GetCount() > 0 ? 0 : -1;
}

void CFindDialog::StoreOptions() {
    if (!m_pConditions) return;
    DWORD w = m_pConditions->m_options & ~(SSO_CLIENT | SSO_LABEL | SSO_OBJECT | SSO_PATH | SSO_MATCH_OBJECTS |
                                           SSO_OWN_WINDOW | SSO_VIEW_MASK);
    if (m_chkClient.GetCheck() == BST_CHECKED) w |= SSO_CLIENT;
    if (m_chkLabel.GetCheck() == BST_CHECKED) w |= SSO_LABEL;
    if (m_chkObject.GetCheck() == BST_CHECKED) w |= SSO_OBJECT;
    if (m_radPath.GetCheck() == BST_CHECKED) w |= SSO_PATH;
    if (m_radMatchObjects.GetCheck() == BST_CHECKED) w |= SSO_MATCH_OBJECTS;
    if (m_radCurrentView.GetCheck() == BST_CHECKED) {
        w |= SSO_OWN_WINDOW;
    } else {
        const int n = ResultListPosition();
        const DWORD k = n >= 0 ? static_cast<DWORD>(m_lstResultView.GetItemData(n)) & 0xF : 0;
        w |= (k << SSO_VIEW_SHIFT) & SSO_VIEW_MASK;
    }
    m_pConditions->m_options = w;
}

void CFindDialog::FillRecentFinds(CComboBox& valueBox) {
    std::wstring saved = valueBox.GetWindowText();
    valueBox.ResetContent();
    for (const CBstr& s : CAppSettings::Get().Common.RecentFind) {
        if (s.Length() == 0) break;
        valueBox.AddString(s);
    }
    valueBox.SetWindowText(saved.c_str());
}

void CFindDialog::RestoreOptions() {
    const DWORD w = m_nViewIndex >= 0 && m_nViewIndex < SETTINGS_VIEW_SLOTS
                        ? CAppSettings::Get().Common.FindDialog[m_nViewIndex]
                        : 0;
    m_chkClient.SetCheck((w & DLGOPT_CLIENT) ? BST_CHECKED : BST_UNCHECKED);
    m_chkLabel.SetCheck((w & DLGOPT_LABEL) ? BST_CHECKED : BST_UNCHECKED);
    m_chkObject.SetCheck(BST_CHECKED);
    m_chkObject.EnableWindow(FALSE);
    m_radPath.SetCheck((w & DLGOPT_PATH) ? BST_CHECKED : BST_UNCHECKED);
    m_radName.SetCheck((w & DLGOPT_PATH) ? BST_UNCHECKED : BST_CHECKED);
    m_radCurrentView.SetCheck((w & DLGOPT_CURRENT_VIEW) ? BST_CHECKED : BST_UNCHECKED);
    m_radResultView.SetCheck((w & DLGOPT_CURRENT_VIEW) ? BST_UNCHECKED : BST_CHECKED);
    m_radMatchObjects.SetCheck((w & DLGOPT_MATCH_OBJECTS) ? BST_CHECKED : BST_UNCHECKED);
    m_radSearchObjects.SetCheck((w & DLGOPT_MATCH_OBJECTS) ? BST_UNCHECKED : BST_CHECKED);
    FillResultViewList(static_cast<int>((w & DLGOPT_ROW_MASK) >> DLGOPT_ROW_SHIFT));
    EnableTargetControls();
}

// --- OK and Cancel --------------------------------------------------------------------

void CFindDialog::OnOK() {
    try {
        StoreCondition(m_tree.GetSelectedItem());
        m_tree.Invalidate();
        const int r = m_pConditions ? m_pConditions->Validate() : -1;
        if (r < 0) {
            AfxMessageBox(L"Search condition is not specified.", MB_OK | MB_ICONSTOP);
            return;
        }
        if (r > 0) {
            CBstr text;
            text.Format(L"Wrong search condition = %d.\nDo you want to continue ?", r);
            if (AfxMessageBox(text, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
        }
        StoreOptions();
        PostToOwner(UM_FIND, reinterpret_cast<WPARAM>(m_pConditions), 0);
        // The frame reads the set when it takes UM_FIND and may pass it on to
        // the thread with one more posted message: the set stays as it is
        // until a message posted now has gone round twice.
        ++m_nPendingHandOvers;
        PostMessage(UM_HANDOVER_HOP, 2, 0);
    } catch (const CExcept& e) {
        PostToOwner(UM_FIND_ERROR, e.m_nCode, 0);
    } catch (const std::bad_alloc&) {
        PostToOwner(UM_FIND_ERROR, ZV_ERR_MEMORY, 0);
    }
}

void CFindDialog::OnHandOverHop(int nHopsLeft) {
    if (nHopsLeft > 1) {
        PostMessage(UM_HANDOVER_HOP, nHopsLeft - 1, 0);
        return;
    }
    if (m_nPendingHandOvers > 0) --m_nPendingHandOvers;
    if (m_nPendingHandOvers == 0 && m_nDeferredRebuild >= 0) {
        const bool bReset = m_nDeferredRebuild == 1;
        m_nDeferredRebuild = -1;
        RebuildTree(bReset);
    }
}

void CFindDialog::OnCancel() {
    // Sent, not posted: the object goes with the window below, and no view
    // may keep its pointer past that.
    if (HWND hOwner = GetOwnerHwnd()) ::SendMessageW(hOwner, UM_FINDDIALOG_CLOSED, 0, 0);
    DestroyWindow();
}

// --- placement and the options kept between openings -----------------------------------

void CFindDialog::MoveToSavedRect() {
    if (m_nViewIndex < 0 || m_nViewIndex >= SETTINGS_VIEW_SLOTS) return;
    const RECT& rc = CAppSettings::Get().Window.FindDialog[m_nViewIndex];
    if (::IsRectEmpty(&rc)) return;
    ::MoveWindow(m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

void CFindDialog::OnDestroy() {
    if (m_nViewIndex < 0 || m_nViewIndex >= SETTINGS_VIEW_SLOTS) return;
    CAppSettings& s = CAppSettings::Get();
    WINDOWPLACEMENT wp{sizeof(wp)};
    if (::GetWindowPlacement(m_hWnd, &wp)) s.Window.FindDialog[m_nViewIndex] = wp.rcNormalPosition;
    DWORD w = 0;
    if (m_chkClient.GetCheck() == BST_CHECKED) w |= DLGOPT_CLIENT;
    if (m_chkLabel.GetCheck() == BST_CHECKED) w |= DLGOPT_LABEL;
    if (m_radPath.GetCheck() == BST_CHECKED) w |= DLGOPT_PATH;
    const int n = ResultListPosition();
    if (n > 0) w |= (static_cast<DWORD>(n) << DLGOPT_ROW_SHIFT) & DLGOPT_ROW_MASK;
    if (m_radCurrentView.GetCheck() == BST_CHECKED) w |= DLGOPT_CURRENT_VIEW;
    if (m_radMatchObjects.GetCheck() == BST_CHECKED) w |= DLGOPT_MATCH_OBJECTS;
    s.Common.FindDialog[m_nViewIndex] = w;
}
