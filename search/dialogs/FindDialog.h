// The find dialog of a log or result window: a member tree of what is
// checked in its window, a condition of up to two comparisons with a colour
// for each checked member, the grouping and target options, and OK, which
// hands the condition set to the window's frame (UM_FIND). The dialog is
// modeless, runs on the log thread, creates its window in its constructor and
// deletes itself after its window is destroyed.
//
// A set handed over with UM_FIND is read by the frame (and, for a result
// window, by the log thread's handler the frame passes it to) only after the
// dialog's handler has returned. Until both hops are done the dialog keeps
// that set and the member tree its keys point into exactly as handed over:
// a rebuild asked for meanwhile waits until the find has run.
#pragma once
#include <windows.h>

#include <vector>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Frame.h"
#include "framework/Gdi.h"
#include "framework/TreeCtrl.h"
#include "search/SearchCondition.h"
#include "server/core/Except.h"
#include "server/core/Messages.h"
#include "server/core/CheckedRoots.h"
#include "server/settings/ListBoxEx.h"

class CTreeViewEx;

// Images of the shared check image list used by the member tree.
enum : int { FIND_IMAGE_UNCHECKED = 1, FIND_IMAGE_CHECKED = 2, FIND_IMAGE_FIXED = 3 };

class CFindDialog : public CDialog {
    DECLARE_DYNAMIC(CFindDialog)
public:
    // Makes the (hidden) window with the view as its parent and the empty
    // condition set. Throws CExcept (9 when the set or the window cannot be
    // had, 11 for a text of the initialisation).
    explicit CFindDialog(CTreeViewEx* pView);
    ~CFindDialog() override;

    // --- member tree -------------------------------------------------------------
    CLogNode* CollectTree();
    // Rebuilds the member tree and the control; bReset discards the
    // conditions, else they move onto the new tree. Errors go to the owner
    // frame as UM_FIND_ERROR.
    void RebuildTree(bool bReset);
    CLogNode* RemapConditions(CLogNode* pNewTree, CLogNode* pSelected);
    CLogNode* FindMatchingNode(CLogNode* pNode, CLogNode* pNewTree);
    HTREEITEM InsertTreeItems(HTREEITEM hParent, CLogNode* pChain, CLogNode* pWanted);
    HTREEITEM InsertTreeItem(HTREEITEM hParent, CLogNode* pNode);
    static CBstr FormatItemText(const CLogNode* pNode);
    CLogNode* GetItemNode(HTREEITEM hItem) const;
    CSearchCondition* FindItemCondition(HTREEITEM hItem) const;
    static CSearchConditionSet* NewConditionSet();

    // --- checks and conditions ------------------------------------------------------
    int ToggleItemCheck(HTREEITEM hItem);
    void ApplyItemCheck(HTREEITEM hItem, int nImage);
    // The item's check toggled by a click or the space key, with its condition and the count.
    void ToggleByUser(HTREEITEM hItem);
    void CheckAllItems(HTREEITEM hFirst, BOOL bCheck);
    void UpdateCheckedCount();
    void StoreCondition(HTREEITEM hItem);
    void LoadCondition(HTREEITEM hItem);
    void EnableConditionControls(BOOL bEnable);
    void UpdateTypeIndicator(CComboBox& valueBox, CStatic& indicator, CComboBox& operatorBox, CButton& caseBox);
    BOOL IsValueMismatch(CComboBox& valueBox, BOOL bFirst);
    static void ToggleQuotes(CComboBox& valueBox);
    void SelectColor(int nIndex);
    static void SelectComboItemByData(CComboBox& combo, DWORD_PTR value);
    static DWORD_PTR GetComboItemData(const CComboBox& combo);
    static void FillOperatorCombo(CComboBox& combo);
    void FillColorList();
    int ItemImage(HTREEITEM hItem) const;

    // --- options, target and request ------------------------------------------------
    void StoreOptions();
    void FillResultViewList(int nPosition);
    static void FillRecentFinds(CComboBox& valueBox);
    // The result-view list's selected position, the first item when none is
    // selected (or -1 for an empty list).
    int ResultListPosition() const;

    // --- layout and font ---------------------------------------------------------------
    void LayoutControls();
    void ApplyFont();
    // Repaints the tree and the colour list (the highlight colours changed).
    void Repaint();

