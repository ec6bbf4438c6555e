// The find dialog's member tree of what is checked in its window, the checks
// of its members and the editing of their conditions, with the handlers of
// the tree and the editing controls.
#include "search/dialogs/FindDialog.h"

#include <new>

#include "resources/FindDialogRes.h"
#include "server/core/Except.h"
#include "server/core/Messages.h"
#include "server/core/NodeAlgo.h"
#include "server/settings/AppSettings.h"

namespace {

const struct {
    int nOperator;
    LPCWSTR pszText;
} kOperators[] = {
    {SOP_NONE, L""},          {SOP_EQUAL, L"="},          {SOP_NOT_EQUAL, L"!="},
    {SOP_LESS, L"<"},         {SOP_GREATER, L">"},        {SOP_LESS_EQUAL, L"<="},
    {SOP_GREATER_EQUAL, L">="}, {SOP_BEGINS, L"(find) *"}, {SOP_ENDS, L"* (find)"},
    {SOP_CONTAINS, L"* (find) *"},
};

CBstr WindowTextOf(const CWnd& wnd) {
    std::wstring s = wnd.GetWindowText();
    return CBstr(s.c_str());
}

}  // namespace

// --- member tree ------------------------------------------------------------------

CLogNode* CFindDialog::CollectTree() {
    if (!m_pCheckedRoots) return nullptr;
    const BOOL bClient = m_chkClient.GetCheck() == BST_CHECKED;
    const BOOL bLabel = m_chkLabel.GetCheck() == BST_CHECKED;
    const BOOL bObject = m_chkObject.GetCheck() == BST_CHECKED;
    const BOOL bPath = m_radPath.GetCheck() == BST_CHECKED;
    CLogNode* p = CopyCheckedRoots(*m_pCheckedRoots, m_nViewIndex, bObject, bPath, TRUE);
    if (!p) return nullptr;
    p = GroupRootsByClientAndLabel(p, bClient, bLabel);
    p = MergeGroupMembers(p);
    return ChildTreesToLists(p);
}

void CFindDialog::RebuildTree(bool bReset) {
    if (m_nPendingHandOvers > 0) {
        // The handed-over set and the tree its keys lie in stay as they are
        // until the find has copied them.
        if (bReset || m_nDeferredRebuild < 0) m_nDeferredRebuild = bReset ? 1 : 0;
        return;
    }
    try {
        RebuildTreeOrThrow(bReset);
    } catch (const CExcept& e) {
        m_bRebuilding = false;
        PostToOwner(UM_FIND_ERROR, e.m_nCode, 0);
    } catch (const std::bad_alloc&) {
        m_bRebuilding = false;
        PostToOwner(UM_FIND_ERROR, ZV_ERR_MEMORY, 0);
    }
}

void CFindDialog::RebuildTreeOrThrow(bool bReset) {
    CLogNode* pNew = CollectTree();
    CLogNode* pSelect = nullptr;
    try {
        if (bReset || !m_pConditions) {
            // The new set exists before the old one goes.
            CSearchConditionSet* pSet = NewConditionSet();
            FreeConditionSet(m_pConditions);
            m_pConditions = pSet;
        } else {
            pSelect = RemapConditions(pNew, GetItemNode(m_tree.GetSelectedItem()));
        }
    } catch (...) {
        FreeNodeTree(pNew);
        throw;
    }
    m_bTreeBuilt = true;
    // The items go before the nodes they show.
    m_bRebuilding = true;
    m_tree.DeleteAllItems();
    CLogNode* pOld = m_pMemberTree;
    m_pMemberTree = pNew;
    FreeNodeTree(pOld);
    HTREEITEM hSelect = InsertTreeItems(TVI_ROOT, m_pMemberTree, pSelect);
    m_bRebuilding = false;
    if (!hSelect) hSelect = m_tree.GetFirstVisibleItem();
    if (hSelect) {
        m_tree.SelectItem(hSelect);
    } else {
        LoadCondition(nullptr);
        EnableConditionControls(FALSE);
    }
    UpdateCheckedCount();
}

