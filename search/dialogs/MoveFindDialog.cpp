// The move dialog: hit list with checks, colours and tips, the four moves,
// placement, layout and font, and its slot of the log thread.
#include "search/dialogs/MoveFindDialog.h"

#include <algorithm>
#include <new>

#include "logwindows/LogTreeThread.h"
#include "logwindows/TreeViewEx.h"
#include "resources/MoveDialogRes.h"
#include "search/dialogs/DialogLayout.h"
#include "server/core/Except.h"
#include "server/core/LogNode.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

IMPLEMENT_DYNAMIC(CMoveFindDialog, CDialog)

namespace {

// The moves the view knows (UM_MOVE_HIT's first parameter).
constexpr int MOVE_NEXT = 0;
constexpr int MOVE_PREV = 1;
constexpr int MOVE_TOP = 2;
constexpr int MOVE_BOTTOM = 3;

LPCWSTR NameOf(const CLogNode* p) { return p && p->m_pEntry ? static_cast<LPCOLESTR>(p->m_pEntry->m_name) : L""; }
DWORD KindOf(const CLogNode* p) { return p && p->m_pEntry ? p->m_pEntry->Kind() : LOGK_MEMBER; }

}  // namespace

CMoveFindDialog::CMoveFindDialog(CTreeViewEx* pView) : CDialog(IDD_MOVEDIALOG, pView) {
    if (pView) {
        m_hView = pView->m_hWnd;
        m_nViewIndex = pView->GetViewIndex();
    }
    m_bCreating = true;
    Create(IDD_MOVEDIALOG, pView);
    m_bCreating = false;
}

CMoveFindDialog::~CMoveFindDialog() {
    m_TipTexts.clear();
    m_ListFont.DeleteObject();
}

void CMoveFindDialog::PostNcDestroy() {
    // A window that could not be made leaves the object to its maker.
    if (!m_bCreating) delete this;
}

void CMoveFindDialog::DoDataExchange() {
    struct Binding { int nID; CWnd* pWnd; };
    const Binding controls[] = {
        {IDC_MOVE_NEXT, &m_btnNext},   {IDC_MOVE_PREV, &m_btnPrev},       {IDC_MOVE_TOP, &m_btnTop},
        {IDC_MOVE_BOTTOM, &m_btnBottom}, {IDC_MOVE_HITLIST, &m_lstHits}, {IDC_MOVE_ALLSELECT, &m_chkAllSelect},
    };
    for (const Binding& c : controls)
        if (!c.pWnd->m_hWnd) c.pWnd->Attach(GetDlgItem(c.nID));
}

// --- dispatch ---------------------------------------------------------------------

LRESULT CMoveFindDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SHOWWINDOW:
        Default();
        FillHitList();
        return 0;
    case WM_SIZE:
        Default();
        RepositionControls();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return CDialog::WindowProc(message, wParam, lParam);
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

bool CMoveFindDialog::OnCmd(UINT nID, int nCode) {
    if (nCode == BN_CLICKED) {
        switch (nID) {
        case IDC_MOVE_NEXT:      OnMove(MOVE_NEXT); return true;
        case IDC_MOVE_PREV:      OnMove(MOVE_PREV); return true;
        case IDC_MOVE_TOP:       OnMove(MOVE_TOP); return true;
        case IDC_MOVE_BOTTOM:    OnMove(MOVE_BOTTOM); return true;
        case IDC_MOVE_ALLSELECT: OnAllSelectClicked(); return true;
        }
    }
    return CDialog::OnCmd(nID, nCode);
}

BOOL CMoveFindDialog::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (!hdr || hdr->hwndFrom != m_lstHits.m_hWnd) return CDialog::OnNotify(wParam, lParam, pResult);
    switch (hdr->code) {
    case NM_CUSTOMDRAW:
        *pResult = OnCustomDrawList(reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
        return TRUE;
    case LVN_ITEMCHANGED:
        OnItemChangedList(reinterpret_cast<const NMLISTVIEW*>(lParam));
        *pResult = 0;
        return TRUE;
    case LVN_GETINFOTIPW:
        OnGetInfoTip(reinterpret_cast<NMLVGETINFOTIPW*>(lParam));
        *pResult = 0;
        return TRUE;
    }
    return CDialog::OnNotify(wParam, lParam, pResult);
}

// --- initialisation and placement ------------------------------------------------------

void CMoveFindDialog::OnCreate() {
    if (m_nViewIndex < 0 || m_nViewIndex >= SETTINGS_VIEW_SLOTS) return;
    const RECT& rc = CAppSettings::Get().Window.MoveFindDialog[m_nViewIndex];
    if (::IsRectEmpty(&rc)) return;
    MoveWindow(rc, TRUE);
}

