#include "logwindows/ResultTreeView.h"

#include <new>
#include <set>

#include "logwindows/LogTreeDoc.h"
#include "logwindows/LogTreeThread.h"
#include "logwindows/LogTreeView.h"
#include "logwindows/ResultTreeDoc.h"
#include "resources/LogWindowRes.h"
#include "server/core/Bstr.h"
#include "server/core/Except.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

IMPLEMENT_DYNCREATE(CResultTreeView, CTreeViewEx)

void CResultTreeView::ReportViewError(UINT nCode) const {
    if (CFrameWnd* pFrame = GetParentFrame(); pFrame && pFrame->m_hWnd)
        ::PostMessageW(pFrame->m_hWnd, UM_RESULTVIEW_ERROR, nCode, 0);
}

// --- virtual operations ----------------------------------------------------------

void CResultTreeView::OnInitialUpdate() {
    CTreeViewEx::OnInitialUpdate();
    Guarded([this] { SetTreeFont(&CAppSettings::Get().Font.ResultView); });
}

void CResultTreeView::OnUpdate(CView*, LPARAM lHint, CObject* pHint) {
    Guarded([&] { HandleHint(lHint, pHint); });
}

void CResultTreeView::HandleHint(LPARAM lHint, CObject* pHint) {
    switch (lHint) {
    case HINT_FIND_RESULT:
        SetFoundNodes(reinterpret_cast<CFoundNodeMap*>(pHint));
        Invalidate(FALSE);
        RefillMoveDialog();
        break;
    case HINT_RESULT_TREE:
        ResetTree();
        SetTotalRows(pHint ? CountRows(HintNode(pHint)) : 0);
        ScrollToTop();
        UpdateScrollBar();
        OnCheckChanged();
        break;
    case HINT_FOUND_TREE:
        ResetTree();
        SetFoundNodes(reinterpret_cast<CFoundNodeMap*>(pHint));
        OnCheckChanged();
        break;
    case HINT_FOUND_ROWS:
        SetTotalRows(pHint ? CountRows(HintNode(pHint)) : 0);
        ScrollToTop();
        UpdateScrollBar();
        RefillMoveDialog();
        break;
    case HINT_RELEASED:
        ResetTree();
        UpdateScrollBar();
        OnCheckChanged();
        RefillMoveDialog();
        break;
    default:
        HandleCommonHint(lHint, &CAppSettings::Get().Font.ResultView);
        break;
    }
}

void CResultTreeView::OnCheckChanged() {
    if (GetFindDialog() && CLogTreeThread::s_pFindDialog && CLogTreeThread::s_pFindDialog->pfnRebuildTree)
        CLogTreeThread::s_pFindDialog->pfnRebuildTree(GetFindDialog(), 0);
}

void CResultTreeView::PrimeTreeCtrl() {
    CTreeCtrl& tree = GetTreeCtrl();
    m_bBusy = 1;
    TVINSERTSTRUCTW tvis{};
    tvis.hParent = TVI_ROOT;
    tvis.hInsertAfter = TVI_LAST;
    tvis.item.mask = TVIF_TEXT | TVIF_PARAM;
    tvis.item.pszText = const_cast<LPWSTR>(L"");
    tvis.item.lParam = 0;
    if (HTREEITEM hItem = tree.InsertItem(&tvis)) {
        tree.SelectItem(hItem);
        tree.DeleteItem(hItem);
    }
    m_bBusy = 0;
}

// --- messages -------------------------------------------------------------------------

LRESULT CResultTreeView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (LRESULT r = 0; DispatchGuardedInput(message, wParam, lParam, r)) return r;
    switch (message) {
    case WM_CONTEXTMENU:
        return 0;  // a result view has no popup
    case UM_MOVE_HIT:
        return CLogTreeView::MoveHit(this, wParam);
    case UM_MOVEDIALOG_CLOSED:
        SetMoveDialog(nullptr);
        return 0;
    }
    return CTreeViewEx::WindowProc(message, wParam, lParam);
}

BOOL CResultTreeView::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (hdr->hwndFrom == m_hWnd && hdr->code == TVN_ITEMEXPANDINGW) {
            *pResult = OnItemExpanding(reinterpret_cast<NMTREEVIEWW*>(lParam));
            return TRUE;
        }
    }
    return CTreeViewEx::OnChildNotify(message, wParam, lParam, pResult);
}