CLogNode* CFindDialog::RemapConditions(CLogNode* pNewTree, CLogNode* pSelected) {
    CSearchConditionSet* pNew = NewConditionSet();
    CLogNode* pResult = nullptr;
    CSearchConditionSet* pOld = m_pConditions;
    const bool bWalk = pNewTree && pOld && !pOld->m_conditions.empty();
    // First the new map is filled while the old set still owns every
    // condition: a failed insertion leaves the old set as it was.
    try {
        if (bWalk) {
            for (pOld->m_cursor = pOld->m_conditions.begin(); pOld->m_cursor != pOld->m_conditions.end();
                 ++pOld->m_cursor) {
                CLogNode* k = pOld->m_cursor->first;
                if (!k || !pOld->m_cursor->second) continue;
                CLogNode* m = FindMatchingNode(k, pNewTree);
                if (!m) continue;
                // Two old members on one new node: the later one wins.
                pNew->m_conditions[m] = pOld->m_cursor->second;
                if (k == pSelected) pResult = m;
            }
        }
    } catch (const std::bad_alloc&) {
        pNew->m_conditions.clear();  // the conditions are still the old set's
        FreeConditionSet(pNew);
        throw CExcept(ZV_ERR_MEMORY);
    }
    // Then the old set gives up the conditions that moved; a replaced one
    // stays there and is freed with it.
    if (bWalk) {
        for (pOld->m_cursor = pOld->m_conditions.begin(); pOld->m_cursor != pOld->m_conditions.end();
             ++pOld->m_cursor) {
            CLogNode* k = pOld->m_cursor->first;
            if (!k || !pOld->m_cursor->second) continue;
            CLogNode* m = FindMatchingNode(k, pNewTree);
            auto it = m ? pNew->m_conditions.find(m) : pNew->m_conditions.end();
            if (it != pNew->m_conditions.end() && it->second == pOld->m_cursor->second)
                pOld->m_cursor->second = nullptr;
        }
    }
    FreeConditionSet(m_pConditions);
    m_pConditions = pNew;
    return pResult;
}

CLogNode* CFindDialog::FindMatchingNode(CLogNode* pNode, CLogNode* pNewTree) {
    if (!pNode) return nullptr;
    CLogNode* pLeft = pNode;
    CLogNode* pParent = pNode->m_pBack;
    while (pParent && pParent->m_pChildren != pLeft) {
        pLeft = pParent;
        pParent = pParent->m_pBack;
    }
    if (pParent) {
        CLogNode* pMatch = FindMatchingNode(pParent, pNewTree);
        return pMatch ? NodeFindSiblingByName(pMatch->m_pChildren, pNode) : nullptr;
    }
    const int nClient = NodeClientId(pNode);
    CLogNode* p = NodeFindSiblingByName(pNewTree, pNode);
    if (m_chkClient.GetCheck() != BST_CHECKED) return p;
    while (p && NodeClientId(p) != nClient) p = NodeFindSiblingByName(p->m_pNext, pNode);
    return p;
}

HTREEITEM CFindDialog::InsertTreeItems(HTREEITEM hParent, CLogNode* pChain, CLogNode* pWanted) {
    HTREEITEM hResult = nullptr;
    for (CLogNode* p = pChain; p; p = p->m_pNext) {
        HTREEITEM h = InsertTreeItem(hParent, p);
        if (p == pWanted) hResult = h;
        if (p->m_pChildren) {
            HTREEITEM hBelow = InsertTreeItems(h, p->m_pChildren, pWanted);
            if (hBelow) hResult = hBelow;
            m_tree.Expand(h, TVE_EXPAND);
        }
    }
    return hResult;
}

