// The log view on the real log thread: new call lines (rows, last page,
// loaded items within the page bound), emptying, the held call's selection,
// member loads that find their item by its node, markable objects, one popup
// per right click, and the dialog commands through their slots.
#include <gtest/gtest.h>

#include "logwin_host.h"

#include <commctrl.h>

#include <memory>
#include <string>

#include "resources/LogWindowRes.h"
#include "server/core/Globals.h"
#include "server/core/Messages.h"
#include "server/core/NodeAlgo.h"
#include "server/settings/AppSettings.h"

namespace {

class LogViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_nClients = 1;
        m_host = std::make_unique<LogHost>();
        ASSERT_NE(nullptr, m_host->LogFrame());
        m_hLog = m_host->LogWnd();
        m_pView = m_host->LogView();
        m_hTree = m_pView->m_hWnd;
        m_nOldExpand = CAppSettings::Get().Settings.TreeViewExpand;
        m_host->OnLog([&] { m_host->LogFrame()->SetMainWnd(m_rec.Hwnd()); });
        ::MoveWindow(m_hLog, 0, 0, 500, 360, TRUE);
        m_host->OnLog([&] { m_nVisible = m_pView->VisibleCount(); });
    }
    void TearDown() override {
        CAppSettings::Get().Settings.TreeViewExpand = m_nOldExpand;
        g_nClients = 0;
        m_host.reset();
    }

    // A call handed over as the main frame hands it.
    CLogNode* Add(int nMembers, bool bBreak = false, bool bObjects = false) {
        m_pLast = LinkAfter(m_pLast, MakeCall(L"call", 1, m_nKey += 10, bBreak, nMembers, bObjects));
        ::SendMessageW(m_hLog, UM_ADD_ENTRY, reinterpret_cast<WPARAM>(m_pLast), 0);
        return m_pLast;
    }
    HTREEITEM ItemOf(CLogNode* pNode) {
        HTREEITEM h = nullptr;
        m_host->OnLog([&] { h = m_pView->FindItemOfNode(pNode); });
        return h;
    }
    CLogNode* NodeOf(HTREEITEM h) {
        CLogNode* p = nullptr;
        m_host->OnLog([&] { p = m_pView->NodeOfItem(h); });
        return p;
    }

    std::unique_ptr<LogHost> m_host;
    Recorder m_rec;
    HWND m_hLog = nullptr;
    HWND m_hTree = nullptr;
    CLogTreeView* m_pView = nullptr;
    CLogNode* m_pLast = nullptr;
    DWORD m_nKey = 0;
    int m_nOldExpand = 0;
    int m_nVisible = 0;
};

