// The extract dialog: preview tree, option boxes, result-view list, OK and
// Cancel, placement, layout and font, and its slot of the log thread.
#include "search/dialogs/ExtractDialog.h"

#include <algorithm>
#include <new>

#include "logwindows/LogTreeThread.h"
#include "logwindows/TreeViewEx.h"
#include "resources/ExtractDialogRes.h"
#include "search/dialogs/DialogLayout.h"
#include "server/core/Except.h"
#include "server/core/LogNode.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

IMPLEMENT_DYNAMIC(CExtractDialog, CDialog)

namespace {
constexpr int RESULT_VIEW_ITEMS = 7;
}

CExtractDialog::CExtractDialog(CTreeViewEx* pView) : CDialog(IDD_EXTRACTDIALOG, pView) {
    if (pView) m_nViewIndex = pView->GetViewIndex();
    m_bCreating = true;
    Create(IDD_EXTRACTDIALOG, pView);
    m_bCreating = false;
}

CExtractDialog::~CExtractDialog() {
    FreePreview();
}

void CExtractDialog::FreePreview() {
    CLogNode* p = m_pPreview;
    m_pPreview = nullptr;
    FreeNodeTree(p);
}

void CExtractDialog::PostNcDestroy() {
    // A window that could not be made leaves the object to its maker.
    if (!m_bCreating) delete this;
}

void CExtractDialog::DoDataExchange() {
    struct Binding { int nID; CWnd* pWnd; };
    const Binding controls[] = {
        {IDC_EXTRACT_TREE, &m_tree},        {IDOK, &m_btnOK},
        {IDCANCEL, &m_btnCancel},           {IDC_EXTRACT_CLIENT, &m_chkClient},
        {IDC_EXTRACT_LABEL, &m_chkLabel},   {IDC_EXTRACT_OBJECT, &m_chkObject},
        {IDC_EXTRACT_PATH, &m_radPath},     {IDC_EXTRACT_NAME, &m_radName},
        {IDC_EXTRACT_GROUP, &m_grpCondition}, {IDC_EXTRACT_RESULTLABEL, &m_lblResultView},
    };
    for (const Binding& c : controls)
        if (!c.pWnd->m_hWnd) c.pWnd->Attach(GetDlgItem(c.nID));
}

// --- dispatch ---------------------------------------------------------------------

LRESULT CExtractDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SHOWWINDOW:
        Default();
        RefreshTree();
        return 0;
    case WM_SIZE:
        Default();
        LayoutControls();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return CDialog::WindowProc(message, wParam, lParam);
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

bool CExtractDialog::OnCmd(UINT nID, int nCode) {
    switch (nID) {
    case IDC_EXTRACT_CLIENT:
    case IDC_EXTRACT_LABEL:
    case IDC_EXTRACT_PATH:
    case IDC_EXTRACT_NAME:
        if (nCode == BN_CLICKED) { RefreshTree(); return true; }
        return false;
    case IDC_EXTRACT_OBJECT:
        if (nCode == BN_CLICKED) { OnObjectClicked(); return true; }
        return false;
    case IDC_EXTRACT_RESULTLIST:
        if (nCode == LBN_DBLCLK) { OnOK(); return true; }
        return false;
    }
    return CDialog::OnCmd(nID, nCode);
}

void CExtractDialog::PostToOwner(UINT message, WPARAM wParam, LPARAM lParam) const {
    if (HWND hOwner = GetOwnerHwnd()) ::PostMessageW(hOwner, message, wParam, lParam);
}

// --- initialisation, placement, options -----------------------------------------------

void CExtractDialog::OnCreate() {
    const RECT& rc = CAppSettings::Get().Window.ExtractDialog;
    if (::IsRectEmpty(&rc)) return;
    MoveWindow(rc, TRUE);
}

