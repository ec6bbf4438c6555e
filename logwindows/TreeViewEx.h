// The paged tree view: the abstract view base of the log window and of the
// result windows.
//
// A log grows with every call, so the tree control never holds the whole
// document: it holds a short run of whole top-level nodes around the visible
// page (at least visible count + 1 rows above the first visible item and
// 2 x visible count + 1 below it, as far as the document has them), each with
// the items its expansion shows plus one level of children below every
// visible item. A call line of very many members (more direct children than
// kWholeChildren) is not loaded whole: its item holds a run of its children
// around the page, kept to the same bounds, so that the run's rows have two
// gaps at most: between such a call line's item and its first loaded child,
// and after its last loaded child. Every walk over the run's rows stops at a
// gap as at the run's ends, and the walks that load fill it from the run's
// side. The view keeps its own row arithmetic over the whole document
// (first row, total rows) and pushes it to the frame's external scroll bar.
//
// Each item holds its CLogNode* as item data and shows image 2 (checked in
// this view) or 1 (unchecked) of the shared check-box images.
//
// Every page move hides the view for its duration and sets the busy flag, so
// that the size changes it causes do not move the page again. Item loading
// throws CExcept 23 (the control refused an item) or 11; nothing here catches
// it: the derived views wrap every handler.
#pragma once
#include <new>
#include "framework/TreeView.h"
#include "framework/Gdi.h"
#include "server/core/Bstr.h"
#include "server/core/Except.h"
#include "server/core/NodeAlgo.h"
#include "logwindows/TreeDocEx.h"

class CVertScrollBar;
class CFindDialog;
class CMoveFindDialog;

// Whether a node is expanded in view nView (false for no node or a bare one).
inline BOOL IsExpandedIn(const CLogNode* p, int nView) { return p && p->m_pEntry && p->NodeIsExpanded(nView); }

class CTreeViewEx : public CTreeView {
    DECLARE_DYNAMIC(CTreeViewEx)
public:
    ~CTreeViewEx() override;  // releases the view font

    CTreeDocEx* GetDocument() const;

    // --- state ----------------------------------------------------------------
    int GetViewIndex() const { return m_nViewIndex; }
    void SetViewIndex(int nViewIndex) { m_nViewIndex = nViewIndex; }
    CVertScrollBar* GetScrollBarDialog() const { return m_pScrollBar; }
    void SetScrollBarDialog(CVertScrollBar* pScrollBar) { m_pScrollBar = pScrollBar; }
    CLogNode* GetCaretNode() const { return m_pCaretNode; }
    void SetCaretNode(CLogNode* pNode) { m_pCaretNode = pNode; }
    int GetFirstRow() const { return m_nFirstRow; }
    void SetFirstRow(int nRow) { m_nFirstRow = nRow; }
    int GetTotalRows() const { return m_nTotalRows; }
    void SetTotalRows(int nRows) { m_nTotalRows = nRows; }
    CFoundNodeMap* GetFoundNodes() const { return m_pFoundNodes; }
    void SetFoundNodes(CFoundNodeMap* pMap) { m_pFoundNodes = pMap; }
    CFindDialog* GetFindDialog() const { return m_pFindDialog; }
    void SetFindDialog(CFindDialog* pDialog) { m_pFindDialog = pDialog; }
    CMoveFindDialog* GetMoveDialog() const { return m_pMoveDialog; }
    void SetMoveDialog(CMoveFindDialog* pDialog) { m_pMoveDialog = pDialog; }
    // What UpdateScrollBar last pushed (minimum 0, maximum, page, position).
    const SCROLLINFO& GetPushedScrollInfo() const { return m_ScrollInfo; }
    BOOL IsBusy() const { return m_bBusy != 0; }
    // Makes the check-image offsets be computed again at the next drawing
    // (after a font change).
    void ResetCheckImageOffsets() { m_nCheckOffsetX = 0; m_nCheckOffsetY = 0; }

