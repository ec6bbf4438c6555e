#include "logwindows/LogTreeView.h"

#include <algorithm>
#include <new>

#include "framework/ToolBar.h"
#include "logwindows/LogTreeDoc.h"
#include "logwindows/LogTreeFrame.h"
#include "logwindows/LogTreeThread.h"
#include "resources/LogWindowRes.h"
#include "search/SearchCondition.h"
#include "server/core/CheckedRoots.h"
#include "server/core/Except.h"
#include "server/core/LogNode.h"
#include "server/core/Messages.h"
#include "server/core/NodeAlgo.h"
#include "server/settings/AppSettings.h"

IMPLEMENT_DYNCREATE(CLogTreeView, CTreeViewEx)

BOOL (*CLogTreeView::s_pfnTrackPopup)(HMENU, UINT, int, int, CWnd*) = &AfxTrackPopupMenu;

CLogTreeFrame* CLogTreeView::GetLogFrame() const {
    return dynamic_cast<CLogTreeFrame*>(GetParentFrame());
}

void CLogTreeView::PostToFrame(UINT message, WPARAM wParam, LPARAM lParam) const {
    if (CFrameWnd* pFrame = GetParentFrame(); pFrame && pFrame->m_hWnd)
        ::PostMessageW(pFrame->m_hWnd, message, wParam, lParam);
}

void CLogTreeView::ReportViewError(UINT nCode) const { PostToFrame(UM_VIEW_ERROR, nCode, 0); }

// --- virtual operations ----------------------------------------------------------

void CLogTreeView::OnInitialUpdate() {
    CTreeViewEx::OnInitialUpdate();
    Guarded([this] { SetTreeFont(&CAppSettings::Get().Font.LogView); });
}

void CLogTreeView::OnUpdate(CView*, LPARAM lHint, CObject* pHint) {
    Guarded([&] { HandleHint(lHint, pHint); });
}

bool CLogTreeView::NeedsCatchUp(UINT message) {
    switch (message) {
    case WM_ENABLE: case WM_SIZE:
    case WM_SHOWWINDOW: case WM_SETFOCUS: case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_CHAR:
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: case WM_RBUTTONDOWN: case WM_MOUSEWHEEL:
    case WM_CONTEXTMENU: case WM_VSCROLL: case WM_HSCROLL: case UM_MOVE_HIT:
        return true;
    }
    return false;
}

void CLogTreeView::LoadWaitingCalls() {
    // Inside a page move nothing waits: every move catches up first.
    if (m_bAppendPending && !m_bCatchingUp && m_nHideDepth == 0 && !m_bBusy) Guarded([this] { CatchUpAppends(); });
}

void CLogTreeView::BringUpToDate() {
    if (m_bAppendPending && !m_bCatchingUp) Guarded([this] { CatchUpAppends(); });
}