BOOL CExtractDialog::OnInitDialog() {
    OnCreate();
    m_lstResultView.SubclassDlgItem(IDC_EXTRACT_RESULTLIST, this);
    DoDataExchange();
    ModifyStyle(0, WS_THICKFRAME, SWP_FRAMECHANGED);
    ApplyFont();
    m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR);
    if (m_wndStatusBar.IsWindow()) m_wndStatusBar.SendMessage(WM_SIZE, 0, 0);
    const DWORD w = CAppSettings::Get().Common.ExtractDialog;
    m_chkClient.SetCheck((w & DLGOPT_CLIENT) ? BST_CHECKED : BST_UNCHECKED);
    m_chkLabel.SetCheck((w & DLGOPT_LABEL) ? BST_CHECKED : BST_UNCHECKED);
    m_chkObject.SetCheck((w & DLGOPT_OBJECT) ? BST_CHECKED : BST_UNCHECKED);
    m_radPath.SetCheck((w & DLGOPT_PATH) ? BST_CHECKED : BST_UNCHECKED);
    m_radName.SetCheck((w & DLGOPT_PATH) ? BST_UNCHECKED : BST_CHECKED);
    m_radPath.EnableWindow((w & DLGOPT_OBJECT) != 0);
    m_radName.EnableWindow((w & DLGOPT_OBJECT) != 0);
    try {
        FillResultViewList(static_cast<int>((w & DLGOPT_ROW_MASK) >> DLGOPT_ROW_SHIFT));
    } catch (const CExcept& e) {
        PostToOwner(UM_EXTRACT_ERROR, e.m_nCode, 0);
    } catch (const std::bad_alloc&) {
        PostToOwner(UM_EXTRACT_ERROR, ZV_ERR_MEMORY_BSTR, 0);
    }
    LayoutControls();
    return TRUE;
}

void CExtractDialog::OnDestroy() {
    CAppSettings& s = CAppSettings::Get();
    WINDOWPLACEMENT wp{sizeof(wp)};
    if (GetWindowPlacement(&wp)) s.Window.ExtractDialog = wp.rcNormalPosition;
    DWORD w = 0;
    if (m_chkClient.GetCheck() == BST_CHECKED) w |= DLGOPT_CLIENT;
    if (m_chkLabel.GetCheck() == BST_CHECKED) w |= DLGOPT_LABEL;
    if (m_chkObject.GetCheck() == BST_CHECKED) w |= DLGOPT_OBJECT;
    if (m_radPath.GetCheck() == BST_CHECKED) w |= DLGOPT_PATH;
    const int nSel = m_lstResultView.GetCurSel();
    w |= (static_cast<DWORD>(nSel) << DLGOPT_ROW_SHIFT) & DLGOPT_ROW_MASK;
    s.Common.ExtractDialog = w;
}

void CExtractDialog::OnObjectClicked() {
    const BOOL bObject = m_chkObject.GetCheck() == BST_CHECKED;
    m_radPath.EnableWindow(bObject);
    m_radName.EnableWindow(bObject);
    RefreshTree();
}

void CExtractDialog::FillResultViewList(int nPosition) {
    m_lstResultView.ResetContent();
    m_lstResultView.FitItems(RESULT_VIEW_ITEMS);
    for (int n = 1; n <= RESULT_VIEW_ITEMS; ++n) {
        CBstr text;
        text.SetInt(n);
        const int i = m_lstResultView.AddString(text);
        if (i < 0) throw CExcept(ZV_ERR_MEMORY_BSTR);
        m_lstResultView.SetItemData(i, static_cast<DWORD_PTR>(n));
    }
    // A saved position beyond the seven numbers (a hand-edited setting)
    // takes the first, so that OK always has a result view.
    if (nPosition < 0 || nPosition >= m_lstResultView.GetCount()) nPosition = 0;
    m_lstResultView.SetCurSel(nPosition);
}

// --- the preview ---------------------------------------------------------------------------

CLogNode* CExtractDialog::CollectTree() {
    if (!m_pCheckedRoots) return nullptr;
    const BOOL bClient = m_chkClient.GetCheck() == BST_CHECKED;
    const BOOL bLabel = m_chkLabel.GetCheck() == BST_CHECKED;
    const BOOL bObject = m_chkObject.GetCheck() == BST_CHECKED;
    const BOOL bPath = m_radPath.GetCheck() == BST_CHECKED;
    CLogNode* pList = CopyCheckedRoots(*m_pCheckedRoots, m_nViewIndex, bObject, bPath, FALSE);
    if (!pList) return nullptr;
    pList = GroupRootsByClientAndLabel(pList, bClient, bLabel);
    pList = MergeGroupMembers(pList);
    return ChildTreesToLists(pList);
}

