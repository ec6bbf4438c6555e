// The result windows on the real log thread: extracts and finds into window
// n, Release Log, closing (slot, nodes, view bits), the limit of seven,
// placements per window, errors shown and ended by the window itself, and
// the find and move dialogs through their slots.
#include <gtest/gtest.h>

#include "logwin_host.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "logwindows/ResultTreeDoc.h"
#include "logwindows/ResultTreeFrame.h"
#include "logwindows/ResultTreeView.h"
#include "resources/LogWindowRes.h"
#include "resources/ResultWindowRes.h"
#include "search/SearchCondition.h"
#include "server/core/Messages.h"
#include "server/core/NodeAlgo.h"
#include "server/settings/AppSettings.h"

namespace {

// Counts the nodes of a chain and of all levels below it.
int CountNodes(const CLogNode* p) {
    int n = 0;
    for (; p; p = p->m_pNext) n += 1 + CountNodes(p->m_pChildren);
    return n;
}

// Whether any entry of the chain (all levels) carries a bit of view n.
bool AnyViewBit(const CLogNode* p, int n) {
    for (; p; p = p->m_pNext) {
        if (p->m_pEntry && (p->NodeIsExpanded(n) || p->NodeIsChecked(n))) return true;
        if (AnyViewBit(p->m_pChildren, n)) return true;
    }
    return false;
}

class CEnableProbe : public CCmdUI {
public:
    void Enable(BOOL bOn) override { m_bEnabled = bOn != FALSE; }
    bool m_bEnabled = false;
};

// A log thread started as the main frame starts it, reporting to a
// recorder, with the program's result windows in its slot and a master list
// of three calls with two members each ("hit", "hit", "miss" in member 0).
class ResultWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CResultTreeDoc::GetWindowSlot(), CLogTreeThread::s_pResultWindow);
        m_nOldExpand = CAppSettings::Get().Settings.TreeViewExpand;
        CAppSettings::Get().Settings.TreeViewExpand = 1;
        for (RECT& rc : CAppSettings::Get().Window.ResultView) rc = RECT{};
        const wchar_t* values[] = {L"hit", L"hit", L"miss"};
        CLogNode* pPrev = nullptr;
        for (int i = 0; i < 3; ++i) {
            m_pCalls[i] = LinkAfter(pPrev, MakeCall(L"call", 1, 10 * (i + 1), false, 2));
            for (CLogNode* m = m_pCalls[i]->m_pChildren; m; m = m->m_pNext) {
                m->m_pEntry->m_type = L"BSTR";
                m->m_pEntry->m_value = m == m_pCalls[i]->m_pChildren ? values[i] : L"other";
            }
            pPrev = m_pCalls[i];
        }
        m_pThread = dynamic_cast<CLogTreeThread*>(CLogTreeThread::CreateForMainFrame(m_rec.Hwnd()));
        ASSERT_NE(nullptr, m_pThread);
        m_pThread->ResumeThread();
        ASSERT_TRUE(PumpUntil([&] { return !m_rec.m_msgs.empty(); }));
        ASSERT_NE(nullptr, m_pThread->m_pLogFrame);
        m_hLog = m_pThread->m_pLogFrame->m_hWnd;
    }
    void TearDown() override {
        if (m_pThread) {
            m_pThread->PostThreadMessage(UM_LOGTHREAD_QUIT, 0, 0);
            ::WaitForSingleObject(m_pThread->m_hThread, 10000);
            delete m_pThread;
        }
        CAppSettings::Get().Settings.TreeViewExpand = m_nOldExpand;
        for (RECT& rc : CAppSettings::Get().Window.ResultView) rc = RECT{};
    }

    void OnLog(const std::function<void()>& f) { RunOnThreadOf(m_hLog, f); }
    CResultTreeFrame* Frame(int n) { return dynamic_cast<CResultTreeFrame*>(m_pThread->m_pResultFrame[n - 1]); }
    CResultTreeDoc* Doc(int n) { return dynamic_cast<CResultTreeDoc*>(m_pThread->m_pResultDoc[n - 1]); }
    CResultTreeView* View(int n) { return dynamic_cast<CResultTreeView*>(Frame(n)->GetActiveView()); }
    bool IsOpen(int n) {
        bool b = false;
        OnLog([&] { b = m_pThread->IsResultViewOpen(n); });
        return b;
    }
    HWND FrameWnd(int n) {
        HWND h = nullptr;
        OnLog([&] { h = m_pThread->IsResultViewOpen(n) ? Frame(n)->m_hWnd : nullptr; });
        return h;
    }
    // An extract result delivered to window n; waits until the window shows it.
    void Extract(CLogNode* pTree, int n) {
        m_pThread->PostThreadMessage(UM_SHOW_EXTRACT, reinterpret_cast<WPARAM>(pTree), n);
        ASSERT_TRUE(PumpUntil([&] {
            bool b = false;
            OnLog([&] { b = m_pThread->IsResultViewOpen(n) && Doc(n)->m_pFirstNode == pTree; });
            return b;
        }));
    }
    // A find dialog's set: member 0 of a call contains "hit"; aimed at
    // result window n (0: the window that runs it).
    void MakeFindSet(CSearchConditionSet& set, int n) {
        CSearchCondition* c = set.GetOrCreateCondition(m_pCalls[0]->m_pChildren);
        c->SetComparison1(L"hit", SOP_CONTAINS, FALSE);
        c->m_flags |= SCF_ENABLED;
        set.m_options = SSO_PATH | SSO_MATCH_OBJECTS | (n ? (static_cast<DWORD>(n) << SSO_VIEW_SHIFT) : SSO_OWN_WINDOW);
    }
    std::wstring MatchText(int n) {
        std::wstring s;
        OnLog([&] { s = Frame(n)->GetStatusBar().GetPaneText(1); });
        return s;
    }
    bool ReleaseLogEnabled(int n) {
        CEnableProbe probe;
        probe.m_nID = ID_RELEASE_LOG;
        OnLog([&] { Frame(n)->OnCmdMsg(ID_RELEASE_LOG, CN_UPDATE_COMMAND_UI, &probe, nullptr); });
        return probe.m_bEnabled;
    }

    Recorder m_rec;
    CLogTreeThread* m_pThread = nullptr;
    HWND m_hLog = nullptr;
    CLogNode* m_pCalls[3] = {};
    int m_nOldExpand = 0;
};

