// The extract dialog of the log window: a preview of the call lines under
// which something is checked in the log view, regrouped by client and/or
// label with their checked members, and OK, which hands the regrouped list,
// the chosen result view (1 to 7) and the four option flags to the log frame
// (UM_EXTRACT_OK) for the main thread to extract.
//
// Modeless, on the log thread; the log view opens it (one at most) and the
// dialog deletes itself after its window is gone. Messages go to the owner
// frame (the log frame): UM_EXTRACT_OK, UM_EXTRACTDIALOG_CLOSED when the
// user closes it, UM_EXTRACT_ERROR with the code of a failure.
#pragma once
#include <windows.h>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Frame.h"
#include "framework/Gdi.h"
#include "framework/TreeCtrl.h"
#include "server/core/Bstr.h"
#include "server/core/CheckedRoots.h"
#include "server/settings/ListBoxEx.h"

class CTreeViewEx;

class CExtractDialog : public CDialog {
    DECLARE_DYNAMIC(CExtractDialog)
public:
    // Creates the window (not visible) with the view as parent; m_hWnd stays
    // null when it cannot be made (the caller then deletes the object).
    explicit CExtractDialog(CTreeViewEx* pView);
    ~CExtractDialog() override;

    void DoDataExchange();
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // A new regrouped list from the checked roots and the option boxes; null
    // when nothing contributes. Throws CExcept 10 or 11.
    CLogNode* CollectTree();
    // The preview rebuilt; a failure is posted to the owner frame.
    void RefreshTree();
    // Hands the list over to the owner frame; throws CExcept.
    void ExtractToResultView();
    void ApplyFont();
    void LayoutControls();
    void FillResultViewList(int nPosition);
    void InsertTreeItems(HTREEITEM hParent, CLogNode* pChain);
    HTREEITEM InsertTreeItem(HTREEITEM hParent, CLogNode* pNode);
    // The items from hFirst on (and all below them) point at no node any more.
    void ClearItemData(HTREEITEM hFirst);
    static void FormatItemText(const CLogNode* pNode, CBstr& strText);

    CLogNode* GetPreview() const { return m_pPreview; }

    CStatusBar m_wndStatusBar;
    CTreeCtrl m_tree;
    CButton m_btnOK;
    CButton m_btnCancel;
    CButton m_chkClient;
    CButton m_chkLabel;
    CButton m_chkObject;
    CButton m_radPath;
    CButton m_radName;
    CButton m_grpCondition;
    CListBoxEx m_lstResultView;
    CStatic m_lblResultView;
    CFont m_TreeFont;
    CCheckedRootSet* m_pCheckedRoots = nullptr;  // the log document's; not owned

protected:
    bool OnCmd(UINT nID, int nCode) override;

private:
    void OnCreate();
    void OnDestroy();
    void OnObjectClicked();
    void PostToOwner(UINT message, WPARAM wParam, LPARAM lParam) const;
    void FreePreview();

    CLogNode* m_pPreview = nullptr;  // owned until OK hands it over
    int m_nViewIndex = 0;
    bool m_bCreating = false;        // the constructor runs Create
};

// Fills CLogTreeThread::s_pExtractDialog.
void RegisterExtractDialog();
