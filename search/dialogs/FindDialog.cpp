// The find dialog: construction and initialisation, the dispatch of its
// messages, layout and font, and its slot of the log thread. The member tree
// and the editing of conditions are in FindDialogTree.cpp; the options, the
// target and the find request in FindDialogOptions.cpp.
#include "search/dialogs/FindDialog.h"

#include <new>

#include "logwindows/LogTreeThread.h"
#include "logwindows/TreeViewEx.h"
#include "resources/FindDialogRes.h"
#include "search/dialogs/DialogLayout.h"
#include "server/core/Except.h"
#include "server/core/Messages.h"
#include "server/core/NodeAlgo.h"
#include "server/settings/AppSettings.h"

IMPLEMENT_DYNAMIC(CFindDialog, CDialog)

// --- construction -----------------------------------------------------------------

CFindDialog::CFindDialog(CTreeViewEx* pView) : CDialog(IDD_FINDDIALOG, pView) {
    m_nViewIndex = pView ? pView->GetViewIndex() : 0;
    try {
        if (!Create(IDD_FINDDIALOG, pView) || !m_hWnd) throw CExcept(ZV_ERR_MEMORY);
        if (m_nInitError) throw CExcept(m_nInitError);
        m_pConditions = NewConditionSet();
    } catch (...) {
        if (m_hWnd) DestroyWindow();
        throw;
    }
    m_bSelfDelete = true;
}

CFindDialog::~CFindDialog() {
    FreeConditionSet(m_pConditions);
    if (m_pMemberTree) {
        CLogNode* p = m_pMemberTree;
        m_pMemberTree = nullptr;
        FreeNodeTree(p);
    }
}

void CFindDialog::PostNcDestroy() {
    if (m_bSelfDelete) delete this;
}

void CFindDialog::FreeConditionSet(CSearchConditionSet*& pSet) {
    CSearchConditionSet* p = pSet;
    pSet = nullptr;
    if (p) {
        p->Clear();
        delete p;
    }
}

void CFindDialog::PostToOwner(UINT message, WPARAM wParam, LPARAM lParam) const {
    if (HWND hOwner = GetOwnerFrame()) ::PostMessageW(hOwner, message, wParam, lParam);
}

void CFindDialog::DoDataExchange() {
    const struct {
        int nID;
        CWnd* pWnd;
    } controls[] = {
        {IDOK, &m_btnOK}, {IDCANCEL, &m_btnCancel}, {IDC_FIND_TREE, &m_tree},
        {IDC_FIND_ALLSELECT, &m_chkAllSelect}, {IDC_FIND_HIGHLIGHT_LABEL, &m_lblHighlight},
        {IDC_FIND_EXTRACT_GROUP, &m_grpExtract}, {IDC_FIND_CLIENT, &m_chkClient},
        {IDC_FIND_LABEL, &m_chkLabel}, {IDC_FIND_OBJECT, &m_chkObject}, {IDC_FIND_PATH, &m_radPath},
        {IDC_FIND_NAME, &m_radName}, {IDC_FIND_WINDOW_GROUP, &m_grpWindow},
        {IDC_FIND_CURRENTVIEW, &m_radCurrentView}, {IDC_FIND_RESULTVIEW, &m_radResultView},
        {IDC_FIND_DISPLAY_LABEL, &m_lblDisplay}, {IDC_FIND_MATCHOBJECTS, &m_radMatchObjects},
        {IDC_FIND_SEARCHOBJECTS, &m_radSearchObjects}, {IDC_FIND_CONDITION_GROUP, &m_grpCondition},
        {IDC_FIND_OPERATOR1, &m_cboOperator1}, {IDC_FIND_OPERATOR2, &m_cboOperator2},
        {IDC_FIND_VALUE1, &m_cboValue1}, {IDC_FIND_VALUE2, &m_cboValue2}, {IDC_FIND_CASE1, &m_chkCase1},
        {IDC_FIND_CASE2, &m_chkCase2}, {IDC_FIND_AND, &m_radAnd}, {IDC_FIND_OR, &m_radOr},
        {IDC_FIND_TYPE1, &m_lblType1}, {IDC_FIND_TYPE2, &m_lblType2},
        {IDC_FIND_VALUE1_LABEL, &m_lblValue1}, {IDC_FIND_VALUE2_LABEL, &m_lblValue2},
        {IDC_FIND_QUOTE1, &m_btnQuote1}, {IDC_FIND_QUOTE2, &m_btnQuote2},
    };
    for (const auto& c : controls) c.pWnd->Attach(GetDlgItem(c.nID));
}

BOOL CFindDialog::OnInitDialog() {
    try {
        m_lstColor.SubclassDlgItem(IDC_FIND_COLORLIST, this);
        m_lstResultView.SubclassDlgItem(IDC_FIND_RESULTLIST, this);
        DoDataExchange();
        MoveToSavedRect();
        ModifyStyle(0, WS_THICKFRAME, SWP_FRAMECHANGED);
        ApplyFont();
        m_wndStatusBar.Create(this);
        LayoutControls();
        RestoreOptions();
        m_lblType1.SetWindowText(L"");
        m_lblType2.SetWindowText(L"");
        m_radAnd.SetCheck(BST_CHECKED);
        m_radOr.SetCheck(BST_UNCHECKED);
        FillOperatorCombo(m_cboOperator1);
        FillOperatorCombo(m_cboOperator2);
        EnableConditionControls(FALSE);
        FillColorList();
        m_tree.SetImageList(CAppSettings::Get().CheckImageList.GetSafeHandle(), TVSIL_NORMAL);
        LayoutControls();
    } catch (const CExcept& e) {
        m_nInitError = e.m_nCode;
    } catch (const std::bad_alloc&) {
        m_nInitError = ZV_ERR_MEMORY;
    }
    return TRUE;
}

CSearchConditionSet* CFindDialog::NewConditionSet() {
    try {
        return new CSearchConditionSet();
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY);
    }
}

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

// --- layout and font ------------------------------------------------------------------

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