TEST_F(ResultWindowTest, AnExtractOpensWindowNWithItsTreeAndTheNextReplacesItsState) {
    m_pCalls[0]->NodeSetExpanded(0, TRUE);  // the log window's own state stays
    CLogNode* pFirst = NodeShareTree(m_pCalls[0]);
    Extract(pFirst, 4);
    HWND hFrame = FrameWnd(4);
    wchar_t title[32] = {};
    ::GetWindowTextW(hFrame, title, 32);
    EXPECT_STREQ(L"ResultView 4", title);
    // Resource 132: the Extract and View menus, no Trace or Tool menu; the
    // toolbar's seven buttons and two separators.
    HMENU hMenu = ::GetMenu(hFrame);
    ASSERT_EQ(2, ::GetMenuItemCount(hMenu));
    wchar_t menu[32] = {};
    ::GetMenuStringW(hMenu, 0, menu, 32, MF_BYPOSITION);
    EXPECT_STREQ(L"&Extract", menu);
    EXPECT_EQ(0xFFFFFFFFu, ::GetMenuState(hMenu, ID_RELEASE_LOG, MF_BYCOMMAND));  // toolbar only
    EXPECT_NE(0xFFFFFFFFu, ::GetMenuState(hMenu, ID_MOVE_DIALOG, MF_BYCOMMAND));
    OnLog([&] {
        HWND hBar = Frame(4)->GetToolBar().m_hWnd;
        EXPECT_EQ(9, ::SendMessageW(hBar, TB_BUTTONCOUNT, 0, 0));
        TBBUTTON first{};
        ::SendMessageW(hBar, TB_GETBUTTON, 0, reinterpret_cast<LPARAM>(&first));
        EXPECT_EQ(ID_RELEASE_LOG, first.idCommand);
    });
    OnLog([&] {
        CResultTreeView* pView = View(4);
        EXPECT_EQ(4, pView->GetViewIndex());
        EXPECT_EQ(3, Doc(4)->m_nNodeCount);
        EXPECT_EQ(9, pView->GetTotalRows());  // three calls, each one level deep
        EXPECT_EQ(9, ItemCount(pView->m_hWnd));
        EXPECT_TRUE(m_pCalls[2]->NodeIsExpanded(4));
        // A member of the first call checked in window 4.
        HTREEITEM hMember = TreeView_GetChild(pView->m_hWnd, TreeView_GetRoot(pView->m_hWnd));
        pView->ToggleCheck(hMember);
        EXPECT_TRUE(m_pCalls[0]->m_pChildren->NodeIsChecked(4));
    });
    const int nReturned = GetNodePoolState().nReturnedNodes;

    // The next extract into window 4: the same window, the old tree's nodes
    // back in the pool, the shared entries without its checks and
    // expansions (nothing is expanded now).
    CAppSettings::Get().Settings.TreeViewExpand = 0;
    CLogNode* pSecond = NodeShareTree(m_pCalls[0]);
    Extract(pSecond, 4);
    EXPECT_EQ(hFrame, FrameWnd(4));
    EXPECT_EQ(nReturned + 9, GetNodePoolState().nReturnedNodes);
    OnLog([&] {
        EXPECT_FALSE(AnyViewBit(m_pCalls[0], 4));
        EXPECT_TRUE(m_pCalls[0]->NodeIsExpanded(0));
        EXPECT_TRUE(Doc(4)->m_CheckedRoots.empty());
        EXPECT_EQ(3, View(4)->GetTotalRows());
        EXPECT_EQ(3u, VisibleItems(View(4)->m_hWnd).size());
    });

    // No tree at all: an open, empty window.
    m_pThread->PostThreadMessage(UM_SHOW_EXTRACT, 0, 4);
    ASSERT_TRUE(PumpUntil([&] {
        bool b = false;
        OnLog([&] { b = Doc(4)->m_pFirstNode == nullptr; });
        return b;
    }));
    OnLog([&] {
        EXPECT_TRUE(m_pThread->IsResultViewOpen(4));
        EXPECT_EQ(0, View(4)->GetTotalRows());
        EXPECT_EQ(0, ItemCount(View(4)->m_hWnd));
    });
}