    // --- items and the page -------------------------------------------------------
    // The node an item shows (its item data); null for null.
    CLogNode* NodeOfItem(HTREEITEM hItem) const;
    // Items that fit in the client area (the control's visible count).
    int VisibleCount() const;
    // Label of a node, by the kind of its entry.
    void FormatItemText(const CLogNode* pNode, CBstr& strText) const;
    // One item with label, check image and node; null for a null node.
    HTREEITEM InsertNodeItem(HTREEITEM hParent, CLogNode* pNode, HTREEITEM hInsertAfter);
    // Appends a top-level node as the last root item with its direct
    // children, expanded or collapsed by its expanded bit. Of a call line of
    // very many members only a run of children is loaded: from the child
    // that holds pAround (null or the node itself: from its first child),
    // about three pages of rows, fewer when they run out there.
    void LoadRootItem(CLogNode* pNode, CLogNode* pAround = nullptr);
    // The top-level node before (after) the one of hItem's root item becomes
    // the first (last) root item; FALSE when there is none.
    BOOL InsertPreviousRoot(HTREEITEM hItem);
    BOOL InsertNextRoot(HTREEITEM hItem);
    // Page bounds on one side of hItem: loads whole top-level nodes until
    // visible count x nPages + 1 rows lie beyond it and deletes the root
    // items wholly beyond that.
    void KeepPagesAbove(HTREEITEM hItem, int nPages);
    void KeepPagesBelow(HTREEITEM hItem, int nPages);
    // Fills the child items of an item being expanded one level deeper.
    // Returns the expanded item's node when one of its children still has
    // members to load and it lies under the document's last top-level node;
    // else null.
    CLogNode* LoadChildItems(HTREEITEM hItem);
    // One child item's own children, checked when it is, unless it has them
    // already; TRUE when its node has none yet but members that can be loaded.
    BOOL LoadGrandchildren(HTREEITEM hChild);
    HTREEITEM RootItemOf(HTREEITEM hItem) const;
    HTREEITEM RootOfFirstVisible() const;
    // n row steps down (up) over the loaded rows, stopping at the ends and gaps.
    HTREEITEM StepDown(HTREEITEM hItem, int n) const;
    HTREEITEM StepUp(HTREEITEM hItem, int n) const;
    CLogNode* FirstRootNode() const;
    // Trace root of the root item that holds the last visible item.
    CLogNode* LastRootTraceNode() const;
    HTREEITEM FindRootItemOfNode(HTREEITEM hStart, CLogNode* pNode) const;
    HTREEITEM FindVisibleItemOfNode(HTREEITEM hStart, CLogNode* pNode) const;
    HTREEITEM FindItemOfNode(CLogNode* pNode) const;
    int CountVisibleItems(HTREEITEM hFrom, HTREEITEM hTo) const;
    int CountSiblings(HTREEITEM hItem) const;
    // Rows from a to b inclusive in display order over the whole document.
    int RowsBetweenNodes(CLogNode* pA, CLogNode* pB) const;
    // Rows of the chain of top-level nodes from pNode on (from the first
    // root item's node when null), up to the document's last node.
    int CountRows(CLogNode* pNode) const;
    // Rows one top-level node shows in this view: its line and what its
    // expansion shows.
    int TopLevelRows(const CLogNode* pNode) const;
    void RepositionPage(HTREEITEM hNew, HTREEITEM hOld, BOOL bDownward);
    void UpdateScrollBar();
    // Deletes every item; first row, total rows, busy flag, caret node and
    // found-node map pointer become 0.
    void ResetTree();
    void SetTreeFont(const LOGFONTW* pLogFont);

    // --- scrolling and input ---------------------------------------------------------
    // A scroll code of the external bar (relayed by the frame).
    void OnScrollCommand(UINT nCode, const SCROLLINFO* pInfo);
    HTREEITEM TrackThumb(const SCROLLINFO* pInfo);
    HTREEITEM ScrollByRows(int d);
    HTREEITEM JumpToRow(int nRow);
    void ScrollToTop();
    void ScrollToBottom();
    // Where the caret node lies: 0 on the page; 0x10 above, 0x20 below;
    // 1 not loaded, 2 loaded.
    int LocateCaret() const;
    // The same at the granularity of top-level nodes (loaded: its root item is).
    int LocateCaretRoot() const;
    void PrepareKeyMove(UINT nKey);
    // Left or Backspace from a child of a wide call line whose line is not
    // next to the loaded children: the line is shown by its node. FALSE:
    // the key is the control's.
    BOOL MoveToWideParent(UINT nChar);
    // A navigation key through the control and the page kept around its move.
    void KeyMove(UINT nChar);
    void AfterExpand(HTREEITEM hOldFirst, HTREEITEM hNewSel, HTREEITEM hOldSel);
    void AfterCollapse(HTREEITEM hOldFirst, HTREEITEM hNewSel, HTREEITEM hOldSel, BOOL bWasExpanded);
    // Selects the caret node's item (clears the selection when it is not loaded).
    void ReselectCaret();
    // Makes an item the first visible one (the control may stop short of it
    // near the end).
    void SetFirstVisible(HTREEITEM hItem);

