// The view of a result window: the paged tree view over the document's
// result tree. It follows the result document's update hints, opens the
// window's own find and move dialogs (captioned with the window's number)
// and sends every error it catches to its frame, which shows it and closes
// the window. Nothing is framed in a result view and it never asks for
// members.
#pragma once
#include "logwindows/TreeViewEx.h"

class CResultTreeView : public CTreeViewEx {
    DECLARE_DYNCREATE(CResultTreeView)
public:
    CResultTreeView() = default;
    ~CResultTreeView() override = default;

    void OnInitialUpdate() override;
    void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;
    void OnCheckChanged() override;
    CBrush* IsMarkedItem(HTREEITEM hItem) override { return nullptr; }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    // Posts UM_RESULTVIEW_ERROR (code, 0) to the parent frame.
    void ReportViewError(UINT nCode) const override;
    // Run once after the window is made: an empty root item made the
    // control's caret and deleted again, so that the first real tree starts
    // from a settled control.
    void PrimeTreeCtrl();

    void OnFindDialog();
    void OnMoveDialog();

protected:
    bool OnCmd(UINT nID, int nCode) override;
    bool OnUpdateCmd(CCmdUI* pCmdUI) override;

private:
    void HandleHint(LPARAM lHint, CObject* pHint);
    LRESULT OnItemExpanding(NMTREEVIEWW* pNotify);
};