TEST_F(LogViewTest, NewCallLinesAddTheirRowsShowTheLastPageAndStayWithinThePageBound) {
    struct Case {
        int nExpand;
        int nMembers;
        int nRowsPerCall;
    };
    const Case cases[] = {{0, 3, 1}, {2, 3, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "TreeViewExpand " << c.nExpand);
        m_host->OnLog([&] { m_host->LogDoc()->ClearLog(); });
        CAppSettings::Get().Settings.TreeViewExpand = c.nExpand;
        ASSERT_GT(m_nVisible, 3);
        // Whole calls: the bound above the first visible one, the page, and
        // the two calls that straddle them.
        const int nRootBound = (2 * m_nVisible + 1) / c.nRowsPerCall + 3;
        for (int i = 1; i <= 150; ++i) {
            CLogNode* pCall = Add(c.nMembers);
            const int nTotal = i * c.nRowsPerCall;
            ASSERT_EQ(nTotal, m_pView->GetTotalRows()) << "call " << i;
            const int nPage = static_cast<int>(m_pView->GetPushedScrollInfo().nPage);
            ASSERT_EQ(std::max(0, nTotal - nPage), m_pView->GetFirstRow()) << "call " << i;
            // The items follow by themselves.
            ASSERT_TRUE(PumpUntil([&] { return !m_pView->IsCatchUpPending(); }, 2000)) << "call " << i;
            int nRoots = 0;
            for (HTREEITEM h = TreeView_GetRoot(m_hTree); h; h = TreeView_GetNextSibling(m_hTree, h)) ++nRoots;
            ASSERT_LE(nRoots, nRootBound) << "call " << i;
            ASSERT_EQ(nRoots * (1 + c.nMembers), ItemCount(m_hTree)) << "call " << i;
            // The newest row is on the page.
            HTREEITEM hLast = TreeView_GetLastVisible(m_hTree);
            CLogNode* pLastRow = c.nExpand ? NodeLastDescendant(pCall) : pCall;
            ASSERT_EQ(pLastRow, NodeOf(hLast)) << "call " << i;
            RECT rc{}, rcClient{};
            ASSERT_TRUE(TreeView_GetItemRect(m_hTree, hLast, &rc, TRUE));
            ::GetClientRect(m_hTree, &rcClient);
            ASSERT_LE(rc.bottom, rcClient.bottom) << "call " << i;
            ASSERT_GE(rc.top, 0) << "call " << i;
        }
        EXPECT_EQ(150, m_host->LogDoc()->m_nNodeCount);
        EXPECT_EQ(m_pLast, m_host->LogDoc()->m_pLastNode);
    }
}

TEST_F(LogViewTest, AHeldCallSelectsItsLastRow) {
    CAppSettings::Get().Settings.TreeViewExpand = 2;
    Add(2);
    CLogNode* pHeld = Add(3, true);
    HTREEITEM hSel = TreeView_GetSelection(m_hTree);
    EXPECT_EQ(NodeLastDescendant(pHeld), NodeOf(hSel));
    EXPECT_EQ(NodeLastDescendant(pHeld), m_pView->GetCaretNode());
    EXPECT_TRUE(::IsWindowEnabled(m_hTree));
}

// Calls that come faster than the view shows them: the items follow with no
// input at all, within a bounded time even while the calls keep coming, as
// whole calls in log order ending at the newest; a held call is shown at once.
TEST_F(LogViewTest, NewCallsAreShownWithoutInputWithinBoundedTimeAndAHeldCallAtOnce) {
    CAppSettings::Get().Settings.TreeViewExpand = 2;
    const int nRowsPerCall = 4;
    const int nRootBound = (2 * m_nVisible + 1) / nRowsPerCall + 3;
    auto checkPage = [&](CLogNode* pNewest) {
        int nRoots = 0;
        CLogNode* pExpected = nullptr;
        for (HTREEITEM h = TreeView_GetRoot(m_hTree); h; h = TreeView_GetNextSibling(m_hTree, h)) {
            CLogNode* p = NodeOf(h);
            if (pExpected) {
                ASSERT_EQ(pExpected, p) << "root " << nRoots;
            }
            pExpected = p->m_pNext;
            ++nRoots;
        }
        ASSERT_LE(nRoots, nRootBound);
        ASSERT_GT(nRoots, m_nVisible / nRowsPerCall);
        ASSERT_EQ(nRoots * nRowsPerCall, ItemCount(m_hTree));
        ASSERT_EQ(NodeLastDescendant(pNewest), NodeOf(TreeView_GetLastVisible(m_hTree)));
    };

    // A burst, then nothing touches the view: it catches up by itself.
    for (int i = 0; i < 60; ++i) Add(3);
    ASSERT_TRUE(PumpUntil([&] { return !m_pView->IsCatchUpPending(); }, 2000));
    EXPECT_EQ(60 * nRowsPerCall, m_pView->GetTotalRows());
    checkPage(m_pLast);

    // A stream with no pause: no call waits for its items beyond the bound.
    const ULONGLONG nBound = CLogTreeView::kMaxPendingMs + 100;
    ULONGLONG nLongest = 0;
    for (const ULONGLONG t0 = ::GetTickCount64(); ::GetTickCount64() - t0 < 700;) {
        Add(3);
        if (m_pView->AreCallsWaiting()) nLongest = std::max(nLongest, ::GetTickCount64() - m_pView->PendingSince());
    }
    EXPECT_LE(nLongest, nBound);
    ASSERT_TRUE(PumpUntil([&] { return !m_pView->IsCatchUpPending(); }, 2000));
    checkPage(m_pLast);

    // A call held at a break is on the page and selected when the hand-over returns.
    Add(3);
    CLogNode* pHeld = Add(3, true);
    EXPECT_FALSE(m_pView->IsCatchUpPending());
    EXPECT_EQ(NodeLastDescendant(pHeld), NodeOf(TreeView_GetSelection(m_hTree)));
    checkPage(pHeld);
}

