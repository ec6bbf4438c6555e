// The move dialog of a log or result view: the conditions of the last find
// in that view, one row per conditioned member in its highlight colour with
// a check box and a tip that tells where the member lies, and the four moves
// (&Top, &Prev, &Next, &Bottom). Before each move the row checks become the
// conditions' navigation marks; the view then moves its selection to the
// first, previous, next or last found node whose condition is marked.
//
// Modeless, on the log thread; the view that opens it is its parent, keeps
// one at most and is told with UM_MOVEDIALOG_CLOSED when the user closes it.
// The dialog deletes itself after its window is gone.
#pragma once
#include <windows.h>

#include <map>
#include <string>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Frame.h"
#include "framework/Gdi.h"
#include "search/SearchCondition.h"

class CTreeViewEx;

class CMoveFindDialog : public CDialog {
    DECLARE_DYNAMIC(CMoveFindDialog)
public:
    // Creates the window (not visible) with the view as parent; m_hWnd stays
    // null when it cannot be made (the caller then deletes the object).
    explicit CMoveFindDialog(CTreeViewEx* pView);
    ~CMoveFindDialog() override;

    void DoDataExchange();
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    void ApplyFont();
    // The rows from the bound set's conditions, with their tips.
    void FillHitList();
    // The condition of a skeleton node in the bound set; null when none.
    CSearchCondition* FindHitCondition(CLogNode* pNode) const;
    void SyncHitChecks();
    void UpdateAllSelectCheck();
    void RepositionControls();
    // The tip of every leaf of the bound set's condition skeleton. Throws CExcept 11.
    void BuildTipTexts();
    // The stored tip of a skeleton node (null when it has none).
    const std::wstring* TipText(CLogNode* pNode) const;

    CStatusBar m_wndStatusBar;
    CButton m_btnNext;
    CButton m_btnPrev;
    CButton m_btnTop;
    CButton m_btnBottom;
    CWnd m_lstHits;          // list-view control
    CButton m_chkAllSelect;
    CFont m_ListFont;
    CSearchConditionSet* m_pConditions = nullptr;  // the view's document's active set; not owned
    std::map<CLogNode*, std::wstring> m_TipTexts;

protected:
    bool OnCmd(UINT nID, int nCode) override;

private:
    void OnCreate();
    void OnDestroy();
    void OnMove(int nCode);
    void OnAllSelectClicked();
    LRESULT OnCustomDrawList(NMLVCUSTOMDRAW* pDraw) const;
    void OnItemChangedList(const NMLISTVIEW* pChange);
    void OnGetInfoTip(NMLVGETINFOTIPW* pTip) const;
    void TipLevelClient(CLogNode* pTree);
    void TipLevelLabel(CLogNode* pTree, const std::wstring& text);
    void TipLevelMember(CLogNode* pTree, const std::wstring& text, DWORD nParentKind, size_t nPathStart);
    void StoreTip(CLogNode* pNode, std::wstring text, size_t nPathStart);

    HWND m_hView = nullptr;
    int m_nViewIndex = 0;
    bool m_bCreating = false;  // the constructor runs Create
    bool m_bFilling = false;   // rows are being made
};

// Fills CLogTreeThread::s_pMoveDialog.
void RegisterMoveDialog();