    // Input handlers; the derived views call them inside their error catch.
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    // TRUE when consumed; FALSE: the caller runs the default processing.
    BOOL OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    BOOL OnMouseWheel(UINT nFlags, short zDelta, POINT pt);
    void OnLButtonDown(UINT nFlags, POINT point);
    void OnLButtonDblClk(UINT nFlags, POINT point);
    void OnRButtonDown(UINT nFlags, POINT point);
    void OnSize(UINT nType, int cx, int cy);

    // --- drawing, check boxes and hit navigation ---------------------------------------
    LRESULT OnCustomDraw(NMTVCUSTOMDRAW* pDraw);
    BOOL OnEraseBkgnd(HDC hdc);
    // Paints below the last item near the end; TRUE: the default erasing is to be skipped.
    BOOL PaintBelowLastItem();
    COLORREF GetItemColor(const CFoundNodeMap* pMap, const CLogNode* pNode) const;
    void FillRowBackground(HDC hdc, const RECT& rcRow, const RECT& rcText);
    RECT GetCheckImageRect(const RECT& rcText);
    // The check box of an item, drawn over the room that the control keeps for it.
    void DrawCheckImage(HDC hdc, HTREEITEM hItem);
    void ToggleCheck(HTREEITEM hItem);
    void SetItemCheck(HTREEITEM hItem, BOOL bChecked);
    void SetChildChecks(HTREEITEM hItem, BOOL bChecked);
    void UpdateParentChecks(HTREEITEM hItem, BOOL bChecked);
    // Unchecked images on the run from hFirst and all its descendants (images only).
    void UncheckItems(HTREEITEM hFirst);
    void FindNext(BOOL bMarkedOnly);
    void FindPrevious(BOOL bMarkedOnly);
    // The next hit after the caret in display order (bForward) or the one
    // before it, shown and selected; the caret stays where no hit is left.
    void FindHit(BOOL bForward, BOOL bMarkedOnly);
    void MoveToLastHit();
    // Brings a node onto the page and selects it.
    void ShowNode(CLogNode* pNode, BOOL bForward);
    int LocateNode(CLogNode* pFirstVisibleNode, CLogNode* pNode) const;
    int ExpandPathTo(CLogNode* pNode);
    HTREEITEM ExpandItemsTo(HTREEITEM hRoot, CLogNode* pNode);
    // Depth-first in display order (reverse order) over the chain and all
    // descendants; *ppPass, while not null, is passed first (and then set to null).
    CLogNode* SearchForward(CLogNode* pChain, CLogNode** ppPass, BOOL bMarkedOnly) const;
    CLogNode* SearchBackward(CLogNode* pChain, CLogNode** ppPass, BOOL bMarkedOnly) const;

    // --- derived views ---------------------------------------------------------------
    // Brings the loaded page up to date before the frame moves it (a view
    // that loads new items later catches up here).
    virtual void BringUpToDate() {}
    // Loads the items that a view keeps waiting, without moving the page or
    // deleting any (a lookup of a node's item finds what was appended).
    virtual void LoadWaitingCalls() {}
    // After every check toggle.
    virtual void OnCheckChanged() = 0;
    // Not null when the item is to be framed in the object-information colour.
    virtual CBrush* IsMarkedItem(HTREEITEM hItem) = 0;

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    void OnInitialUpdate() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // --- the rows of the loaded run --------------------------------------------------
    // A top-level node with more direct children than this has its children
    // loaded as a run around the page.
    static constexpr int kWholeChildren = 128;
    BOOL IsWideNode(const CLogNode* pNode) const;
    // The row after (before) an item's when it is loaded next to it; null at
    // the end of the loaded run and at a gap.
    HTREEITEM NextRowItem(HTREEITEM hItem) const;
    HTREEITEM PrevRowItem(HTREEITEM hItem) const;
    // Loads the row that follows (precedes) hItem's where the run ends or has
    // a gap there: a child of a wide call line, or the next (previous)
    // top-level node. FALSE when the document has none.
    BOOL LoadRowBelow(HTREEITEM hItem);
    BOOL LoadRowAbove(HTREEITEM hItem);
    // The child of a root item that holds hItem (null for a root item).
    HTREEITEM TopChildOf(HTREEITEM hItem) const;
    // Whether a root item's loaded children begin after its node's first child.
    BOOL HasTopGap(HTREEITEM hRoot) const;
    // The child of a root item that holds its last row hItem, when later
    // children of its node are not loaded (null: none is missing there).
    HTREEITEM ChildBeforeGap(HTREEITEM hItem) const;
    // Whether the step from hItem to the next visible hNext goes from a call
    // line's item into children that begin after its first.
    BOOL EntersTopGap(HTREEITEM hItem, HTREEITEM hNext) const;