    int GetViewIndex() const { return m_nViewIndex; }
    HWND GetOwnerFrame() const { return ::GetWindow(m_hWnd, GW_OWNER); }
    bool IsHandOverPending() const { return m_nPendingHandOvers > 0; }

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    CCheckedRootSet* m_pCheckedRoots = nullptr;  // the owner document's; not owned
    CLogNode* m_pMemberTree = nullptr;           // owned
    CSearchConditionSet* m_pConditions = nullptr;  // owned
    CStatusBar m_wndStatusBar;

    CButton m_btnOK, m_btnCancel;
    CTreeCtrl m_tree;
    CButton m_chkAllSelect;
    CColorListBox m_lstColor;
    CStatic m_lblHighlight;
    CButton m_grpExtract, m_chkClient, m_chkLabel, m_chkObject, m_radPath, m_radName;
    CButton m_grpWindow, m_radCurrentView, m_radResultView;
    CListBoxEx m_lstResultView;
    CStatic m_lblDisplay;
    CButton m_radMatchObjects, m_radSearchObjects;
    CButton m_grpCondition;
    CComboBox m_cboOperator1, m_cboOperator2, m_cboValue1, m_cboValue2;
    CButton m_chkCase1, m_chkCase2, m_radAnd, m_radOr;
    CStatic m_lblType1, m_lblType2, m_lblValue1, m_lblValue2;
    CButton m_btnQuote1, m_btnQuote2;
    CFont m_TreeFont;

protected:
    void DoDataExchange();
    void PostNcDestroy() override;
    bool OnCmd(UINT nID, int nCode) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    // Private message: one hop of a hand-over (wParam: hops left).
    static constexpr UINT UM_HANDOVER_HOP = WM_APP + 0x200;

    void RebuildTreeOrThrow(bool bReset);
    void OnShowWindow(BOOL bShow, UINT nStatus);
    LRESULT OnTreeCustomDraw(NMTVCUSTOMDRAW* pDraw);
    LRESULT OnTreeClick();
    LRESULT OnTreeKeyDown(NMTVKEYDOWN* pKey);
    LRESULT OnTreeSelChanged(NMTREEVIEWW* pTree);
    void OnAllSelectClicked();
    void OnValue1Changed();
    void OnValue2Changed();
    void OnQuote1Clicked();
    void OnQuote2Clicked();
    void OnColorSelChange();
    LRESULT OnCtlColorStatic(HDC hdc, HWND hCtl);
    void OnExtractOptionClicked();
    void OnTargetClicked();
    void OnSize(UINT nType, int cx, int cy);
    void OnDestroy();
    void OnHandOverHop(int nHopsLeft);
    void MoveToSavedRect();
    // The option and target controls as the options word of the view's slot says.
    void RestoreOptions();
    void EnableTargetControls();
    // Runs f; a CExcept (or a failed allocation) is shown and the dialog closes.
    template <class F> void ReportAndClose(F&& f);
    // Runs f; true when it throws a CExcept (its code in nCode) or an
    // allocation fails (ZV_ERR_MEMORY).
    template <class F> static bool Fails(F&& f, UINT& nCode);
    // Runs f; a CExcept (or a failed allocation) goes to the owner frame.
    template <class F> void ReportToOwner(F&& f);
    void PostToOwner(UINT message, WPARAM wParam, LPARAM lParam) const;
    void FreeConditionSet(CSearchConditionSet*& pSet);

    int m_nViewIndex = 0;
    bool m_bSelfDelete = false;     // PostNcDestroy deletes the object once it is fully made
    bool m_bTreeBuilt = false;      // the first showing has filled the tree
    bool m_bRebuilding = false;     // the control's items are being replaced
    int m_nPendingHandOvers = 0;
    int m_nDeferredRebuild = -1;    // -1 none, 0 keep the conditions, 1 reset
    UINT m_nInitError = 0;
};

template <class F>
bool CFindDialog::Fails(F&& f, UINT& nCode) {
    try {
        f();
        return false;
    } catch (const CExcept& e) {
        nCode = e.m_nCode;
    } catch (const std::bad_alloc&) {
        nCode = ZV_ERR_MEMORY;
    }
    return true;
}

template <class F>
void CFindDialog::ReportToOwner(F&& f) {
    UINT nCode = 0;
    if (Fails(f, nCode)) PostToOwner(UM_FIND_ERROR, nCode, 0);
}

// Fills the log thread's find-dialog slot.
void RegisterFindDialog();