HTREEITEM CFindDialog::InsertTreeItem(HTREEITEM hParent, CLogNode* pNode) {
    int nImage = (pNode->m_pEntry && pNode->m_pEntry->Kind() == LOGK_MEMBER) ? FIND_IMAGE_UNCHECKED
                                                                            : FIND_IMAGE_FIXED;
    if (nImage == FIND_IMAGE_UNCHECKED && m_pConditions) {
        CSearchCondition* pCond = m_pConditions->FindCondition(pNode);
        if (pCond && pCond->IsEnabled()) nImage = FIND_IMAGE_CHECKED;
    }
    CBstr text = FormatItemText(pNode);
    TVINSERTSTRUCTW tvi{};
    tvi.hParent = hParent;
    tvi.hInsertAfter = TVI_LAST;
    tvi.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    tvi.item.pszText = const_cast<LPWSTR>(static_cast<LPCWSTR>(text));
    tvi.item.iImage = nImage;
    tvi.item.iSelectedImage = nImage;
    tvi.item.lParam = reinterpret_cast<LPARAM>(pNode);
    HTREEITEM h = m_tree.InsertItem(&tvi);
    if (!h) throw CExcept(ZV_ERR_INSERT_DIALOGITEM);
    return h;
}

CBstr CFindDialog::FormatItemText(const CLogNode* pNode) {
    CBstr text;
    const CLogEntry* e = pNode ? pNode->m_pEntry : nullptr;
    if (!e) return text;
    switch (e->Kind()) {
    case LOGK_CALL:
        if (e->ClientId() != 0 && e->m_name.Length() != 0)
            text.Format(L"Client = %i   %s", e->ClientId(), static_cast<LPCOLESTR>(e->m_name));
        else if (e->ClientId() != 0)
            text.Format(L"Client = %i", e->ClientId());
        else
            text.Format(L"%s", static_cast<LPCOLESTR>(e->m_name));
        break;
    case LOGK_OBJECT:
        text.Format(L"(%s) (%s) %s", static_cast<LPCOLESTR>(e->m_type), static_cast<LPCOLESTR>(e->m_value),
                    static_cast<LPCOLESTR>(e->m_name));
        break;
    case LOGK_ARRAY:
        text.Format(L"(%s) %s", static_cast<LPCOLESTR>(e->m_type), static_cast<LPCOLESTR>(e->m_name));
        break;
    case LOGK_ITEMS:
        text.Format(L"%s", static_cast<LPCOLESTR>(e->m_name));
        break;
    default:
        text.Format(L"(%s) %s = %s", static_cast<LPCOLESTR>(e->m_type), static_cast<LPCOLESTR>(e->m_name),
                    static_cast<LPCOLESTR>(e->m_value));
        break;
    }
    return text;
}

CLogNode* CFindDialog::GetItemNode(HTREEITEM hItem) const {
    return hItem ? reinterpret_cast<CLogNode*>(m_tree.GetItemData(hItem)) : nullptr;
}

CSearchCondition* CFindDialog::FindItemCondition(HTREEITEM hItem) const {
    CLogNode* p = GetItemNode(hItem);
    return (p && m_pConditions) ? m_pConditions->FindCondition(p) : nullptr;
}

int CFindDialog::ItemImage(HTREEITEM hItem) const {
    int nImage = 0, nSelected = 0;
    if (!hItem || !m_tree.GetItemImage(hItem, nImage, nSelected)) return 0;
    return nImage;
}

// --- checks -------------------------------------------------------------------------

int CFindDialog::ToggleItemCheck(HTREEITEM hItem) {
    const int nOld = ItemImage(hItem);
    if (!hItem || nOld == FIND_IMAGE_FIXED) return FIND_IMAGE_FIXED;
    const int nNew = nOld == FIND_IMAGE_CHECKED ? FIND_IMAGE_UNCHECKED : FIND_IMAGE_CHECKED;
    m_tree.SetItemImage(hItem, nNew, nNew);
    // Selecting again stores the previous selection's condition and loads this one.
    m_tree.SelectItem(nullptr);
    m_tree.SelectItem(hItem);
    return nNew;
}

