// A view whose window is a tree control (WC_TREEVIEW): GetTreeCtrl gives the
// control wrapper over the view's own window. The control paints itself; the
// control's notifications reach the view as reflected child notifications
// (OnChildNotify).
#pragma once
#include "framework/DocView.h"
#include "framework/TreeCtrl.h"

class CTreeView : public CView {
    DECLARE_DYNCREATE(CTreeView)
public:
    CTreeView() = default;
    // The wrapper of this view's own window.
    CTreeCtrl& GetTreeCtrl() const;

    // Makes the window a tree control (class WC_TREEVIEW) before the view's defaults.
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    mutable CTreeCtrl m_treeCtrl;  // attached to m_hWnd on first use; sends only
};