TEST_F(ResultWindowTest, AFindFillsItsWindowWithTheFoundTreeAndItsCount) {
    // From the log into window 3.
    CSearchConditionSet set;
    MakeFindSet(set, 3);
    m_pThread->PostThreadMessage(UM_FIND_TO_RESULTVIEW, reinterpret_cast<WPARAM>(&set),
                                 reinterpret_cast<LPARAM>(m_pCalls[0]));
    ASSERT_TRUE(PumpUntil([&] { return IsOpen(3) && MatchText(3) == L"Number of matched = 2"; }));
    OnLog([&] {
        CResultTreeDoc* pDoc = Doc(3);
        ASSERT_NE(nullptr, pDoc->m_pFirstNode);
        EXPECT_EQ(2, pDoc->m_nNodeCount);  // the two calls with a hit, each with its hit only
        EXPECT_EQ(m_pCalls[0]->m_pEntry, pDoc->m_pFirstNode->m_pEntry);
        EXPECT_EQ(m_pCalls[1]->m_pEntry, pDoc->m_pLastNode->m_pEntry);
        EXPECT_EQ(4, CountNodes(pDoc->m_pFirstNode));
        EXPECT_EQ(&pDoc->m_FoundNodes, View(3)->GetFoundNodes());
        EXPECT_TRUE(m_pCalls[0]->NodeIsExpanded(3));  // the hits can be seen
        EXPECT_EQ(4, View(3)->GetTotalRows());
    });

    // From window 3 into window 5 through window 3's frame: window 5 is
    // filled from window 3's tree.
    CSearchConditionSet set5;
    MakeFindSet(set5, 5);
    ::PostMessageW(FrameWnd(3), UM_FIND, reinterpret_cast<WPARAM>(&set5), 0);
    ASSERT_TRUE(PumpUntil([&] { return IsOpen(5) && MatchText(5) == L"Number of matched = 2"; }));
    OnLog([&] {
        EXPECT_EQ(2, Doc(5)->m_nNodeCount);
        EXPECT_NE(Doc(3)->m_pFirstNode, Doc(5)->m_pFirstNode);
        EXPECT_EQ(Doc(3)->m_pFirstNode->m_pEntry, Doc(5)->m_pFirstNode->m_pEntry);
    });

    // Current View in window 5: the hits are highlighted there.
    CSearchConditionSet own;
    MakeFindSet(own, 0);
    OnLog([&] { ClearFoundNodes(Doc(5)->m_FoundNodes); Frame(5)->SetMatchCount(-1); });
    ::PostMessageW(FrameWnd(5), UM_FIND, reinterpret_cast<WPARAM>(&own), 0);
    ASSERT_TRUE(PumpUntil([&] { return MatchText(5) == L"Number of matched = 2"; }));
    OnLog([&] { EXPECT_FALSE(Doc(5)->m_FoundNodes.empty()); });
}