void CExtractDialog::RefreshTree() {
    m_tree.DeleteAllItems();
    FreePreview();
    try {
        m_pPreview = CollectTree();
        InsertTreeItems(TVI_ROOT, m_pPreview);
    } catch (const CExcept& e) {
        PostToOwner(UM_EXTRACT_ERROR, e.m_nCode, 0);
    } catch (const std::bad_alloc&) {
        PostToOwner(UM_EXTRACT_ERROR, ZV_ERR_MEMORY, 0);
    }
}

void CExtractDialog::InsertTreeItems(HTREEITEM hParent, CLogNode* pChain) {
    for (CLogNode* p = pChain; p; p = p->m_pNext) {
        HTREEITEM hItem = InsertTreeItem(hParent, p);
        if (p->m_pChildren) {
            InsertTreeItems(hItem, p->m_pChildren);
            m_tree.Expand(hItem, TVE_EXPAND);
        }
    }
}

HTREEITEM CExtractDialog::InsertTreeItem(HTREEITEM hParent, CLogNode* pNode) {
    CBstr text;
    FormatItemText(pNode, text);
    TVINSERTSTRUCTW tvi{};
    tvi.hParent = hParent;
    tvi.hInsertAfter = TVI_LAST;
    tvi.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    tvi.item.pszText = const_cast<LPWSTR>(static_cast<LPCOLESTR>(text));
    tvi.item.lParam = reinterpret_cast<LPARAM>(pNode);
    HTREEITEM hItem = m_tree.InsertItem(&tvi);
    if (!hItem) throw CExcept(ZV_ERR_INSERT_DIALOGITEM);
    return hItem;
}

void CExtractDialog::ClearItemData(HTREEITEM hFirst) {
    for (HTREEITEM h = hFirst; h; h = m_tree.GetNextSiblingItem(h)) {
        m_tree.SetItemData(h, 0);
        ClearItemData(m_tree.GetChildItem(h));
    }
}

void CExtractDialog::FormatItemText(const CLogNode* pNode, CBstr& strText) {
    const CLogEntry* e = pNode ? pNode->m_pEntry : nullptr;
    if (!e) {
        strText = L"";
        return;
    }
    switch (e->Kind()) {
    case LOGK_CALL:
        if (e->ClientId() != 0 && !e->m_name.IsEmpty())
            strText.Format(L"Client = %i   %s", e->ClientId(), static_cast<LPCOLESTR>(e->m_name));
        else if (e->ClientId() != 0)
            strText.Format(L"Client = %i", e->ClientId());
        else
            strText.Format(L"%s", static_cast<LPCOLESTR>(e->m_name));
        break;
    case LOGK_OBJECT:
        strText.Format(L"(%s) (%s) %s", static_cast<LPCOLESTR>(e->m_type), static_cast<LPCOLESTR>(e->m_value),
                       static_cast<LPCOLESTR>(e->m_name));
        break;
    case LOGK_ITEMS:
        strText.Format(L"%s", static_cast<LPCOLESTR>(e->m_name));
        break;
    default:
        strText.Format(L"(%s) %s", static_cast<LPCOLESTR>(e->m_type), static_cast<LPCOLESTR>(e->m_name));
        break;
    }
}

// --- OK and Cancel ---------------------------------------------------------------------------

void CExtractDialog::OnOK() {
    try {
        ExtractToResultView();
    } catch (const CExcept& e) {
        PostToOwner(UM_EXTRACT_ERROR, e.m_nCode, 0);
    } catch (const std::bad_alloc&) {
        PostToOwner(UM_EXTRACT_ERROR, ZV_ERR_MEMORY, 0);
    }
}

