// The find-dialog test host.
#include "finddialog_util.h"

#include "resources/LogWindowRes.h"
#include "server/core/Globals.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

namespace {

std::vector<Posted> g_posted;   // touched on the log thread only
bool g_bSwallowFind = false;

LRESULT CALLBACK OwnerSpy(HWND h, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR pData) {
    if (m == UM_FIND || m == UM_FIND_ERROR || m == UM_FINDDIALOG_CLOSED) {
        Posted p{m, wp, 0};
        if (m == UM_FIND && wp) p.options = reinterpret_cast<CSearchConditionSet*>(wp)->m_options;
        g_posted.push_back(p);
        if (m == UM_FIND && *reinterpret_cast<bool*>(pData)) return 0;
    }
    return ::DefSubclassProc(h, m, wp, lp);
}

}  // namespace

void SetSwallowFind(bool bSwallow) { g_bSwallowFind = bSwallow; }

// --- fixture ------------------------------------------------------------------------------

void FindDialogTest::ResetDialogSettings(CAppSettings& s) {
    for (int i = 0; i < SETTINGS_VIEW_SLOTS; ++i) {
        s.Common.FindDialog[i] = DLGOPT_DEFAULT;
        s.Window.FindDialog[i] = RECT{};
    }
    g_bSwallowFind = false;
}

void FindDialogTest::AttachSpies() {
    g_posted.clear();
    ::SetWindowSubclass(m_host->LogWnd(), OwnerSpy, 0x5ea7, reinterpret_cast<DWORD_PTR>(&g_bSwallowFind));
}

void FindDialogTest::DetachSpies() { ::RemoveWindowSubclass(m_host->LogWnd(), OwnerSpy, 0x5ea7); }

void FindDialogTest::TearDown() {
    FailAllocationAfter(0);
    FailStringAfter(0);
    LogDialogTest::TearDown();
}

CLogNode* FindDialogTest::AddCall(LPCWSTR pszLabel, int nClient, std::initializer_list<MemberSpec> members) {
    std::vector<CLogNode*> nodes;
    for (const MemberSpec& m : members) {
        CLogNode* p = AllocNode();
        p->m_pEntry->m_name = m.pszName;
        p->m_pEntry->m_type = m.pszType;
        p->m_pEntry->m_value = m.pszValue;
        nodes.push_back(p);
    }
    return AddCallWithMembers(pszLabel, nClient, nodes);
}

CLogNode* FindDialogTest::Member(CLogNode* pCall, int n) const {
    CLogNode* p = pCall->m_pChildren;
    while (p && n-- > 0) p = p->m_pNext;
    return p;
}

CFindDialog* FindDialogTest::OpenDialog() {
    m_host->OnLog([&] {
        ::SendMessageW(m_host->LogWnd(), WM_COMMAND, ID_FIND_DIALOG, 0);
        m_pDlg = m_pView->GetFindDialog();
    });
    if (m_pDlg) {
        m_hDlg = m_pDlg->m_hWnd;
        m_hTree = ::GetDlgItem(m_hDlg, IDC_FIND_TREE);
    }
    return m_pDlg;
}

std::vector<HTREEITEM> FindDialogTest::Items() const { return VisibleItems(m_hTree); }

std::wstring FindDialogTest::ItemText(HTREEITEM h) const { return ItemTextOf(m_hTree, h); }

int FindDialogTest::Image(HTREEITEM h) const {
    TVITEMW it{};
    it.mask = TVIF_IMAGE;
    it.hItem = h;
    ::SendMessageW(m_hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    return it.iImage;
}

HTREEITEM FindDialogTest::ItemNamed(LPCWSTR pszText) const {
    for (HTREEITEM h : Items())
        if (ItemText(h).find(pszText) != std::wstring::npos) return h;
    return nullptr;
}

void FindDialogTest::Select(HTREEITEM h) {
    ::SendMessageW(m_hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(h));
}

void FindDialogTest::Key(UINT vk, HWND hTarget) { LogDialogTest::Key(m_hDlg, hTarget ? hTarget : m_hTree, vk); }

void FindDialogTest::Type(int nID, LPCWSTR pszText) {
    HWND h = ::GetDlgItem(m_hDlg, nID);
    ::SetWindowTextW(h, pszText);
    ::SendMessageW(m_hDlg, WM_COMMAND, MAKEWPARAM(nID, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(h));
}

void FindDialogTest::PickOperator(int nID, int nOperator) {
    HWND h = ::GetDlgItem(m_hDlg, nID);
    const int n = static_cast<int>(::SendMessageW(h, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i)
        if (static_cast<int>(::SendMessageW(h, CB_GETITEMDATA, i, 0)) == nOperator) ::SendMessageW(h, CB_SETCURSEL, i, 0);
    ::SendMessageW(m_hDlg, WM_COMMAND, MAKEWPARAM(nID, CBN_SELCHANGE), reinterpret_cast<LPARAM>(h));
}

void FindDialogTest::Click(int nID) { LogDialogTest::Click(m_hDlg, nID); }

std::wstring FindDialogTest::Text(int nID) const {
    wchar_t buf[256] = {};
    ::GetDlgItemTextW(m_hDlg, nID, buf, 256);
    return buf;
}

std::vector<Posted> FindDialogTest::TakePosted() { return TakeFromLog(g_posted); }
