// The extract and move dialog test host.
#include "dialog_host.h"

#include "common/WindowShot.h"
#include "resources/LogWindowRes.h"
#include "search/dialogs/ExtractDialog.h"
#include "server/core/Globals.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

namespace {

std::vector<Posted> g_posted;   // touched on the log thread only
std::vector<CLogNode*> g_lists; // extracted lists, freed when the test ends

LRESULT CALLBACK Spy(HWND h, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    switch (m) {
    case UM_EXTRACT_OK:
        g_posted.push_back({m, wp, lp});
        g_lists.push_back(reinterpret_cast<CLogNode*>(wp));
        return 0;  // the test looks at the list and frees it
    case UM_EXTRACT_ERROR:
    case UM_EXTRACTDIALOG_CLOSED:
    case UM_MOVE_HIT:
    case UM_MOVEDIALOG_CLOSED:
        g_posted.push_back({m, wp, lp});
        break;
    }
    return ::DefSubclassProc(h, m, wp, lp);
}

CLogNode* MakeMember(const MemberSpec& m) {
    CLogNode* p = AllocNode();
    p->m_pEntry->m_name = m.pszName;
    p->m_pEntry->m_value = m.pszValue;
    if (m.children.empty()) {
        p->m_pEntry->m_type = L"LONG";
    } else {
        p->m_pEntry->m_type = L"VT_DISPATCH";
        p->m_pEntry->SetKind(LOGK_OBJECT);
        p->m_pEntry->SetFlags(LOGF_MEMBER_TREE);
        p->NodeSetExpanded(0, TRUE);   // its members shown in the log view
        std::vector<CLogNode*> children;
        for (const MemberSpec& c : m.children) children.push_back(MakeMember(c));
        LinkMembers(p, children);
    }
    return p;
}

void AppendText(std::wstring& out, const CLogNode* p, bool bTrees);

void AppendChain(std::wstring& out, const CLogNode* p, bool bTrees, bool& bFirst) {
    if (!p) return;
    if (bTrees) AppendChain(out, p->m_pBack, bTrees, bFirst);
    if (!bFirst) out += L",";
    bFirst = false;
    AppendText(out, p, bTrees);
    if (bTrees) AppendChain(out, p->m_pNext, bTrees, bFirst);
}

void AppendText(std::wstring& out, const CLogNode* p, bool bTrees) {
    CBstr text;
    CExtractDialog::FormatItemText(p, text);
    out += static_cast<LPCOLESTR>(text);
    if (p->m_pChildren) {
        out += L"[";
        bool bFirst = true;
        if (bTrees) {
            AppendChain(out, p->m_pChildren, true, bFirst);
        } else {
            for (const CLogNode* c = p->m_pChildren; c; c = c->m_pNext) {
                if (!bFirst) out += L",";
                bFirst = false;
                AppendText(out, c, false);
            }
        }
        out += L"]";
    }
}

void AppendItems(std::wstring& out, HWND hTree, HTREEITEM h) {
    bool bFirst = true;
    for (; h; h = TreeView_GetNextSibling(hTree, h)) {
        if (!bFirst) out += L",";
        bFirst = false;
        out += ItemTextOf(hTree, h);
        if (HTREEITEM c = TreeView_GetChild(hTree, h)) {
            out += L"[";
            AppendItems(out, hTree, c);
            out += L"]";
        }
    }
}

}  // namespace

std::wstring TreeText(HWND hTree) {
    std::wstring out;
    AppendItems(out, hTree, TreeView_GetRoot(hTree));
    return out;
}

std::wstring ChainText(const CLogNode* pChain, bool bSearchTrees) {
    std::wstring out;
    bool bFirst = true;
    if (bSearchTrees) {
        // The groups stay a chain; their members are search trees.
        for (const CLogNode* p = pChain; p; p = p->m_pNext) {
            if (!bFirst) out += L",";
            bFirst = false;
            AppendText(out, p, true);
        }
    } else {
        for (const CLogNode* p = pChain; p; p = p->m_pNext) {
            if (!bFirst) out += L",";
            bFirst = false;
            AppendText(out, p, false);
        }
    }
    return out;
}

void DialogHostTest::ResetDialogSettings(CAppSettings& s) {
    s.Common.ExtractDialog = DLGOPT_DEFAULT;
    s.Window.ExtractDialog = RECT{};
    for (RECT& rc : s.Window.MoveFindDialog) rc = RECT{};
}

void DialogHostTest::AttachSpies() {
    g_posted.clear();
    ::SetWindowSubclass(m_host->LogWnd(), Spy, 0x5ea8, 0);
    ::SetWindowSubclass(m_pView->m_hWnd, Spy, 0x5ea8, 0);
}

void DialogHostTest::DetachSpies() {
    ::RemoveWindowSubclass(m_host->LogWnd(), Spy, 0x5ea8);
    ::RemoveWindowSubclass(m_pView->m_hWnd, Spy, 0x5ea8);
    for (CLogNode* p : g_lists) FreeNodeTree(p);
    g_lists.clear();
    g_posted.clear();
}

CLogNode* DialogHostTest::AddCall(LPCWSTR pszLabel, int nClient, const std::vector<MemberSpec>& members) {
    std::vector<CLogNode*> nodes;
    for (const MemberSpec& m : members) nodes.push_back(MakeMember(m));
    return AddCallWithMembers(pszLabel, nClient, nodes);
}

CLogNode* DialogHostTest::Member(CLogNode* pCall, std::initializer_list<LPCWSTR> path) {
    CLogNode* p = pCall;
    for (LPCWSTR name : path) {
        CLogNode* c = p->m_pChildren;
        while (c && wcscmp(c->m_pEntry->m_name, name) != 0) c = c->m_pNext;
        if (!c) return nullptr;
        p = c;
    }
    return p;
}

void DialogHostTest::Command(UINT nID) {
    m_host->OnLog([&] { ::SendMessageW(m_host->LogWnd(), WM_COMMAND, nID, 0); });
}

std::vector<Posted> DialogHostTest::TakePosted() { return TakeFromLog(g_posted); }

bool SaveWindowBitmap(HWND hWnd, LPCWSTR pszName) {
    const std::wstring dir = ShotFolder();
    return !dir.empty() && WriteWindowBitmap(hWnd, dir + pszName + L".bmp");
}