void CExtractDialog::ExtractToResultView() {
    if (!m_pPreview) m_pPreview = CollectTree();
    if (!m_pPreview) return;
    const int nSel = m_lstResultView.GetCurSel();
    if (nSel < 0) return;
    const int n = static_cast<int>(m_lstResultView.GetItemData(nSel));
    if (n < 1 || n > RESULT_VIEW_ITEMS) return;
    LPARAM lParam = n;
    if (m_chkClient.GetCheck() == BST_CHECKED) lParam |= 0x10000;
    if (m_chkLabel.GetCheck() == BST_CHECKED) lParam |= 0x20000;
    if (m_chkObject.GetCheck() == BST_CHECKED) lParam |= 0x40000;
    if (m_radPath.GetCheck() == BST_CHECKED) lParam |= 0x80000;
    m_pPreview = ChildListsToTrees(m_pPreview);
    // The nodes go to the main thread, which frees them after the merge: the
    // items keep showing them, but no item keeps pointing at them.
    ClearItemData(m_tree.GetRootItem());
    CLogNode* pList = m_pPreview;
    m_pPreview = nullptr;
    PostToOwner(UM_EXTRACT_OK, reinterpret_cast<WPARAM>(pList), lParam);
}

void CExtractDialog::OnCancel() {
    // Sent, not posted: the object goes with the window below, and the view
    // must not hold its pointer for a moment longer (a command sent to the
    // log thread in between would reach a deleted dialog).
    if (HWND hOwner = GetOwnerHwnd()) ::SendMessageW(hOwner, UM_EXTRACTDIALOG_CLOSED, 0, 0);
    DestroyWindow();
}

// --- layout and font --------------------------------------------------------------------------

void CExtractDialog::LayoutControls() {
    if (m_wndStatusBar.IsWindow()) {
        // The status control puts itself at the bottom on WM_SIZE.
        m_wndStatusBar.SendMessage(WM_SIZE, 0, 0);
        m_wndStatusBar.Invalidate();
    }
    if (!m_btnOK.IsWindow()) return;
    RECT rcWnd, rcOK;
    GetWindowRect(&rcWnd);
    m_btnOK.GetWindowRect(&rcOK);
    const int dx = rcWnd.left - rcOK.left + 40;
    const int dy = rcWnd.bottom - rcOK.bottom - 40;
    const RECT rcTree{rcWnd.left + 15, rcWnd.top + 35, rcWnd.right - 15, rcWnd.bottom - 190};
    MoveControlsAndFill(this,
                        {&m_btnOK, &m_btnCancel, &m_grpCondition, &m_chkClient, &m_chkLabel, &m_chkObject, &m_radPath,
                         &m_radName, &m_lstResultView, &m_lblResultView},
                        dx, dy, &m_tree, rcTree, SWP_NOACTIVATE);
}

void CExtractDialog::ApplyFont() {
    HFONT hFont = ::CreateFontIndirectW(&CAppSettings::Get().Font.ExtractDialog);
    if (!hFont) return;
    m_tree.SetFont(hFont, TRUE);
    m_TreeFont.Attach(hFont);  // the previous font goes once the tree no longer uses it
}

// --- the slot of the log thread -----------------------------------------------------------

namespace {

CExtractDialog* CreateExtractDialog(CTreeViewEx* pView, CCheckedRootSet* pSource) {
    auto* p = new CExtractDialog(pView);
    if (!p->m_hWnd) {
        delete p;
        return nullptr;
    }
    p->m_pCheckedRoots = pSource;
    return p;
}

const CExtractDialogSlot g_ExtractDialogSlot = {
    &CreateExtractDialog,
    [](CExtractDialog* p, int nCmdShow) { if (p && p->IsWindow()) p->ShowWindow(nCmdShow); },
    [](CExtractDialog* p) { if (p && p->IsWindow()) p->RefreshTree(); },
    [](CExtractDialog* p) { if (p && p->IsWindow()) p->ApplyFont(); },
    [](CExtractDialog* p) { if (p && p->IsWindow()) p->DestroyWindow(); },
};

}  // namespace

void RegisterExtractDialog() { CLogTreeThread::s_pExtractDialog = &g_ExtractDialogSlot; }