TEST_F(ResultWindowTest, ReleaseLogReturnsTheNodesAndIsThenUnavailable) {
    CLogNode* pTree = NodeShareTree(m_pCalls[0]);
    Extract(pTree, 2);
    OnLog([&] { View(2)->ToggleCheck(TreeView_GetRoot(View(2)->m_hWnd)); });
    EXPECT_TRUE(ReleaseLogEnabled(2));
    const int nReturned = GetNodePoolState().nReturnedNodes;
    ::SendMessageW(FrameWnd(2), WM_COMMAND, ID_RELEASE_LOG, 0);
    EXPECT_EQ(nReturned + 9, GetNodePoolState().nReturnedNodes);
    EXPECT_TRUE(IsOpen(2));
    OnLog([&] {
        EXPECT_EQ(nullptr, Doc(2)->m_pFirstNode);
        EXPECT_EQ(0, Doc(2)->m_nNodeCount);
        EXPECT_EQ(0, View(2)->GetTotalRows());
        EXPECT_EQ(0, ItemCount(View(2)->m_hWnd));
        EXPECT_FALSE(AnyViewBit(m_pCalls[0], 2));
    });
    EXPECT_FALSE(ReleaseLogEnabled(2));
}

TEST_F(ResultWindowTest, ClosingAWindowFreesItsSlotItsNodesAndItsViewBits) {
    CLogNode* pTree = NodeShareTree(m_pCalls[0]);
    Extract(pTree, 6);
    OnLog([&] { View(6)->ToggleCheck(TreeView_GetRoot(View(6)->m_hWnd)); });
    EXPECT_TRUE(m_pCalls[0]->NodeIsChecked(6));
    const int nReturned = GetNodePoolState().nReturnedNodes;
    ::SendMessageW(FrameWnd(6), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsOpen(6));
    EXPECT_EQ(nReturned + 9, GetNodePoolState().nReturnedNodes);
    OnLog([&] { EXPECT_FALSE(AnyViewBit(m_pCalls[0], 6)); });
    // The closing message empties the template slot.
    ASSERT_TRUE(PumpUntil([&] {
        bool b = false;
        OnLog([&] { b = m_pThread->m_pResultTemplate[5] == nullptr; });
        return b;
    }));
    // The next window 6 shows the same entries without a check.
    Extract(NodeShareTree(m_pCalls[0]), 6);
    OnLog([&] {
        HWND hTree = View(6)->m_hWnd;
        for (HTREEITEM h : VisibleItems(hTree)) {
            TVITEMW item{};
            item.mask = TVIF_IMAGE | TVIF_HANDLE;
            item.hItem = h;
            TreeView_GetItem(hTree, &item);
            EXPECT_EQ(1, item.iImage);
        }
    });
}

TEST_F(ResultWindowTest, SevenWindowsAtMostAndOtherNumbersRefusedWithCode13) {
    BoxCloser boxes;
    for (int n = 1; n <= 7; ++n) {
        m_pThread->PostThreadMessage(UM_SHOW_EXTRACT, 0, n);
        ASSERT_TRUE(PumpUntil([&] { return IsOpen(n); })) << n;
    }
    size_t nBoxes = 0;
    for (int n : {0, 8, -1}) {
        CLogNode* pTree = NodeShareTree(m_pCalls[2]);  // the last call: three nodes
        const int nReturned = GetNodePoolState().nReturnedNodes;
        m_pThread->PostThreadMessage(UM_SHOW_EXTRACT, reinterpret_cast<WPARAM>(pTree), n);
        ASSERT_TRUE(boxes.WaitFor(++nBoxes)) << n;
        EXPECT_EQ(L"Error(Failed) CreateResultView", boxes.Texts().back()) << n;
        EXPECT_EQ(nReturned + 3, GetNodePoolState().nReturnedNodes) << n;
    }
    for (int n = 1; n <= 7; ++n) EXPECT_TRUE(IsOpen(n)) << n;
}