void CLogTreeView::HandleHint(LPARAM lHint, CObject* pHint) {
    // Every hint but a new call and emptying works on the page as it is shown.
    if (lHint != HINT_NEW_CALL && lHint != HINT_CLEAR) CatchUpAppends();
    CTreeDocEx* pDoc = GetDocument();
    CTreeCtrl& tree = GetTreeCtrl();
    const CFindDialogSlot* pFind = CLogTreeThread::s_pFindDialog;
    const CMoveDialogSlot* pMove = CLogTreeThread::s_pMoveDialog;
    const CExtractDialogSlot* pExtract = CLogTreeThread::s_pExtractDialog;
    switch (lHint) {
    case HINT_FIND_RESULT: {
        SetFoundNodes(reinterpret_cast<CFoundNodeMap*>(pHint));
        CFoundNodeMap* pMap = GetFoundNodes();
        if (pMap && !pMap->empty() && pDoc) {
            {
                CHideView hide(this);
                SetCaretNode(pDoc->m_pFirstNode);
                SetTotalRows(CountRows(pDoc->m_pFirstNode));
                SetFirstRow(0);
                tree.DeleteAllItems();
                LoadRootItem(pDoc->m_pFirstNode);
            }
            FindNext(FALSE);
        } else {
            Invalidate(FALSE);
        }
        RefillMoveDialog();
        break;
    }
    case HINT_NEW_CALL:
        OnNewCall(HintNode(pHint));
        break;
    case HINT_CLEAR:
        DropPendingAppends();
        ResetTree();
        if (m_pExtractDialog) {
            CExtractDialog* p = m_pExtractDialog;
            m_pExtractDialog = nullptr;
            if (pExtract && pExtract->pfnDestroy) pExtract->pfnDestroy(p);
        }
        if (GetFindDialog()) {
            CFindDialog* p = GetFindDialog();
            SetFindDialog(nullptr);
            if (pFind && pFind->pfnDestroy) pFind->pfnDestroy(p);
        }
        if (GetMoveDialog()) {
            CMoveFindDialog* p = GetMoveDialog();
            SetMoveDialog(nullptr);
            if (pMove && pMove->pfnDestroy) pMove->pfnDestroy(p);
        }
        UpdateScrollBar();
        break;
    case HINT_SELECT_LAST: {
        // Selecting the last row brings it onto the page: when the user has
        // scrolled away, the page goes back to the end with its row figures.
        HTREEITEM hLast = tree.GetLastVisibleItem();
        const int d = VisibleDistance(tree.GetFirstVisibleItem(), hLast);
        if (hLast && (d < 0 || d >= VisibleCount() || NodeOfItem(hLast) != LastRowOfDocument())) {
            CHideView hide(this);
            HTREEITEM hFirst = LoadEndOfLog();
            SetCaretNode(NodeOfItem(tree.GetLastVisibleItem()));
            ShowLastPage(hFirst);
        }
        SelectCaretItem(tree.GetLastVisibleItem());
        break;
    }
    case HINT_MEMBERS_LOADED: {
        // The item that asked may have been deleted meanwhile (the view is
        // usable during the break): the node's item is looked up again.
        HTREEITEM hItem = FindItemOfNode(HintNode(pHint));
        if (hItem) LoadChildItems(hItem);
        Invalidate(FALSE);
        break;
    }
    case HINT_EXTRACT_FONT:
        if (m_pExtractDialog && pExtract && pExtract->pfnApplyFont) pExtract->pfnApplyFont(m_pExtractDialog);
        break;
    default:
        HandleCommonHint(lHint, &CAppSettings::Get().Font.LogView);
        break;
    }
}

void CLogTreeView::OnCheckChanged() {
    if (m_pExtractDialog && CLogTreeThread::s_pExtractDialog && CLogTreeThread::s_pExtractDialog->pfnRefreshTree)
        CLogTreeThread::s_pExtractDialog->pfnRefreshTree(m_pExtractDialog);
    if (GetFindDialog() && CLogTreeThread::s_pFindDialog && CLogTreeThread::s_pFindDialog->pfnRebuildTree)
        CLogTreeThread::s_pFindDialog->pfnRebuildTree(GetFindDialog(), 0);
}

CBrush* CLogTreeView::IsMarkedItem(HTREEITEM hItem) {
    if (!hItem) return nullptr;
    return IsMarkableObject(NodeOfItem(hItem)) ? &CAppSettings::Get().ObjInfoBrush : nullptr;
}

BOOL CLogTreeView::IsMarkableObject(CLogNode* pNode) {
    CLogTreeFrame* pFrame = GetLogFrame();
    if (!pNode || !pFrame || !pFrame->IsPaused()) return FALSE;
    // The held call is the last one handed over; calls refused during its
    // services may be linked behind it.
    CLogNode* pRoot = FindEntryRoot(pNode);
    CTreeDocEx* pDoc = GetDocument();
    if (!pRoot || !pDoc || pRoot != pDoc->m_pLastNode) return FALSE;
    const CLogEntry* pEntry = pNode->m_pEntry;
    return pEntry && pEntry->Kind() == LOGK_OBJECT && pEntry->m_key != 0;
}

// --- other operations ------------------------------------------------------------

void CLogTreeView::SelectCaretItem(HTREEITEM hItem) {
    GetTreeCtrl().SelectItem(hItem);
    if (hItem) SetCaretNode(NodeOfItem(hItem));
}

void CLogTreeView::OnNewCall(CLogNode* pFirst) {
    CTreeDocEx* pDoc = GetDocument();
    if (!pFirst || !pDoc || !pDoc->m_pLastNode) return;
    // Calls that were refused while the log was stopped lie between the
    // previous call and this one: they are the document's too.
    SetTotalRows(GetTotalRows() + CountRows(pFirst));
    const int nPage = static_cast<int>(GetPushedScrollInfo().nPage);
    SetFirstRow(std::max(0, GetTotalRows() - nPage));
    // Nothing here talks to the control; the items follow with the catch-up.
    const ULONGLONG now = ::GetTickCount64();
    if (!m_bAppendPending) {
        m_bAppendPending = true;
        m_nPendingSince = now;
    }
    // A stream that keeps the timer from firing still shows its calls.
    if (now - m_nPendingSince >= kMaxPendingMs) CatchUpAppends();
    if (m_bAppendPending && !m_bTimerSet && m_hWnd)
        m_bTimerSet = ::SetTimer(m_hWnd, kCatchUpTimer, CatchUpDelay(), nullptr) != 0;
    // Without a timer nothing would come back for the display.
    if (m_bAppendPending && !m_bTimerSet) CatchUpAppends();
}

