// The find dialog: message dispatch, the option and target controls, the
// recent finds, OK and Cancel, placement, layout and font, and its slot.
#include "search/dialogs/FindDialog.h"

#include <algorithm>
#include <new>

#include "logwindows/LogTreeThread.h"
#include "logwindows/TreeViewEx.h"
#include "resources/FindDialogRes.h"
#include "search/dialogs/DialogLayout.h"
#include "server/core/Except.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

// --- dispatch ---------------------------------------------------------------------

LRESULT CFindDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SHOWWINDOW:
        Default();
        OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
        return 0;
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SIZE:
        Default();
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return CDialog::WindowProc(message, wParam, lParam);
    case UM_HANDOVER_HOP:
        OnHandOverHop(static_cast<int>(wParam));
        return 0;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

bool CFindDialog::OnCmd(UINT nID, int nCode) {
    switch (nID) {
    case IDC_FIND_ALLSELECT:
        if (nCode == BN_CLICKED) { OnAllSelectClicked(); return true; }
        break;
    case IDC_FIND_OPERATOR1:
        if (nCode == CBN_SELCHANGE) { OnValue1Changed(); return true; }
        break;
    case IDC_FIND_VALUE1:
        if (nCode == CBN_EDITCHANGE || nCode == CBN_SELCHANGE) {
            // A pick from the drop-down is in the edit field only after the
            // notification: the indicator follows the picked text.
            if (nCode == CBN_SELCHANGE) {
                const int n = m_cboValue1.GetCurSel();
                if (n >= 0) m_cboValue1.SetWindowText(m_cboValue1.GetLBText(n).c_str());
            }
            OnValue1Changed();
            return true;
        }
        if (nCode == CBN_DROPDOWN) { ReportToOwner([&] { FillRecentFinds(m_cboValue1); }); return true; }
        break;
    case IDC_FIND_OPERATOR2:
        if (nCode == CBN_SELCHANGE) { OnValue2Changed(); return true; }
        break;
    case IDC_FIND_VALUE2:
        if (nCode == CBN_EDITCHANGE || nCode == CBN_SELCHANGE) {
            if (nCode == CBN_SELCHANGE) {
                const int n = m_cboValue2.GetCurSel();
                if (n >= 0) m_cboValue2.SetWindowText(m_cboValue2.GetLBText(n).c_str());
            }
            OnValue2Changed();
            return true;
        }
        if (nCode == CBN_DROPDOWN) { ReportToOwner([&] { FillRecentFinds(m_cboValue2); }); return true; }
        break;
    case IDC_FIND_QUOTE1:
        if (nCode == BN_CLICKED) { OnQuote1Clicked(); return true; }
        break;
    case IDC_FIND_QUOTE2:
        if (nCode == BN_CLICKED) { OnQuote2Clicked(); return true; }
        break;
    case IDC_FIND_COLORLIST:
        if (nCode == LBN_SELCHANGE) { OnColorSelChange(); return true; }
        break;
    case IDC_FIND_CLIENT: case IDC_FIND_LABEL: case IDC_FIND_PATH: case IDC_FIND_NAME:
        if (nCode == BN_CLICKED) { OnExtractOptionClicked(); return true; }
        break;
    case IDC_FIND_CURRENTVIEW: case IDC_FIND_RESULTVIEW:
        if (nCode == BN_CLICKED) { OnTargetClicked(); return true; }
        break;
    case IDC_FIND_RESULTLIST:
        if (nCode == LBN_DBLCLK) { OnOK(); return true; }
        break;
    default:
        break;
    }
    return CDialog::OnCmd(nID, nCode);
}

BOOL CFindDialog::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    auto* pHdr = reinterpret_cast<NMHDR*>(lParam);
    if (!pHdr || pHdr->idFrom != IDC_FIND_TREE) return CDialog::OnNotify(wParam, lParam, pResult);
    switch (pHdr->code) {
    case NM_CUSTOMDRAW:   *pResult = OnTreeCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW*>(lParam)); return TRUE;
    case NM_CLICK:        *pResult = OnTreeClick(); return TRUE;
    case TVN_KEYDOWN:     *pResult = OnTreeKeyDown(reinterpret_cast<NMTVKEYDOWN*>(lParam)); return TRUE;
    case TVN_SELCHANGEDW: *pResult = OnTreeSelChanged(reinterpret_cast<NMTREEVIEWW*>(lParam)); return TRUE;
    default: break;
    }
    return CDialog::OnNotify(wParam, lParam, pResult);
}

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