TEST_F(ResultWindowTest, EachWindowKeepsItsOwnPlacement) {
    CAppSettings::Get().Window.ResultView[1] = RECT{40, 50, 440, 350};
    Extract(nullptr, 2);
    Extract(nullptr, 3);
    RECT rc{};
    ::GetWindowRect(FrameWnd(2), &rc);
    EXPECT_EQ(40, rc.left);
    EXPECT_EQ(50, rc.top);
    EXPECT_EQ(400, rc.right - rc.left);
    ::MoveWindow(FrameWnd(2), 70, 80, 300, 250, TRUE);
    ::MoveWindow(FrameWnd(3), 120, 130, 320, 260, TRUE);
    ::SendMessageW(FrameWnd(2), WM_CLOSE, 0, 0);
    const RECT& saved = CAppSettings::Get().Window.ResultView[1];
    EXPECT_EQ(70, saved.left);
    EXPECT_EQ(80, saved.top);
    EXPECT_EQ(300, saved.right - saved.left);
    EXPECT_TRUE(::IsRectEmpty(&CAppSettings::Get().Window.ResultView[2]));  // window 3 is still open
    ::SendMessageW(FrameWnd(3), WM_CLOSE, 0, 0);
    EXPECT_EQ(120, CAppSettings::Get().Window.ResultView[2].left);
    EXPECT_EQ(70, CAppSettings::Get().Window.ResultView[1].left);
    // The next window 2 opens where the last one was.
    Extract(nullptr, 2);
    ::GetWindowRect(FrameWnd(2), &rc);
    EXPECT_EQ(70, rc.left);
    EXPECT_EQ(80, rc.top);
}

TEST_F(ResultWindowTest, AnErrorIsShownByItsOwnFrameWhichCloses) {
    BoxCloser boxes;
    struct Case {
        UINT message;
        UINT code;
        const wchar_t* text;
    };
    const Case cases[] = {
        {UM_RESULTVIEW_ERROR, 23, L"Error(Failed) Insert_ResultTreeItem"},
        {UM_FIND_ERROR, 11, nullptr},
        {UM_VIEW_ERROR, 9, nullptr},
    };
    size_t nBoxes = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "message " << c.message);
        Extract(NodeShareTree(m_pCalls[0]), 5);
        Extract(NodeShareTree(m_pCalls[1]), 1);
        const int nReturned = GetNodePoolState().nReturnedNodes;
        ::PostMessageW(FrameWnd(5), c.message, c.code, 0);
        ASSERT_TRUE(boxes.WaitFor(++nBoxes));
        if (c.text) {
            EXPECT_EQ(c.text, boxes.Texts().back());
        }
        ASSERT_TRUE(PumpUntil([&] { return !IsOpen(5); }));
        EXPECT_EQ(nReturned + 9, GetNodePoolState().nReturnedNodes);
        // Only that window: the other one, the log window and the main
        // frame are left alone.
        EXPECT_TRUE(IsOpen(1));
        EXPECT_TRUE(::IsWindow(m_hLog));
        for (UINT m : m_rec.Take()) EXPECT_NE(UM_ERROR_REPORT, m);
    }
}

// Two errors queued at once: the second arrives while the first one's box
// is open and finds the window already closing; the window goes once.
// Release Memory while a box is open closes the window under the box.
TEST_F(ResultWindowTest, ErrorsThatComeWhileABoxIsOpenDoNotCloseAGoneWindow) {
    BoxCloser boxes;
    Extract(NodeShareTree(m_pCalls[0]), 2);
    HWND hFrame = FrameWnd(2);
    ::PostMessageW(hFrame, UM_RESULTVIEW_ERROR, 23, 0);
    ::PostMessageW(hFrame, UM_RESULTVIEW_ERROR, 14, 0);
    ASSERT_TRUE(boxes.WaitFor(1));
    ASSERT_TRUE(PumpUntil([&] { return !IsOpen(2); }));
    PumpFor(200);
    EXPECT_EQ(1u, boxes.Texts().size());
    EXPECT_TRUE(::IsWindow(m_hLog));

    Extract(NodeShareTree(m_pCalls[0]), 3);
    hFrame = FrameWnd(3);
    // The thread serves its thread messages inside the box's loop: the
    // window is closed while its box is up.
    OnLog([&] {
        ::PostMessageW(hFrame, UM_RESULTVIEW_ERROR, 9, 0);
        m_pThread->PostThreadMessage(UM_CLOSE_RESULTVIEWS, 0, 0);
    });
    ASSERT_TRUE(PumpUntil([&] { return !IsOpen(3); }));
    PumpFor(300);
    EXPECT_TRUE(::IsWindow(m_hLog));
    Extract(NodeShareTree(m_pCalls[1]), 3);  // the thread still serves
}