void CLogTreeView::OnCatchUpTimer() {
    Guarded([&] { CatchUpAppends(); });
    if (!m_bAppendPending && m_bTimerSet) {
        ::KillTimer(m_hWnd, kCatchUpTimer);
        m_bTimerSet = false;
    }
}

void CLogTreeView::DropPendingAppends() {
    m_bAppendPending = false;
    if (m_bTimerSet && m_hWnd) ::KillTimer(m_hWnd, kCatchUpTimer);
    m_bTimerSet = false;
}

void CLogTreeView::CatchUpAppends() {
    if (!m_bAppendPending || m_bCatchingUp) return;
    CTreeDocEx* pDoc = GetDocument();
    if (!m_hWnd || !pDoc) {
        DropPendingAppends();
        return;
    }
    const ULONGLONG nStart = ::GetTickCount64();
    struct Flag {
        bool& b;
        explicit Flag(bool& r) : b(r) { b = true; }
        ~Flag() { b = false; }
    } inCatchUp(m_bCatchingUp);
    DropPendingAppends();
    CTreeCtrl& tree = GetTreeCtrl();
    CLogNode* pLast = pDoc->m_pLastNode;
    const int v = std::max(1, VisibleCount());
    // The new calls go behind the loaded run only when it ends where they
    // begin and they fill no more than the page bounds; otherwise the end
    // is loaded afresh, which costs the same for any number of calls.
    HTREEITEM hLastRoot = tree.GetRootItem();
    for (HTREEITEM h = hLastRoot; h; h = tree.GetNextSiblingItem(h)) hLastRoot = h;
    CLogNode* pLoaded = NodeOfItem(hLastRoot);
    bool bAppend = false;
    // A wide call line whose last children are not loaded does not end the run.
    HTREEITEM hLastChild = hLastRoot ? tree.GetChildItem(hLastRoot) : nullptr;
    while (hLastChild && tree.GetNextSiblingItem(hLastChild)) hLastChild = tree.GetNextSiblingItem(hLastChild);
    const bool bRunEnds = !hLastChild || !NodeOfItem(hLastChild) || !NodeOfItem(hLastChild)->m_pNext;
    if (pLoaded && pLast && bRunEnds) {
        int nRows = 0;
        CLogNode* p = pLoaded;
        while (p != pLast && nRows <= 3 * v + 2 && (p = p->m_pNext) != nullptr) nRows += TopLevelRows(p);
        bAppend = p == pLast && nRows <= 3 * v + 2;
    }
    HTREEITEM hFirst = nullptr;
    {
        // The control neither paints nor sizes its bars for every item; its
        // positions are worked out again when drawing is turned back on, so
        // the page is placed after that.
        SetRedraw(FALSE);
        struct Redraw {
            CLogTreeView* v;
            ~Redraw() {
                v->SetRedraw(TRUE);
                v->Invalidate(FALSE);
                v->m_bBusy = 0;
            }
        } redraw{this};
        m_bBusy = 1;  // the size changes of the loading move nothing
        if (bAppend) {
            for (CLogNode* p = pLoaded->m_pNext; p; p = p->m_pNext) {
                LoadRootItem(p, LastChildNode(p));
                if (p == pLast) break;
            }
            hFirst = LoadLastPage();
        } else {
            hFirst = LoadEndOfLog();
        }
    }
    ShowLastPage(hFirst);
    m_nLastCatchUpMs = ::GetTickCount64() - nStart;
}

UINT CLogTreeView::CatchUpDelay() const {
    return static_cast<UINT>(
        std::clamp<ULONGLONG>(9 * (m_nLastCatchUpMs + m_nLastPaintMs), kCatchUpDelayMs, kMaxCatchUpDelayMs));
}

void CLogTreeView::ShowObjectPopup(HTREEITEM hItem, int x, int y) {
    UniqueHMenu menu(::LoadMenuW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_LOGTREE_POPUP)));
    if (!menu) return;
    HMENU hPopup = ::GetSubMenu(menu.get(), 0);
    if (!hPopup) return;
    const BOOL bMarkable = IsMarkableObject(NodeOfItem(hItem));
    ::EnableMenuItem(hPopup, ID_POPUP_OBJECTINFO, MF_BYCOMMAND | (bMarkable ? MF_ENABLED : MF_GRAYED));
    s_pfnTrackPopup(hPopup, TPM_LEFTALIGN, x, y, this);
}