BOOL CMoveFindDialog::OnInitDialog() {
    const bool bSavedPlace = m_nViewIndex >= 0 && m_nViewIndex < SETTINGS_VIEW_SLOTS &&
                             !::IsRectEmpty(&CAppSettings::Get().Window.MoveFindDialog[m_nViewIndex]);
    OnCreate();
    DoDataExchange();
    ModifyStyle(0, WS_THICKFRAME, SWP_FRAMECHANGED);
    ApplyFont();
    ListView_SetExtendedListViewStyleEx(m_lstHits.m_hWnd, LVS_EX_CHECKBOXES | LVS_EX_INFOTIP,
                                        LVS_EX_CHECKBOXES | LVS_EX_INFOTIP);
    if (m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR)) {
        const UINT indicators[] = {ID_SEPARATOR};
        m_wndStatusBar.SetIndicators(indicators, 1);
        m_wndStatusBar.SendMessage(WM_SIZE, 0, 0);
        // The sizing frame and the status bar take room that the template
        // gives the buttons: at its own size the window grows until the
        // last button clears the status bar.
        RECT rcBottom, rcBar, rcWnd;
        if (!bSavedPlace && m_btnBottom.IsWindow()) {
            m_btnBottom.GetWindowRect(&rcBottom);
            m_wndStatusBar.GetWindowRect(&rcBar);
            GetWindowRect(&rcWnd);
            const int nOverlap = rcBottom.bottom + 4 - rcBar.top;
            if (nOverlap > 0)
                SetWindowPos(nullptr, 0, 0, rcWnd.right - rcWnd.left, rcWnd.bottom - rcWnd.top + nOverlap,
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (HWND hTip = ListView_GetToolTips(m_lstHits.m_hWnd)) {
        ::SendMessageW(hTip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 20000);
        ::SendMessageW(hTip, TTM_SETDELAYTIME, TTDT_INITIAL, 0);
        ::SendMessageW(hTip, TTM_SETDELAYTIME, TTDT_RESHOW, 0);
    }
    RepositionControls();
    return TRUE;
}

void CMoveFindDialog::OnDestroy() {
    if (m_nViewIndex < 0 || m_nViewIndex >= SETTINGS_VIEW_SLOTS) return;
    WINDOWPLACEMENT wp{sizeof(wp)};
    if (GetWindowPlacement(&wp)) CAppSettings::Get().Window.MoveFindDialog[m_nViewIndex] = wp.rcNormalPosition;
}

void CMoveFindDialog::OnCancel() {
    // Sent, not posted: the object goes with the window below, and the view
    // must not hold its pointer for a moment longer.
    if (m_hView) ::SendMessageW(m_hView, UM_MOVEDIALOG_CLOSED, 0, 0);
    DestroyWindow();
}

// --- rows ------------------------------------------------------------------------------------

CSearchCondition* CMoveFindDialog::FindHitCondition(CLogNode* pNode) const {
    return m_pConditions && pNode ? m_pConditions->FindCondition(pNode) : nullptr;
}

void CMoveFindDialog::FillHitList() {
    if (!m_lstHits.IsWindow()) return;
    m_bFilling = true;
    ListView_DeleteAllItems(m_lstHits.m_hWnd);
    m_TipTexts.clear();
    if (!m_pConditions || m_pConditions->m_conditions.empty()) {
        m_bFilling = false;
        UpdateAllSelectCheck();
        return;
    }
    int nRow = 0;
    CConditionMap& map = m_pConditions->m_conditions;
    for (m_pConditions->m_cursor = map.begin(); m_pConditions->m_cursor != map.end(); ++m_pConditions->m_cursor) {
        CLogNode* pNode = m_pConditions->m_cursor->first;
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = nRow++;
        item.pszText = const_cast<LPWSTR>(NameOf(pNode));
        item.lParam = reinterpret_cast<LPARAM>(pNode);
        const int i = ListView_InsertItem(m_lstHits.m_hWnd, &item);
        // A row shows the mark its condition carries, so that a refill (a
        // hide and restore) keeps the checks and the marks in step.
        const CSearchCondition* c = m_pConditions->m_cursor->second;
        if (i >= 0) ListView_SetCheckState(m_lstHits.m_hWnd, i, c && c->IsMarked());
    }
    m_bFilling = false;
    UpdateAllSelectCheck();
    try {
        BuildTipTexts();
    } catch (const CExcept& e) {
        m_TipTexts.clear();
        e.Report();
        // Closed as Cancel, once the caller is done with the dialog.
        PostMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
}

void CMoveFindDialog::UpdateAllSelectCheck() {
    if (m_bFilling || !m_lstHits.IsWindow()) return;
    const int n = ListView_GetItemCount(m_lstHits.m_hWnd);
    bool bAny = false;
    for (int i = 0; i < n && !bAny; ++i) bAny = ListView_GetCheckState(m_lstHits.m_hWnd, i) != 0;
    const int nWant = bAny ? BST_CHECKED : BST_UNCHECKED;
    if (m_chkAllSelect.GetCheck() != nWant) m_chkAllSelect.SetCheck(nWant);
}

void CMoveFindDialog::OnAllSelectClicked() {
    const BOOL bCheck = m_chkAllSelect.GetCheck() == BST_CHECKED;
    const int n = ListView_GetItemCount(m_lstHits.m_hWnd);
    for (int i = 0; i < n; ++i) ListView_SetCheckState(m_lstHits.m_hWnd, i, bCheck);
}

void CMoveFindDialog::SyncHitChecks() {
    if (!m_lstHits.IsWindow()) return;
    const int n = ListView_GetItemCount(m_lstHits.m_hWnd);
    for (int i = 0; i < n; ++i) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        if (!ListView_GetItem(m_lstHits.m_hWnd, &item)) continue;
        // A row counts only while its node is a key of the bound set.
        CSearchCondition* c = FindHitCondition(reinterpret_cast<CLogNode*>(item.lParam));
        const bool bChecked = ListView_GetCheckState(m_lstHits.m_hWnd, i) != 0;
        // Conditions that a copy put on the same skeleton node share the row.
        for (; c; c = c->m_pSameNode) {
            if (bChecked) c->m_flags |= SCF_MARK;
            else c->m_flags &= ~SCF_MARK;
        }
    }
}

void CMoveFindDialog::OnMove(int nCode) {
    SyncHitChecks();
    if (m_hView) ::PostMessageW(m_hView, UM_MOVE_HIT, static_cast<WPARAM>(nCode), 0);
}

// --- list notifications ----------------------------------------------------------------------

LRESULT CMoveFindDialog::OnCustomDrawList(NMLVCUSTOMDRAW* pDraw) const {
    switch (pDraw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const CSearchCondition* c = FindHitCondition(reinterpret_cast<CLogNode*>(pDraw->nmcd.lItemlParam));
        if (!c) return CDRF_DODEFAULT;
        const int n = c->ColorIndex();
        pDraw->clrTextBk = n < SETTINGS_HIGHLIGHTS ? CAppSettings::Get().Font.Highlight[n] : RGB(0, 0, 0);
        return CDRF_NEWFONT;
    }
    }
    return CDRF_DODEFAULT;
}

void CMoveFindDialog::OnItemChangedList(const NMLISTVIEW* pChange) {
    if (!(pChange->uChanged & LVIF_STATE) || pChange->iItem < 0) return;
    if ((pChange->uNewState & LVIS_SELECTED) && !(pChange->uOldState & LVIS_SELECTED))
        ListView_SetItemState(m_lstHits.m_hWnd, pChange->iItem, 0, LVIS_SELECTED);
    if ((pChange->uNewState ^ pChange->uOldState) & LVIS_STATEIMAGEMASK) UpdateAllSelectCheck();
}

void CMoveFindDialog::OnGetInfoTip(NMLVGETINFOTIPW* pTip) const {
    if (!pTip->pszText || pTip->cchTextMax <= 0) return;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = pTip->iItem;
    if (!ListView_GetItem(m_lstHits.m_hWnd, &item)) return;
    // A conditioned member with conditioned members below it has no tip of
    // its own: the control's text stays.
    const std::wstring* pText = TipText(reinterpret_cast<CLogNode*>(item.lParam));
    if (!pText) return;
    const size_t n = std::min(pText->size(), static_cast<size_t>(pTip->cchTextMax - 1));
    std::copy_n(pText->data(), n, pTip->pszText);
    pTip->pszText[n] = L'\0';
}

const std::wstring* CMoveFindDialog::TipText(CLogNode* pNode) const {
    auto it = m_TipTexts.find(pNode);
    return it == m_TipTexts.end() ? nullptr : &it->second;
}

// --- tips ------------------------------------------------------------------------------------

void CMoveFindDialog::BuildTipTexts() {
    if (!m_pConditions) return;
    try {
        CLogNode* pTop = m_pConditions->m_root.m_pChildren;
        const DWORD options = m_pConditions->m_options;
        if (options & SSO_CLIENT) TipLevelClient(pTop);
        else if (options & SSO_LABEL) TipLevelLabel(pTop, std::wstring());
        else TipLevelMember(pTop, std::wstring(), LOGK_MEMBER, 0);
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    }
}

void CMoveFindDialog::TipLevelClient(CLogNode* pTree) {
    if (!pTree) return;
    TipLevelClient(pTree->m_pBack);
    wchar_t buf[40];
    swprintf(buf, 40, L"Client = %d   ", pTree->m_pEntry ? pTree->m_pEntry->ClientId() : 0);
    std::wstring text = buf;
    if (m_pConditions->m_options & SSO_LABEL) {
        TipLevelLabel(pTree->m_pChildren, text);
    } else {
        text += L"\n";
        TipLevelMember(pTree->m_pChildren, text, LOGK_MEMBER, text.size());
    }
    TipLevelClient(pTree->m_pNext);
}

void CMoveFindDialog::TipLevelLabel(CLogNode* pTree, const std::wstring& text) {
    if (!pTree) return;
    TipLevelLabel(pTree->m_pBack, text);
    std::wstring line = text + L"Label = " + NameOf(pTree) + L"\n";
    TipLevelMember(pTree->m_pChildren, line, LOGK_MEMBER, line.size());
    TipLevelLabel(pTree->m_pNext, text);
}

void CMoveFindDialog::TipLevelMember(CLogNode* pTree, const std::wstring& text, DWORD nParentKind,
                                     size_t nPathStart) {
    if (!pTree) return;
    TipLevelMember(pTree->m_pBack, text, nParentKind, nPathStart);
    std::wstring own;
    if (KindOf(pTree) == LOGK_ITEMS) own = text;
    else if (nParentKind == LOGK_ARRAY) own = text + NameOf(pTree);
    else if (nParentKind == LOGK_ITEMS) own = text + L"(" + NameOf(pTree) + L")";
    else own = text + L"." + NameOf(pTree);
    if (pTree->m_pChildren) TipLevelMember(pTree->m_pChildren, own, KindOf(pTree), nPathStart);
    else StoreTip(pTree, std::move(own), nPathStart);
    TipLevelMember(pTree->m_pNext, text, nParentKind, nPathStart);
}

void CMoveFindDialog::StoreTip(CLogNode* pNode, std::wstring text, size_t nPathStart) {
    // Only the separator that starts the path is blanked: a full stop in a
    // client or label line above it stays.
    const size_t nDot = text.find(L'.', nPathStart);
    if (nDot != std::wstring::npos) text[nDot] = L' ';
    m_TipTexts[pNode] = std::move(text);
}

// --- layout and font --------------------------------------------------------------------------

void CMoveFindDialog::RepositionControls() {
    if (m_btnTop.IsWindow() && m_btnPrev.IsWindow() && m_btnNext.IsWindow() && m_btnBottom.IsWindow()) {
        RECT rcWnd, rcTop;
        GetWindowRect(&rcWnd);
        m_btnTop.GetWindowRect(&rcTop);
        const int dx = (rcWnd.right - 69) - rcTop.left;
        const RECT rcList{rcWnd.left + 15, rcWnd.top + 58, rcWnd.right - 80, rcWnd.bottom - 14};
        MoveControlsAndFill(this, {&m_btnTop, &m_btnPrev, &m_btnNext, &m_btnBottom}, dx, 0, &m_lstHits, rcList,
                            SWP_SHOWWINDOW);
    }
    if (m_wndStatusBar.IsWindow()) {
        m_wndStatusBar.SendMessage(WM_SIZE, 0, 0);
        m_wndStatusBar.Invalidate();
    }
}

void CMoveFindDialog::ApplyFont() {
    HFONT hFont = ::CreateFontIndirectW(&CAppSettings::Get().Font.MoveFindDialog);
    if (!hFont) return;
    m_lstHits.SetFont(hFont, TRUE);
    m_ListFont.Attach(hFont);  // the previous font goes once the list no longer uses it
}

// --- the slot of the log thread -----------------------------------------------------------

namespace {

CMoveFindDialog* CreateMoveDialog(CTreeViewEx* pView, CSearchConditionSet* pActive) {
    auto* p = new CMoveFindDialog(pView);
    if (!p->m_hWnd) {
        delete p;
        return nullptr;
    }
    p->m_pConditions = pActive;
    return p;
}

const CMoveDialogSlot g_MoveDialogSlot = {
    &CreateMoveDialog,
    [](CMoveFindDialog* p, int nCmdShow) { if (p && p->IsWindow()) p->ShowWindow(nCmdShow); },
    [](CMoveFindDialog* p) { if (p && p->IsWindow()) p->FillHitList(); },
    [](CMoveFindDialog* p) { if (p && p->IsWindow()) p->ApplyFont(); },
    [](CMoveFindDialog* p) { if (p && p->IsWindow()) p->m_lstHits.Invalidate(FALSE); },
    [](CMoveFindDialog* p) { if (p && p->IsWindow()) p->DestroyWindow(); },
};

}  // namespace

void RegisterMoveDialog() { CLogTreeThread::s_pMoveDialog = &g_MoveDialogSlot; }