// --- window matters -------------------------------------------------------------------

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

void CFindDialog::OnSize(UINT, int, int) { LayoutControls(); }

void CFindDialog::LayoutControls() {
    if (m_btnOK.IsWindow()) {
        RECT rcWnd, rcOK;
        GetWindowRect(&rcWnd);
        m_btnOK.GetWindowRect(&rcOK);
        const int dx = (rcWnd.right - 400) - rcOK.left;
        const RECT rcTree{rcWnd.left + 15, rcWnd.top + 55, rcWnd.right - 420, rcWnd.bottom - 35};
        MoveControlsAndFill(this,
                            {&m_btnOK,       &m_btnCancel,     &m_lstColor,        &m_lblHighlight, &m_grpExtract,
                             &m_chkClient,   &m_chkLabel,      &m_chkObject,       &m_radPath,      &m_radName,
                             &m_grpWindow,   &m_radCurrentView, &m_radResultView,  &m_lstResultView, &m_lblDisplay,
                             &m_radMatchObjects, &m_radSearchObjects, &m_grpCondition, &m_cboOperator1, &m_cboOperator2,
                             &m_cboValue1,   &m_cboValue2,     &m_chkCase1,        &m_chkCase2,     &m_radAnd,
                             &m_radOr,       &m_lblType1,      &m_lblType2,        &m_lblValue1,    &m_lblValue2,
                             &m_btnQuote1,   &m_btnQuote2},
                            dx, 0, &m_tree, rcTree, SWP_NOACTIVATE);
    }
    if (m_wndStatusBar.IsWindow()) {
        // The status control puts itself at the bottom on WM_SIZE.
        m_wndStatusBar.SendMessage(WM_SIZE, 0, 0);
        m_wndStatusBar.Invalidate();
    }
}

void CFindDialog::ApplyFont() {
    HFONT hFont = ::CreateFontIndirectW(&CAppSettings::Get().Font.FindDialog);
    if (!hFont) return;
    m_tree.SetFont(hFont, TRUE);
    m_TreeFont.Attach(hFont);  // the previous font goes once the tree no longer uses it
}

void CFindDialog::Repaint() {
    Invalidate();
    m_tree.Invalidate();
    m_lstColor.Invalidate();
}

// --- the log thread's slot ---------------------------------------------------------------

namespace {

CFindDialog* CreateFindDialog(CTreeViewEx* pView, CCheckedRootSet* pSource) {
    CFindDialog* p = new CFindDialog(pView);
    p->m_pCheckedRoots = pSource;
    const int v = p->GetViewIndex();
    if (v >= 1 && v <= CLogTreeThread::RESULT_VIEWS) {
        wchar_t caption[64];
        wsprintfW(caption, L"Find (ResultView %d)", v);
        p->SetWindowText(caption);
    }
    return p;
}

void ShowFindDialog(CFindDialog* p, int nCmdShow) { if (p && p->m_hWnd) p->ShowWindow(nCmdShow); }
void RebuildFindTree(CFindDialog* p, int nMode) { if (p && p->m_hWnd) p->RebuildTree(nMode != 0); }
void ApplyFindFont(CFindDialog* p) { if (p && p->m_hWnd) p->ApplyFont(); }
void RepaintFindDialog(CFindDialog* p) { if (p && p->m_hWnd) p->Repaint(); }
void DestroyFindDialog(CFindDialog* p) { if (p && p->m_hWnd) p->DestroyWindow(); }

const CFindDialogSlot kFindDialogSlot = {
    CreateFindDialog, ShowFindDialog, RebuildFindTree, ApplyFindFont, RepaintFindDialog, DestroyFindDialog,
};

}  // namespace

void RegisterFindDialog() { CLogTreeThread::s_pFindDialog = &kFindDialogSlot; }