    // Custom draw, item expanded, selection changed and set focus of the
    // control; the item-expanding notification is left to the derived views.
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

protected:
    CTreeViewEx();

    // The update hints that the log and result views answer alike: the find
    // dialog closed, the view font (pViewFont, the view's saved font), the
    // dialog fonts, the highlight colours and a repaint. FALSE for any other.
    BOOL HandleCommonHint(LPARAM lHint, const LOGFONTW* pViewFont);
    // The move dialog, when there is one, lists the hits again.
    void RefillMoveDialog();

    // Signed rows from one loaded item to another (INT_MIN when one is not loaded).
    int VisibleDistance(HTREEITEM hFrom, HTREEITEM hTo) const;
    // n next-visible (n > 0) or previous-visible steps, loading the
    // neighbouring top-level nodes when the loaded ones run out.
    HTREEITEM StepLoading(HTREEITEM hItem, int n);
    // Expands or collapses a newly loaded item by its node's bit and
    // keeps hFirst the first visible item.
    void ExpandNewRoot(HTREEITEM hItem, CLogNode* pNode, HTREEITEM hFirst);
    // A new root item for a top-level node (see LoadRootItem) before or after
    // the loaded ones (TVI_FIRST, TVI_LAST).
    HTREEITEM InsertRootItem(CLogNode* pNode, HTREEITEM hInsertAfter, CLogNode* pAround);
    // A wide call line's run of child items (no grandchildren) from the child
    // pFrom on, about three pages of rows, continued above pFrom when the
    // children run out first.
    void InsertChildRun(HTREEITEM hRoot, CLogNode* pNode, CLogNode* pFrom);
    // One child of a wide call line next to the loaded ones, with its
    // children and its expansion, as the expansion of its parent loads them.
    HTREEITEM InsertChildRow(HTREEITEM hRoot, CLogNode* pChild, HTREEITEM hInsertAfter);
    // The run of a wide call line's children starts again at its first child
    // (the user expands it, or the page comes to its line).
    void RestartChildRun(HTREEITEM hRoot);
    // The direct child of pNode that holds pAround (null when none does).
    static CLogNode* TopChildNode(CLogNode* pNode, CLogNode* pAround);
    static CLogNode* LastChildNode(CLogNode* pNode);
    // Signed rows from one node to another in display order (the walk
    // costs the distance, not the length of the log).
    int SignedRows(CLogNode* pFrom, CLogNode* pTo) const;
    // First row within 0 .. total rows - visible count.
    void ClampFirstRow();
    // The end of the loaded run as the end of the log: loads a page above
    // its last row and keeps the page bounds around the item that is to be
    // the first visible one, which it returns (it moves nothing on the
    // screen, so it may run while the control does not draw).
    HTREEITEM LoadLastPage();
    // The same when the loaded run ends where the log does; else the end
    // is loaded afresh first.
    HTREEITEM LoadEndOfLog();
    // Puts hFirst (from LoadLastPage) on the first line, so that the last
    // row is on the window's last line; first row follows the total, the
    // caret is selected again and the scroll bar pushed.
    void ShowLastPage(HTREEITEM hFirst);
    // The last row of the document in display order (null for an empty one).
    CLogNode* LastRowOfDocument() const;
    // Clears the busy flag and lets a size change that came meanwhile move the page.
    void ClearBusy();
    // The page after a size change to client height cy (hItem: the first
    // visible item before the control took the new size; null: the current one).
    void ApplySize(int cy, HTREEITEM hItem = nullptr);
    // Looks for a top-level node outwards from the loaded run: up from
    // pBefore and down from pAfter at once; *pbAbove tells the side found.
    CLogNode* WalkTopLevel(CLogNode* pTarget, CLogNode* pBefore, CLogNode* pAfter, BOOL* pbAbove) const;
    // The parent of a node in its tree (null for a top-level node).
    static CLogNode* ParentNode(CLogNode* pNode);

