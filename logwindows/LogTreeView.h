// The log view: the paged tree view of the log window. It follows the log
// document's update hints, asks the main thread (through the frame) to load
// an object's members when the user opens one during a break, marks and
// offers the objects of the held call for the object-information window,
// and opens the window's one extract, find and move dialog. Its Uncheck All,
// find-navigation and move handlers serve the result views too.
#pragma once
#include "logwindows/TreeViewEx.h"

class CExtractDialog;
class CLogTreeFrame;

class CLogTreeView : public CTreeViewEx {
    DECLARE_DYNCREATE(CLogTreeView)
public:
    CLogTreeView() = default;
    ~CLogTreeView() override = default;

    void OnInitialUpdate() override;
    void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;
    void OnCheckChanged() override;
    CBrush* IsMarkedItem(HTREEITEM hItem) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    CExtractDialog* GetExtractDialog() const { return m_pExtractDialog; }
    void SetExtractDialog(CExtractDialog* pDialog) { m_pExtractDialog = pDialog; }

    // Whether the object-information window can be asked for the node: a
    // call is held, the node is an object (kind 2, key not 0) under the last
    // call line.
    BOOL IsMarkableObject(CLogNode* pNode);
    void SelectCaretItem(HTREEITEM hItem);
    // The call's root item appended, the page bound kept above it; when the
    // view shows the end of the log, the control follows the new end.
    void AppendCallItem(CLogNode* pNode);
    void ShowObjectPopup(HTREEITEM hItem, int x, int y);

    // How a popup menu is shown (a test replaces it to count popups).
    static BOOL (*s_pfnTrackPopup)(HMENU hMenu, UINT nFlags, int x, int y, CWnd* pOwner);

    // --- handlers shared with the result views --------------------------------
    static bool OnSharedUpdate(CTreeViewEx* pView, CCmdUI* pCmdUI);
    static bool OnSharedCommand(CTreeViewEx* pView, UINT nID);
    static void UncheckAll(CTreeViewEx* pView);
    static LRESULT MoveHit(CTreeViewEx* pView, WPARAM nCode);

protected:
    bool OnCmd(UINT nID, int nCode) override;
    bool OnUpdateCmd(CCmdUI* pCmdUI) override;

private:
    CLogTreeFrame* GetLogFrame() const;
    void PostToFrame(UINT message, WPARAM wParam, LPARAM lParam) const;
    void HandleHint(LPARAM lHint, CObject* pHint);
    LRESULT OnItemExpanding(NMTREEVIEWW* pNotify);
    void OnContextMenu();
    LRESULT OnRClick();
    void OnExtractDialog();
    void OnFindDialog();
    void OnMoveDialog();
    void OnObjectInfo();
    // Runs an input handler of the base; a CExcept goes to the frame.
    template <class F> bool Guarded(F&& f);

    CExtractDialog* m_pExtractDialog = nullptr;
};