void CFindDialog::ApplyItemCheck(HTREEITEM hItem, int nImage) {
    if (nImage == FIND_IMAGE_FIXED || !m_pConditions) return;
    CLogNode* pNode = GetItemNode(hItem);
    if (!pNode) return;
    CSearchCondition* pCond = m_pConditions->GetOrCreateCondition(pNode);
    if (nImage == FIND_IMAGE_CHECKED) {
        pCond->m_flags |= SCF_ENABLED;
        SelectColor(pCond->ColorIndex());
    } else {
        pCond->m_flags &= ~(SCF_ENABLED | SCF_INVALID);
    }
}

void CFindDialog::ToggleByUser(HTREEITEM hItem) {
    const int nImage = ToggleItemCheck(hItem);
    ApplyItemCheck(hItem, nImage);
    UpdateCheckedCount();
    m_tree.Invalidate();
}

void CFindDialog::CheckAllItems(HTREEITEM hFirst, BOOL bCheck) {
    const int nWanted = bCheck ? FIND_IMAGE_CHECKED : FIND_IMAGE_UNCHECKED;
    for (HTREEITEM h = hFirst; h; h = m_tree.GetNextSiblingItem(h)) {
        const int nImage = ItemImage(h);
        if ((nImage == FIND_IMAGE_UNCHECKED || nImage == FIND_IMAGE_CHECKED) && nImage != nWanted) {
            m_tree.SetItemImage(h, nWanted, nWanted);
            ApplyItemCheck(h, nWanted);
        }
        if (HTREEITEM hChild = m_tree.GetChildItem(h)) CheckAllItems(hChild, bCheck);
    }
}

void CFindDialog::UpdateCheckedCount() {
    const int n = m_pConditions ? m_pConditions->CountEnabled() : 0;
    for (CButton* p : {&m_chkClient, &m_chkLabel, &m_radPath, &m_radName}) p->EnableWindow(n == 0);
    m_chkAllSelect.SetCheck(n != 0 ? BST_CHECKED : BST_UNCHECKED);
}

// --- conditions ------------------------------------------------------------------------

void CFindDialog::StoreCondition(HTREEITEM hItem) {
    const int nImage = ItemImage(hItem);
    if (!hItem || nImage == FIND_IMAGE_FIXED) return;
    CSearchCondition* pCond = FindItemCondition(hItem);
    if (!pCond) return;
    if (nImage == FIND_IMAGE_CHECKED) pCond->m_flags |= SCF_ENABLED;
    else pCond->m_flags &= ~(SCF_ENABLED | SCF_INVALID);
    CBstr text1 = WindowTextOf(m_cboValue1);
    pCond->SetComparison1(text1, static_cast<int>(GetComboItemData(m_cboOperator1)),
                          m_chkCase1.GetCheck() == BST_CHECKED);
    CAppSettings::Get().AddRecentFind(text1);
    CBstr text2 = WindowTextOf(m_cboValue2);
    pCond->SetComparison2(text2, static_cast<int>(GetComboItemData(m_cboOperator2)),
                          m_chkCase2.GetCheck() == BST_CHECKED);
    CAppSettings::Get().AddRecentFind(text2);
    if (pCond->IsValid()) pCond->m_flags &= ~SCF_INVALID;
    if (m_radAnd.GetCheck() == BST_CHECKED) pCond->m_flags |= SCF_AND;
    else pCond->m_flags &= ~SCF_AND;
}

void CFindDialog::LoadCondition(HTREEITEM hItem) {
    if (CSearchCondition* pCond = FindItemCondition(hItem)) {
        m_cboValue1.SetWindowText(pCond->m_text1);
        m_cboValue2.SetWindowText(pCond->m_text2);
        SelectComboItemByData(m_cboOperator1, pCond->Operator1());
        SelectComboItemByData(m_cboOperator2, pCond->Operator2());
        m_chkCase1.SetCheck((pCond->m_flags & SCF_CASE1) ? BST_CHECKED : BST_UNCHECKED);
        m_chkCase2.SetCheck((pCond->m_flags & SCF_CASE2) ? BST_CHECKED : BST_UNCHECKED);
        const bool bAnd = (pCond->m_flags & SCF_AND) != 0;
        m_radAnd.SetCheck(bAnd ? BST_CHECKED : BST_UNCHECKED);
        m_radOr.SetCheck(bAnd ? BST_UNCHECKED : BST_CHECKED);
        SelectColor(pCond->ColorIndex());
    } else {
        m_cboValue1.SetWindowText(L"");
        m_cboValue2.SetWindowText(L"");
        m_cboOperator1.SetCurSel(0);
        m_cboOperator2.SetCurSel(0);
        m_chkCase1.SetCheck(BST_UNCHECKED);
        m_chkCase2.SetCheck(BST_UNCHECKED);
        m_radAnd.SetCheck(BST_CHECKED);
        m_radOr.SetCheck(BST_UNCHECKED);
    }
}

