// The update hints that every tree view answers the same way.
#include "logwindows/LogTreeDoc.h"
#include "logwindows/LogTreeThread.h"
#include "logwindows/TreeViewEx.h"

void CTreeViewEx::RefillMoveDialog() {
    const CMoveDialogSlot* pMove = CLogTreeThread::s_pMoveDialog;
    if (GetMoveDialog() && pMove && pMove->pfnFillHitList) pMove->pfnFillHitList(GetMoveDialog());
}

BOOL CTreeViewEx::HandleCommonHint(LPARAM lHint, const LOGFONTW* pViewFont) {
    const CFindDialogSlot* pFind = CLogTreeThread::s_pFindDialog;
    const CMoveDialogSlot* pMove = CLogTreeThread::s_pMoveDialog;
    switch (lHint) {
    case HINT_FIND_DIALOG_CLOSED:
        SetFindDialog(nullptr);
        return TRUE;
    case HINT_VIEW_FONT:
        SetTreeFont(pViewFont);
        UpdateScrollBar();
        ResetCheckImageOffsets();
        return TRUE;
    case HINT_DIALOG_FONT:
        // The move dialog's font is one of the dialog fonts too.
        if (GetFindDialog() && pFind && pFind->pfnApplyFont) pFind->pfnApplyFont(GetFindDialog());
        if (GetMoveDialog() && pMove && pMove->pfnApplyFont) pMove->pfnApplyFont(GetMoveDialog());
        return TRUE;
    case HINT_HIGHLIGHT:
        // The move dialog shows the hits in the highlight colours too.
        if (GetFoundNodes()) Invalidate(FALSE);
        if (GetFindDialog() && pFind && pFind->pfnRepaint) pFind->pfnRepaint(GetFindDialog());
        if (GetMoveDialog() && pMove && pMove->pfnRepaint) pMove->pfnRepaint(GetMoveDialog());
        return TRUE;
    case HINT_REPAINT:
        Invalidate(FALSE);
        RefillMoveDialog();
        return TRUE;
    default:
        return FALSE;
    }
}