// --- messages -------------------------------------------------------------------------

LRESULT CLogTreeView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // What moves the page or takes input finds the view caught up. A query
    // sent to the control from another thread or process sees the page as
    // last shown, so that its walk over the items is not changed under it.
    if (m_bAppendPending && !m_bCatchingUp && !(message == WM_TIMER && wParam == kCatchUpTimer)) {
        if (message == WM_DESTROY || message == WM_NCDESTROY) DropPendingAppends();
        else if (NeedsCatchUp(message)) BringUpToDate();
    }
    if (message == WM_TIMER && wParam == kCatchUpTimer) {
        OnCatchUpTimer();
        return 0;
    }
    if (LRESULT r = 0; DispatchGuardedInput(message, wParam, lParam, r)) return r;
    switch (message) {
    case WM_PAINT: {
        const ULONGLONG nStart = ::GetTickCount64();
        const LRESULT r = CTreeViewEx::WindowProc(message, wParam, lParam);
        m_nLastPaintMs = ::GetTickCount64() - nStart;
        return r;
    }
    case WM_CONTEXTMENU:
        OnContextMenu();
        return 0;
    case UM_MOVE_HIT:
        return MoveHit(this, wParam);
    case UM_MOVEDIALOG_CLOSED:
        SetMoveDialog(nullptr);
        return 0;
    }
    return CTreeViewEx::WindowProc(message, wParam, lParam);
}

BOOL CLogTreeView::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (hdr->hwndFrom == m_hWnd) {
            switch (hdr->code) {
            case TVN_ITEMEXPANDINGW:
                *pResult = OnItemExpanding(reinterpret_cast<NMTREEVIEWW*>(lParam));
                return TRUE;
            case NM_RCLICK:
                *pResult = OnRClick();
                return TRUE;
            }
        }
    }
    return CTreeViewEx::OnChildNotify(message, wParam, lParam, pResult);
}

LRESULT CLogTreeView::OnItemExpanding(NMTREEVIEWW* pNotify) {
    if ((pNotify->action & 0x0003) != TVE_EXPAND) return 0;
    Guarded([&] {
        HTREEITEM hItem = pNotify->itemNew.hItem;
        if (CLogNode* pNode = LoadChildItems(hItem))
            PostToFrame(UM_EXPAND_OBJECT, reinterpret_cast<WPARAM>(pNode), reinterpret_cast<LPARAM>(hItem));
    });
    return 0;  // the expansion goes ahead
}

void CLogTreeView::OnContextMenu() {
    CTreeCtrl& tree = GetTreeCtrl();
    HTREEITEM hSel = tree.GetSelectedItem();
    if (!GetCaretNode() || !hSel || LocateCaret() != 0 || !IsMarkableObject(NodeOfItem(hSel))) return;
    RECT rc{};
    if (!tree.GetItemRect(hSel, &rc, TRUE)) return;
    POINT pt{rc.left, rc.bottom};
    ::ClientToScreen(m_hWnd, &pt);
    ShowObjectPopup(hSel, pt.x, pt.y);
}

LRESULT CLogTreeView::OnRClick() {
    CTreeCtrl& tree = GetTreeCtrl();
    HTREEITEM hSel = tree.GetSelectedItem();
    if (!GetCaretNode() || !hSel || LocateCaret() != 0 || !IsMarkableObject(NodeOfItem(hSel))) return 0;
    POINT pt{};
    ::GetCursorPos(&pt);
    ShowObjectPopup(hSel, pt.x, pt.y);
    // Handled: the control sends itself no context-menu message, which would
    // open the popup a second time.
    return 1;
}

// --- commands -------------------------------------------------------------------------

bool CLogTreeView::OnCmd(UINT nID, int nCode) {
    if (nCode != CN_COMMAND) return CTreeViewEx::OnCmd(nID, nCode);
    BringUpToDate();
    switch (nID) {
    case ID_EXTRACT_DIALOG:   OnExtractDialog(); return true;
    case ID_FIND_DIALOG:      OnFindDialog(); return true;
    case ID_MOVE_DIALOG:      OnMoveDialog(); return true;
    case ID_POPUP_OBJECTINFO:
    case ID_TOOL_OBJECTINFO:  OnObjectInfo(); return true;
    }
    if (OnSharedCommand(this, nID)) return true;
    return CTreeViewEx::OnCmd(nID, nCode);
}