void CFindDialog::EnableConditionControls(BOOL bEnable) {
    CWnd* controls[] = {&m_lstColor,  &m_cboOperator1, &m_cboOperator2, &m_cboValue1, &m_cboValue2, &m_radAnd,
                        &m_radOr,     &m_btnQuote1,    &m_btnQuote2,    &m_lblType1,  &m_lblType2};
    for (CWnd* p : controls) p->EnableWindow(bEnable);
    if (bEnable) {
        UpdateTypeIndicator(m_cboValue1, m_lblType1, m_cboOperator1, m_chkCase1);
        UpdateTypeIndicator(m_cboValue2, m_lblType2, m_cboOperator2, m_chkCase2);
    } else {
        m_chkCase1.EnableWindow(FALSE);
        m_chkCase2.EnableWindow(FALSE);
    }
}

void CFindDialog::UpdateTypeIndicator(CComboBox& valueBox, CStatic& indicator, CComboBox& operatorBox,
                                      CButton& caseBox) {
    const int nOperator = static_cast<int>(GetComboItemData(operatorBox));
    if (nOperator < SOP_BEGINS) {
        CSearchValue value;
        CBstr text = WindowTextOf(valueBox);
        value.Parse(text);
        indicator.SetWindowText(value.GetTypeName());
        caseBox.EnableWindow(value.Kind() == SVK_STRING);
    } else {
        indicator.SetWindowText(L"String");
        caseBox.EnableWindow(TRUE);
    }
}

BOOL CFindDialog::IsValueMismatch(CComboBox& valueBox, BOOL bFirst) {
    HTREEITEM hSel = m_tree.GetSelectedItem();
    if (!hSel || ItemImage(hSel) != FIND_IMAGE_CHECKED) return FALSE;
    CBstr text = WindowTextOf(valueBox);
    if (text.Length() == 0) return bFirst;
    CSearchValue value;
    value.Parse(text);
    const int nKind = value.Kind();
    if (nKind == SVK_NULL) return bFirst;
    if (nKind == SVK_STRING) return FALSE;
    bool bAccepted = false;
    switch (GetTypeCategory(GetItemNode(hSel))) {
    case STC_INTEGER:
        bAccepted = nKind == SVK_INTEGER || nKind == SVK_HEX || nKind == SVK_POINT || nKind == SVK_EXPONENT;
        break;
    case STC_FLOATING:
    case STC_DECIMAL:
        bAccepted = nKind == SVK_INTEGER || nKind == SVK_POINT || nKind == SVK_EXPONENT;
        break;
    case STC_DATE:    bAccepted = nKind == SVK_DATE; break;
    case STC_BOOLEAN: bAccepted = nKind == SVK_BOOLEAN; break;
    default:          bAccepted = false; break;
    }
    return bAccepted ? FALSE : TRUE;
}

void CFindDialog::ToggleQuotes(CComboBox& valueBox) {
    std::wstring s = valueBox.GetWindowText();
    if (!s.empty() && (s.front() == L'"' || s.back() == L'"')) {
        while (!s.empty() && s.back() == L'"') s.pop_back();
        size_t n = 0;
        while (n < s.size() && s[n] == L'"') ++n;
        s.erase(0, n);
    } else {
        s = L"\"" + s + L"\"";
    }
    valueBox.SetWindowText(s.c_str());
}