// Dialogs through their slots: fakes that record what the view asks; the
// find dialog's fake makes a real window owned by the frame.
std::vector<std::string> g_dialogLog;
HWND g_hFindWnd = nullptr;
CFindDialog* MakeFind(CTreeViewEx* pView, CCheckedRootSet*) {
    g_dialogLog.push_back("make find");
    g_hFindWnd = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, pView->GetParentFrame()->m_hWnd,
                                   nullptr, nullptr, nullptr);
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
void FindFont(CFindDialog*) { g_dialogLog.push_back("find font"); }
void FindRepaint(CFindDialog*) { g_dialogLog.push_back("find repaint"); }
void FindRebuild(CFindDialog*, int n) { g_dialogLog.push_back("find rebuild " + std::to_string(n)); }
void MoveFont(CMoveFindDialog*) { g_dialogLog.push_back("move font"); }
void MoveRepaint(CMoveFindDialog*) { g_dialogLog.push_back("move repaint"); }
void MoveFill(CMoveFindDialog*) { g_dialogLog.push_back("move fill"); }

const CFindDialogSlot kFind = {&MakeFind, &Show<CFindDialog>, &FindRebuild, &FindFont, &FindRepaint, nullptr};
const CMoveDialogSlot kMove = {&MakeMove, &Show<CMoveFindDialog>, &MoveFill, &MoveFont, &MoveRepaint, nullptr};

TEST_F(ResultWindowTest, FindAndMoveDialogsOpenOnceCaptionedAndFollowTheHints) {
    CLogTreeThread::s_pFindDialog = &kFind;
    CLogTreeThread::s_pMoveDialog = &kMove;
    g_dialogLog.clear();
    Extract(NodeShareTree(m_pCalls[0]), 4);
    OnLog([&] {
        View(4)->OnFindDialog();
        View(4)->OnFindDialog();
        View(4)->OnMoveDialog();
    });
    ASSERT_NE(nullptr, g_hFindWnd);
    wchar_t caption[64] = {};
    ::GetWindowTextW(g_hFindWnd, caption, 64);
    EXPECT_STREQ(L"Find (ResultView 4)", caption);
    EXPECT_EQ((std::vector<std::string>{"make find", "show", "restore", "make move", "show"}), g_dialogLog);

    // The dialog fonts and the highlight colours reach both dialogs; a new
    // tree rebuilds the find dialog's tree and refills the hit list.
    g_dialogLog.clear();
    m_pThread->PostThreadMessage(UM_UPDATE_FINDDIALOG_FONT, 0, 0);
    m_pThread->PostThreadMessage(UM_UPDATE_HIGHLIGHT, 0, 0);
    ASSERT_TRUE(PumpUntil([] { return g_dialogLog.size() >= 4; }));
    EXPECT_EQ((std::vector<std::string>{"find font", "move font", "find repaint", "move repaint"}), g_dialogLog);
    g_dialogLog.clear();
    ::SendMessageW(FrameWnd(4), WM_COMMAND, ID_RELEASE_LOG, 0);
    EXPECT_EQ((std::vector<std::string>{"find rebuild 0", "move fill"}), g_dialogLog);

    // The dialogs tell the view when they close.
    ::SendMessageW(FrameWnd(4), UM_FINDDIALOG_CLOSED, 0, 0);
    OnLog([&] {
        View(4)->SendMessage(UM_MOVEDIALOG_CLOSED, 0, 0);
        EXPECT_EQ(nullptr, View(4)->GetFindDialog());
        EXPECT_EQ(nullptr, View(4)->GetMoveDialog());
    });
    g_hFindWnd = nullptr;  // the frame's end takes the window it owns
    CLogTreeThread::s_pFindDialog = nullptr;
    CLogTreeThread::s_pMoveDialog = nullptr;
}

}  // namespace