bool CLogTreeView::OnUpdateCmd(CCmdUI* pCmdUI) {
    if (pCmdUI->m_nID == ID_TOOL_OBJECTINFO) {
        HTREEITEM hSel = GetTreeCtrl().GetSelectedItem();
        pCmdUI->Enable(hSel && IsMarkableObject(NodeOfItem(hSel)));
        return true;
    }
    if (OnSharedUpdate(this, pCmdUI)) return true;
    return CTreeViewEx::OnUpdateCmd(pCmdUI);
}

bool CLogTreeView::OnSharedUpdate(CTreeViewEx* pView, CCmdUI* pCmdUI) {
    switch (pCmdUI->m_nID) {
    case ID_UNCHECK_ALL: {
        CTreeDocEx* pDoc = pView->GetDocument();
        pCmdUI->Enable(pDoc && !pDoc->m_CheckedRoots.empty());
        return true;
    }
    case ID_FIND_NEXT:
    case ID_FIND_PREVIOUS:
    case ID_MOVE_DIALOG:
    case ID_CLEAR_FIND_RESULTS: {
        CFoundNodeMap* pMap = pView->GetFoundNodes();
        pCmdUI->Enable(pMap && !pMap->empty());
        return true;
    }
    }
    return false;
}

bool CLogTreeView::OnSharedCommand(CTreeViewEx* pView, UINT nID) {
    auto run = [pView](auto&& f) {
        try {
            f();
        } catch (const CExcept& e) {
            if (CFrameWnd* pFrame = pView->GetParentFrame()) pFrame->PostMessage(UM_VIEW_ERROR, e.m_nCode, 0);
        }
    };
    switch (nID) {
    case ID_UNCHECK_ALL:   run([pView] { UncheckAll(pView); }); return true;
    case ID_FIND_NEXT:     run([pView] { pView->FindNext(FALSE); }); return true;
    case ID_FIND_PREVIOUS: run([pView] { pView->FindPrevious(FALSE); }); return true;
    }
    return false;
}

void CLogTreeView::UncheckAll(CTreeViewEx* pView) {
    CTreeDocEx* pDoc = pView->GetDocument();
    if (!pDoc) return;
    UncheckAllRoots(pDoc->m_CheckedRoots, pView->GetViewIndex());
    pView->UncheckItems(pView->GetTreeCtrl().GetRootItem());
    pView->OnCheckChanged();
}

LRESULT CLogTreeView::MoveHit(CTreeViewEx* pView, WPARAM nCode) {
    try {
        switch (nCode) {
        case MOVE_HIT_NEXT:     pView->FindNext(TRUE); break;
        case MOVE_HIT_PREVIOUS: pView->FindPrevious(TRUE); break;
        case MOVE_HIT_FIRST:
            if (CTreeDocEx* pDoc = pView->GetDocument()) pView->SetCaretNode(pDoc->m_pFirstNode);
            pView->FindNext(TRUE);
            break;
        case MOVE_HIT_LAST:     pView->MoveToLastHit(); break;
        default: break;
        }
    } catch (const CExcept& e) {
        if (CFrameWnd* pFrame = pView->GetParentFrame()) pFrame->PostMessage(UM_VIEW_ERROR, e.m_nCode, 0);
    }
    return 0;
}

void CLogTreeView::OnObjectInfo() {
    PostToFrame(UM_OBJINFO_COMMAND, reinterpret_cast<WPARAM>(GetCaretNode()), 0);
}

void CLogTreeView::OnExtractDialog() {
    const CExtractDialogSlot* pSlot = CLogTreeThread::s_pExtractDialog;
    CTreeDocEx* pDoc = GetDocument();
    if (!pDoc) return;
    OpenViewDialog(m_pExtractDialog, pSlot, [&] { return pSlot->pfnCreate(this, &pDoc->m_CheckedRoots); });
}

void CLogTreeView::OnFindDialog() {
    const CFindDialogSlot* pSlot = CLogTreeThread::s_pFindDialog;
    CTreeDocEx* pDoc = GetDocument();
    if (!pDoc) return;
    CFindDialog* pDialog = GetFindDialog();
    OpenViewDialog(pDialog, pSlot, [&] { return pSlot->pfnCreate(this, &pDoc->m_CheckedRoots); });
    SetFindDialog(pDialog);
}

void CLogTreeView::OnMoveDialog() {
    const CMoveDialogSlot* pSlot = CLogTreeThread::s_pMoveDialog;
    CTreeDocEx* pDoc = GetDocument();
    if (!pDoc) return;
    CMoveFindDialog* pDialog = GetMoveDialog();
    OpenViewDialog(pDialog, pSlot, [&] { return pSlot->pfnCreate(this, &pDoc->m_ActiveConditions); });
    SetMoveDialog(pDialog);
}