void CFindDialog::SelectColor(int nIndex) {
    for (int i = 0; i < SETTINGS_HIGHLIGHTS; ++i) {
        if (static_cast<int>(m_lstColor.GetItemData(i)) == nIndex) {
            m_lstColor.SetCurSel(i);
            return;
        }
    }
}

void CFindDialog::SelectComboItemByData(CComboBox& combo, DWORD_PTR value) {
    const int n = combo.GetCount();
    for (int i = 0; i < n; ++i) {
        if (combo.GetItemData(i) == value) {
            combo.SetCurSel(i);
            return;
        }
    }
}

DWORD_PTR CFindDialog::GetComboItemData(const CComboBox& combo) {
    const int n = combo.GetCurSel();
    return n == CB_ERR ? 0 : combo.GetItemData(n);
}

void CFindDialog::FillOperatorCombo(CComboBox& combo) {
    combo.ResetContent();
    for (const auto& op : kOperators) {
        const int i = combo.AddString(op.pszText);
        if (i < 0) throw CExcept(ZV_ERR_MEMORY_BSTR);
        combo.SetItemData(i, static_cast<DWORD_PTR>(op.nOperator));
    }
}

void CFindDialog::FillColorList() {
    m_lstColor.ResetContent();
    m_lstColor.FitItems(SETTINGS_HIGHLIGHTS);
    for (int i = 0; i < SETTINGS_HIGHLIGHTS; ++i) {
        const int n = m_lstColor.AddString(L"");
        if (n >= 0) m_lstColor.SetItemData(n, static_cast<DWORD_PTR>(i));
    }
    m_lstColor.SetCurSel(0);
}

// --- handlers of the tree and the editing controls ----------------------------------------

template <class F>
void CFindDialog::ReportAndClose(F&& f) {
    UINT nCode = 0;
    if (!Fails(f, nCode)) return;
    CExcept(nCode).Report();
    PostMessage(WM_CLOSE);
}

void CFindDialog::OnShowWindow(BOOL bShow, UINT) {
    // The tree is filled at the first showing; hiding the dialog or
    // minimizing its owner keeps what the user typed.
    if (bShow && !m_bTreeBuilt) RebuildTree(true);
}