TEST_F(LogViewTest, MembersAreAskedForOnlyForTheHeldCallAndLandOnTheNodesItemFoundAgain) {
    CAppSettings::Get().Settings.TreeViewExpand = 0;
    CLogNode* pOld = Add(2, false, true);
    CLogNode* pHeld = Add(2, true, true);
    m_rec.Take();

    // Opening the older call asks nothing; opening the held one asks once.
    ::SendMessageW(m_hTree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(ItemOf(pOld)));
    PumpFor(50);
    EXPECT_TRUE(m_rec.Take().empty());
    HTREEITEM hAsked = ItemOf(pHeld);
    ::SendMessageW(m_hTree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(hAsked));
    PumpFor(50);
    ASSERT_EQ(1u, m_rec.m_msgs.size());
    EXPECT_EQ(UM_LOAD_MEMBERS, m_rec.m_msgs[0].message);
    EXPECT_EQ(reinterpret_cast<WPARAM>(pHeld), m_rec.m_msgs[0].wParam);
    m_rec.m_msgs.clear();

    // Meanwhile the page is built again: the item that asked is gone.
    m_host->OnLog([&] {
        m_pView->GetTreeCtrl().DeleteAllItems();
        m_pView->LoadRootItem(pOld);
        m_pView->LoadRootItem(pHeld);
    });
    m_rec.Take();
    // The main thread loads the members (as the capture does) and answers.
    for (CLogNode* pMember = pHeld->m_pChildren; pMember; pMember = pMember->m_pNext) {
        CLogNode* pChild = AllocNode();
        pChild->m_pEntry->m_name = L"Name";
        pChild->m_pEntry->m_type = L"VT_BSTR";
        pMember->m_pChildren = pChild;
        pChild->m_pBack = pMember;
        pMember->m_pEntry->ClearFlags(LOGF_NOT_LOADED);
    }
    ::PostMessageW(m_hLog, UM_MEMBERS_LOADED, reinterpret_cast<WPARAM>(pHeld), reinterpret_cast<LPARAM>(hAsked));
    PumpFor(100);
    HTREEITEM hNow = ItemOf(pHeld);
    ASSERT_NE(nullptr, hNow);
    HTREEITEM hMember = TreeView_GetChild(m_hTree, hNow);
    ASSERT_NE(nullptr, hMember);
    HTREEITEM hGrandChild = TreeView_GetChild(m_hTree, hMember);
    ASSERT_NE(nullptr, hGrandChild);
    EXPECT_EQ(pHeld->m_pChildren->m_pChildren, NodeOf(hGrandChild));
}

