// The log view: the paged tree view of the log window. It follows the log
// document's update hints, asks the main thread (through the frame) to load
// an object's members when the user opens one during a break, marks and
// offers the objects of the held call for the object-information window,
// and opens the window's one extract, find and move dialog. Its Uncheck All,
// find-navigation and move handlers serve the result views too.
//
// A new call line changes the row arithmetic at once, but its items are
// loaded later, together with those of the calls that follow it: a timer of
// the view catches up a few tens of milliseconds after the first of them,
// and so does whatever reaches the view before (input, a scroll command, a
// command or hint, enabling it at a break), so that the page is current
// wherever it is used. A catch-up gives the page that the end of the log
// shows (the last row on the window's last line, a page loaded above it):
// the new calls are appended when the loaded run ends where they begin and
// they are few, else the end is loaded afresh, so that one catch-up costs
// about a page whatever the number of calls that came meanwhile. Inside the
// hand-over the view catches up when the oldest waiting call is older than
// the limit below (a stream that keeps the timer from firing).
#pragma once
#include "logwindows/TreeViewEx.h"
#include "server/core/Except.h"
#include <new>

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
    // Loads the items of the calls handed over since the last catch-up and
    // shows the end of the log, as End shows it; pushes the scroll figures.
    void CatchUpAppends();
    void BringUpToDate() override;
    void LoadWaitingCalls() override;
    // Whether call lines wait for their items, and since when (tick count).
    bool IsCatchUpPending() const { return m_bAppendPending; }
    bool AreCallsWaiting() const { return m_bAppendPending; }
    ULONGLONG PendingSince() const { return m_nPendingSince; }

    // The delay of the catch-up after the first waiting call (longer after
    // a slow catch-up and its painting, up to the maximum), and the longest
    // a waiting call line's items stay unloaded while calls keep coming and
    // the timer cannot fire (ms).
    static constexpr UINT kCatchUpDelayMs = 30;
    static constexpr UINT kMaxCatchUpDelayMs = 250;
    static constexpr ULONGLONG kMaxPendingMs = 2 * kMaxCatchUpDelayMs;
    static constexpr UINT_PTR kCatchUpTimer = 0x5A01;
    void ShowObjectPopup(HTREEITEM hItem, int x, int y);

    // How a popup menu is shown (a test replaces it to count popups).
    static BOOL (*s_pfnTrackPopup)(HMENU hMenu, UINT nFlags, int x, int y, CWnd* pOwner);

    // --- handlers shared with the result views --------------------------------
    static bool OnSharedUpdate(CTreeViewEx* pView, CCmdUI* pCmdUI);
    static bool OnSharedCommand(CTreeViewEx* pView, UINT nID);
    static void UncheckAll(CTreeViewEx* pView);
    static LRESULT MoveHit(CTreeViewEx* pView, WPARAM nCode);
    // Opens or raises one modeless dialog of a view: an open one is
    // restored; else the slot makes it (no slot: nothing happens). A
    // failure is reported and leaves the view without the dialog.
    template <class Dialog, class Slot, class Make>
    static void OpenViewDialog(Dialog*& rpDialog, const Slot* pSlot, Make&& make) {
        if (rpDialog) {
            if (pSlot && pSlot->pfnShow) pSlot->pfnShow(rpDialog, SW_RESTORE);
            return;
        }
        if (!pSlot || !pSlot->pfnCreate) return;
        try {
            Dialog* p = make();
            if (!p) return;
            rpDialog = p;
            if (pSlot->pfnShow) pSlot->pfnShow(p, SW_SHOW);
        } catch (const std::bad_alloc&) {
            CExcept(ZV_ERR_MEMORY).Report();
        } catch (const CExcept& e) {
            e.Report();
        }
    }

protected:
    bool OnCmd(UINT nID, int nCode) override;
    bool OnUpdateCmd(CCmdUI* pCmdUI) override;
    // As UM_VIEW_ERROR to the frame.
    void ReportViewError(UINT nCode) const override;

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

    // Whether a message to the control paints it, moves its page or is input.
    static bool NeedsCatchUp(UINT message);
    // New call lines, from pFirst to the document's last node: their rows
    // now, their items with the next catch-up.
    void OnNewCall(CLogNode* pFirst);
    // The waiting calls are forgotten (the log is emptied).
    void DropPendingAppends();
    void OnCatchUpTimer();

    CExtractDialog* m_pExtractDialog = nullptr;
    bool m_bAppendPending = false;
    bool m_bCatchingUp = false;
    bool m_bTimerSet = false;
    ULONGLONG m_nPendingSince = 0;
    // The log thread spends about a tenth of a stream of calls on showing
    // them, so that a hand-over seldom finds it busy: the timer's delay is
    // nine times what the last catch-up and the last painting took.
    UINT CatchUpDelay() const;
    ULONGLONG m_nLastCatchUpMs = 0;
    ULONGLONG m_nLastPaintMs = 0;
};