LRESULT CFindDialog::OnTreeCustomDraw(NMTVCUSTOMDRAW* pDraw) {
    switch (pDraw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const CAppSettings& s = CAppSettings::Get();
        pDraw->clrText = s.WindowTextColor;
        pDraw->clrTextBk = s.WindowColor;
        CLogNode* pNode = reinterpret_cast<CLogNode*>(pDraw->nmcd.lItemlParam);
        CSearchCondition* pCond = (pNode && m_pConditions) ? m_pConditions->FindCondition(pNode) : nullptr;
        if (pCond && pCond->IsEnabled())
            pDraw->clrTextBk = (pCond->m_flags & SCF_INVALID) ? s.Font.Color[0] : s.Font.Highlight[pCond->ColorIndex()];
        return CDRF_NEWFONT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

LRESULT CFindDialog::OnTreeClick() {
    ReportAndClose([&] {
        const DWORD pos = ::GetMessagePos();
        POINT pt{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
        m_tree.ScreenToClient(&pt);
        UINT nFlags = 0;
        HTREEITEM hItem = m_tree.HitTest(pt, &nFlags);
        if (!hItem || !(nFlags & TVHT_ONITEMICON) || (nFlags & TVHT_ONITEMBUTTON)) return;
        ToggleByUser(hItem);
    });
    return 0;
}

LRESULT CFindDialog::OnTreeKeyDown(NMTVKEYDOWN* pKey) {
    if (pKey->wVKey != VK_SPACE) return 0;
    ReportAndClose([&] {
        HTREEITEM hItem = m_tree.GetSelectedItem();
        if (!hItem) return;
        ToggleByUser(hItem);
    });
    return 0;
}

LRESULT CFindDialog::OnTreeSelChanged(NMTREEVIEWW* pTree) {
    if (m_bRebuilding) return 0;
    HTREEITEM hOld = pTree->itemOld.hItem;
    HTREEITEM hNew = pTree->itemNew.hItem;
    UINT nCode = 0;
    try {
        if (hOld) {
            m_tree.SetItemState(hOld, 0, TVIS_BOLD);
            StoreCondition(hOld);
            UpdateCheckedCount();
        }
    } catch (const CExcept& e) {
        nCode = e.m_nCode;
    } catch (const std::bad_alloc&) {
        nCode = ZV_ERR_MEMORY;
    }
    // The new selection shows its own condition whether or not the old one
    // could be stored; a failure is reported by the owner frame.
    try {
        if (hNew) {
            m_tree.SetItemState(hNew, TVIS_BOLD, TVIS_BOLD);
            LoadCondition(hNew);
            EnableConditionControls(ItemImage(hNew) == FIND_IMAGE_CHECKED);
        }
    } catch (const CExcept& e) {
        if (!nCode) nCode = e.m_nCode;
    } catch (const std::bad_alloc&) {
        if (!nCode) nCode = ZV_ERR_MEMORY;
    }
    if (nCode) PostToOwner(UM_FIND_ERROR, nCode, 0);
    return 0;
}

void CFindDialog::OnAllSelectClicked() {
    ReportAndClose([&] {
        CheckAllItems(m_tree.GetRootItem(), m_chkAllSelect.GetCheck() == BST_CHECKED);
        UpdateCheckedCount();
        HTREEITEM hSel = m_tree.GetSelectedItem();
        if (hSel) {
            const bool bChecked = ItemImage(hSel) == FIND_IMAGE_CHECKED;
            EnableConditionControls(bChecked);
            if (bChecked)
                if (CSearchCondition* pCond = FindItemCondition(hSel)) SelectColor(pCond->ColorIndex());
        }
        m_tree.Invalidate();
    });
}

void CFindDialog::OnValue1Changed() {
    ReportToOwner([&] { UpdateTypeIndicator(m_cboValue1, m_lblType1, m_cboOperator1, m_chkCase1); });
    m_lblType1.Invalidate();
}

void CFindDialog::OnValue2Changed() {
    ReportToOwner([&] { UpdateTypeIndicator(m_cboValue2, m_lblType2, m_cboOperator2, m_chkCase2); });
    m_lblType2.Invalidate();
}

void CFindDialog::OnQuote1Clicked() {
    ToggleQuotes(m_cboValue1);
    OnValue1Changed();
}

void CFindDialog::OnQuote2Clicked() {
    ToggleQuotes(m_cboValue2);
    OnValue2Changed();
}

void CFindDialog::OnColorSelChange() {
    HTREEITEM hSel = m_tree.GetSelectedItem();
    const int n = m_lstColor.GetCurSel();
    if (!hSel || n == LB_ERR) return;
    const DWORD_PTR data = m_lstColor.GetItemData(n);
    if (data == static_cast<DWORD_PTR>(LB_ERR)) return;
    if (CSearchCondition* pCond = FindItemCondition(hSel)) {
        pCond->SetColorIndex(static_cast<int>(data));
        m_tree.Invalidate();
    }
}

LRESULT CFindDialog::OnCtlColorStatic(HDC hdc, HWND hCtl) {
    BOOL bWarn = FALSE;
    try {
        switch (::GetDlgCtrlID(hCtl)) {
        case IDC_FIND_TYPE1: bWarn = IsValueMismatch(m_cboValue1, TRUE); break;
        case IDC_FIND_TYPE2: bWarn = IsValueMismatch(m_cboValue2, FALSE); break;
        default: break;
        }
    } catch (const CExcept&) {
        bWarn = FALSE;  // a text that cannot be read now is judged at the next paint
    } catch (const std::bad_alloc&) {
        bWarn = FALSE;
    }
    if (!bWarn) return CDialog::WindowProc(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc), reinterpret_cast<LPARAM>(hCtl));
    ::SetBkColor(hdc, CAppSettings::Get().Font.Color[0]);
    return reinterpret_cast<LRESULT>(CAppSettings::Get().WarningBrush.GetSafeHandle());
}