LRESULT CResultTreeView::OnItemExpanding(NMTREEVIEWW* pNotify) {
    if ((pNotify->action & 0x0003) != TVE_EXPAND) return 0;
    // A result window never asks for members: what LoadChildItems returns is not used.
    Guarded([&] { LoadChildItems(pNotify->itemNew.hItem); });
    return 0;
}

// --- commands -------------------------------------------------------------------------

bool CResultTreeView::OnCmd(UINT nID, int nCode) {
    if (nCode != CN_COMMAND) return CTreeViewEx::OnCmd(nID, nCode);
    switch (nID) {
    case ID_FIND_DIALOG: OnFindDialog(); return true;
    case ID_MOVE_DIALOG: OnMoveDialog(); return true;
    }
    if (CLogTreeView::OnSharedCommand(this, nID)) return true;
    return CTreeViewEx::OnCmd(nID, nCode);
}

bool CResultTreeView::OnUpdateCmd(CCmdUI* pCmdUI) {
    if (CLogTreeView::OnSharedUpdate(this, pCmdUI)) return true;
    return CTreeViewEx::OnUpdateCmd(pCmdUI);
}

namespace {

struct COwnedWindows {
    HWND hOwner;
    std::set<HWND> found;
};

BOOL CALLBACK CollectOwned(HWND h, LPARAM l) {
    auto* a = reinterpret_cast<COwnedWindows*>(l);
    if (::GetWindow(h, GW_OWNER) == a->hOwner) a->found.insert(h);
    return TRUE;
}

// The top-level windows of this thread owned by hOwner.
std::set<HWND> OwnedWindows(HWND hOwner) {
    COwnedWindows args{hOwner, {}};
    ::EnumThreadWindows(::GetCurrentThreadId(), &CollectOwned, reinterpret_cast<LPARAM>(&args));
    return args.found;
}

// Opens or raises one modeless dialog of a result view as the log view
// does; the window the slot made (owned by the view's frame) is captioned.
template <class Dialog, class Slot, class Make>
void OpenCaptionedDialog(CTreeViewEx* pView, Dialog*& rpDialog, const Slot* pSlot, LPCWSTR pszFormat,
                         Make&& make) {
    CLogTreeView::OpenViewDialog(rpDialog, pSlot, [&]() -> Dialog* {
        CBstr strCaption;
        strCaption.Format(pszFormat, pView->GetViewIndex());
        CFrameWnd* pFrame = pView->GetParentFrame();
        const HWND hOwner = pFrame ? pFrame->m_hWnd : nullptr;
        const std::set<HWND> before = OwnedWindows(hOwner);
        Dialog* p = make();
        if (p) {
            // Once the dialog is made, a failure only leaves it uncaptioned.
            try {
                for (HWND h : OwnedWindows(hOwner))
                    if (!before.count(h)) ::SetWindowTextW(h, strCaption);
            } catch (const std::bad_alloc&) {
            }
        }
        return p;
    });
}

}  // namespace

void CResultTreeView::OnFindDialog() {
    const CFindDialogSlot* pSlot = CLogTreeThread::s_pFindDialog;
    CTreeDocEx* pDoc = GetDocument();
    if (!pDoc) return;
    CFindDialog* pDialog = GetFindDialog();
    OpenCaptionedDialog(this, pDialog, pSlot, L"Find (ResultView %d)",
                        [&] { return pSlot->pfnCreate(this, &pDoc->m_CheckedRoots); });
    SetFindDialog(pDialog);
}

void CResultTreeView::OnMoveDialog() {
    const CMoveDialogSlot* pSlot = CLogTreeThread::s_pMoveDialog;
    CTreeDocEx* pDoc = GetDocument();
    if (!pDoc) return;
    CMoveFindDialog* pDialog = GetMoveDialog();
    OpenCaptionedDialog(this, pDialog, pSlot, L"Move (ResultView %d)",
                        [&] { return pSlot->pfnCreate(this, &pDoc->m_ActiveConditions); });
    SetMoveDialog(pDialog);
}