TEST_F(LogViewTest, OnlyObjectsOfTheHeldCallAreMarkable) {
    CAppSettings::Get().Settings.TreeViewExpand = 1;
    CLogNode* pOld = Add(1, false, true);
    CLogNode* pHeld = Add(3, true, true);
    CLogNode* pArray = pHeld->m_pChildren->m_pNext;
    pArray->m_pEntry->SetKind(LOGK_ARRAY);
    CLogNode* pNoKey = pArray->m_pNext;
    pNoKey->m_pEntry->m_key = 0;
    struct Case {
        const char* what;
        CLogNode* pNode;
        bool bPaused;
        bool bMarkable;
    };
    const Case cases[] = {
        {"object of the held call", pHeld->m_pChildren, true, true},
        {"same, not paused", pHeld->m_pChildren, false, false},
        {"object of an older call", pOld->m_pChildren, true, false},
        {"array of the held call", pArray, true, false},
        {"object without key", pNoKey, true, false},
        {"the held call line", pHeld, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_host->OnLog([&] {
            m_host->LogFrame()->SetTraceFlags(false, c.bPaused, false);
            EXPECT_EQ(c.bMarkable, m_pView->IsMarkableObject(c.pNode) != FALSE);
            HTREEITEM h = m_pView->FindItemOfNode(c.pNode);
            ASSERT_NE(nullptr, h);
            EXPECT_EQ(c.bMarkable, m_pView->IsMarkedItem(h) == &CAppSettings::Get().ObjInfoBrush);
            // Ctrl+I runs only for a markable object.
            m_pView->SelectCaretItem(h);
        });
        m_rec.Take();
        ::SendMessageW(m_hLog, WM_COMMAND, MAKEWPARAM(ID_TOOL_OBJECTINFO, 1), 0);
        PumpFor(20);
        std::vector<UINT> expected;
        if (c.bMarkable) expected.push_back(UM_OBJINFO_REQUEST);
        EXPECT_EQ(expected, m_rec.Take());
    }
}

int g_nPopups = 0;
BOOL CountPopup(HMENU hMenu, UINT, int, int, CWnd*) {
    ++g_nPopups;
    return ::GetMenuItemID(hMenu, 0) == ID_POPUP_OBJECTINFO;
}

TEST_F(LogViewTest, OneRightClickOnAnObjectOpensOnePopup) {
    CAppSettings::Get().Settings.TreeViewExpand = 1;
    CLogNode* pHeld = Add(1, true, true);
    auto* const pOld = CLogTreeView::s_pfnTrackPopup;
    CLogTreeView::s_pfnTrackPopup = &CountPopup;
    g_nPopups = 0;
    HTREEITEM hItem = ItemOf(pHeld->m_pChildren);
    RECT rc{};
    ASSERT_TRUE(TreeView_GetItemRect(m_hTree, hItem, &rc, TRUE));
    const LPARAM pt = MAKELPARAM(rc.left + 4, (rc.top + rc.bottom) / 2);
    POINT screen{rc.left + 4, (rc.top + rc.bottom) / 2};
    ::ClientToScreen(m_hTree, &screen);
    ::SetCursorPos(screen.x, screen.y);
    // The control follows the button with its own loop until the button is up.
    ::PostMessageW(m_hTree, WM_RBUTTONUP, 0, pt);
    ::SendMessageW(m_hTree, WM_RBUTTONDOWN, MK_RBUTTON, pt);
    PumpFor(200);
    EXPECT_EQ(1, g_nPopups);
    EXPECT_EQ(hItem, TreeView_GetSelection(m_hTree));
    // The keyboard's context menu opens it at the item.
    ::SendMessageW(m_hTree, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(m_hTree), -1);
    EXPECT_EQ(2, g_nPopups);
    CLogTreeView::s_pfnTrackPopup = pOld;
}

// Dialogs through their slots: fakes that record what the view asks.
std::vector<std::string> g_dialogLog;
CExtractDialog* MakeExtract(CTreeViewEx*, CCheckedRootSet*) {
    g_dialogLog.push_back("make extract");
    return reinterpret_cast<CExtractDialog*>(static_cast<UINT_PTR>(0x10));
}
CFindDialog* MakeFind(CTreeViewEx*, CCheckedRootSet*) {
    g_dialogLog.push_back("make find");
    return reinterpret_cast<CFindDialog*>(static_cast<UINT_PTR>(0x20));
}
CMoveFindDialog* MakeMove(CTreeViewEx*, CSearchConditionSet*) {
    g_dialogLog.push_back("make move");
    return reinterpret_cast<CMoveFindDialog*>(static_cast<UINT_PTR>(0x30));
}
template <class T>
void Show(T*, int n) {
    g_dialogLog.push_back(n == SW_RESTORE ? "restore" : "show");
}
void DestroyExtract(CExtractDialog*) { g_dialogLog.push_back("destroy extract"); }
void DestroyFind(CFindDialog*) { g_dialogLog.push_back("destroy find"); }
void DestroyMove(CMoveFindDialog*) { g_dialogLog.push_back("destroy move"); }

const CExtractDialogSlot kExtract = {&MakeExtract, &Show<CExtractDialog>, nullptr, nullptr, &DestroyExtract};
const CFindDialogSlot kFind = {&MakeFind, &Show<CFindDialog>, nullptr, nullptr, nullptr, &DestroyFind};
const CMoveDialogSlot kMove = {&MakeMove, &Show<CMoveFindDialog>, nullptr, nullptr, nullptr, &DestroyMove};

TEST_F(LogViewTest, DialogCommandsOpenOneDialogEachAndReleaseMemoryEmptiesTheViewAndDestroysThem) {
    // Without slots the commands do nothing.
    ::SendMessageW(m_hLog, WM_COMMAND, ID_EXTRACT_DIALOG, 0);
    ::SendMessageW(m_hLog, WM_COMMAND, ID_FIND_DIALOG, 0);
    EXPECT_EQ(nullptr, m_pView->GetExtractDialog());
    EXPECT_EQ(nullptr, m_pView->GetFindDialog());

    CLogTreeThread::s_pExtractDialog = &kExtract;
    CLogTreeThread::s_pFindDialog = &kFind;
    CLogTreeThread::s_pMoveDialog = &kMove;
    g_dialogLog.clear();
    CAppSettings::Get().Settings.TreeViewExpand = 2;
    for (int i = 0; i < 30; ++i) Add(2);
    ::SendMessageW(m_hLog, WM_COMMAND, ID_EXTRACT_DIALOG, 0);
    ::SendMessageW(m_hLog, WM_COMMAND, ID_EXTRACT_DIALOG, 0);
    ::SendMessageW(m_hLog, WM_COMMAND, ID_FIND_DIALOG, 0);
    m_host->OnLog([&] { m_pView->SendMessage(WM_COMMAND, ID_MOVE_DIALOG, 0); });
    const std::vector<std::string> opened = {"make extract", "show", "restore", "make find", "show",
                                             "make move", "show"};
    EXPECT_EQ(opened, g_dialogLog);
    g_dialogLog.clear();

    g_nClients = 0;
    ::SendMessageW(m_hLog, WM_COMMAND, ID_TRACE_RELEASEMEMORY, 0);
    const std::vector<std::string> destroyed = {"destroy extract", "destroy find", "destroy move"};
    EXPECT_EQ(destroyed, g_dialogLog);
    EXPECT_EQ(nullptr, m_pView->GetExtractDialog());
    EXPECT_EQ(nullptr, m_pView->GetFindDialog());
    EXPECT_EQ(nullptr, m_pView->GetMoveDialog());
    EXPECT_EQ(0, m_pView->GetTotalRows());
    EXPECT_EQ(0, m_pView->GetFirstRow());
    EXPECT_EQ(0, ItemCount(m_hTree));
    EXPECT_EQ(0, m_pView->GetPushedScrollInfo().nMax);
    CLogTreeThread::s_pExtractDialog = nullptr;
    CLogTreeThread::s_pFindDialog = nullptr;
    CLogTreeThread::s_pMoveDialog = nullptr;
}

}  // namespace