    void OnItemExpanded(const NMTREEVIEWW* pNotify);
    void OnSelChanged(const NMTREEVIEWW* pNotify);
    void OnSetFocus();
    LRESULT OnNcCalcSize(BOOL bCalcValidRects, NCCALCSIZE_PARAMS* pParams);
    // Takes the control's own vertical bar away where it has shown it; not
    // while the view is hidden or draws nothing (a load of many items would
    // calculate the frame for each), but with the message that ends that.
    void HideOwnScrollBar();
    // The messages of the view's own handlers (WindowProc's body).
    LRESULT DispatchViewMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Clicks, keys, sizes and the wheel run under the view's catch: true
    // when the message is one of them, its answer in r (0 when the handler
    // failed, which is reported).
    bool DispatchGuardedInput(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& r);
    // Tells the frame that a handler of the view failed with a code (each
    // kind of view has its own message for it).
    virtual void ReportViewError(UINT nCode) const { (void)nCode; }
    // Runs f under the view's catch: a CExcept or an allocation failure is
    // reported as above, and the answer is false.
    template <class F>
    bool Guarded(F&& f) {
        try {
            f();
            return true;
        } catch (const CExcept& e) {
            ReportViewError(e.m_nCode);
        } catch (const std::bad_alloc&) {
            ReportViewError(ZV_ERR_MEMORY);
        }
        return false;
    }

    // Counts one level of something under way for its scope (nested messages,
    // a root item being loaded).
    struct CScopedCount {
        int& n;
        explicit CScopedCount(int& r) : n(r) { ++n; }
        ~CScopedCount() { --n; }
        CScopedCount(const CScopedCount&) = delete;
        CScopedCount& operator=(const CScopedCount&) = delete;
    };

    // Hides the view for one page move and shows it again (nesting keeps
    // the outermost in charge; the keyboard focus is kept).
    class CHideView {
    public:
        explicit CHideView(CTreeViewEx* pView);
        ~CHideView();
        CHideView(const CHideView&) = delete;
        CHideView& operator=(const CHideView&) = delete;
    private:
        CTreeViewEx* m_pView;
        bool m_bShow = false;
        bool m_bFocus = false;
    };

    int m_nCheckHeight = 16;
    int m_nCheckWidth = 16;
    int m_nViewIndex = 0;
    CVertScrollBar* m_pScrollBar = nullptr;
    CFont m_ViewFont;
    int m_nFirstRow = 0;
    int m_nTotalRows = 0;
    int m_nLastClientHeight = 0;
    SCROLLINFO m_ScrollInfo;
    DWORD m_bBusy = 0;
    CLogNode* m_pCaretNode = nullptr;
    CFoundNodeMap* m_pFoundNodes = nullptr;
    CFindDialog* m_pFindDialog = nullptr;
    CMoveFindDialog* m_pMoveDialog = nullptr;
    RECT m_rcCheckImage = {0, 0, 16, 16};
    // The check boxes are drawn by the view, one blit each from a strip of the
    // check images: Wine's tree control draws an item's image through its image
    // list at about a quarter of a millisecond each, most of the time a page
    // takes to paint. The control gets an empty list of the images' size,
    // which keeps their room and draws nothing.
    UniqueHImageList m_CheckRoom;
    UniqueHBitmap m_CheckStrip;
    UniqueHDC m_hCheckDC;   // holds m_CheckStrip; made at the first check drawn
    int m_nCheckImages = 0;
    int m_nCheckOffsetX = 0;
    int m_nCheckOffsetY = 0;
    int m_nHideDepth = 0;
    bool m_bRedrawOff = false;  // WM_SETREDRAW turned drawing off
    int m_nMessageDepth = 0;    // messages of the view under way, nested
    bool m_bTakingOwnBar = false;  // the frame calculation takes WS_VSCROLL away
    bool m_bBarFiguresWaiting = false;  // the view is disabled: the bar gets them when it is enabled
    bool m_bResizePending = false;
    bool m_bRepositioned = false;  // RepositionPage ran (the key handler's own fix-up is then done)
    int m_nLoadingRoot = 0;        // a root item is being loaded: its expansion keeps its run of children
};
